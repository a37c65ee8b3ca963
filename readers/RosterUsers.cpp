#include "readers/RosterUsers.h"

#include "base/Strings.h"
#include "readers/LockHint.h"
#include "readers/LockFileUsers.h"

#include <QFile>

#include <array>
#include <climits>
#include <optional>

namespace readers {
namespace {

RosterSource& source() {
    static RosterSource s;
    return s;
}

std::string pathArgument(const QString& path) { return QFile::encodeName(path).toStdString(); }

// A connection to the database, logged on as the request's account through
// its workgroup file; its failures pass on.
jet::RosterConnection OpenRosterConn(const RosterRequest& request) {
    jet::RosterConnection conn;
    conn.setProvider(jet::kJetOleDbProvider);
    conn.setCursorLocation(jet::kUseClientCursor);
    conn.setProperty("Data Source", pathArgument(request.databasePath));
    conn.setProperty("Jet OLEDB:System database", pathArgument(request.workgroup));
    conn.open(request.userName.toStdString(), request.password.toStdString());
    return conn;
}

// The body of readRosterUsers: fills `read`, raising what fails.
void readInto(UserRows& read, const RosterRequest& request) {
    read.hintChecked = true;
    read.hint = hiddenLocksHint(lockFilePath(request.databasePath));

    std::optional<jet::RosterConnection> conn;
    std::optional<jet::RosterRecords> roster;
    if (source()) {
        roster = source()();
    } else {
        conn = OpenRosterConn(request);
        roster = conn->openSchema(jet::kSchemaProviderSpecific, jet::kUserRosterSchema);
    }

    while (!roster->eof()) {
        if (read.rows.size() == SHRT_MAX)
            throw AppError::ours(kErrOverflow, QStringLiteral("Overflow"));
        std::array<QString, 4> row;
        const std::size_t count = roster->fieldCount();
        for (std::size_t k = 0; k < count; ++k) {
            QString text = trimBlanks(fieldText(roster->value(k)));
            if (!text.isEmpty())
                text = TrimNulls(text);
            if (k >= row.size())
                throw AppError::ours(kErrSubscriptOutOfRange, QStringLiteral("Subscript out of range"));
            row[k] = ansiUpperCase(text);
        }
        read.rows.append(QStringList(row.begin(), row.end()));
        roster->moveNext();
    }

    // The list is complete: closing is clean-up, and a failure in it changes
    // nothing the user could act on, so it is ignored.
    try {
        roster->close();
    } catch (...) {
        // Ignored: see above.
    }
    try {
        if (conn)
            conn->close();
    } catch (...) {
        // Ignored: see above; the connection's end releases it regardless.
    }
}

}  // namespace

void setRosterSource(RosterSource s) { source() = std::move(s); }

QString fieldText(const jet::Value& value) {
    switch (value.kind()) {
    case jet::Value::Kind::Null:
        return {};
    case jet::Value::Kind::Text:
        return QString::fromStdString(value.text());
    case jet::Value::Kind::Boolean:
        return value.asBool() ? QStringLiteral("True") : QStringLiteral("False");
    default:
        return QString::fromStdString(value.toText());
    }
}

UserRows readRosterUsers(const RosterRequest& request) {
    UserRows read;
    // Rows read before a failure are kept: they join the list all the same.
    trapErrors([&] { readInto(read, request); }, [&](const AppError& e) { read.failure = e; });
    return read;
}

}  // namespace readers
