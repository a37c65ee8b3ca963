#include "jet/lockfile/LockFile.h"

#include "jet/text/Windows1252.h"

#include <algorithm>
#include <cctype>
#include <string_view>

namespace jet {
namespace {

std::string decodeName(std::span<const std::uint8_t> field) {
    const auto nul = std::find(field.begin(), field.end(), std::uint8_t{0});
    std::string_view raw(reinterpret_cast<const char*>(field.data()),
                         static_cast<std::size_t>(nul - field.begin()));
    // Blanks are Jet's padding; the roster reader trims them the same way.
    const auto first = raw.find_first_not_of(' ');
    if (first == std::string_view::npos)
        return {};
    raw = raw.substr(first, raw.find_last_not_of(' ') - first + 1);
    return windows1252ToUtf8(raw);
}

void putName(std::vector<std::uint8_t>& slot, std::size_t at, const std::string& utf8, std::uint8_t pad) {
    std::string bytes = utf8ToWindows1252(utf8);
    bytes.resize(std::min(bytes.size(), kLockNameFieldSize - 1));
    std::copy(bytes.begin(), bytes.end(), slot.begin() + static_cast<std::ptrdiff_t>(at));
    slot[at + bytes.size()] = 0;
    std::fill(slot.begin() + static_cast<std::ptrdiff_t>(at + bytes.size() + 1),
              slot.begin() + static_cast<std::ptrdiff_t>(at + kLockNameFieldSize), pad);
}

bool equalsIgnoringCase(std::string_view a, std::string_view b) {
    return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin(), [](char x, char y) {
               return std::tolower(static_cast<unsigned char>(x)) == std::tolower(static_cast<unsigned char>(y));
           });
}

}  // namespace

std::vector<LockSlot> parseLockSlots(std::span<const std::uint8_t> bytes) {
    std::vector<LockSlot> slots;
    const std::size_t usable = std::min(bytes.size(), kMaxLockFileSize);
    for (std::size_t at = 0; at + kLockNameFieldSize <= usable; at += kLockSlotSize) {
        LockSlot slot{static_cast<int>(at / kLockSlotSize), decodeName(bytes.subspan(at, kLockNameFieldSize)), {}};
        // A slot cut short by the file's end keeps whatever security name bytes it has.
        const std::size_t secStart = at + kLockNameFieldSize;
        if (secStart < usable)
            slot.securityName = decodeName(bytes.subspan(secStart, std::min(kLockNameFieldSize, usable - secStart)));
        slots.push_back(std::move(slot));
    }
    return slots;
}

std::vector<std::uint8_t> encodeLockSlot(const std::string& computerName, const std::string& securityName) {
    std::vector<std::uint8_t> slot(kLockSlotSize);
    putName(slot, 0, computerName, ' ');
    putName(slot, kLockNameFieldSize, securityName, 0);
    return slot;
}

std::string lockFilePathFor(const std::string& databasePath) {
    const auto slash = databasePath.find_last_of('/');
    const auto nameStart = slash == std::string::npos ? 0 : slash + 1;
    const auto dot = databasePath.find_last_of('.');
    if (dot == std::string::npos || dot <= nameStart)  // none, or a leading dot
        return databasePath + ".ldb";
    const std::string_view ext = std::string_view(databasePath).substr(dot);
    const bool ace = equalsIgnoringCase(ext, ".accdb") || equalsIgnoringCase(ext, ".accde") ||
                     equalsIgnoringCase(ext, ".accdr") || equalsIgnoringCase(ext, ".accdt");
    return databasePath.substr(0, dot) + (ace ? ".laccdb" : ".ldb");
}

}  // namespace jet
