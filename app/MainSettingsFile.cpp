// The main window's side of settings.set: its placement and options go into
// the settings value, which the file holds, and come back from it.
#include "app/MainWindow.h"
#include "base/DatabasePathModel.h"
#include "base/Numbers.h"
#include "base/ProgramFolder.h"
#include "base/TextFile.h"
#include "base/Twips.h"
#include "settings/SettingsFile.h"

#include <QCheckBox>
#include <QGuiApplication>
#include <QLineEdit>
#include <QRadioButton>
#include <QScreen>

namespace {

QString settingsFile() { return programFile(QStringLiteral("settings.set")); }

// Moves a window that a file placed entirely off every screen (written on a
// machine with other monitors) back onto the primary screen.
void keepOnScreen(QWidget* w) {
    const QRect frame = w->frameGeometry();
    for (const QScreen* s : QGuiApplication::screens())
        if (s->availableGeometry().intersects(frame))
            return;
    if (const QScreen* primary = QGuiApplication::primaryScreen())
        w->move(primary->availableGeometry().topLeft());
}

}  // namespace

void MainWindow::saveSettings() {
    enterProgramFolder();
    if (isMinimized())
        showNormal();
    if (settingsUnread_ && !keepUnreadableAside(settingsFile()))
        return;
    Settings s = settingsStore_->value();
    s.placement = {pixelsToTwipsX(this, x()),          pixelsToTwipsY(this, y()),
                   pixelsToTwipsX(this, width()),      pixelsToTwipsY(this, height()),
                   panelHeightTwips(userPanel),        panelHeightTwips(databasePanel)};
    s.userName = userNameEdit->text();
    s.password = passwordEdit->text();
    s.readsLockFile = !readModeChoice[0]->isChecked();
    settingsStore_->setValue(s);
    if (writeSettingsFile(settingsFile(), s, settingsRead_))
        settingsUnread_ = false;
}

void MainWindow::loadSettings() {
    const SettingsFileRead read = readSettingsFile(settingsFile(), settingsStore_->value(), logicalDpiX(), logicalDpiY());
    settingsUnread_ = read.keepAside;
    settingsRead_ = read.lines;
    const Settings& s = read.settings;
    const auto& p = s.placement;
    if (read.applied > 0)
        move(twipsToPixelsX(this, p[0]), y());
    if (read.applied > 1)
        move(x(), twipsToPixelsY(this, p[1]));
    if (read.applied > 2)
        resize(twipsToPixelsX(this, p[2]), height());
    if (read.applied > 3) {
        resize(width(), twipsToPixelsY(this, p[3]));
        keepOnScreen(this);
    }
    if (read.applied > 4)
        setPanelHeightTwips(userPanel, p[4]);
    if (read.applied > 5)
        setPanelHeightTwips(databasePanel, p[5]);
    if (read.applied > 7)
        userNameEdit->setText(s.userName);
    if (read.applied > 8)
        passwordEdit->setText(s.password);
    if (read.applied > 9) {
        if (s.readsLockFile) {
            readModeChoice[1]->setChecked(true);
            enableLockFileOptions();
        } else {
            readModeChoice[0]->setChecked(true);
            enableRosterOptions();
        }
    }
    // The user name database path is read after the start-up flag, which may
    // already show the first database's users.
    Settings early = s;
    early.userDatabasePath = settingsStore_->value().userDatabasePath;
    settingsStore_->setValue(early);
    // The caption shows the interval's text even when the timer refuses it.
    if (read.lines.size() > 10)
        setMonitorCaption(s.intervalText);
    if (read.applied > 10)
        setRefreshInterval(static_cast<int>(roundToWhole(*parseNumber(s.intervalText))));
    if (read.applied > 11 && s.monitorAtStart) {
        autoMonitorCheck->setChecked(true);
        if (databasePaths_->rowCount() > 0)
            selectDatabaseIndex(0);
    }
    settingsStore_->setValue(s);
}
