#include "jet/who/WatchDiff.h"

#include <map>

namespace jet::who {

namespace {

// Connected or suspect users by slot; a slot reused by another computer
// counts as another user.
std::map<std::pair<int, std::string>, const User*> present(const DatabaseUsers* db) {
    std::map<std::pair<int, std::string>, const User*> users;
    if (db)
        for (const User& u : db->users)
            if (u.connected || u.suspect)
                users[{u.slot, u.computer}] = &u;
    return users;
}

std::string who(const User& u) {
    std::string s = u.computer;
    if (!u.security.empty())
        s += " (" + u.security + ")";
    if (!u.person.empty())
        s += " " + u.person;
    return s + ", slot " + std::to_string(u.slot);
}

}  // namespace

std::vector<std::string> watchChanges(const std::vector<DatabaseUsers>& before,
                                      const std::vector<DatabaseUsers>& after) {
    std::map<std::string, const DatabaseUsers*> old;
    for (const DatabaseUsers& db : before)
        old[db.path] = &db;
    std::vector<std::string> lines;
    for (const DatabaseUsers& db : after) {
        const auto it = old.find(db.path);
        const DatabaseUsers* prev = it == old.end() ? nullptr : it->second;
        if (!db.error.empty()) {
            if (!prev || prev->error != db.error)
                lines.push_back(db.path + ": cannot be read: " + db.error);
            continue;
        }
        if (prev && !prev->error.empty())
            lines.push_back(db.path + ": can be read again");
        const auto was = present(prev && prev->error.empty() ? prev : nullptr);
        const auto now = present(&db);
        for (const auto& [key, u] : now) {
            const auto w = was.find(key);
            if (w == was.end())
                lines.push_back(db.path + ": " + who(*u) + (u->suspect ? " left the database suspect" : " arrived"));
            else if (u->suspect && !w->second->suspect)
                lines.push_back(db.path + ": " + who(*u) + " turned suspect");
        }
        for (const auto& [key, u] : was)
            if (!now.contains(key))
                lines.push_back(db.path + ": " + who(*u) + " left");
    }
    return lines;
}

}  // namespace jet::who
