// Parts of a job computed on several threads and taken in order on the caller's thread.
//
// Each computing thread first makes its own worker (so connections are opened, used and closed
// on that thread), then takes the next part not yet started. The caller takes the result of part
// i only after those of parts 0..i-1. At most `ahead` parts are started beyond the ones taken,
// so memory and whatever a result holds (temporary files, recorded writes) stay bounded whatever
// the number of parts. A result its worker marks as final (a failure, or a part the caller must
// redo itself) is the last one: no thread starts a later part, and the caller gets nothing after
// it. Workers may poll stopping() inside a long part.
#pragma once

#include <QMutex>
#include <QMutexLocker>
#include <QThread>
#include <QWaitCondition>

#include <atomic>
#include <functional>
#include <memory>
#include <vector>

namespace Nx {

template <typename Result>
class OrderedParts {
public:
    // Computes part into result; false marks the result final.
    using Worker = std::function<bool(int part, Result& result)>;
    // Called once on each computing thread, before its first part.
    using WorkerFactory = std::function<Worker()>;

    OrderedParts(int parts, int threads, int ahead, WorkerFactory factory)
        : count(parts), ahead(qMax(1, ahead)), results(size_t(qMax(0, parts))) {
        const int n = count > 0 ? qBound(1, threads, count) : 0;
        for (int t = 0; t < n; ++t) {
            computing.emplace_back(QThread::create([this, factory]() { compute(factory); }));
            computing.back()->start();
        }
    }

    ~OrderedParts() { stop(); }

    OrderedParts(const OrderedParts&) = delete;
    OrderedParts& operator=(const OrderedParts&) = delete;

    // Moves the next part's result into result, waiting for it; its index is nextIndex() before
    // the call. False when every part was taken, a final result was, or canceled() turned true
    // while waiting (checked at least every 100 ms).
    bool takeNext(Result& result, const std::function<bool()>& canceled = {}) {
        QMutexLocker locker(&lock);
        if (taken >= count || finalTaken || stopped.load()) {
            return false;
        }
        Slot& slot = results[size_t(taken)];
        while (!slot.done) {
            if (canceled && canceled()) {
                return false;
            }
            changed.wait(&lock, 100);
        }
        result = std::move(slot.result);
        slot.result = Result();
        finalTaken = slot.final;
        ++taken;
        changed.wakeAll();
        return true;
    }

    // The index of the part takeNext gives next.
    int nextIndex() const {
        QMutexLocker locker(&lock);
        return taken;
    }

    // No part is started any more; waits for the threads to end. Idempotent.
    void stop() {
        {
            QMutexLocker locker(&lock);
            stopped.store(true);
            changed.wakeAll();
        }
        for (auto& t : computing) {
            t->wait();
        }
        computing.clear();
    }

    // True once the caller needs no more parts: a long part may end early (its result is then
    // not taken).
    bool stopping() const { return stopped.load(); }

private:
    struct Slot {
        Result result;
        bool done = false;
        bool final = false;
    };

    void compute(const WorkerFactory& factory) {
        Worker worker = factory();
        for (;;) {
            int i = -1;
            {
                QMutexLocker locker(&lock);
                while (!stopped.load() && !finalSeen && next < count && next >= taken + ahead) {
                    changed.wait(&lock);
                }
                if (stopped.load() || finalSeen || next >= count) {
                    return;
                }
                i = next++;
            }
            Result result;
            const bool more = worker(i, result);
            QMutexLocker locker(&lock);
            Slot& slot = results[size_t(i)];
            slot.result = std::move(result);
            slot.final = !more;
            slot.done = true;
            finalSeen = finalSeen || !more;
            changed.wakeAll();
        }
    }

    const int count;
    const int ahead;
    mutable QMutex lock;
    QWaitCondition changed;
    std::vector<Slot> results;
    std::vector<std::unique_ptr<QThread>> computing;
    int next = 0;   // the next part to start
    int taken = 0;  // parts whose results the caller took
    bool finalSeen = false;
    bool finalTaken = false;
    std::atomic<bool> stopped{false};
};

}  // namespace Nx
