#include "jet/who/Prometheus.h"

#include "jet/Error.h"
#include "jet/lockfile/LockFile.h"
#include "jet/page/File.h"
#include "jet/who/Text.h"

#include <cerrno>
#include <cstdio>
#include <cstring>

#include <fcntl.h>
#include <unistd.h>

namespace jet::who {

namespace {

// One metric family: its HELP and TYPE lines and samples, added by `add`.
class Family {
public:
    Family(const std::string& name, const std::string& help)
        : name_(name), text_("# HELP " + name + " " + help + "\n# TYPE " + name + " gauge\n") {}
    void add(const std::string& labels, long long value) {
        text_ += name_ + "{" + labels + "} " + std::to_string(value) + "\n";
        empty_ = false;
    }
    std::string text() const { return empty_ ? std::string() : text_; }

private:
    std::string name_, text_;
    bool empty_ = true;
};

}  // namespace

std::string prometheusText(const Sighting& sighting) {
    Family users("ravelin_users", "Users of an Access database, by state, from its lock file.");
    Family slots("ravelin_lock_slots", "Lock file slots that hold a computer name.");
    Family readable("ravelin_readable", "Whether the database and its lock file could be read.");
    Family seen("ravelin_connections_seen",
                "Whether who is connected could be seen (0: Samba keeps the locks and smbstatus could not be asked).");
    Family scanned("ravelin_scan_readable", "Whether a folder given to --scan could be read.");
    Family skipped("ravelin_scan_unreadable_folders", "Folders under a --scan folder that could not be read.");
    Family mounted("ravelin_mounted", "Whether a folder given to --require-mount is a mount point.");
    for (const DatabaseUsers& db : sighting.databases) {
        // A lock file named otherwise than the database's own name (letter
        // case) is named, so that each lock file's series stays apart.
        std::string d = "database=" + quotedPrintable(db.path);
        if (!db.lockFile.empty() && db.lockFile != lockFilePathFor(db.path))
            d += ",lock_file=" + quotedPrintable(db.lockFile);
        readable.add(d, db.error.empty());
        if (!db.error.empty())
            continue;
        users.add(d + ",state=\"connected\"", db.connectedCount());
        users.add(d + ",state=\"suspect\"", db.suspectCount());
        slots.add(d, static_cast<long long>(db.users.size()));
        seen.add(d, db.warning.empty());
    }
    for (const ScanResult& scan : sighting.scans) {
        const std::string r = "root=" + quotedPrintable(scan.root);
        scanned.add(r, scan.rootError.empty());
        skipped.add(r, static_cast<long long>(scan.unreadable.size()));
    }
    for (const std::string& folder : sighting.unmounted)
        mounted.add("folder=" + quotedPrintable(folder), 0);
    return users.text() + slots.text() + readable.text() + seen.text() + scanned.text() + skipped.text() +
           mounted.text();
}

void replaceFile(const std::string& path, const std::string& text) {
    const std::string temp = path + ".tmp." + std::to_string(::getpid());
    const auto fail = [&](const char* what) {
        const std::string reason = std::strerror(errno);
        ::unlink(temp.c_str());
        throw Error(DiskIo, path + ": " + what + ": " + reason);
    };
    UniqueFd fd(::open(temp.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC | O_NOFOLLOW, 0644));
    if (!fd.valid())
        fail("cannot write");
    std::size_t done = 0;
    while (done < text.size()) {
        const ssize_t n = ::write(fd.get(), text.data() + done, text.size() - done);
        if (n < 0)
            fail("cannot write");
        done += static_cast<std::size_t>(n);
    }
    if (::fsync(fd.get()) != 0)
        fail("cannot write");
    if (const int err = fd.close(); err != 0) {
        errno = err;
        fail("cannot write");
    }
    if (::rename(temp.c_str(), path.c_str()) != 0)
        fail("cannot replace");
}

}  // namespace jet::who
