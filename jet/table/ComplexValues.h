#pragma once
// The values of an ACE complex column: attachments, a multi-valued field, or
// the version history of an append-only memo. The row holds only a key; the
// values are rows of a hidden flat table. MSysComplexColumns names, for the
// column's ComplexID, that flat table and the complex type's own table
// (MSysComplexType_Attachment, MSysComplexType_<type> for a multi-valued
// field, MSysComplexTypeVH_<id> for a version history). A flat-table row
// belongs to the key held in its foreign-key column: the Long column that is
// neither its AutoNumber nor a column of the type's table.
#include "jet/Database.h"
#include "jet/table/TableDef.h"

#include <cstdint>
#include <memory>
#include <string>
#include <unordered_map>
#include <vector>

namespace jet {

class ComplexValues {
public:
    // Reads the flat table of the complex column `column` whole. Throws Error
    // (NotCapable) saying why when its values cannot be read: no
    // MSysComplexColumns entry or flat table, a complex type not known, a value
    // column of a type Ravelin does not read.
    static ComplexValues read(const std::shared_ptr<const Database>& db, const ColumnDef& column);

    // The items of `key` as text, in stored order: attachments' file names, the
    // values of a multi-valued field, or the version history's entries (the
    // time the text was saved, a blank, the text). None when the key has none.
    const std::vector<std::string>& items(std::int64_t key) const;

private:
    std::unordered_map<std::int64_t, std::vector<std::string>> items_;
};

}  // namespace jet
