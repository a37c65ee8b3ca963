#pragma once
// The program's one open-file chooser.
#include <QString>

class QWidget;

// Shows the open-file dialog over `owner` and returns the chosen full path,
// or empty text when the user cancels. `filter` holds description and
// pattern pairs separated by "|"; `initialDir` empty lets the dialog choose.
QString chooseOpenFile(QWidget* owner, const QString& filter, const QString& title,
                       const QString& initialDir);
