// ravelin-who: the users of Access databases, from a shell. See --help and
// docs/man/ravelin-who.1 for the options and exit codes.
#include "jet/Error.h"
#include "jet/who/CheckVerdict.h"
#include "jet/who/Formats.h"
#include "jet/who/Listing.h"
#include "jet/who/Mounts.h"
#include "jet/who/Prometheus.h"
#include "jet/who/SambaShares.h"
#include "jet/who/SambaView.h"
#include "jet/who/Scan.h"
#include "jet/who/Text.h"
#include "jet/who/WatchDiff.h"
#include "jet/tools/ToolPassword.h"
#include "jet/tools/ToolVersion.h"

#include <algorithm>
#include <chrono>
#include <cerrno>
#include <csignal>
#include <cstdlib>
#include <ctime>
#include <iostream>
#include <memory>
#include <optional>
#include <set>
#include <string>
#include <vector>

#include <climits>
#include <sys/stat.h>
#include <unistd.h>

namespace {

using namespace jet::who;

constexpr int kExitOk = 0;
constexpr int kExitUnreadable = 1;
constexpr int kExitUsage = 2;
constexpr int kExitMetricsNotWritten = 4;

const char* const kHelp =
    "Usage: ravelin-who [OPTION]... [DATABASE]...\n"
    "List the users of Access databases from their lock files (.ldb, .laccdb).\n"
    "\n"
    "  --csv                 CSV (RFC 4180) with a header line\n"
    "  --json                JSON: one object per database with its users\n"
    "  --scan DIR            also every database under DIR with a lock file beside it\n"
    "  --names FILE          user name database (default: compnamedb.mdb in the\n"
    "                        program's folder, when present)\n"
    "  --password-file FILE  the user name database's password, if it is encrypted:\n"
    "                        the file's first line (else RAVELIN_JET_PASSWORD)\n"
    "  --watch SECONDS       log a line whenever a user arrives, leaves or turns\n"
    "                        suspect, until interrupted\n"
    "  --check               monitoring-plugin status line and exit code\n"
    "  --warn-users RANGE    with --check: WARNING when one database's connected users\n"
    "                        are in the alert RANGE: 10 above 10, 10: below 10,\n"
    "                        @10:20 from 10 to 20\n"
    "  --crit-users RANGE    with --check: CRITICAL likewise\n"
    "  --require-mount DIR   UNKNOWN (exit 1) when DIR is not a mount point\n"
    "  --prometheus FILE     write node exporter textfile metrics to FILE\n"
    "  --samba auto|on|off   add the SMB account, machine and address holding each\n"
    "                        slot, from smbstatus (default auto)\n"
    "  --smb-conf FILE       the Samba configuration smbstatus and testparm read\n"
    "  --smbstatus-timeout S give smbstatus and testparm S seconds (default 30)\n"
    "  --smbstatus-sudo      run smbstatus through sudo --non-interactive (a\n"
    "                        monitoring user allowed it by the sudoers drop-in)\n"
    "  --help                show this help\n"
    "  --version             show the version\n"
    "\n"
    "Exit codes: 0 every database and folder was read and who is connected seen;\n"
    "1 something could not be (each said on stderr); 2 usage error;\n"
    "4 the --prometheus file could not be written.\n"
    "With --check: 0 OK, 1 WARNING, 2 CRITICAL, 3 UNKNOWN.\n"
    "Bytes of names that are not UTF-8 or are control characters are shown as \\xHH,\n"
    "a backslash as \\\\.\n";

struct Options {
    std::vector<std::string> databases;
    std::vector<std::string> scanRoots;
    std::vector<std::string> mounts;
    std::string names;
    std::string passwordFile;
    bool csv = false, json = false, check = false;
    int watchSeconds = 0;
    CheckLimits limits;
    std::string prometheus;
    std::string samba = "auto";
    std::string smbConf;
    int smbstatusSeconds = 30;
    bool smbstatusSudo = false;
};

struct UsageError {
    std::string what;
};

int number(const std::string& option, const std::string& text, int least) {
    char* end = nullptr;
    errno = 0;
    const long n = std::strtol(text.c_str(), &end, 10);
    if (text.empty() || *end != '\0' || errno != 0 || n < least || n > INT_MAX)
        throw UsageError{option + " needs a whole number of at least " + std::to_string(least) + ", not '" + text + "'"};
    return static_cast<int>(n);
}

ThresholdRange range(const std::string& option, const std::string& text) {
    try {
        return ThresholdRange::parse(text);
    } catch (const std::invalid_argument& e) {
        throw UsageError{option + ": " + e.what()};
    }
}

Options parse(int argc, char** argv) {
    Options o;
    for (int i = 1; i < argc; ++i) {
        const std::string a = argv[i];
        const auto value = [&]() -> std::string {
            if (i + 1 >= argc)
                throw UsageError{a + " needs a value"};
            return argv[++i];
        };
        if (a == "--csv") o.csv = true;
        else if (a == "--json") o.json = true;
        else if (a == "--check") o.check = true;
        else if (a == "--scan") o.scanRoots.push_back(value());
        else if (a == "--names") o.names = value();
        else if (a == "--password-file") o.passwordFile = value();
        else if (a == "--watch") o.watchSeconds = number(a, value(), 1);
        else if (a == "--warn-users") o.limits.warnUsers = range(a, value());
        else if (a == "--crit-users") o.limits.critUsers = range(a, value());
        else if (a == "--require-mount") o.mounts.push_back(value());
        else if (a == "--smbstatus-timeout") o.smbstatusSeconds = number(a, value(), 1);
        else if (a == "--smbstatus-sudo") o.smbstatusSudo = true;
        else if (a == "--prometheus") o.prometheus = value();
        else if (a == "--samba") o.samba = value();
        else if (a == "--smb-conf") o.smbConf = value();
        else if (a == "--") { o.databases.insert(o.databases.end(), argv + i + 1, argv + argc); break; }
        else if (a.starts_with("-") && a.size() > 1) throw UsageError{"unknown option " + a};
        else o.databases.push_back(a);
    }
    if (o.samba != "auto" && o.samba != "on" && o.samba != "off")
        throw UsageError{"--samba takes auto, on or off, not '" + o.samba + "'"};
    if (int(o.csv) + int(o.json) + int(o.check) > 1)
        throw UsageError{"choose one of --csv, --json and --check"};
    if (o.check && o.watchSeconds)
        throw UsageError{"--check gives one verdict; it does not go with --watch"};
    if (o.watchSeconds && (o.csv || o.json))
        throw UsageError{"--watch logs a line per change; it does not go with --csv or --json"};
    if (!o.check && (o.limits.warnUsers.set() || o.limits.critUsers.set()))
        throw UsageError{"--warn-users and --crit-users go with --check"};
    if (o.samba == "off" && o.smbstatusSudo)
        throw UsageError{"--smbstatus-sudo is for smbstatus, which --samba off does not ask"};
    if (o.databases.empty() && o.scanRoots.empty())
        throw UsageError{"name a database or a folder to --scan"};
    return o;
}

// compnamedb.mdb in the program's folder: $RAVELIN_HOME, else this program's
// own folder when writable and not an installed bin/, else $XDG_CONFIG_HOME/ravelin.
std::string defaultNamesFile() {
    std::string folder;
    if (const char* home = std::getenv("RAVELIN_HOME"); home && *home) {
        folder = home;
    } else {
        char exe[PATH_MAX];
        const ssize_t n = ::readlink("/proc/self/exe", exe, sizeof exe - 1);
        std::string exeDir = n > 0 ? std::string(exe, static_cast<std::size_t>(n)) : std::string();
        exeDir = exeDir.substr(0, exeDir.rfind('/'));
        struct stat share {};
        const bool installed = ::stat((exeDir + "/../share/ravelin").c_str(), &share) == 0 && S_ISDIR(share.st_mode);
        if (!exeDir.empty() && !installed && ::access(exeDir.c_str(), W_OK) == 0) {
            folder = exeDir;
        } else if (const char* xdg = std::getenv("XDG_CONFIG_HOME"); xdg && *xdg) {
            folder = std::string(xdg) + "/ravelin";
        } else if (const char* h = std::getenv("HOME"); h && *h) {
            folder = std::string(h) + "/.config/ravelin";
        }
    }
    const std::string path = folder + "/compnamedb.mdb";
    struct stat st {};
    return !folder.empty() && ::stat(path.c_str(), &st) == 0 ? path : std::string();
}

// Notes on stderr, each said once however often it comes up (--watch).
void noteOnce(const std::string& text) {
    static std::set<std::string> said;
    if (said.insert(text).second)
        std::cerr << "ravelin-who: " << printable(text) << '\n';
}

class Lister {
public:
    explicit Lister(const Options& o) : o_(o) {
        const std::string names = o.names.empty() ? defaultNamesFile() : o.names;
        if (names.empty())
            return;
        const std::string password = toolPassword(o.passwordFile);
        try {
            names_ = std::make_unique<NameBook>(names, password);
        } catch (const jet::Error& e) {
            if (!o.names.empty())
                throw;
            noteOnce("no persons shown: " + std::string(e.what()));
        }
    }

    // Whether the listing has Samba columns.
    bool samba() const { return samba_; }

    Sighting list() {
        Sighting seen;
        std::vector<std::string> paths = o_.databases;
        std::set<std::string> roots;
        for (const std::string& root : o_.scanRoots) {
            if (!roots.insert(root).second)
                continue;
            ScanResult scan = findDatabasesInUse(root);
            if (!scan.rootError.empty())
                noteOnce("cannot scan " + scan.rootError);
            for (const std::string& folder : scan.unreadable)
                noteOnce(folder);
            for (const std::string& entry : scan.passedOver)
                noteOnce(entry);
            paths.insert(paths.end(), scan.databases.begin(), scan.databases.end());
            scan.databases.clear();
            seen.scans.push_back(std::move(scan));
        }
        for (const std::string& folder : o_.mounts)
            if (!isMountPoint(folder)) {
                seen.unmounted.push_back(folder);
                noteOnce(folder + " is not mounted");
            }
        seen.databases = listDatabases(paths, names_.get());
        addSambaView(seen);
        for (const DatabaseUsers& db : seen.databases) {
            if (!db.warning.empty())
                noteOnce(db.path + ": " + db.warning);
            if (!db.note.empty())
                noteOnce(db.path + ": " + db.note);
            if (db.suspectCount() > 0)
                noteOnce(db.path + ": left suspect, it needs a repair once no one uses it: ravelin-jet repair " +
                         db.path + " REPAIRED-COPY");
        }
        for (const std::string& split : splitDatabases(seen.databases))
            noteOnce(split);
        return seen;
    }

private:
    void addSambaView(Sighting& seen) {
        const std::chrono::seconds limit(o_.smbstatusSeconds);
        std::optional<SambaFiles> samba;
        const auto mayServe = [&](const DatabaseUsers& db) {
            if (!samba)
                samba = SambaFiles::now();
            return db.error.empty() && !db.users.empty() && samba->mayServe(db.lockFile);
        };
        // smbstatus walks Samba's whole lock table (and holds up its
        // clients meanwhile): asked only where Samba may serve a lock file
        // with users, unless asked for outright.
        if (o_.samba == "auto" && std::ranges::none_of(seen.databases, mayServe))
            return;
        std::string why = "--samba off: smbstatus not asked";
        if (o_.samba != "off") {
            const SmbStatusRun run = runSmbstatus(o_.smbConf, limit, o_.smbstatusSudo);
            why = run.reason;
            if (why.empty()) {
                samba_ = true;
                why = joinSambaView(run.json, seen.databases);
            }
            if (why.empty())
                return;
            if (o_.samba == "on") {
                seen.sambaMissing = why;
                noteOnce("no Samba details: " + why);
            }
        }
        // Where Samba keeps the locks of a lock file none of whose users
        // shows connected (a share with posix locking = no), its view was
        // needed: say so rather than report them gone. A share with posix
        // locking = yes shows its clients' locks to anyone who can read the
        // lock file, root or not.
        std::optional<SambaShares> shares;
        for (DatabaseUsers& db : seen.databases) {
            if (db.connectedCount() > 0 || !mayServe(db))
                continue;
            if (!shares)
                shares = SambaShares::read(o_.smbConf, limit);
            if (!shares->locksVisible(db.lockFile))
                markUnseen(db, "who is connected can't be seen (Samba keeps its clients' locks; " + why + ")");
        }
    }

    const Options& o_;
    std::unique_ptr<NameBook> names_;
    bool samba_ = false;
};

// The listing on stdout (unless only metrics are written), what could not
// be read on stderr.
void print(const Options& o, const std::vector<DatabaseUsers>& dbs, bool samba) {
    if (o.json)
        writeJson(std::cout, dbs, samba);
    else if (o.csv)
        writeCsv(std::cout, dbs, samba);
    else if (o.prometheus.empty())
        writeTable(std::cout, dbs, samba);
    std::cout.flush();
    for (const DatabaseUsers& d : dbs)
        if (!d.error.empty())
            std::cerr << "ravelin-who: " << printable(d.error) << '\n';
}

std::string timestamp() {
    const std::time_t now = std::time(nullptr);
    std::tm tm {};
    ::localtime_r(&now, &tm);
    char buf[40];
    std::strftime(buf, sizeof buf, "%Y-%m-%dT%H:%M:%S%z", &tm);
    return buf;
}

int watch(const Options& o, Lister& lister) {
    // SIGINT and SIGTERM are taken synchronously, so the loop ends between
    // listings and the last line is always whole.
    sigset_t stop;
    sigemptyset(&stop);
    sigaddset(&stop, SIGINT);
    sigaddset(&stop, SIGTERM);
    sigprocmask(SIG_BLOCK, &stop, nullptr);
    std::vector<DatabaseUsers> before;
    for (;;) {
        const Sighting seen = lister.list();
        std::vector<DatabaseUsers> now = seen.databases;
        for (const std::string& line : watchChanges(before, now))
            std::cout << timestamp() << ' ' << printable(line) << '\n';
        std::cout.flush();
        if (!o.prometheus.empty()) {
            // A full disk now and then must not end the log.
            try {
                replaceFile(o.prometheus, prometheusText(seen));
            } catch (const jet::Error& e) {
                noteOnce(e.what());
            }
        }
        before = std::move(now);
        const timespec wait{o.watchSeconds, 0};
        if (sigtimedwait(&stop, nullptr, &wait) > 0)
            return kExitOk;
    }
}

}  // namespace

int main(int argc, char** argv) {
    std::ios::sync_with_stdio(false);
    // A monitoring system reads any usage error of a check as UNKNOWN.
    bool checking = false;
    for (int i = 1; i < argc; ++i) {
        const std::string a = argv[i];
        if (a == "--help") {
            std::cout << kHelp;
            return kExitOk;
        }
        if (asksVersion(a))
            return printVersion("ravelin-who");
        checking = checking || a == "--check";
    }
    Options o;
    try {
        o = parse(argc, argv);
    } catch (const UsageError& e) {
        std::cerr << "ravelin-who: " << printable(e.what) << "\nTry 'ravelin-who --help'.\n";
        if (checking)
            std::cout << unknownVerdict(e.what).line << '\n';
        return checking ? CheckUnknown : kExitUsage;
    }
    try {
        Lister lister(o);
        if (o.watchSeconds)
            return watch(o, lister);
        Sighting seen = lister.list();
        std::string metricsError;
        if (!o.prometheus.empty()) {
            try {
                replaceFile(o.prometheus, prometheusText(seen));
            } catch (const jet::Error& e) {
                metricsError = e.what();
            }
        }
        if (o.check) {
            seen.metricsError = metricsError;
            const CheckVerdict v = checkVerdict(seen, o.limits);
            std::cout << v.line << '\n';
            return v.status;
        }
        print(o, seen.databases, lister.samba());
        // A service that keeps the metrics up to date must fail when it
        // can't, or the metrics go stale (or never exist) unnoticed.
        if (!metricsError.empty()) {
            std::cerr << "ravelin-who: " << printable(metricsError) << '\n';
            return kExitMetricsNotWritten;
        }
        return seen.complete() ? kExitOk : kExitUnreadable;
    } catch (const std::exception& e) {
        std::cout.flush();
        if (o.check) {
            std::cout << unknownVerdict(e.what()).line << '\n';
            return CheckUnknown;
        }
        std::cerr << "ravelin-who: " << printable(e.what()) << '\n';
        return kExitUnreadable;
    }
}
