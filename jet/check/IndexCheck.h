#pragma once
// Every index of a table against its pages and its rows: the tree's pages lie
// in the index's usage map, leaves link both ways, entries stand in key order,
// each intermediate entry holds the last entry of its child, and every live
// row has exactly one entry, with the key its values make, and no entry
// names anything else.
#include "jet/check/Finding.h"

#include <cstdint>
#include <set>
#include <vector>

namespace jet {

// `dataPages`: the pages in the table's usage map; `indexMaps[n]`: the pages
// in the usage map of real index n.
void checkIndexes(CheckRun& run, const std::string& table, const std::shared_ptr<const TableDef>& def,
                  const std::set<std::uint32_t>& dataPages, const std::vector<std::set<std::uint32_t>>& indexMaps);

}  // namespace jet
