#pragma once
// Runs the built ravelin-who with an argument vector and collects what it says.
#include "tests/jet/LockFileTesting.h"

#include <algorithm>
#include <filesystem>
#include <optional>

namespace whotest {

inline const std::string kWho = std::string(RAVELIN_BINARY_DIR) + "/ravelin-who";

struct Result {
    int exitCode = -1;
    std::string out;
    std::string err;
};

// Runs `args` (a program and its arguments) and waits for it to end; one
// still running after 30 s (hung) is killed and reported with exit code -1.
inline Result runProgram(std::vector<std::string> args) {
    locktest::TempDir dir;
    const std::string out = dir / "out", err = dir / "err";
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, STDIN_FILENO, "/dev/null", O_RDONLY, 0);
    posix_spawn_file_actions_addopen(&actions, STDOUT_FILENO, out.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
    posix_spawn_file_actions_addopen(&actions, STDERR_FILENO, err.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
    std::vector<char*> argv;
    for (auto& a : args)
        argv.push_back(a.data());
    argv.push_back(nullptr);
    pid_t pid = -1;
    const int rc = ::posix_spawn(&pid, argv[0], &actions, nullptr, argv.data(), environ);
    posix_spawn_file_actions_destroy(&actions);
    if (rc != 0)
        throw std::runtime_error("could not start " + args[0] + ": " + std::strerror(rc));
    int status = 0;
    pid_t ended = 0;
    for (int i = 0; i < 3000 && (ended = ::waitpid(pid, &status, WNOHANG)) == 0; ++i)
        ::usleep(10'000);
    if (ended == 0) {
        ::kill(pid, SIGKILL);
        ::waitpid(pid, &status, 0);
    }
    const auto text = [](const std::string& p) {
        const auto b = locktest::readBytes(p);
        return std::string(b.begin(), b.end());
    };
    return {WIFEXITED(status) ? WEXITSTATUS(status) : -1, text(out), text(err)};
}

// A copy of ravelin-who that nobody can run, for a build folder nobody can't
// reach (a checkout under /root); removed when the tests end.
inline const std::string& whoForNobody() {
    static const locktest::TempDir dir;
    static const std::string copy = [] {
        const std::string path = dir / "ravelin-who";
        std::filesystem::copy_file(kWho, path);
        namespace fs = std::filesystem;
        fs::permissions(fs::path(path).parent_path(), fs::perms::others_exec, fs::perm_options::add);
        fs::permissions(path, fs::perms::others_read | fs::perms::others_exec, fs::perm_options::add);
        return path;
    }();
    return copy;
}

// `args` (a program and its arguments) to run as the user nobody, where root
// would read every folder and may ask smbstatus; nothing when nobody can't
// run ravelin-who or read `path`.
inline std::optional<std::vector<std::string>> asNobody(std::vector<std::string> args, const std::string& path) {
    const std::vector<std::string> setpriv{"/usr/bin/setpriv", "--reuid=nobody", "--regid=nogroup", "--clear-groups"};
    const auto nobodyCan = [&](const std::string& who) {
        auto probe = setpriv;
        probe.insert(probe.end(), {"/usr/bin/test", "-x", who, "-a", "-r", path});
        return runProgram(probe).exitCode == 0;
    };
    if (!nobodyCan(kWho)) {
        if (!nobodyCan(whoForNobody()))
            return std::nullopt;
        std::replace(args.begin(), args.end(), kWho, whoForNobody());
    }
    args.insert(args.begin(), setpriv.begin(), setpriv.end());
    return args;
}

inline Result runWho(std::vector<std::string> args) {
    args.insert(args.begin(), kWho);
    return runProgram(std::move(args));
}

}  // namespace whotest
