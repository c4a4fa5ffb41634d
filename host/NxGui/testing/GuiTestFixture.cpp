#include "GuiTestFixture.h"

#include <NxCore/core/SpinEventLoop.h>

#include <QPointer>

namespace Nx {

QApplication* guiTestApplication() {
    static int argc = 1;
    static char name[] = "nx_gui_test";
    static char* argv[] = {name, nullptr};
    // Never deleted: widgets of static objects may outlive main().
    static QApplication* app = new QApplication(argc, argv);
    return app;
}

void GuiTestFixture::SetUp() {
    guiTestApplication();
    ASSERT_TRUE(tmp.isValid());
    qputenv("NX_DOWNLOAD_DIR", (tmp.path() + "/downloads").toUtf8());
    AppContextImpl* ctx = AppContextImpl::getApplicationContext();
    scheduler = new TaskSchedulerImpl(nullptr);
    ctx->setTaskScheduler(scheduler);
    projectLoader = new ProjectLoader();
    ctx->setProjectLoader(projectLoader);
    mainWindow = new MainWindow(projectLoader->getProject());
    ctx->setMainWindow(mainWindow);
}

void GuiTestFixture::TearDown() {
    AppContextImpl* ctx = AppContextImpl::getApplicationContext();
    waitForIdle(5000);
    ctx->setMainWindow(nullptr);
    delete mainWindow;
    ctx->setTaskScheduler(nullptr);
    delete scheduler;
    ctx->setProjectLoader(nullptr);
    delete projectLoader;
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    qunsetenv("NX_DOWNLOAD_DIR");
}

bool GuiTestFixture::waitFor(const std::function<bool()>& cond, int timeoutMs) {
    return spinEventLoopUntil(cond, timeoutMs);
}

bool GuiTestFixture::runTask(Task* t, int timeoutMs) {
    t->setFlag(TaskFlag_NoAutoDelete);
    scheduler->registerTopLevelTask(t);
    return waitFor([t] { return t->isFinished(); }, timeoutMs);
}

bool GuiTestFixture::waitForIdle(int timeoutMs) {
    return waitFor([this] { return scheduler == nullptr || scheduler->getTopLevelTasks().isEmpty(); }, timeoutMs);
}

}  // namespace Nx
