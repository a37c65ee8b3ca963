// Damaged and hostile files: every one gives a jet::Error (3343, naming the
// file) or reads what is left, and never crashes, hangs or allocates wildly.
// The whole suite also runs under AddressSanitizer and UBSan.
#include "JetTesting.h"
#include "LockFileTesting.h"
#include "WriteTesting.h"

#include "jet/page/Coding.h"
#include "jet/table/DataPage.h"
#include "jet/Error.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <functional>
#include <typeinfo>

#include <sys/stat.h>

namespace {

using Bytes = std::vector<std::uint8_t>;
using jet::Database;

enum class Outcome { Read, Refused };

// Opens the bytes and reads every row of every table. Any exception other
// than a jet::Error numbered 3343 fails the test.
Outcome readAll(Bytes bytes, const std::string& label) {
    try {
        const auto db = Database::openBytes(std::move(bytes), "damaged.mdb");
        jettest::readEverything(db);
        return Outcome::Read;
    } catch (const jet::Error& e) {
        EXPECT_EQ(e.number(), jet::NotADatabase) << label << ": " << e.description();
        EXPECT_NE(e.description().find("damaged.mdb"), std::string::npos) << label << ": " << e.description();
        return Outcome::Refused;
    } catch (const std::exception& e) {
        ADD_FAILURE() << label << ": unexpected " << typeid(e).name() << ": " << e.what();
        return Outcome::Refused;
    }
}

void put32(Bytes& b, std::size_t at, std::uint32_t v) { jet::writeU32(&b[at], v); }
void put16(Bytes& b, std::size_t at, std::uint16_t v) { jet::writeU16(&b[at], v); }

struct Located {
    Bytes bytes;
    std::size_t pageSize;
    std::uint32_t tdefPage;  // Table1's definition page
    std::uint32_t dataPage;  // the page of Table1's first row
};

Located testV2000Table1() {
    Located l;
    l.bytes = jettest::fileBytes(jettest::access("testV2000.mdb"));
    const auto db = Database::open(jettest::access("testV2000.mdb"));
    l.pageSize = db->pager().pageSize();
    l.tdefPage = db->findTable("Table1")->definitionPage();
    jet::TableCursor cursor(db, db->tableDef("Table1"));
    EXPECT_TRUE(cursor.moveFirst());
    l.dataPage = cursor.location().page;
    return l;
}

TEST(DamagedInput, TruncatedAtManyPoints) {
    for (const std::string& path : {jettest::access("testV1997.mdb"), jettest::access("testV2007.accdb"),
                                    jettest::access("overflowTestV2000.mdb"), jettest::workgroup()}) {
        const Bytes whole = jettest::fileBytes(path);
        const std::size_t pageSize = whole[0x14] == 0 ? 2048 : 4096;
        std::size_t refused = 0;
        for (std::size_t cut = 0; cut < whole.size(); cut += 1 + whole.size() / 97) {
            const auto outcome = readAll(Bytes(whole.begin(), whole.begin() + static_cast<std::ptrdiff_t>(cut)),
                                         path + " cut at " + std::to_string(cut));
            if (outcome == Outcome::Refused)
                ++refused;
            // Without the header, the global usage page and the catalogue's definition nothing can be read.
            if (cut < 3 * pageSize) {
                EXPECT_EQ(outcome, Outcome::Refused) << path << " cut at " << cut;
            }
        }
        // Files end in unused pages, so only cuts into the used ones are refused.
        EXPECT_GT(refused, 10u) << path;
    }
    EXPECT_EQ(readAll({}, "empty"), Outcome::Refused);
    EXPECT_EQ(readAll(Bytes(4096 * 4, 0), "zeros"), Outcome::Refused);
}

// A file cut at a page boundary either reads every row it had or is refused
// as damaged: a usage map listing pages past the end must not lose rows silently.
TEST(DamagedInput, CutAtAPageBoundaryNeverLosesRowsSilently) {
    for (const std::string& path : {jettest::access("indexTestV1997.mdb"), jettest::access("testV2007.accdb")}) {
        const Bytes whole = jettest::fileBytes(path);
        const std::size_t pageSize = whole[0x14] == 0 ? 2048 : 4096;
        const std::size_t rows = jettest::readEverything(Database::openBytes(whole, "whole.mdb"));
        std::size_t refused = 0;
        for (std::size_t cut = 3 * pageSize; cut < whole.size(); cut += pageSize) {
            const std::string label = path + " cut at page " + std::to_string(cut / pageSize);
            try {
                const auto db = Database::openBytes(Bytes(whole.begin(), whole.begin() + static_cast<std::ptrdiff_t>(cut)),
                                                    "damaged.mdb");
                EXPECT_EQ(jettest::readEverything(db), rows) << label;
            } catch (const jet::Error& e) {
                EXPECT_EQ(e.number(), jet::NotADatabase) << label;
                EXPECT_NE(e.description().find("page "), std::string::npos) << label << ": " << e.description();
                ++refused;
            }
        }
        EXPECT_GT(refused, 0u) << path;
    }
}

// A FIFO named like a database is refused without blocking, and without
// leaving a descriptor open for every attempt (the monitor retries each tick).
TEST(DamagedInput, AFifoIsRefusedAndLeavesNoDescriptorOpen) {
    const jettest::WritableCopy copy("testV2000.mdb");
    const std::string fifo = copy.path() + ".fifo.mdb";
    ASSERT_EQ(::mkfifo(fifo.c_str(), 0600), 0);
    const auto descriptors = [] {
        return std::distance(std::filesystem::directory_iterator("/proc/self/fd"), {});
    };
    const auto before = descriptors();
    for (int attempt = 0; attempt < 3; ++attempt)
        EXPECT_THROW(Database::open(fifo), jet::Error);
    EXPECT_EQ(descriptors(), before);
    std::filesystem::remove(fifo);
}

// A store into a copy cut short, whose maps still count the lost pages as
// used, is refused before anything is written: a page it added would belong
// to two tables.
TEST(DamagedInput, AStoreIntoACopyCutShortIsRefusedAndWritesNothing) {
    jettest::WritableCopy copy("testV2000.mdb");  // 743 pages
    std::filesystem::resize_file(copy.path(), 700 * 4096);
    const Bytes before = jettest::fileBytes(copy.path());
    EXPECT_EQ(jettest::errorOf([&] {
                  jettest::store(copy.path(), "Table1", [](jet::TableWriter& w) {
                      w.insert(jettest::row(w.definition(), {{"A", jet::Value::text("new")}}));
                  });
              }),
              jet::NotADatabase);
    EXPECT_EQ(jettest::fileBytes(copy.path()), before);

    jettest::WritableCopy ace("../access-more/testIndexPropertiesV2010.accdb");  // 120 pages
    std::filesystem::resize_file(ace.path(), 110 * 4096);
    const Bytes aceBefore = jettest::fileBytes(ace.path());
    EXPECT_EQ(jettest::errorOf([&] { jettest::store(ace.path(), "TableUnique1_temp", [](jet::TableWriter&) {}); }),
              jet::NotADatabase);
    EXPECT_EQ(jettest::fileBytes(ace.path()), aceBefore);
}

// A store that would rewrite a data page holding a damaged row (its column
// count made larger than the row) is refused, naming that page.
TEST(DamagedInput, AStoreTouchingAPageWithADamagedRowIsRefusedNamingIt) {
    const std::pair<const char*, std::function<void(jet::TableWriter&, std::uint32_t)>> stores[] = {
        {"insert", [](jet::TableWriter& w, std::uint32_t) { w.insert(jettest::row(w.definition(), {{"A", jet::Value::text("new")}})); }},
        {"update of the sound row beside it",
         [](jet::TableWriter& w, std::uint32_t page) { w.update({page, 1}, jettest::row(w.definition(), {})); }},
    };
    for (const auto& [what, change] : stores) {
        SCOPED_TRACE(what);
        jettest::WritableCopy copy("testV2000.mdb");
        const Located l = testV2000Table1();
        Bytes bytes = l.bytes;
        const std::size_t row = l.dataPage * l.pageSize + (jet::readU16(&bytes[l.dataPage * l.pageSize + 14]) & 0x1FFF);
        put16(bytes, row, 0xFFFF);
        locktest::writeBytes(copy.path(), bytes);
        const jet::Error e = jettest::caught([&, &storeChange = change] {
            jettest::store(copy.path(), "Table1", [&](jet::TableWriter& w) { storeChange(w, l.dataPage); });
        });
        EXPECT_EQ(e.number(), jet::NotADatabase);
        EXPECT_NE(e.description().find("data page " + std::to_string(l.dataPage)), std::string::npos) << e.description();
        EXPECT_EQ(jettest::fileBytes(copy.path()), bytes);
    }
}

// One damage each to Table1 of testV2000 (Jet 4 offsets), which must be refused.
TEST(DamagedInput, DefinitionsPagesAndRowsThatLie) {
    const std::size_t next = 4, countAt = 12, offsetsAt = 14, usedPages = 55;
    const auto page = [](const Located& l, std::uint32_t p) { return p * l.pageSize; };
    const auto firstRow = [&](const Located& l) {
        return page(l, l.dataPage) + (jet::readU16(&l.bytes[page(l, l.dataPage) + offsetsAt]) & 0x1FFF);
    };
    const std::pair<const char*, std::function<void(Located&)>> cases[] = {
        {"definition chain into itself", [&](Located& l) { put32(l.bytes, page(l, l.tdefPage) + next, l.tdefPage); }},
        {"two definition pages pointing at each other",
         [&](Located& l) {
             const std::uint32_t other = Database::open(jettest::access("testV2000.mdb"))->findTable("Table3")->definitionPage();
             put32(l.bytes, page(l, l.tdefPage) + next, other);
             put32(l.bytes, page(l, other) + next, l.tdefPage);
         }},
        {"definition chain into a data page", [&](Located& l) { put32(l.bytes, page(l, l.tdefPage) + next, l.dataPage); }},
        // A page the usage map names that another table owns, or that is no data page.
        {"data page owner", [&](Located& l) { l.bytes[page(l, l.dataPage) + 4] ^= 0x01; }},
        {"data page type bit", [&](Located& l) { l.bytes[page(l, l.dataPage)] ^= 0x04; }},
        {"data page row count", [&](Located& l) { put16(l.bytes, page(l, l.dataPage) + countAt, 0xFFFF); }},
        {"row offset inside the page header", [&](Located& l) { put16(l.bytes, page(l, l.dataPage) + offsetsAt, 0x0005); }},
        // Row 1 starting after row 0's start: its end lies before its start.
        {"row offsets out of order", [&](Located& l) { put16(l.bytes, page(l, l.dataPage) + offsetsAt + 2, 0x0FF0); }},
        {"moved row pointer past the end of the file",
         [&](Located& l) {
             const std::size_t row = firstRow(l);
             put16(l.bytes, page(l, l.dataPage) + offsetsAt, static_cast<std::uint16_t>((row - page(l, l.dataPage)) | 0x4000));
             put32(l.bytes, row, 0xFFFFFF00u);
         }},
        // A column count that makes the null mask larger than the row.
        {"row column count", [&](Located& l) { put16(l.bytes, firstRow(l), 0xFFFF); }},
        {"usage map pointer", [&](Located& l) { put32(l.bytes, page(l, l.tdefPage) + usedPages, 0x7FFFFF00u); }},
        // An inline map starting 8 pages below 2^32: its first byte names none
        // of them, its second names page 2^32, which no file has.
        {"usage map past the last page number",
         [&](Located& l) {
             const std::uint32_t pointer = jet::readU32(&l.bytes[page(l, l.tdefPage) + usedPages]);
             const std::size_t base = page(l, pointer >> 8);
             const std::size_t at = base + (jet::readU16(&l.bytes[base + offsetsAt + 2 * (pointer & 0xFF)]) & 0x1FFF);
             ASSERT_EQ(l.bytes[at], 0x00) << "Table1's usage map is stored inline";
             put32(l.bytes, at + 1, 0xFFFFFFF8u);
             l.bytes[at + 5] = 0x00;
             l.bytes[at + 6] = 0x01;
         }},
    };
    for (const auto& [damage, apply] : cases) {
        SCOPED_TRACE(damage);
        auto l = testV2000Table1();
        apply(l);
        EXPECT_EQ(readAll(l.bytes, damage), Outcome::Refused);
    }
}

TEST(DamagedInput, LongValueChainsThatRunInACircle) {
    // The catalogue's LvProp of Table2 in testV2000 spans several pages; make
    // its first piece point back at itself.
    auto bytes = jettest::fileBytes(jettest::access("testV2000.mdb"));
    const auto db = Database::open(jettest::access("testV2000.mdb"));
    const auto def = db->tableDef("MSysObjects");
    const auto name = static_cast<std::size_t>(def->findColumn("Name") - def->columns.data());
    jet::TableCursor cursor(db, def);
    std::uint32_t first = 0;
    for (bool more = cursor.moveFirst(); more && !first; more = cursor.moveNext()) {
        const auto& v = cursor.values()[name];
        if (v.kind() != jet::Value::Kind::Text || v.text() != "Table2")
            continue;
        // Find the 12-byte long-value header in the row: length 16175, chained.
        const auto row = cursor.rowBytes();
        for (std::size_t at = 0; at + 12 <= row.size(); ++at)
            if (jet::readU32(&row[at]) == 16175u)
                first = jet::readU32(&row[at + 4]);
    }
    ASSERT_NE(first, 0u);
    jet::PageRef keep;
    const auto piece = jet::rowAt(db->pager(), false, jet::rowPointer(first), keep);
    const std::size_t fileOffset = (first >> 8) * 4096 + static_cast<std::size_t>(piece.data() - keep->bytes.data());
    ASSERT_EQ(std::memcmp(&bytes[fileOffset], piece.data(), 8), 0);
    put32(bytes, fileOffset, first);
    EXPECT_EQ(readAll(bytes, "long value loop"), Outcome::Refused);

    // A length far beyond the file's size is refused before any allocation.
    auto huge = jettest::fileBytes(jettest::access("testV2000.mdb"));
    Bytes header(8);
    put32(header, 0, 16175u);
    put32(header, 4, first);
    const auto at = std::search(huge.begin(), huge.end(), header.begin(), header.end());
    ASSERT_NE(at, huge.end());
    put32(huge, static_cast<std::size_t>(at - huge.begin()), 0x3FFFFFFFu);
    EXPECT_EQ(readAll(huge, "long value length"), Outcome::Refused);
}

TEST(DamagedInput, RandomByteFlipsNeverCrash) {
    for (const std::string& path : {jettest::access("testV1997.mdb"), jettest::access("delTestV2000.mdb"),
                                    jettest::access("indexTestV2007.accdb"), jettest::workgroup()}) {
        const Bytes whole = jettest::fileBytes(path);
        std::uint64_t state = 0x9E3779B97F4A7C15ull;
        const auto next = [&state] {
            state ^= state << 13;
            state ^= state >> 7;
            state ^= state << 17;
            return state;
        };
        for (int round = 0; round < 60; ++round) {
            Bytes bytes = whole;
            for (int flips = 0; flips < 40; ++flips) {
                // Mostly the first pages, where the catalogue and definitions live.
                const std::size_t span = (next() & 1) ? std::min<std::size_t>(bytes.size(), 8 * 4096) : bytes.size();
                bytes[next() % span] = static_cast<std::uint8_t>(next());
            }
            readAll(std::move(bytes), path + " round " + std::to_string(round));
        }
    }
}

}  // namespace
