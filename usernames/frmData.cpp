#include "usernames/frmData.h"

#include "app/Numbers.h"
#include "app/ProgramFolder.h"
#include "app/TextFile.h"
#include "app/Twips.h"

#include <QFileInfo>
#include <QLocale>

#include <cmath>

namespace {

QString placementFile() { return programFile(QStringLiteral("usernames.set")); }

// A placement value as plain decimal text: whole values without a decimal
// part, others with the locale's decimal separator.
QString placementText(double twips) {
    if (twips == std::floor(twips))
        return QString::number(static_cast<long long>(twips));
    return QLocale::system().toString(twips, 'g', 7);
}

}  // namespace

frmData::frmData(QWidget* owner) : QWidget(owner, Qt::Tool | Qt::CustomizeWindowHint | Qt::WindowTitleHint) {
    setObjectName(QStringLiteral("frmData"));
    setWindowTitle(QStringLiteral(" User Database"));
    resize(twipsToPixelsX(this, 4305), twipsToPixelsY(this, 5250));
    OpenSettings();
}

void frmData::OpenSettings() {
    LineReader in(placementFile());
    placementUnread_ = !in.isOpen() && QFileInfo::exists(placementFile());
    double values[4] = {};
    for (int i = 0; i < 4; ++i) {
        const auto line = in.next();
        const auto v = line ? parseNumber(*line) : std::nullopt;
        if (!v) {
            placementUnread_ = placementUnread_ || line.has_value();
            return;
        }
        values[i] = *v;
        switch (i) {
        case 0: move(twipsToPixelsX(this, values[0]), y()); break;
        case 1: move(x(), twipsToPixelsY(this, values[1])); break;
        case 2: resize(twipsToPixelsX(this, values[2]), height()); break;
        case 3: resize(width(), twipsToPixelsY(this, values[3])); break;
        }
    }
}

void frmData::SavSettings() {
    enterProgramFolder();
    if (placementUnread_ && !keepUnreadableAside(placementFile()))
        return;
    if (writeLinesReplacing(placementFile(),
                            {placementText(std::round(pixelsToTwipsX(this, x()))),
                             placementText(std::round(pixelsToTwipsY(this, y()))),
                             placementText(std::round(pixelsToTwipsX(this, width()))),
                             placementText(std::round(pixelsToTwipsY(this, height())))}))
        placementUnread_ = false;
}

void frmData::unload() {
    SavSettings();
    close();
}
