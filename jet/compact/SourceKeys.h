#pragma once
// The key bytes a source's indexes hold for its rows, for a copied table
// with an index over a field of a type Ravelin does not know: no key can be
// encoded for such a value, so the copy takes the source's, and its order.
// The keys of such indexes are read whole from the source's trees when made;
// a table without such an index needs none (`needed`).
#include "jet/Database.h"
#include "jet/page/Coding.h"
#include "jet/table/TableDef.h"
#include "jet/write/TableWriter.h"

#include <cstdint>
#include <memory>
#include <unordered_map>

namespace jet {

class SourceKeys {
public:
    // The keys of `def`'s indexes in `source`, by the real index that the
    // copy newTableLike describes makes for each (one per index but the
    // foreign keys'). Errors of reading the source's index trees.
    SourceKeys(const std::shared_ptr<const Database>& source, const std::shared_ptr<const TableDef>& def);

    bool needed() const { return needed_; }
    // The keys the source holds for its row at `row`: given for the indexes
    // that need them, nothing for the others (or where no entry holds the row).
    const TableWriter::GivenKeys& of(RowLocation row) const;

private:
    bool needed_ = false;
    std::unordered_map<std::uint64_t, TableWriter::GivenKeys> keys_;
    TableWriter::GivenKeys none_;
};

}  // namespace jet
