#pragma once
// A virtual X display of the test's own: Xvfb on a display number it picks
// itself (so tests running side by side never collide), stopped at the end.
#include <QStandardPaths>
#include <QString>

#include <chrono>
#include <csignal>
#include <fcntl.h>
#include <spawn.h>
#include <poll.h>
#include <sys/wait.h>
#include <unistd.h>

extern char** environ;

class Xvfb {
public:
    Xvfb() {
        const QString program = QStandardPaths::findExecutable(QStringLiteral("Xvfb"));
        if (program.isEmpty())
            return;
        int fds[2];
        if (::pipe(fds) != 0)
            return;
        const QByteArray exe = program.toLocal8Bit();
        const QByteArray fd = QByteArray::number(fds[1]);
        const char* args[] = {exe.constData(), "-displayfd", fd.constData(), "-screen", "0", "640x480x24",
                              "-nolisten", "tcp", nullptr};
        posix_spawn_file_actions_t actions;
        posix_spawn_file_actions_init(&actions);
        posix_spawn_file_actions_addclose(&actions, fds[0]);
        posix_spawn_file_actions_addopen(&actions, 2, "/dev/null", O_WRONLY, 0);
        const int spawned = posix_spawn(&pid_, exe.constData(), &actions, nullptr, const_cast<char**>(args), environ);
        posix_spawn_file_actions_destroy(&actions);
        ::close(fds[1]);
        if (spawned != 0) {
            pid_ = 0;
            ::close(fds[0]);
            return;
        }
        // Xvfb writes its display number when it is ready; 10 s at most.
        QByteArray number;
        const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(10);
        while (!number.endsWith('\n') && std::chrono::steady_clock::now() < deadline) {
            pollfd p{fds[0], POLLIN, 0};
            if (::poll(&p, 1, 200) <= 0)
                continue;
            char c = 0;
            if (::read(fds[0], &c, 1) != 1)
                break;
            number += c;
        }
        ::close(fds[0]);
        if (number.endsWith('\n'))
            display_ = QStringLiteral(":") + QString::fromLatin1(number.trimmed());
    }

    ~Xvfb() {
        if (pid_ <= 0)
            return;
        ::kill(pid_, SIGTERM);
        for (int i = 0; i < 100 && ::waitpid(pid_, nullptr, WNOHANG) == 0; ++i)
            ::usleep(20000);
        if (::kill(pid_, 0) == 0) {
            ::kill(pid_, SIGKILL);
            ::waitpid(pid_, nullptr, 0);
        }
    }
    Xvfb(const Xvfb&) = delete;
    Xvfb& operator=(const Xvfb&) = delete;

    // ":N" once the server is ready; empty when Xvfb is missing or failed.
    const QString& display() const { return display_; }

private:
    pid_t pid_ = 0;
    QString display_;
};
