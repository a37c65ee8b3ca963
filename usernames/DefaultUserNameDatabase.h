#pragma once
// The user name database an installer places in the program's folder. At
// start-up, when the settings name that default path and no file is there,
// the program writes a new, empty one, so that a first start finds the file
// it expects. A path the user chose is never created.
#include <QString>

// Creates compnamedb.mdb in the program's folder when `configuredPath` is
// that default path and nothing is there; returns whether it did. A failure
// (read-only folder, full disk) creates nothing and is left to the loading of
// the user name window to report, as for any missing file.
bool createDefaultUserNameDatabase(const QString& configuredPath);
