#pragma once
// The user name database window: loaded hidden with the main window, shown
// modeless by "&User Database", and unloaded with the main window. It keeps
// its placement in usernames.set in the program's folder.
#include <QWidget>

class frmData : public QWidget {
    Q_OBJECT
public:
    // Loads the window (hidden) and reads its placement.
    explicit frmData(QWidget* owner);

    // The file the window's data control opens.
    QString Data1DatabaseName;

    // Reads usernames.set and places the window; quietly keeps what could
    // not be read.
    void OpenSettings();
    // Writes usernames.set from the window's placement; quietly gives up on
    // failure.
    void SavSettings();
    // Unloads the window: writes its placement and closes it.
    void unload();

private:
    // usernames.set was there but could not be read: kept aside before it
    // is replaced.
    bool placementUnread_ = false;
};
