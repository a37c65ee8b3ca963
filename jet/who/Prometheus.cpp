#include "jet/who/Prometheus.h"

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <stdexcept>

#include <fcntl.h>
#include <unistd.h>

namespace jet::who {

namespace {

// A label value: backslash, double quote and line feed escaped.
std::string label(const std::string& value) {
    std::string s;
    for (char c : value) {
        if (c == '\\' || c == '"')
            s += '\\';
        s += c == '\n' ? std::string("\\n") : std::string(1, c);
    }
    return s;
}

}  // namespace

std::string prometheusText(const std::vector<DatabaseUsers>& databases) {
    std::string users = "# HELP ravelin_users Users of an Access database, by state, from its lock file.\n"
                        "# TYPE ravelin_users gauge\n";
    std::string slots = "# HELP ravelin_lock_slots Lock file slots that hold a computer name.\n"
                        "# TYPE ravelin_lock_slots gauge\n";
    std::string readable = "# HELP ravelin_readable Whether the database and its lock file could be read.\n"
                           "# TYPE ravelin_readable gauge\n";
    for (const DatabaseUsers& db : databases) {
        const std::string d = "{database=\"" + label(db.path) + "\"";
        readable += "ravelin_readable" + d + "} " + (db.error.empty() ? "1\n" : "0\n");
        if (!db.error.empty())
            continue;
        users += "ravelin_users" + d + ",state=\"connected\"} " + std::to_string(db.connectedCount()) + "\n";
        users += "ravelin_users" + d + ",state=\"suspect\"} " + std::to_string(db.suspectCount()) + "\n";
        slots += "ravelin_lock_slots" + d + "} " + std::to_string(db.users.size()) + "\n";
    }
    return users + slots + readable;
}

void replaceFile(const std::string& path, const std::string& text) {
    const std::string temp = path + ".tmp." + std::to_string(::getpid());
    const auto fail = [&](const char* what) {
        const std::string reason = std::strerror(errno);
        ::unlink(temp.c_str());
        throw std::runtime_error(path + ": " + what + ": " + reason);
    };
    const int fd = ::open(temp.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC | O_NOFOLLOW, 0644);
    if (fd < 0)
        fail("cannot write");
    std::size_t done = 0;
    while (done < text.size()) {
        const ssize_t n = ::write(fd, text.data() + done, text.size() - done);
        if (n < 0) {
            ::close(fd);
            fail("cannot write");
        }
        done += static_cast<std::size_t>(n);
    }
    if (::fsync(fd) != 0) {
        ::close(fd);
        fail("cannot write");
    }
    if (::close(fd) != 0)
        fail("cannot write");
    if (::rename(temp.c_str(), path.c_str()) != 0)
        fail("cannot replace");
}

}  // namespace jet::who
