#pragma once
// Handing documents to other programs, with the shell's result codes: 33 or
// more is success, 32 or less an error that launchErrorText puts into words.
#include <QString>

class QWidget;

inline constexpr int kLaunchOk = 42;

// Opens `file` with `program`, or with the desktop's default application
// for the file's type when `program` is empty, working in `directory` (none
// when empty). Returns the result code; shows nothing. `pid`, when given,
// receives the started process's id.
int openDocument(const QString& file, const QString& directory, const QString& program = QString(),
              qint64* pid = nullptr);

// The text of result code `code` (empty for 33 or more); when `show` is true
// and the code is an error, also shows it in the "Error:" box.
QString launchErrorText(int code, bool show, QWidget* owner = nullptr);
