// Every test of this folder runs with one QCoreApplication (created before the first test) and
// a real TaskSchedulerImpl in the application context (SchedulerFixture).
#pragma once

#include <NxCore/core/SpinEventLoop.h>
#include <NxPrivate/core/AppContextImpl.h>
#include <NxPrivate/tasks/TaskSchedulerImpl.h>

#include <gtest/gtest.h>

#include <QCoreApplication>

namespace Nx {

class SchedulerFixture : public ::testing::Test {
protected:
    void SetUp() override {
        scheduler = new TaskSchedulerImpl(nullptr);
        AppContextImpl::getApplicationContext()->setTaskScheduler(scheduler);
    }
    void TearDown() override {
        AppContextImpl::getApplicationContext()->setTaskScheduler(nullptr);
        delete scheduler;
        // Finished auto-delete tasks go with the deferred deletes.
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    }
    // Spins the event loop until cond() holds; false after timeoutMs (a hang, not a speed limit).
    template <class F>
    static bool waitFor(F cond, int timeoutMs = 20000) {
        return spinEventLoopUntil(cond, timeoutMs);
    }

    TaskSchedulerImpl* scheduler = nullptr;
};

}  // namespace Nx
