#pragma once
// The verdict of `ravelin-who --check` in the monitoring-plugin convention
// (Nagios, Icinga, Zabbix agents): one status line with performance data and
// an exit code, 0 OK, 1 WARNING, 2 CRITICAL, 3 UNKNOWN.
#include "jet/who/Listing.h"

#include <string>

namespace jet::who {

enum CheckStatus : int { CheckOk = 0, CheckWarning = 1, CheckCritical = 2, CheckUnknown = 3 };

struct CheckLimits {
    int warnUsers = -1;  // connected users at or above which to warn; -1: none
    int critUsers = -1;  // ... to report critical; -1: none
};

struct CheckVerdict {
    CheckStatus status = CheckOk;
    std::string line;  // "RAVELIN-WHO OK - ... | users=3;;;0;255 suspect=0"
};

// Counts over all databases. UNKNOWN when the check can't see what it
// watches (a database or --scan folder that can't be read, Samba's view
// asked for and not had), naming each and why; else CRITICAL for a suspect
// user or the critical limit; else WARNING for folders skipped by a scan,
// databases whose connections can't be seen, or the warning limit. Names in
// the line are shown as jet/who/Text.h says, and '|' (which starts the
// performance data) as \x7C: the line stays one line of text and data.
CheckVerdict checkVerdict(const Sighting& sighting, const CheckLimits& limits);

// UNKNOWN because of `why` (a usage error, a failure before anything was
// seen), without performance data.
CheckVerdict unknownVerdict(const std::string& why);

}  // namespace jet::who
