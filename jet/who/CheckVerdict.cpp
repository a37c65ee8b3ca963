#include "jet/who/CheckVerdict.h"

#include "jet/lockfile/LockFile.h"
#include "jet/who/Text.h"

namespace jet::who {

namespace {

std::string limit(int n) { return n < 0 ? std::string() : std::to_string(n); }

// Text for the status line: shown as everywhere, and no '|'.
std::string lineText(const std::string& raw) {
    std::string s;
    for (char c : printable(raw))
        s += c == '|' ? std::string("\\x7C") : std::string(1, c);
    return s;
}

void addTo(std::string& list, const std::string& item) { list += (list.empty() ? "" : "; ") + lineText(item); }

std::string plural(std::size_t n, const char* one, const char* many) {
    return std::to_string(n) + " " + (n == 1 ? one : many);
}

}  // namespace

CheckVerdict checkVerdict(const Sighting& sighting, const CheckLimits& limits) {
    int users = 0, suspect = 0;
    std::string unknown, warnings, suspectOn;
    std::size_t skipped = 0;
    for (const ScanResult& scan : sighting.scans) {
        if (!scan.rootError.empty())
            addTo(unknown, "cannot scan " + scan.rootError);
        skipped += scan.unreadable.size();
    }
    if (!sighting.sambaMissing.empty())
        addTo(unknown, "no Samba view: " + sighting.sambaMissing);
    if (skipped > 0)
        addTo(warnings, plural(skipped, "folder", "folders") + " could not be read");
    for (const DatabaseUsers& db : sighting.databases) {
        if (!db.error.empty()) {
            addTo(unknown, db.error);
            continue;
        }
        if (!db.warning.empty())
            addTo(warnings, db.path + ": " + db.warning);
        users += db.connectedCount();
        const int s = db.suspectCount();
        suspect += s;
        if (s > 0)
            suspectOn += (suspectOn.empty() ? " on " : ", ") + lineText(db.path);
    }
    const std::string perf = " | users=" + std::to_string(users) + ";" + limit(limits.warnUsers) + ";" +
                             limit(limits.critUsers) + ";0;" + std::to_string(kMaxLockSlots) +
                             " suspect=" + std::to_string(suspect);
    if (!unknown.empty())
        return {CheckUnknown, "RAVELIN-WHO UNKNOWN - " + unknown + perf};
    std::string summary = plural(static_cast<std::size_t>(users), "user", "users") + " connected, " +
                          std::to_string(suspect) + " suspect" + suspectOn;
    if (!warnings.empty())
        summary += "; " + warnings;
    if (suspect > 0 || (limits.critUsers >= 0 && users >= limits.critUsers))
        return {CheckCritical, "RAVELIN-WHO CRITICAL - " + summary + perf};
    if (!warnings.empty() || (limits.warnUsers >= 0 && users >= limits.warnUsers))
        return {CheckWarning, "RAVELIN-WHO WARNING - " + summary + perf};
    return {CheckOk, "RAVELIN-WHO OK - " + summary + perf};
}

CheckVerdict unknownVerdict(const std::string& why) { return {CheckUnknown, "RAVELIN-WHO UNKNOWN - " + lineText(why)}; }

}  // namespace jet::who
