// The main settings file settings.set: 14 positional lines carrying the main
// window's geometry and options and the settings window's values.
#include "base/Numbers.h"
#include "base/ProgramFolder.h"
#include "base/Strings.h"
#include "base/TextFile.h"
#include "base/Twips.h"
#include "app/MainWindow.h"
#include "settings/SettingsWindow.h"

#include <QCheckBox>
#include <QFileInfo>
#include <QGuiApplication>
#include <QLineEdit>
#include <QListWidget>
#include <QRadioButton>
#include <QScreen>

#include <cmath>
#include <functional>

namespace {

QString settingsFile() { return programFile(QStringLiteral("settings.set")); }

// The largest position or size, in pixels, that a window system can give a
// window (X11 coordinates are 16-bit): a settings line beyond it can't be applied.
constexpr int kMaxWindowPixels = 32767;

QString twipsText(double twips) { return QString::number(std::llround(twips)); }

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
    SettingsWindow* s = settings();
    const QStringList texts{
        twipsText(pixelsToTwipsX(this, x())),
        twipsText(pixelsToTwipsY(this, y())),
        twipsText(pixelsToTwipsX(this, width())),
        twipsText(pixelsToTwipsY(this, height())),
        twipsText(panelHeightTwips(userPanel)),
        twipsText(panelHeightTwips(databasePanel)),
        s->workgroupEdit->text(),
        trimBlanks(userNameEdit->text()),
        trimBlanks(passwordEdit->text()),
        readModeChoice[0]->isChecked() ? QStringLiteral("0") : QStringLiteral("1"),
        trimBlanks(s->intervalEdit->text()),
        s->monitorAtStartCheck->isChecked() ? QStringLiteral("1") : QStringLiteral("0"),
        s->doubleClickChoice[0]->isChecked() ? QStringLiteral("0") : QStringLiteral("1"),
        trimBlanks(s->userDatabaseEdit->text()),
    };
    // A line that holds what was read from it is written back as it was.
    QList<QByteArray> lines;
    for (qsizetype i = 0; i < texts.size(); ++i)
        lines << encodeLine(texts[i], settingsRead_.value(i));
    // The file holds the Jet password: only its owner may read it, whatever
    // mode the file had.
    if (writeLinesReplacing(settingsFile(), lines, 0600, FileMode::Always))
        settingsUnread_ = false;
}

void MainWindow::loadSettings() {
    SettingsWindow* s = settings();
    using Step = std::function<bool(const QString& line)>;
    // A step that needs its line to be a position or size, in twips, that a
    // window system can apply: `least` to kMaxWindowPixels pixels.
    auto geometry = [this](bool across, double least, std::function<void(double)> set) -> Step {
        return [=, this](const QString& line) {
            const auto v = parseNumber(line);
            if (!v)
                return false;
            const double pixels = std::round(*v * (across ? logicalDpiX() : logicalDpiY()) / 1440.0);
            if (!(pixels >= least && pixels <= kMaxWindowPixels) || (least >= 0 && *v < 0))
                return false;
            set(*v);
            return true;
        };
    };
    const Step steps[] = {
        geometry(true, -kMaxWindowPixels, [this](double v) { move(twipsToPixelsX(this, v), y()); }),
        geometry(false, -kMaxWindowPixels, [this](double v) { move(x(), twipsToPixelsY(this, v)); }),
        geometry(true, 1, [this](double v) { resize(twipsToPixelsX(this, v), height()); }),
        geometry(false, 1, [this](double v) {
            resize(width(), twipsToPixelsY(this, v));
            keepOnScreen(this);
        }),
        geometry(false, 0, [this](double v) { setPanelHeightTwips(userPanel, v); }),
        geometry(false, 0, [this](double v) { setPanelHeightTwips(databasePanel, v); }),
        [s](const QString& line) { s->workgroupEdit->setText(line); return true; },
        [this](const QString& line) { userNameEdit->setText(line); return true; },
        [this](const QString& line) { passwordEdit->setText(line); return true; },
        [this](const QString& line) {
            if (line == QStringLiteral("0")) {
                readModeChoice[0]->setChecked(true);
                enableRosterOptions();
            } else {
                readModeChoice[1]->setChecked(true);
                enableLockFileOptions();
            }
            return true;
        },
        [this, s](const QString& line) {
            // The text and the caption are set before the interval is tried.
            s->intervalEdit->setText(line);
            setMonitorCaption(line);
            const auto ms = parseNumber(line);
            return ms && *ms > -0.5 && *ms < kMaxMonitorInterval + 0.5 &&
                   setRefreshInterval(static_cast<int>(roundToWhole(*ms)));
        },
        [this, s](const QString& line) {
            const bool on = line == QStringLiteral("1");
            s->monitorAtStartCheck->setChecked(on);
            if (on) {
                autoMonitorCheck->setChecked(true);
                if (databaseList->count() > 0)
                    selectDatabaseIndex(0);
            }
            return true;
        },
        [s](const QString& line) {
            s->doubleClickChoice[line == QStringLiteral("0") ? 0 : 1]->setChecked(true);
            return true;
        },
        [s](const QString& line) { s->userDatabaseEdit->setText(line); return true; },
    };

    // Each step takes the next line; the first line that is missing or can't
    // be applied ends the reading, and what the earlier ones set stays.
    // A file that is there but can't be opened, or holds a line that can't
    // be applied, is kept aside before shut-down replaces it.
    LineReader in(settingsFile());
    settingsUnread_ = !in.isOpen() && QFileInfo::exists(settingsFile());
    settingsRead_.clear();
    for (const Step& step : steps) {
        const auto line = in.nextBytes();
        if (!line)
            return;
        settingsRead_ << *line;
        if (!step(decodeLine(*line))) {
            settingsUnread_ = true;
            return;
        }
    }
}
