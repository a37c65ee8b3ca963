#pragma once
// Samba's view of who holds each lock-file slot. A Windows client's Jet user
// lock is, in Samba's own lock table, a byte-range lock of flavour "Windows"
// at 0x10000001 + slot, size 1, held by the smbd process that serves the
// client's connection; `smbstatus --json --byterange` (Samba 4.15 and later)
// lists both, so the session's account, machine and address can be put
// beside the slot. Samba's table has these locks even with
// `posix locking = no`, where the file system does not.
#include "jet/who/Listing.h"

#include <chrono>
#include <set>
#include <string>
#include <vector>

#include <sys/types.h>

namespace jet::who {

struct SmbStatusRun {
    std::string json;    // smbstatus's output when it ran
    std::string reason;  // why it could not be had; empty when it could
};

// Runs `smbstatus --json --byterange` (with --configfile=`configFile` when
// given; through `sudo --non-interactive` when `viaSudo`, for a monitoring
// user the sudoers drop-in allows exactly that command) from an argument
// vector, no shell, found along PATH. One that has not finished within
// `limit` is ended and reported.
SmbStatusRun runSmbstatus(const std::string& configFile,
                          std::chrono::milliseconds limit = std::chrono::seconds(30), bool viaSudo = false);

// Fills `smb` of each user whose user lock an SMB session holds, and marks
// that user connected (judging suspect again). A lock is put to a session by
// its smbd process; where that process serves several sessions, those that
// have the lock file open under another account are left out, and any still
// in doubt are listed as candidates. Returns why smbstatus's output could not
// be read (not JSON, a Samba too old for JSON), or empty when it could.
std::string joinSambaView(const std::string& smbstatusJson, std::vector<DatabaseUsers>& databases);

// The files this computer's smbd processes have open, read once from /proc.
class SambaFiles {
public:
    static SambaFiles now();
    // Whether Samba may serve the file at `path`: an smbd process has it
    // open, or one runs whose open files can't be read here (not root).
    bool mayServe(const std::string& path) const;

private:
    bool hidden_ = false;
    std::set<std::pair<dev_t, ino_t>> open_;
};

}  // namespace jet::who
