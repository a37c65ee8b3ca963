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
#include <optional>

class DataControl {
public:
    // The fields the four text boxes are bound to, in box order.
    static constexpr std::array<const char*, 4> kBoundFields{"ComputerName", "Name", "Contact", "Email"};

    QString DatabaseName;
    QString RecordSource = QStringLiteral("T_Main");

    // Opens the file and the table anew and positions on the first record,
    // dropping a pending record. On failure (jet::Error) the control is left
    // closed.
    void Refresh();
    bool isOpen() const { return recordset_ != nullptr; }
    // The open recordset, for reading; error 91 when the control is not open.
    jet::Recordset& Recordset();
    // A second, independent recordset over the same table, for reading all
    // of it without moving the current record.
    std::unique_ptr<jet::Recordset> openReader() const;

    // Moves; each stores a pending record first.
    void moveFirst();
    void moveLast();
    void moveNext();
    void movePrevious();  // before the first record: stays on the first
    bool findFirst(const char* field, const jet::Value& sought);
    long recordCount();

    // Starts a new, empty pending record.
    void addNew();
    // Drops the pending record; nothing when there is none.
    void cancelUpdate();
    bool pending() const { return pending_.has_value(); }
    // Changes bound field `index` of the pending record, making the current
    // record pending first when nothing is; 3021 when there is no record.
    void setField(std::size_t index, const jet::Value& value);
    // Deletes the current record; afterwards there is no current record
    // until the next move.
    void deleteCurrent();

    // The texts the bound boxes show: the pending record's fields, else the
    // current record's; empty for Null and when there is no record.
    std::array<QString, 4> boundTexts();

private:
    struct Pending {
        std::optional<jet::RowLocation> at;  // nothing: a new record
        std::array<jet::Value, 4> values;
    };
    std::string path() const;
    void reopen();
    // Stores the pending record; true when something was written (the
    // recordset is then reopened on the first record).
    bool storePending();
    std::vector<jet::Value> rowFor(const Pending& p, const jet::TableDef& def, const std::vector<jet::Value>* old) const;

    std::shared_ptr<const jet::Database> database_;
    std::unique_ptr<jet::Recordset> recordset_;
    std::optional<Pending> pending_;
};
