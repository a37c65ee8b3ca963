#include "shell/DesktopApps.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QStandardPaths>

namespace {

// The [Group] sections of a desktop-style key file, one key's value.
QString keyFileValue(const QString& path, const QString& group, const QString& key) {
    QFile f(path);
    if (!f.open(QIODevice::ReadOnly | QIODevice::Text))
        return {};
    bool inGroup = false;
    while (!f.atEnd()) {
        const QString line = QString::fromUtf8(f.readLine()).trimmed();
        if (line.startsWith(QChar('['))) {
            inGroup = line == QChar('[') + group + QChar(']');
            continue;
        }
        if (!inGroup)
            continue;
        const qsizetype eq = line.indexOf(QChar('='));
        if (eq > 0 && line.left(eq).trimmed() == key)
            return line.mid(eq + 1).trimmed();
    }
    return {};
}

// mimeapps.list files in the order the desktop consults them: the user's
// configuration first, then the system's, then the data folders.
QStringList mimeappsLists() {
    QStringList desktops;
    for (const QString& d : qEnvironmentVariable("XDG_CURRENT_DESKTOP").split(QChar(':'), Qt::SkipEmptyParts))
        desktops << d.toLower() + QStringLiteral("-mimeapps.list");
    desktops << QStringLiteral("mimeapps.list");
    QStringList lists;
    for (const QString& dir : QStandardPaths::standardLocations(QStandardPaths::GenericConfigLocation))
        for (const QString& name : desktops)
            lists << dir + QChar('/') + name;
    for (const QString& dir : QStandardPaths::standardLocations(QStandardPaths::ApplicationsLocation))
        for (const QString& name : desktops)
            lists << dir + QChar('/') + name;
    return lists;
}

// The path of the .desktop file with id `id`; a "-" in the id may stand for
// a sub-folder ("kde-kate.desktop" in kde/kate.desktop).
QString desktopFilePath(const QString& id) {
    for (const QString& dir : QStandardPaths::standardLocations(QStandardPaths::ApplicationsLocation)) {
        const QString direct = dir + QChar('/') + id;
        if (QFileInfo::exists(direct))
            return direct;
        QString nested = id;
        for (qsizetype i = nested.indexOf(QChar('-')); i >= 0; i = nested.indexOf(QChar('-'), i + 1)) {
            nested[i] = QChar('/');
            if (QFileInfo::exists(dir + QChar('/') + nested))
                return dir + QChar('/') + nested;
        }
    }
    return {};
}

// Undoes the escapes of a desktop entry's string value (\s \n \t \r \\);
// any other backslash stays for the quoting rules of Exec.
QString unescapeValue(const QString& value) {
    QString out;
    for (qsizetype i = 0; i < value.size(); ++i) {
        const QChar c = value[i];
        const QChar e = i + 1 < value.size() ? value[i + 1] : QChar();
        if (c != QChar('\\') || !QStringLiteral("sntr\\").contains(e)) {
            out += c;
            continue;
        }
        ++i;
        out += e == QChar('s') ? QChar(' ')
             : e == QChar('n') ? QChar('\n')
             : e == QChar('t') ? QChar('\t')
             : e == QChar('r') ? QChar('\r')
                               : e;
    }
    return out;
}

}  // namespace

QStringList execArguments(const QString& exec, const QString& file) {
    // Split: blanks separate arguments; double quotes group, with \" \` \$
    // and \\ escaped inside them.
    QStringList words;
    QString word;
    bool inWord = false;
    bool quoted = false;
    const QString value = unescapeValue(exec);
    for (qsizetype i = 0; i < value.size(); ++i) {
        const QChar c = value[i];
        if (quoted) {
            if (c == QChar('"'))
                quoted = false;
            else if (c == QChar('\\') && i + 1 < value.size())
                word += value[++i];
            else
                word += c;
        } else if (c == QChar('"')) {
            quoted = inWord = true;
        } else if (c == QChar(' ') || c == QChar('\t')) {
            if (inWord)
                words << word;
            word.clear();
            inWord = false;
        } else {
            word += c;
            inWord = true;
        }
    }
    if (quoted)
        return {};
    if (inWord)
        words << word;

    // Field codes: the file for %f %F %u %U, a literal % for %%, the others
    // dropped.
    QStringList args;
    bool fileGiven = false;
    for (const QString& w : std::as_const(words)) {
        if (w == QStringLiteral("%f") || w == QStringLiteral("%F") || w == QStringLiteral("%u") ||
            w == QStringLiteral("%U")) {
            args << file;
            fileGiven = true;
            continue;
        }
        QString expanded;
        for (qsizetype i = 0; i < w.size(); ++i) {
            if (w[i] != QChar('%') || i + 1 == w.size()) {
                expanded += w[i];
                continue;
            }
            const QChar code = w[++i];
            if (code == QChar('%')) {
                expanded += QChar('%');
            } else if (QStringLiteral("fFuU").contains(code)) {
                expanded += file;
                fileGiven = true;
            }
        }
        if (!expanded.isEmpty())
            args << expanded;
    }
    if (args.isEmpty())
        return {};
    if (!fileGiven)
        args << file;
    return args;
}

QStringList defaultApplicationCommand(const QString& mimeType, const QString& file) {
    for (const QString& list : mimeappsLists()) {
        const QString ids = keyFileValue(list, QStringLiteral("Default Applications"), mimeType);
        for (const QString& id : ids.split(QChar(';'), Qt::SkipEmptyParts)) {
            const QString desktop = desktopFilePath(id.trimmed());
            if (desktop.isEmpty())
                continue;
            const QString group = QStringLiteral("Desktop Entry");
            const QStringList command = execArguments(keyFileValue(desktop, group, QStringLiteral("Exec")), file);
            if (command.isEmpty())
                continue;
            if (keyFileValue(desktop, group, QStringLiteral("Terminal")) == QStringLiteral("true"))
                return terminalCommand(command);
            return command;
        }
    }
    return {};
}

namespace {

// Each terminal with the option after which the command and its arguments
// follow as separate arguments.
constexpr const char* kTerminals[][2] = {{"x-terminal-emulator", "-e"}, {"gnome-terminal", "--"},
                                         {"konsole", "-e"},            {"xfce4-terminal", "-x"},
                                         {"xterm", "-e"}};

}  // namespace

QStringList terminalPrograms() {
    QStringList names;
    for (const auto& t : kTerminals)
        names.append(QString::fromLatin1(t[0]));
    return names;
}

QStringList terminalCommand(const QStringList& command) {
    for (const auto& t : kTerminals) {
        const QString program = QStandardPaths::findExecutable(QString::fromLatin1(t[0]));
        if (!program.isEmpty())
            return QStringList{program, QString::fromLatin1(t[1])} + command;
    }
    return {};
}
