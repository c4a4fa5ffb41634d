// nolix-requests-bench [--max-group N] [--requests N] [--tata-variations N]
// 1. Scheduler: sequential groups of trivial subtasks, 10,000 up to --max-group (default
//    1,000,000), doubling; prints seconds and microseconds per subtask (flat = linear).
// 2. Script requests: --requests (default 200) RequestForSnpTask runs of a trivial script in one
//    sequential group, against the same number of plain "python3 script args" starts, same run.
// 3. TATA: AnalyzeTataBoxesTask on promoter stretches per second (the element's per-variation
//    cost inside a promoter; variations outside every promoter only cost a gene look-up).
#include <RequestForSnpTask.h>
#include <SnpRequestKeys.h>
#include <tata_box_analysis/AnalyzeTataBoxesTask.h>

#include <NxCore/tasks/SequentialMultiTask.h>
#include <NxPrivate/core/AppContextImpl.h>
#include <NxPrivate/tasks/TaskRunner.h>
#include <NxPrivate/tasks/TaskSchedulerImpl.h>

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QProcess>
#include <QRandomGenerator>
#include <QTemporaryDir>

#include <cstdio>
#include <memory>

using namespace Nx;

namespace {

class Trivial : public Task {
public:
    Trivial() : Task("trivial", TaskFlags(TaskFlag_NoRun) | TaskFlags(2)) {}
};

int argValue(const QStringList& args, const QString& name, int def) {
    const int i = args.indexOf(name);
    return i >= 0 && i + 1 < args.size() ? args[i + 1].toInt() : def;
}

double runGroup(const QList<Task*>& tasks) {
    auto* group = new SequentialMultiTask("group", tasks, TaskFlags(0xC02));
    QElapsedTimer t;
    t.start();
    TaskRunner::runAndWait(group, 3600000);
    const double s = t.elapsed() / 1000.0;
    delete group;
    return s;
}

}  // namespace

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    const QStringList args = app.arguments();
    AppContextImpl::getApplicationContext()->setTaskScheduler(new TaskSchedulerImpl(nullptr));

    const int maxGroup = argValue(args, "--max-group", 1000000);
    std::printf("scheduler: sequential group of trivial subtasks\n");
    for (int n = 10000; n <= maxGroup; n *= 2) {
        QList<Task*> tasks;
        tasks.reserve(n);
        for (int i = 0; i < n; ++i) {
            tasks << new Trivial();
        }
        const double s = runGroup(tasks);
        std::printf("  %8d subtasks  %7.3f s  %6.2f us/subtask\n", n, s, s * 1e6 / n);
        std::fflush(stdout);
    }

    const int requests = argValue(args, "--requests", 200);
    QTemporaryDir dir;
    const QString script = dir.filePath("answer.py");
    QFile f(script);
    f.open(QIODevice::WriteOnly);
    f.write("import sys\nprint('PRESENT:' + sys.argv[2])\n");
    f.close();
    QList<Task*> tasks;
    for (int i = 0; i < requests; ++i) {
        tasks << new RequestForSnpTask(script, {{"-i", i}}, NxVariant());
    }
    const double viaTask = runGroup(tasks);
    QElapsedTimer t;
    t.start();
    for (int i = 0; i < requests; ++i) {
        QProcess p;
        p.start("python3", {script, "-i", QString::number(i)});
        p.waitForFinished(-1);
    }
    const double plain = t.elapsed() / 1000.0;
    std::printf("script requests: %d through RequestForSnpTask %.1f/s, plain python3 starts %.1f/s, ratio %.2f\n",
                requests, requests / viaTask, requests / plain, plain / viaTask);

    const int tataN = argValue(args, "--tata-variations", 20000);
    QList<Task*> tata;
    QRandomGenerator rnd(1);
    const char letters[] = "ACGT";
    for (int i = 0; i < tataN; ++i) {
        QByteArray s(50, 'A');
        for (char& c : s) {
            c = letters[rnd.bounded(4)];
        }
        s.replace(20, 7, "TATAAAA");
        QByteArray v = s;
        v[20 + i % 7] = 'G';
        tata << new AnalyzeTataBoxesTask({{SnpRequestKeys::TATA_FIRST_SEQUENCE, s}, {SnpRequestKeys::TATA_SECOND_SEQUENCE, v}},
                                         NxVariant());
    }
    const double tataS = runGroup(tata);
    std::printf("tata: %d promoter analyses in %.2f s, %.0f/s\n", tataN, tataS, tataN / tataS);
    return 0;
}
