#include "settings/SettingsFile.h"

#include "base/Numbers.h"
#include "base/Strings.h"
#include "base/TextFile.h"

#include <QFileInfo>
#include <QStringList>

#include <cmath>
#include <functional>

namespace {

// The largest position or size, in pixels, that a window system can give a
// window (X11 coordinates are 16-bit): a placement line beyond it can't be applied.
constexpr int kMaxWindowPixels = 32767;

QString twipsText(double twips) { return QString::number(std::llround(twips)); }

QString flag(bool on) { return on ? QStringLiteral("1") : QStringLiteral("0"); }

}  // namespace

SettingsFileRead readSettingsFile(const QString& path, const Settings& defaults, double dpiX, double dpiY) {
    SettingsFileRead read{defaults, 0, false, {}};
    Settings& s = read.settings;
    using Step = std::function<bool(const QString& line)>;
    // A placement line: twips that make `least` to kMaxWindowPixels pixels.
    auto placement = [&s](int index, double dpi, double least) -> Step {
        return [&s, index, dpi, least](const QString& line) {
            const auto v = parseNumber(line);
            if (!v)
                return false;
            const double pixels = std::round(*v * dpi / 1440.0);
            if (!(pixels >= least && pixels <= kMaxWindowPixels) || (least >= 0 && *v < 0))
                return false;
            s.placement[index] = *v;
            return true;
        };
    };
    const Step steps[] = {
        placement(0, dpiX, -kMaxWindowPixels),
        placement(1, dpiY, -kMaxWindowPixels),
        placement(2, dpiX, 1),
        placement(3, dpiY, 1),
        placement(4, dpiY, 0),
        placement(5, dpiY, 0),
        [&s](const QString& line) { s.workgroupPath = line; return true; },
        [&s](const QString& line) { s.userName = line; return true; },
        [&s](const QString& line) { s.password = line; return true; },
        // Only exactly "0" reads the roster.
        [&s](const QString& line) { s.readsLockFile = line != QStringLiteral("0"); return true; },
        [&s](const QString& line) {
            s.intervalText = line;
            const auto ms = parseNumber(line);
            return ms && *ms > -0.5 && *ms < Settings::kMaxMonitorInterval + 0.5;
        },
        [&s](const QString& line) { s.monitorAtStart = line == QStringLiteral("1"); return true; },
        [&s](const QString& line) { s.doubleClickGoesToComputer = line == QStringLiteral("0"); return true; },
        [&s](const QString& line) { s.userDatabasePath = line; return true; },
    };
    LineReader in(path);
    read.keepAside = !in.isOpen() && QFileInfo::exists(path);
    for (const Step& step : steps) {
        const auto line = in.nextBytes();
        if (!line)
            break;
        read.lines << *line;
        if (!step(decodeLine(*line))) {
            read.keepAside = true;
            break;
        }
        ++read.applied;
    }
    return read;
}

bool writeSettingsFile(const QString& path, const Settings& s, const QList<QByteArray>& read) {
    QStringList texts;
    for (double twips : s.placement)
        texts << twipsText(twips);
    texts << s.workgroupPath << trimBlanks(s.userName) << trimBlanks(s.password) << flag(s.readsLockFile)
          << trimBlanks(s.intervalText) << flag(s.monitorAtStart) << flag(!s.doubleClickGoesToComputer)
          << trimBlanks(s.userDatabasePath);
    QList<QByteArray> lines;
    for (qsizetype i = 0; i < texts.size(); ++i)
        lines << encodeLine(texts[i], read.value(i));
    // The file holds the Jet password: only its owner may read it, whatever
    // mode the file had.
    return writeLinesReplacing(path, lines, 0600, FileMode::Always);
}
