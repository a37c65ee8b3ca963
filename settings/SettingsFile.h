#pragma once
// The main settings file settings.set: 14 positional lines, in order the
// placement (6 lines), workgroup path, user name, password, read mode,
// interval, start-up flag, double-click action, user name database path.
#include "settings/Settings.h"

#include <QByteArray>
#include <QList>

struct SettingsFileRead {
    // `defaults` with what each applied line set.
    Settings settings;
    // How many lines, from the first, were applied. The first line that is
    // missing or can't be applied ends the reading; the interval's text is
    // taken even when its line ends it.
    int applied = 0;
    // The file is there but can't be opened, or holds a line that can't be
    // applied: it is to be kept aside before it is replaced.
    bool keepAside = false;
    // The lines as read, so that unchanged ones are written back byte for byte.
    QList<QByteArray> lines;
};

// Reads `path` over `defaults`. Placement lines must be twips that a window
// system can apply at `dpiX` by `dpiY` dots per inch.
SettingsFileRead readSettingsFile(const QString& path, const Settings& defaults, double dpiX, double dpiY);

// Writes `settings` to `path`, readable by its owner only; a line that holds
// what `read` held for it is written back as those bytes. False when the old
// file stays.
bool writeSettingsFile(const QString& path, const Settings& settings, const QList<QByteArray>& read);
