#include "RefDbRun.h"

#include <QProcess>

namespace Nx {

int runRefDb(const QStringList& args, QString& out, QString& err) {
    QProcess p;
    p.start(QString(NX_BINARY_DIR) + "/bin/nolix-refdb", args);
    if (!p.waitForFinished(60000)) {
        err = "did not finish";
        return -1;
    }
    err = QString::fromLocal8Bit(p.readAllStandardError());
    out = QString::fromLocal8Bit(p.readAllStandardOutput());
    return p.exitStatus() == QProcess::NormalExit ? p.exitCode() : -1;
}

}  // namespace Nx
