#pragma once
// For the benchmarks: a child process holding the user lock of every slot of a
// lock file, as other users' clients would, until the object goes away.
// With one owner per lock, each lock is an OFD lock on its own open file
// description, as 255 separate Samba client processes would hold them; else
// the child holds them all as its own POSIX locks, which the kernel merges.
#include "jet/lockfile/LockFile.h"

#include <cstdio>
#include <cstdlib>
#include <fcntl.h>
#include <string>
#include <sys/wait.h>
#include <unistd.h>

class UserLockHolder {
public:
    UserLockHolder(const std::string& lockPath, bool ownerPerLock) {
        int ready[2], release[2];
        if (::pipe(ready) != 0 || ::pipe(release) != 0)
            std::exit(1);
        pid_ = ::fork();
        if (pid_ == 0) {
            ::close(ready[0]);
            ::close(release[1]);
            int shared = -1;
            char ok = 'y';
            for (int slot = 0; slot < jet::kMaxLockSlots; ++slot) {
                const int fd = ownerPerLock || shared < 0 ? ::open(lockPath.c_str(), O_RDWR) : shared;
                shared = fd;
                struct flock fl {};
                fl.l_type = F_WRLCK;
                fl.l_whence = SEEK_SET;
                fl.l_start = jet::kUserLockBase + slot;
                fl.l_len = 1;
                if (fd < 0 || ::fcntl(fd, ownerPerLock ? F_OFD_SETLK : F_SETLK, &fl) != 0)
                    ok = 'n';
            }
            (void)!::write(ready[1], &ok, 1);
            char c;
            while (::read(release[0], &c, 1) > 0) {
            }
            ::_exit(0);
        }
        ::close(ready[1]);
        ::close(release[0]);
        release_ = release[1];
        char ok = 0;
        if (::read(ready[0], &ok, 1) != 1 || ok != 'y') {
            std::fprintf(stderr, "the lock holder could not take its locks\n");
            std::exit(1);
        }
        ::close(ready[0]);
    }
    ~UserLockHolder() {
        ::close(release_);
        ::waitpid(pid_, nullptr, 0);
    }

private:
    pid_t pid_ = -1;
    int release_ = -1;
};
