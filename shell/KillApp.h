#pragma once
// Closes the windows of programs this one started, by their title: at
// shut-down, the help viewer. On X11 it walks the display's windows. Where no program
// may list others' windows (Wayland, or no display at all), it knows only
// the windows of programs this one started and said it would close.
#include <QString>

#include <cstdint>

class X11Windows;

namespace KillApp {

// The longest part of a title that takes part in a match.
inline constexpr int kTitleChars = 255;

// Asks `window` to close when its title contains `title`; always lets the
// walk go on. Returns the window when a request was sent, else 0.
std::uint32_t CloseIfMatch(X11Windows& display, std::uint32_t window, const QString& title);

// Asks the windows of the programs this one started (trackStartedWindow)
// whose title contains `title` to close, and waits a bounded time for them
// to go; other programs' windows stay, whatever their title.
void CloseStarted(const QString& title);

// Whether a top-level window titled exactly `title` exists.
bool FindWindow(const QString& title);

// Records a program this one started whose window is titled `title`, so that
// it is found and closed where windows cannot be listed.
void trackStartedWindow(qint64 pid, const QString& program, const QString& title);

}  // namespace KillApp
