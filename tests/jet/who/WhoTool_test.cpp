// ravelin-who run as an administrator runs it: on copies of real databases
// whose lock files are held by simulated Jet clients in other processes.
#include "tests/jet/who/WhoTesting.h"
#include "tests/support/MustRun.h"

#include "jet/Recordset.h"
#include "jet/create/CreateDatabase.h"
#include "jet/lockfile/LockFile.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <regex>
#include <sys/stat.h>

namespace {

using locktest::Client;
using locktest::TempDir;
using whotest::runWho;

class WhoTool : public ::testing::Test {
protected:
    std::string database(const std::string& name) {
        return locktest::copyTestFile("access/testV2000.mdb", dir_ / name);
    }
    TempDir dir_;
};

TEST_F(WhoTool, ListsTheDemoUsersInEveryFormat) {
    const std::string db = database("sales.mdb");
    const std::string names = dir_ / "compnamedb.mdb";
    jet::createDatabase(names);
    {
        jet::Recordset people(names, "T_Main");
        people.addNew();
        people.setField("ComputerName", jet::Value::text("pc-ann"));
        people.setField("Name", jet::Value::text("Ann Lee"));
        people.setField("Contact", jet::Value::text("x 2041"));
        people.setField("Email", jet::Value::text("ann@example.org"));
        people.update();
    }
    Client ann({"--computer", "PC-ANN", "--user", "ann", db});
    ASSERT_EQ(locktest::connectClient(ann), 0);
    Client bob({"--computer", "PC-BOB", "--user", "bob", db});
    ASSERT_EQ(locktest::connectClient(bob), 1);

    const auto json = runWho({"--json", "--samba", "off", "--names", names, db});
    EXPECT_EQ(json.exitCode, 0) << json.err;
    EXPECT_EQ(json.out,
              "[\n {\"database\": \"" + db + "\", \"lock_file\": \"" + jet::lockFilePathFor(db) + "\", \"error\": null, \"warning\": null, \"users\": [\n"
              "  {\"slot\": 0, \"computer\": \"PC-ANN\", \"security\": \"ann\", \"connected\": true, "
              "\"suspect\": false, \"person\": \"Ann Lee\", \"contact\": \"x 2041\", \"email\": \"ann@example.org\"},\n"
              "  {\"slot\": 1, \"computer\": \"PC-BOB\", \"security\": \"bob\", \"connected\": true, "
              "\"suspect\": false, \"person\": \"\", \"contact\": \"\", \"email\": \"\"}\n ]}\n]\n");

    const auto csv = runWho({"--csv", "--samba", "off", db});
    EXPECT_EQ(csv.out,
              "\"database\",\"slot\",\"computer\",\"security\",\"connected\",\"suspect\",\"person\",\"contact\",\"email\"\r\n"
              "\"" + db + "\",0,\"PC-ANN\",\"ann\",1,0,\"\",\"\",\"\"\r\n"
              "\"" + db + "\",1,\"PC-BOB\",\"bob\",1,0,\"\",\"\",\"\"\r\n");

    const auto table = runWho({"--samba", "off", db});
    EXPECT_EQ(table.out, db + ":\n"
                              "SLOT  COMPUTER  SECURITY  CONNECTED  SUSPECT  PERSON  CONTACT  E-MAIL\n"
                              "0     PC-ANN    ann       yes        no\n"
                              "1     PC-BOB    bob       yes        no\n");

    bob.stop();
    const auto after = runWho({"--csv", "--samba", "off", db});
    EXPECT_EQ(after.out.find("PC-BOB\",\"bob\",1"), std::string::npos) << after.out;
}

TEST_F(WhoTool, CheckFollowsTheMonitoringPluginConvention) {
    const std::string db = database("sales.mdb");
    const std::string perDb = " 'users_" + db + "'=";
    const auto ok = runWho({"--check", "--samba", "off", db});
    EXPECT_EQ(ok.exitCode, 0);
    EXPECT_EQ(ok.out, "RAVELIN-WHO OK - 0 users connected, 0 suspect | users=0;;;0 suspect=0" + perDb + "0;;;0;255\n");

    Client ann({"--computer", "PC-ANN", "--user", "ann", db});
    locktest::connectClient(ann);
    const auto warning = runWho({"--check", "--samba", "off", "--warn-users", "0", "--crit-users", "5", db});
    EXPECT_EQ(warning.out, "RAVELIN-WHO WARNING - 1 user connected, 0 suspect; " + db +
                               ": 1 user connected (warning range 0) | users=1;;;0 suspect=0" + perDb + "1;0;5;0;255\n");
    // Ranges as monitoring plugins read them, over one connected user.
    const struct {
        const char* option;
        const char* range;
        int exitCode;
    } ranges[] = {{"--warn-users", "1", 0}, {"--crit-users", "0", 2}, {"--warn-users", "2:", 1},
                  {"--warn-users", "~:0", 1}, {"--warn-users", "@1:3", 1}, {"--crit-users", "@2:3", 0},
                  {"--warn-users", "3:2", 3}, {"--warn-users", "lots", 3}};
    for (const auto& r : ranges)
        EXPECT_EQ(runWho({"--check", "--samba", "off", r.option, r.range, db}).exitCode, r.exitCode) << r.range;

    Client crashed({"--crash", "--computer", "PC-BOB", db});
    locktest::connectClient(crashed);
    crashed.wait();
    // The worst state wins, and every problem is named.
    const auto critical = runWho({"--check", "--samba", "off", db, dir_ / "missing.mdb"});
    EXPECT_EQ(critical.exitCode, 2);
    EXPECT_EQ(critical.out, "RAVELIN-WHO CRITICAL - 1 user connected, 1 suspect on " + db + "; " + (dir_ / "missing.mdb") +
                                ": No such file or directory | users=1;;;0 suspect=1" + perDb + "1;;;0;255\n");
}

TEST_F(WhoTool, CheckNamesASuspectDatabaseAmongStrayFilesWithinFourKilobytes) {
    namespace fs = std::filesystem;
    const std::string tree = dir_ / "share";
    fs::create_directory(tree);
    const std::string db = locktest::copyTestFile("access/testV2000.mdb", tree + "/sales.mdb");
    Client crashed({"--crash", "--computer", "PC-BOB", db});
    locktest::connectClient(crashed);
    crashed.wait();
    for (int i = 0; i < 200; ++i) {
        locktest::writeBytes(tree + "/backup" + std::to_string(i) + ".mdb", {});
        locktest::writeBytes(tree + "/backup" + std::to_string(i) + ".ldb", {});
    }
    const auto r = runWho({"--check", "--samba", "off", "--scan", tree});
    EXPECT_EQ(r.exitCode, 2);
    EXPECT_TRUE(r.out.starts_with("RAVELIN-WHO CRITICAL - 0 users connected, 1 suspect on " + db + "; ")) << r.out;
    EXPECT_TRUE(r.out.ends_with(" more | users=0;;;0 suspect=1 'users_" + db + "'=0;;;0;255\n")) << r.out;
    EXPECT_LE(r.out.size(), 4097u);
}

TEST_F(WhoTool, LockFilesAreFoundAsSambaFindsThemWhateverTheirCase) {
    namespace fs = std::filesystem;
    // Left mid-write, its user gone: suspect, though the lock file's name
    // differs from the database's in case.
    const std::string crashed = database("Y.MDB");
    locktest::writeBytes(dir_ / "Y.LDB", locktest::lockFileOf({"PC-ANN"}));
    locktest::pokeU16(crashed, locktest::kJet4Commit, 0);
    const auto check = runWho({"--check", "--samba", "off", crashed});
    EXPECT_EQ(check.exitCode, 2) << check.out;
    EXPECT_TRUE(check.out.starts_with("RAVELIN-WHO CRITICAL - 0 users connected, 1 suspect on " + crashed)) << check.out;
    EXPECT_NE(check.err.find("needs a repair once no one uses it: ravelin-jet repair " + crashed), std::string::npos);
    const std::string metrics = dir_ / "ravelin.prom";
    EXPECT_EQ(runWho({"--check", "--samba", "off", "--prometheus", metrics, crashed}).exitCode, 2);
    const auto text = locktest::readBytes(metrics);
    EXPECT_NE(std::string(text.begin(), text.end()).find("ravelin_users{database=\"" + crashed + "\",lock_file=\"" +
                                                         (dir_ / "Y.LDB") + "\",state=\"suspect\"} 1\n"),
              std::string::npos);

    // The simulated client joins the lock file there is rather than make one.
    const std::string joined = database("Z.mdb");
    locktest::writeBytes(dir_ / "Z.LDB", locktest::lockFileOf({"PC-ANN"}));
    Client bob({"--computer", "PC-BOB", joined});
    EXPECT_EQ(locktest::connectClient(bob), 0);  // PC-ANN's slot, free
    EXPECT_FALSE(fs::exists(jet::lockFilePathFor(joined)));
    EXPECT_NE(runWho({"--csv", "--samba", "off", joined}).out.find(",0,\"PC-BOB\",\"Admin\",1,0"), std::string::npos);

    // Two names that match without regard to case: both read, and said.
    const std::string twice = database("a.mdb");
    for (const char* name : {"A.LDB", "a.LDB"})
        locktest::writeBytes(dir_ / name, locktest::lockFileOf({name}));
    const auto both = runWho({"--csv", "--samba", "off", twice});
    EXPECT_NE(both.out.find("\"A.LDB\""), std::string::npos) << both.out;
    EXPECT_NE(both.out.find("\"a.LDB\""), std::string::npos) << both.out;
    EXPECT_NE(both.err.find("2 lock files match its name without regard to case"), std::string::npos) << both.err;

    // What a scan passes over is said.
    ::mkfifo((dir_ / "pipe.mdb").c_str(), 0600);
    fs::create_directory(dir_ / "x.ldb");
    const auto scan = runWho({"--csv", "--samba", "off", "--scan", dir_ / ""});
    EXPECT_NE(scan.err.find(dir_ / "pipe.mdb: a FIFO named like a database, passed over"), std::string::npos) << scan.err;
    EXPECT_NE(scan.err.find(dir_ / "x.ldb: a folder named like a lock file, passed over"), std::string::npos) << scan.err;
}

TEST_F(WhoTool, PrometheusFileIsReplacedWholeAndValidWhateverTheNames) {
    const std::string db = database("sales.mdb");
    const std::string metrics = dir_ / "ravelin.prom";
    locktest::writeBytes(metrics, {'o', 'l', 'd'});
    Client ann({"--computer", "PC-ANN", db});
    locktest::connectClient(ann);
    // A name that is not UTF-8 must not cost the other databases their
    // metrics, nor a database named and also found by --scan its uniqueness.
    const std::string odd = database("odd\xFF\x1B.mdb");
    locktest::writeBytes(jet::lockFilePathFor(odd), locktest::lockFileOf({"PC-EVE"}));
    const auto r = runWho({"--prometheus", metrics, "--samba", "off", db, dir_ / "missing.mdb", "--scan", dir_ / "",
                           "--scan", dir_ / "nonesuch"});
    EXPECT_EQ(r.exitCode, 1);
    const auto bytes = locktest::readBytes(metrics);
    const std::string text(bytes.begin(), bytes.end());
    EXPECT_NE(text.find("\nravelin_users{database=\"" + db + "\",state=\"connected\"} 1\n"), std::string::npos) << text;
    EXPECT_NE(text.find("\nravelin_users{database=\"" + db + "\",state=\"suspect\"} 0\n"), std::string::npos);
    EXPECT_NE(text.find("\nravelin_lock_slots{database=\"" + db + "\"} 1\n"), std::string::npos);
    EXPECT_NE(text.find("\nravelin_readable{database=\"" + (dir_ / "missing.mdb") + "\"} 0\n"), std::string::npos);
    EXPECT_FALSE(text.starts_with("old"));
    EXPECT_NE(text.find("\nravelin_lock_slots{database=\"" + (dir_ / "odd\\\\xFF\\\\x1B.mdb") + "\"} 1\n"), std::string::npos);
    EXPECT_NE(text.find("\nravelin_scan_readable{root=\"" + (dir_ / "nonesuch") + "\"} 0\n"), std::string::npos);
    EXPECT_EQ(text.find("\nravelin_readable{database=\"" + db, text.find("\nravelin_readable{database=\"" + db) + 1),
              std::string::npos) << "named and found by --scan: listed once";
    const auto promtool = whotest::runProgram({"/bin/sh", "-c", "promtool check metrics < \"$0\"", metrics});
    EXPECT_EQ(promtool.exitCode, 0) << promtool.out << promtool.err;
    for (const auto& e : std::filesystem::directory_iterator(std::filesystem::path(metrics).parent_path()))
        EXPECT_EQ(e.path().string().find(".tmp"), std::string::npos) << "left behind: " << e.path();
}

TEST_F(WhoTool, NeverOkWhenBlindNeverHungAndContradictionsRefused) {
    const std::string db = database("sales.mdb");
    const std::string piped = database("piped.mdb");
    ::mkfifo(jet::lockFilePathFor(piped).c_str(), 0600);
    ::mkfifo((dir_ / "pipe.mdb").c_str(), 0600);
    const struct {
        std::vector<std::string> args;
        std::string says;
        int plainExit;  // without --check: 1 blind, 2 usage error, 4 metrics not written
    } cases[] = {
        {{"--scan", dir_ / "nonesuch"}, "cannot scan " + (dir_ / "nonesuch") + ": No such file or directory", 1},
        {{"/etc/hostname"}, "'/etc/hostname' is not a Jet or ACE database file.", 1},
        {{"/dev/null"}, "/dev/null: not a regular file", 1},
        {{dir_ / ""}, dir_ / ": not a regular file", 1},
        {{dir_ / "pipe.mdb"}, dir_ / "pipe.mdb: not a regular file", 1},
        {{piped}, "'" + jet::lockFilePathFor(piped) + "': it is not a regular file.", 1},
        {{"--require-mount", dir_ / "", db}, dir_ / " is not mounted", 1},
        {{"--prometheus", dir_ / "no/m.prom", db}, "metrics not written: " + (dir_ / "no/m.prom"), 4},
    };
    for (const auto& c : cases) {
        std::vector<std::string> args{"--check", "--samba", "off"};
        args.insert(args.end(), c.args.begin(), c.args.end());
        const auto check = runWho(args);
        EXPECT_EQ(check.exitCode, 3) << check.out;
        EXPECT_TRUE(check.out.starts_with("RAVELIN-WHO UNKNOWN - ")) << check.out;
        EXPECT_NE(check.out.find(c.says), std::string::npos) << check.out;
        args.erase(args.begin());
        EXPECT_EQ(runWho(args).exitCode, c.plainExit) << c.says;
    }
}

TEST_F(WhoTool, NoNameSteersTheTerminalOrBreaksTheCheckLine) {
    namespace fs = std::filesystem;
    const std::string odd = dir_ / "a\x1B]52;c;aGk=\x07|b\nc\xC2\x9B";
    fs::create_directory(odd);
    const std::string db = locktest::copyTestFile("access/testV2000.mdb", odd + "/x\xFF\x7F.mdb");
    locktest::writeBytes(jet::lockFilePathFor(db), locktest::lockFileOf({"PC\x1B[2J"}));
    locktest::pokeU16(db, locktest::kJet4Commit, 0);  // left mid-write: the check line names the database
    for (const auto& args : std::vector<std::vector<std::string>>{{"--check"}, {}, {"--csv"}, {"--json"}}) {
        std::vector<std::string> all{"--samba", "off", "--scan", odd, "--scan", odd + "/gone\x1B[2J", db};
        all.insert(all.begin(), args.begin(), args.end());
        const auto r = runWho(all);
        // C0 but line ends, DEL, C1 (U+0080-U+009F in UTF-8).
        const std::regex control("[\\x00-\\x09\\x0B\\x0C\\x0E-\\x1F\\x7F]|\\xC2[\\x80-\\x9F]");
        EXPECT_FALSE(std::regex_search(r.out, control) || std::regex_search(r.err, control)) << r.out << r.err;
        if (!args.empty() && args[0] == "--check") {
            EXPECT_EQ(std::ranges::count(r.out, '\n'), 1) << r.out;
            EXPECT_EQ(std::ranges::count(r.out, '|'), 1) << r.out;
        }
    }
}

TEST_F(WhoTool, ScanFindsEveryDatabaseInUseAndStaysInTheTree) {
    namespace fs = std::filesystem;
    TempDir outside;
    const std::string tree = dir_ / "share";
    for (const char* sub : {"share", "share/sales", "share/sales/2024", "share/hr", "share/empty"})
        fs::create_directory(dir_ / sub);
    const std::vector<std::string> inUse{tree + "/hr/staff.accdb", tree + "/sales/2024/orders.mdb",
                                         tree + "/sales/orders.mdb"};
    for (const std::string& db : inUse) {
        locktest::copyTestFile(db.ends_with(".accdb") ? "access/testV2007.accdb" : "access/testV2000.mdb", db);
        locktest::writeBytes(jet::lockFilePathFor(db), locktest::lockFileOf({"PC-ANN"}));
    }
    locktest::writeBytes(tree + "/sales/closed.mdb", {});  // no lock file: nobody in it
    locktest::writeBytes(tree + "/sales/notes.ldb", {});    // a lock file without its database
    locktest::copyTestFile("access/testV2000.mdb", outside / "secret.mdb");
    locktest::writeBytes(outside / "secret.ldb", locktest::lockFileOf({"PC-EVE"}));
    fs::create_directory_symlink(outside / "", tree + "/link");
    fs::create_symlink(outside / "secret.mdb", tree + "/hr/secret.mdb");
    fs::create_symlink(outside / "secret.ldb", tree + "/hr/secret.ldb");

    const auto r = runWho({"--csv", "--samba", "off", "--scan", tree});
    std::string expected = "\"database\",\"slot\",\"computer\",\"security\",\"connected\",\"suspect\",\"person\",\"contact\",\"email\"\r\n";
    for (const std::string& db : inUse)
        expected += "\"" + db + "\",0,\"PC-ANN\",\"Admin\",0,0,\"\",\"\",\"\"\r\n";
    EXPECT_EQ(r.out, expected);
    EXPECT_EQ(r.exitCode, 0) << r.err;

    const auto missing = runWho({"--scan", dir_ / "nonesuch"});
    EXPECT_NE(missing.err.find(dir_ / "nonesuch"), std::string::npos);
}

TEST_F(WhoTool, ScanNotesAFolderItCanNotReadAndGoesOn) {
    namespace fs = std::filesystem;
    const std::string tree = dir_ / "share";
    for (const char* sub : {"share", "share/open", "share/private"})
        fs::create_directory(dir_ / sub);
    for (const char* db : {"share/open/a.mdb", "share/private/b.mdb"}) {
        locktest::copyTestFile("access/testV2000.mdb", dir_ / db);
        fs::permissions(dir_ / db, fs::perms::owner_read | fs::perms::group_read | fs::perms::others_read);
        locktest::writeBytes(jet::lockFilePathFor(dir_ / db), locktest::lockFileOf({"PC-ANN"}));
    }
    fs::permissions(dir_ / "", fs::perms::owner_all | fs::perms::others_exec);
    fs::permissions(tree, fs::perms::owner_all | fs::perms::others_read | fs::perms::others_exec);
    fs::permissions(tree + "/open", fs::perms::owner_all | fs::perms::others_read | fs::perms::others_exec);
    fs::permissions(tree + "/private", fs::perms::owner_all);
    std::vector<std::string> args{whotest::kWho, "--csv", "--samba", "off", "--scan", tree};
    if (::geteuid() == 0) {
        const auto nobody = whotest::asNobody(args, tree + "/open/a.mdb");
        if (!nobody)
            SKIP_UNLESS_CI() << "nobody can't run " << whotest::kWho << " or read the test folder";
        args = *nobody;
    }
    const auto r = whotest::runProgram(args);
    EXPECT_EQ(r.err, "ravelin-who: " + tree + "/private: Permission denied\n");
    EXPECT_NE(r.out.find("\"" + tree + "/open/a.mdb\",0,\"PC-ANN\""), std::string::npos) << r.out;
    EXPECT_EQ(r.out.find("b.mdb"), std::string::npos) << r.out;
    EXPECT_EQ(r.exitCode, 1);
    std::ranges::replace(args, std::string("--csv"), std::string("--check"));
    const auto check = whotest::runProgram(args);
    EXPECT_EQ(check.exitCode, 1);
    EXPECT_EQ(check.out, "RAVELIN-WHO WARNING - 0 users connected, 0 suspect; 1 folder could not be read"
                         " | users=0;;;0 suspect=0 'users_" + tree + "/open/a.mdb'=0;;;0;255\n");
}

TEST_F(WhoTool, WatchLogsArrivalsAndDeparturesUntilTerminated) {
    const std::string db = database("sales.mdb");
    const std::string log = dir_ / "who.log";
    Client ann({"--computer", "PC-ANN", "--user", "ann", db});
    locktest::connectClient(ann);
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, STDOUT_FILENO, log.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
    std::vector<std::string> args{whotest::kWho, "--samba", "off", "--watch", "1", db};
    std::vector<char*> argv;
    for (auto& a : args)
        argv.push_back(a.data());
    argv.push_back(nullptr);
    pid_t pid = -1;
    ASSERT_EQ(::posix_spawn(&pid, argv[0], &actions, nullptr, argv.data(), environ), 0);
    posix_spawn_file_actions_destroy(&actions);
    const auto logged = [&](const std::string& text) {
        for (int i = 0; i < 100; ++i) {
            const auto b = locktest::readBytes(log);
            if (std::string(b.begin(), b.end()).find(text) != std::string::npos)
                return true;
            ::usleep(50'000);
        }
        return false;
    };
    EXPECT_TRUE(logged(" " + db + ": PC-ANN (ann), slot 0 arrived\n"));
    ann.stop();
    EXPECT_TRUE(logged(" " + db + ": PC-ANN (ann), slot 0 left\n"));
    ::kill(pid, SIGTERM);
    int status = 0;
    ::waitpid(pid, &status, 0);
    EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << status;
}

}  // namespace
