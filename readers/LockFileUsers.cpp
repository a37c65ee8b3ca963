#include "readers/LockFileUsers.h"

#include "base/Strings.h"
#include "jet/Error.h"
#include "jet/LdbUsers.h"
#include "jet/lockfile/LockFile.h"
#include "jet/lockfile/LockFileFinder.h"
#include "jet/lockfile/LockFileLines.h"
#include "jet/page/File.h"
#include "jet/text/Windows1252.h"
#include "readers/LockHint.h"

#include <QFile>
#include <QFileInfo>
#include <QHash>

#include <algorithm>
#include <cerrno>
#include <climits>
#include <cstring>
#include <fcntl.h>
#include <optional>
#include <sys/stat.h>
#include <unistd.h>

namespace readers {
namespace {

LdbLibrary& library() {
    static LdbLibrary lib;
    return lib;
}

// Asks the lock-file library for the computer names; its failures pass on
// unchanged.
QStringList GetLDBUserList(const QByteArray& libraryPath, short option) {
    if (library())
        return library()(libraryPath, option);
    QStringList names;
    for (const std::string& name : jet::getLdbUsers(libraryPath.toStdString(), option))
        names << QString::fromStdString(name);
    return names;
}

// The lock file, open for reading only, closed on every way out.
class LockFileReader {
public:
    // Opened without blocking: a FIFO put where the lock file was checked
    // would otherwise hang the refresh; anything but a regular file is refused.
    explicit LockFileReader(const QString& path) : path_(path), name_(QFile::encodeName(path).toStdString()) {
        fd_ = jet::UniqueFd(::open(name_.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK));
        if (!fd_.valid() && errno == ENOENT)
            throw jet::Error(jet::FileNotFound, "Could not find file '" + name_ + "'.");
        struct stat st {};
        const char* why = !fd_.valid() || ::fstat(fd_.get(), &st) != 0 ? std::strerror(errno)
                          : !S_ISREG(st.st_mode)                      ? "not a regular file"
                                                                      : nullptr;
        if (why)
            throw AppError::ours(kErrPathFileAccess, QStringLiteral("Could not open the lock file '%1': %2.")
                                                         .arg(path, QString::fromLocal8Bit(why)));
        lines_.emplace([fd = fd_.get()](void* p, std::size_t n) { return ::read(fd, p, n); });
    }

    // The next line that is not empty, decoded from the ANSI code page;
    // nothing at the end. Most lines are empty: each NUL of a slot's padding
    // ends one, and they are passed over undecoded.
    std::optional<QString> next() {
        std::optional<std::string> bytes;
        do
            bytes = lines_->next(name_);
        while (bytes && bytes->empty());
        if (!bytes)
            return std::nullopt;
        // Plain ASCII, the common case, reads the same in every code page.
        if (std::ranges::all_of(*bytes, [](char c) { return static_cast<unsigned char>(c) < 0x80; }))
            return QString::fromLatin1(bytes->data(), static_cast<qsizetype>(bytes->size()));
        return QString::fromStdString(jet::windows1252ToUtf8(*bytes));
    }

private:
    QString path_;
    std::string name_;
    jet::UniqueFd fd_;
    std::optional<jet::LockFileLines> lines_;
};

}  // namespace

void setLdbLibrary(LdbLibrary lib) { library() = std::move(lib); }

QString lockFilePath(const QString& databasePath) {
    return QString::fromStdString(jet::lockFileFor(databasePath.toStdString()));
}

QString ansiUpperCase(const QString& text) {
    QString out = text;  // copied only when a letter changes
    for (qsizetype i = 0; i < out.size(); ++i) {
        const QChar c = out.at(i);
        const QChar upper = c.toUpper();
        // Every ASCII capital is in the code page; others are looked up.
        if (upper != c && (upper.unicode() < 0x80 || jet::utf8ToWindows1252(QString(upper).toStdString()) != "?"))
            out[i] = upper;
    }
    return out;
}

namespace {

// The body of readLockFileUsers: fills `read`, raising what fails.
void readInto(UserRows& read, const LockFileRequest& request) {
    const QString ldbPath = lockFilePath(request.databasePath);
    const QByteArray libraryPath = QFile::encodeName(request.databasePath) + QByteArray(2, '\0');

    const auto reportMissing = [&] {
        read.hintChecked = true;
        read.hint = hiddenLocksHint(ldbPath);
        read.notice = Notice{QStringLiteral("Could not locate LDB file '") + ldbPath + QChar('\''),
                             QStringLiteral("LDB File Not Found"), MsgIcon::Information,
                             QStringLiteral("Could not locate LDB file '") + ldbPath + QChar('.')};
    };
    const QFileInfo ldb(ldbPath);
    if (!ldb.isFile() || ldb.isHidden()) {
        reportMissing();
        return;
    }

    // The last Jet user deletes the lock file on leaving: one that goes away
    // after the test above is the same condition, not a failure.
    QStringList names;
    std::optional<LockFileReader> opened;
    try {
        names = GetLDBUserList(libraryPath, request.option);
        opened.emplace(ldbPath);
    } catch (const jet::Error& e) {
        if (e.number() != jet::FileNotFound || QFileInfo(ldbPath).isFile())
            throw;
        reportMissing();
        return;
    }
    // Users listed as connected hold locks that are seen here: no hint.
    read.hintChecked = true;
    if (request.option != jet::LdbConnectedUsers || names.isEmpty())
        read.hint = hiddenLocksHint(ldbPath);

    // Each returned name, by the slots it stands for in order; a slot is
    // used up by the row it gives, unless all possible users are shown.
    QHash<QString, QList<qsizetype>> unused;
    for (qsizetype i = 0; i < names.size(); ++i)
        unused[names[i]].append(i);
    QString computerName;
    QString securityName;
    bool computerNameTaken = false;
    while (const auto raw = opened->next()) {
        const QString line = ansiUpperCase(trimBlanks(*raw));
        if (line.isEmpty())
            continue;
        if (!computerNameTaken) {
            computerName = line;
            computerNameTaken = true;
        } else {
            securityName = line;
        }
        if (computerName.isEmpty() || securityName.isEmpty())
            continue;
        const auto waiting = unused.find(computerName);
        if (waiting != unused.end() && !waiting->isEmpty()) {
            if (read.rows.size() == SHRT_MAX)
                throw AppError::ours(kErrOverflow, QStringLiteral("Overflow"));
            read.rows.append({computerName, securityName});
            if (!request.allPossible)
                waiting->removeFirst();
        }
        computerName.clear();
        securityName.clear();
        computerNameTaken = false;
    }
}

}  // namespace

UserRows readLockFileUsers(const LockFileRequest& request) {
    UserRows read;
    // Rows read before a failure are kept: they join the list all the same.
    trapErrors([&] { readInto(read, request); }, [&](const AppError& e) { read.failure = e; });
    return read;
}

}  // namespace readers
