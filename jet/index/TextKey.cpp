#include "jet/index/TextKey.h"

#include "jet/text/Text.h"

#include <array>
#include <string>

namespace jet {
namespace {

constexpr std::size_t kMaxUnits = 255;  // longer text is indexed by its start
constexpr std::uint8_t kEndOfText = 0x01;
constexpr std::uint8_t kEndOfKey = 0x00;
constexpr std::uint8_t kNoAccent = 0x02;
constexpr std::uint8_t kUnprintableMark = 0x06;
constexpr std::uint8_t kSurrogateAccent = 0x3F;
constexpr std::array<std::uint8_t, 5> kKanaSuffix = {0xFF, 0x02, 0x80, 0xFF, 0x80};
constexpr std::uint8_t kSmallKanaCode = 2;
constexpr std::uint8_t kKanaCode = 3;

std::u16string keyUnits(std::string_view utf8) {
    std::u16string units;
    appendUtf16(utf8, units);
    if (units.size() > kMaxUnits)
        units.resize(kMaxUnits);
    while (!units.empty() && units.back() == u' ')
        units.pop_back();
    return units;
}

// The primary bytes of half a surrogate pair: its value less an offset that
// grows in steps over the low half's range.
std::array<std::uint8_t, 2> surrogatePrimary(char16_t unit) {
    unsigned value = unit - 10238u;
    if (unit >= 0xDC00) {
        const unsigned r = (unit - 0xDC00u) % 1024;
        value = unit - (r < 8 ? 9992u : r < 262 ? 9990u : r < 516 ? 9988u : r < 770 ? 9986u : 9984u);
    }
    return {static_cast<std::uint8_t>(value >> 8), static_cast<std::uint8_t>(value)};
}

void appendGeneral(std::vector<std::uint8_t>& key, SortOrder order, std::u16string_view units, Expansions expansions) {
    std::vector<std::uint8_t> accents, unprintables, kana;
    std::size_t position = 0;  // units with primary bytes so far (expansions: maybe letters)
    std::size_t covered = 0;   // positions the accent run accounts for
    std::size_t lead = 0;      // 1 when a modifier began the accent run on its own
    bool accentSeen = false;
    bool kanaSeen = false;
    const auto fill = [&] {
        for (; covered < position; ++covered)
            accents.push_back(kNoAccent);
    };
    for (const char16_t unit : units) {
        SortCode code = sortCode(order, unit);
        std::array<std::uint8_t, 2> computed{};
        if (code.kind == CodeKind::Surrogate) {
            computed = surrogatePrimary(unit);
            code.primary = computed;
            code.accents = std::span<const std::uint8_t>(&kSurrogateAccent, 1);
        }
        switch (code.kind) {
        case CodeKind::Ignored: continue;
        case CodeKind::Unprintable: {
            // Where it stood: its position, counted through the accent run once that has begun.
            const std::size_t q = accentSeen ? accents.size() + (position - covered) - lead : position;
            const std::size_t word = 0x8000 | (7 + 4 * q);
            unprintables.insert(unprintables.end(), {static_cast<std::uint8_t>(word >> 8), static_cast<std::uint8_t>(word),
                                                     kUnprintableMark, code.accents[0]});
            continue;
        }
        case CodeKind::Modifier:
            fill();
            if (accents.empty()) {
                accents.push_back(code.accents[0]);
                lead = 1;
            } else {
                accents.back() = static_cast<std::uint8_t>(accents.back() + code.accents[0]);
            }
            accentSeen = true;
            continue;
        default: break;
        }
        key.insert(key.end(), code.primary.begin(), code.primary.end());
        const std::size_t counts = expansions == Expansions::PerLetter ? code.letters : 1;
        if (!code.accents.empty()) {
            fill();
            accents.insert(accents.end(), code.accents.begin(), code.accents.end());
            covered = position + counts;
            accentSeen = true;
        }
        if (code.kind == CodeKind::Kana) {
            kanaSeen = true;
            kana.push_back(code.smallKana ? kSmallKanaCode : kKanaCode);
        }
        position += counts;
    }
    key.push_back(kEndOfText);
    while (!accents.empty() && accents.back() <= kNoAccent)
        accents.pop_back();
    key.insert(key.end(), accents.begin(), accents.end());
    if (kanaSeen || !unprintables.empty()) {
        key.insert(key.end(), {kEndOfText, kEndOfText});
        if (kanaSeen) {
            while (!kana.empty() && kana.back() == kKanaCode)
                kana.pop_back();
            for (std::size_t n = 0; n < kana.size(); n += 3) {
                const auto at = [&](std::size_t k) { return k < kana.size() ? kana[k] : 0; };
                key.push_back(static_cast<std::uint8_t>(0x80 + at(n) * 16 + at(n + 1) * 4 + at(n + 2)));
            }
            key.insert(key.end(), kKanaSuffix.begin(), kKanaSuffix.end());
            if (!unprintables.empty())
                key.push_back(0xFF);
        }
        if (!unprintables.empty()) {
            key.push_back(kEndOfText);
            key.insert(key.end(), unprintables.begin(), unprintables.end());
        }
    }
    key.push_back(kEndOfKey);
}

// General 97: accent nibbles, begun by a 0 at the first accented letter, a 2
// for each letter that can carry an accent since the one before, then the
// accent; ended by a 0 and packed two to a byte. An expansion letter (ß as
// "ss", æ, œ) counts no position, or (Expansions::PerLetter, as some Access 97
// builds write it) one for each letter it spells. A NUL is keyed as the other
// control characters are (0x10), though the table leaves it out.
void appendGeneral97(std::vector<std::uint8_t>& key, std::u16string_view units, Expansions expansions) {
    constexpr std::uint8_t kControlCharacter = 0x01;
    std::vector<std::uint8_t> nibbles;
    std::size_t unaccented = 0;
    for (const char16_t unit : units) {
        const auto byte = general97Byte(unit);
        if (!byte)
            continue;
        const SortCode code = sortCode(SortOrder::General97, *byte == 0 ? kControlCharacter : *byte);
        key.insert(key.end(), code.primary.begin(), code.primary.end());
        if (code.kind == CodeKind::Plain && code.primary.size() > 1 && expansions == Expansions::PerLetter) {
            unaccented += code.primary.size();
        } else if (code.kind == CodeKind::Significant) {
            ++unaccented;
        } else if (code.kind == CodeKind::Accented) {
            if (nibbles.empty())
                nibbles.push_back(0);
            nibbles.insert(nibbles.end(), unaccented, kNoAccent);
            nibbles.push_back(code.accents[0] & 0x0F);
            unaccented = 0;
        }
    }
    nibbles.push_back(0);
    if (nibbles.size() == 1)
        nibbles.push_back(0);  // no accents: the one byte 00
    for (std::size_t n = 0; n < nibbles.size(); n += 2)
        key.push_back(static_cast<std::uint8_t>(nibbles[n] << 4 | (n + 1 < nibbles.size() ? nibbles[n + 1] : 0)));
}

}  // namespace

void appendTextKey(std::vector<std::uint8_t>& key, SortOrder order, std::string_view utf8, bool ascending,
                   Expansions expansions) {
    const std::size_t start = key.size();
    const std::u16string units = keyUnits(utf8);
    if (order == SortOrder::General97)
        appendGeneral97(key, units, expansions);
    else
        appendGeneral(key, order, units, expansions);
    if (ascending)
        return;
    for (std::size_t n = start; n < key.size(); ++n)
        key[n] = static_cast<std::uint8_t>(~key[n]);
    if (order != SortOrder::General97)
        key.push_back(kEndOfKey);
}

}  // namespace jet
