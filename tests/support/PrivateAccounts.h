#pragma once
// Unix accounts that only this test process and the programs it starts can
// see. The process moves into a mount namespace of its own (needs root) and
// mounts a copy of /etc/passwd holding the accounts over the real file, so
// the machine's account files are never written; the copy's mount goes with
// the object, and with the process's namespace whenever the process ends,
// even by a crash.
#include "tests/support/TestFiles.h"

#include <sched.h>
#include <sys/mount.h>

#include <cerrno>
#include <cstring>
#include <fstream>
#include <set>
#include <sstream>
#include <stdexcept>
#include <string>
#include <vector>

namespace ravelin_testing {

class PrivateAccounts {
public:
    // Accounts of these names, with unused uids, in the group users (100), no
    // home and no shell. Throws when the process can't have a namespace of
    // its own (not root) or a name is already an account.
    explicit PrivateAccounts(const std::vector<std::string>& names) {
        if (::unshare(CLONE_NEWNS) != 0)
            throw std::runtime_error(std::string("no mount namespace of the test's own: ") + std::strerror(errno));
        // Mounts made from here on stay in this namespace.
        if (::mount(nullptr, "/", nullptr, MS_REC | MS_PRIVATE, nullptr) != 0)
            throw std::runtime_error(std::string("cannot make the mounts private: ") + std::strerror(errno));
        const auto real = fileBytes(kPasswd);
        std::string text(real.begin(), real.end());
        std::set<std::string> taken;
        std::set<unsigned long> uids;
        std::istringstream lines(text);
        for (std::string line; std::getline(lines, line);) {
            std::istringstream fields(line);
            std::string name, password, uid;
            if (std::getline(fields, name, ':') && std::getline(fields, password, ':') && std::getline(fields, uid, ':')) {
                taken.insert(name);
                uids.insert(std::strtoul(uid.c_str(), nullptr, 10));
            }
        }
        if (!text.empty() && text.back() != '\n')
            text += '\n';
        unsigned long uid = 61000;
        for (const std::string& name : names) {
            if (taken.contains(name))
                throw std::runtime_error("an account " + name + " exists already");
            while (uids.contains(uid))
                ++uid;
            text += name + ":x:" + std::to_string(uid++) + ":100:Ravelin test account:/nonexistent:/usr/sbin/nologin\n";
        }
        std::ofstream(copy_, std::ios::binary) << text;
        ::chmod(copy_.c_str(), 0644);
        if (::mount(copy_.c_str(), kPasswd, nullptr, MS_BIND, nullptr) != 0)
            throw std::runtime_error(std::string("cannot mount a copy of ") + kPasswd + ": " + std::strerror(errno));
    }
    ~PrivateAccounts() { ::umount2(kPasswd, MNT_DETACH); }
    PrivateAccounts(const PrivateAccounts&) = delete;
    PrivateAccounts& operator=(const PrivateAccounts&) = delete;

private:
    static constexpr const char* kPasswd = "/etc/passwd";
    TempDir dir_{"accounts"};
    std::string copy_ = dir_ / "passwd";
};

}  // namespace ravelin_testing
