#include "ChildProcessGuard.h"

#include <QMutex>
#include <QMutexLocker>

#include <cerrno>
#include <csignal>
#include <cstdint>
#include <sys/resource.h>
#include <sys/socket.h>
#include <unistd.h>

namespace Nx {

namespace {

struct Note {
    int32_t add;    // 1: watch, 0: release
    int32_t group;
};

// The guard's loop. It runs in a child forked from a threaded program, so it calls only
// async-signal-safe functions and allocates nothing.
[[noreturn]] void guardMain(int fd) {
    ::signal(SIGINT, SIG_IGN);   // a Ctrl-C meant for the program must not end the guard first
    ::signal(SIGTERM, SIG_IGN);
    ::signal(SIGHUP, SIG_IGN);
    ::setpgid(0, 0);
    rlimit rl{};
    const int maxFd = ::getrlimit(RLIMIT_NOFILE, &rl) == 0 && rl.rlim_cur < 65536 ? int(rl.rlim_cur) : 65536;
    for (int i = 0; i < maxFd; ++i) {
        if (i != fd) {
            ::close(i);  // nothing of the program's (its sockets and pipes) stays open here
        }
    }
    static int32_t groups[65536];
    int count = 0;
    Note note{};
    while (true) {
        const ssize_t n = ::read(fd, &note, sizeof note);
        if (n < 0 && errno == EINTR) {
            continue;
        }
        if (n != ssize_t(sizeof note)) {
            break;  // the program has ended
        }
        if (note.add != 0) {
            if (count < int(sizeof groups / sizeof groups[0])) {
                groups[count++] = note.group;
            }
            continue;
        }
        for (int i = 0; i < count; ++i) {
            if (groups[i] == note.group) {
                groups[i] = groups[--count];
                break;
            }
        }
    }
    for (int i = 0; i < count; ++i) {
        ::kill(-groups[i], SIGKILL);
    }
    ::_exit(0);
}

class Guard {
public:
    bool send(const Note& note) {
        QMutexLocker lock(&mutex);
        if (!started) {
            started = true;
            start();
        }
        if (fd < 0) {
            return false;
        }
        // Records are smaller than the socket's atomic unit and sent whole under the lock.
        return ::send(fd, &note, sizeof note, MSG_NOSIGNAL) == ssize_t(sizeof note);
    }

private:
    void start() {
        int sv[2];
        if (::socketpair(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0, sv) != 0) {
            return;
        }
        const pid_t pid = ::fork();
        if (pid == 0) {
            guardMain(sv[1]);
        }
        ::close(sv[1]);
        if (pid < 0) {
            ::close(sv[0]);
            return;
        }
        fd = sv[0];
    }

    QMutex mutex;
    bool started = false;
    int fd = -1;  // our end; closed only by the program's end
};

Guard& guard() {
    // Never destroyed: the socket must stay open until the very end of the program.
    static Guard* g = new Guard;
    return *g;
}

}  // namespace

bool ChildProcessGuard::watch(pid_t group) {
    return group > 0 && guard().send({1, int32_t(group)});
}

void ChildProcessGuard::release(pid_t group) {
    if (group > 0) {
        guard().send({0, int32_t(group)});
    }
}

void ChildProcessGuard::killAndRelease(pid_t group) {
    if (group > 0) {
        ::kill(-group, SIGKILL);
        release(group);
    }
}

}  // namespace Nx
