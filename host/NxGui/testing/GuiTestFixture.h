// A windowed suite inside a test: one QApplication for the process (the platform comes from
// QT_QPA_PLATFORM, "offscreen" under CTest) and, per test, a real scheduler, project loader and
// main window in the application context, plus a fresh download folder.
#pragma once

#include <NxGui/main/MainWindow.h>
#include <NxGui/project/ProjectLoader.h>
#include <NxPrivate/core/AppContextImpl.h>
#include <NxPrivate/tasks/TaskSchedulerImpl.h>

#include <gtest/gtest.h>

#include <QApplication>
#include <QElapsedTimer>
#include <QTemporaryDir>

#include <functional>

namespace Nx {

// The process's QApplication, created on first use.
QApplication* guiTestApplication();

class GuiTestFixture : public ::testing::Test {
protected:
    void SetUp() override;
    void TearDown() override;

    // Spins the event loop until cond() holds; false after timeoutMs (a hang, not a speed limit).
    static bool waitFor(const std::function<bool()>& cond, int timeoutMs = 10000);
    // Registers t and waits for it to finish; false when it did not finish in time.
    bool runTask(Task* t, int timeoutMs = 10000);
    // Waits until no top-level task is left.
    bool waitForIdle(int timeoutMs = 10000);

    TaskSchedulerImpl* scheduler = nullptr;
    ProjectLoader* projectLoader = nullptr;
    MainWindow* mainWindow = nullptr;
    QTemporaryDir tmp;  // per test
};

}  // namespace Nx
