// The user list as the main window draws it: the readers' rows, their
// notices and hint, the Samba tooltips and the user name resolution.
#include "app/MainWindow.h"

#include "base/MessageBoxes.h"
#include "base/UserListModel.h"
#include "readers/ResolveUserNames.h"
#include "readers/SambaTooltips.h"
#include "readers/LockFileUsers.h"
#include "readers/RosterUsers.h"
#include "usernames/UserNameWindow.h"

#include <QCheckBox>
#include <QLabel>
#include <QLineEdit>
#include <QRadioButton>
#include <QStatusBar>
#include <QTreeView>

#include <algorithm>
#include <climits>
#include <optional>

void MainWindow::showLockFileUsers() {
    users_->clear();
    showUserRows(readers::readLockFileUsers({selectedDatabasePath(), lockFileOption, allPossibleCheck->isChecked()}));
}

void MainWindow::showRosterUsers() {
    users_->clear();
    showUserRows(readers::readRosterUsers(
        {selectedDatabasePath(), settingsStore_->value().workgroupPath, userNameEdit->text(), passwordEdit->text()}));
}

// The rows join the list together, also those read before a failure, which
// then goes on to the command's error trap.
void MainWindow::showUserRows(const readers::UserRows& read) {
    if (read.hintChecked)
        showLockHint(read.hint);
    users_->setRows(read.rows);
    if (read.failure)
        throw *read.failure;
    if (read.notice) {
        tell(*read.notice);
        return;
    }
    QStringList computers;
    for (const QStringList& row : read.rows)
        computers << row.value(0);
    const QStringList tips = readers::sambaTooltips(selectedDatabasePath(), computers);
    for (int i = 0; i < tips.size() && i < users_->rowCount(); ++i)
        if (!tips[i].isEmpty())
            users_->setToolTip(i, tips[i]);
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
    auto* label = statusLine->findChild<QLabel*>(QStringLiteral("lockHintLabel"));
    if (!label && !hint)
        return;
    if (!label) {
        label = new QLabel(statusLine);
        label->setObjectName(QStringLiteral("lockHintLabel"));
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
    const int rows = std::min(users_->rowCount(), static_cast<int>(SHRT_MAX));
    if (rows == 0)
        return;
    UserNameWindow* names = data();
    const UserNameMap& known = names->userNames();
    std::optional<QString> lastFound;
    const auto fill = [&](int row, const RecordTexts* record) {
        QStringList texts;
        for (std::size_t c = 1; c <= 3; ++c)
            texts << (record ? (*record)[c] : QString());
        users_->setTexts(row, firstNameColumn, texts);
    };
    // The count is re-read: a message box runs the event loop, and the list
    // must not be walked past its end should it change meanwhile.
    for (int i = 0; i < rows && i < users_->rowCount(); ++i) {
        const readers::UserNameLookup found = readers::lookUpUserName(known, users_->computerName(i), roster);
        if (!found.record) {
            // While monitoring, the first unknown computer ends the pass.
            const bool monitoring = autoMonitorCheck->isChecked();
            tell(found.notice);
            if (monitoring || i >= users_->rowCount())
                break;
            fill(i, nullptr);
            continue;
        }
        fill(i, found.record);
        lastFound = (*found.record)[0];
    }
    if (lastFound)
        names->showComputer(*lastFound);
}
