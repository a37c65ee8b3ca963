// The double-click on a listed user: the go-to action in the user name
// database window, or the NBTSTAT command, as the settings window chooses.
#include "app/frmMain.h"

#include "settings/frmSettings.h"
#include "usernames/frmData.h"

#include <QMouseEvent>
#include <QRadioButton>
#include <QTreeWidget>

// A double-click anywhere in the user list runs the action: on a row, and on
// the blank area below the rows (where an empty list has nothing else).
bool frmMain::eventFilter(QObject* watched, QEvent* event) {
    if (watched == lvUsers->viewport() && event->type() == QEvent::MouseButtonDblClick &&
        static_cast<QMouseEvent*>(event)->button() == Qt::LeftButton)
        lvUsers_DblClick();
    return QMainWindow::eventFilter(watched, event);
}

void frmMain::lvUsers_DblClick() {
    if (!settings()->optDBClk[0]->isChecked())
        mCmdPrompt_Click();
    else
        GoToSelectedComputer();
}

// The selected computer becomes the current record of the user name database
// window, which is not shown. With no row selected there is no name to look
// up, and nothing changes.
void frmMain::GoToSelectedComputer() {
    const QList<QTreeWidgetItem*> selected = lvUsers->selectedItems();
    if (selected.isEmpty())
        return;
    frmData* names = data();
    names->setLstPutIndex(names->findComputerName(selected.constFirst()->text(0)));
}
