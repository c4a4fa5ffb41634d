// A queue between one producing and one consuming thread that holds at most a fixed number of
// items: the producer waits while it is full, so a fast producer cannot fill memory. The
// consumer may close it early; the producer then learns that nobody takes its items any more.
#pragma once

#include <QMutex>
#include <QQueue>
#include <QWaitCondition>

namespace Nx {

template <typename T>
class BoundedQueue {
public:
    explicit BoundedQueue(int capacity) : capacity(capacity) {}

    // Waits while the queue is full; false (and the item dropped) once the queue is closed.
    bool push(T&& item) {
        QMutexLocker locker(&lock);
        while (items.size() >= capacity && !closed) {
            notFull.wait(&lock);
        }
        if (closed) {
            return false;
        }
        items.enqueue(std::move(item));
        notEmpty.wakeAll();
        return true;
    }

    // Waits for the next item.
    T pop() {
        QMutexLocker locker(&lock);
        while (items.isEmpty()) {
            notEmpty.wait(&lock);
        }
        T item = items.dequeue();
        notFull.wakeAll();
        return item;
    }

    // The consumer takes nothing more: a waiting or later push returns false.
    void close() {
        QMutexLocker locker(&lock);
        closed = true;
        items.clear();
        notFull.wakeAll();
    }

private:
    const int capacity;
    QMutex lock;
    QWaitCondition notEmpty;
    QWaitCondition notFull;
    QQueue<T> items;
    bool closed = false;
};

}  // namespace Nx
