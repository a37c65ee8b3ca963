#pragma once
// The roster connection: what the monitor's roster read mode asks of the Jet
// OLE DB provider, in the provider's terms. Provider and cursor location are
// kept as values; "Data Source" names the database and "Jet OLEDB:System
// database" the workgroup file; Open logs on; OpenSchema with the Jet user
// roster's id gives one record per lock-file slot that holds a computer name.
//
// Read-only: it never creates, changes or locks the database, its lock file
// or the workgroup file, and it does not register itself as a user of the
// database (a monitor that listed itself would be noise).
#include "jet/Value.h"

#include <string>
#include <vector>

namespace jet {

inline constexpr const char* kJetOleDbProvider = "Microsoft.Jet.OLEDB.4.0";
inline constexpr const char* kUserRosterSchema = "{947bb102-5d43-11d1-bdbf-00c04fb92675}";
inline constexpr int kSchemaProviderSpecific = -1;
inline constexpr int kUseServerCursor = 2;
inline constexpr int kUseClientCursor = 3;

// Records read by field position. Errors: NoCurrentRecord (3021) at EOF,
// FieldNotFound (3265) for a position out of range, ObjectClosed (3704)
// once closed.
class RosterRecords {
public:
    using Record = std::vector<Value>;
    explicit RosterRecords(std::vector<Record> records = {});

    bool eof() const;
    std::size_t fieldCount() const;
    const Value& value(std::size_t position) const;
    void moveNext();
    void close();

private:
    const Record& current() const;

    std::vector<Record> records_;
    std::size_t at_ = 0;
    bool open_ = true;
};

// The roster's fields, by position: 0 computer name and 1 security name (each
// as the lock file's 32-byte field gives it, the name followed by NULs), 2
// connected (Boolean), 3 suspect (True, or Null when not suspect).
inline constexpr std::size_t kRosterFieldCount = 4;

class RosterConnection {
public:
    // Any name is kept; one other than kJetOleDbProvider fails (ProviderNotFound)
    // when the provider is first needed.
    void setProvider(const std::string& provider);
    const std::string& provider() const { return provider_; }
    // kUseServerCursor or kUseClientCursor; InvalidArgument (3001) otherwise.
    // The roster is read whole either way, so the location changes nothing else.
    void setCursorLocation(int location);

    // "Data Source" or "Jet OLEDB:System database" (letter case ignored);
    // FieldNotFound (3265) for another name; ObjectOpen (3705) while open.
    void setProperty(const std::string& name, const std::string& value);
    const std::string& property(const std::string& name) const;

    // Logs on as `userId` (Admin when empty, the provider's default) through
    // the workgroup file (see logOn), then checks
    // the database: FileNotFound (3024) when missing, DiskIo (3043) when
    // unreadable, NotADatabase (3343) for a file that is no Jet or ACE database.
    void open(const std::string& userId, const std::string& password);
    bool isOpen() const { return open_; }

    // The user roster for kSchemaProviderSpecific and kUserRosterSchema
    // (letter case ignored); NotCapable (3251) for any other schema.
    RosterRecords openSchema(int queryType, const std::string& schemaId) const;
    void close();

private:
    int propertyIndex(const std::string& name) const;  // 0 Data Source, 1 System database
    void requireProvider() const;

    std::string provider_;
    std::string dataSource_;
    std::string systemDatabase_;
    bool open_ = false;
};

}  // namespace jet
