#include "jet/who/CheckVerdict.h"

#include "jet/lockfile/LockFile.h"

namespace jet::who {

namespace {
std::string limit(int n) { return n < 0 ? std::string() : std::to_string(n); }
}  // namespace

CheckVerdict checkVerdict(const std::vector<DatabaseUsers>& databases, const CheckLimits& limits) {
    int users = 0, suspect = 0;
    std::string unreadable, suspectOn;
    for (const DatabaseUsers& db : databases) {
        if (!db.error.empty()) {
            unreadable += (unreadable.empty() ? "" : "; ") + db.error;
            continue;
        }
        users += db.connectedCount();
        const int s = db.suspectCount();
        suspect += s;
        if (s > 0)
            suspectOn += (suspectOn.empty() ? " on " : ", ") + db.path;
    }
    const std::string perf = " | users=" + std::to_string(users) + ";" + limit(limits.warnUsers) + ";" +
                             limit(limits.critUsers) + ";0;" + std::to_string(kMaxLockSlots) +
                             " suspect=" + std::to_string(suspect);
    if (!unreadable.empty())
        return {CheckUnknown, "RAVELIN-WHO UNKNOWN - " + unreadable + perf};
    std::string summary = std::to_string(users) + (users == 1 ? " user" : " users") + " connected, " +
                          std::to_string(suspect) + " suspect" + suspectOn;
    if (suspect > 0 || (limits.critUsers >= 0 && users >= limits.critUsers))
        return {CheckCritical, "RAVELIN-WHO CRITICAL - " + summary + perf};
    if (limits.warnUsers >= 0 && users >= limits.warnUsers)
        return {CheckWarning, "RAVELIN-WHO WARNING - " + summary + perf};
    return {CheckOk, "RAVELIN-WHO OK - " + summary + perf};
}

}  // namespace jet::who
