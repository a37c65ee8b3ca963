#include "jet/who/SambaShares.h"

#include "jet/who/Command.h"

#include <climits>
#include <cstdlib>
#include <optional>
#include <sstream>

namespace jet::who {

namespace {

std::string trimmed(const std::string& s) {
    const auto first = s.find_first_not_of(" \t");
    return first == std::string::npos ? std::string() : s.substr(first, s.find_last_not_of(" \t\r") - first + 1);
}

std::string resolved(const std::string& path) {
    char buf[PATH_MAX];
    return ::realpath(path.c_str(), buf) ? std::string(buf) : path;
}

bool under(const std::string& path, const std::string& folder) {
    if (folder == "/")
        return true;
    return path.starts_with(folder) && (path.size() == folder.size() || path[folder.size()] == '/');
}

}  // namespace

SambaShares SambaShares::read(const std::string& configFile, std::chrono::milliseconds limit) {
    std::vector<std::string> args{"testparm", "--suppress-prompt"};
    if (!configFile.empty())
        args.push_back(configFile);
    // testparm exits 1 for a warning about the configuration (a lock
    // directory missing) after writing it whole.
    const CommandRun run = runCommand(std::move(args), limit);
    return run.reason.empty() ? parse(run.out) : SambaShares();
}

SambaShares SambaShares::parse(const std::string& text) {
    SambaShares result;
    std::optional<bool> globalPosix;
    std::string section;
    Share share;
    std::optional<bool> posix;
    const auto finish = [&] {
        if (section.empty() || section == "global" || (share.path.empty() && section != "homes"))
            return;
        share.posixLocking = posix.value_or(globalPosix.value_or(true));
        // [homes] without a path serves every user's home folder.
        share.substituted = share.path.empty() || share.path.find('%') != std::string::npos;
        if (!share.substituted)
            share.path = resolved(share.path);
        result.shares_.push_back(share);
    };
    std::istringstream lines(text);
    for (std::string line; std::getline(lines, line);) {
        line = trimmed(line);
        if (line.starts_with("[") && line.ends_with("]")) {
            finish();
            section = line.substr(1, line.size() - 2);
            share = {};
            posix.reset();
            result.known_ = result.known_ || section == "global";
            continue;
        }
        const auto eq = line.find('=');
        if (eq == std::string::npos || line.starts_with("#") || line.starts_with(";"))
            continue;
        const std::string key = trimmed(line.substr(0, eq)), value = trimmed(line.substr(eq + 1));
        if (key == "path")
            share.path = value;
        else if (key == "posix locking")
            (section == "global" ? globalPosix : posix) = value == "Yes" || value == "yes";
    }
    finish();
    return result;
}

bool SambaShares::locksVisible(const std::string& path) const {
    if (!known_)
        return false;
    const std::string file = resolved(path);
    const Share* serving = nullptr;
    for (const Share& s : shares_) {
        if (s.substituted && !s.posixLocking)
            return false;
        if (!s.substituted && under(file, s.path) && (!serving || s.path.size() > serving->path.size()))
            serving = &s;
    }
    return !serving || serving->posixLocking;
}

}  // namespace jet::who
