#include "readers/ShowRosterUsers.h"

#include "app/AppError.h"
#include "app/Strings.h"
#include "app/UserList.h"
#include "app/frmMain.h"
#include "readers/LockHint.h"
#include "readers/SambaTooltips.h"
#include "readers/ShowLDBUsers.h"
#include "settings/frmSettings.h"

#include <QFile>
#include <QLineEdit>
#include <QTreeWidget>

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

// A connection to the selected database, logged on as the main window's
// account through the settings' workgroup file; its failures pass on.
jet::RosterConnection OpenRosterConn(frmMain& w) {
    jet::RosterConnection conn;
    conn.setProvider(jet::kJetOleDbProvider);
    conn.setCursorLocation(jet::kUseClientCursor);
    conn.setProperty("Data Source", pathArgument(w.selectedDatabasePath()));
    conn.setProperty("Jet OLEDB:System database", pathArgument(w.settings()->txtWorkgroup->text()));
    conn.open(w.txtUserName->text().toStdString(), w.txtPassword->text().toStdString());
    return conn;
}

}  // namespace

void setRosterSource(RosterSource s) { source() = std::move(s); }

QString FieldText(const jet::Value& value) {
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

void ShowRosterUsers(frmMain& w) {
    w.lvUsers->clear();
    updateLockHint(w, lockFilePath(w.selectedDatabasePath()));

    std::optional<jet::RosterConnection> conn;
    std::optional<jet::RosterRecords> roster;
    if (source()) {
        roster = source()();
    } else {
        conn = OpenRosterConn(w);
        roster = conn->openSchema(jet::kSchemaProviderSpecific, jet::kUserRosterSchema);
    }

    std::array<QString, 4> rowBuffer;
    short rows = 0;
    while (!roster->eof()) {
        if (rows == SHRT_MAX)
            throw AppError::ours(kErrOverflow, QStringLiteral("Overflow"));
        ++rows;
        const std::size_t count = roster->fieldCount();
        for (std::size_t k = 0; k < count; ++k) {
            QString text = trimBlanks(FieldText(roster->value(k)));
            if (!text.isEmpty())
                text = TrimNulls(text);
            if (k >= rowBuffer.size())
                throw AppError::ours(kErrSubscriptOutOfRange, QStringLiteral("Subscript out of range"));
            rowBuffer[k] = ansiUpperCase(text);
        }
        QTreeWidgetItem* row = addUserRow(w.lvUsers, QStringLiteral("Key_") + QString::number(rows), rowBuffer[0]);
        for (int i = 1; i < 4; ++i)
            setSubItem(row, i, rowBuffer[static_cast<std::size_t>(i)]);
        rowBuffer.fill(QString());
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
    addSambaTooltips(w, w.selectedDatabasePath());
    try {
        w.ResolveUserNames();
    } catch (...) {
        // The list is complete and stands without the user names: a failure
        // while resolving them is no failure of the command.
    }
}

}  // namespace readers
