#pragma once
// The record source of the user name database window: a database file and a
// table opened as a recordset, whose current record the window's four text
// boxes are bound to. What is typed into a box changes a pending record (the
// current one, or a new one after addNew); any move stores the pending record
// first, so that a rejected store raises its error from the move and the
// pending record stays. It holds no widgets; the window copies the texts.
#include "jet/Recordset.h"
#include "jet/Value.h"

#include <QString>

#include <array>
#include <memory>

// The texts of a record's four bound fields, in box order: computer name,
// name, contact, e-mail; empty for Null.
using RecordTexts = std::array<QString, 4>;

class DataControl {
public:
    // The fields the four text boxes are bound to, in box order.
    static constexpr std::array<const char*, 4> kBoundFields{"ComputerName", "Name", "Contact", "Email"};

    // The texts of the bound fields of `rs`'s current record (of its pending
    // record, when one is pending).
    static RecordTexts textsOf(jet::Recordset& rs);
    // Makes the record named `name` (letter case ignored) current and
    // returns true; false when there is none. Of several so named (records
    // without a computer name: Null, or empty text, found by the empty name)
    // it is the one after `skip` others, in table order.
    static bool findComputerName(jet::Recordset& rs, const QString& name, int skip = 0);

    QString DatabaseName;
    QString RecordSource = QStringLiteral("T_Main");
    // The password an encrypted database file is read with (the settings'
    // Jet password); a missing or wrong one fails the open with 3031.
    QString Password;

    // Opens the file and the table anew and positions on the first record,
    // dropping a pending record. On failure (jet::Error) the control is left
    // closed.
    void Refresh();
    bool isOpen() const { return recordset_ != nullptr; }
    // The open recordset; error 91 when the control is not open.
    jet::Recordset& Recordset();
    // A second, independent recordset over the table as the file holds it
    // now, for reading all of it without moving the current record.
    std::unique_ptr<jet::Recordset> openReader() const;
    // Whether the table holds no record.
    bool tableEmpty() const;

    // Moves; each stores a pending record first.
    void moveFirst() { Recordset().moveFirst(); }
    void moveLast() { Recordset().moveLast(); }
    void movePrevious();  // before the first record: stays on the first
    bool findComputerName(const QString& name, int skip = 0) { return findComputerName(Recordset(), name, skip); }

    void addNew() { Recordset().addNew(); }
    // Drops the pending record; nothing when there is none (or no recordset).
    void cancelUpdate();
    bool pending() const { return recordset_ && recordset_->pending(); }
    // Changes bound field `index` of the pending record, making the current
    // record pending first when nothing is; 3021 when there is no record.
    void setField(std::size_t index, const jet::Value& value) { Recordset().setField(kBoundFields.at(index), value); }
    void deleteCurrent() { Recordset().deleteCurrent(); }

    // The texts the bound boxes show for the current record: empty for Null
    // and when there is no current record.
    RecordTexts boundTexts();

private:
    std::string path() const;

    std::unique_ptr<jet::Recordset> recordset_;
};
