#include "jet/who/Command.h"

#include "jet/page/File.h"

#include <algorithm>
#include <cerrno>
#include <csignal>
#include <cstring>

#include <fcntl.h>
#include <poll.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

extern char** environ;

namespace jet::who {

namespace {

using Clock = std::chrono::steady_clock;

// Reads both pipes to their end (the output can outgrow a pipe); false when
// `deadline` came first.
bool drain(int out, int err, std::string& outText, std::string& errText, Clock::time_point deadline) {
    pollfd fds[2] = {{out, POLLIN, 0}, {err, POLLIN, 0}};
    std::string* texts[2] = {&outText, &errText};
    int open = 2;
    char buf[65536];
    while (open > 0) {
        const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now()).count();
        if (left <= 0)
            return false;
        if (::poll(fds, 2, static_cast<int>(std::min<long long>(left, 60'000))) < 0) {
            if (errno == EINTR)
                continue;
            return true;
        }
        for (int i = 0; i < 2; ++i) {
            if (fds[i].fd < 0 || !(fds[i].revents & (POLLIN | POLLHUP | POLLERR)))
                continue;
            const ssize_t n = ::read(fds[i].fd, buf, sizeof buf);
            if (n > 0) {
                texts[i]->append(buf, static_cast<std::size_t>(n));
            } else if (n == 0 || errno != EINTR) {
                fds[i].fd = -1;
                --open;
            }
        }
    }
    return true;
}

}  // namespace

CommandRun runCommand(std::vector<std::string> args, std::chrono::milliseconds limit) {
    std::vector<char*> argv;
    for (auto& a : args)
        argv.push_back(a.data());
    argv.push_back(nullptr);
    CommandRun run;
    const std::string name = args.front();
    int out[2], err[2];
    if (::pipe2(out, O_CLOEXEC) != 0)
        return run.reason = "cannot run " + name + ": " + std::strerror(errno), run;
    UniqueFd outRead(out[0]), outWrite(out[1]);
    if (::pipe2(err, O_CLOEXEC) != 0)
        return run.reason = "cannot run " + name + ": " + std::strerror(errno), run;
    UniqueFd errRead(err[0]), errWrite(err[1]);
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, STDIN_FILENO, "/dev/null", O_RDONLY, 0);
    posix_spawn_file_actions_adddup2(&actions, outWrite.get(), STDOUT_FILENO);
    posix_spawn_file_actions_adddup2(&actions, errWrite.get(), STDERR_FILENO);
    pid_t pid = -1;
    const int rc = ::posix_spawnp(&pid, argv[0], &actions, nullptr, argv.data(), environ);
    posix_spawn_file_actions_destroy(&actions);
    // Only the child writes now: its end of the pipes reads as closed when it ends.
    outWrite.reset();
    errWrite.reset();
    if (rc != 0)
        return run.reason = rc == ENOENT ? name + " is not installed" : "cannot run " + name + ": " + std::strerror(rc), run;
    const bool finished = drain(outRead.get(), errRead.get(), run.out, run.err, Clock::now() + limit);
    outRead.reset();
    errRead.reset();
    if (!finished)
        ::kill(pid, SIGKILL);
    int status = 0;
    while (::waitpid(pid, &status, 0) < 0 && errno == EINTR) {
    }
    if (!finished) {
        const auto ms = limit.count();
        run.reason = name + " did not answer within " +
                     (ms % 1000 ? std::to_string(ms) + " ms" : std::to_string(ms / 1000) + " s");
    } else if (WIFEXITED(status)) {
        run.exitCode = WEXITSTATUS(status);
    } else {
        run.reason = name + " ended by signal " + std::to_string(WTERMSIG(status));
    }
    return run;
}

}  // namespace jet::who
