// The scheduler's promises: ordering of prepare/subtasks/run/report, sequential groups, error
// and cancel propagation, thread of each call and of signal delivery, and many tasks at once.
#include "QtTestEnvironment.h"

#include <NxCore/log/Logger.h>
#include <NxCore/tasks/ConsoleShutdownTask.h>
#include <NxCore/tasks/FailTask.h>
#include <NxCore/tasks/SequentialMultiTask.h>
#include <NxPrivate/tasks/TaskRunner.h>

#include <QMutex>
#include <QPointer>
#include <QThread>
#include <QTimer>

#include <atomic>
#include <stdexcept>

namespace Nx {

namespace {

// A shared, thread-safe journal of what happened, in order.
class Journal {
public:
    void add(const QString& e) {
        QMutexLocker l(&lock);
        events.append(e);
    }
    QStringList get() const {
        QMutexLocker l(&lock);
        return events;
    }

private:
    mutable QMutex lock;
    QStringList events;
};

bool onMainThread() {
    return QThread::currentThread() == QCoreApplication::instance()->thread();
}

// Records each phase with the thread it ran on; run() can sleep, fail, throw or wait for cancel.
class ProbeTask : public Task {
public:
    ProbeTask(const QString& name, Journal* j, TaskFlags f = TaskFlag_None) : Task(name, f), journal(j) {}

    void prepare() override {
        journal->add(getTaskName() + ":prepare" + (onMainThread() ? "@main" : "@pool"));
    }
    void run() override {
        journal->add(getTaskName() + ":run-start" + (onMainThread() ? "@main" : "@pool"));
        for (Task* s : getSubtasks()) {
            if (!s->isFinished()) journal->add(getTaskName() + ":unfinished-subtask-at-run");
        }
        if (sleepMs > 0) QThread::msleep(sleepMs);
        if (waitForCancel) {
            started = true;
            for (int i = 0; i < 2000 && !isCanceled(); i++) QThread::msleep(5);
            sawCancel = isCanceled();
        }
        if (throwInRun) throw std::runtime_error("exploded");
        if (!failWith.isEmpty()) setError(failWith);
        journal->add(getTaskName() + ":run-end");
    }
    ReportResult report() override {
        journal->add(getTaskName() + ":report" + (onMainThread() ? "@main" : "@pool"));
        return ReportResult_Finished;
    }

    Journal* journal;
    int sleepMs = 0;
    bool waitForCancel = false;
    bool throwInRun = false;
    QString failWith;
    std::atomic<bool> started{false};
    std::atomic<bool> sawCancel{false};
};

// Lives in its own thread and notes the thread and state of every signal it gets.
class Receiver : public QObject {
    Q_OBJECT
public:
    QMutex lock;
    QList<QThread*> threads;
    QList<Task::State> states;
public Q_SLOTS:
    void sl_stateChanged() {
        auto* t = qobject_cast<Task*>(sender());
        QMutexLocker l(&lock);
        threads.append(QThread::currentThread());
        states.append(t ? t->getState() : Task::State_New);
    }
};

}  // namespace

using TaskSchedulerImplTest = SchedulerFixture;

TEST_F(TaskSchedulerImplTest, PhasesRunOnTheirThreadsAndSubtasksFinishBeforeParentRun) {
    Journal j;
    auto* parent = new ProbeTask("P", &j);
    for (int i = 0; i < 3; i++) {
        auto* s = new ProbeTask(QString("S%1").arg(i), &j);
        s->sleepMs = 20;
        parent->addSubTask(s);
    }
    ASSERT_TRUE(TaskRunner::runAndWait(parent));
    QStringList ev = j.get();
    EXPECT_FALSE(parent->hasError()) << parent->getError().toStdString();
    EXPECT_EQ(ev.first(), "P:prepare@main");
    int parentRun = ev.indexOf("P:run-start@pool");
    ASSERT_GE(parentRun, 0) << ev.join(" ").toStdString();
    for (int i = 0; i < 3; i++) {
        int subReport = ev.indexOf(QString("S%1:report@main").arg(i));
        ASSERT_GE(subReport, 0);
        EXPECT_LT(subReport, parentRun) << ev.join(" ").toStdString();
        EXPECT_GE(ev.indexOf(QString("S%1:run-start@pool").arg(i)), 0);
    }
    EXPECT_FALSE(ev.contains("P:unfinished-subtask-at-run"));
    EXPECT_EQ(ev.last(), "P:report@main");
    for (Task* s : parent->getSubtasks()) {
        EXPECT_TRUE(s->isFinished());
    }
    delete parent;
}

TEST_F(TaskSchedulerImplTest, SequentialMultiTaskRunsStrictlyInOrder) {
    Journal j;
    QList<Task*> list;
    for (int i = 0; i < 5; i++) {
        auto* t = new ProbeTask(QString("T%1").arg(i), &j);
        t->sleepMs = 10;
        list.append(t);
    }
    auto* group = new SequentialMultiTask("group", list);
    ASSERT_TRUE(TaskRunner::runAndWait(group));
    EXPECT_FALSE(group->hasError());
    QStringList runs;
    for (const QString& e : j.get()) {
        if (e.contains(":run-")) runs.append(e);
    }
    QStringList expected;
    for (int i = 0; i < 5; i++) {
        expected << QString("T%1:run-start@pool").arg(i) << QString("T%1:run-end").arg(i);
    }
    EXPECT_EQ(runs, expected);
    delete group;
}

TEST_F(TaskSchedulerImplTest, FailingSubtaskFailsParentWithItsMessageAndStopsTheGroup) {
    Journal j;
    auto* a = new ProbeTask("A", &j);
    auto* b = new ProbeTask("B", &j);
    b->failWith = "Cannot open database file: /x/y.s3db";
    auto* c = new ProbeTask("C", &j);
    auto* group = new SequentialMultiTask("group", {a, b, c});
    ASSERT_TRUE(TaskRunner::runAndWait(group));
    ASSERT_TRUE(group->hasError());
    EXPECT_TRUE(group->getError().contains("Cannot open database file: /x/y.s3db"))
        << group->getError().toStdString();
    EXPECT_FALSE(j.get().contains("C:run-start@pool"));
    EXPECT_TRUE(group->isFinished());
    delete group;
}

TEST_F(TaskSchedulerImplTest, SubtaskErrorRulesFollowTheFlags) {
    Journal j;
    // Plain text when asked for, no failure at all with NoFailOnSubtaskError.
    auto* plain = new ProbeTask("plain", &j, TaskFlags(TaskFlag_NoRun) | TaskFlag_PropagateSubtaskErrorText);
    plain->addSubTask(new FailTask("exact text"));
    ASSERT_TRUE(TaskRunner::runAndWait(plain));
    EXPECT_EQ(plain->getError(), "exact text");

    auto* tolerant = new ProbeTask("tolerant", &j, TaskFlag_NoFailOnSubtaskError);
    tolerant->addSubTask(new FailTask("ignored"));
    ASSERT_TRUE(TaskRunner::runAndWait(tolerant));
    EXPECT_FALSE(tolerant->hasError());
    EXPECT_TRUE(j.get().contains("tolerant:run-start@pool"));

    // A parent that failed in prepare() neither starts its subtasks nor runs.
    auto* broken = new FailTask("bad start");
    auto* sub = new ProbeTask("never", &j);
    broken->addSubTask(sub);
    ASSERT_TRUE(TaskRunner::runAndWait(broken));
    EXPECT_EQ(broken->getError(), "bad start");
    EXPECT_EQ(sub->getState(), Task::State_New);
    delete plain;
    delete tolerant;
    delete broken;
}

TEST_F(TaskSchedulerImplTest, CancelReachesRunningSubtasks) {
    Journal j;
    auto* parent = new ProbeTask("P", &j, TaskFlag_NoAutoDelete);
    QList<ProbeTask*> subs;
    for (int i = 0; i < 2; i++) {
        auto* s = new ProbeTask(QString("S%1").arg(i), &j);
        s->waitForCancel = true;
        subs.append(s);
        parent->addSubTask(s);
    }
    scheduler->registerTopLevelTask(parent);
    ASSERT_TRUE(waitFor([&] { return subs[0]->started && subs[1]->started; }));
    scheduler->cancelTask(parent);
    ASSERT_TRUE(waitFor([&] { return parent->isFinished(); }));
    for (ProbeTask* s : subs) {
        EXPECT_TRUE(s->isCanceled());
        EXPECT_TRUE(s->sawCancel) << "run() of a subtask did not see the cancel flag";
    }
    EXPECT_TRUE(parent->isCanceled());
    EXPECT_FALSE(j.get().contains("P:run-start@pool"));
    EXPECT_TRUE(scheduler->getTopLevelTasks().isEmpty());
    delete parent;
}

TEST_F(TaskSchedulerImplTest, StateSignalReachesReceiverOnItsOwnThread) {
    QThread other;
    other.start();
    Receiver r;
    r.moveToThread(&other);
    Journal j;
    auto* t = new ProbeTask("T", &j);
    QObject::connect(t, &Task::si_stateChanged, &r, &Receiver::sl_stateChanged);
    ASSERT_TRUE(TaskRunner::runAndWait(t));
    ASSERT_TRUE(waitFor([&] {
        QMutexLocker l(&r.lock);
        return r.states.size() >= 3;
    }));
    {
        QMutexLocker l(&r.lock);
        for (QThread* th : r.threads) EXPECT_EQ(th, &other);
        // Queued delivery reads the state late, so only the end is certain.
        EXPECT_EQ(r.states.size(), 3);
        EXPECT_EQ(r.states.last(), Task::State_Finished);
    }
    // A receiver on the main thread sees every state as it happens.
    Journal j2;
    auto* t2 = new ProbeTask("T2", &j2);
    QList<Task::State> seen;
    QObject::connect(t2, &Task::si_stateChanged, [&] {
        EXPECT_TRUE(onMainThread());
        seen.append(t2->getState());
    });
    ASSERT_TRUE(TaskRunner::runAndWait(t2));
    EXPECT_EQ(seen, (QList<Task::State>{Task::State_Prepared, Task::State_Running, Task::State_Finished}));
    other.quit();
    other.wait();
    delete t;
    delete t2;
}

TEST_F(TaskSchedulerImplTest, ManyTasksOnThePoolFinishWithoutRaces) {
    std::atomic<int> runs{0};
    class CountTask : public Task {
    public:
        CountTask(std::atomic<int>* c) : Task("count", TaskFlag_None), counter(c) {}
        void run() override {
            int local = 0;
            for (int i = 0; i < 1000; i++) local += i % 7;
            stateInfo.setProgress(local % 100);
            (*counter)++;
        }
        std::atomic<int>* counter;
    };
    const int topLevel = 150;
    std::atomic<int> finishedTop{0};
    std::atomic<int> failed{0};
    for (int i = 0; i < topLevel; i++) {
        auto* t = new CountTask(&runs);
        for (int k = 0; k < 3; k++) t->addSubTask(new CountTask(&runs));
        QObject::connect(t, &Task::si_stateChanged, [t, &finishedTop, &failed] {
            if (t->isFinished()) {
                finishedTop++;
                if (t->hasError()) failed++;
            }
        });
        scheduler->registerTopLevelTask(t);
    }
    ASSERT_TRUE(waitFor([&] { return finishedTop.load() == topLevel; }, 60000));
    EXPECT_EQ(runs.load(), topLevel * 4);
    EXPECT_EQ(failed.load(), 0);
    EXPECT_TRUE(waitFor([&] { return scheduler->getTopLevelTasks().isEmpty(); }));
}

TEST_F(TaskSchedulerImplTest, AutoDeleteAndExceptionsAndCallMeAgain) {
    Journal j;
    QPointer<ProbeTask> autoDel = new ProbeTask("auto", &j);
    scheduler->registerTopLevelTask(autoDel);
    ASSERT_TRUE(waitFor([&] { return scheduler->getTopLevelTasks().isEmpty(); }));
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    EXPECT_TRUE(autoDel.isNull()) << "a finished task without NoAutoDelete must be deleted";

    auto* thrower = new ProbeTask("thrower", &j);
    thrower->throwInRun = true;
    ASSERT_TRUE(TaskRunner::runAndWait(thrower));
    EXPECT_TRUE(thrower->getError().contains("exploded")) << thrower->getError().toStdString();
    delete thrower;

    class Again : public Task {
    public:
        Again() : Task("again", TaskFlag_NoRun) {}
        ReportResult report() override { return ++calls < 3 ? ReportResult_CallMeAgain : ReportResult_Finished; }
        int calls = 0;
    };
    auto* again = new Again;
    ASSERT_TRUE(TaskRunner::runAndWait(again));
    EXPECT_EQ(again->calls, 3);
    delete again;
}

TEST_F(TaskSchedulerImplTest, SubtasksAddedOnFinishRunBeforeTheParent) {
    Journal j;
    class Chain : public ProbeTask {
    public:
        using ProbeTask::ProbeTask;
        QList<Task*> onSubTaskFinished(Task* sub) override {
            ProbeTask::onSubTaskFinished(sub);
            if (added++ == 0) return {new ProbeTask("late", journal)};
            return {};
        }
        int added = 0;
    };
    auto* p = new Chain("P", &j);
    p->addSubTask(new ProbeTask("first", &j));
    ASSERT_TRUE(TaskRunner::runAndWait(p));
    QStringList ev = j.get();
    EXPECT_LT(ev.indexOf("first:report@main"), ev.indexOf("late:prepare@main"));
    EXPECT_LT(ev.indexOf("late:report@main"), ev.indexOf("P:run-start@pool"));
    EXPECT_EQ(p->getSubtasks().size(), 2);
    delete p;
}

TEST_F(TaskSchedulerImplTest, ConsoleShutdownEndsTheLoopWithTheOutcome) {
    Journal j;
    {
        // Created before the task is registered, as the program does; exits once none is left.
        ConsoleShutdownTask shutdown(QCoreApplication::instance());
        scheduler->registerTopLevelTask(new ProbeTask("ok", &j));
        EXPECT_EQ(QCoreApplication::exec(), 0);
    }
    {
        LogCapture log;
        ConsoleShutdownTask shutdown(QCoreApplication::instance());
        scheduler->registerTopLevelTask(new ProbeTask("ok2", &j));
        scheduler->registerTopLevelTask(new FailTask("the reason"));
        EXPECT_EQ(QCoreApplication::exec(), 1);
        EXPECT_EQ(shutdown.getFailedTaskCount(), 1);
        EXPECT_TRUE(log.contains("Tasks", LogLevel_ERROR, "the reason"));
    }
}

}  // namespace Nx

#include "TaskSchedulerImplTest.moc"

namespace Nx {

// A task that waits on its thread for a whole run (as a workflow run does) must not keep the
// tasks of that run from using every processor: one per processor, and at least two writers
// side by side, all run at once.
TEST_F(TaskSchedulerImplTest, ATaskWaitingForTheWholeRunLeavesOneThreadPerProcessor) {
    class MeetTask : public Task {
    public:
        MeetTask(std::atomic<int>* started, int all) : Task("meet", TaskFlag_None), started(started), all(all) {}
        void run() override {
            ++*started;
            for (int i = 0; i < 2000 && started->load() < all; i++) QThread::msleep(5);
            met = started->load() >= all;
        }
        std::atomic<int>* started;
        int all;
        std::atomic<bool> met{false};
    };
    class WaitTask : public Task {
    public:
        WaitTask(std::atomic<bool>* release) : Task("wait", TaskFlag_None), release(release) {}
        void run() override {
            while (!release->load()) QThread::msleep(5);
        }
        std::atomic<bool>* release;
    };
    std::atomic<bool> release{false};
    std::atomic<int> started{0};
    auto* waiting = new WaitTask(&release);
    scheduler->registerTopLevelTask(waiting);
    const int all = qMax(2, QThread::idealThreadCount());
    QList<QPointer<MeetTask>> meeting;
    std::atomic<int> finished{0};
    std::atomic<int> met{0};
    for (int i = 0; i < all; i++) {
        auto* t = new MeetTask(&started, all);
        QObject::connect(t, &Task::si_stateChanged, [t, &finished, &met] {
            if (t->isFinished()) {
                finished++;
                met += t->met.load() ? 1 : 0;
            }
        });
        scheduler->registerTopLevelTask(t);
    }
    ASSERT_TRUE(waitFor([&] { return finished.load() == all; }, 30000));
    EXPECT_EQ(met.load(), all);
    release = true;
    EXPECT_TRUE(waitFor([&] { return scheduler->getTopLevelTasks().isEmpty(); }));
}

}  // namespace Nx
