#pragma once
// Builds settings.set contents for tests: the 14 lines, any of which a test
// can change or cut off.
#include <QByteArray>
#include <QStringList>

struct SettingsLines {
    QStringList lines{"1200", "900", "11130", "8235", "2070", "1410", "/wg/System.mdw", "admin", "secret",
                      "0",    "60000", "0",    "0",     "/data/compnamedb.mdb"};

    SettingsLines& set(int lineNumber, const QString& text) {
        lines[lineNumber - 1] = text;
        return *this;
    }
    SettingsLines& keep(int count) {
        lines = lines.mid(0, count);
        return *this;
    }
    QByteArray bytes() const {
        QByteArray out;
        for (const QString& l : lines)
            out += l.toLocal8Bit() + "\r\n";
        return out;
    }
};
