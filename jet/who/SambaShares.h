#pragma once
// Whether Samba keeps the locks of a file to itself. With `posix locking =
// yes` (Samba's default) a client's byte-range locks become POSIX/OFD locks
// on the server's file, which any process that can open it sees; with `no`
// only Samba's own table (smbstatus, root only) has them. The share serving
// a file, and its setting, are learnt from `testparm -s`, which needs no root.
#include <chrono>
#include <string>
#include <vector>

namespace jet::who {

class SambaShares {
public:
    // The shares of the configuration `configFile` (Samba's default when
    // empty). A testparm that can't be run or read leaves every file in doubt.
    static SambaShares read(const std::string& configFile, std::chrono::milliseconds limit);
    // Parses testparm's output (shares, their path and posix locking, the
    // [global] value as every share's default).
    static SambaShares parse(const std::string& testparmOutput);

    // Whether a client's locks on the file at `path` show as file locks: it
    // is under no share's path, or the share with the longest path that
    // holds it has posix locking = yes. False when in doubt (testparm could
    // not be read, a share with posix locking = no whose path has a
    // substitution such as %U, or [homes]).
    bool locksVisible(const std::string& path) const;

private:
    struct Share {
        std::string path;  // as resolved (realpath), or as written when it can't be
        bool posixLocking = true;
        bool substituted = false;  // %-substitutions or [homes]: which files it serves is unknown
    };
    bool known_ = false;
    std::vector<Share> shares_;
};

}  // namespace jet::who
