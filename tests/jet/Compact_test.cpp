// A compacted copy holds every user table by value, its field types and
// AutoNumbers, and is no larger than its source; what cannot be copied is
// refused and leaves no file behind.
#include "JetTesting.h"
#include "LockFileTesting.h"
#include "StoreTesting.h"
#include "WriteTesting.h"

#include "jet/compact/Compact.h"
#include "jet/compact/CopyDatabase.h"
#include "jet/compact/Repair.h"
#include "jet/page/Coding.h"
#include "jet/page/DatabaseHeader.h"
#include "jet/page/FileFormat.h"
#include "jet/table/ColumnType.h"
#include "jet/table/CsvExport.h"
#include "jet/table/TableCursor.h"
#include "jet/table/TableDef.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <map>
#include <set>
#include <sstream>
#include <tuple>

namespace {
std::string content(const std::shared_ptr<const jet::Database>& db, const std::string& table) {
    std::ostringstream text, notes;
    const auto def = db->tableDef(table);  // held: the loop would outlive a temporary
    for (const auto& c : def->columns)  // flags but the layout's; Decimal with its precision and scale
        text << int{c.type} << "/" << (c.flags & 0xFE) << "/" << (c.flagsExt & 0xFE) << (c.calculated ? "= " : " ")
             << (c.type == 0x10 ? std::to_string(c.precision) + "," + std::to_string(c.scale) + " " : "");
    jet::exportCsv(db, table, text, notes);
    jet::TableCursor cursor(db, def);  // the bytes of unknown types, which the export only names
    jet::Value v;
    for (bool more = cursor.moveFirst(); more; more = cursor.moveNext())
        for (std::size_t n = 0; n < def->columns.size(); ++n)
            if (!jet::knownType(def->columns[n].type) && (cursor.readValue(n, v), !v.isNull()))
                text << std::string(v.bytes().begin(), v.bytes().end()) << "|";
    return text.str();
}

std::string show(const jet::Value& v) {
    using K = jet::Value::Kind;
    return v.kind() == K::Integer ? std::to_string(v.asInteger())
           : v.kind() == K::Text  ? v.text()
           : v.kind() == K::Binary ? std::string(v.bytes().begin(), v.bytes().end())
                                   : std::to_string(static_cast<int>(v.kind()));
}

// The queries by name, each as the set of its MSysQueries rows, ObjectId left out.
std::map<std::string, std::multiset<std::string>> queriesOf(const std::shared_ptr<jet::Database>& db) {
    const auto column = [&](const std::string& table, const std::string& name) {
        const auto def = db->tableDef(table);
        return static_cast<std::size_t>(def->findColumn(name) - def->columns.data());
    };
    std::map<std::string, std::string> names;  // by ObjectId
    for (const auto& row : jettest::allRows(db, "MSysObjects"))
        names[show(row[column("MSysObjects", "Id")])] = show(row[column("MSysObjects", "Name")]);
    std::map<std::string, std::multiset<std::string>> queries;
    const std::size_t objectId = column("MSysQueries", "ObjectId");
    for (const auto& row : jettest::allRows(db, "MSysQueries")) {
        std::string line;
        for (std::size_t c = 0; c < row.size(); ++c)
            line += c == objectId ? "|" : show(row[c]) + "|";
        queries[names[show(row[objectId])]].insert(line);
    }
    return queries;
}

// The MSysRelationships rows of relationships between tables or links `copy` holds.
std::multiset<std::string> relationshipsOf(const std::shared_ptr<jet::Database>& db,
                                           const std::shared_ptr<jet::Database>& copy) {
    std::multiset<std::string> rows;
    const auto def = db->tableDef("MSysRelationships");
    const auto held = [&](const std::vector<jet::Value>& row, const char* column) {
        const std::string name = show(row[static_cast<std::size_t>(def->findColumn(column) - def->columns.data())]);
        return copy->findTable(name) || copy->findLink(name);
    };
    for (const auto& row : jettest::allRows(db, "MSysRelationships")) {
        std::string line;
        for (const jet::Value& v : row)
            line += show(v) + "|";
        if (held(row, "szObject") && held(row, "szReferencedObject"))
            rows.insert(line);
    }
    return rows;
}

// A table's indexes in listed order: name, kind, flags, fields and, for a
// relationship's, the other side by table and index name and the cascades.
std::vector<std::string> indexesOf(const std::shared_ptr<jet::Database>& db, const std::string& table) {
    const auto def = db->tableDef(table);
    std::vector<std::string> indexes;
    for (const jet::LogicalIndex& index : def->indexes) {
        const jet::RealIndex& real = def->realIndexes.at(index.realIndex);
        std::string line = index.name + "|" + std::to_string(index.kind) + "|" + std::to_string(real.flags) + "|";
        for (const jet::IndexColumn& c : real.columns)
            for (const jet::ColumnDef& column : def->columns)
                if (column.number == c.columnNumber)
                    line += column.name + (c.ascending ? "+" : "-");
        for (const std::string& other : db->tableNames(true))
            if (index.kind == 2 && db->findTable(other)->id == index.relatedTablePage)
                for (const auto otherDef = db->tableDef(other); const jet::LogicalIndex& o : otherDef->indexes)
                    if (o.number == index.relatedIndex)
                        line += "|" + std::to_string(index.relatedTableKind) + " " + other + "." + o.name +
                                (index.cascadeUpdates ? "|U" : "|") + (index.cascadeDeletes ? "D" : "");
        indexes.push_back(line);
    }
    return indexes;
}

// The catalogue as a graph of names: each object as its container path with
// every field but its ids (owner and MSysACEs SIDs whole, as masked: a copy
// masks them as its source), its permissions and the system tables' rows
// keyed by path, skipping what `leftOut` names.
std::multiset<std::string> catalogueOf(const std::shared_ptr<jet::Database>& db, const std::vector<std::string>& leftOut) {
    const auto column = [&](const std::string& table, const std::string& name) {
        const auto def = db->tableDef(table);
        return static_cast<std::size_t>(def->findColumn(name) - def->columns.data());
    };
    const auto show = [](const jet::Value& v) { return v.isNull() ? std::string("-") : v.toText(); };
    const auto objects = jettest::allRows(db, "MSysObjects");
    const std::size_t id = column("MSysObjects", "Id"), parent = column("MSysObjects", "ParentId"),
                      name = column("MSysObjects", "Name");
    std::map<std::int64_t, const std::vector<jet::Value>*> byId;
    for (const auto& row : objects)
        byId[row[id].asInteger()] = &row;
    const auto pathOf = [&](std::int64_t object) {
        std::string path;
        for (auto at = byId.find(object); at != byId.end() && path.size() < 10000; at = byId.find((*at->second)[parent].asInteger())) {
            const std::string n = (*at->second)[name].text();
            if (std::find(leftOut.begin(), leftOut.end(), n) != leftOut.end())
                return std::string();
            path = n + "/" + path;
        }
        return path;
    };
    std::multiset<std::string> graph;
    for (const auto& row : objects) {
        std::string line = pathOf(row[id].asInteger());
        for (std::size_t c = 0; c < row.size() && !line.empty(); ++c)
            line += c == id || c == parent ? "|" : show(row[c]) + "|";
        if (!line.empty())
            graph.insert(line);
    }
    for (const auto& row : jettest::allRows(db, "MSysACEs"))
        if (const auto path = pathOf(row[column("MSysACEs", "ObjectId")].asInteger()); !path.empty())
            graph.insert("ACE " + path + show(row[column("MSysACEs", "SID")]) + show(row[column("MSysACEs", "ACM")]) +
                         show(row[column("MSysACEs", "FInheritable")]));
    for (const std::string& table : db->tableNames(true)) {
        if (!table.starts_with("MSys") || table == "MSysObjects" || table == "MSysACEs" ||
            table == "MSysRelationships" || table == "MSysQueries" ||
            std::find(leftOut.begin(), leftOut.end(), table) != leftOut.end())
            continue;
        const auto def = db->tableDef(table);
        for (const auto& row : jettest::allRows(db, table)) {
            std::string line = table;
            for (std::size_t c = 0; c < row.size(); ++c) {
                const std::string& field = def->columns[c].name;
                const bool objectId = field == "ObjectID" || (table == "MSysNavPaneObjectIDs" && field == "Id") ||
                                      (table == "MSysComplexColumns" && field.ends_with("ID") && field != "ComplexID");
                const bool names = objectId && !row[c].isNull() && row[c].asInteger() != 0;
                line += "|" + (names ? "@" + (byId.count(row[c].asInteger()) ? pathOf(row[c].asInteger()) : "") : show(row[c]));
            }
            if (line.find("|@|") == std::string::npos && !line.ends_with("|@"))
                graph.insert(line);
        }
    }
    return graph;
}

class CompactFile : public testing::TestWithParam<std::string> {};

TEST_P(CompactFile, HoldsEveryUserTableByValue) {
    locktest::TempDir dir;
    const std::string name = std::filesystem::path(GetParam()).filename();
    const std::string source = jettest::access(GetParam()), copy = dir / ("compacted-" + name);
    std::uint64_t done = 0, total = 0;  // as the copy said, in order
    const jet::CompactResult result = jet::compactDatabase(source, copy, {{}, [&](std::uint64_t now, std::uint64_t all) {
        EXPECT_GE(now, done);
        done = now;
        total = all;
    }});
    EXPECT_EQ(done, total);
    EXPECT_GE(done, result.rows);
    const auto before = jet::Database::open(source);
    const auto after = jet::Database::open(copy);
    ASSERT_EQ(after->tableNames(), before->tableNames());
    std::size_t rows = 0;
    EXPECT_EQ(jet::databaseProperties(after), jet::databaseProperties(before));
    EXPECT_EQ(after->format().version, before->format().version);
    EXPECT_EQ(queriesOf(after), queriesOf(before));
    EXPECT_EQ(relationshipsOf(after, after), relationshipsOf(before, after));
    // Left out: only system tables with fields no creator makes yet
    // (complex), their hidden tables, and the objects such a table holds.
    const auto lost = [&](const std::string& table) {
        return std::find(result.leftOut.begin(), result.leftOut.end(), table) != result.leftOut.end();
    };
    for (const std::string& gone : result.leftOut) {
        const jet::CatalogEntry* table = before->findTable(gone);
        const auto columns = table ? before->tableDef(gone)->columns : std::vector<jet::ColumnDef>{};
        EXPECT_TRUE(table ? gone.starts_with("f_") || std::any_of(columns.begin(), columns.end(), [](const auto& c) {
            return c.type == 0x12;
        }) : lost("MSysAccessObjects") || lost("MSysAccessStorage")) << gone;
    }
    const auto catalogue = catalogueOf(before, result.leftOut);
    EXPECT_FALSE(catalogue.empty());
    EXPECT_EQ(catalogueOf(after, {}), catalogue);
    EXPECT_EQ(std::tuple(after->header().creationDate, after->header().securityTag, after->header().sortOrderVersion),
              std::tuple(before->header().creationDate, before->header().securityTag, before->header().sortOrderVersion));
    ASSERT_EQ(after->links().size(), before->links().size());
    for (std::size_t n = 0; n < before->links().size(); ++n)
        EXPECT_EQ(after->links()[n].name + after->links()[n].describe(), before->links()[n].name + before->links()[n].describe());
    EXPECT_TRUE(jettest::oraclesAgree(copy));  // under a name of its own: the source's known disagreements are not its
    for (const std::string& table : before->tableNames(true)) {  // complex fields' tables too
        if (table.starts_with("MSys"))
            continue;
        EXPECT_EQ(content(after, table), content(before, table)) << table;
        EXPECT_EQ(indexesOf(after, table), indexesOf(before, table)) << table;
        EXPECT_EQ(after->properties(*after->findTable(table)), before->properties(*before->findTable(table))) << table;
        if (!before->findTable(table)->system)
            rows += jettest::allRows(before, table).size();
    }
    EXPECT_EQ(result.tables, before->tableNames().size());
    EXPECT_EQ(result.rows, rows);
    EXPECT_LE(std::filesystem::file_size(copy), std::filesystem::file_size(source));
    const jet::RepairResult repaired = jet::repairDatabase(source, dir / ("repaired-" + name));
    for (const jet::RepairLoss& loss : repaired.losses)  // a sound file loses only what the copy cannot make
        EXPECT_TRUE(lost(loss.table)) << jet::describe(loss);
    const auto again = jet::Database::open(dir / ("repaired-" + name));
    EXPECT_EQ(relationshipsOf(again, again), relationshipsOf(before, again));
    for (const std::string& table : before->tableNames())
        EXPECT_EQ(content(again, table), content(before, table)) << table;
}

// Every Jet 4 and ACE file of the test data.
std::vector<std::string> compactableFiles() {
    std::vector<std::string> files;
    for (const std::string& path : jettest::accessFiles())
        if (jet::readFileFormat(path).version != jet::Version::Jet3)
            files.push_back("../" + std::filesystem::path(path).parent_path().filename().string() + "/" +
                            std::filesystem::path(path).filename().string());
    return files;
}

INSTANTIATE_TEST_SUITE_P(Files, CompactFile, testing::ValuesIn(compactableFiles()));

// A table's data pages in order, with the rows each holds, as a sound file has them.
struct TablePages {
    std::size_t pageSize = 0;
    std::vector<std::uint32_t> pages;
    std::map<std::uint32_t, std::size_t> rowsOn;
};
TablePages tablePages(const std::string& file, const std::string& table) {
    const auto db = jet::Database::open(file);
    jet::TableCursor cursor(db, db->tableDef(table));
    TablePages t{db->pager().pageSize(), {}, {}};
    for (bool more = cursor.moveFirst(); more; more = cursor.moveNext())
        if (t.rowsOn[cursor.location().page]++ == 0)
            t.pages.push_back(cursor.location().page);
    return t;
}
std::vector<std::string> csvLines(const std::string& file, const std::string& table) {
    std::istringstream csv(content(jet::Database::open(file), table));
    std::vector<std::string> lines;
    for (std::string line; std::getline(csv, line);)
        lines.push_back(line);
    std::sort(lines.begin(), lines.end());
    return lines;
}

// Damaged copies: the repair holds every row still readable, and counts by
// kind what is not (pages, rows, values); the damaged file is left as it was.
TEST(Repair, KeepsEveryReadableRowAndCountsTheRest) {
    using Bytes = std::vector<std::uint8_t>;
    using Kind = jet::RepairLoss::Kind;
    constexpr std::size_t kNone = SIZE_MAX;
    struct Case {
        const char* what;
        std::string file;
        const char* table;
        std::function<std::size_t(Bytes&, const TablePages&)> damage;  // the page whose rows it takes, or kNone
        std::size_t pages, rows, values;
    };
    const auto zeroLongValues = [](Bytes& b, const TablePages& t) {
        for (std::size_t at = 0; at + t.pageSize <= b.size(); at += t.pageSize)
            if (b[at] == 1 && std::equal(b.begin() + at + 4, b.begin() + at + 8, "LVAL"))
                std::fill_n(b.begin() + at, t.pageSize, 0);
        return kNone;
    };
    const std::string comp = jettest::access("compIndexTestV2000.mdb");
    for (const Case& c : std::vector<Case>{
             {"a row's offset broken", comp, "Table1",
              [](Bytes& b, const TablePages& t) {
                  // Row 0's offset into the page header: row 1, which ends where row 0 starts, goes too.
                  b[t.pages[0] * t.pageSize + 14] = 1;
                  b[t.pages[0] * t.pageSize + 15] = 0;
                  return kNone;
              },
              0, 2, 0},
             {"a page overwritten", comp, "Table1",
              [](Bytes& b, const TablePages& t) {
                  std::fill_n(b.begin() + t.pages[1] * t.pageSize, t.pageSize, 0);
                  return std::size_t{t.pages[1]};
              },
              1, 0, 0},
             {"truncated", comp, "Table1",
              [](Bytes& b, const TablePages& t) {
                  b.resize(t.pages.back() * t.pageSize);
                  return std::size_t{t.pages.back()};
              },
              1, 0, 0},
             {"long values lost", jettest::more("test2V2000.mdb"), "MSP_PROJECTS", zeroLongValues, 0, 0, 2},
             {"a page's owner made another table", jettest::access("indexTestV2000.mdb"), "Table1",
              [](Bytes& b, const TablePages& t) {
                  const auto db = jet::Database::open(jettest::access("indexTestV2000.mdb"));
                  jet::writeU32(&b[t.pages[0] * t.pageSize + 4], db->findTable("Table2")->definitionPage());
                  return std::size_t{t.pages[0]};
              },
              1, 0, 0}}) {
        locktest::TempDir dir;
        const TablePages sound = tablePages(c.file, c.table);
        Bytes bytes = jettest::fileBytes(c.file);
        const std::size_t gone = c.damage(bytes, sound);
        std::ofstream(dir / "damaged.mdb", std::ios::binary)
            .write(reinterpret_cast<const char*>(bytes.data()), std::ssize(bytes));
        const jet::RepairResult repaired = jet::repairDatabase(dir / "damaged.mdb", dir / "repaired.mdb");
        EXPECT_EQ(jettest::fileBytes(dir / "damaged.mdb"), bytes) << c.what;
        EXPECT_EQ(repaired.count(Kind::Table), 0u) << c.what;
        EXPECT_EQ(repaired.count(Kind::Page), c.pages) << c.what;
        EXPECT_EQ(repaired.count(Kind::Row), c.rows) << c.what;
        EXPECT_EQ(repaired.count(Kind::Value), c.values) << c.what;
        const auto before = csvLines(c.file, c.table), after = csvLines(dir / "repaired.mdb", c.table);
        const std::size_t expected = before.size() - c.rows - (gone == kNone ? 0 : sound.rowsOn.at(static_cast<std::uint32_t>(gone)));
        EXPECT_EQ(after.size(), expected) << c.what;
        if (c.values == 0) {
            EXPECT_TRUE(std::includes(before.begin(), before.end(), after.begin(), after.end())) << c.what;
        }
        for (const std::string& other : jet::Database::open(c.file)->tableNames()) {
            if (other != c.table) {
                EXPECT_EQ(csvLines(dir / "repaired.mdb", other), csvLines(c.file, other)) << c.what << ": " << other;
            }
        }
    }
}

// The password a header page holds, unmasked (HeaderFormat.h).
std::vector<std::uint8_t> passwordOf(std::vector<std::uint8_t> page) {
    const std::array<std::uint8_t, 4> key = {0xC7, 0xDA, 0x39, 0x6B};
    jet::Rc4(key).apply(std::span(page).subspan(0x18, 128));
    const auto mask = jet::passwordMask(jet::readDouble(&page[0x72]));
    std::vector<std::uint8_t> password(page.begin() + 0x42, page.begin() + 0x42 + 40);
    for (std::size_t n = 0; n < password.size(); ++n)
        password[n] ^= mask[n % 4];
    return password;
}

// A protected database compacts and repairs, in place too, into a copy
// protected alike: what opens the source opens the copy, whose pages are
// enciphered as the source's, and which holds what the source holds.
TEST(Compact, KeepsTheProtectionOfItsSource) {
    locktest::TempDir dir;
    const auto file = [&](const std::string& name, const std::vector<std::uint8_t>& bytes) {
        std::ofstream(dir / name, std::ios::binary).write(reinterpret_cast<const char*>(bytes.data()), std::ssize(bytes));
        return std::string(dir / name);
    };
    const auto mdb = jettest::fileBytes(jettest::access("testV2000.mdb"));
    const auto encrypted = [](const std::string& name) { return jettest::access("../encrypted/" + name); };
    for (const auto& [source, password] :
         {std::pair{file("password.mdb", jettest::withPassword(mdb, false, "secret")), ""},
          {file("encoded.mdb", jettest::encoded(jettest::fileBytes(jettest::access("indexTestV2000.mdb")), 0x5A3C9E17)), ""},
          {encrypted("db2007-oldenc.accdb"), "Test123"},
          {encrypted("db2007-enc.accdb"), "Test123"},
          {encrypted("db-nonstandard.accdb"), "password"},
          {encrypted("db2013-enc.accdb"), "1234"}}) {
        const std::string name = std::filesystem::path(source).filename();
        const std::string copy = dir / ("compacted-" + name), repaired = dir / ("repaired-" + name);
        const jet::CompactResult result = jet::compactDatabase(source, copy, {password, {}});
        const auto before = jet::Database::open(source, password);
        const auto after = jet::Database::open(copy, password);
        EXPECT_EQ(std::tuple(after->header().databaseKey, after->encrypted(), passwordOf(after->pager().page(0)->bytes)),
                  std::tuple(before->header().databaseKey, before->encrypted(), passwordOf(before->pager().page(0)->bytes)))
            << name;
        if (after->header().databaseKey != 0) {  // a table definition page, as the file holds it
            EXPECT_NE(jettest::fileBytes(copy)[2 * before->pager().pageSize()], 0x02) << name;
        }
        if (before->encrypted()) {
            EXPECT_EQ(jettest::errorOf([&] { jet::Database::open(copy, "not it"); }), jet::InvalidPassword) << name;
        } else {
            EXPECT_TRUE(jettest::oraclesAgree(copy)) << name;
        }
        EXPECT_LE(std::filesystem::file_size(copy), std::filesystem::file_size(source)) << name;
        EXPECT_EQ(catalogueOf(after, {}), catalogueOf(before, result.leftOut)) << name;
        EXPECT_TRUE(jet::repairDatabase(source, repaired, {password, {}}).losses.empty()) << name;
        jet::compactInPlace(copy, {password, {}});
        for (const auto& other : {jet::Database::open(repaired, password), jet::Database::open(copy, password)})
            for (const std::string& table : before->tableNames())
                EXPECT_EQ(content(other, table), content(before, table)) << name << " " << table;
    }
}

TEST(Compact, RefusesWhatItCannotCopyAndLeavesNothing) {
    locktest::TempDir dir;
    std::filesystem::copy_file(jettest::access("testV2000.mdb"), dir / "there.mdb");
    // A field of a type Ravelin does not know whose values may lie outside its rows (no size).
    auto bytes = jettest::fileBytes(jettest::more("unsupportedFieldsTestV2007.accdb"));
    const auto unsupported = jet::Database::open(jettest::more("unsupportedFieldsTestV2007.accdb"));
    const std::size_t page = unsupported->findTable("Test")->definitionPage() * unsupported->pager().pageSize();
    std::size_t at = page + 63 + 12 * jet::readU32(&bytes[page + 51]);
    for (std::size_t n = 0; n < jet::readU16(&bytes[page + 45]) && bytes[at] != 0x46; ++n)
        at += 25;
    ASSERT_EQ(bytes[at], 0x46);
    bytes[at + 23] = bytes[at + 24] = 0;
    const std::string unknown = dir / "unknown-here.accdb";
    std::ofstream(unknown, std::ios::binary).write(reinterpret_cast<const char*>(bytes.data()), std::ssize(bytes));
    // Refused: Jet 3, an encrypted source without its password, a copy of
    // another kind, a field that cannot be copied, a file in the way.
    for (const auto& [source, dest, error] : {std::tuple{"testV1997.mdb", "jet3.mdb", jet::ReadOnlyDatabase},
                                              {"../encrypted/db2007-enc.accdb", "encrypted.accdb", jet::InvalidPassword},
                                              {"testV2000.mdb", "other-kind.accdb", jet::InvalidArgument},
                                              {"", "unknown.accdb", jet::InvalidArgument},
                                              {"testV2000.mdb", "there.mdb", jet::DatabaseExists}}) {
        const std::string from = *source ? jettest::access(source) : unknown;
        const auto to = dir / dest;
        EXPECT_EQ(jettest::errorOf([&] { jet::compactDatabase(from, to); }), error) << dest;
        if (error == jet::ReadOnlyDatabase || error == jet::InvalidPassword) {
            EXPECT_EQ(jettest::errorOf([&] { jet::repairDatabase(from, to); }), error) << dest;
        }
        EXPECT_EQ(std::filesystem::exists(dir / dest), error == jet::DatabaseExists) << dest;
    }
    // In place, a copy that cannot be made whole is refused.
    EXPECT_EQ(jettest::errorOf([&] { jet::compactInPlace(unknown); }), jet::InvalidArgument);
    EXPECT_EQ(jettest::fileBytes(unknown), bytes);
    EXPECT_FALSE(std::filesystem::exists(dir / "unknown-here.compacting.accdb"));
}
TEST(Compact, InPlaceOnlyWhenNoOneIsConnected) {
    locktest::TempDir dir;
    const std::string path = locktest::copyTestFile("access/indexTestV2000.mdb", dir / "db.mdb");
    const auto before = content(jet::Database::open(path), "Table1");
    {
        locktest::Client ann({"--computer", "PC-ANN", "--user", "ann", path});
        ASSERT_GE(locktest::connectClient(ann), 0);
        const auto bytes = jettest::fileBytes(path);  // as the connected user left them
        EXPECT_EQ(jettest::errorOf([&] { jet::compactInPlace(path); }), jet::OpenedByOthers);
        EXPECT_EQ(jettest::fileBytes(path), bytes);
    }
    EXPECT_EQ(jet::compactInPlace(path).tables, 3u);
    EXPECT_EQ(content(jet::Database::open(path), "Table1"), before);
    EXPECT_FALSE(std::filesystem::exists(dir / "db.compacting.mdb.rvj"));
}

// Stopped at any write or sync of the copy, an in-place compaction leaves
// the database as it was, and the next one goes through the copy left behind.
TEST(Compact, InPlaceCutShortAtAnyStepLeavesTheDatabaseAndTheNextRunWorks) {
    locktest::TempDir dir;
    const std::string original = locktest::copyTestFile("access/indexTestV2000.mdb", dir / "original.mdb");
    const std::string path = dir / "db.mdb";
    const auto before = content(jet::Database::open(original), "Table1");
    std::filesystem::copy_file(original, path);
    jet::storeio::setFault({});
    jet::compactInPlace(path);
    const long steps = jet::storeio::operationCount();
    ASSERT_GT(steps, 10);
    for (long at = 1; at <= steps; at += std::max(1L, steps / 12)) {
        std::filesystem::copy_file(original, path, std::filesystem::copy_options::overwrite_existing);
        ASSERT_EQ(storetest::runInChild([&] {
                      jet::storeio::setFault({jet::storeio::Fault::Kind::Stop, at, 0});
                      jet::compactInPlace(path);
                      return 0;
                  }),
                  storetest::kStopped)
            << "step " << at;
        EXPECT_EQ(locktest::readBytes(path), locktest::readBytes(original)) << "step " << at;
        jet::storeio::setFault({});
        EXPECT_EQ(jettest::errorOf([&] { jet::compactInPlace(path); }), 0) << "step " << at;
        EXPECT_EQ(content(jet::Database::open(path), "Table1"), before) << "step " << at;
    }
}
}  // namespace
