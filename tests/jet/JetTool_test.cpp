// The ravelin-jet command-line tool: its output formats and exit codes, which
// the differential test and the benchmark depend on. Table contents per
// mdb-export; formats as the tool documents them.
#include "JetTesting.h"
#include "WriteTesting.h"

#include "jet/create/TableCreator.h"
#include "jet/table/ColumnType.h"
#include "jet/table/CsvExport.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <tuple>
#include <sys/wait.h>
#include <unistd.h>

namespace {

struct Result {
    int exitCode = -1;
    std::string out;
    std::string err;
};

std::string slurp(const std::filesystem::path& p) {
    const auto bytes = jettest::fileBytes(p.string());
    return {bytes.begin(), bytes.end()};
}

// Runs a shell command line; `run` runs ravelin-jet with `args`.
Result shell(const std::string& line) {
    const ravelin_testing::TempDir dir("jet-tool");
    const auto out = dir.path() / "out";
    const auto err = dir.path() / "err";
    const std::string command = "(" + line + ") >" + out.string() + " 2>" + err.string();
    const int status = std::system(command.c_str());
    Result r;
    r.exitCode = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    r.out = slurp(out);
    r.err = slurp(err);
    return r;
}

Result run(const std::string& args) { return shell(std::string(RAVELIN_BINARY_DIR) + "/ravelin-jet " + args); }

TEST(JetTool, ListsTables) {
    const auto r = run("tables " + jettest::access("testV2000.mdb"));
    EXPECT_EQ(r.exitCode, 0);
    EXPECT_EQ(r.out, "Table1\nTable2\nTable3\nTable4\n");
    const auto s = run("tables --system " + jettest::workgroup());
    EXPECT_EQ(s.exitCode, 0);
    EXPECT_EQ(s.out, "MSysObjects\nMSysACEs\nMSysQueries\nMSysRelationships\nMSysAccounts\nMSysGroups\n");
    EXPECT_EQ(run("tables " + jettest::access("emptyJet4.mdb")).out, "");
    // Linked tables follow, marked as links; a password in a connection string is left out.
    EXPECT_EQ(run("tables " + jettest::more("linkerTestV2007.accdb")).out,
              "Table1\nTable2\tlink to table 'Table1' in Z:\\jackcess_test\\linkeeTest.accdb\n");
    EXPECT_NE(run("tables " + jettest::more("odbcLinkerTestV2007.accdb")).out.find("\tlink to 'dbo.Ordrar' through "
                                                                                   "DSN=Magnapinna;Description=Safexit;UID=safexit;PWD=***;"),
              std::string::npos);
}

TEST(JetTool, ExportsCsvWithCrLfAndTheDocumentedFormats) {
    const auto r = run("export " + jettest::access("testV2000.mdb") + " Table1");
    EXPECT_EQ(r.exitCode, 0) << r.err;
    EXPECT_EQ(r.out,
              "A,B,C,D,E,F,G,H,I\r\n"
              "\"abcdefg\",\"hijklmnop\",2,222,333333333,444.555,1974-09-21 00:00:00,3.5000,1\r\n"
              "\"a\",\"b\",0,0,0,0,1981-12-12 00:00:00,0.0000,0\r\n");
    // Null fields are empty and unquoted.
    const auto o = run("export " + jettest::access("overflowTestV2000.mdb") + " table1");
    EXPECT_EQ(o.exitCode, 0);
    EXPECT_NE(o.out.find("\r\n,\"row3col3\",,,,,,\"row3col9\",\r\n"), std::string::npos) << o.out;
    // Decimal columns with their scale, memo text quoted.
    EXPECT_EQ(run("export " + jettest::access("fixedNumericTestV2000.mdb") + " test").out,
              "col1,col2,col3,col4,col5,col6,col7\r\n\"some data\",1,0,0,4,-1,1\r\n");
    // GUID and binary columns.
    const auto m = run("export " + jettest::access("indexTestV2000.mdb") + " MSysNameMap");
    EXPECT_NE(m.out.find(",{8F096CA0-FC16-4288-801E-119F26C0B6FC},"), std::string::npos) << m.out;
    EXPECT_NE(m.out.find(",05000000"), std::string::npos) << m.out;  // NameMap bytes, lower-case hex
    // Complex columns as their items: version history entries, multi-valued fields' values, attachments' names.
    EXPECT_EQ(run("export " + jettest::more("complexDataTestV2010.accdb") + " Table1").out,
              "id,VersionHistory_F5F8918F-0A3F-4DA9-AE71-184EE5012880,memo-data,append-memo-data,multi-value-data,"
              "attach-data\r\n\"row1\",\"\",,,\"\",\"\"\r\n"
              "\"row2\",\"2011-09-12 21:21:02.334 row2-memo\",\"row2-memo\",\"row2-memo\",\"value1; value4\","
              "\"test_data.txt; test_data2.txt\"\r\n"
              "\"row3\",\"2011-09-12 21:21:19.126 row3-memo; 2011-09-12 21:22:33.077 row3-memo-revised; 2011-09-12 "
              "21:22:45.382 row3-memo-again\",\"row3-memo\",\"row3-memo-again\",\"value1; value2; value3; value4\",\"\"\r\n"
              "\"row4\",\"2011-09-12 21:22:25.758 row4-memo\",\"row4-memo\",\"row4-memo\",\"\",\"test_data2.txt\"\r\n");
    // Types no reader knows: a marker, and a note on stderr once per column.
    const auto u = run("export " + jettest::more("unsupportedFieldsTestV2007.accdb") + " Test");
    EXPECT_EQ(u.out.substr(u.out.find("\r\n") + 2, 73),
              "1,<not read: type 0x46>,<not read: type 0x47>,<not read: complex value>\r\n");
    EXPECT_NE(u.err.find("column 'UnknownFix' of table 'Test': its type (0x47) is not one Ravelin knows"),
              std::string::npos) << u.err;
}

TEST(JetTool, FieldFormats) {
    jet::ColumnDef plain;
    const auto field = [&](const jet::Value& v) {
        std::string s;
        jet::appendCsvField(s, v, plain);
        return s;
    };
    EXPECT_EQ(field(jet::Value()), "");
    EXPECT_EQ(field(jet::Value::text("")), "\"\"");
    EXPECT_EQ(field(jet::Value::text("say \"hi\", ok\r\n")), "\"say \"\"hi\"\", ok\r\n\"");
    EXPECT_EQ(field(jet::Value::boolean(true)), "1");
    EXPECT_EQ(field(jet::Value::integer(-32768)), "-32768");
    EXPECT_EQ(field(jet::Value::single(0.1f)), "0.1");
    EXPECT_EQ(field(jet::Value::single(16777216.0f)), "16777216");
    EXPECT_EQ(field(jet::Value::real(0.1)), "0.1");
    EXPECT_EQ(field(jet::Value::real(1e300)), "1e+300");
    EXPECT_EQ(field(jet::Value::currency(-123400)), "-12.3400");
    EXPECT_EQ(field(jet::Value::dateTime(2.5)), "1900-01-01 12:00:00");
    EXPECT_EQ(field(jet::Value::dateTime(0.5 + 250.0 / 86400000.0)), "1899-12-30 12:00:00.250");
    const std::vector<std::uint8_t> bytes = {0x00, 0xAB, 0x0F};
    EXPECT_EQ(field(jet::Value::binary(bytes)), "00ab0f");
    EXPECT_EQ(field(jet::Value::binary({})), "\"\"");  // not Null
    jet::ColumnDef hyperlink;
    hyperlink.type = static_cast<std::uint8_t>(jet::ColumnType::Memo);
    hyperlink.flags = 0x80;
    std::string shown;
    for (const char* stored : {"Our site#https://example.org/#", "#https://example.org/#", "##Sheet1!A1"})
        jet::appendCsvField(shown, jet::Value::text(stored), hyperlink);
    EXPECT_EQ(shown, "\"Our site\"\"https://example.org/\"\"Sheet1!A1\"");
    std::string full;  // --hyperlinks full: the stored form, which import keeps as the same link
    jet::appendCsvField(full, jet::Value::text("Our site#https://example.org/#"), hyperlink, jet::HyperlinkForm::Full);
    EXPECT_EQ(full, "\"Our site#https://example.org/#\"");
    jet::Decimal d;
    d.magnitude = {0, 0, 0, 5};
    d.negative = true;
    jet::ColumnDef scaled;
    scaled.scale = 3;
    std::string s;
    jet::appendCsvField(s, jet::Value::decimal(d), scaled);
    EXPECT_EQ(s, "-0.005");
}

TEST(JetTool, InfoDescribesTheFile) {
    const auto r = run("info " + jettest::access("testV1997.mdb"));
    EXPECT_EQ(r.exitCode, 0);
    EXPECT_EQ(r.out, "format: Jet 3\npage size: 2048\ncode page: 1252\nsort order: 1033 (General)\npassword: no\n");
    const auto a = run("info " + jettest::access("testV2007.accdb"));
    EXPECT_NE(a.out.find("format: ACE 12\npage size: 4096\n"), std::string::npos) << a.out;
    // An encrypted file: 3031 without its password, said to be encrypted with it.
    const std::string encrypted = std::string(RAVELIN_TESTDATA) + "/encrypted/db2007-enc.accdb";
    const auto locked = run("info " + encrypted);
    EXPECT_EQ(locked.exitCode, 1);
    EXPECT_NE(locked.err.find("(error 3031)"), std::string::npos) << locked.err;
    const auto opened = shell("RAVELIN_JET_PASSWORD=Test123 " + std::string(RAVELIN_BINARY_DIR) + "/ravelin-jet info " + encrypted);
    EXPECT_NE(opened.out.find("password: yes (the file is encrypted with it)\n"), std::string::npos) << opened.out;
}

TEST(JetTool, ErrorsAndUsage) {
    // Failures exit 1 with nothing on stdout, naming their cause.
    for (const auto& [args, cause] : std::initializer_list<std::pair<std::string, std::string>>{
             {jettest::access("missing.mdb") + " Table1", "missing.mdb"},
             {jettest::access("testV2000.mdb") + " NoTable", "NoTable"},
             {jettest::more("linkerTestV2007.accdb") + " Table2",
              "is a link to table 'Table1' in Z:\\jackcess_test\\linkeeTest.accdb"}}) {
        const auto r = run("export " + args);
        EXPECT_EQ(r.exitCode, 1) << args;
        EXPECT_EQ(r.out, "") << args;
        EXPECT_NE(r.err.find(cause), std::string::npos) << r.err;
    }
    for (const std::string& usage : std::vector<std::string>{"", "frobnicate x", "export " + jettest::access("testV2000.mdb"),
                                                             "tables --bogus " + jettest::access("testV2000.mdb"), "tables"})
        EXPECT_EQ(run(usage).exitCode, 2) << usage;
}

// A data page whose owner field was changed: the export fails naming the
// page, or with --skip-damaged leaves the page out, says so and exits 1;
// repair leaves it out, names it and counts it, and exits 1.
TEST(JetTool, ExportNeverDropsADamagedPageInSilence) {
    const auto db = jet::Database::open(jettest::access("testV2000.mdb"));
    jet::TableCursor cursor(db, db->tableDef("Table1"));
    ASSERT_TRUE(cursor.moveFirst());
    const std::uint32_t page = cursor.location().page;
    auto bytes = jettest::fileBytes(jettest::access("testV2000.mdb"));
    bytes[page * db->pager().pageSize() + 4] ^= 0x01;
    const auto copy = std::filesystem::temp_directory_path() / ("damaged-owner-" + std::to_string(::getpid()) + ".mdb");
    std::ofstream(copy, std::ios::binary).write(reinterpret_cast<const char*>(bytes.data()), std::ssize(bytes));
    const std::string named = "names page " + std::to_string(page) + ", which belongs to";
    const auto failed = run("export " + copy.string() + " Table1");
    EXPECT_EQ(failed.exitCode, 1);
    EXPECT_NE(failed.err.find(named), std::string::npos) << failed.err;
    EXPECT_NE(failed.err.find("(error 3343)"), std::string::npos) << failed.err;
    const auto skipped = run("export --skip-damaged " + copy.string() + " Table1");
    EXPECT_EQ(skipped.exitCode, 1);
    EXPECT_NE(skipped.err.find(named), std::string::npos) << skipped.err;
    EXPECT_NE(skipped.err.find("incomplete"), std::string::npos) << skipped.err;
    const auto repaired = run("repair " + copy.string() + " " + copy.string() + ".repaired.mdb");
    EXPECT_EQ(repaired.exitCode, 1);
    EXPECT_NE(repaired.err.find("Table1: page " + std::to_string(page) + " not recovered"), std::string::npos) << repaired.err;
    EXPECT_NE(repaired.err.find("not recovered in all: 0 tables, 1 pages, 0 rows"), std::string::npos) << repaired.err;
    std::filesystem::remove(copy);
    std::filesystem::remove(copy.string() + ".repaired.mdb");
}

// insert, update and delete: one store each; Null and zero-length text
// written distinctly; a refusal exits 1 with Jet's number and changes nothing.
TEST(JetTool, EditsATable) {
    jettest::WritableCopy copy("delTestV2000.mdb");
    const std::string file = "'" + copy.path() + "' Table ";
    EXPECT_EQ(run("insert " + file + "a=José 'b=\\N'").exitCode, 0);
    EXPECT_EQ(run("insert " + file + "a= 'b=\\\\N'").exitCode, 0);
    EXPECT_EQ(run("insert " + file + "'a=\\\\server\\share' 'b=\\\\'").exitCode, 0);  // stays as typed
    EXPECT_EQ(run("update " + file + "a=z b=changed").exitCode, 0);
    EXPECT_EQ(run("delete " + file + "a=v").exitCode, 0);
    EXPECT_EQ(run("export " + file).out, "a,b\r\n\"z\",\"changed\"\r\n\"José\",\r\n\"\",\"\\N\"\r\n"
                                         "\"\\\\server\\share\",\"\\\\\"\r\n");

    const auto before = jettest::fileBytes(copy.path());
    const auto tooLong = run("insert " + file + "a=" + std::string(51, 'x'));
    EXPECT_EQ(tooLong.exitCode, 1);
    EXPECT_NE(tooLong.err.find("(error 3163)"), std::string::npos) << tooLong.err;
    EXPECT_EQ(run("delete " + file + "a=missing").exitCode, 1);
    EXPECT_EQ(run("update " + file + "a=z").exitCode, 2);  // nothing to change: usage
    for (const std::string& refused : {"insert " + file + "a=x a=y", "update " + file + "a=z b=x b=y",
                                       "insert '" + copy.path() + "' MSysObjects Id=12345",
                                       "delete '" + copy.path() + "' MSysObjects Name=Table"}) {
        const auto r = run(refused);
        EXPECT_EQ(r.exitCode, 1) << refused;
        EXPECT_NE(r.err.find(refused.find("MSys") == std::string::npos ? "more than one value" : "(error 3027)"),
                  std::string::npos) << r.err;
    }
    EXPECT_EQ(jettest::fileBytes(copy.path()), before);

    jettest::WritableCopy flags("testV2000.mdb");  // Table1.I is a Yes/No field
    const auto nullFlag = run("insert '" + flags.path() + "' Table1 A=new 'I=\\N'");
    EXPECT_EQ(nullFlag.exitCode, 1);
    EXPECT_NE(nullFlag.err.find("(error 3162)"), std::string::npos) << nullFlag.err;
    // Large Number and Date/Time Extended given as the export writes them, to the last digit.
    jettest::WritableCopy ace("../access-more/extDateTestV2019.accdb");
    jet::runStore(ace.path(), [](jet::PageStore& pages) {
        jet::createTable(pages, {"T", {{"Big", jet::ColumnType::BigInt}, {"When", jet::ColumnType::DateTimeExtended}}, {}});
    });
    const std::string t = "'" + ace.path() + "' T ";
    EXPECT_EQ(run("insert " + t + "Big=-9223372036854775808 'When=0001-01-01'").exitCode, 0);
    EXPECT_EQ(run("insert " + t + "Big=9223372036854775807 'When=9999-12-31 23:59:59.9999999'").exitCode, 0);
    EXPECT_EQ(run("insert " + t + "Big=9223372036854775808").exitCode, 1);
    EXPECT_EQ(run("export " + t).out, "Big,When\r\n-9223372036854775808,0001-01-01 00:00:00\r\n"
                                      "9223372036854775807,9999-12-31 23:59:59.9999999\r\n");
}

// import: export, import into a new table, export again gives the same
// bytes for every table of Access's own files (numbers, dates, currency and
// memo text among them); the new .accdb is read alike by both oracles and
// checks clean.
TEST(JetTool, ImportIntoNewTablesGivesBackTheExportByteForByte) {
    jettest::WritableCopy dir("emptyJet4.mdb");
    const std::string db = dir.path() + ".new.accdb";
    ASSERT_EQ(run("create '" + db + "'").exitCode, 0);
    const std::string csv = dir.path() + ".csv";
    int tables = 0;
    for (const std::string file : {"testV2000.mdb", "testV2007.accdb", "overflowTestV2000.mdb",
                                   "fixedNumericTestV2000.mdb", "indexTestV2000.mdb", "compIndexTestV2000.mdb"}) {
        const auto names = run("tables " + jettest::access(file)).out;
        for (std::size_t at = 0, end; (end = names.find('\n', at)) != std::string::npos; at = end + 1, ++tables) {
            const std::string table = names.substr(at, end - at);
            const std::string made = file.substr(0, file.find('.')) + " " + table;
            run("export " + jettest::access(file) + " " + table + " >'" + csv + "'");
            const auto imported = run("import '" + db + "' '" + made + "' '" + csv + "'");
            ASSERT_EQ(imported.exitCode, 0) << made << ": " << imported.err;
            EXPECT_EQ(run("export '" + db + "' '" + made + "'").out, slurp(csv)) << made;
        }
    }
    EXPECT_EQ(tables, 14);
    EXPECT_TRUE(jettest::oraclesAgree(db));
    EXPECT_EQ(jettest::checkerFindings(db), "");
}

// What the export writes and other programs write alike: a byte-order mark,
// CR LF and LF line ends, quoted line breaks and quotes, Null and empty text,
// values that only look like numbers or dates ("007").
TEST(JetTool, ImportReadsCsvAsTheExportAndOtherProgramsWriteIt) {
    jettest::WritableCopy copy("emptyJet4.mdb");
    const std::string csv = copy.path() + ".csv";
    std::ofstream(csv, std::ios::binary) << "\xEF\xBB\xBFName,Zip,Note,When\r\n"
                                            "\"O'Brien, \"\"Pat\"\"\",007,\"two\r\nlines\",1899-12-30 12:00:00.250\n"
                                            "\"\",,\"lf\nonly\",\r\n"
                                            "Zoë,12,,2024-01-05 10:00:00";
    const auto r = run("import '" + copy.path() + "' People < '" + csv + "'");
    ASSERT_EQ(r.exitCode, 0) << r.err;
    EXPECT_EQ(r.err, "ravelin-jet: imported 3 rows into 'People' (new table: Name Text(255), Zip Text(255), Note "
                     "Text(255), When DateTime).\n");
    EXPECT_EQ(run("export '" + copy.path() + "' People").out,
              "Name,Zip,Note,When\r\n"
              "\"O'Brien, \"\"Pat\"\"\",\"007\",\"two\r\nlines\",1899-12-30 12:00:00.250\r\n"
              "\"\",,\"lf\nonly\",\r\n"
              "\"Zoë\",\"12\",,2024-01-05 10:00:00\r\n");

    // Rows too wide for a page of Text(255) columns: some become Memo.
    std::string wide = "a,b,c,d,e,f,g,h,i,j,k,l,m,n,o,p,q,r\r\n";
    for (int n = 0; n < 18; ++n)
        wide += "\"" + std::string(250, 'x') + (n < 17 ? "\"," : "\"\r\n");
    std::ofstream(csv, std::ios::binary | std::ios::trunc) << wide;
    EXPECT_EQ(run("import '" + copy.path() + "' Wide '" + csv + "'").exitCode, 0);
    EXPECT_EQ(run("export '" + copy.path() + "' Wide").out, wide);
}

// Codes stay text: leading zeros, more digits than a Long holds, hex-looking
// text (never guessed as Binary); numbers that a Long holds stay numbers.
TEST(JetTool, ImportKeepsCodesAsText) {
    jettest::WritableCopy copy("emptyJet4.mdb");
    const std::string csv = copy.path() + ".csv";
    const std::pair<const char*, const char*> cases[] = {
        {"0012\r\n0345\r\n9876\r\n", "Text(255)"}, {"12345678901\r\n", "Text(255)"},
        {"CAFE\r\n00FF\r\n", "Text(255)"}, {"2147483647\r\n-5\r\n0\r\n", "Long"},
    };
    int n = 0;
    for (const auto& [values, type] : cases) {
        std::ofstream(csv, std::ios::binary | std::ios::trunc) << "Code\r\n" << values;
        const auto r = run("import '" + copy.path() + "' T" + std::to_string(++n) + " '" + csv + "'");
        EXPECT_NE(r.err.find("(new table: Code " + std::string(type) + ")"), std::string::npos) << values << r.err;
    }
}

// One bad row refuses the whole import: the message names its line (lines
// of quoted line breaks counted) and the reason, and the file keeps every byte.
TEST(JetTool, ImportRefusesABadRowNamingItsLineAndChangesNothing) {
    jettest::WritableCopy copy("delTestV2000.mdb");  // Table: a, b Text(50)
    const std::string csv = copy.path() + ".csv";
    std::ofstream(csv, std::ios::binary) << "n\r\n1\r\n";
    ASSERT_EQ(run("import '" + copy.path() + "' Numbers '" + csv + "'").exitCode, 0);
    const auto before = jettest::fileBytes(copy.path());
    const std::vector<std::tuple<std::string, std::string, std::string>> cases = {
        {"Table", "a,b\r\n\"x\",\"y\"\r\n\"" + std::string(51, 'x') + "\",\r\n",
         "Line 3 of the CSV: The field is too small to accept the amount of data you attempted to add."},
        {"Numbers", "n\r\n2\r\nabc\r\n", "Line 3 of the CSV: Data type conversion error: field 'n' cannot take "
                                          "that value. The field reads 'abc'. Nothing was imported. (error 3421)"},
        {"Table", "a,b\r\n\"two\r\nlines\",\"y\"\r\n\"x\",\"y\",\"z\"\r\n",
         "Line 4 of the CSV has 3 fields where line 1 names 2 columns."},
        {"Table", "a,c\r\n", "Line 1 of the CSV names column 'c', which table 'Table' does not have."},
        {"Table", "a,A\r\n", "Line 1 of the CSV names column 'A' twice."},
        {"Table", "", "The CSV is empty"},
        {"Table", "a,b\r\n\"open,\r\n", "Line 2 of the CSV opens a quoted field that is never closed."},
        {"Table", "a,b\r\nx\"y,z\r\n", "Line 2 of the CSV has a quote inside a field"},
        {"Table", "a,b\r\n\"x\"y,z\r\n", "Line 2 of the CSV has text after the closing quote"},
        {"Table", "a,b\n\"x\",\"M\xFCller\"\n", "Line 2 of the CSV is not UTF-8 text"},
        {"MSysObjects", "Id\r\n12345\r\n", "'MSysObjects' is a system table"},
    };
    for (const auto& [table, text, says] : cases) {
        std::ofstream(csv, std::ios::binary | std::ios::trunc) << text;
        const auto r = run("import '" + copy.path() + "' " + table + " '" + csv + "'");
        EXPECT_EQ(r.exitCode, 1) << says;
        EXPECT_NE(r.err.find(says), std::string::npos) << r.err;
        EXPECT_EQ(jettest::fileBytes(copy.path()), before) << says;
    }
}

// The progress line goes to a terminal only, and is gone when the import ends.
TEST(JetTool, ImportShowsProgressOnATerminalOnly) {
    jettest::WritableCopy copy("emptyJet4.mdb");
    const std::string csv = copy.path() + ".csv";
    std::ofstream(csv, std::ios::binary) << "n\r\n1\r\n2\r\n";
    const auto plain = run("import '" + copy.path() + "' A '" + csv + "'");
    EXPECT_EQ(plain.err.find('\r'), std::string::npos) << plain.err;
    const std::string tool = std::string(RAVELIN_BINARY_DIR) + "/ravelin-jet import '" + copy.path() + "' B '" + csv + "'";
    const auto terminal = shell("script -qec \"" + tool + "\" /dev/null");
    EXPECT_NE(terminal.out.find("\rravelin-jet: 2 of 2 rows stored, writing\r\033[K"), std::string::npos)
        << terminal.out;
}

}  // namespace
