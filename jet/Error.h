#pragma once
// Errors raised by the engine and the lock-file library. Numbers are Jet's own,
// so callers that test a number (3021 "no current record", ...) keep working;
// descriptions are ours and name the file, table or field concerned.
#include <stdexcept>
#include <string>

namespace jet {

enum ErrorNumber : int {
    InvalidArgument = 3001,
    InvalidPassword = 3031,  // an encrypted database opened without its password, or with a wrong one
    NoCurrentRecord = 3021,
    FileNotFound = 3024,
    WorkgroupUnavailable = 3028,
    InvalidAccount = 3029,
    DiskFull = 3026,
    ReadOnlyDatabase = 3027,
    TableNotFound = 3078,
    CurrentlyLocked = 3260,
    OpenedByOthers = 3356,  // the database cannot be had alone (to compact it): others use it
    FieldNotFound = 3265,
    NotADatabase = 3343,
    DiskIo = 3043,  // the file could not be read or written
    IndexNotFound = 3800,
    // Raised by the roster connection.
    NotCapable = 3251,       // the provider cannot do the requested operation
    ObjectClosed = 3704,     // the connection or record source is closed
    ObjectOpen = 3705,       // not allowed while the connection is open
    ProviderNotFound = 3706,
    // Refusals of a store; nothing is written.
    NoEditPending = 3020,      // Update or CancelUpdate without AddNew or Edit
    DuplicateKey = 3022,
    RecordTooLarge = 3047,
    NullInIndex = 3058,        // a Null in a primary key or a required index
    NullNotAllowed = 3162,     // a Null assigned to a Yes/No field
    FieldTooSmall = 3163,
    FieldNotUpdatable = 3164,
    RecordDeleted = 3167,
    RelatedRecordsExist = 3200,    // a record others refer to would be deleted or changed
    RelatedRecordRequired = 3201,  // a reference to a record that is not there
    RequiredNull = 3314,
    NumericOverflow = 3349,
    ConversionError = 3421,
    // Refusals of a new table.
    TableExists = 3010,
    InvalidName = 3125,
    TooManyFields = 3190,
    FieldDefinedTwice = 3191,
    CouldNotUpdateLocked = 3218,  // another store holds the file and does not end in time
    DatabaseExists = 3204,        // creating a database where a file already is
    // A Null value asked for as text (Value::toText).
    InvalidUseOfNull = 94,
    // Jet's number for a fault it has no message for: here, a broken
    // invariant of the engine itself, never the caller's input.
    ReservedError = 3000,
};

// Jet's own texts for the refusals above where callers and users meet them word for word.
inline constexpr const char* kNullInIndexText = "Index or primary key cannot contain a Null value.";
inline constexpr const char* kNullNotAllowedText =
    "You tried to assign the Null value to a variable that is not a Variant data type.";

// 3201 for a reference into `table`, 3200 for records of `table` referring to the one changed.
inline std::string relatedRecordRequiredText(const std::string& table) {
    return "You cannot add or change a record because a related record is required in table '" + table + "'.";
}
inline std::string relatedRecordsExistText(const std::string& table) {
    return "The record cannot be deleted or changed because table '" + table + "' includes related records.";
}

// Something the engine did that its caller should hear of although nothing
// failed (a journal kept aside, ...). The handler runs on the thread that
// met it; the default writes the text to standard error. Returns the handler
// it replaces.
using NoticeHandler = void (*)(const std::string& text);
NoticeHandler setNoticeHandler(NoticeHandler handler);
void notice(const std::string& text);

class Error : public std::runtime_error {
public:
    Error(int number, const std::string& description)
        : std::runtime_error(description), number_(number) {}
    int number() const { return number_; }
    std::string description() const { return what(); }

private:
    int number_;
};

// The one error for a file whose structure is broken, NotADatabase (3343):
// "The database 'FILE' is damaged or not in a format Ravelin can read (WHAT)."
// `what` says what is wrong and where ("index page 12 holds entries out of order").
Error databaseDamaged(const std::string& file, const std::string& what);

// The one error for a broken invariant of the engine (ReservedError), for a
// guard that callers' own checks keep from ever firing: "Internal error in
// the database engine (WHAT)."
Error internalFault(const std::string& what);

}  // namespace jet
