// The user name database window as the user name resolution's lookup: the
// records of T_Main by computer name, read again when someone else changed
// the file, and the one selection a pass makes when it can disturb no one.
#include "usernames/UserNameWindow.h"

#include "base/AppError.h"
#include "usernames/ReleaseInBackground.h"

#include <QApplication>
#include <QListView>
#include <QScopeGuard>

#include <chrono>

namespace {

// A pass waits for the reload of a table this small (a few milliseconds'
// reading); of a larger one it goes on with the records read before, so
// that the window keeps answering input.
constexpr qsizetype kSmallTable = 10000;

}  // namespace

bool UserNameWindow::inUse() const {
    return QApplication::activeWindow() == this || addingRecord || recordSource.pending() || boxesOpen_ > 0;
}

const UserNameMap& UserNameWindow::userNames() {
    if (loading() || !recordSource.isOpen())
        return records_;
    takeReload();
    const FileStamp now = FileStamp::of(recordSource.DatabaseName);
    if (reloading_.valid() || now == stamp_)
        return records_;
    // Changed by someone else: read again on a worker; until it is done the
    // records read before serve.
    reloadInBackground(now);
    // A small table is read at once: this pass already finds its records.
    if (reloading_.valid() && records_.size() < kSmallTable) {
        reloading_.wait();
        takeReload();
    }
    return records_;
}

void UserNameWindow::reloadInBackground(const FileStamp& now) {
    if (reloading_.valid())
        return;  // one reading at a time: the next pass looks again once it ends
    trapErrors(
        [&] {
            reloadingStamp_ = now;
            reloadingGeneration_ = listGeneration_;
            reloading_ = std::async(std::launch::async, reloadRecords, recordSource.openReader(), now);
        },
        [&](const AppError&) {
            stamp_ = now;  // can't be read now: tried again once it changes again
        });
}

UserNameWindow::Reload UserNameWindow::reloadRecords(std::unique_ptr<jet::Recordset> reader, FileStamp stamp) {
    Listing read;
    readRecords(*reader, read, -1);
    return {ComputerNameList::sorted(std::move(read.names), std::move(read.folded)), std::move(read.records), stamp};
}

void UserNameWindow::takeReload() {
    if (!reloading_.valid() || boxesOpen_ > 0 ||
        reloading_.wait_for(std::chrono::seconds(0)) != std::future_status::ready)
        return;
    trapErrors(
        [&] {
            Reload read = reloading_.get();
            if (reloadingGeneration_ != listGeneration_)
                return;  // the list was read or changed here since: the next pass looks again
            const bool selected = nameIndex() >= 0;
            names_->assign(std::move(read.order));
            releaseInBackground(std::exchange(records_, std::move(read.records)));
            stamp_ = read.stamp;
            const QString shown = edit_.shown()[0];
            const int entry = names_->findExact(shown) < 0 ? -1 : names_->findExact(shown) + shownSkip_;
            if (addingRecord || recordSource.pending()) {
                selectQuietly(addingRecord ? -1 : entry);  // the typing stays as it is
                return;
            }
            // The record shown as the file holds it now.
            const int skip = shownSkip_;
            recordSource.Refresh();
            const bool found = entry >= 0 && recordSource.findComputerName(shown, skip);
            showCurrentRecord();
            shownSkip_ = found ? skip : 0;
            selectQuietly(found && selected ? entry : -1);
        },
        [&](const AppError&) {
            stamp_ = reloadingStamp_;  // can't be read now: tried again once it changes again
        });
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
