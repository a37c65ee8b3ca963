// Encrypted databases: what deciphering adds to reading a page. For each
// encrypted test database, every page after the header is read through a
// Pager with the file's cipher and through one without (the same reads from
// the same file, the bytes left enciphered), round after round; the median
// time per page of each and their ratio. The key derivation, once per open,
// is timed apart. Exits 1 when a file cannot be opened or holds no pages.
#include "jet/crypto/OfficeEncryption.h"
#include "jet/page/Pager.h"

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <exception>
#include <string>
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

}  // namespace

int main() {
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
    } catch (const std::exception& e) {
        std::fprintf(stderr, "ravelin-bench-crypto: %s\n", e.what());
        return 1;
    }
    return 0;
}
