// The main settings file settings.set: 14 positional lines carrying the main
// window's geometry and options and the settings window's values.
#include "app/IntervalTimer.h"
#include "app/Numbers.h"
#include "app/ProgramFolder.h"
#include "app/Strings.h"
#include "app/TextFile.h"
#include "app/Twips.h"
#include "app/frmMain.h"
#include "settings/frmSettings.h"

#include <QCheckBox>
#include <QGuiApplication>
#include <QLineEdit>
#include <QListWidget>
#include <QRadioButton>
#include <QScreen>

#include <cmath>
#include <functional>

namespace {

QString settingsFile() { return programFile(QStringLiteral("settings.set")); }

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

void frmMain::SavSettings() {
    enterProgramFolder();
    if (isMinimized())
        showNormal();
    frmSettings* s = settings();
    const QStringList lines{
        twipsText(pixelsToTwipsX(this, x())),
        twipsText(pixelsToTwipsY(this, y())),
        twipsText(pixelsToTwipsX(this, width())),
        twipsText(pixelsToTwipsY(this, height())),
        twipsText(panelHeightTwips(pRtTop)),
        twipsText(panelHeightTwips(pLeft)),
        s->txtWorkgroup->text(),
        trimBlanks(txtUserName->text()),
        trimBlanks(txtPassword->text()),
        optMode[0]->isChecked() ? QStringLiteral("0") : QStringLiteral("1"),
        trimBlanks(s->txtTSpeed->text()),
        s->chkAutoMon->isChecked() ? QStringLiteral("1") : QStringLiteral("0"),
        s->optDBClk[0]->isChecked() ? QStringLiteral("0") : QStringLiteral("1"),
        trimBlanks(s->txtDB->text()),
    };
    // The file holds the Jet password: only its owner may read it.
    writeLinesReplacing(settingsFile(), lines, 0600);
}

void frmMain::OpenSettings() {
    frmSettings* s = settings();
    using Step = std::function<bool(const QString& line)>;
    // A step that needs its line to be a number.
    auto numeric = [](std::function<void(double)> set) -> Step {
        return [set](const QString& line) {
            const auto v = parseNumber(line);
            if (v)
                set(*v);
            return v.has_value();
        };
    };
    const Step steps[] = {
        numeric([this](double v) { move(twipsToPixelsX(this, v), y()); }),
        numeric([this](double v) { move(x(), twipsToPixelsY(this, v)); }),
        numeric([this](double v) { resize(twipsToPixelsX(this, v), height()); }),
        numeric([this](double v) {
            resize(width(), twipsToPixelsY(this, v));
            keepOnScreen(this);
        }),
        numeric([this](double v) { setPanelHeightTwips(pRtTop, v); }),
        numeric([this](double v) { setPanelHeightTwips(pLeft, v); }),
        [s](const QString& line) { s->txtWorkgroup->setText(line); return true; },
        [this](const QString& line) { txtUserName->setText(line); return true; },
        [this](const QString& line) { txtPassword->setText(line); return true; },
        [this](const QString& line) {
            if (line == QStringLiteral("0")) {
                optMode[0]->setChecked(true);
                EnDisRoster();
            } else {
                optMode[1]->setChecked(true);
                EnDisMSDLL();
            }
            return true;
        },
        [this, s](const QString& line) {
            // The text and the caption are set before the interval is tried.
            s->txtTSpeed->setText(line);
            setMonitorCaption(line);
            const auto ms = parseNumber(line);
            return ms && *ms > -0.5 && *ms < IntervalTimer::kMaxInterval + 0.5 &&
                   Timer1->setInterval(static_cast<int>(roundToWhole(*ms)));
        },
        [this, s](const QString& line) {
            const bool on = line == QStringLiteral("1");
            s->chkAutoMon->setChecked(on);
            if (on) {
                chkAutoMonitor->setChecked(true);
                if (List1->count() > 0)
                    setList1Index(0);
            }
            return true;
        },
        [s](const QString& line) {
            s->optDBClk[line == QStringLiteral("0") ? 0 : 1]->setChecked(true);
            return true;
        },
        [s](const QString& line) { s->txtDB->setText(line); return true; },
    };

    // Each step takes the next line; the first line that is missing or can't
    // be applied ends the reading, and what the earlier ones set stays.
    LineReader in(settingsFile());
    for (const Step& step : steps) {
        const auto line = in.next();
        if (!line || !step(*line))
            return;
    }
}
