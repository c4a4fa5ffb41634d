#include "XmlTestRunTask.h"

#include <NxCore/core/AppContext.h>
#include <NxCore/core/NxOpStatus.h>
#include <NxCore/tasks/FailTask.h>
#include <NxTest/GTest.h>
#include <NxTest/GTestFramework.h>
#include <NxTest/XMLTestFormat.h>

#include <QProcessEnvironment>

#include <cstdio>

namespace Nx {

XmlTestRunTask::XmlTestRunTask(const QStringList& suitePaths, const QMap<QString, QString>& envOverrides)
    : Task(tr("XML test run"), TaskFlags(TaskFlag_NoRun | TaskFlag_NoFailOnSubtaskError)),
      suitePaths(suitePaths),
      envOverrides(envOverrides) {
}

void XmlTestRunTask::prepare() {
    GTestFramework* framework = AppContext::getTestFramework();
    format = framework != nullptr
                 ? qobject_cast<XMLTestFormat*>(framework->getTestFormatRegistry()->findFormat(XMLTestFormat::ID))
                 : nullptr;
    if (format == nullptr) {
        setError(tr("The XML test format is not available"));
        return;
    }
    const QProcessEnvironment process = QProcessEnvironment::systemEnvironment();
    for (const QString& path : qAsConst(suitePaths)) {
        const QStringList files = XmlTestSuite::suiteFiles(path, stateInfo);
        for (const QString& file : files) {
            std::unique_ptr<XmlTestSuite> suite(new XmlTestSuite());
            if (!suite->load(file, stateInfo)) {
                return;
            }
            auto* env = new GTestEnvironment(suite->getEnvDefaults());
            for (const QString& name : env->getVars().keys()) {
                if (process.contains(name)) {
                    env->setVar(name, process.value(name));
                }
            }
            if (!process.value("TEMP_DATA_DIR").isEmpty()) {
                env->setVar("TEMP_DATA_DIR", process.value("TEMP_DATA_DIR"));
            }
            for (auto it = envOverrides.constBegin(); it != envOverrides.constEnd(); ++it) {
                env->setVar(it.key(), it.value());
            }
            environments.emplace_back(env);
            for (const XmlTestCase& test : suite->getTests()) {
                queue << qMakePair(&test, env);
            }
            suites.push_back(std::move(suite));
        }
        if (stateInfo.hasError()) {
            return;
        }
    }
    if (Task* first = nextTest()) {
        addSubTask(first);
    }
}

Task* XmlTestRunTask::makeTestTask(const XmlTestCase& test, const GTestEnvironment* env) {
    auto* task = new Task(test.name, TaskFlags(TaskFlag_NoRun | TaskFlag_PropagateSubtaskErrorText));
    task->setMaxParallelSubtasks(1);
    for (const QDomElement& el : test.elements) {
        QString err;
        GTest* t = format->createTest(test.name, nullptr, env, {}, el, err);
        if (t == nullptr) {
            task->addSubTask(new FailTask(tr("line %1: %2").arg(el.lineNumber()).arg(err)));
            break;
        }
        task->addSubTask(t);
    }
    return task;
}

Task* XmlTestRunTask::nextTest() {
    if (queue.isEmpty() || isCanceled()) {
        return nullptr;
    }
    const auto next = queue.takeFirst();
    currentName = next.first->name;
    return makeTestTask(*next.first, next.second);
}

QList<Task*> XmlTestRunTask::onSubTaskFinished(Task* subTask) {
    if (subTask->hasError() || subTask->isCanceled()) {
        ++failed;
        print(QString("FAIL %1: %2").arg(currentName, subTask->isCanceled() ? tr("canceled") : subTask->getError()));
    } else {
        ++passed;
        print(QString("PASS %1").arg(currentName));
    }
    Task* next = nextTest();
    return next != nullptr ? QList<Task*>{next} : QList<Task*>();
}

Task::ReportResult XmlTestRunTask::report() {
    if (!stateInfo.hasError()) {
        print(QString("%1 passed, %2 failed").arg(passed).arg(failed));
        if (failed > 0) {
            setError(tr("%1 of %2 XML tests failed").arg(failed).arg(passed + failed));
        }
    }
    return ReportResult_Finished;
}

void XmlTestRunTask::print(const QString& line) {
    fputs((line + "\n").toLocal8Bit().constData(), stdout);
    fflush(stdout);
}

}  // namespace Nx
