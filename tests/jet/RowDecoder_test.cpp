// Row layouts built by hand after the documented format: fixed and variable
// columns, null masks, Jet 4 offset tables and Jet 3 offset tables with jump
// entries for rows longer than 256 bytes (none of the real Jet 3 files here
// has such a row).
#include "JetTesting.h"

#include "jet/table/ColumnType.h"
#include "jet/Error.h"
#include "jet/table/RowDecoder.h"

#include <gtest/gtest.h>

namespace {

using Bytes = std::vector<std::uint8_t>;

struct Fixture {
    std::unique_ptr<jet::Pager> pager;
    jet::CodePageDecoder text{1252};
    jet::TableDef table;

    explicit Fixture(const char* file) {
        auto head = jettest::fileBytes(jettest::access(file));
        const auto header = *jet::decodeHeader(head);
        head.resize(header.format.pageSize * 3);
        pager = std::make_unique<jet::Pager>(jet::memorySource(head), "rows.mdb", header);
    }
    void textColumn(const char* name, std::uint16_t number, std::uint16_t varIndex) {
        jet::ColumnDef c;
        c.name = name;
        c.type = static_cast<std::uint8_t>(jet::ColumnType::Text);
        c.number = number;
        c.varIndex = varIndex;
        table.columns.push_back(c);
        ++table.varColumnCount;
    }
    std::vector<jet::Value> decode(const Bytes& row, bool jet3) {
        jet::RowDecoder decoder(*pager, jet3, table, text);
        std::vector<jet::Value> values;
        decoder.decode(row, values);
        return values;
    }
};

// A Jet 3 row of three text columns of the given lengths: count, data, then
// (backwards) end of data, offsets, `jumps` jump entries, count, null mask.
Bytes jet3Row(const std::vector<std::size_t>& lengths, const Bytes& jumps, std::uint8_t nullMask) {
    Bytes row = {static_cast<std::uint8_t>(lengths.size())};
    std::vector<std::size_t> offsets;
    for (std::size_t n = 0; n < lengths.size(); ++n) {
        offsets.push_back(row.size());
        row.insert(row.end(), lengths[n], static_cast<std::uint8_t>('a' + n));
    }
    offsets.push_back(row.size());  // end of data
    for (auto it = offsets.rbegin(); it != offsets.rend(); ++it)
        row.push_back(static_cast<std::uint8_t>(*it & 0xFF));
    row.insert(row.end(), jumps.rbegin(), jumps.rend());
    row.push_back(static_cast<std::uint8_t>(lengths.size()));
    row.push_back(nullMask);
    return row;
}

// Rows of three text columns; `mask` sets a bit for each column that is not Null.
TEST(RowDecoder, Jet3RowsWithAndWithoutJumpTables) {
    struct Case {
        const char* what;
        std::vector<std::size_t> lengths;
        Bytes jumps;
        std::uint8_t mask;
        std::size_t jumpEntries;  // one for each 256 bytes of row after the first
    };
    const Case cases[] = {
        {"under 256 bytes, with a Null", {3, 0, 2}, {}, 0b101, 0},
        // Offsets 1, 201, 301 and end 311: the third entry is the first past 256.
        {"a jump entry", {200, 100, 10}, {2}, 0b111, 1},
        // Data ends at 511 (offsets 1, 251, 501) but the row, with its tables,
        // is longer than 512 bytes: two entries are reserved, the second is the 0xFF filler.
        {"a jump table with an unused entry", {250, 250, 10}, {2, 0xFF}, 0b111, 2},
    };
    Fixture f("testV1997.mdb");
    f.textColumn("x", 0, 0);
    f.textColumn("y", 1, 1);
    f.textColumn("z", 2, 2);
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        const Bytes row = jet3Row(c.lengths, c.jumps, c.mask);
        ASSERT_EQ((row.size() - 1) / 256, c.jumpEntries);
        const auto values = f.decode(row, true);
        for (std::size_t n = 0; n < 3; ++n) {
            if (c.mask >> n & 1)
                EXPECT_EQ(values[n].text(), std::string(c.lengths[n], static_cast<char>('a' + n))) << n;
            else
                EXPECT_TRUE(values[n].isNull()) << n;
        }
    }
}

TEST(RowDecoder, Jet4FixedAndVariableColumns) {
    Fixture f("testV2000.mdb");
    jet::ColumnDef id;
    id.name = "id";
    id.type = static_cast<std::uint8_t>(jet::ColumnType::Long);
    id.flags = 0x01;
    id.number = 0;
    jet::ColumnDef flag;
    flag.name = "flag";
    flag.type = static_cast<std::uint8_t>(jet::ColumnType::Boolean);
    flag.flags = 0x01;
    flag.number = 1;
    f.table.columns = {id, flag};
    f.textColumn("name", 2, 0);
    f.textColumn("added", 5, 1);  // added after the row was written
    jet::ColumnDef late = flag;   // so was this Yes/No: Access shows No
    late.name = "late";
    late.number = 6;
    f.table.columns.push_back(late);
    // count 3 | id = 0x01020304 | "Hi" UCS-2 | end 10 | offset 6 | var count 1 | null mask
    const Bytes row = {3, 0, 4, 3, 2, 1, 'H', 0, 'i', 0, 10, 0, 6, 0, 1, 0, 0b111};
    auto values = f.decode(row, false);
    EXPECT_EQ(values[0].asInteger(), 0x01020304);
    EXPECT_TRUE(values[1].asBool());
    EXPECT_EQ(values[2].text(), "Hi");
    EXPECT_TRUE(values[3].isNull());
    ASSERT_EQ(values[4].kind(), jet::Value::Kind::Boolean);
    EXPECT_FALSE(values[4].asBool());
    // The same row with id Null and flag false.
    Bytes nulls = row;
    nulls.back() = 0b100;
    values = f.decode(nulls, false);
    EXPECT_TRUE(values[0].isNull());
    EXPECT_FALSE(values[1].asBool());
    // An offset past the end of the data is damage.
    Bytes bad = row;
    bad[12] = 12;
    EXPECT_THROW(f.decode(bad, false), jet::Error);
}

}  // namespace
