#pragma once
// The roster schema reader: the Jet user roster of a database, read through a
// roster connection logged on with the given account and workgroup file,
// makes the rows of the user list.
#include "jet/roster/RosterConnection.h"
#include "readers/UserRows.h"

#include <QString>

#include <functional>

namespace readers {

struct RosterRequest {
    QString databasePath;
    QString workgroup;  // the workgroup information file
    QString userName;
    QString password;
};

// Reads the roster of `request.databasePath`; rows are (computer, security,
// connected, suspect). Failures come back in the rows.
UserRows readRosterUsers(const RosterRequest& request);

// Where a run's roster comes from. Tests may put another in place of the
// roster connection; empty: the real one.
using RosterSource = std::function<jet::RosterRecords()>;
void setRosterSource(RosterSource source);

// A field value as the roster reader shows it: empty for Null, text as it
// is, a Boolean as True or False.
QString fieldText(const jet::Value& value);

}  // namespace readers
