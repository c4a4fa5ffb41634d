#include "TerminationWatcher.h"

#include <NxCore/log/Logger.h>

#include <QCoreApplication>
#include <QSocketNotifier>

#include <csignal>
#include <fcntl.h>
#include <unistd.h>

namespace Nx {

int TerminationWatcher::pipeFds[2] = {-1, -1};

void TerminationWatcher::onSignal(int sig) {
    char c = static_cast<char>(sig);
    [[maybe_unused]] ssize_t n = ::write(pipeFds[1], &c, 1);
}

TerminationWatcher::TerminationWatcher(QObject* parent) : QObject(parent) {
    if (::pipe2(pipeFds, O_CLOEXEC | O_NONBLOCK) != 0) {
        coreLog.error("Cannot watch for termination signals: no pipe");
        return;
    }
    notifier = new QSocketNotifier(pipeFds[0], QSocketNotifier::Read, this);
    connect(notifier, &QSocketNotifier::activated, this, [] {
        char c = 0;
        while (::read(pipeFds[0], &c, 1) > 0) {
        }
        coreLog.info("Termination requested, shutting down");
        QCoreApplication::exit(0);
    });
    struct sigaction sa = {};
    sa.sa_handler = &TerminationWatcher::onSignal;
    sigemptyset(&sa.sa_mask);
    sa.sa_flags = SA_RESTART;
    sigaction(SIGTERM, &sa, nullptr);
    sigaction(SIGINT, &sa, nullptr);
}

TerminationWatcher::~TerminationWatcher() {
    signal(SIGTERM, SIG_DFL);
    signal(SIGINT, SIG_DFL);
    delete notifier;
    ::close(pipeFds[0]);
    ::close(pipeFds[1]);
    pipeFds[0] = pipeFds[1] = -1;
}

}  // namespace Nx
