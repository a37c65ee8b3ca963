#pragma once
// Finds a database's lock file as Samba finds a file for its clients: names
// on a share match without regard to letter case, so the lock file takes the
// case of the path its first user opened (ORDERS.ldb beside Orders.mdb).
#include <string>
#include <vector>

namespace jet {

// The lock files of the database at `databasePath`: lockFilePathFor's name
// when a file (of any kind) has it; else every name in the database's folder
// that equals it without regard to case (jet::equalsIgnoreCase), sorted;
// none when there is none or the folder can't be read. Two or more mean
// clients that opened the database by differently cased names.
std::vector<std::string> findLockFiles(const std::string& databasePath);

// The lock file a client of `databasePath` uses: the first of findLockFiles,
// or lockFilePathFor's name (where a first client creates it) when none.
std::string lockFileFor(const std::string& databasePath);

}  // namespace jet
