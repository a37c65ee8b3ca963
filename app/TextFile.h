#pragma once
// The program's small positional text files: 8-bit text in the locale's
// encoding, no byte-order mark, CR LF after every line.
#include <QFile>
#include <QString>
#include <QStringList>

#include <optional>

// Reads a file line by line. A line ends at CR LF, at a lone CR, or at a
// lone LF (a file edited on Linux); the end marks are not part of the line.
class LineReader {
public:
    explicit LineReader(const QString& path);
    bool isOpen() const { return file_.isOpen(); }
    // The next line, or nothing at the end of the file (or when it could not
    // be opened or read).
    std::optional<QString> next();

private:
    QFile file_;
};

// Writes `lines`, each followed by CR LF, to a new file beside `path` and
// renames it over `path`, so that a failure at any point (a full disk
// included) leaves the previous file as it was. A new file gets the mode
// `newFileMode`; a file that exists keeps its mode. Returns false when
// nothing was replaced.
bool writeLinesReplacing(const QString& path, const QStringList& lines, unsigned newFileMode = 0644);
