// Turns SIGTERM and SIGINT into a normal end of the event loop, so that a window closed by the
// session manager or a test still tears the context down in order (plug-ins unloaded, the
// process's temporary folder removed). The signal handler only writes to a pipe; the loop reads
// it.
#pragma once

#include <QObject>

class QSocketNotifier;

namespace Nx {

class TerminationWatcher : public QObject {
    Q_OBJECT
public:
    explicit TerminationWatcher(QObject* parent = nullptr);
    ~TerminationWatcher() override;

private:
    static void onSignal(int sig);
    static int pipeFds[2];

    QSocketNotifier* notifier = nullptr;
};

}  // namespace Nx
