#include "app/TextFile.h"

#include "jet/text/Windows1252.h"

#include <QStringDecoder>

#include <cerrno>
#include <cstdlib>
#include <sys/stat.h>
#include <unistd.h>

LineReader::LineReader(const QString& path) : file_(path) {
    (void)file_.open(QIODevice::ReadOnly);
}

QString decodeLine(const QByteArray& bytes) {
    QStringDecoder locale(QStringDecoder::System, QStringDecoder::Flag::Stateless |
                                                      QStringDecoder::Flag::ConvertInitialBom);
    const QString text = locale(bytes);
    if (!locale.hasError() && text.toLocal8Bit() == bytes)
        return text;
    return QString::fromStdString(jet::windows1252ToUtf8(bytes.toStdString()));
}

QByteArray encodeLine(const QString& text, const QByteArray& original) {
    if (!original.isNull() && decodeLine(original) == text)
        return original;
    return text.toLocal8Bit();
}

std::optional<QString> LineReader::next() {
    const auto bytes = nextBytes();
    if (!bytes)
        return std::nullopt;
    return decodeLine(*bytes);
}

std::optional<QByteArray> LineReader::nextBytes() {
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
    return line;
}

namespace {

// Writes all of `bytes` to `fd`; false on any failure, a short write included.
bool writeAll(int fd, const QByteArray& bytes) {
    const char* p = bytes.constData();
    qsizetype left = bytes.size();
    while (left > 0) {
        const ssize_t n = ::write(fd, p, static_cast<size_t>(left));
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0)
            return false;
        p += n;
        left -= n;
    }
    return true;
}

}  // namespace

bool writeLinesReplacing(const QString& path, const QStringList& lines, unsigned mode, FileMode rule) {
    QList<QByteArray> bytes;
    for (const QString& line : lines)
        bytes << line.toLocal8Bit();
    return writeLinesReplacing(path, bytes, mode, rule);
}

bool writeLinesReplacing(const QString& path, const QList<QByteArray>& lines, unsigned newMode, FileMode rule) {
    QByteArray bytes;
    for (const QByteArray& line : lines)
        bytes += line + "\r\n";

    const QByteArray target = QFile::encodeName(path);
    struct stat existing {};
    const mode_t mode = rule == FileMode::KeepExisting && ::stat(target.constData(), &existing) == 0
                            ? existing.st_mode & 07777
                            : newMode;
    QByteArray temp = target + ".XXXXXX";
    const int fd = ::mkstemp(temp.data());
    if (fd < 0)
        return false;
    // The mode is set before anything is written, so the contents are never
    // readable under a wider mode.
    const bool written = ::fchmod(fd, mode) == 0 && writeAll(fd, bytes) && ::fsync(fd) == 0;
    const bool closed = ::close(fd) == 0;
    if (!written || !closed || ::rename(temp.constData(), target.constData()) != 0) {
        ::unlink(temp.constData());
        return false;
    }
    return true;
}

bool keepUnreadableAside(const QString& path) {
    const QByteArray target = QFile::encodeName(path);
    const QByteArray aside = target + ".unreadable";
    struct stat file {};
    if (::lstat(target.constData(), &file) != 0)
        return errno == ENOENT;
    // Only an ordinary file is replaced by the rename; anything else stays.
    if (!S_ISREG(file.st_mode))
        return true;
    // A second name for the same file: made at once or not at all, and never
    // over a copy kept before.
    if (::link(target.constData(), aside.constData()) == 0)
        return true;
    struct stat kept {};
    return errno == EEXIST && ::stat(aside.constData(), &kept) == 0 && kept.st_dev == file.st_dev &&
           kept.st_ino == file.st_ino;
}
