#include "shell/KillApp.h"

#include "base/MessageBoxes.h"
#include "shell/X11Windows.h"

#include <QApplication>
#include <QFileInfo>
#include <QThread>
#include <QWidget>

#include <chrono>
#include <csignal>
#include <vector>

#include <unistd.h>

namespace KillApp {

namespace {

constexpr auto kWaitForClose = std::chrono::seconds(3);

struct StartedWindow {
    qint64 pid;
    QString program;
    QString title;
};
std::vector<StartedWindow> started;

// A session whose windows are not all on the X display we may reach.
bool displayHidesWindows(const X11Windows& display) {
    return !display.connected() || !qEnvironmentVariableIsEmpty("WAYLAND_DISPLAY");
}

// Whether `w`'s process still runs: it exists and runs the program it was
// started with, or is still this program's copy about to start it. Another
// program under that process id, or a process that ended and waits to be
// reaped (no executable any more), is not ours.
bool stillRunning(const StartedWindow& w) {
    const QString exe = QFileInfo(QStringLiteral("/proc/%1/exe").arg(w.pid)).canonicalFilePath();
    if (exe.isEmpty())
        return false;
    return exe == QFileInfo(w.program).canonicalFilePath() ||
           exe == QFileInfo(QCoreApplication::applicationFilePath()).canonicalFilePath();
}

void forgetEnded() {
    std::erase_if(started, [](const StartedWindow& w) { return !stillRunning(w); });
}

QString shownTitle(X11Windows& display, std::uint32_t window) { return display.title(window).left(kTitleChars); }

// Ends the started programs whose window matches, and waits for them.
void closeStarted(const QString& title) {
    forgetEnded();
    const auto deadline = std::chrono::steady_clock::now() + kWaitForClose;
    for (const StartedWindow& w : started) {
        if (w.title.left(kTitleChars).contains(title, Qt::CaseSensitive))
            ::kill(static_cast<pid_t>(w.pid), SIGTERM);
    }
    while (std::chrono::steady_clock::now() < deadline) {
        forgetEnded();
        if (std::none_of(started.begin(), started.end(),
                         [&](const StartedWindow& w) { return w.title.left(kTitleChars).contains(title); }))
            break;
        QThread::msleep(20);
    }
}

}  // namespace

std::uint32_t CloseIfMatch(X11Windows& display, std::uint32_t window, const QString& title) {
    if (!shownTitle(display, window).contains(title, Qt::CaseSensitive))
        return 0;
    // This program's own windows are closed through Qt: a request sent to
    // ourselves would wait for an answer we cannot give while we wait.
    if (display.processId(window) == static_cast<std::uint32_t>(::getpid()))
        return 0;
    switch (display.requestClose(window)) {
    case X11Windows::CloseRequest::Sent: return window;
    case X11Windows::CloseRequest::Gone: return 0;
    case X11Windows::CloseRequest::Failed: break;
    }
    msgBox(nullptr,
           QStringLiteral("For some unknown reason, this program/file can not be closed. You will have to manually "
                          "close it."),
           MsgIcon::Exclamation, MsgButtons::Ok, QStringLiteral("Close Message"));
    return 0;
}

void CloseStarted(const QString& title) {
    forgetEnded();
    X11Windows display;
    if (display.connected()) {
        std::vector<std::uint32_t> asked;
        for (const std::uint32_t window : display.topLevelWindows()) {
            const qint64 pid = display.processId(window);
            const bool ours = std::any_of(started.begin(), started.end(),
                                          [&](const StartedWindow& w) { return pid != 0 && w.pid == pid; });
            if (!ours)
                continue;
            if (const std::uint32_t w = CloseIfMatch(display, window, title))
                asked.push_back(w);
        }
        (void)display.waitGone(std::move(asked), std::chrono::steady_clock::now() + kWaitForClose);
    }
    if (displayHidesWindows(display))
        closeStarted(title);
}

bool FindWindow(const QString& title) {
    X11Windows display;
    for (const std::uint32_t window : display.topLevelWindows()) {
        if (display.title(window) == title)
            return true;
    }
    if (!displayHidesWindows(display))
        return false;
    forgetEnded();
    return std::any_of(started.begin(), started.end(), [&](const StartedWindow& w) { return w.title == title; });
}

void trackStartedWindow(qint64 pid, const QString& program, const QString& title) {
    if (pid > 0)
        started.push_back({pid, program, title});
}

}  // namespace KillApp
