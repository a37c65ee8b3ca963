#pragma once
// Closes windows by their title: at shut-down, the help viewer.
#include <QString>

namespace KillApp {

// Asks every top-level window whose title (its first 255 characters)
// contains `title`, letter case counting, to close.
void CloseByTitle(const QString& title);

}  // namespace KillApp
