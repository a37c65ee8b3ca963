#pragma once
// Helpers of the store tests: page-level stores with recognisable contents,
// a model of what the file must hold after them, and running code in a
// forked child (stopped by the store fault hook, or as an unprivileged user).
#include "LockFileTesting.h"

#include "jet/lockfile/LdbCommitState.h"
#include "jet/store/Store.h"
#include "support/StoreFaults.h"

#include <functional>
#include <string>
#include <sys/wait.h>
#include <unistd.h>
#include <vector>

namespace storetest {

using locktest::Bytes;

inline constexpr std::size_t kPageSize = 4096;  // the Jet 4 files used here
inline constexpr std::uint32_t kAppend = 0xFFFFFFFF;  // a page added at the end
inline constexpr std::uint32_t kLast = 0xFFFFFFFE;    // the file's last page

// A page that says which store wrote it and where: "STORE 7 PAGE 12 " repeated.
inline Bytes patternPage(int store, std::uint32_t page) {
    const std::string mark = "STORE " + std::to_string(store) + " PAGE " + std::to_string(page) + " ";
    Bytes bytes(kPageSize);
    for (std::size_t i = 0; i < bytes.size(); ++i)
        bytes[i] = static_cast<std::uint8_t>(mark[i % mark.size()]);
    return bytes;
}

// One page-level store: pages to overwrite, in order.
struct PageChange {
    int id;
    std::vector<std::uint32_t> pages;
};

// Runs one change through runStore.
inline void store(const std::string& path, const PageChange& c, jet::StoreOptions options = {}) {
    options.computerName = options.computerName.empty() ? "RAVELIN-TEST" : options.computerName;
    jet::runStore(path, [&](jet::PageStore& s) {
        for (std::uint32_t page : c.pages) {
            const std::uint32_t number = page == kAppend ? s.append() : page == kLast ? s.pageCount() - 1 : page;
            s.write(number, patternPage(c.id, number));
        }
    }, options);
}

// What the file holds after the change, computed without the engine: its
// pages, and the write the store records in its lock-file slot's commit
// value (slot 0: no one else is connected) in the header page.
inline void applyToModel(Bytes& file, const PageChange& c) {
    const std::size_t commitAt = kPageSize - 512 + 2;
    const auto count = static_cast<std::uint16_t>(file[commitAt] | file[commitAt + 1] << 8);
    file[commitAt] = static_cast<std::uint8_t>(jet::nextCommitValue(count));
    file[commitAt + 1] = static_cast<std::uint8_t>(jet::nextCommitValue(count) >> 8);
    for (std::uint32_t page : c.pages) {
        std::uint32_t number = page == kLast ? static_cast<std::uint32_t>(file.size() / kPageSize - 1) : page;
        if (page == kAppend) {
            number = static_cast<std::uint32_t>(file.size() / kPageSize);
            file.resize(file.size() + kPageSize);
        }
        const Bytes p = patternPage(c.id, number);
        std::copy(p.begin(), p.end(), file.begin() + static_cast<std::ptrdiff_t>(number * kPageSize));
    }
}

// How a child process ended: its exit code, or 128 + the signal.
inline int runInChild(const std::function<int()>& body) {
    const pid_t pid = ::fork();
    if (pid == 0) {
        int code = 1;
        try {
            code = body();
        } catch (...) {
            code = 2;
        }
        ::_exit(code);
    }
    int status = 0;
    ::waitpid(pid, &status, 0);
    return WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
}

// The exit code the fault hook's stop leaves.
inline constexpr int kStopped = 77;

// Runs `body` in a child that has dropped to the unprivileged "nobody" user,
// so permission bits hold even when the tests run as root.
inline int runAsNobody(const std::function<int()>& body) {
    return runInChild([&] {
        if (::getuid() == 0 && (::setgid(65534) != 0 || ::setuid(65534) != 0))
            return 3;
        return body();
    });
}

}  // namespace storetest
