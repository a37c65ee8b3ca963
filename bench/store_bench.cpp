// Times jet::runStore changing pages of a copy of a real Jet 4 file:
//   - one page, in files of 76 KB, 3 MB and 256 MB (the copy grown with empty
//     pages), to show the cost does not grow with the file;
//   - 16 and 256 pages, to show what the journal adds per page;
//   - a bare pwrite of one page and fsync, the least any durable write costs,
//     taken in turns with one-page stores so that both meet the disk alike.
// Prints the time per store; asserts nothing. The folder decides the cost of
// fsync: run it on the kind of disk (or share) that matters.
#include "jet/store/Store.h"

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <fcntl.h>
#include <filesystem>
#include <string>
#include <unistd.h>
#include <vector>

namespace fs = std::filesystem;

namespace {

constexpr int kStores = 200;
constexpr std::size_t kPage = 4096;

void report(const char* what, std::vector<double>& us) {
    std::sort(us.begin(), us.end());
    double sum = 0;
    for (const double u : us)
        sum += u;
    std::printf("%-44s median %8.0f us  mean %8.0f us  p99 %8.0f us\n", what, us[us.size() / 2],
                sum / static_cast<double>(us.size()), us[us.size() * 99 / 100]);
}

template <typename F>
std::vector<double> timed(int runs, F&& body) {
    std::vector<double> us;
    for (int i = 0; i < runs; ++i) {
        const auto start = std::chrono::steady_clock::now();
        body(i);
        us.push_back(std::chrono::duration<double, std::micro>(std::chrono::steady_clock::now() - start).count());
    }
    return us;
}

void storePages(const std::string& db, int pages, int i) {
    jet::runStore(db, [&](jet::PageStore& s) {
        for (int p = 0; p < pages; ++p) {
            const std::uint32_t number = 10 + static_cast<std::uint32_t>(p) % (s.pageCount() - 10);
            auto bytes = s.read(number);
            bytes[kPage - 1] = static_cast<std::uint8_t>(i);
            s.write(number, bytes);
        }
    });
}

void storePage(const std::string& db, int i) { storePages(db, 1, i); }

void storePages(const std::string& db, int pages, int runs, const char* what) {
    auto us = timed(runs, [&](int i) { storePages(db, pages, i); });
    report(what, us);
}

}  // namespace

int main(int argc, char** argv) {
    std::string folder = argc > 1 ? argv[1] : "/tmp";
    std::string pattern = folder + "/ravelin-bench-store-XXXXXX";
    if (!::mkdtemp(pattern.data()))
        return 1;
    const fs::path dir = pattern;
    const std::string small = (dir / "small.mdb").string(), medium = (dir / "medium.mdb").string(),
                      large = (dir / "large.mdb").string();
    fs::copy_file(std::string(RAVELIN_TESTDATA) + "/access/emptyJet4.mdb", small);
    fs::copy_file(std::string(RAVELIN_TESTDATA) + "/access/testV2000.mdb", medium);
    fs::copy_file(std::string(RAVELIN_TESTDATA) + "/access/testV2000.mdb", large);
    fs::resize_file(large, 256u << 20);
    std::printf("folder %s\n", folder.c_str());

    storePages(small, 1, kStores, "1 page, 76 KB file");
    storePages(medium, 1, kStores, "1 page, 3 MB file");
    storePages(large, 1, kStores, "1 page, 256 MB file");
    storePages(medium, 16, kStores / 4, "16 pages, 3 MB file");
    storePages(medium, 256, kStores / 10, "256 pages, 3 MB file");

    const int fd = ::open(medium.c_str(), O_RDWR);
    std::vector<std::uint8_t> page(kPage);
    std::vector<double> bare, stores;
    for (int i = 0; i < kStores; ++i) {
        auto us = timed(1, [&](int) { storePage(medium, i); });
        stores.push_back(us[0]);
        us = timed(1, [&](int) {
            (void)!::pread(fd, page.data(), kPage, 11 * kPage);
            page[kPage - 1] = static_cast<std::uint8_t>(i);
            (void)!::pwrite(fd, page.data(), kPage, 11 * kPage);
            ::fsync(fd);
        });
        bare.push_back(us[0]);
    }
    ::close(fd);
    report("1 page, 3 MB file, in turns with:", stores);
    report("bare pwrite + fsync of 1 page (no journal)", bare);
    std::printf("store / bare (medians): %.1f\n", stores[stores.size() / 2] / bare[bare.size() / 2]);

    fs::remove_all(dir);
    return 0;
}
