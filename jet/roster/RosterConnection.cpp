#include "jet/roster/RosterConnection.h"

#include "jet/Error.h"
#include "jet/LdbUsers.h"
#include "jet/lockfile/LockFile.h"
#include "jet/page/FileFormat.h"
#include "jet/roster/WorkgroupAccounts.h"

#include <algorithm>
#include <cctype>

namespace jet {
namespace {

bool sameName(const std::string& a, const std::string& b) {
    return std::ranges::equal(a, b, [](unsigned char x, unsigned char y) {
        return std::tolower(x) == std::tolower(y);
    });
}

// A name as the lock file's field holds it: the name, then NULs to the
// field's width (counted in characters of the file's single-byte code page).
Value nameField(const std::string& utf8) {
    std::size_t characters = 0;
    for (const unsigned char c : utf8)
        characters += (c & 0xC0) != 0x80;
    std::string field = utf8;
    field.append(kLockNameFieldSize > characters ? kLockNameFieldSize - characters : 0, '\0');
    return Value::text(std::move(field));
}

const char* const kDataSource = "Data Source";
const char* const kSystemDatabase = "Jet OLEDB:System database";

}  // namespace

RosterRecords::RosterRecords(std::vector<Record> records) : records_(std::move(records)) {}

bool RosterRecords::eof() const {
    if (!open_)
        throw Error(ObjectClosed, "Operation is not allowed when the object is closed.");
    return at_ >= records_.size();
}

const RosterRecords::Record& RosterRecords::current() const {
    if (eof())
        throw Error(NoCurrentRecord, "Either BOF or EOF is True, or the current record has been deleted. "
                                     "Requested operation requires a current record.");
    return records_[at_];
}

std::size_t RosterRecords::fieldCount() const {
    if (!open_)
        throw Error(ObjectClosed, "Operation is not allowed when the object is closed.");
    return at_ < records_.size() ? records_[at_].size() : kRosterFieldCount;
}

const Value& RosterRecords::value(std::size_t position) const {
    const Record& record = current();
    if (position >= record.size())
        throw Error(FieldNotFound,
                    "Item cannot be found in the collection corresponding to the requested name or ordinal.");
    return record[position];
}

void RosterRecords::moveNext() {
    current();
    ++at_;
}

void RosterRecords::close() {
    if (!open_)
        throw Error(ObjectClosed, "Operation is not allowed when the object is closed.");
    open_ = false;
}

void RosterConnection::setProvider(const std::string& provider) {
    if (open_)
        throw Error(ObjectOpen, "Operation is not allowed when the object is open.");
    provider_ = provider;
}

void RosterConnection::setCursorLocation(int location) {
    if (location != kUseServerCursor && location != kUseClientCursor)
        throw Error(InvalidArgument, "Arguments are of the wrong type, are out of acceptable range, or are in "
                                     "conflict with one another.");
}

void RosterConnection::requireProvider() const {
    if (!sameName(provider_, kJetOleDbProvider))
        throw Error(ProviderNotFound, "Provider cannot be found. It may not be properly installed.");
}

int RosterConnection::propertyIndex(const std::string& name) const {
    requireProvider();
    if (sameName(name, kDataSource))
        return 0;
    if (sameName(name, kSystemDatabase))
        return 1;
    throw Error(FieldNotFound,
                "Item cannot be found in the collection corresponding to the requested name or ordinal.");
}

void RosterConnection::setProperty(const std::string& name, const std::string& value) {
    const int index = propertyIndex(name);
    if (open_)
        throw Error(ObjectOpen, "Operation is not allowed when the object is open.");
    (index == 0 ? dataSource_ : systemDatabase_) = value;
}

const std::string& RosterConnection::property(const std::string& name) const {
    return propertyIndex(name) == 0 ? dataSource_ : systemDatabase_;
}

void RosterConnection::open(const std::string& userId, const std::string& password) {
    if (open_)
        throw Error(ObjectOpen, "Operation is not allowed when the object is open.");
    requireProvider();
    // Jet starts up with the workgroup file and logs on before it opens a
    // database; without a user id the provider logs on as its default
    // account, Admin.
    logOn(systemDatabase_, userId.empty() ? std::string("Admin") : userId, password);
    readFileFormat(dataSource_);
    open_ = true;
}

RosterRecords RosterConnection::openSchema(int queryType, const std::string& schemaId) const {
    if (!open_)
        throw Error(ObjectClosed, "Operation is not allowed when the object is closed.");
    if (queryType != kSchemaProviderSpecific || !sameName(schemaId, kUserRosterSchema))
        throw Error(NotCapable, "Object or provider is not capable of performing requested operation.");
    std::vector<RosterRecords::Record> records;
    for (const LdbUser& user : readLdbUsers(dataSource_))
        records.push_back({nameField(user.slot.computerName), nameField(user.slot.securityName),
                           Value::boolean(user.connected), user.suspect ? Value::boolean(true) : Value()});
    return RosterRecords(std::move(records));
}

void RosterConnection::close() {
    if (!open_)
        throw Error(ObjectClosed, "Operation is not allowed when the object is closed.");
    open_ = false;
}

}  // namespace jet
