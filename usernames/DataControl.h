#pragma once
// The record source of the user name database window: a database file and a
// table opened as a recordset, whose current record the window's four text
// boxes show. It holds no widgets; the window copies the bound texts.
#include "jet/Recordset.h"

#include <QString>

#include <array>
#include <memory>

class DataControl {
public:
    // The fields the four text boxes are bound to, in box order.
    static constexpr std::array<const char*, 4> kBoundFields{"ComputerName", "Name", "Contact", "Email"};

    QString DatabaseName;
    QString RecordSource = QStringLiteral("T_Main");

    // Opens the file and the table anew and positions on the first record.
    // On failure (jet::Error) the control is left closed.
    void Refresh();
    bool isOpen() const { return recordset_ != nullptr; }
    // The open recordset; error 91 when the control is not open.
    jet::Recordset& Recordset();
    // A second, independent recordset over the same table, for reading all
    // of it without moving the current record.
    std::unique_ptr<jet::Recordset> openReader() const;

    // The texts the bound boxes show: the current record's fields, empty for
    // Null and when there is no current record.
    std::array<QString, 4> boundTexts();

private:
    std::shared_ptr<const jet::Database> database_;
    std::unique_ptr<jet::Recordset> recordset_;
};
