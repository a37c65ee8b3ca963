#pragma once
// The top-level windows of an X11 display, their titles, and asking them to
// close as a window manager does. One connection per object.
#include <QString>

#include <chrono>
#include <cstdint>
#include <vector>

struct xcb_connection_t;

class X11Windows {
public:
    // Connects to `display` ($DISPLAY when empty).
    explicit X11Windows(const QString& display = QString());
    ~X11Windows();
    X11Windows(const X11Windows&) = delete;
    X11Windows& operator=(const X11Windows&) = delete;

    bool connected() const { return connection_ != nullptr; }

    // The window manager's client list; the root window's shown children
    // when no window manager keeps one.
    std::vector<std::uint32_t> topLevelWindows();
    // The title as the desktop shows it: the UTF-8 name, else the legacy name.
    QString title(std::uint32_t window);
    // The process id the window gives, 0 when it gives none.
    std::uint32_t processId(std::uint32_t window);

    enum class CloseRequest { Sent, Gone, Failed };
    // Asks the window to close: WM_DELETE_WINDOW when it takes part in that
    // protocol, else the window manager's close request. Starts watching for
    // the window to go.
    CloseRequest requestClose(std::uint32_t window);
    // Waits until every window of `windows` was unmapped or destroyed, or
    // until `deadline`; returns the windows still there.
    std::vector<std::uint32_t> waitGone(std::vector<std::uint32_t> windows,
                                        std::chrono::steady_clock::time_point deadline);

private:
    std::uint32_t atom(const char* name);
    std::vector<std::uint32_t> windowListProperty(std::uint32_t window, std::uint32_t property);

    xcb_connection_t* connection_ = nullptr;
    std::uint32_t root_ = 0;
};
