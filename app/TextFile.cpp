#include "app/TextFile.h"

#include <QFileInfo>
#include <QSaveFile>

LineReader::LineReader(const QString& path) : file_(path) {
    (void)file_.open(QIODevice::ReadOnly);
}

std::optional<QString> LineReader::next() {
    if (!file_.isOpen() || file_.atEnd())
        return std::nullopt;
    QByteArray line;
    char c = 0;
    while (file_.getChar(&c)) {
        if (c == '\n')
            break;
        if (c == '\r') {
            char after = 0;
            if (file_.peek(&after, 1) == 1 && after == '\n')
                file_.getChar(&after);
            break;
        }
        line += c;
    }
    return QString::fromLocal8Bit(line);
}

bool writeLinesReplacing(const QString& path, const QStringList& lines,
                         QFileDevice::Permissions newFileMode) {
    const QFileInfo existing(path);
    const QFileDevice::Permissions mode = existing.exists() ? existing.permissions() : newFileMode;
    QSaveFile out(path);
    if (!out.open(QIODevice::WriteOnly))
        return false;
    for (const QString& line : lines) {
        const QByteArray bytes = line.toLocal8Bit() + "\r\n";
        if (out.write(bytes) != bytes.size()) {
            out.cancelWriting();
            return false;
        }
    }
    // The mode is set on the new file before it replaces the old one, so the
    // contents are never readable under a wider mode.
    if (!out.setPermissions(mode)) {
        out.cancelWriting();
        return false;
    }
    return out.commit();
}
