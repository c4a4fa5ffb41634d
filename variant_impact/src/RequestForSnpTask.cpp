#include "RequestForSnpTask.h"

#include <NxCore/log/Logger.h>
#include <NxCore/tasks/ExternalToolRunTask.h>

#include <QFileInfo>

namespace Nx {

RequestForSnpTask::RequestForSnpTask(const QString& path, const QVariantMap& input, const NxVariant& v)
    : BaseSnpAnnotationTask(input, v, "Request to remote server for SNP analysis"), scriptPath(path) {
    // The work is the subtask's; this task itself has nothing to run on a pool thread.
    setFlag(TaskFlag_NoRun);
    QStringList args{scriptPath};
    // QVariantMap keeps its keys in ascending order: the command line follows it.
    for (auto it = inputData.constBegin(); it != inputData.constEnd(); ++it) {
        QVariant value = it.value();
        if (!value.isValid() || !value.convert(QMetaType::QString)) {
            NX_RECOVER_MSG(QString("Invalid argument passed to script"));
            refused = true;
            return;
        }
        args << it.key() << value.toString();
    }
    arguments = args;
    runTask = new ExternalToolRunTask("python", arguments, &logParser, QString(), QStringList());
    addSubTask(runTask);
}

RequestForSnpTask::~RequestForSnpTask() {
    // The subtask refers to logParser: delete it (the base would, but only after logParser is
    // gone) while the parser still exists.
    if (runTask != nullptr && takeSubTask(runTask)) {
        delete runTask;
    }
    runTask = nullptr;
}

void RequestForSnpTask::setTimeLimitMs(int ms) {
    if (runTask != nullptr) {
        runTask->setTimeLimitMs(ms);
    }
}

QString RequestForSnpTask::getFailureDescription() const {
    if (runTask == nullptr || runTask->getEndDescription().isEmpty()) {
        return getError();
    }
    const QString firstLine = logParser.getFirstErrorLine();
    return QString("%1 %2").arg(QFileInfo(scriptPath).fileName(), runTask->getEndDescription()) +
           (firstLine.isEmpty() ? QString() : ": " + firstLine.left(300));
}

QVariantMap RequestForSnpTask::getResults() const {
    return logParser.getResults();
}

}  // namespace Nx
