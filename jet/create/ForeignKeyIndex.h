#pragma once
// The two sides of an enforced relationship, as Access keeps them in the
// table definitions: each table gets a logical index of kind 2 that names
// the other table's definition page, the other side's logical index number
// and the relationship's cascades. The table that refers has it under the
// relationship's name, over a real index on its referring fields (an
// existing one over the same fields in the same order, else a new one, made
// and filled from the table's rows); the table referred to has it under a
// name of the form ".rC", over the unique real index on the referenced
// fields (its primary key's, as a rule). Both tables exist before; the rest
// of each definition (columns, other indexes, row count, AutoNumber, usage
// maps) is kept as it was. A relationship Access does not enforce has no
// such indexes: only its MSysRelationships rows.
#include "jet/store/PageStore.h"

#include <cstdint>
#include <string>
#include <vector>

namespace jet {

// One side, added to one table's definition.
struct ForeignKeyIndex {
    std::string name;
    std::vector<std::string> columns;  // this table's fields, in the relationship's order
    bool referenced = false;           // this table is the one referred to
    std::uint32_t relatedTablePage = 0;
    std::uint32_t relatedIndex = 0;    // the other side's logical index number
    bool cascadeUpdates = false;
    bool cascadeDeletes = false;
};

// Adds `index` to the definition of `table` and returns its logical index
// number. Error 3078 for a table that is not there, 3001 for a field it
// lacks, a name already used, or (referred-to side) no unique index on the
// fields.
std::uint32_t addForeignKeyIndex(PageStore& store, const std::string& table, const ForeignKeyIndex& index);

struct RelationshipIndexes {
    std::string table;  // the table that refers
    std::vector<std::string> columns;
    std::string name;   // its index's name: the relationship's
    std::string referencedTable;
    std::vector<std::string> referencedColumns;
    std::string referencedName;  // empty: ".r" and the letter of its number, as Access names it
    bool cascadeUpdates = false;
    bool cascadeDeletes = false;
};

// Adds both sides of a relationship, each pointing at the other.
void addRelationshipIndexes(PageStore& store, const RelationshipIndexes& relationship);

}  // namespace jet
