#include "app/TextFile.h"


#include <cerrno>
#include <cstdlib>
#include <sys/stat.h>
#include <unistd.h>

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

bool writeLinesReplacing(const QString& path, const QStringList& lines, unsigned newFileMode) {
    QByteArray bytes;
    for (const QString& line : lines)
        bytes += line.toLocal8Bit() + "\r\n";

    const QByteArray target = QFile::encodeName(path);
    struct stat existing {};
    const mode_t mode = ::stat(target.constData(), &existing) == 0 ? existing.st_mode & 07777 : newFileMode;
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
