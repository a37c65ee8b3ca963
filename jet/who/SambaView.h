#pragma once
// Samba's view of who holds each lock-file slot. A Windows client's Jet user
// lock is, in Samba's own lock table, a byte-range lock of flavour "Windows"
// at 0x10000001 + slot, size 1, held by the smbd process that serves the
// client's session; `smbstatus --json --byterange` (Samba 4.15 and later)
// lists both, so the session's account, machine and address can be put
// beside the slot. Samba's table has these locks even with
// `posix locking = no`, where the file system does not.
#include "jet/who/Listing.h"

#include <string>
#include <vector>

namespace jet::who {

struct SmbStatusRun {
    std::string json;    // smbstatus's output when it ran
    std::string reason;  // why it could not be had; empty when it could
};

// Runs `smbstatus --json --byterange` (with --configfile=`configFile` when
// given) from an argument vector, no shell, found along PATH.
SmbStatusRun runSmbstatus(const std::string& configFile);

// Fills `smb` of each user whose user lock an SMB session holds, and marks
// that user connected. Returns why no database could be joined (not JSON, a
// Samba too old for JSON, no lock file here locked by an SMB client of this
// server), or empty when at least one was.
std::string joinSambaView(const std::string& smbstatusJson, std::vector<DatabaseUsers>& databases);

}  // namespace jet::who
