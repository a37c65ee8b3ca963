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

    int connectedCount() const;
    int suspectCount() const;
};

// Everything one run saw: the databases, the folders scanned for more, and
// whether Samba's view, where it was asked for outright, could be had.
struct Sighting {
    std::vector<DatabaseUsers> databases;
    std::vector<ScanResult> scans;
    std::string sambaMissing;  // why smbstatus could not be asked (--samba on), or empty

    // Whether every database and folder could be read and who is connected seen.
    bool complete() const;
};

// The user name database (table T_Main: ComputerName, Name, Contact, Email),
// opened read-only once and asked per computer name.
class NameBook {
public:
    // Throws jet::Error naming the file when it can't be opened or has no T_Main.
    explicit NameBook(const std::string& path);
    // Fills person, contact and e-mail from the row for the user's computer.
    void fill(User& user);

private:
    std::unique_ptr<Recordset> names_;
};

// The users of one database; a database that can't be read gives `error`
// naming the file and the reason, never an exception: a missing path, one
// that is not a regular file or not a Jet or ACE database (told by its
// header, whether or not a lock file is beside it). Never blocks on a FIFO
// or device. `names` may be null.
DatabaseUsers listUsers(const std::string& databasePath, NameBook* names);

// The users of each database in `paths`, in order, each file once: a path
// that leads to a file listed before (same device and inode: a link, a
// second --scan root over the same tree) is left out.
std::vector<DatabaseUsers> listDatabases(const std::vector<std::string>& paths, NameBook* names);

// Sets `warning` to `why` and withholds the suspect verdicts that depend on
// whether the user is connected, which can't be seen.
void markUnseen(DatabaseUsers& database, const std::string& why);

}  // namespace jet::who
