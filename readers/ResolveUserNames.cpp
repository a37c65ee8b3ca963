#include "readers/ResolveUserNames.h"

#include "app/MessageBoxes.h"
#include "app/UserList.h"
#include "app/frmMain.h"
#include "usernames/frmData.h"

#include <QCheckBox>
#include <QLineEdit>
#include <QRadioButton>
#include <QTreeWidget>

#include <algorithm>
#include <climits>

namespace readers {

void ResolveUserNames(frmMain& w) {
    const bool roster = w.optMode[0]->isChecked();
    const int firstNameColumn = roster ? 4 : 2;  // sub-item of "User Name"; "Contact" and "Email" follow
    const int rows = std::min(w.lvUsers->topLevelItemCount(), static_cast<int>(SHRT_MAX));
    frmData* data = w.data();
    // The count is re-read: a message box runs the event loop, and the list
    // must not be walked past its end should it change meanwhile.
    for (int i = 0; i < rows && i < w.lvUsers->topLevelItemCount(); ++i) {
        QTreeWidgetItem* row = w.lvUsers->topLevelItem(i);
        const QString name = row->text(0);
        const int found = data->findComputerName(name);
        if (found < 0) {
            const QString text = QStringLiteral("There is no User Name in the User Database window with the Computer Name ");
            if (w.chkAutoMonitor->isChecked()) {
                w.showTip(text + QChar('\'') + name + QStringLiteral("'."));
                return;
            }
            msgBox(&w, roster ? text + QChar('\'') + name + QChar('\'') : text + name, MsgIcon::Exclamation,
                   MsgButtons::Ok, QStringLiteral("No User Name"));
            row = w.lvUsers->topLevelItem(i);
            if (!row)
                return;
            for (int c = 0; c < 3; ++c)
                setSubItem(row, firstNameColumn + c, QString());
            continue;
        }
        data->setLstPutIndex(found);
        for (int c = 0; c < 3; ++c)
            setSubItem(row, firstNameColumn + c, data->rtfPut[static_cast<std::size_t>(c + 1)]->text());
    }
}

}  // namespace readers
