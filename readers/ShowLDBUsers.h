#pragma once
// The lock-file library reader: fills the user list from the lock-file
// library's computer names and the lock file's name pairs.
class frmMain;

namespace readers {
void ShowLDBUsers(frmMain& w);
}
