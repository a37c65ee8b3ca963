#pragma once
// The two plain-text reports: the user list and the database path list.
// Lines are built here from the main window's lists; writing them and
// opening the result is ReportWindow's part.
#include <QDate>
#include <QString>
#include <QStringList>

#include <optional>

class UserListModel;

namespace report {

// "RAVELIN PRINTOUT  -  " and the date as mm-dd-yyyy, whatever the locale.
QString bannerLine(QDate date);
QString separatorLine();
// The column headings of the read mode: roster schema mode or lock-file mode.
QString headingLine(bool rosterMode);
// The row's text and its sub-items joined by ", ": six sub-items in roster
// schema mode, four in lock-file mode. Nothing when the list has no column
// for a sub-item the mode asks for.
std::optional<QString> dataLine(const UserListModel& list, int row, bool rosterMode);

// The users report: nothing when the list has no rows.
std::optional<QStringList> usersReport(const UserListModel& users, const QString& databasePath, bool rosterMode,
                                       QDate date);
// The paths report: nothing when the list has no entries.
std::optional<QStringList> pathsReport(const QStringList& paths, QDate date);

}  // namespace report
