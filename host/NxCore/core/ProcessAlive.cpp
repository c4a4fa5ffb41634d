#include "ProcessAlive.h"

#include <QFile>

#include <cerrno>
#include <csignal>

namespace Nx {

bool isProcessAlive(qint64 pid) {
    if (pid <= 0 || (::kill(static_cast<pid_t>(pid), 0) != 0 && errno != EPERM)) {
        return false;
    }
    QFile stat(QString("/proc/%1/stat").arg(pid));
    if (!stat.open(QIODevice::ReadOnly)) {
        return true;  // no process table to ask: the signal test above is the answer
    }
    // The state follows the command name, which is in parentheses and may hold any character.
    const QByteArray text = stat.readAll();
    return text.mid(text.lastIndexOf(')') + 2, 1) != "Z";
}

}  // namespace Nx
