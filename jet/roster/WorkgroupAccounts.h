#pragma once
// Logging on through a workgroup information file (.mdw): the user accounts
// of its table MSysAccounts (groups are no accounts) and their passwords.
//
// A password is stored in 8-byte blocks, each enciphered on its own; how a
// non-empty password is enciphered is not known here, but an empty one is:
// every block reads kEmptyPasswordBlock. So an empty password is checked
// either way, and an account whose stored password is not empty is refused
// with a message saying it cannot be verified, never accepted unchecked.
#include <array>
#include <cstdint>
#include <string>

namespace jet {

inline constexpr std::array<std::uint8_t, 8> kEmptyPasswordBlock = {0x69, 0x52, 0xAD, 0x67,
                                                                    0xF3, 0xD5, 0xE1, 0xE6};

// Checks that `userId` (UTF-8, letter case ignored) names a user account of
// the workgroup file at `workgroupPath` whose password is `password`. Reads
// only. Throws Error: WorkgroupUnavailable (3028) when the file is missing,
// unreadable or no workgroup file; InvalidAccount (3029) for an unknown
// name, a group, a wrong password, or a password that cannot be verified.
void logOn(const std::string& workgroupPath, const std::string& userId, const std::string& password);

}  // namespace jet
