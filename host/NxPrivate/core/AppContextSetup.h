// The start-up and shut-down of the application context that both programs share, in a fixed
// order:
//   1. the constructor: command-line registry (the program's arguments), the system-scope and the
//      user-scope settings stores, the application settings, the resource tracker and the task
//      scheduler (on the application settings' resource pool);
//   2. startPlugins(): plug-in support (loading once the event loop runs), the service registry
//      and the OpenCL GPU registry;
//   3. stopPlugins(), after the event loop: the plug-in support, then the task scheduler;
//   4. tearDown() (run by the destructor if the program has not): stopPlugins() if not done, then
//      the resource tracker, the application settings, the user-scope and the system-scope
//      settings stores and the command-line registry.
// Each object's place in the context is cleared as it goes. What a program adds that plug-ins
// need at load time (the windowed program's project loader and main window) it makes between 1
// and 2 and deletes between 3 and 4. The service registry and the OpenCL GPU registry are never
// deleted: what plug-ins registered there may still be reached at process exit.
#pragma once

#include <QStringList>

namespace Nx {

class AppContextImpl;
class AppSettings;
class CMDLineRegistry;
class GCounter;
class ResourceTracker;
class Settings;
class TaskScheduler;
class PluginSupport;

class AppContextSetup {
public:
    // Arms the crash handler with its memory reserve; crash reports stay on this machine.
    static void armCrashHandler();
    // The start-up counter "main()->QApp::exec": the time from main() to the event loop.
    static GCounter* startUpCounter();

    AppContextSetup(AppContextImpl* context, const QStringList& arguments);
    ~AppContextSetup();
    AppContextSetup(const AppContextSetup&) = delete;
    AppContextSetup& operator=(const AppContextSetup&) = delete;

    void startPlugins();
    void stopPlugins();
    void tearDown();

    CMDLineRegistry* getCMDLineRegistry() const { return cmdLineRegistry; }
    TaskScheduler* getTaskScheduler() const { return taskScheduler; }

private:
    AppContextImpl* context;
    CMDLineRegistry* cmdLineRegistry = nullptr;
    Settings* globalSettings = nullptr;
    Settings* settings = nullptr;
    AppSettings* appSettings = nullptr;
    ResourceTracker* resourceTracker = nullptr;
    TaskScheduler* taskScheduler = nullptr;
    PluginSupport* pluginSupport = nullptr;
};

}  // namespace Nx
