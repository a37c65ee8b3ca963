#pragma once
// A virtual X display of the test's own: Xvfb on a display number of this
// process's own (so tests running side by side never meet), stopped at the end.
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
        // A display number of this process's own: numbers that tests running
        // side by side pick up and drop in turn could meet a server still
        // shutting down under that number. A taken number moves on to the next.
        const int first = 200 + static_cast<int>(::getpid() % 700);
        for (int n = first; n < first + 8 && display_.isEmpty(); ++n)
            start(program, n);
    }

    ~Xvfb() { stop(); }
    Xvfb(const Xvfb&) = delete;
    Xvfb& operator=(const Xvfb&) = delete;

    // ":N" once the server is ready; empty when Xvfb is missing or failed.
    const QString& display() const { return display_; }
    // Whether the server still runs.
    bool running() const { return pid_ > 0 && ::waitpid(pid_, nullptr, WNOHANG) == 0; }

private:
    // Starts Xvfb on display `number`; it writes the number back once it is
    // ready (10 s at most), or exits when the number is taken. Without
    // -noreset the server resets whenever its last client leaves, and a
    // program connecting just then is turned away.
    void start(const QString& program, int number) {
        int fds[2];
        if (::pipe(fds) != 0)
            return;
        const QByteArray exe = program.toLocal8Bit();
        const QByteArray display = ':' + QByteArray::number(number);
        const QByteArray fd = QByteArray::number(fds[1]);
        const char* args[] = {exe.constData(), display.constData(), "-displayfd", fd.constData(), "-screen", "0",
                              "640x480x24", "-nolisten", "tcp", "-noreset", nullptr};
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
        QByteArray written;
        const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(10);
        while (!written.endsWith('\n') && std::chrono::steady_clock::now() < deadline) {
            pollfd p{fds[0], POLLIN, 0};
            if (::poll(&p, 1, 200) <= 0)
                continue;
            char c = 0;
            if (::read(fds[0], &c, 1) != 1)
                break;  // the server ended: the number is taken
            written += c;
        }
        ::close(fds[0]);
        if (written.endsWith('\n')) {
            display_ = QString::fromLatin1(display);
            return;
        }
        stop();
    }

    void stop() {
        if (pid_ <= 0)
            return;
        ::kill(pid_, SIGTERM);
        for (int i = 0; i < 100 && ::waitpid(pid_, nullptr, WNOHANG) == 0; ++i)
            ::usleep(20000);
        if (::waitpid(pid_, nullptr, WNOHANG) == 0) {
            ::kill(pid_, SIGKILL);
            ::waitpid(pid_, nullptr, 0);
        }
        pid_ = 0;
    }

    pid_t pid_ = 0;
    QString display_;
};
