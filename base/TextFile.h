#pragma once
// The program's small positional text files: 8-bit text, no byte-order mark,
// CR LF after every line.
//
// Lines are read as bytes and decoded without loss, so that a line the
// program did not change is written back byte for byte, whatever code page
// wrote it: bytes that are valid in the locale's encoding (UTF-8) are read as
// such, any other line byte by byte as Windows-1252, the Windows program's
// code page. Text the user typed is written in the locale's encoding.
#include <QByteArray>
#include <QFile>
#include <QList>
#include <QString>
#include <QStringList>

#include <optional>

// The text of a line's bytes, as described above.
QString decodeLine(const QByteArray& bytes);
// The bytes to write for `text`: `original` when `text` is what it decodes to
// (a line the program read and did not change), else the locale's encoding.
QByteArray encodeLine(const QString& text, const QByteArray& original = {});

// Reads a file line by line. A line ends at CR LF, at a lone CR, or at a
// lone LF (a file edited on Linux); the end marks are not part of the line.
class LineReader {
public:
    explicit LineReader(const QString& path);
    bool isOpen() const { return file_.isOpen(); }
    // The next line, or nothing at the end of the file (or when it could not
    // be opened or read).
    std::optional<QString> next();
    std::optional<QByteArray> nextBytes();

private:
    QFile file_;
};

// How a replaced file gets its mode.
enum class FileMode {
    KeepExisting,  // a file that exists keeps its mode; a new one gets the given mode
    Always,        // the file gets the given mode whatever it had
};

// Writes `lines`, each followed by CR LF, to a new file beside `path` and
// renames it over `path`, so that a failure at any point (a full disk
// included) leaves the previous file as it was. The new file belongs to the
// user who writes it. Returns false when nothing was replaced.
bool writeLinesReplacing(const QString& path, const QList<QByteArray>& lines, unsigned mode = 0644,
                         FileMode rule = FileMode::KeepExisting);
// The same for lines of text, each in the locale's encoding.
bool writeLinesReplacing(const QString& path, const QStringList& lines, unsigned mode = 0644,
                         FileMode rule = FileMode::KeepExisting);

// The same for lines of text; returns the system's reason when nothing was
// replaced, nothing when the file was.
std::optional<QString> failureReplacingWith(const QString& path, const QStringList& lines);

// Before a file that exists but could not be read is replaced, keeps it as
// `path`.unreadable, so that what it held is not lost. Only one copy is kept:
// while an earlier one is still there, returns false and the file must be
// left as it is. True when the file may be replaced (also when it is gone,
// or the copy is already this file).
bool keepUnreadableAside(const QString& path);
