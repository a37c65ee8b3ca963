#pragma once
// What a reader of the user list hands the main window: the rows it read and
// what the user is to be told. The window draws them; the readers never touch
// a widget.
#include "base/AppError.h"
#include "base/MessageBoxes.h"

#include <QList>
#include <QString>
#include <QStringList>

#include <optional>

namespace readers {

struct UserRows {
    // Each row's texts: the computer name, then its sub-items by position.
    QList<QStringList> rows;
    // Whether the lock-file hint was looked for; `hint` then replaces the
    // status line's (nothing: hide it). Otherwise it stays as it was.
    bool hintChecked = false;
    std::optional<QString> hint;
    // A condition the user is told of instead of a list.
    std::optional<Notice> notice;
    // The reading failed after `rows`; they are listed all the same, and the
    // failure goes to the command's error trap.
    std::optional<AppError> failure;
};

}  // namespace readers
