// A run of XML test suites from the command line:
//   1. read every suite file (a malformed one fails the run before any test runs);
//   2. the environment of the tests: a suite's <env> defaults, overridden by the process
//      environment, overridden by --test-env NAME=VALUE;
//   3. run the tests one after another through the scheduler, each as a task whose subtasks
//      are its test elements; print "PASS name" or "FAIL name: error" as each one ends;
//   4. print "N passed, N failed"; any failed test is the run's error (exit code 1).
#pragma once

#include "XmlTestSuite.h"

#include <NxCore/tasks/Task.h>
#include <NxTest/GTestEnvironment.h>

#include <memory>
#include <vector>

namespace Nx {

class XMLTestFormat;

class XmlTestRunTask : public Task {
    Q_OBJECT
public:
    XmlTestRunTask(const QStringList& suitePaths, const QMap<QString, QString>& envOverrides);

    void prepare() override;
    QList<Task*> onSubTaskFinished(Task* subTask) override;
    ReportResult report() override;

    int getPassed() const { return passed; }
    int getFailed() const { return failed; }

private:
    // The task of the next test, or null when none is left.
    Task* nextTest();
    Task* makeTestTask(const XmlTestCase& test, const GTestEnvironment* env);
    static void print(const QString& line);

    QStringList suitePaths;
    QMap<QString, QString> envOverrides;
    std::vector<std::unique_ptr<XmlTestSuite>> suites;
    std::vector<std::unique_ptr<GTestEnvironment>> environments;     // one per suite
    QList<QPair<const XmlTestCase*, const GTestEnvironment*>> queue;  // tests not started yet
    XMLTestFormat* format = nullptr;
    QString currentName;  // test of the running subtask
    int passed = 0;
    int failed = 0;
};

}  // namespace Nx
