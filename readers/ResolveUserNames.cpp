#include "readers/ResolveUserNames.h"

#include "app/MessageBoxes.h"
#include "app/UserList.h"
#include "app/frmMain.h"
#include "usernames/frmData.h"

#include <QCheckBox>
#include <QRadioButton>
#include <QScopeGuard>
#include <QSignalBlocker>
#include <QTreeWidget>

#include <algorithm>
#include <climits>
#include <optional>

namespace readers {

// The records come from the user name database window's lookup, which
// never moves its current record: the window is brought to the last computer
// found once, at the end of the pass, and only when no one is using it.
void ResolveUserNames(frmMain& w) {
    const bool roster = w.optMode[0]->isChecked();
    const int firstNameColumn = roster ? 4 : 2;  // sub-item of "User Name"; "Contact" and "Email" follow
    const int rows = std::min(w.lvUsers->topLevelItemCount(), static_cast<int>(SHRT_MAX));
    if (rows == 0)
        return;
    frmData* data = w.data();
    const UserNameMap& known = data->userNames();
    std::optional<QString> lastFound;
    // A row's three texts are set without telling the list cell by cell; it
    // repaints once, before a message box and at the end of the pass.
    const auto fill = [&](QTreeWidgetItem* row, const RecordTexts* record) {
        const QSignalBlocker quiet(w.lvUsers->model());
        for (int c = 0; c < 3; ++c)
            setSubItem(row, firstNameColumn + c, record ? (*record)[static_cast<std::size_t>(c + 1)] : QString());
    };
    const auto repaint = qScopeGuard([&] { w.lvUsers->viewport()->update(); });
    // The count is re-read: a message box runs the event loop, and the list
    // must not be walked past its end should it change meanwhile.
    for (int i = 0; i < rows && i < w.lvUsers->topLevelItemCount(); ++i) {
        QTreeWidgetItem* row = w.lvUsers->topLevelItem(i);
        const QString name = row->text(0);
        const RecordTexts* record = known.find(name);
        if (!record) {
            const QString text = QStringLiteral("There is no User Name in the User Database window with the Computer Name ");
            if (w.chkAutoMonitor->isChecked()) {
                w.showTip(text + QChar('\'') + name + QStringLiteral("'."));
                break;
            }
            w.lvUsers->viewport()->update();
            msgBox(&w, roster ? text + QChar('\'') + name + QChar('\'') : text + name, MsgIcon::Exclamation,
                   MsgButtons::Ok, QStringLiteral("No User Name"));
            row = w.lvUsers->topLevelItem(i);
            if (!row)
                break;
            fill(row, nullptr);
            continue;
        }
        fill(row, record);
        lastFound = (*record)[0];
    }
    if (lastFound)
        data->showComputer(*lastFound);
}

}  // namespace readers
