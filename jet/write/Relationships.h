#pragma once
// Referential integrity as Jet keeps it, from the relationships stored in
// MSysRelationships: one row per pair of columns (ccolumn pairs, numbered by
// icolumn), named by szRelationship, from the table that refers (szObject,
// szColumn) to the table referred to (szReferencedObject,
// szReferencedColumn). grbit holds DAO's relation attributes.
//
// A row refers through an enforced relationship when none of its referring
// columns is Null; it must then find a row of the referenced table with the
// same key (compared as the referenced table's index over those columns
// compares: text without regard to case), else 3201. A referenced row that
// is deleted, or whose key changes, takes the rows that refer to it along
// where the relationship cascades (deleted, or their references changed to
// the new key, each by the table writer with all its rules, recursively),
// else 3200. Everything happens in the store of the change that started it.
#include "jet/Database.h"
#include "jet/Value.h"
#include "jet/table/DataPage.h"
#include "jet/store/PageStore.h"

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

namespace jet {

inline constexpr std::uint32_t kRelationDontEnforce = 0x2;
inline constexpr std::uint32_t kRelationUpdateCascade = 0x100;
inline constexpr std::uint32_t kRelationDeleteCascade = 0x1000;

struct Relationship {
    std::string name;
    std::string table;  // the table whose rows refer
    std::vector<std::string> columns;
    std::string referencedTable;
    std::vector<std::string> referencedColumns;
    std::uint32_t attributes = 0;

    bool enforced() const { return !(attributes & kRelationDontEnforce); }
    bool cascadeUpdates() const { return attributes & kRelationUpdateCascade; }
    bool cascadeDeletes() const { return attributes & kRelationDeleteCascade; }
};

// The relationships stored in the database; none when it has no
// MSysRelationships. Error 3343 for rows that do not fit together.
std::vector<Relationship> readRelationships(const std::shared_ptr<const Database>& db);

class TableWriter;

// The enforced relationships the table of one writer takes part in.
class RelationshipRules {
public:
    RelationshipRules(PageStore& store, TableWriter& writer);
    ~RelationshipRules();
    RelationshipRules(const RelationshipRules&) = delete;
    RelationshipRules& operator=(const RelationshipRules&) = delete;

    // 3201 unless each reference `row` makes finds its row; with `old` (the
    // row it replaces), only references that changed are looked at.
    void requireReferenced(const std::vector<Value>& row, const std::vector<Value>* old);

    // The rows that refer to `old`, which is about to be deleted (`changed`
    // null) or replaced by `*changed`, and must follow it; 3200 when a
    // relationship that does not cascade has such rows.
    struct Follower;
    std::vector<Follower> followers(const std::vector<Value>& old, const std::vector<Value>* changed);
    // Deletes those that still refer to `old`, or changes their references
    // to `*changed`'s key.
    void follow(const std::vector<Follower>& followers, const std::vector<Value>& old,
                const std::vector<Value>* changed);

private:
    struct Reference;  // a relationship in which this table refers
    struct Referrer;   // a relationship in which this table is referred to

    PageStore& store_;
    TableWriter& writer_;
    std::vector<std::unique_ptr<Reference>> references_;
    std::vector<std::unique_ptr<Referrer>> referrers_;
};

struct RelationshipRules::Follower {
    const Referrer* referrer;
    RowLocation row;
};

}  // namespace jet
