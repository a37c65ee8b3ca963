// The user list as the main window draws it: the readers' rows, their
// notices and hint, the Samba tooltips and the user name resolution.
#include "app/MainWindow.h"

#include "base/MessageBoxes.h"
#include "base/UserList.h"
#include "readers/ResolveUserNames.h"
#include "readers/SambaTooltips.h"
#include "readers/LockFileUsers.h"
#include "readers/RosterUsers.h"
#include "usernames/UserNameWindow.h"

#include <QCheckBox>
#include <QLabel>
#include <QLineEdit>
#include <QRadioButton>
#include <QScopeGuard>
#include <QSignalBlocker>
#include <QStatusBar>
#include <QTreeWidget>

#include <algorithm>
#include <climits>
#include <optional>

void MainWindow::showLockFileUsers() {
    userList->clear();
    showUserRows(readers::readLockFileUsers({selectedDatabasePath(), lockFileOption, allPossibleCheck->isChecked()}));
}

void MainWindow::showRosterUsers() {
    userList->clear();
    showUserRows(readers::readRosterUsers(
        {selectedDatabasePath(), settingsStore_->value().workgroupPath, userNameEdit->text(), passwordEdit->text()}));
}

// The rows join the list together, also those read before a failure, which
// then goes on to the command's error trap.
void MainWindow::showUserRows(const readers::UserRows& read) {
    if (read.hintChecked)
        showLockHint(read.hint);
    QList<QTreeWidgetItem*> rows;
    QStringList computers;
    for (qsizetype i = 0; i < read.rows.size(); ++i) {
        rows << newUserRow(QStringLiteral("Key_") + QString::number(i + 1), read.rows[i]);
        computers << read.rows[i].value(0);
    }
    userList->addTopLevelItems(rows);
    if (read.failure)
        throw *read.failure;
    if (read.notice) {
        tell(*read.notice);
        return;
    }
    const QStringList tips = readers::sambaTooltips(selectedDatabasePath(), computers);
    for (qsizetype i = 0; i < tips.size() && i < rows.size(); ++i)
        if (!tips[i].isEmpty())
            for (int c = 0; c < userList->columnCount(); ++c)
                rows[i]->setToolTip(c, tips[i]);
    try {
        resolveUserNames();
    } catch (...) {
        // The list is complete and stands without the user names: a failure
        // while resolving them is no failure of the command.
    }
}

void MainWindow::tell(const Notice& notice) {
    if (autoMonitorCheck->isChecked())
        showTip(notice.tipText);
    else
        msgBox(this, notice.text, notice.icon, MsgButtons::Ok, notice.title);
}

// The hint sits at the right of the status line, made the first time there
// is one to show.
void MainWindow::showLockHint(const std::optional<QString>& hint) {
    auto* label = statusLine->findChild<QLabel*>(QStringLiteral("lblLockHint"));
    if (!label && !hint)
        return;
    if (!label) {
        label = new QLabel(statusLine);
        label->setObjectName(QStringLiteral("lblLockHint"));
        label->setWordWrap(true);
        statusLine->addPermanentWidget(label, 2);
    }
    label->setText(hint.value_or(QString()));
    label->setToolTip(label->text());
    label->setVisible(hint.has_value());
}

// The records come from the user name database window's lookup, which
// never moves its current record: the window is brought to the last computer
// found once, at the end of the pass, and only when no one is using it.
void MainWindow::resolveUserNames() {
    const bool roster = readModeChoice[0]->isChecked();
    const int firstNameColumn = readers::userNameColumn(roster);
    const int rows = std::min(userList->topLevelItemCount(), static_cast<int>(SHRT_MAX));
    if (rows == 0)
        return;
    UserNameWindow* names = data();
    const UserNameMap& known = names->userNames();
    std::optional<QString> lastFound;
    // A row's three texts are set without telling the list cell by cell; it
    // repaints once, before a message box and at the end of the pass.
    const auto fill = [&](QTreeWidgetItem* row, const RecordTexts* record) {
        const QSignalBlocker quiet(userList->model());
        for (int c = 0; c < 3; ++c)
            setSubItem(row, firstNameColumn + c, record ? (*record)[static_cast<std::size_t>(c + 1)] : QString());
    };
    const auto repaint = qScopeGuard([&] { userList->viewport()->update(); });
    // The count is re-read: a message box runs the event loop, and the list
    // must not be walked past its end should it change meanwhile.
    for (int i = 0; i < rows && i < userList->topLevelItemCount(); ++i) {
        QTreeWidgetItem* row = userList->topLevelItem(i);
        const readers::UserNameLookup found = readers::lookUpUserName(known, row->text(0), roster);
        if (!found.record) {
            // While monitoring, the first unknown computer ends the pass.
            const bool monitoring = autoMonitorCheck->isChecked();
            if (!monitoring)
                userList->viewport()->update();
            tell(found.notice);
            if (monitoring)
                break;
            row = userList->topLevelItem(i);
            if (!row)
                break;
            fill(row, nullptr);
            continue;
        }
        fill(row, found.record);
        lastFound = (*found.record)[0];
    }
    if (lastFound)
        names->showComputer(*lastFound);
}
