#pragma once
// User name resolution: each row of the user list looked up by its computer
// name in the user name database window, whose record then fills the row's
// "User Name", "Contact" and "Email" columns.
class frmMain;

namespace readers {

void ResolveUserNames(frmMain& w);

}  // namespace readers
