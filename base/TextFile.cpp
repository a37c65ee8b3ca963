#include "base/TextFile.h"

#include "jet/text/Windows1252.h"

#include <QStringDecoder>

#include <cerrno>
#include <cstdlib>
#include <cstring>
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

// Writes `lines` beside `path` and renames the new file over it; returns 0,
// or the errno of the step that failed.
int replaceWithLines(const QString& path, const QList<QByteArray>& lines, unsigned newMode, FileMode rule) {
    QByteArray bytes;
    for (const QByteArray& line : lines)
        bytes += line + "\r\n";

    const QByteArray target = QFile::encodeName(path);
    // Only an ordinary file passes its mode on, never a link's target.
    struct stat existing {};
    const mode_t mode = rule == FileMode::KeepExisting && ::lstat(target.constData(), &existing) == 0 &&
                                S_ISREG(existing.st_mode)
                            ? existing.st_mode & 07777
                            : newMode;
    QByteArray temp = target + ".XXXXXX";
    const int fd = ::mkstemp(temp.data());
    if (fd < 0)
        return errno;
    // The mode is set before anything is written, so the contents are never
    // readable under a wider mode. A failed write may leave errno 0 (a short
    // write on a full disk): it then reads as "no space".
    errno = 0;
    const bool written = ::fchmod(fd, mode) == 0 && writeAll(fd, bytes) && ::fsync(fd) == 0;
    int failure = written ? 0 : (errno ? errno : ENOSPC);
    if (::close(fd) != 0 && !failure)
        failure = errno;
    if (!failure && ::rename(temp.constData(), target.constData()) != 0)
        failure = errno;
    if (failure)
        ::unlink(temp.constData());
    return failure;
}

QList<QByteArray> localLines(const QStringList& lines) {
    QList<QByteArray> bytes;
    for (const QString& line : lines)
        bytes << line.toLocal8Bit();
    return bytes;
}

}  // namespace

bool writeLinesReplacing(const QString& path, const QStringList& lines, unsigned mode, FileMode rule) {
    return writeLinesReplacing(path, localLines(lines), mode, rule);
}

bool writeLinesReplacing(const QString& path, const QList<QByteArray>& lines, unsigned mode, FileMode rule) {
    return replaceWithLines(path, lines, mode, rule) == 0;
}

std::optional<QString> failureReplacingWith(const QString& path, const QStringList& lines) {
    const int failure = replaceWithLines(path, localLines(lines), 0644, FileMode::KeepExisting);
    if (!failure)
        return std::nullopt;
    return QString::fromLocal8Bit(std::strerror(failure));
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
