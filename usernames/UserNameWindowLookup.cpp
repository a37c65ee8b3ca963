// The user name database window as the user name resolution's lookup: the
// records of T_Main by computer name, read again when someone else changed
// the file, and the one selection a pass makes when it can disturb no one.
#include "usernames/UserNameWindow.h"

#include "base/AppError.h"
#include "usernames/ReleaseInBackground.h"

#include <QApplication>
#include <QListView>
#include <QScopeGuard>

bool UserNameWindow::inUse() const {
    return QApplication::activeWindow() == this || addingRecord || recordSource.pending() || boxesOpen_ > 0;
}

const UserNameMap& UserNameWindow::userNames() {
    if (loading() || !recordSource.isOpen())
        return records_;
    const FileStamp now = FileStamp::of(recordSource.DatabaseName);
    if (now == stamp_ && !listBehind_)
        return records_;
    trapErrors(
        [&] {
            if (!inUse()) {
                relistKeepingSelection();
                return;
            }
            if (now == stamp_)
                return;
            // The window stays as the user left it; its list follows once
            // it is no longer in use.
            listing_ = {};
            listing_.stamp = now;
            readListing(*recordSource.openReader(), -1);
            releaseInBackground(std::exchange(records_, std::move(listing_.records)));
            stamp_ = now;
            listing_ = {};
            listBehind_ = true;
        },
        [&](const AppError&) {
            // The file can't be read now: the records read before serve
            // until it changes again; the pass asking for them goes on.
            listing_ = {};
            stamp_ = now;
        });
    return records_;
}

void UserNameWindow::relistKeepingSelection() {
    const int selected = nameIndex();
    const QString name = selected >= 0 ? names_->at(selected) : QString();
    relist();
    if (selected >= 0)
        moveItself(names_->findExact(name));
}

void UserNameWindow::moveItself(int index) {
    movingItself_ = true;
    const auto done = qScopeGuard([this] { movingItself_ = false; });
    selectNameIndex(index);
}

void UserNameWindow::showComputer(const QString& name) {
    if (loading() || !following() || inUse())
        return;
    const int index = names_->findExact(name);
    if (index >= 0 && index != nameIndex())
        moveItself(index);
}

MsgAnswer UserNameWindow::ask(const QString& text, MsgIcon icon, MsgButtons buttons, const QString& title) {
    ++boxesOpen_;
    const auto closed = qScopeGuard([this] { --boxesOpen_; });
    return msgBox(boxOwner(), text, icon, buttons, title);
}
