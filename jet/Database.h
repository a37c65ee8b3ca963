#pragma once
// An Access database opened for reading: Jet 3 (.mdb of Access 97), Jet 4
// (Access 2000-2003), ACE (.accdb) and workgroup files. Opening reads the
// header page and the catalogue (MSysObjects) after waiting out a store in
// progress; it rolls back a store that was cut short (see
// jet/store/ConsistentOpen.h) but otherwise never writes to the file, and
// never creates a lock file.
#include "jet/page/DatabaseHeader.h"
#include "jet/page/Pager.h"
#include "jet/text/Text.h"

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

namespace jet {

// A table's definition (jet/table/TableDef.h): the table layer reads it, and
// reads rows through a Database, so this header names it without including it.
struct TableDef;

// One table of the catalogue.
struct CatalogEntry {
    std::string name;
    std::uint32_t id = 0;
    std::uint32_t parentId = 0;
    std::uint32_t flags = 0;
    bool system = false;  // MSys* tables and tables Jet flags as system objects

    std::uint32_t definitionPage() const { return id & 0x00FFFFFFu; }
};

// A table of another database that this one links to.
struct LinkedTable {
    std::string name;         // as this database knows it
    std::string foreignName;  // its name where it lives
    std::string database;     // the Access file it lives in (an Access link)
    std::string connect;      // the connection string (an ODBC or other link)

    // "link to table 'X' in FILE" for a table of another Access file, else
    // "link to 'X' through CONNECTION" (ODBC, Excel, text and other links)
    // with any password in the connection string left out.
    std::string describe() const;
};

class Database : public std::enable_shared_from_this<Database> {
public:
    // Throws Error: FileNotFound (3024) for a missing file, NotADatabase (3343)
    // for a file that is not a database we can read or is damaged, DiskIo (3043).
    // An .accdb encrypted with a password (jet/crypto/OfficeEncryption.h) is
    // read with `password` (UTF-8); InvalidPassword (3031) when it is empty
    // or wrong. Other files ignore it.
    static std::shared_ptr<Database> open(const std::string& path, const std::string& password = {});
    // The same for bytes in memory; `name` stands for the file in messages.
    static std::shared_ptr<Database> openBytes(std::vector<std::uint8_t> bytes, std::string name = "(memory)",
                                               const std::string& password = {});
    // The same for any source of pages (a store's pages while it runs).
    static std::shared_ptr<Database> openSource(std::unique_ptr<PageSource> source, std::string name,
                                                const std::string& password = {});
    // The same for a source that gives every page deciphered (a store's pages).
    static std::shared_ptr<Database> openDeciphered(std::unique_ptr<PageSource> source, std::string name);

    // The path this database was opened from; empty when it was not opened
    // from a file (stores need a path).
    const std::string& path() const { return path_; }

    const DatabaseHeader& header() const { return header_; }
    const FileFormat& format() const { return header_.format; }
    bool jet3() const { return header_.format.version == Version::Jet3; }
    const std::string& name() const { return pager_.name(); }
    const Pager& pager() const { return pager_; }
    const CodePageDecoder& textDecoder() const { return text_; }

    // Local tables in catalogue order, system tables included.
    const std::vector<CatalogEntry>& tables() const { return tables_; }
    std::vector<std::string> tableNames(bool includeSystem = false) const;
    // The table with this name, letter case ignored; nullptr when none.
    const CatalogEntry* findTable(std::string_view name) const;
    // Linked tables in catalogue order, and the one with this name.
    const std::vector<LinkedTable>& links() const { return links_; }
    const LinkedTable* findLink(std::string_view name) const;
    // The definition of a table; Error TableNotFound (3078) when there is none,
    // NotCapable (3251) naming the linked table when it is a link.
    // A calculated column comes with the result type from the table's properties.
    std::shared_ptr<const TableDef> tableDef(std::string_view name) const;
    // The table's property blob: the LvProp field of its catalogue row (empty when none).
    std::vector<std::uint8_t> properties(const CatalogEntry& table) const;

    // Pages after the header page are deciphered by `cipher` (none: read as
    // `source` has them); `encrypted`: Office encryption is that cipher.
    Database(std::unique_ptr<PageSource> source, std::string name, const DatabaseHeader& header,
             std::shared_ptr<const PageCipher> cipher = nullptr, bool encrypted = false);

    // Whether the file is encrypted with a password (Office encryption).
    bool encrypted() const { return encrypted_; }

private:
    void readCatalogue();

    DatabaseHeader header_;
    Pager pager_;
    CodePageDecoder text_;
    std::vector<CatalogEntry> tables_;
    std::vector<LinkedTable> links_;
    std::string path_;
    bool encrypted_ = false;
};

}  // namespace jet
