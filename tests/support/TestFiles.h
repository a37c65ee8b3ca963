#pragma once
// Files of the tests: reading one (a file that can't be read fails the test
// with its path, never reads as empty) and temporary folders that never
// outlive the test.
#include <cerrno>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <stdexcept>
#include <string>
#include <vector>

namespace ravelin_testing {

// The bytes of the file at `path`; throws, naming the path, when it can't be read.
inline std::vector<std::uint8_t> fileBytes(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::vector<std::uint8_t> bytes{std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
    if (!in.is_open() || in.bad() || std::filesystem::is_directory(path))
        throw std::runtime_error("cannot read " + path + (std::filesystem::exists(path) ? "" : ": no such file"));
    return bytes;
}

// A fresh folder $TMPDIR/ravelin-<tag>-XXXXXX (default /tmp), removed with
// everything in it when the object goes: at the end of a test that passed and
// of one that failed or threw alike.

class TempDir {
public:
    explicit TempDir(const std::string& tag = "test") {
        std::string pattern = (std::filesystem::temp_directory_path() / ("ravelin-" + tag + "-XXXXXX")).string();
        if (!::mkdtemp(pattern.data()))
            throw std::runtime_error("cannot make a folder " + pattern + ": " + std::strerror(errno));
        path_ = pattern;
    }
    ~TempDir() {
        namespace fs = std::filesystem;
        std::error_code ec;
        fs::permissions(path_, fs::perms::owner_all, fs::perm_options::add, ec);
        fs::remove_all(path_, ec);
    }
    TempDir(const TempDir&) = delete;
    TempDir& operator=(const TempDir&) = delete;

    const std::filesystem::path& path() const { return path_; }
    std::string operator/(const std::string& name) const { return (path_ / name).string(); }

private:
    std::filesystem::path path_;
};

}  // namespace ravelin_testing
