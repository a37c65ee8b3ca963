#include "jet/compact/SourceKeys.h"

#include "jet/index/Index.h"
#include "jet/table/ColumnType.h"

#include <algorithm>

namespace jet {
namespace {

std::uint64_t placeOf(RowLocation row) { return (std::uint64_t{row.page} << 16) | row.row; }

bool ordersUnknownType(const TableDef& def, const RealIndex& real) {
    return std::any_of(real.columns.begin(), real.columns.end(), [&](const IndexColumn& ic) {
        return std::any_of(def.columns.begin(), def.columns.end(),
                           [&](const ColumnDef& c) { return c.number == ic.columnNumber && !knownType(c.type); });
    });
}

}  // namespace

SourceKeys::SourceKeys(const std::shared_ptr<const Database>& source, const std::shared_ptr<const TableDef>& def) {
    std::size_t made = 0;  // the copy's real index for the next logical one
    for (std::size_t n = 0; n < def->indexes.size(); ++n) {
        const LogicalIndex& logical = def->indexes[n];
        if (logical.foreignKey())
            continue;
        const std::size_t copy = made++;
        if (!ordersUnknownType(*def, def->realIndexes.at(logical.realIndex)))
            continue;
        needed_ = true;
        Index(source, def, n).forEachEntry([&](const IndexEntry& e) {
            auto& keys = keys_[placeOf(e.row)];
            keys.resize(std::max(keys.size(), copy + 1));
            keys[copy].emplace(e.key().begin(), e.key().end());
            return true;
        });
    }
}

const TableWriter::GivenKeys& SourceKeys::of(RowLocation row) const {
    const auto at = keys_.find(placeOf(row));
    return at == keys_.end() ? none_ : at->second;
}

}  // namespace jet
