#pragma once
// The users of Jet databases as the ravelin-who tool lists them: each lock
// file slot that holds a computer name, with its state, the person the user
// name database names for that computer, and (when asked for) what Samba's
// own lock table says about the SMB session holding the slot.
#include "jet/Database.h"
#include "jet/Recordset.h"

#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace jet::who {

// The SMB session that holds a slot's user lock, as smbstatus reports it.
struct SmbSession {
    std::string account;  // the user the session logged on as
    std::string machine;  // the client's machine name
    std::string address;  // the client's IP address
};

struct User {
    int slot = 0;
    std::string computer;
    std::string security;
    bool connected = false;
    bool suspect = false;
    std::string person, contact, email;  // empty when the name database has none
    std::optional<SmbSession> smb;
};

struct DatabaseUsers {
    std::string path;
    std::string error;  // why the database or its lock file could not be read
    std::vector<User> users;

    int connectedCount() const;
    int suspectCount() const;
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
// naming the file and the reason, never an exception. `names` may be null.
DatabaseUsers listUsers(const std::string& databasePath, NameBook* names);

}  // namespace jet::who
