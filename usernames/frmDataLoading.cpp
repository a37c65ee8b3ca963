// The user name database window's connection: the loading procedure that
// lists every computer name of T_Main, its failure messages, and the
// "Refresh DB Connection" command.
#include "usernames/frmData.h"

#include "app/AppError.h"
#include "app/IntervalTimer.h"
#include "app/MessageBoxes.h"
#include "app/frmMain.h"
#include "jet/Error.h"
#include "settings/Module1.h"
#include "settings/frmSettings.h"
#include "usernames/ComputerNameList.h"

#include <QElapsedTimer>
#include <QLineEdit>
#include <QToolButton>

namespace {

// How long one tick of the loading procedure may read before it lets the
// window handle input again; a large table is read over several ticks.
constexpr qint64 kReadSliceMs = 15;

QString userDatabasePath() {
    frmMain* main = frmMain::instance();
    return main ? main->settings()->txtDB->text() : QString();
}

}  // namespace

void frmData::loadTimer_Timer() {
    loadTimer->setEnabled(false);
    Module1::ConnectUserDB();
}

void frmData::startLoading() {
    reader_.reset();
    readNames_ = {};
    Timer1->setEnabled(true);
}

// A command that changes the table while the list is still being read lets
// the listing finish first, so that it never reads a file changing under it.
// False when the listing failed (the window is then in its failed state).
bool frmData::finishListing() {
    while (reader_)
        continueLoading();
    return BtnSav->isEnabled();
}

void frmData::Timer1_Timer() {
    if (reader_)
        continueLoading();
    else
        beginLoading();
}

void frmData::beginLoading() {
    names_->clear();
    clearRecordFields();  // a reset of the display only: no record changes
    Data1.DatabaseName = userDatabasePath();
    try {
        raiseAsAppError([this] {
            Data1.Refresh();
            reader_ = Data1.openReader();
            reader_->moveFirst();
        });
    } catch (const AppError& e) {
        loadingFailed(e.number());
        return;
    }
    continueLoading();
}

void frmData::continueLoading() {
    QElapsedTimer slice;
    slice.start();
    QStringList batch;
    // The batch read so far joins the sorted names however the slice ends.
    const auto keepBatch = [&] { readNames_.merge(std::exchange(batch, {})); };
    try {
        raiseAsAppError([&] {
            while (!reader_->eof()) {
                batch << QString::fromStdString(reader_->field("ComputerName").toText());
                reader_->moveNext();
                if (slice.elapsed() >= kReadSliceMs) {
                    keepBatch();
                    return;  // Timer1 stays enabled: the next tick reads on
                }
            }
            keepBatch();
            finishLoading();
        });
    } catch (const AppError& e) {
        keepBatch();
        loadingFailed(e.number());
    }
}

void frmData::finishLoading() {
    Timer1->setEnabled(false);
    reader_.reset();
    names_->assign(std::exchange(readNames_, {}));
    Data1.moveFirst();
    showCurrentRecord();
}

void frmData::loadingFailed(int number) {
    Timer1->setEnabled(false);
    reader_.reset();
    names_->assign(std::exchange(readNames_, {}));  // the names read before the failure stay listed
    if (number == jet::NoCurrentRecord) {
        seedEmptyTable();
        return;
    }
    msgBox(boxOwner(),
           QStringLiteral("There may be something wrong with the User Name database path or it is not avavilable "
                          "at this time.") +
               QChar('\r') + QStringLiteral("Cannot find the required file 'compnamedb.mdb'"),
           MsgIcon::Critical, MsgButtons::Ok, QStringLiteral("Invalid Database File"));
    msgBox(boxOwner(),
           QStringLiteral("Please go back into the Settings window and check the file path for the correct file "
                          "name 'compnamedb.mdb'") +
               QChar('\r') +
               QStringLiteral("After checking the path, go to the User Database window and click the Refresh DB "
                              "Connection button to reconnect the database."),
           MsgIcon::Exclamation, MsgButtons::Ok, QStringLiteral("Verify Path Settings"));
    BtnRefreshImg->setEnabled(true);
    setRecordButtons(false);
}

void frmData::setRecordButtons(bool enabled) {
    BtnSav->setEnabled(enabled);
    BtnAdd->setEnabled(enabled);
    BtnDel->setEnabled(enabled);
}

void frmData::BtnRefreshImg_Click() {
    BtnRefreshImg->setEnabled(false);
    setRecordButtons(true);
    Module1::ConnectUserDB();
}

// An empty table is seeded. Should the file refuse the new record (a
// read-only file), the record is dropped and the list stays empty.
void frmData::seedEmptyTable() {
    try {
        raiseAsAppError([this] { AddRec(); });
    } catch (const AppError&) {
        try {
            Data1.cancelUpdate();
        } catch (...) {
        }
        clearRecordFields();
    }
}
