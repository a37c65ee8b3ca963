// Editing the user name database: the list selection, Add, Cancel Add, Save
// and Delete, and the two states of the window (browsing and adding).
#include "usernames/UserNameWindow.h"

#include "base/AppError.h"
#include "base/MessageBoxes.h"
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

void UserNameWindow::setBrowsing() {
    nameList->setEnabled(true);
    infoLabel->setText(kBrowsing);
    cancelAddButton->setEnabled(false);
    deleteButton->setEnabled(true);
    addButton->setEnabled(true);
    addingRecord = false;
}

// What the user types goes into the current (or the new) record; the next
// move stores it.
void UserNameWindow::fieldEdited(int index, const QString& text) {
    edit_.edit(static_cast<std::size_t>(index));
    trapErrors([&] { recordSource.setField(static_cast<std::size_t>(index), boundValue(text)); },
               [](const AppError&) {
                   // No record to change: the text stays in the box only,
                   // which is all the user asked for.
               });
}

// Makes the selected computer's record current. A move stores what was
// typed into the record it leaves (an empty new record is dropped); what it
// stores joins the list and the resolution's records. A lookup during an
// addition returns the window to browsing.
void UserNameWindow::showSelectedName() {
    const int index = nameIndex();
    if (index < 0)
        return;
    if (!movingItself_)
        setFollowing(false);  // the user picked this record: the window stays on it
    const QString name = names_->at(index);
    const int skip = sameNamesBefore(index);
    const bool adding = addingRecord;
    if (adding && recordSource.pending() && allFieldsEmpty())
        recordSource.cancelUpdate();
    if (refuseNamelessStore())
        return;
    std::optional<RecordTexts> storing;
    const QString changed = edit_.shown()[0];  // the stored record an edit changes
    FileStamp before;
    bool stored = false;
    bool becameNew = false;
    trapErrors(
        [&] {
            if (!adding && recordSource.pending() && reconcileEdit() == EditOutcome::Deleted) {
                becameNew = true;
                return;
            }
            if (recordSource.pending())
                storing = recordSource.boundTexts();
            before = FileStamp::of(recordSource.DatabaseName);
            try {
                recordSource.findComputerName(name, skip);
                stored = storing.has_value();
            } catch (const jet::Error&) {
                if (!adding || !storing)
                    throw;
                // The new record was refused: as a data control does on a
                // move, it is dropped and the search made again.
                recordSource.cancelUpdate();
                recordSource.findComputerName(name, skip);
            }
            showCurrentRecord();
            shownSkip_ = skip;
        },
        [&](const AppError& e) {
            // A refused change stays typed, on its own record; a failed
            // search leaves the current record as it was, and says nothing.
            if (recordSource.pending() && !adding) {
                selectQuietly(names_->findExact(changed));
                refusedStore(e);
            }
        });
    if (becameNew)
        return;
    // Should someone else have written the file, the next lookup reads it.
    if (stored)
        keepInStep(storing, adding ? std::nullopt : std::optional<QString>(changed), before);
    if (adding)
        setBrowsing();
    addingRecord = false;
}

// A record without a computer name is never stored: a move that would store
// one asks whether to drop the typing. Dropped, the move goes on; kept, the
// typed record and the list stay as they were.
bool UserNameWindow::refuseNamelessStore() {
    if (!recordSource.pending() || !fieldEdits[0]->text().isEmpty())
        return false;
    const int moveTo = nameIndex();
    selectQuietly(addingRecord ? -1 : names_->findExact(edit_.shown()[0]) + shownSkip_);
    if (ask(QStringLiteral("You must enter in a Computer Name in the field.") + QChar('\r') +
                QStringLiteral("Drop the changes to this record?"),
            MsgIcon::Exclamation, MsgButtons::YesNo, QStringLiteral("No Data Entered")) == MsgAnswer::Yes) {
        recordSource.cancelUpdate();
        selectQuietly(moveTo);
        return false;
    }
    fieldEdits[0]->setFocus();
    return true;
}

// Selects entry `index` (-1: none) without making its record current.
void UserNameWindow::selectQuietly(int index) {
    {
        const QSignalBlocker quiet(nameList->selectionModel());
        if (index < 0)
            nameList->selectionModel()->clear();
        else
            nameList->selectionModel()->setCurrentIndex(names_->index(index), QItemSelectionModel::ClearAndSelect);
    }
    nameList->viewport()->update();
}

// After a store made here, the list and the resolution's records take in
// `stored` in place of the record named `replaced` (either may be absent),
// so that neither is read again on the window's thread. When someone else
// wrote the file since it was last read here (as of `before` the store),
// it is read again on a worker as well.
void UserNameWindow::keepInStep(const std::optional<RecordTexts>& stored, const std::optional<QString>& replaced,
                                const FileStamp& before) {
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
    ++listGeneration_;
    const FileStamp now = FileStamp::of(recordSource.DatabaseName);
    if (before == stamp_)
        stamp_ = now;
    else
        reloadInBackground(now);  // someone else wrote too: their changes come with a reading

}

void UserNameWindow::addRecord() {
    if (!finishListing())
        return;
    if (!trapErrors([this] { recordSource.addNew(); }, [this](const AppError& e) { ask(e.description(), MsgIcon::Critical); }))
        return;
    clearRecordFields();  // the new record is empty
    showAdding();
}

void UserNameWindow::showAdding() {
    selectQuietly(-1);
    fieldEdits[0]->setFocus();
    cancelAddButton->setEnabled(true);
    deleteButton->setEnabled(false);
    addButton->setEnabled(false);
    nameList->setEnabled(false);
    infoLabel->setText(kAdding);
    addingRecord = true;
}

void UserNameWindow::cancelAdding() {
    trapErrors(
        [this] {
            recordSource.cancelUpdate();
            showCurrentRecord();  // the record current before the addition
        },
        [this](const AppError& e) { ask(e.description(), MsgIcon::Critical); });
    setBrowsing();
}

void UserNameWindow::saveRecord() {
    if (!finishListing())
        return;
    if ((addingRecord || recordSource.pending()) && fieldEdits[0]->text().isEmpty()) {
        ask(QStringLiteral("You must enter in a Computer Name in the field."), MsgIcon::Exclamation,
            MsgButtons::Ok, QStringLiteral("No Data Entered"));
        fieldEdits[0]->setFocus();
        return;
    }
    if (!fieldEdits[0]->text().isEmpty())
        infoTag = fieldEdits[0]->text();
    const std::optional<QString> replaced = addingRecord ? std::nullopt : std::optional<QString>(edit_.shown()[0]);
    EditOutcome outcome = EditOutcome::Store;
    const bool saved = trapErrors(
        [&] {
            if (!addingRecord && recordSource.pending())
                outcome = reconcileEdit();
            if (outcome != EditOutcome::Store)
                return;
            const std::optional<RecordTexts> storing =
                recordSource.pending() ? std::optional<RecordTexts>(recordSource.boundTexts()) : std::nullopt;
            const FileStamp before = FileStamp::of(recordSource.DatabaseName);
            recordSource.moveFirst();  // stores the pending record
            nameList->setEnabled(true);
            keepInStep(storing, storing ? replaced : std::nullopt, before);
            showCurrentRecord();
        },
        [&](const AppError& e) {
            refusedStore(e);
            setBrowsing();
            clearRecordFields();
            startLoading();
        });
    if (!saved || outcome == EditOutcome::Deleted)
        return;
    if (outcome == EditOutcome::Dropped) {
        selectQuietly(names_->findExact(edit_.shown()[0]) + shownSkip_);
        return;
    }
    selectNameIndex(names_->findExact(infoTag));
    addingRecord = false;
    setBrowsing();
}

// A duplicate is what the message names; any other refusal (a locked or
// read-only file, a value too long) adds the engine's reason.
void UserNameWindow::refusedStore(const AppError& e) {
    QString text = QStringLiteral("An error has taken place when refreshing the database.") + QChar('\r') +
                   QStringLiteral("Be sure you have not entered in a duplicate record.");
    if (e.number() != jet::DuplicateKey)
        text += QChar('\r') + e.description();
    ask(text, MsgIcon::Critical, MsgButtons::Ok, QStringLiteral("Database Refresh Error"));
}

// Deletes the record the user chose: the one named by the selected entry
// when Delete is pressed, and only if the file still holds it unchanged once
// the user has confirmed.
void UserNameWindow::deleteRecord() {
    if (!finishListing())
        return;
    trapErrors(
        [this] {
            if (recordSource.tableEmpty())
                return;
            if (nameIndex() < 0) {
                ask(QStringLiteral("You must select a record to delete it."), MsgIcon::Exclamation, MsgButtons::Ok,
                    QStringLiteral("No Record Selected"));
                selectNameIndex(0);
                return;
            }
            const QString name = names_->at(nameIndex());
            const int skip = sameNamesBefore(nameIndex());
            const std::optional<RecordTexts> chosen = storedRecord(name, skip);
            if (!chosen) {
                notDeleted(name);
                return;
            }
            if (ask(QStringLiteral("Are you sure that want to delete this record?") + QChar('\r') +
                        QStringLiteral("Computer Name: %1, User Name: %2")
                            .arg(name.isEmpty() ? QStringLiteral("(none)") : name, (*chosen)[1]),
                    MsgIcon::Question, MsgButtons::YesNo) != MsgAnswer::Yes) {
                fieldEdits[0]->setFocus();
                return;
            }
            recordSource.Refresh();  // the file as it is now
            if (!recordSource.findComputerName(name, skip) || recordSource.boundTexts() != *chosen) {
                notDeleted(name);
                return;
            }
            const FileStamp before = FileStamp::of(recordSource.DatabaseName);
            recordSource.deleteCurrent();
            keepInStep(std::nullopt, name, before);
            if (recordSource.tableEmpty()) {
                // The only record is gone: the window browses an empty list.
                clearRecordFields();
                setBrowsing();
                return;
            }
            recordSource.moveLast();
            showCurrentRecord();
            saveRecord();
            infoLabel->setText(kBrowsing);
        },
        [this](const AppError&) {
            // The delete ends without a message, as the command always has:
            // the record stays listed, which shows that it was not deleted.
            infoLabel->setText(kBrowsing);
        });
}

std::optional<RecordTexts> UserNameWindow::storedRecord(const QString& name, int skip) {
    const auto reader = recordSource.openReader();
    if (!DataControl::findComputerName(*reader, name, skip))
        return std::nullopt;
    return DataControl::textsOf(*reader);
}

// The record changed or went away before it could be deleted: the user is
// told, and the window shows the table as it is now.
void UserNameWindow::notDeleted(const QString& name) {
    ask(QStringLiteral("The record '%1' was changed or deleted by someone else meanwhile, so it was not deleted.")
                .arg(name) +
            QChar('\r') + QStringLiteral("Check the record, then delete it again if you still want to."),
        MsgIcon::Exclamation, MsgButtons::Ok, QStringLiteral("Record Not Deleted"));
    relist();
    selectNameIndex(names_->findExact(name));
}

bool UserNameWindow::allFieldsEmpty() const {
    for (const QLineEdit* box : fieldEdits)
        if (!box->text().isEmpty())
            return false;
    return true;
}

// Seeds an empty table: a new record whose computer name is "Test Record",
// stored by the move that follows, then listed.
void UserNameWindow::addFirstRecord() {
    recordSource.addNew();
    fieldEdits[0]->setText(QStringLiteral("Test Record"));
    recordSource.setField(0, boundValue(fieldEdits[0]->text()));
    recordSource.moveFirst();
    relist();
}

int UserNameWindow::sameNamesBefore(int index) const { return index - names_->findExact(names_->at(index)); }

// Before a change to a shown record is stored, the file is opened afresh and
// the user's changed fields laid over the record as it is stored now, so
// that nobody else's change to the other fields is undone. When someone else
// changed the record since it was shown, the user chooses whose values
// stay; when it is gone, what they typed stays in the boxes as a new record.
UserNameWindow::EditOutcome UserNameWindow::reconcileEdit() {
    const QString name = edit_.shown()[0];
    const std::optional<RecordTexts> now = storedRecord(name, shownSkip_);
    const RecordTexts typed = fieldTexts();
    const RecordEdit::Conflict conflict = edit_.against(now);
    recordSource.Refresh();  // drops the pending record, opened over the file as it is now
    if (conflict == RecordEdit::Conflict::Deleted) {
        ask(QStringLiteral("The record '%1' was deleted or renamed by someone else, so your changes were not saved.")
                    .arg(name) +
                QChar('\r') + QStringLiteral("What you typed is still in the boxes: Save adds it as a new record."),
            MsgIcon::Exclamation, MsgButtons::Ok, QStringLiteral("Record Deleted"));
        recordSource.addNew();
        for (std::size_t i = 0; i < typed.size(); ++i)
            if (!typed[i].isEmpty())
                recordSource.setField(i, boundValue(typed[i]));
        showAdding();
        return EditOutcome::Deleted;
    }
    recordSource.findComputerName(name, shownSkip_);
    if (conflict == RecordEdit::Conflict::Changed &&
        ask(QStringLiteral("Someone else changed the record '%1' since it was shown.").arg(name) + QChar('\r') +
                QStringLiteral("Save your changes over theirs? Choose No to drop your changes and see the record "
                               "as stored."),
            MsgIcon::Exclamation, MsgButtons::YesNo, QStringLiteral("Write Conflict")) != MsgAnswer::Yes) {
        const int skip = shownSkip_;
        showCurrentRecord();
        shownSkip_ = skip;
        return EditOutcome::Dropped;
    }
    const RecordTexts merged = edit_.mergedOnto(*now, typed);
    for (std::size_t i = 0; i < merged.size(); ++i)
        if (merged[i] != (*now)[i])
            recordSource.setField(i, boundValue(merged[i]));
    return EditOutcome::Store;
}
