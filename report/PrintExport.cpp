#include "report/PrintExport.h"

#include "base/UserListModel.h"

namespace report {

namespace {

struct Heading {
    int column;  // 1-based
    const char* text;
};

constexpr Heading kRosterHeadings[] = {{1, "COMPUTER NAME |"}, {17, "SECURITY NAME |"}, {33, "CONNECTED |"},
                                       {45, "SUSPECT |"},      {55, "USER NAME |"},     {67, "CONTACT |"},
                                       {77, "EMAIL"}};
constexpr Heading kLockFileHeadings[] = {
    {1, "COMPUTER NAME | "}, {17, "SECURITY NAME |"}, {33, "USER NAME |"}, {45, "CONTACT |"}, {55, "EMAIL"}};

template <std::size_t N>
QString placed(const Heading (&headings)[N]) {
    QString line;
    for (const Heading& h : headings) {
        line = line.leftJustified(h.column - 1, QChar(' '));
        line += QString::fromLatin1(h.text);
    }
    return line;
}

}  // namespace

QString bannerLine(QDate date) {
    // Built from the numbers, so no locale's separators or order get in.
    return QStringLiteral("RAVELIN PRINTOUT  -  %1-%2-%3")
        .arg(date.month(), 2, 10, QChar('0'))
        .arg(date.day(), 2, 10, QChar('0'))
        .arg(date.year(), 4, 10, QChar('0'));
}

QString separatorLine() { return QString(83, QChar('-')); }

QString headingLine(bool rosterMode) { return rosterMode ? placed(kRosterHeadings) : placed(kLockFileHeadings); }

std::optional<QString> dataLine(const UserListModel& list, int row, bool rosterMode) {
    const int subItems = rosterMode ? 6 : 4;
    if (list.columnCount() <= subItems)
        return std::nullopt;
    QStringList values;
    for (int i = 0; i <= subItems; ++i)
        values << list.text(row, i);
    return values.join(QStringLiteral(", "));
}

std::optional<QStringList> usersReport(const UserListModel& users, const QString& databasePath, bool rosterMode,
                                       QDate date) {
    if (users.rowCount() == 0)
        return std::nullopt;
    const QString separator = separatorLine();
    QStringList lines{QString(),
                      bannerLine(date),
                      separator,
                      databasePath,
                      separator,
                      QStringLiteral("TIP: COMMAS IN DATA CORRESPOND TO COLUMN HEADINGS BELOW"),
                      separator,
                      headingLine(rosterMode),
                      separator};
    const int rows = users.rowCount();
    for (int i = 0; i < rows; ++i) {
        // A row that cannot be written is left out; the next one still is.
        if (const auto line = dataLine(users, i, rosterMode))
            lines << *line;
    }
    return lines;
}

std::optional<QStringList> pathsReport(const QStringList& paths, QDate date) {
    if (paths.isEmpty())
        return std::nullopt;
    const QString separator = separatorLine();
    QStringList lines{QString(), bannerLine(date), separator, QStringLiteral("DATABASE FILE PATHS"), separator};
    lines << paths;
    return lines;
}

}  // namespace report
