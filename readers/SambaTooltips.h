#pragma once
// Where this computer's Samba serves a database, each listed user's row tells
// in its tooltip who holds the slot through SMB: the account that logged on
// (where the Jet security name is mostly "Admin"), the client machine and its
// address, from Samba's own lock table. The list's columns stay as they are.
#include "jet/who/Listing.h"

#include <QString>
#include <QStringList>

namespace readers {

// The tooltips of the user list's rows, one for each of `computers` (the
// rows' computer names, in order), for the database at `databasePath`;
// empty where a row has none. Never fails: without Samba, or where smbstatus
// may not be run, every tooltip is empty. $RAVELIN_SMB_CONF names the Samba
// configuration smbstatus reads, when it is not the system's.
QStringList sambaTooltips(const QString& databasePath, const QStringList& computers);

// The tooltip of a row whose slot `smb` holds. Where the slot may be held by
// any of several accounts (one client machine, one smbd, several sessions),
// it names them all as ambiguous rather than guess.
QString sambaTooltip(const jet::who::SmbSession& smb);

}  // namespace readers
