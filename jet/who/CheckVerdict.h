#pragma once
// The verdict of `ravelin-who --check` in the monitoring-plugin convention
// (Nagios, Icinga, Zabbix agents): one status line with performance data and
// an exit code, 0 OK, 1 WARNING, 2 CRITICAL, 3 UNKNOWN.
#include "jet/who/Listing.h"

#include <string>
#include <vector>

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

// Counts over all `databases`. A database that can't be read makes the verdict
// UNKNOWN (naming it and why); else a suspect user or the critical limit makes
// it CRITICAL, the warning limit WARNING.
CheckVerdict checkVerdict(const std::vector<DatabaseUsers>& databases, const CheckLimits& limits);

}  // namespace jet::who
