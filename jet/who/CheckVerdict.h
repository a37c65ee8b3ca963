#pragma once
// The verdict of `ravelin-who --check` in the monitoring-plugin convention
// (Nagios, Icinga, Zabbix agents): one status line with performance data and
// an exit code, 0 OK, 1 WARNING, 2 CRITICAL, 3 UNKNOWN.
#include "jet/who/Listing.h"

#include <string>

namespace jet::who {

enum CheckStatus : int { CheckOk = 0, CheckWarning = 1, CheckCritical = 2, CheckUnknown = 3 };

// A threshold in the monitoring-plugin range syntax: "10" alerts outside
// 0..10 (above 10), "10:" below 10, "~:10" above 10, "10:20" outside 10..20,
// "@10:20" inside it. Whole numbers only (users are counted).
class ThresholdRange {
public:
    ThresholdRange() = default;
    // Throws std::invalid_argument saying what is wrong with `text`.
    static ThresholdRange parse(const std::string& text);
    bool set() const { return !text_.empty(); }
    bool alerts(long long value) const;
    const std::string& text() const { return text_; }

private:
    std::string text_;
    bool inside_ = false, lowInfinite_ = false, highInfinite_ = false;
    long long low_ = 0, high_ = 0;
};

struct CheckLimits {
    ThresholdRange warnUsers;  // connected users of one database that warn
    ThresholdRange critUsers;  // ... that are critical
};

struct CheckVerdict {
    CheckStatus status = CheckOk;
    std::string line;  // "RAVELIN-WHO OK - ... | users=3;;;0 suspect=0 'users_/srv/a.mdb'=3;;;0;255"
};

// The worst state found wins (CRITICAL > WARNING > UNKNOWN > OK): CRITICAL
// for a suspect user or a database's users in the critical range; WARNING
// for folders skipped by a scan, databases whose connections can't be seen,
// one database in use through several lock files, or users in the warning
// range; UNKNOWN for what the check can't see (a database or --scan folder
// that can't be read, Samba's view asked for and not had, a --require-mount
// folder not mounted, metrics not written). The line gives the counts, then
// every problem, the worst first, cut (at a problem's end, saying how many
// more) so that the whole line stays within 4 KB; the performance data (the
// totals, and users per database when they fit in half of that) is never
// cut. Names are shown as jet/who/Text.h says, and '|' as \x7C: the line
// stays one line of text and data.
CheckVerdict checkVerdict(const Sighting& sighting, const CheckLimits& limits);

// UNKNOWN because of `why` (a usage error, a failure before anything was
// seen), without performance data.
CheckVerdict unknownVerdict(const std::string& why);

}  // namespace jet::who
