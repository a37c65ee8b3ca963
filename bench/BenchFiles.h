#pragma once
// For the benchmarks: a temporary folder to work in, and a lock file with
// every user slot filled in.
#include "jet/lockfile/LockFile.h"

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <unistd.h>
#include <vector>

// Creates a fresh folder /tmp/ravelin-bench-<tag>-XXXXXX; exits with 1 when it cannot.
inline std::filesystem::path makeBenchFolder(const std::string& tag) {
    std::string pattern = "/tmp/ravelin-bench-" + tag + "-XXXXXX";
    if (!::mkdtemp(pattern.data()))
        std::exit(1);
    return pattern;
}

// Writes a lock file of all 255 slots, slot N naming computer "PCN" and user Admin.
inline void writeFullLockFile(const std::string& ldb) {
    std::vector<std::uint8_t> file;
    for (int slot = 0; slot < jet::kMaxLockSlots; ++slot) {
        const auto bytes = jet::encodeLockSlot("PC" + std::to_string(slot), "Admin");
        file.insert(file.end(), bytes.begin(), bytes.end());
    }
    std::FILE* f = std::fopen(ldb.c_str(), "wb");
    std::fwrite(file.data(), 1, file.size(), f);
    std::fclose(f);
}
