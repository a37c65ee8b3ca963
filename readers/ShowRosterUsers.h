#pragma once
// The roster schema reader: fills the user list from the Jet user roster.
class frmMain;

namespace readers {
void ShowRosterUsers(frmMain& w);
}
