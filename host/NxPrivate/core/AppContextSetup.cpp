#include "AppContextSetup.h"

#include <NxAlgorithm/opencl/OpenCLGpuRegistry.h>
#include <NxCore/cmdline/CMDLineRegistry.h>
#include <NxCore/counters/GCounter.h>
#include <NxCore/counters/TimeCounter.h>
#include <NxCore/resource/ResourceTracker.h>
#include <NxPrivate/core/AppContextImpl.h>
#include <NxPrivate/crash/CrashHandler.h>
#include <NxPrivate/plugin/PluginSupportImpl.h>
#include <NxPrivate/service/ServiceRegistryImpl.h>
#include <NxPrivate/settings/AppSettingsImpl.h>
#include <NxPrivate/settings/SettingsImpl.h>
#include <NxPrivate/tasks/TaskSchedulerImpl.h>

namespace Nx {

void AppContextSetup::armCrashHandler() {
    CrashHandler::setupHandler();
    CrashHandler::preallocateReservedSpace();
    CrashHandler::sendCrashReports = false;
}

GCounter* AppContextSetup::startUpCounter() {
    static GCounter counter("main()->QApp::exec", TimeCounter::timeSuffix(), TimeCounter::frequency());
    return &counter;
}

AppContextSetup::AppContextSetup(AppContextImpl* ctx, const QStringList& arguments) : context(ctx) {
    cmdLineRegistry = new CMDLineRegistry(arguments);
    context->setCMDLineRegistry(cmdLineRegistry);

    globalSettings = new SettingsImpl(QSettings::SystemScope);
    context->setGlobalSettings(globalSettings);

    settings = new SettingsImpl(QSettings::UserScope);
    context->setSettings(settings);

    appSettings = new AppSettingsImpl();
    context->setAppSettings(appSettings);

    resourceTracker = new ResourceTracker();
    context->setResourceTracker(resourceTracker);

    taskScheduler = new TaskSchedulerImpl(appSettings->getAppResourcePool());
    context->setTaskScheduler(taskScheduler);
}

void AppContextSetup::startPlugins() {
    pluginSupport = new PluginSupportImpl(true);
    context->setPluginSupport(pluginSupport);

    context->setServiceRegistry(new ServiceRegistryImpl());
    context->setOpenCLGpuRegistry(new OpenCLGpuRegistry());
}

namespace {

// Deletes the object, then clears its place in the context (the order the programs have always
// kept: an object's end may still find itself there).
template <class T, class U>
void deleteThenClear(T*& object, AppContextImpl* context, void (AppContextImpl::*setter)(U*)) {
    delete object;
    (context->*setter)(nullptr);
    object = nullptr;
}

}  // namespace

void AppContextSetup::stopPlugins() {
    // The plug-ins go while the scheduler still stands: their objects may still hold its tasks.
    deleteThenClear(pluginSupport, context, &AppContextImpl::setPluginSupport);
    deleteThenClear(taskScheduler, context, &AppContextImpl::setTaskScheduler);
}

AppContextSetup::~AppContextSetup() {
    tearDown();
}

void AppContextSetup::tearDown() {
    stopPlugins();
    deleteThenClear(resourceTracker, context, &AppContextImpl::setResourceTracker);

    // Its place is cleared first: its end removes the process's temporary folder, and nothing
    // may look the settings up through the context while that runs.
    context->setAppSettings(nullptr);
    delete appSettings;
    appSettings = nullptr;

    deleteThenClear(settings, context, &AppContextImpl::setSettings);
    deleteThenClear(globalSettings, context, &AppContextImpl::setGlobalSettings);
    deleteThenClear(cmdLineRegistry, context, &AppContextImpl::setCMDLineRegistry);
}

}  // namespace Nx
