// The recovery message keeps texts with "%1" intact, listeners may log themselves, and canceling
// a task while its finished subtasks are freed on another thread touches no freed task.
#include <NxCore/log/Logger.h>
#include <NxCore/tasks/Task.h>

#include <QThread>

#include <gtest/gtest.h>

#include <atomic>
#include <cstdlib>

using namespace Nx;

namespace {

TEST(Logger, RecoveryMessageKeepsPlaceholdersOfTheText) {
    LogCapture log;
    NX_RECOVER_MSG(QString("matrix of gene %1 at 100% is empty"));
    ASSERT_EQ(log.messages().size(), 1);
    const QString text = log.messages().first().text;
    EXPECT_TRUE(text.startsWith("Trying to recover from error: matrix of gene %1 at 100% is empty at ")) << text.toStdString();
    EXPECT_TRUE(text.contains("LoggerTest.cpp:")) << text.toStdString();
}

TEST(Logger, AListenerThatLogsDoesNotDeadlock) {
    std::atomic<int> nested{0};
    const int id = Logger::addListener([&](const LogMessage& m) {
        if (m.text == "outer") {
            ++nested;
            algoLog.info("inner");  // used to wait for the lock held by the outer call
        }
    });
    LogCapture log;
    QThread* t = QThread::create([] { coreLog.info("outer"); });
    t->start();
    if (!t->wait(10000)) {
        ADD_FAILURE() << "logging from a listener deadlocked";
        std::_Exit(1);  // the stuck thread holds the log lock: nothing more can run
    }
    delete t;
    Logger::removeListener(id);
    EXPECT_EQ(nested.load(), 1);
    EXPECT_TRUE(log.contains("inner"));
}

class Leaf : public Task {
public:
    Leaf() : Task("leaf", TaskFlag_None) {}
    void run() override {}
};

// cancel() on one thread while finished subtasks are taken out and deleted on another: every
// subtask cancel() reaches must still be alive (a sanitizer build reports any freed one).
TEST(Task, CancelWhileSubtasksAreFreedTouchesOnlyLiveSubtasks) {
    for (int round = 0; round < 20; ++round) {
        auto* parent = new Leaf();
        QList<Task*> subs;
        for (int i = 0; i < 2000; ++i) {
            subs << new Leaf();
            parent->addSubTask(subs.last());
        }
        std::atomic<bool> stop{false};
        std::atomic<int> cancels{0};
        QThread* canceler = QThread::create([&] {
            while (!stop.load()) {
                parent->cancel();
                ++cancels;
            }
        });
        canceler->start();
        while (cancels.load() == 0) {
            QThread::yieldCurrentThread();
        }
        for (Task* sub : subs) {
            ASSERT_TRUE(parent->takeSubTask(sub));
            delete sub;
        }
        stop = true;
        canceler->wait();
        delete canceler;
        EXPECT_EQ(parent->getSubtaskCount(), 0);
        EXPECT_TRUE(parent->isCanceled());
        delete parent;
    }
}

}  // namespace
