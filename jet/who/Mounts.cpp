#include "jet/who/Mounts.h"

#include <climits>
#include <cstdlib>
#include <fstream>
#include <sstream>

namespace jet::who {

namespace {

// mountinfo writes a blank, tab, newline and backslash in a path as \ and
// three octal digits.
std::string unescaped(const std::string& field) {
    std::string out;
    for (std::size_t i = 0; i < field.size(); ++i) {
        const auto octal = [&](std::size_t k) { return k < field.size() && field[k] >= '0' && field[k] <= '7'; };
        if (field[i] == '\\' && octal(i + 1) && octal(i + 2) && octal(i + 3)) {
            out += static_cast<char>(std::stoi(field.substr(i + 1, 3), nullptr, 8));
            i += 3;
        } else {
            out += field[i];
        }
    }
    return out;
}

}  // namespace

bool isMountPoint(const std::string& folder) {
    char buf[PATH_MAX];
    if (!::realpath(folder.c_str(), buf))
        return false;
    const std::string path = buf;
    std::ifstream info("/proc/self/mountinfo");
    for (std::string line; std::getline(info, line);) {
        std::istringstream fields(line);
        std::string id, parent, device, root, mountPoint;
        if (fields >> id >> parent >> device >> root >> mountPoint && unescaped(mountPoint) == path)
            return true;
    }
    return false;
}

}  // namespace jet::who
