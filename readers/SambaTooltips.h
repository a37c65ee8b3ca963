#pragma once
// Where this computer's Samba serves a database, each listed user's row tells
// in its tooltip who holds the slot through SMB: the account that logged on
// (where the Jet security name is mostly "Admin"), the client machine and its
// address, from Samba's own lock table. The list's columns stay as they are.
#include <QString>

class frmMain;

namespace readers {

// Sets the tooltips of the user list's rows for the database at
// `databasePath`. Never fails: without Samba, or where smbstatus may not be
// run, the rows keep no tooltip. $RAVELIN_SMB_CONF names the Samba
// configuration smbstatus reads, when it is not the system's.
void addSambaTooltips(frmMain& w, const QString& databasePath);

}  // namespace readers
