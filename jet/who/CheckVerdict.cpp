#include "jet/who/CheckVerdict.h"

#include "jet/lockfile/LockFile.h"
#include "jet/who/Text.h"

#include <algorithm>
#include <cerrno>
#include <cstdlib>
#include <stdexcept>
#include <vector>

namespace jet::who {

namespace {

constexpr std::size_t kLineLimit = 4096;
constexpr std::size_t kPerDatabasePerfLimit = kLineLimit / 2;

// Text for the status line: shown as everywhere, and no '|'.
std::string lineText(const std::string& raw) {
    std::string s;
    for (char c : printable(raw))
        s += c == '|' ? std::string("\\x7C") : std::string(1, c);
    return s;
}

// A performance-data label: no '=' and no single quote inside the quotes.
std::string perfLabel(const std::string& raw) {
    std::string s;
    for (char c : lineText(raw))
        s += c == '=' ? std::string("\\x3D") : c == '\'' ? std::string("\\x27") : std::string(1, c);
    return "'" + s + "'";
}

std::string plural(std::size_t n, const char* one, const char* many) {
    return std::to_string(n) + " " + (n == 1 ? one : many);
}

long long wholeNumber(const std::string& text, const std::string& range) {
    char* end = nullptr;
    errno = 0;
    const long long n = std::strtoll(text.c_str(), &end, 10);
    if (text.empty() || *end != '\0' || errno != 0)
        throw std::invalid_argument("'" + range + "' is not a range (10, 10:, ~:10, 10:20, @10:20)");
    return n;
}

// Severity order: OK < UNKNOWN < WARNING < CRITICAL.
int rank(CheckStatus s) { return s == CheckCritical ? 3 : s == CheckWarning ? 2 : s == CheckUnknown ? 1 : 0; }

const char* nameOf(CheckStatus s) {
    return s == CheckCritical ? "CRITICAL" : s == CheckWarning ? "WARNING" : s == CheckUnknown ? "UNKNOWN" : "OK";
}

struct Problem {
    CheckStatus status;
    std::string text;
};

// `text` cut to at most `limit` bytes, at the start of a UTF-8 sequence.
std::string cutUtf8(const std::string& text, std::size_t limit) {
    if (text.size() <= limit)
        return text;
    std::size_t n = limit;
    while (n > 0 && (static_cast<unsigned char>(text[n]) & 0xC0) == 0x80)
        --n;
    return text.substr(0, n);
}

}  // namespace

ThresholdRange ThresholdRange::parse(const std::string& text) {
    ThresholdRange r;
    r.text_ = text;
    std::string body = text;
    if (body.starts_with("@")) {
        r.inside_ = true;
        body = body.substr(1);
    }
    const auto colon = body.find(':');
    if (colon == std::string::npos) {
        r.high_ = wholeNumber(body, text);
    } else {
        const std::string low = body.substr(0, colon), high = body.substr(colon + 1);
        r.lowInfinite_ = low == "~";
        if (!r.lowInfinite_ && !low.empty())
            r.low_ = wholeNumber(low, text);
        r.highInfinite_ = high.empty();
        if (!r.highInfinite_)
            r.high_ = wholeNumber(high, text);
    }
    if (!r.lowInfinite_ && !r.highInfinite_ && r.low_ > r.high_)
        throw std::invalid_argument("'" + text + "': the range's start is above its end");
    return r;
}

bool ThresholdRange::alerts(long long value) const {
    if (!set())
        return false;
    const bool within = (lowInfinite_ || value >= low_) && (highInfinite_ || value <= high_);
    return inside_ ? within : !within;
}

CheckVerdict checkVerdict(const Sighting& sighting, const CheckLimits& limits) {
    std::vector<Problem> problems;
    const auto add = [&](CheckStatus s, const std::string& text) { problems.push_back({s, lineText(text)}); };
    int users = 0, suspect = 0;
    std::string suspectOn;
    std::size_t skipped = 0;
    for (const std::string& folder : sighting.unmounted)
        add(CheckUnknown, folder + " is not mounted");
    for (const ScanResult& scan : sighting.scans) {
        if (!scan.rootError.empty())
            add(CheckUnknown, "cannot scan " + scan.rootError);
        skipped += scan.unreadable.size();
    }
    if (!sighting.sambaMissing.empty())
        add(CheckUnknown, "no Samba view: " + sighting.sambaMissing);
    if (!sighting.metricsError.empty())
        add(CheckUnknown, "metrics not written: " + sighting.metricsError);
    if (skipped > 0)
        add(CheckWarning, plural(skipped, "folder", "folders") + " could not be read");
    for (const std::string& split : splitDatabases(sighting.databases))
        add(CheckWarning, split);
    std::string perDatabase;
    for (const DatabaseUsers& db : sighting.databases) {
        if (!db.error.empty()) {
            add(CheckUnknown, db.error);
            continue;
        }
        if (!db.warning.empty())
            add(CheckWarning, db.path + ": " + db.warning);
        const int connected = db.connectedCount();
        users += connected;
        const int s = db.suspectCount();
        suspect += s;
        if (s > 0)
            suspectOn += (suspectOn.empty() ? " on " : ", ") + lineText(db.path);
        if (limits.critUsers.alerts(connected))
            add(CheckCritical, db.path + ": " + plural(static_cast<std::size_t>(connected), "user", "users") +
                                   " connected (critical range " + limits.critUsers.text() + ")");
        else if (limits.warnUsers.alerts(connected))
            add(CheckWarning, db.path + ": " + plural(static_cast<std::size_t>(connected), "user", "users") +
                                  " connected (warning range " + limits.warnUsers.text() + ")");
        const bool exact = db.lockFile.empty() || db.lockFile == lockFilePathFor(db.path);
        perDatabase += " " + perfLabel("users_" + db.path + (exact ? "" : " via " + db.lockFile)) + "=" +
                       std::to_string(connected) + ";" + limits.warnUsers.text() + ";" + limits.critUsers.text() +
                       ";0;" + std::to_string(kMaxLockSlots);
    }
    std::string perf = " | users=" + std::to_string(users) + ";;;0 suspect=" + std::to_string(suspect);
    if (perDatabase.size() <= kPerDatabasePerfLimit)
        perf += perDatabase;

    CheckStatus status = suspect > 0 ? CheckCritical : CheckOk;
    for (const Problem& p : problems)
        if (rank(p.status) > rank(status))
            status = p.status;
    std::ranges::stable_sort(problems, [](const Problem& a, const Problem& b) { return rank(a.status) > rank(b.status); });

    const std::string head = std::string("RAVELIN-WHO ") + nameOf(status) + " - ";
    const std::size_t room = kLineLimit - std::min(kLineLimit, head.size() + perf.size());
    std::string text = cutUtf8(plural(static_cast<std::size_t>(users), "user", "users") + " connected, " +
                                   std::to_string(suspect) + " suspect" + suspectOn,
                               room);
    for (std::size_t i = 0; i < problems.size(); ++i) {
        const std::string more = "; and " + std::to_string(problems.size() - i) + " more";
        const std::string next = "; " + problems[i].text;
        const bool last = i + 1 == problems.size();
        if (text.size() + next.size() + (last ? 0 : more.size()) > room) {
            if (text.size() + more.size() <= room)
                text += more;
            break;
        }
        text += next;
    }
    return {status, head + text + perf};
}

CheckVerdict unknownVerdict(const std::string& why) { return {CheckUnknown, "RAVELIN-WHO UNKNOWN - " + lineText(why)}; }

}  // namespace jet::who
