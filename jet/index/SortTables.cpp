#include "jet/index/SortTables.h"

#include "jet/index/SortTableFormat.h"

#include <algorithm>

namespace jet {
namespace {

using namespace sorttable;

std::size_t recordLength(const std::uint8_t* r) {
    const std::size_t primary = (r[0] >> kPrimaryShift) & kPrimaryBits;
    if (!(r[0] & kMoreHead))
        return 1 + primary;
    return 2 + primary + (r[1] & kAccentBits);
}

const Table& tableOf(SortOrder order) {
    switch (order) {
    case SortOrder::General97: return kGeneral97;
    case SortOrder::GeneralLegacy: return kGeneralLegacy;
    case SortOrder::General2010: break;
    }
    return kGeneral2010;
}

}  // namespace

SortCode sortCode(SortOrder order, char16_t unit) {
    const Table& t = tableOf(order);
    if (unit >= t.units)
        return {};
    const std::uint8_t* r = t.records + t.blocks[unit / kBlockUnits];
    for (unsigned n = unit % kBlockUnits; n > 0; --n)
        r += recordLength(r);
    SortCode code;
    code.kind = static_cast<CodeKind>(r[0] & kKindBits);
    const std::size_t primary = (r[0] >> kPrimaryShift) & kPrimaryBits;
    std::size_t accents = 0;
    const std::uint8_t* bytes = r + 1;
    if (r[0] & kMoreHead) {
        accents = r[1] & kAccentBits;
        code.letters = static_cast<std::uint8_t>(1 + ((r[1] >> kLettersShift) & kLettersBits));
        code.smallKana = r[1] & kSmallKana;
        ++bytes;
    }
    code.primary = {bytes, primary};
    code.accents = {bytes + primary, accents};
    return code;
}

std::optional<std::uint8_t> general97Byte(char16_t unit) {
    if (unit < 0x100)
        return static_cast<std::uint8_t>(unit);
    const ByteOf* end = kGeneral97Bytes + kGeneral97ByteCount;
    const ByteOf* it = std::lower_bound(kGeneral97Bytes, end, unit, [](const ByteOf& b, char16_t u) { return b.unit < u; });
    if (it == end || it->unit != unit)
        return std::nullopt;
    return it->byte;
}

}  // namespace jet
