// Large sequential groups: every subtask runs once and in order, each is freed as soon as it has
// finished, tasks are deleted whatever flags they carry unless NoAutoDelete says a caller keeps
// them, and a subtask's last signal still reaches its receivers before it goes.
#include "QtTestEnvironment.h"

#include <NxCore/tasks/SequentialMultiTask.h>

#include <QPointer>

#include <atomic>

namespace Nx {

namespace {

std::atomic<int> alive{0};

// Notes its number in the order of run; counts live instances.
class CountingTask : public Task {
public:
    CountingTask(int n, QList<int>* order, TaskFlags f = TaskFlags(2)) : Task("count", f), n(n), order(order) {
        ++alive;
    }
    ~CountingTask() override { --alive; }
    void prepare() override {
        order->append(n);
        maxAliveSeen = qMax(maxAliveSeen, alive.load());
    }
    static int maxAliveSeen;
    int n;
    QList<int>* order;
};
int CountingTask::maxAliveSeen = 0;

}  // namespace

using SequentialGroupTest = SchedulerFixture;

TEST_F(SequentialGroupTest, SubtasksRunInOrderAndAreFreedAsTheGroupGoesOn) {
    const int n = 20000;
    QList<int> order;
    QList<Task*> subs;
    for (int i = 0; i < n; ++i) {
        // Without a run body; flag 0x2 must not keep them alive.
        subs << new CountingTask(i, &order, TaskFlags(TaskFlag_NoRun) | TaskFlags(2));
    }
    // The last subtask's final signal still reaches a receiver, with the task alive.
    bool lastSeenFinished = false;
    Task* last = subs.last();
    QObject::connect(last, &Task::si_stateChanged, [&] { lastSeenFinished = last->isFinished() || lastSeenFinished; });
    CountingTask::maxAliveSeen = 0;
    QPointer<Task> group(new SequentialMultiTask("group", subs, TaskFlags(0xC02)));
    EXPECT_EQ(alive.load(), n);
    scheduler->registerTopLevelTask(group);
    ASSERT_TRUE(waitFor([&] { return group.isNull(); }));  // deleted by the scheduler
    EXPECT_EQ(order.size(), n);
    bool inOrder = true;
    for (int i = 0; i < order.size(); ++i) {
        inOrder = inOrder && order[i] == i;
    }
    EXPECT_TRUE(inOrder);
    EXPECT_TRUE(lastSeenFinished);
    EXPECT_EQ(alive.load(), 0);
    // When the last one starts, all the others are gone already.
    EXPECT_EQ(CountingTask::maxAliveSeen, n);
}

TEST_F(SequentialGroupTest, FinishedSubtasksAreGoneBeforeTheNextStarts) {
    QList<int> order;
    QList<Task*> subs;
    for (int i = 0; i < 50; ++i) {
        subs << new CountingTask(i, &order);
    }
    QList<int> aliveAtStart;
    for (Task* s : subs) {
        QObject::connect(s, &Task::si_stateChanged, [&aliveAtStart, s] {
            if (s->getState() == Task::State_Prepared) {
                aliveAtStart << alive.load();
            }
        });
    }
    QPointer<Task> group(new SequentialMultiTask("group", subs, TaskFlags(0xC02)));
    scheduler->registerTopLevelTask(group);
    ASSERT_TRUE(waitFor([&] { return group.isNull(); }));
    ASSERT_EQ(aliveAtStart.size(), 50);
    for (int i = 0; i < 50; ++i) {
        EXPECT_EQ(aliveAtStart[i], 50 - i) << i;
    }
}

TEST_F(SequentialGroupTest, ACallerKeepsOnlyWhatItMarkedNoAutoDelete) {
    QList<int> order;
    auto* kept = new CountingTask(0, &order, TaskFlag_NoAutoDelete);
    auto* freed = new CountingTask(1, &order, TaskFlags(2));
    QPointer<Task> keptPtr(kept);
    QPointer<Task> freedPtr(freed);
    QPointer<Task> group(new SequentialMultiTask("group", {kept, freed}, TaskFlags(0x0C02)));
    scheduler->registerTopLevelTask(group);
    ASSERT_TRUE(waitFor([&] { return group.isNull(); }));
    EXPECT_TRUE(freedPtr.isNull());
    ASSERT_FALSE(keptPtr.isNull());
    EXPECT_TRUE(kept->isFinished());
    EXPECT_EQ(kept->getParentTask(), nullptr);
    delete kept;

    // A top-level task that asked to be kept stays with its caller.
    auto* top = new CountingTask(2, &order, TaskFlag_NoAutoDelete);
    QPointer<Task> topPtr(top);
    scheduler->registerTopLevelTask(top);
    ASSERT_TRUE(waitFor([&] { return top->isFinished(); }));
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    EXPECT_FALSE(topPtr.isNull());
    delete top;
    EXPECT_EQ(alive.load(), 0);
}

}  // namespace Nx
