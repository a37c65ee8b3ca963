#include "base/Strings.h"
#include "app/MainWindow.h"

#include <cerrno>
#include <pwd.h>
#include <unistd.h>

#include <vector>

// The name comes from the user database by the effective user id, not from
// an environment variable that anyone can set.
QString MainWindow::currentUserId() {
    const long suggested = sysconf(_SC_GETPW_R_SIZE_MAX);
    std::vector<char> buffer(suggested > 0 ? static_cast<std::size_t>(suggested) : 1024);
    passwd entry{};
    passwd* found = nullptr;
    while (getpwuid_r(geteuid(), &entry, buffer.data(), buffer.size(), &found) == ERANGE)
        buffer.resize(buffer.size() * 2);
    if (!found || !found->pw_name)
        return {};
    return TrimNulls(QString::fromLocal8Bit(found->pw_name));
}
