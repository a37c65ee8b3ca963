#pragma once
// Shared helpers of the engine tests: paths of the real Access files, reading
// a file's bytes, walking every row of a table, and the Jet error a call raises.
#include "jet/Database.h"
#include "jet/Error.h"
#include "jet/page/Rc4.h"
#include "jet/table/TableCursor.h"
#include "tests/support/TestFiles.h"

#include <algorithm>
#include <array>
#include <span>
#include <cstdint>
#include <filesystem>
#include <fstream>
#include <functional>
#include <iterator>
#include <string>
#include <vector>

namespace jettest {

inline std::string access(const std::string& file) { return std::string(RAVELIN_TESTDATA) + "/access/" + file; }
inline std::string more(const std::string& file) { return std::string(RAVELIN_TESTDATA) + "/access-more/" + file; }
inline std::string workgroup() { return std::string(RAVELIN_TESTDATA) + "/workgroup/system.mdw"; }

// Every Access file of the test data (access/ and access-more/), by path, in name order.
inline std::vector<std::string> accessFiles() {
    std::vector<std::string> files;
    for (const char* folder : {"/access", "/access-more"})
        for (const auto& e : std::filesystem::directory_iterator(std::string(RAVELIN_TESTDATA) + folder))
            files.push_back(e.path().string());
    std::sort(files.begin(), files.end());
    return files;
}

using ravelin_testing::fileBytes;

// Every row of a table as values, in stored order.
inline std::vector<std::vector<jet::Value>> allRows(const std::shared_ptr<jet::Database>& db, const std::string& table) {
    jet::TableCursor cursor(db, db->tableDef(table));
    std::vector<std::vector<jet::Value>> rows;
    for (bool more = cursor.moveFirst(); more; more = cursor.moveNext())
        rows.push_back(cursor.values());
    return rows;
}

// Reads every row of every table (the work of the fuzz target and the damage tests).
inline std::size_t readEverything(const std::shared_ptr<jet::Database>& db) {
    std::size_t rows = 0;
    for (const auto& t : db->tables()) {
        jet::TableCursor cursor(db, db->tableDef(t.name));
        for (bool more = cursor.moveFirst(); more; more = cursor.moveNext()) {
            cursor.values();
            ++rows;
        }
    }
    return rows;
}

inline std::string text(const jet::Value& v) { return v.text(); }

// The jet::Error that `f` throws; one numbered 0 when it throws none.
inline jet::Error caught(const std::function<void()>& f) {
    try {
        f();
    } catch (const jet::Error& e) {
        return e;
    }
    return jet::Error(0, "");
}

// The number of the jet::Error that `f` throws; 0 when it throws none.
inline int errorOf(const std::function<void()>& f) { return caught(f).number(); }

// Writes `password` into the deciphered password field of a header, the way
// Jet does (masked in Jet 4), and enciphers the page again.
inline std::vector<std::uint8_t> withPassword(std::vector<std::uint8_t> page, bool jet3, const std::string& password) {
    const std::array<std::uint8_t, 4> key = {0xC7, 0xDA, 0x39, 0x6B};
    const std::size_t length = jet3 ? 126 : 128;
    std::span<std::uint8_t> ciphered(page.data() + 0x18, length);
    jet::Rc4(key).apply(ciphered);
    for (std::size_t n = 0; n < password.size(); ++n) {
        const std::size_t at = 0x42 + (jet3 ? n : 2 * n);  // Jet 4: UCS-2
        page[at] = static_cast<std::uint8_t>(page[at] ^ static_cast<std::uint8_t>(password[n]));
    }
    jet::Rc4(key).apply(ciphered);
    return page;
}

// A Jet 4 or ACE database encoded as Jet encodes one: `databaseKey` in its
// header, every later page RC4 under that key XOR the page's number.
inline std::vector<std::uint8_t> encoded(std::vector<std::uint8_t> file, std::uint32_t databaseKey) {
    const std::array<std::uint8_t, 4> key = {0xC7, 0xDA, 0x39, 0x6B};
    std::span<std::uint8_t> ciphered(file.data() + 0x18, 128);
    jet::Rc4(key).apply(ciphered);
    for (std::size_t n = 0; n < 4; ++n)
        file[0x3E + n] = static_cast<std::uint8_t>(databaseKey >> (8 * n));
    jet::Rc4(key).apply(ciphered);
    const std::size_t pageSize = file[0x14] == 0 ? 2048 : 4096;
    for (std::size_t page = 1; page < file.size() / pageSize; ++page) {
        const auto k = static_cast<std::uint32_t>(databaseKey ^ page);
        const std::array<std::uint8_t, 4> pageKey = {static_cast<std::uint8_t>(k), static_cast<std::uint8_t>(k >> 8),
                                                     static_cast<std::uint8_t>(k >> 16), static_cast<std::uint8_t>(k >> 24)};
        jet::Rc4(pageKey).apply(std::span(file.data() + page * pageSize, pageSize));
    }
    return file;
}

}  // namespace jettest
