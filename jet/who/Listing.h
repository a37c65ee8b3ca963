#pragma once
// The users of Jet databases as the ravelin-who tool lists them: each lock
// file slot that holds a computer name, with its state, the person the user
// name database names for that computer, and (when asked for) what Samba's
// own lock table says about the SMB session holding the slot.
#include "jet/Database.h"
#include "jet/Recordset.h"
#include "jet/who/Scan.h"

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace jet::who {

// The SMB session that holds a slot's user lock, as smbstatus reports it.
// Samba's lock table names the smbd process (one per client connection), not
// the session: where one connection carries the sessions of several accounts
// (a terminal server), the lock may be any of theirs.
struct SmbSession {
    std::string account;  // the user the session logged on as; empty when ambiguous
    std::string machine;  // the client's machine name
    std::string address;  // the client's IP address
    // Every account the lock may be held by, sorted: one when `account` is
    // certain, more when it is ambiguous.
    std::vector<std::string> candidates;

    bool ambiguous() const { return candidates.size() > 1; }
};

struct User {
    int slot = 0;
    std::string computer;
    std::string security;
    bool connected = false;
    bool suspect = false;
    std::string person, contact, email;  // empty when the name database has none
    std::optional<SmbSession> smb;
    std::optional<std::uint16_t> commitValue;  // see jet::LdbUser
};

// Marks `user` connected because another view of the locks than the file
// system's (Samba's own table) shows its user lock held, and judges suspect
// again: a user who holds the lock is not one that left mid-write.
void markConnected(User& user);

struct DatabaseUsers {
    std::string path;
    std::string error;  // why the database or its lock file could not be read
    std::vector<User> users;
    // Why who is connected could not be seen (Samba keeps the locks to itself
    // and could not be asked), or empty. Suspect is then only what does not
    // depend on the connection.
    std::string warning;
    std::string lockFile{};  // the lock file read (jet/lockfile/LockFileFinder.h); empty when there is none
    // Why more than one lock file was read for this path (names that differ
    // only in case), or empty.
    std::string note{};
    std::pair<std::uint64_t, std::uint64_t> file{};  // the database's device and inode

    int connectedCount() const;
    int suspectCount() const;
};

// Everything one run saw: the databases (one entry per lock file), the
// folders scanned for more, and whether Samba's view, where it was asked for
// outright, could be had.
struct Sighting {
    std::vector<DatabaseUsers> databases;
    std::vector<ScanResult> scans;
    std::string sambaMissing;  // why smbstatus could not be asked (--samba on), or empty
    std::vector<std::string> unmounted;  // --require-mount folders that are not mount points
    std::string metricsError;  // why --prometheus metrics could not be written (--check), or empty

    // Whether every database and folder could be read and who is connected seen.
    bool complete() const;
};

// The user name database (table T_Main: ComputerName, Name, Contact, Email),
// opened read-only once and asked per computer name.
class NameBook {
public:
    // Throws jet::Error naming the file when it can't be opened or has no
    // T_Main; an encrypted file is read with `password` (3031 without it).
    explicit NameBook(const std::string& path, const std::string& password = {});
    // Fills person, contact and e-mail from the row for the user's computer.
    void fill(User& user);

private:
    std::unique_ptr<Recordset> names_;
};

// The users of one database from the lock file `lockPath` (none there: no
// users); a database that can't be read gives `error` naming the file and
// the reason, never an exception: a missing path, one that is not a regular
// file or not a Jet or ACE database (told by its header, whether or not a
// lock file is beside it). Never blocks on a FIFO or device. `names` may be
// null. Without `lockPath`, the lock file jet::lockFileFor finds.
DatabaseUsers listUsers(const std::string& databasePath, NameBook* names, const std::string& lockPath);
DatabaseUsers listUsers(const std::string& databasePath, NameBook* names);

// The users of each database in `paths`, in order, one entry per distinct
// lock file (jet::findLockFiles): a path whose lock file was listed before
// (same device and inode: a second --scan root over the same tree) is left
// out, but each name of one database (hard or symbolic links) that has a
// lock file of its own is listed. A database without a lock file is listed
// once.
std::vector<DatabaseUsers> listDatabases(const std::vector<std::string>& paths, NameBook* names);

// For each database reached through more than one lock file whose users are
// (or may be) connected, a text saying so: Jet's users coordinate through
// the lock file, so these are groups of users who can't see each other.
std::vector<std::string> splitDatabases(const std::vector<DatabaseUsers>& databases);

// Sets `warning` to `why` and withholds the suspect verdicts that depend on
// whether the user is connected, which can't be seen.
void markUnseen(DatabaseUsers& database, const std::string& why);

}  // namespace jet::who
