// Any bytes as a lock file: the slots found must stay within Jet's limits,
// hold clean names, and survive being written back as a client writes them.
#include "jet/lockfile/LockFile.h"
#include "jet/text/Windows1252.h"

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <span>

namespace {

void check(bool ok) {
    if (!ok)
        std::abort();
}

void checkName(const std::string& name) {
    check(name.find('\0') == std::string::npos);
    check(name.empty() || (name.front() != ' ' && name.back() != ' '));
    check(jet::windows1252ToUtf8(jet::utf8ToWindows1252(name)) == name);  // valid, decodable text
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const auto slots = jet::parseLockSlots(std::span<const std::uint8_t>(data, size));
    const std::size_t usable = size < jet::kMaxLockFileSize ? size : jet::kMaxLockFileSize;
    const std::size_t expected = usable / jet::kLockSlotSize + (usable % jet::kLockSlotSize >= jet::kLockNameFieldSize);
    check(slots.size() == expected);
    for (std::size_t i = 0; i < slots.size(); ++i) {
        const jet::LockSlot& slot = slots[i];
        check(slot.index == static_cast<int>(i));
        checkName(slot.computerName);
        checkName(slot.securityName);
        if (jet::utf8ToWindows1252(slot.computerName).size() < jet::kLockNameFieldSize &&
            jet::utf8ToWindows1252(slot.securityName).size() < jet::kLockNameFieldSize) {
            const auto again = jet::parseLockSlots(jet::encodeLockSlot(slot.computerName, slot.securityName));
            check(again.size() == 1 && again[0].computerName == slot.computerName &&
                  again[0].securityName == slot.securityName);
        }
    }
    return 0;
}
