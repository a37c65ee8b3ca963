// The user name database window's connection: the loading procedure that
// lists every computer name of T_Main, its failure messages, and the
// "Refresh DB Connection" command.
#include "usernames/UserNameWindow.h"

#include "base/AppError.h"
#include "base/MessageBoxes.h"
#include "jet/Error.h"
#include "usernames/ComputerNameList.h"
#include "usernames/ReleaseInBackground.h"

#include <QElapsedTimer>
#include <QTimer>
#include <QToolButton>

#include <chrono>

namespace {

// How long one tick of the loading procedure may read before it lets the
// window handle input again; a large table is read over several ticks.
constexpr qint64 kReadSliceMs = 10;

}  // namespace

void UserNameWindow::connectTick() {
    connectTimer->stop();
    emit connectionRequested();
}

void UserNameWindow::connectTo(const QString& path, const QString& password) {
    recordSource.DatabaseName = path;
    recordSource.Password = password;
    startLoading();
}

void UserNameWindow::startLoading() {
    ++listGeneration_;
    reader_.reset();
    sorting_ = {};
    listing_ = {};
    readTimer->start();
}

// A command that changes the table while the list is still being read lets
// the listing finish first, so that it never reads a file changing under it.
// False when the listing failed (the window is then in its failed state).
bool UserNameWindow::finishListing() {
    while (loading()) {
        if (sorting_.valid())
            sorting_.wait();
        continueLoading();
    }
    return saveButton->isEnabled();
}

void UserNameWindow::readTick() {
    if (loading())
        continueLoading();
    else
        beginLoading();
}

void UserNameWindow::beginLoading() {
    names_->clear();
    clearRecordFields();  // a reset of the display only: no record changes
    listing_ = {};
    listing_.stamp = FileStamp::of(recordSource.DatabaseName);
    trapErrors(
        [this] {
            recordSource.Refresh();
            reader_ = recordSource.openReader();
            reader_->moveFirst();
        },
        [this](const AppError& e) { loadingFailed(e); });
    // readTimer stays enabled: the reading starts with the next tick.
}

// One tick: a slice of reading; once the table is read, its names are put
// in order on a worker thread (100,000 take tens of milliseconds), and the
// ticks that follow only look whether that is done.
void UserNameWindow::continueLoading() {
    trapErrors(
        [&] {
            if (sorting_.valid()) {
                if (sorting_.wait_for(std::chrono::seconds(0)) == std::future_status::ready)
                    finishLoading();
                return;
            }
            readListing(*reader_, kReadSliceMs);
            if (!reader_->eof())
                return;  // readTimer stays enabled: the next tick reads on
            reader_.reset();
            sorting_ = std::async(std::launch::async, ComputerNameList::sorted, std::move(listing_.names),
                                  std::move(listing_.folded));
        },
        [this](const AppError& e) { loadingFailed(e); });
}

// Reads records from `reader` into the listing, in table order, until its
// end or until `budgetMs` have passed (-1: no limit).
void UserNameWindow::readRecords(jet::Recordset& reader, Listing& into, qint64 budgetMs) {
    QElapsedTimer slice;
    slice.start();
    while (!reader.eof()) {
        const RecordTexts record = DataControl::textsOf(reader);
        into.names << record[0];
        into.folded << record[0].toCaseFolded();  // folded once, for the list and the records
        into.records.add(into.folded.constLast(), record);
        reader.moveNext();
        if (budgetMs >= 0 && slice.elapsed() >= budgetMs)
            return;
    }
}

// The listing read becomes the list, with its names in `order`, and the
// resolution's records.
void UserNameWindow::takeListing(ComputerNameList::SortedNames order) {
    Listing read = std::exchange(listing_, {});
    names_->assign(std::move(order));
    releaseInBackground(std::exchange(records_, std::move(read.records)));
    stamp_ = read.stamp;
    ++listGeneration_;
}

void UserNameWindow::finishLoading() {
    readTimer->stop();
    takeListing(sorting_.get());
    recordSource.moveFirst();
    showCurrentRecord();
}

// Reads the whole table anew into the list and the resolution's records,
// and shows its first record.
void UserNameWindow::relist() {
    listing_ = {};
    listing_.stamp = FileStamp::of(recordSource.DatabaseName);
    recordSource.Refresh();
    readListing(*recordSource.openReader(), -1);
    takeListing(sortedListing());
    showCurrentRecord();
}

ComputerNameList::SortedNames UserNameWindow::sortedListing() {
    return ComputerNameList::sorted(std::move(listing_.names), std::move(listing_.folded));
}

void UserNameWindow::loadingFailed(const AppError& error) {
    readTimer->stop();
    reader_.reset();
    takeListing(sortedListing());  // the names read before the failure stay listed
    if (error.number() == jet::NoCurrentRecord) {
        seedEmptyTable();
        return;
    }
    // An encrypted database without its password is no wrong path: the
    // engine's message says it is encrypted and wants the password.
    if (error.number() == jet::InvalidPassword) {
        ask(error.description(), MsgIcon::Critical, MsgButtons::Ok, QStringLiteral("Not a valid password"));
        refreshButton->setEnabled(true);
        setRecordButtons(false);
        return;
    }
    ask(QStringLiteral("There may be something wrong with the User Name database path or it is not avavilable "
                       "at this time.") +
            QChar('\r') + QStringLiteral("Cannot find the required file 'compnamedb.mdb'"),
        MsgIcon::Critical, MsgButtons::Ok, QStringLiteral("Invalid Database File"));
    ask(QStringLiteral("Please go back into the Settings window and check the file path for the correct file "
                       "name 'compnamedb.mdb'") +
            QChar('\r') +
            QStringLiteral("After checking the path, go to the User Database window and click the Refresh DB "
                           "Connection button to reconnect the database."),
        MsgIcon::Exclamation, MsgButtons::Ok, QStringLiteral("Verify Path Settings"));
    refreshButton->setEnabled(true);
    setRecordButtons(false);
}

void UserNameWindow::setRecordButtons(bool enabled) {
    saveButton->setEnabled(enabled);
    addButton->setEnabled(enabled);
    deleteButton->setEnabled(enabled);
}

void UserNameWindow::refreshConnection() {
    refreshButton->setEnabled(false);
    setRecordButtons(true);
    emit connectionRequested();
}

// An empty table is seeded. Should the file refuse the new record (a
// read-only file), the record is dropped and the list stays empty.
void UserNameWindow::seedEmptyTable() {
    trapErrors([this] { addFirstRecord(); },
               [this](const AppError&) {
                   try {
                       recordSource.cancelUpdate();
                   } catch (...) {
                       // Nothing was pending to drop: the refused record is
                       // gone either way, and an empty list is all there is.
                   }
                   clearRecordFields();
               });
}
