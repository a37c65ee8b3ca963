#pragma once
// Errors raised by the engine and the lock-file library. Numbers are Jet's own,
// so callers that test a number (3021 "no current record", ...) keep working;
// descriptions are ours and name the file, table or field concerned.
#include <stdexcept>
#include <string>

namespace jet {

enum ErrorNumber : int {
    InvalidArgument = 3001,
    NoCurrentRecord = 3021,
    FileNotFound = 3024,
    WorkgroupUnavailable = 3028,
    InvalidAccount = 3029,
    DiskFull = 3026,
    ReadOnlyDatabase = 3027,
    TableNotFound = 3078,
    CurrentlyLocked = 3260,
    FieldNotFound = 3265,
    NotADatabase = 3343,
    DiskIo = 3043,  // the file could not be read or written
    IndexNotFound = 3800,
    // Raised by the roster connection, with ADO's numbers.
    NotCapable = 3251,       // the provider cannot do the requested operation
    ObjectClosed = 3704,     // the connection or record source is closed
    ObjectOpen = 3705,       // not allowed while the connection is open
    ProviderNotFound = 3706,
    // Refusals of a store; nothing is written.
    NoEditPending = 3020,      // Update or CancelUpdate without AddNew or Edit
    DuplicateKey = 3022,
    RecordTooLarge = 3047,
    FieldTooSmall = 3163,
    FieldNotUpdatable = 3164,
    RecordDeleted = 3167,
    RequiredNull = 3314,
    NumericOverflow = 3349,
    ConversionError = 3421,
};

class Error : public std::runtime_error {
public:
    Error(int number, const std::string& description)
        : std::runtime_error(description), number_(number) {}
    int number() const { return number_; }
    std::string description() const { return what(); }

private:
    int number_;
};

}  // namespace jet
