#pragma once
// The roster schema reader: fills the user list from the Jet user roster,
// through a roster connection opened as the account given in the main window
// and the workgroup file given in the settings window.
#include "jet/roster/RosterConnection.h"

#include <QString>

#include <functional>

class frmMain;

namespace readers {

void ShowRosterUsers(frmMain& w);

// Where a run's roster comes from. Tests may put another in place of the
// roster connection; empty: the real one.
using RosterSource = std::function<jet::RosterRecords()>;
void setRosterSource(RosterSource source);

// A field value as the roster reader shows it: empty for Null, text as it
// is, a Boolean as True or False.
QString FieldText(const jet::Value& value);

}  // namespace readers
