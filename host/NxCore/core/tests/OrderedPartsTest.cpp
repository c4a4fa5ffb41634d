#include <NxCore/core/OrderedParts.h>

#include <QElapsedTimer>
#include <QSet>
#include <QThread>

#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <random>

using namespace Nx;

namespace {

struct Computed {
    int part = -1;
    Qt::HANDLE thread = nullptr;
};

}  // namespace

TEST(OrderedPartsTest, ResultsComeInOrderOnceEachFromWorkersMadeOnTheirOwnThreads) {
    for (int threads : {1, 2, 5}) {
        SCOPED_TRACE(threads);
        const int parts = 60;
        std::atomic<int> started{0}, inFlightMax{0}, inFlight{0};
        QMutex madeLock;
        QSet<Qt::HANDLE> madeOn;
        // Parts take different times, so they finish out of order.
        OrderedParts<Computed> run(parts, threads, 3, [&]() {
            {
                QMutexLocker locker(&madeLock);
                madeOn.insert(QThread::currentThreadId());
            }
            const Qt::HANDLE madeHere = QThread::currentThreadId();
            return [&, madeHere](int part, Computed& result) {
                EXPECT_EQ(QThread::currentThreadId(), madeHere) << "a worker used off its own thread";
                const int now = ++inFlight;
                int seen = inFlightMax.load();
                while (now > seen && !inFlightMax.compare_exchange_weak(seen, now)) {
                }
                ++started;
                QThread::usleep(static_cast<unsigned long>((part * 7919) % 5) * 300);
                result.part = part;
                result.thread = QThread::currentThreadId();
                --inFlight;
                return true;
            };
        });
        Computed c;
        QList<int> order;
        QSet<Qt::HANDLE> usedThreads;
        while (run.takeNext(c)) {
            order << c.part;
            usedThreads << c.thread;
            QThread::usleep(200);  // a slow taker: the threads must wait for it, not run ahead
        }
        QList<int> expected;
        for (int i = 0; i < parts; ++i) {
            expected << i;
        }
        EXPECT_EQ(order, expected);
        EXPECT_EQ(started.load(), parts);
        EXPECT_EQ(madeOn.size(), threads);
        EXPECT_FALSE(usedThreads.contains(QThread::currentThreadId()));
        EXPECT_LE(inFlightMax.load(), threads);
        EXPECT_FALSE(run.takeNext(c));
    }
}

TEST(OrderedPartsTest, NoPartStartsMoreThanTheLookAheadBeyondTheTakenOnes) {
    const int parts = 40, ahead = 4;
    std::atomic<int> started{0};
    std::atomic<int> taken{0};
    std::atomic<int> worstLead{0};
    OrderedParts<int> run(parts, 3, ahead, [&]() {
        return [&](int part, int& result) {
            ++started;
            const int lead = part - taken.load();
            int seen = worstLead.load();
            while (lead > seen && !worstLead.compare_exchange_weak(seen, lead)) {
            }
            result = part;
            return true;
        };
    });
    int r = 0;
    while (run.takeNext(r)) {
        taken.store(r + 1);
        QThread::msleep(2);
    }
    EXPECT_EQ(started.load(), parts);
    // A part starts only while fewer than `ahead` are waiting beyond the taken ones.
    EXPECT_LT(worstLead.load(), ahead + 1);
}

TEST(OrderedPartsTest, AFinalResultIsTheLastTakenAndNoLaterPartStartsAfterIt) {
    // A look-ahead as long as the job: only the final result can hold the threads back.
    const int parts = 200, threads = 3, finalPart = 17;
    std::atomic<int> highestStarted{-1};
    OrderedParts<int> run(parts, threads, parts, [&]() {
        return [&](int part, int& result) {
            int seen = highestStarted.load();
            while (part > seen && !highestStarted.compare_exchange_weak(seen, part)) {
            }
            if (part != finalPart) {
                QThread::msleep(1);
            }
            result = part;
            return part != finalPart;
        };
    });
    QList<int> order;
    int r = 0;
    while (run.takeNext(r)) {
        order << r;
    }
    ASSERT_FALSE(order.isEmpty());
    EXPECT_EQ(order.last(), finalPart);
    EXPECT_EQ(order.size(), finalPart + 1);
    QThread::msleep(50);  // time enough for dozens of parts, if the threads went on
    run.stop();
    // Parts begun beside the final one may run; none begins once it is known.
    EXPECT_LT(highestStarted.load(), finalPart + 2 * threads);
}

TEST(OrderedPartsTest, ACanceledWaitReturnsAndStopEndsAPartThatPollsStopping) {
    std::atomic<bool> hungStarted{false};
    std::unique_ptr<OrderedParts<int>> run;
    run.reset(new OrderedParts<int>(5, 2, 2, [&]() {
        return [&](int part, int& result) {
            if (part == 1) {
                hungStarted.store(true);
                while (!run->stopping()) {
                    QThread::msleep(5);
                }
            }
            result = part;
            return true;
        };
    }));
    int r = -1;
    ASSERT_TRUE(run->takeNext(r));
    EXPECT_EQ(r, 0);
    QElapsedTimer timer;
    timer.start();
    EXPECT_FALSE(run->takeNext(r, [&]() { return hungStarted.load() && timer.elapsed() > 150; }));
    EXPECT_LT(timer.elapsed(), 5000);
    EXPECT_EQ(run->nextIndex(), 1);
    run->stop();  // returns only when the hung part has seen stopping()
    EXPECT_FALSE(run->takeNext(r));
}

TEST(OrderedPartsTest, NoPartsGiveNothingAndStartNoThread) {
    std::atomic<int> made{0};
    OrderedParts<int> run(0, 4, 2, [&]() {
        ++made;
        return [](int, int&) { return true; };
    });
    int r = 0;
    EXPECT_FALSE(run.takeNext(r));
    run.stop();
    EXPECT_EQ(made.load(), 0);
}
