// Encrypted databases: what deciphering adds to reading a page. For each
// encrypted test database, every page after the header is read through a
// Pager with the file's cipher and through one without (the same reads from
// the same file, the bytes left enciphered), round after round; the median
// time per page of each and their ratio. The key derivation, once per open,
// is timed apart.
// Then a whole table: the RC4 file deciphered, ROWS rows (default 100,000)
// written into its Table1 with the engine's writer, and the result enciphered
// again (RC4 enciphers as it deciphers, under the same page keys); the export
// of the table as CSV, from the plain copy and from the encrypted one, median
// of repeated runs, the open (and key derivation) timed apart. Exits 1 when a
// file cannot be opened, holds no pages, or an export reads no rows or not
// the same CSV. Run by hand: build/ravelin-bench-crypto [ROWS]; with
// RAVELIN_BENCH_KEEP set it keeps the two files and says where.
#include "jet/Database.h"
#include "jet/crypto/OfficeEncryption.h"
#include "jet/page/Coding.h"
#include "jet/page/HeaderFormat.h"
#include "jet/page/Pager.h"
#include "jet/page/Rc4.h"
#include "jet/store/Store.h"
#include "jet/table/CsvExport.h"
#include "jet/write/TableWriter.h"

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <exception>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <unistd.h>
#include <vector>

namespace {

using Clock = std::chrono::steady_clock;

double median(std::vector<double> v) {
    std::sort(v.begin(), v.end());
    return v[v.size() / 2];
}

// Microseconds per page for reading every page but the header, median of `rounds`.
double perPage(const jet::Pager& pager, int rounds) {
    std::vector<double> times;
    for (int r = 0; r < rounds; ++r) {
        const auto t0 = Clock::now();
        for (std::uint32_t p = 1; p < pager.pageCount(); ++p)
            pager.page(p);
        times.push_back(std::chrono::duration<double, std::micro>(Clock::now() - t0).count() / (pager.pageCount() - 1));
    }
    return median(times);
}

std::vector<std::uint8_t> readAll(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

void writeAll(const std::string& path, const std::vector<std::uint8_t>& bytes) {
    std::ofstream(path, std::ios::binary).write(reinterpret_cast<const char*>(bytes.data()),
                                                static_cast<std::streamsize>(bytes.size()));
}

// Makes header page `page0` that of a plain file, which the engine writes:
// database key 0 (pages not enciphered) and no password (its bytes equal to
// the creation date's mask).
void makePlainHeader(std::span<std::uint8_t> page0) {
    const auto area = page0.subspan(jet::kHeaderCipherAt, jet::headerCipherLength(false));
    jet::Rc4(jet::kHeaderKey).apply(area);
    jet::writeU32(&page0[jet::kHeaderDatabaseKeyAt], 0);
    const auto days = static_cast<std::int32_t>(jet::readDouble(&page0[jet::kHeaderCreationDateAt]));
    for (std::size_t n = 0; n < jet::headerPasswordLength(false); ++n)
        page0[jet::kHeaderPasswordAt + n] = static_cast<std::uint8_t>(static_cast<std::uint32_t>(days) >> (8 * (n % 4)));
    jet::Rc4(jet::kHeaderKey).apply(area);
}

// Every page after the header page through `cipher` (RC4: enciphers or deciphers).
void applyCipher(std::vector<std::uint8_t>& bytes, const jet::PageCipher& cipher, std::size_t pageSize) {
    for (std::size_t p = 1; (p + 1) * pageSize <= bytes.size(); ++p)
        cipher.decipher(static_cast<std::uint32_t>(p), std::span(bytes).subspan(p * pageSize, pageSize));
}

struct ExportFigures {
    double openMs = 0, exportMs = 0;
    std::size_t rows = 0;
    std::string csv;
};

ExportFigures timeExport(const std::string& path, const std::string& password, int runs) {
    ExportFigures f;
    std::vector<double> opens, exports;
    for (int r = 0; r < runs; ++r) {
        const auto t0 = Clock::now();
        const auto db = jet::Database::open(path, password);
        const auto t1 = Clock::now();
        std::ostringstream csv, notes;
        f.rows = jet::exportCsv(db, "Table1", csv, notes).rows;
        exports.push_back(std::chrono::duration<double, std::milli>(Clock::now() - t1).count());
        opens.push_back(std::chrono::duration<double, std::milli>(t1 - t0).count());
        if (r == 0)
            f.csv = csv.str();
    }
    f.openMs = median(opens);
    f.exportMs = median(exports);
    return f;
}

// The RC4 test file with `rows` rows more, plain and encrypted; the two exports timed.
void wholeTable(int rows) {
    namespace fs = std::filesystem;
    const std::string source = std::string(RAVELIN_TESTDATA) + "/encrypted/db2007-oldenc.accdb";
    const fs::path scratch = fs::temp_directory_path() / ("ravelin-bench-crypto-" + std::to_string(::getpid()));
    fs::create_directories(scratch);
    const std::string plainPath = (scratch / "plain.accdb").string(), encPath = (scratch / "encrypted.accdb").string();
    std::vector<std::uint8_t> bytes = readAll(source);
    const std::span<std::uint8_t> head(bytes.data(), 4096);
    const auto header = *jet::decodeHeader(head);
    const auto cipher = jet::officePageCipher(head, header, "Test123", source);
    applyCipher(bytes, *cipher, 4096);
    const std::vector<std::uint8_t> encryptedHead(head.begin(), head.end());
    makePlainHeader(head);
    writeAll(plainPath, bytes);
    jet::runStore(plainPath, [&](jet::PageStore& pages) {
        jet::TableWriter writer(pages, "Table1");
        for (int n = 0; n < rows; ++n)
            writer.insert({jet::Value(), jet::Value::text("row " + std::to_string(n) + " of the encrypted table")});
    });
    bytes = readAll(plainPath);
    applyCipher(bytes, *cipher, 4096);
    const std::size_t area = jet::kHeaderCipherAt;  // the original key and password back
    std::copy_n(encryptedHead.begin() + area, jet::headerCipherLength(false), bytes.begin() + area);
    writeAll(encPath, bytes);

    const ExportFigures plain = timeExport(plainPath, {}, 15), enc = timeExport(encPath, "Test123", 15);
    if (std::getenv("RAVELIN_BENCH_KEEP"))
        std::printf("kept %s\n", scratch.c_str());
    else
        fs::remove_all(scratch);
    if (plain.rows < static_cast<std::size_t>(rows) || enc.csv != plain.csv)
        throw std::runtime_error("the encrypted table exported " + std::to_string(enc.rows) + " rows, the plain one " +
                                 std::to_string(plain.rows) + (enc.csv != plain.csv ? ", not the same CSV" : ""));
    std::printf("\nExport of Table1 with %zu rows (%zu pages), CSV in memory, median of 15:\n"
                "  plain     %8.2f ms (open %.2f ms)\n  RC4       %8.2f ms (open with the key derivation %.2f ms)\n"
                "  ratio     %8.2fx\n",
                plain.rows, bytes.size() / 4096 - 1, plain.exportMs, plain.openMs, enc.exportMs, enc.openMs,
                enc.exportMs / plain.exportMs);
}

}  // namespace

int main(int argc, char** argv) {
    struct File {
        const char *name, *password, *kind;
    };
    const File files[] = {{"db2007-oldenc.accdb", "Test123", "standard RC4 40-bit"},
                          {"db-nonstandard.accdb", "password", "standard AES-256"},
                          {"db2007-enc.accdb", "Test123", "agile AES-128, SHA-1"},
                          {"db2013-enc.accdb", "1234", "agile AES-256, SHA-512"}};
    std::printf("%-22s %-24s %6s %12s %12s %12s %7s\n", "file", "encryption", "pages", "key (once)", "plain/page",
                "cipher/page", "ratio");
    try {
        for (const File& f : files) {
            const std::string path = std::string(RAVELIN_TESTDATA) + "/encrypted/" + f.name;
            std::vector<std::uint8_t> head(4096);
            jet::openFileSource(path)->read(0, head);
            const auto header = *jet::decodeHeader(head);
            const auto t0 = Clock::now();
            auto cipher = jet::officePageCipher(head, header, f.password, path);
            const double keyMs = std::chrono::duration<double, std::milli>(Clock::now() - t0).count();
            jet::DatabaseHeader plainHeader = header;
            plainHeader.databaseKey = 0;  // no deciphering at all
            const jet::Pager plain(jet::openFileSource(path), path, plainHeader);
            const jet::Pager enciphered(jet::openFileSource(path), path, header, std::move(cipher));
            if (plain.pageCount() < 2)
                throw std::runtime_error(path + " holds no pages to read");
            const double a = perPage(plain, 201), b = perPage(enciphered, 201);
            std::printf("%-22s %-24s %6u %9.2f ms %9.2f us %9.2f us %6.2fx\n", f.name, f.kind, plain.pageCount() - 1,
                        keyMs, a, b, b / a);
        }
        wholeTable(argc > 1 ? std::atoi(argv[1]) : 100000);
    } catch (const std::exception& e) {
        std::fprintf(stderr, "ravelin-bench-crypto: %s\n", e.what());
        return 1;
    }
    return 0;
}
