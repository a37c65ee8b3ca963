// Editing the user name database: the list selection, Add, Cancel Add, Save
// and Delete, and the two states of the window (browsing and adding).
#include "usernames/frmData.h"

#include "app/AppError.h"
#include "app/IntervalTimer.h"
#include "app/MessageBoxes.h"
#include "jet/Error.h"
#include "usernames/ComputerNameList.h"

#include <QLabel>
#include <QLineEdit>
#include <QListView>
#include <QSignalBlocker>
#include <QToolButton>

namespace {

const QString kBrowsing = QStringLiteral("Select Record");
const QString kAdding = QStringLiteral("Enter In Data or Cancel New Record");
constexpr int kDuplicate = 3022;

jet::Value boundValue(const QString& text) {
    return text.isEmpty() ? jet::Value() : jet::Value::text(text.toStdString());
}

}  // namespace

void frmData::setBrowsing() {
    lstPut->setEnabled(true);
    lblInfo->setText(kBrowsing);
    BtnCancelRecAdd->setEnabled(false);
    BtnDel->setEnabled(true);
    BtnAdd->setEnabled(true);
    AddingRecord = false;
}

// What the user types goes into the current (or the new) record; the next
// move stores it.
void frmData::rtfPut_Change(int index, const QString& text) {
    try {
        raiseAsAppError([&] {
            Data1.setField(static_cast<std::size_t>(index), boundValue(text));
        });
    } catch (const AppError&) {
        // No record to change: the text stays in the box only.
    }
}

// Makes the selected computer's record current. The record is found by the
// value of its computer name, so that a name holding a quote is found too.
// A lookup during an addition stores what was typed (an empty new record is
// dropped) and returns the window to browsing.
void frmData::lstPut_Click() {
    const int index = lstPutIndex();
    if (index < 0)
        return;
    const QString name = names_->at(index);
    const bool adding = AddingRecord;
    try {
        raiseAsAppError([&] {
            const bool newRecord = adding && Data1.pending();
            if (newRecord && allFieldsEmpty())
                Data1.cancelUpdate();
            bool stored = newRecord && Data1.pending();
            const QString typed = rtfPut[0]->text();
            try {
                Data1.findFirst("ComputerName", jet::Value::text(name.toStdString()));
            } catch (const jet::Error&) {
                if (!stored)
                    throw;
                // The new record was refused: there is no one to tell during
                // a lookup, so it is dropped and the search made again.
                Data1.cancelUpdate();
                stored = false;
                Data1.findFirst("ComputerName", jet::Value::text(name.toStdString()));
            }
            if (stored) {
                // The stored computer joins the list; the sought one stays
                // selected.
                names_->add({typed});
                const QSignalBlocker quiet(lstPut->selectionModel());
                lstPut->selectionModel()->setCurrentIndex(names_->index(names_->findExact(name)),
                                                          QItemSelectionModel::ClearAndSelect);
            }
            showCurrentRecord();
        });
    } catch (const AppError&) {
        // A failed search leaves the current record as it was.
    }
    if (adding)
        setBrowsing();
    AddingRecord = false;
}

void frmData::BtnAdd_Click() {
    if (!finishListing())
        return;
    try {
        raiseAsAppError([this] { Data1.addNew(); });
    } catch (const AppError& e) {
        msgBox(boxOwner(), e.description(), MsgIcon::Critical);
        return;
    }
    clearRecordFields();  // the new record is empty
    rtfPut[0]->setFocus();
    BtnCancelRecAdd->setEnabled(true);
    BtnDel->setEnabled(false);
    BtnAdd->setEnabled(false);
    lstPut->setEnabled(false);
    lblInfo->setText(kAdding);
    AddingRecord = true;
}

void frmData::BtnCancelRecAdd_Click() {
    try {
        raiseAsAppError([this] {
            Data1.cancelUpdate();
            showCurrentRecord();  // the record current before the addition
        });
    } catch (const AppError& e) {
        msgBox(boxOwner(), e.description(), MsgIcon::Critical);
    }
    setBrowsing();
}

void frmData::BtnSav_Click() {
    if (!finishListing())
        return;
    if (AddingRecord && rtfPut[0]->text().isEmpty()) {
        msgBox(boxOwner(), QStringLiteral("You must enter in a Computer Name in the field."), MsgIcon::Exclamation,
               MsgButtons::Ok, QStringLiteral("No Data Entered"));
        rtfPut[0]->setFocus();
        return;
    }
    if (!rtfPut[0]->text().isEmpty())
        lblInfoTag = rtfPut[0]->text();
    try {
        raiseAsAppError([this] {
            Data1.moveFirst();  // stores the pending record
            Data1.Refresh();
            lstPut->setEnabled(true);
            names_->clear();
            names_->add(readAllNames());
            showCurrentRecord();
        });
    } catch (const AppError& e) {
        // A duplicate is what the message names; any other refusal (a locked
        // or read-only file, a value too long) adds the engine's reason.
        QString text = QStringLiteral("An error has taken place when refreshing the database.") + QChar('\r') +
                       QStringLiteral("Be sure you have not entered in a duplicate record.");
        if (e.number() != kDuplicate)
            text += QChar('\r') + e.description();
        msgBox(boxOwner(), text, MsgIcon::Critical, MsgButtons::Ok, QStringLiteral("Database Refresh Error"));
        setBrowsing();
        clearRecordFields();
        startLoading();
        return;
    }
    setLstPutIndex(names_->findExact(lblInfoTag));
    AddingRecord = false;
    setBrowsing();
}

void frmData::BtnDel_Click() {
    if (!finishListing())
        return;
    try {
        raiseAsAppError([this] {
            if (Data1.tableEmpty())
                return;
            if (lstPutIndex() < 0) {
                msgBox(boxOwner(), QStringLiteral("You must select a record to delete it."), MsgIcon::Exclamation,
                       MsgButtons::Ok, QStringLiteral("No Record Selected"));
                setLstPutIndex(0);
                return;
            }
            if (msgBox(boxOwner(), QStringLiteral("Are you sure that want to delete this record?"), MsgIcon::Question,
                       MsgButtons::YesNo) != MsgAnswer::Yes) {
                rtfPut[0]->setFocus();
                return;
            }
            Data1.deleteCurrent();
            if (Data1.tableEmpty()) {
                // The only record is gone: the list is rebuilt from the
                // (now empty) table and the window browses.
                Data1.Refresh();
                names_->clear();
                clearRecordFields();
                setBrowsing();
                return;
            }
            Data1.moveLast();
            showCurrentRecord();
            BtnSav_Click();
            lblInfo->setText(kBrowsing);
        });
    } catch (const AppError&) {
        lblInfo->setText(kBrowsing);
    }
}

QStringList frmData::readAllNames() {
    QStringList out;
    const auto reader = Data1.openReader();
    for (bool more = reader->hasCurrent(); more; more = (reader->moveNext(), !reader->eof()))
        out << QString::fromStdString(reader->field("ComputerName").toText());
    return out;
}

bool frmData::allFieldsEmpty() const {
    for (const QLineEdit* box : rtfPut)
        if (!box->text().isEmpty())
            return false;
    return true;
}

// Seeds an empty table: a new record whose computer name is "Test Record",
// stored by the move that follows, then listed.
void frmData::AddRec() {
    Data1.addNew();
    rtfPut[0]->setText(QStringLiteral("Test Record"));
    Data1.setField(0, boundValue(rtfPut[0]->text()));
    Data1.moveFirst();
    Data1.Refresh();
    names_->add(readAllNames());
    showCurrentRecord();
}
