// The double-click on a listed user: the go-to action in the user name
// database window, or the NBTSTAT command, as the settings window chooses.
#include "app/frmMain.h"

#include "settings/frmSettings.h"
#include "usernames/frmData.h"

#include <QRadioButton>
#include <QTreeWidget>

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
