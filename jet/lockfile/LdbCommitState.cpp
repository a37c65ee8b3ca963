#include "jet/lockfile/LdbCommitState.h"

#include "jet/Error.h"
#include "jet/lockfile/ReadOnlyFile.h"
#include "jet/page/Coding.h"

#include <vector>

namespace jet {
namespace {

constexpr std::size_t kCommitAreaSize = 512;

}  // namespace

std::optional<std::size_t> commitValueOffset(const FileFormat& format, int slot) {
    if (slot < 0 || slot >= kMaxLockSlots)
        return std::nullopt;
    return format.pageSize - kCommitAreaSize + 2 + 2 * static_cast<std::size_t>(slot);
}

bool leftSuspect(std::uint16_t value, bool userLockHeld) {
    return value == kCommitCorruptPageSeen || (value == kCommitWriteInProgress && !userLockHeld);
}

CommitValues readCommitValues(const std::string& path) {
    const FileFormat format = readFileFormat(path);
    const std::vector<std::uint8_t> page = ReadOnlyFile(path).readUpTo(format.pageSize);
    if (page.size() < format.pageSize)
        throw Error(NotADatabase, "The header page of '" + path + "' is incomplete.");
    CommitValues values{};
    for (int slot = 0; slot < kMaxLockSlots; ++slot) {
        const std::size_t at = *commitValueOffset(format, slot);
        values[static_cast<std::size_t>(slot)] = readU16(&page[at]);
    }
    return values;
}

}  // namespace jet
