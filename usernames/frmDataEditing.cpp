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

// Makes the selected computer's record current. A move stores what was
// typed into the record it leaves (an empty new record is dropped); what it
// stores joins the list and the resolution's records. A lookup during an
// addition returns the window to browsing.
void frmData::lstPut_Click() {
    const int index = lstPutIndex();
    if (index < 0)
        return;
    const QString name = names_->at(index);
    const bool adding = AddingRecord;
    if (adding && Data1.pending() && allFieldsEmpty())
        Data1.cancelUpdate();
    if (refuseNamelessStore())
        return;
    const std::optional<RecordTexts> storing =
        Data1.pending() ? std::optional<RecordTexts>(Data1.boundTexts()) : std::nullopt;
    const QString changed = shown_[0];  // the stored record an edit changes
    const FileStamp before = FileStamp::of(Data1.DatabaseName);
    bool stored = false;
    try {
        raiseAsAppError([&] {
            try {
                Data1.findComputerName(name);
                stored = storing.has_value();
            } catch (const jet::Error&) {
                if (!adding || !storing)
                    throw;
                // The new record was refused: as a data control does on a
                // move, it is dropped and the search made again.
                Data1.cancelUpdate();
                Data1.findComputerName(name);
            }
            showCurrentRecord();
        });
    } catch (const AppError& e) {
        // A refused change stays typed, on its own record; a failed search
        // leaves the current record as it was.
        if (Data1.pending() && !adding) {
            selectQuietly(names_->findExact(changed));
            refusedStore(e);
        }
    }
    // Should someone else have written the file, the next lookup reads it.
    if (stored)
        (void)keepInStep(storing, adding ? std::nullopt : std::optional<QString>(changed), before);
    if (adding)
        setBrowsing();
    AddingRecord = false;
}

// A record without a computer name is never stored: a move that would store
// one is refused, and the typed record and the list stay as they were.
bool frmData::refuseNamelessStore() {
    if (!Data1.pending() || !rtfPut[0]->text().isEmpty())
        return false;
    selectQuietly(AddingRecord ? -1 : names_->findExact(shown_[0]));
    ask(QStringLiteral("You must enter in a Computer Name in the field."), MsgIcon::Exclamation, MsgButtons::Ok,
        QStringLiteral("No Data Entered"));
    rtfPut[0]->setFocus();
    return true;
}

// Selects entry `index` (-1: none) without making its record current.
void frmData::selectQuietly(int index) {
    {
        const QSignalBlocker quiet(lstPut->selectionModel());
        if (index < 0)
            lstPut->selectionModel()->clear();
        else
            lstPut->selectionModel()->setCurrentIndex(names_->index(index), QItemSelectionModel::ClearAndSelect);
    }
    lstPut->viewport()->update();
}

// After a store made here, the list and the resolution's records take in
// `stored` in place of the record named `replaced` (either may be absent),
// so that neither is read again. False, changing nothing, when someone else
// wrote the file since it was last read here (as of `before` the store):
// then only reading it whole brings them in step.
bool frmData::keepInStep(const std::optional<RecordTexts>& stored, const std::optional<QString>& replaced,
                         const FileStamp& before) {
    if (before != stamp_)
        return false;
    const bool renamed = !stored || !replaced || *replaced != (*stored)[0];
    if (replaced) {
        records_.remove(*replaced);
        if (renamed)
            names_->remove(*replaced);
    }
    if (stored) {
        records_.add(*stored);
        if (renamed)
            names_->insert((*stored)[0]);
    }
    stamp_ = FileStamp::of(Data1.DatabaseName);
    return true;
}

void frmData::BtnAdd_Click() {
    if (!finishListing())
        return;
    try {
        raiseAsAppError([this] { Data1.addNew(); });
    } catch (const AppError& e) {
        ask(e.description(), MsgIcon::Critical);
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
        ask(e.description(), MsgIcon::Critical);
    }
    setBrowsing();
}

void frmData::BtnSav_Click() {
    if (!finishListing())
        return;
    if ((AddingRecord || Data1.pending()) && rtfPut[0]->text().isEmpty()) {
        ask(QStringLiteral("You must enter in a Computer Name in the field."), MsgIcon::Exclamation,
            MsgButtons::Ok, QStringLiteral("No Data Entered"));
        rtfPut[0]->setFocus();
        return;
    }
    if (!rtfPut[0]->text().isEmpty())
        lblInfoTag = rtfPut[0]->text();
    const std::optional<RecordTexts> storing =
        Data1.pending() ? std::optional<RecordTexts>(Data1.boundTexts()) : std::nullopt;
    const std::optional<QString> replaced = AddingRecord ? std::nullopt : std::optional<QString>(shown_[0]);
    const FileStamp before = FileStamp::of(Data1.DatabaseName);
    try {
        raiseAsAppError([&] {
            Data1.moveFirst();  // stores the pending record
            lstPut->setEnabled(true);
            if (keepInStep(storing, storing ? replaced : std::nullopt, before))
                showCurrentRecord();
            else
                relist();
        });
    } catch (const AppError& e) {
        refusedStore(e);
        setBrowsing();
        clearRecordFields();
        startLoading();
        return;
    }
    setLstPutIndex(names_->findExact(lblInfoTag));
    AddingRecord = false;
    setBrowsing();
}

// A duplicate is what the message names; any other refusal (a locked or
// read-only file, a value too long) adds the engine's reason.
void frmData::refusedStore(const AppError& e) {
    QString text = QStringLiteral("An error has taken place when refreshing the database.") + QChar('\r') +
                   QStringLiteral("Be sure you have not entered in a duplicate record.");
    if (e.number() != jet::DuplicateKey)
        text += QChar('\r') + e.description();
    ask(text, MsgIcon::Critical, MsgButtons::Ok, QStringLiteral("Database Refresh Error"));
}

// Deletes the record the user chose: the one named by the selected entry
// when Delete is pressed, and only if the file still holds it unchanged once
// the user has confirmed.
void frmData::BtnDel_Click() {
    if (!finishListing())
        return;
    try {
        raiseAsAppError([this] {
            if (Data1.tableEmpty())
                return;
            if (lstPutIndex() < 0) {
                ask(QStringLiteral("You must select a record to delete it."), MsgIcon::Exclamation, MsgButtons::Ok,
                    QStringLiteral("No Record Selected"));
                setLstPutIndex(0);
                return;
            }
            const QString name = names_->at(lstPutIndex());
            const std::optional<RecordTexts> chosen = storedRecord(name);
            if (!chosen) {
                notDeleted(name);
                return;
            }
            if (ask(QStringLiteral("Are you sure that want to delete this record?"), MsgIcon::Question,
                    MsgButtons::YesNo) != MsgAnswer::Yes) {
                rtfPut[0]->setFocus();
                return;
            }
            Data1.Refresh();  // the file as it is now
            if (!Data1.findComputerName(name) || Data1.boundTexts() != *chosen) {
                notDeleted(name);
                return;
            }
            const FileStamp before = FileStamp::of(Data1.DatabaseName);
            Data1.deleteCurrent();
            if (!keepInStep(std::nullopt, name, before))
                relist();
            if (Data1.tableEmpty()) {
                // The only record is gone: the window browses an empty list.
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

// The record named `name` as the file holds it now; nothing when it has none.
std::optional<RecordTexts> frmData::storedRecord(const QString& name) {
    const auto reader = Data1.openReader();
    if (!DataControl::findComputerName(*reader, name))
        return std::nullopt;
    return DataControl::textsOf(*reader);
}

// The record changed or went away before it could be deleted: the user is
// told, and the window shows the table as it is now.
void frmData::notDeleted(const QString& name) {
    ask(QStringLiteral("The record '%1' was changed or deleted by someone else meanwhile, so it was not deleted.")
                .arg(name) +
            QChar('\r') + QStringLiteral("Check the record, then delete it again if you still want to."),
        MsgIcon::Exclamation, MsgButtons::Ok, QStringLiteral("Record Not Deleted"));
    relist();
    setLstPutIndex(names_->findExact(name));
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
    relist();
}
