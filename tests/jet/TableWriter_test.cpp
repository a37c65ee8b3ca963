// The table writer on copies of real Access files: rows written are read back
// by ravelin-jet and by both independent readers; refused stores leave the
// file byte-identical.
#include "WriteTesting.h"

#include "jet/Error.h"
#include "jet/create/CreateDatabase.h"
#include "jet/index/IndexSeek.h"
#include "jet/page/Coding.h"

using namespace jettest;
using jet::Value;

namespace {

TEST(TableWriter, InsertsUpdatesAndDeletesPlainRows) {
    WritableCopy copy("delTestV2000.mdb");
    jet::RowLocation second;
    store(copy.path(), "Table", [&](jet::TableWriter& w) {
        const auto& d = w.definition();
        w.insert(row(d, {{"a", Value::text("José Müller")}, {"b", Value::text("Łukasz")}}));
        second = w.insert(row(d, {{"a", Value::text("")}, {"b", Value()}}));
    });
    EXPECT_EQ(column(copy.path(), "Table", 0), (std::vector<std::string>{"z", "v", "José Müller", ""}));
    EXPECT_EQ(column(copy.path(), "Table", 1), (std::vector<std::string>{"y", "u", "Łukasz", "(null)"}));
    store(copy.path(), "Table", [&](jet::TableWriter& w) {
        w.update(second, row(w.definition(), {{"a", Value::text("changed")}, {"b", Value::text("x")}}));
    });
    store(copy.path(), "Table", [&](jet::TableWriter& w) { w.erase(*w.find(0, Value::text("v"))); });
    EXPECT_EQ(column(copy.path(), "Table", 0), (std::vector<std::string>{"z", "José Müller", "changed"}));
    EXPECT_EQ(jet::Database::open(copy.path())->tableDef("Table")->storedRowCount, 3u);
    EXPECT_TRUE(oraclesAgree(copy.path(), "Table"));
    EXPECT_EQ(checkerFindings(copy.path()), "");
}

std::string show(const Value& v) { return v.isNull() ? "(null)" : v.toText(); }

int refusal(const std::string& path, const std::string& table, const std::function<void(jet::TableWriter&)>& change,
            jet::SystemTables system = jet::SystemTables::Refused) {
    return errorOf([&] { store(path, table, change, system); });
}

// Each rule refuses before anything is written: the file stays byte-identical.
TEST(TableWriter, RefusedStoresLeaveTheFileByteIdentical) {
    const auto insertNothing = [](jet::TableWriter& w) { w.insert(row(w.definition(), {})); };
    struct Case {
        const char* what;
        std::string file, table;
        std::function<void(jet::TableWriter&)> change;
        int number;
        std::string named = {};  // what the description must name
    };
    const Case cases[] = {
        {"a Jet 3 file: read-only", "delTestV1997.mdb", "Table", insertNothing, jet::ReadOnlyDatabase},
        {"an encrypted file: read-only", "../encrypted/db2007-enc.accdb", "Table1", insertNothing, jet::ReadOnlyDatabase},
        {"50 characters fit; the 51st does not, even after rows were added in the same store", "delTestV2000.mdb", "Table",
         [](jet::TableWriter& w) {
             w.insert(row(w.definition(), {{"a", Value::text(std::string(50, 'x'))}}));
             w.insert(row(w.definition(), {{"a", Value::text(std::string(51, 'x'))}}));
         },
         jet::FieldTooSmall},
        {"row 1 of page 31 is one Access deleted", "delTestV2000.mdb", "Table",
         [](jet::TableWriter& w) { w.update({31, 1}, row(w.definition(), {})); }, jet::RecordDeleted},
        {"Null in a column with Required set in Access", "fixedTextTestV2000.mdb", "users",
         [](jet::TableWriter& w) {
             w.insert(row(w.definition(), {{"i_user_id", Value::integer(9)}, {"c_user_pwd", Value::text("p")}}));
         },
         jet::RequiredNull, "'users.c_user_login'"},
        {"the catalogue: a system table", "indexTestV2000.mdb", "MSysObjects", insertNothing, jet::ReadOnlyDatabase,
         "'MSysObjects' is a system table"},
        {"a system table's row deleted", "indexTestV2000.mdb", "MSysNameMap",
         [](jet::TableWriter& w) { w.erase(*w.find(0, Value::integer(1))); }, jet::ReadOnlyDatabase},
        // A value given to a calculated field; tables with a column the writer
        // cannot keep as Access does: complex, of an unknown type.
        {"a calculated field given a value", "../access-more/calcFieldTestV2010.accdb", "Table1",
         [](jet::TableWriter& w) { w.insert(row(w.definition(), {{"LastFirst", Value::text("x")}})); },
         jet::FieldNotUpdatable, "'Table1.LastFirst'"},
        {"a complex column", "../access-more/complexDataTestV2007.accdb", "Table1", insertNothing, jet::FieldNotUpdatable},
        {"a column of unknown type", "../access-more/unsupportedFieldsTestV2007.accdb", "Test", insertNothing,
         jet::FieldNotUpdatable},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        WritableCopy copy(c.file);
        const auto before = fileBytes(copy.path());
        const jet::Error e = caught([&] { store(copy.path(), c.table, c.change); });
        EXPECT_EQ(e.number(), c.number);
        EXPECT_NE(e.description().find(c.named), std::string::npos) << e.description();
        EXPECT_EQ(fileBytes(copy.path()), before);
    }
    // Deleting a row is refused where the row's complex or unknown values
    // would be left behind; a calculated column's result goes with its row.
    for (const auto& [file, table, first, erasable] :
         {std::tuple{"../access-more/calcFieldTestV2010.accdb", "Table1", "1", true},
          {"../access-more/complexDataTestV2007.accdb", "Table1", "row1", false},
          {"../access-more/unsupportedFieldsTestV2007.accdb", "Test", "1", false}}) {
        WritableCopy copy(file);
        const Value key = Value::text(first);
        EXPECT_EQ(refusal(copy.path(), table, [&](jet::TableWriter& w) { w.erase(*w.find(0, key)); }),
                  erasable ? 0 : jet::FieldNotUpdatable)
            << file;
    }
}

// Every index of an indexed table follows its rows; a duplicate in a unique
// index is refused before anything is written.
TEST(TableWriter, IndexesFollowTheRowsAndRefuseDuplicates) {
    WritableCopy copy("indexTestV2000.mdb");
    std::string why;
    ASSERT_TRUE(indexesMatchRows(copy.path(), "Table1", why)) << why;
    const auto db = jet::Database::open(copy.path());
    const auto def = db->tableDef("Table1");
    std::vector<jet::RowLocation> at;
    store(copy.path(), "Table1", [&](jet::TableWriter& w) {
        for (int i = 0; i < 40; ++i)
            at.push_back(w.insert(row(w.definition(), {{"id", Value::integer(100 + i)},
                                                       {"otherfk1", Value::integer(i % 3)},
                                                       {"data", Value::text(i % 2 ? "José Müller" : "Łukasz")}})));
    });
    store(copy.path(), "Table1", [&](jet::TableWriter& w) {
        w.update(at[0], row(w.definition(), {{"id", Value::integer(99)}, {"data", Value::text("changed")}}));
        w.erase(at[1]);
    });
    ASSERT_TRUE(indexesMatchRows(copy.path(), "Table1", why)) << why;
    EXPECT_TRUE(oraclesAgree(copy.path(), "Table1"));
    EXPECT_EQ(checkerFindings(copy.path()), "");
    // The definition's entry counts (a statistic Access keeps, not always the
    // live count) follow the entries added and removed: 40 in, one out.
    const auto after = jet::Database::open(copy.path())->tableDef("Table1");
    for (std::size_t r = 0; r < def->realIndexes.size(); ++r)
        EXPECT_EQ(after->realIndexes[r].entryCount, def->realIndexes[r].entryCount + 39) << "real index " << r;

    // The primary key is unique: an id already present is refused, also by an update.
    const auto before = fileBytes(copy.path());
    EXPECT_EQ(refusal(copy.path(), "Table1",
                      [](jet::TableWriter& w) { w.insert(row(w.definition(), {{"id", Value::integer(99)}})); }),
              jet::DuplicateKey);
    EXPECT_EQ(refusal(copy.path(), "Table1",
                      [&](jet::TableWriter& w) { w.update(at[2], row(w.definition(), {{"id", Value::integer(103)}})); }),
              jet::DuplicateKey);
    EXPECT_EQ(fileBytes(copy.path()), before);
}

// indexTestV2000's enforced relationships: Table1.otherfk1 -> Table2.id
// cascading deletes, Table1.otherfk2 -> Table3.id cascading updates; and one
// made here, Table1.otherfk3 -> Table1.id cascading deletes. A refusal
// changes nothing; cascades reach as far as the relationships go.
TEST(TableWriter, RelatedRowsFollowTheirKeyOrKeepItFromChanging) {
    WritableCopy copy("indexTestV2000.mdb");
    const auto at = [](jet::TableWriter& w, int id) {
        return *w.find(static_cast<std::size_t>(w.definition().findColumn("id") - w.definition().columns.data()),
                       Value::integer(id));
    };
    const auto before = fileBytes(copy.path());
    try {
        store(copy.path(), "Table3", [&](jet::TableWriter& w) { w.erase(at(w, 11)); });
        ADD_FAILURE() << "a row with related rows was deleted";
    } catch (const jet::Error& e) {
        EXPECT_EQ(e.number(), jet::RelatedRecordsExist);
        EXPECT_NE(e.description().find("table 'Table1'"), std::string::npos) << e.description();  // where they are
    }
    EXPECT_EQ(refusal(copy.path(), "Table2",
                      [&](jet::TableWriter& w) { w.update(at(w, 1), row(w.definition(), {{"id", Value::integer(5)}})); }),
              jet::RelatedRecordsExist);
    EXPECT_EQ(fileBytes(copy.path()), before);

    store(copy.path(), "Table3", [&](jet::TableWriter& w) {
        w.update(at(w, 13), row(w.definition(), {{"id", Value::integer(23)}, {"data", Value::text("bar23")}}));
    });
    EXPECT_EQ(column(copy.path(), "Table1", 2), (std::vector<std::string>{"10", "11", "11", "23"}));
    store(copy.path(), "Table2", [&](jet::TableWriter& w) { w.erase(at(w, 1)); });
    EXPECT_EQ(column(copy.path(), "Table1", 0), (std::vector<std::string>{"0", "3"}));

    store(copy.path(), "MSysRelationships", [](jet::TableWriter& w) {
        w.insert(row(w.definition(), {{"szRelationship", Value::text("Table1Table1")}, {"grbit", Value::integer(4096)},
                                      {"ccolumn", Value::integer(1)}, {"icolumn", Value::integer(0)},
                                      {"szObject", Value::text("Table1")}, {"szColumn", Value::text("otherfk3")},
                                      {"szReferencedObject", Value::text("Table1")},
                                      {"szReferencedColumn", Value::text("id")}}));
    }, jet::SystemTables::Written);
    // Row 0 goes with Table2's row 0; row 3 names row 0 in otherfk3 and goes with it.
    store(copy.path(), "Table2", [&](jet::TableWriter& w) { w.erase(at(w, 0)); });
    EXPECT_TRUE(allRows(jet::Database::open(copy.path()), "Table1").empty());
    std::string why;
    EXPECT_TRUE(indexesMatchRows(copy.path(), "Table1", why)) << why;
    EXPECT_TRUE(oraclesAgree(copy.path(), "Table1"));
    EXPECT_EQ(checkerFindings(copy.path()), "");
}

// A new data page past the range an inline usage map can name (512 pages from
// its start) turns the map into one that refers to map pages; the table's
// old and new pages stay in it.
TEST(TableWriter, AGrowingTableOutgrowsItsInlineUsageMap) {
    WritableCopy copy("testV2000.mdb");  // 743 pages; Table1's map names pages 0 to 511
    const auto usedMapKind = [&] {
        const auto db = jet::Database::open(copy.path());
        jet::PageRef keep;
        return jet::rowAt(db->pager(), false, jet::rowPointer(db->tableDef("Table1")->usedPagesPointer), keep)[0];
    };
    ASSERT_EQ(usedMapKind(), 0x00);
    store(copy.path(), "Table1", [](jet::TableWriter& w) {
        for (int i = 0; i < 120; ++i)
            w.insert(row(w.definition(), {{"A", Value::text("row " + std::to_string(i))},
                                          {"B", Value::text(std::string(20, 'b'))},
                                          {"I", Value::boolean(i % 2 == 0)}}));
    });
    EXPECT_EQ(usedMapKind(), 0x01);
    EXPECT_EQ(allRows(jet::Database::open(copy.path()), "Table1").size(), 122u);
    std::string why;
    EXPECT_TRUE(indexesMatchRows(copy.path(), "Table1", why)) << why;
    EXPECT_TRUE(oraclesAgree(copy.path(), "Table1"));
    EXPECT_EQ(checkerFindings(copy.path()), "");
}

// AutoNumber: the table definition keeps the last number given; a new row gets
// the next, and a deleted row's number is not given again.
TEST(TableWriter, AutoNumberContinuesAsAccessNumbers) {
    WritableCopy copy("indexTestV2000.mdb");  // MSysNameMap: Id is an AutoNumber, last given 1
    std::vector<jet::RowLocation> added;
    const auto written = jet::SystemTables::Written;
    store(copy.path(), "MSysNameMap", [&](jet::TableWriter& w) {
        added.push_back(w.insert(row(w.definition(), {{"Name", Value::text("first")}})));
        added.push_back(w.insert(row(w.definition(), {{"Name", Value::text("second")}})));
    }, written);
    store(copy.path(), "MSysNameMap", [&](jet::TableWriter& w) { w.erase(added[1]); }, written);
    store(copy.path(), "MSysNameMap", [&](jet::TableWriter& w) {
        w.insert(row(w.definition(), {{"Name", Value::text("third")}}));
        EXPECT_EQ(refusal(copy.path(), "MSysNameMap", [&](jet::TableWriter& again) {
                      again.update(added[0], row(again.definition(), {{"Id", Value::integer(77)}}));
                  }, written),
                  jet::FieldNotUpdatable);
    }, written);
    const auto db = jet::Database::open(copy.path());
    std::vector<std::int64_t> ids;
    for (const auto& r : allRows(db, "MSysNameMap"))
        ids.push_back(r[0].asInteger());  // Id
    EXPECT_EQ(ids, (std::vector<std::int64_t>{1, 2, 4}));
    EXPECT_EQ(db->tableDef("MSysNameMap")->nextAutoNumber, 4u);
    EXPECT_TRUE(oraclesAgree(copy.path(), "MSysNameMap"));
    EXPECT_EQ(checkerFindings(copy.path()), "");
}

// Memo values inline, in one row of a long-value page and in a chain of rows,
// in a Jet 4 file and an ACE 12 file; updates and deletes give their pages'
// rows back.
TEST(TableWriter, MemoValuesOnLongValuePages) {
    std::string chain;
    for (int i = 0; chain.size() < 20000; ++i)
        chain += "Łukasz José Müller " + std::to_string(i) + "\n";
    const std::vector<Value> memos{Value::text("short"), Value::text(std::string(3000, 'm')), Value::text(chain), Value()};
    struct MemoTable {
        std::string file, table, memo;
    };
    for (const MemoTable& t : {MemoTable{"fixedNumericTestV2000.mdb", "test", "col1"},
                               MemoTable{"delTestV2007.accdb", "MSysCompactError", "ErrorDescription"}}) {
        const std::string& file = t.file;
        const std::string& table = t.table;
        const std::string& memo = t.memo;
        WritableCopy copy(file);
        const auto original = fileBytes(copy.path());
        std::vector<jet::RowLocation> at;
        const auto system = table.starts_with("MSys") ? jet::SystemTables::Written : jet::SystemTables::Refused;
        store(copy.path(), table, [&](jet::TableWriter& w) {
            for (const auto& m : memos)
                at.push_back(w.insert(row(w.definition(), {{memo, m}})));
        }, system);
        // The long-value pages the store wrote (new ones, or free ones taken again).
        const auto written = fileBytes(copy.path());
        std::vector<std::uint32_t> ours;
        for (std::uint32_t p = 0; p < written.size() / 4096; ++p)
            if ((p >= original.size() / 4096 ||
                 !std::equal(written.begin() + p * 4096, written.begin() + (p + 1) * 4096, original.begin() + p * 4096)) &&
                written[p * 4096] == 0x01 && jet::readU32(&written[p * 4096 + 4]) == 0x4C41564Cu)
                ours.push_back(p);
        const auto db = jet::Database::open(copy.path());
        const auto def = db->tableDef(table);
        const auto col = static_cast<std::size_t>(def->findColumn(memo) - def->columns.data());
        auto rows = allRows(db, table);
        ASSERT_GE(rows.size(), 4u);
        for (std::size_t i = 0; i < memos.size(); ++i)
            EXPECT_EQ(show(rows[rows.size() - 4 + i][col]), show(memos[i])) << file << " memo " << i;
        EXPECT_GT(ours.size(), 5u) << "a 20000-character chain spans pages";
        EXPECT_TRUE(oraclesAgree(copy.path(), table)) << file;
        EXPECT_EQ(checkerFindings(copy.path()), "");

        // Replacing and deleting long values frees their rows on the long-value pages.
        store(copy.path(), table, [&](jet::TableWriter& w) {
            w.update(at[2], row(w.definition(), {{memo, Value::text("now short")}}));
            w.erase(at[1]);
        }, system);
        // The pages hold no live long-value rows but those they held before.
        const auto liveLongRows = [&](const std::vector<std::uint8_t>& bytes) {
            std::size_t live = 0;
            for (const std::uint32_t p : ours)
                if (p < bytes.size() / 4096 && bytes[p * 4096] == 0x01 && jet::readU32(&bytes[p * 4096 + 4]) == 0x4C41564Cu)
                    for (std::uint16_t r = 0; r < jet::readU16(&bytes[p * 4096 + 12]); ++r)
                        live += !(jet::readU16(&bytes[p * 4096 + 14 + 2 * r]) & 0x4000);
            return live;
        };
        const auto after = jet::Database::open(copy.path());
        EXPECT_EQ(liveLongRows(fileBytes(copy.path())), liveLongRows(original)) << file;
        rows = allRows(after, table);
        EXPECT_EQ(rows[rows.size() - 2][col].text(), "now short");
        EXPECT_TRUE(oraclesAgree(copy.path(), table)) << file;
        EXPECT_EQ(checkerFindings(copy.path()), "");

        // A zero-length memo stays distinct from Null (mdb-export shows every
        // empty memo as Null, so the oracles are not asked here).
        store(copy.path(), table, [&](jet::TableWriter& w) { w.update(at[0], row(w.definition(), {{memo, Value::text("")}})); },
              system);
        const auto last = allRows(jet::Database::open(copy.path()), table);
        EXPECT_EQ(last[last.size() - 3][col].kind(), Value::Kind::Text);
        EXPECT_EQ(last[last.size() - 3][col].text(), "");
    }
}

// Space freed by deleting every row (data pages, index pages, long values)
// is taken again before the file grows.
TEST(TableWriter, RowsInsertedAfterDeletionsUseTheFreedSpace) {
    WritableCopy copy("fixedNumericTestV2000.mdb");  // "test": a memo column
    const std::string names = copy.path() + ".names.mdb";  // T_Main: a unique index
    jet::createDatabase(names);
    struct Case {
        std::string path, table, field, text;
    };
    for (const Case& c : {Case{copy.path(), "test", "col1", std::string(3000, 'm')},  // a long-value row of its own
                          Case{names, "T_Main", "ComputerName", std::string(40, 'c')}}) {
        const std::string &path = c.path, &table = c.table, &field = c.field, &text = c.text;
        std::uintmax_t sizes[2] = {};
        for (std::uintmax_t& size : sizes) {
            std::vector<jet::RowLocation> at;
            store(path, table, [&](jet::TableWriter& w) {
                for (int i = 0; i < 300; ++i)
                    at.push_back(w.insert(row(w.definition(), {{field, Value::text(std::to_string(i) + text)}})));
            });
            size = std::filesystem::file_size(path);
            store(path, table, [&](jet::TableWriter& w) {
                for (const auto& a : at)
                    w.erase(a);
            });
        }
        EXPECT_EQ(sizes[1], sizes[0]) << table;
        EXPECT_EQ(checkerFindings(path), "") << table;
    }
}

// A row that grows past its page's free space moves to another page; its place
// keeps a pointer, flagged as Access flags it, and the table order is unchanged.
TEST(TableWriter, ARowThatNoLongerFitsMoves) {
    WritableCopy copy("overflowTestV2000.mdb");  // Access already moved two of its rows
    const auto places = [&] {
        std::vector<jet::RowLocation> at;
        const auto db = jet::Database::open(copy.path());
        jet::TableCursor cursor(db, db->tableDef("Table1"));
        for (bool more = cursor.moveFirst(); more; more = cursor.moveNext())
            at.push_back(cursor.location());
        return at;
    };
    const auto movedCount = [&] {
        const auto db = jet::Database::open(copy.path());
        int moved = 0;
        for (const auto at : places())
            moved += jet::DataPageView(db->pager().page(at.page), db->pager(), false).row(at.row).moved;
        return moved;
    };
    const auto rows = places();
    EXPECT_EQ(movedCount(), 2);
    // Each row grows to 900 bytes (text that does not compress): a page holds four.
    const auto grown = [](jet::TableWriter& w, std::size_t i) {
        auto values = row(w.definition(), {});
        for (auto& v : values)
            v = Value::text("Ł" + std::to_string(i) + std::string(47, 'g'));
        return values;
    };
    store(copy.path(), "Table1", [&](jet::TableWriter& w) {
        for (std::size_t i = 0; i < rows.size(); ++i)
            w.update(rows[i], grown(w, i));
    });
    EXPECT_EQ(places(), rows);  // the table order is kept
    EXPECT_GT(movedCount(), 2);
    auto values = allRows(jet::Database::open(copy.path()), "Table1");
    ASSERT_EQ(values.size(), rows.size());
    for (std::size_t i = 0; i < rows.size(); ++i)
        EXPECT_EQ(values[i][8].text(), "Ł" + std::to_string(i) + std::string(47, 'g'));
    EXPECT_TRUE(oraclesAgree(copy.path(), "Table1"));
    EXPECT_EQ(checkerFindings(copy.path()), "");

    // Shrunk again, every row comes back to its own page.
    store(copy.path(), "Table1", [&](jet::TableWriter& w) {
        for (std::size_t i = 0; i < rows.size(); ++i)
            w.update(rows[i], row(w.definition(), {{"data1", Value::text("back" + std::to_string(i))}}));
    });
    EXPECT_EQ(movedCount(), 0);
    store(copy.path(), "Table1", [&](jet::TableWriter& w) { w.erase(rows[0]); });
    values = allRows(jet::Database::open(copy.path()), "Table1");
    ASSERT_EQ(values.size(), rows.size() - 1);
    EXPECT_EQ(values[0][0].text(), "back1");
    EXPECT_TRUE(oraclesAgree(copy.path(), "Table1"));
    EXPECT_EQ(checkerFindings(copy.path()), "");
}

// Access builds count an expansion letter such as ß in a text key as one
// position or as one per letter. An entry written either way is found, and
// new keys follow the way the index shows.
TEST(TableWriter, ExpansionLettersCountAsTheIndexShows) {
    WritableCopy copy("testV2000.mdb");  // Table1: A is the primary key
    const auto text = [](const char* a) {
        return [a](jet::TableWriter& w) { return w.insert(row(w.definition(), {{"A", Value::text(a)}, {"I", Value::boolean(false)}})); };
    };
    jet::RowLocation first, second;
    store(copy.path(), "Table1", [&](jet::TableWriter& w) { first = text("Nuß-1")(w); });
    // The hyphen's position in the key, rewritten as the other build counts: after 4 positions, not 3.
    auto bytes = fileBytes(copy.path());
    const std::vector<std::uint8_t> tail{0x6B, 0x6B, 0x38, 0x01, 0x01, 0x01, 0x01, 0x80, 0x13, 0x06, 0x82, 0x00};
    const auto at = std::search(bytes.begin(), bytes.end(), tail.begin(), tail.end());
    ASSERT_NE(at, bytes.end());
    ASSERT_EQ(std::search(at + 1, bytes.end(), tail.begin(), tail.end()), bytes.end());
    at[8] = 0x17;
    std::ofstream(copy.path(), std::ios::binary).write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
    EXPECT_EQ(checkerFindings(copy.path()), "");
    auto db = jet::Database::open(copy.path());
    const auto candidates = jet::indexCandidates(db, db->tableDef("Table1"), 0, Value::text("NUß-1"));
    ASSERT_TRUE(candidates);
    EXPECT_EQ(*candidates, std::vector<jet::RowLocation>{first});

    store(copy.path(), "Table1", [&](jet::TableWriter& w) {
        second = text("Groß-2")(w);
        w.erase(first);
    });
    db = jet::Database::open(copy.path());
    const jet::Index index = jet::Index::primaryKey(db, db->tableDef("Table1"));
    std::vector<std::uint8_t> perLetter;
    std::string why;
    const Value groß = Value::text("Groß-2");
    ASSERT_TRUE(index.tryKey(std::span<const Value>(&groß, 1), perLetter, why, jet::Expansions::PerLetter));
    EXPECT_EQ(index.find(std::span<const Value>(&groß, 1)), std::vector<jet::RowLocation>{});  // not under one position
    EXPECT_EQ(index.findPrefix(perLetter, true), std::vector<jet::RowLocation>{second});
    EXPECT_EQ(column(copy.path(), "Table1", 0), (std::vector<std::string>{"abcdefg", "a", "Groß-2"}));
    EXPECT_EQ(checkerFindings(copy.path()), "");
}

}  // namespace
