#include "jet/write/IndexUpdate.h"

#include "jet/Error.h"

namespace jet {

// Index maintenance is not built yet: every store that would touch an index is
// refused, so no index ever falls out of step with its rows.
namespace {
[[noreturn]] void notBuilt() {
    throw Error(InvalidArgument, "Ravelin cannot yet update the indexes of a table.");
}
}  // namespace

IndexUpdate::IndexUpdate(PageStore& store, const TableDef& table, std::size_t realIndex)
    : store_(store), table_(table), realIndex_(realIndex) {}

std::vector<std::uint8_t> IndexUpdate::key(const std::vector<Value>&) const { notBuilt(); }
bool IndexUpdate::contains(const std::vector<std::uint8_t>&) const { notBuilt(); }
void IndexUpdate::insert(const std::vector<std::uint8_t>&, RowLocation) { notBuilt(); }
void IndexUpdate::erase(const std::vector<std::uint8_t>&, RowLocation) { notBuilt(); }

}  // namespace jet
