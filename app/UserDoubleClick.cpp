// The double-click on a listed user: the go-to action in the user name
// database window, or the NBTSTAT command, as the settings window chooses.
#include "app/MainWindow.h"

#include "base/UserListModel.h"
#include "usernames/UserNameWindow.h"

#include <QMouseEvent>
#include <QTreeView>

// A double-click anywhere in the user list runs the action: on a row, and on
// the blank area below the rows (where an empty list has nothing else).
bool MainWindow::eventFilter(QObject* watched, QEvent* event) {
    if (watched == userList->viewport() && event->type() == QEvent::MouseButtonDblClick &&
        static_cast<QMouseEvent*>(event)->button() == Qt::LeftButton)
        actOnSelectedUser();
    return QMainWindow::eventFilter(watched, event);
}

void MainWindow::actOnSelectedUser() {
    if (!settingsStore_->value().doubleClickGoesToComputer)
        showNbtstat();
    else
        goToSelectedComputer();
}

// The selected computer becomes the current record of the user name database
// window, which is not shown. With no row selected there is no name to look
// up, and nothing changes.
void MainWindow::goToSelectedComputer() {
    const int selected = selectedUserRow();
    if (selected < 0)
        return;
    UserNameWindow* names = data();
    names->selectNameIndex(names->findComputerName(users_->computerName(selected)));
}
