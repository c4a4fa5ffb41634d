// Process-wide set of the suite's services. Every getter may return null: a console program
// or a test fills only what it needs (AppContextImpl in NxPrivate is the one that fills it).
#pragma once

#include <QString>

namespace Nx {

class NxDataPathRegistry;
class GTestFramework;
class TaskScheduler;
class DNAAlphabetRegistry;
class DNATranslationRegistry;
class AppSettings;
class Settings;
class CMDLineRegistry;
class PluginSupport;
class ServiceRegistry;
class ResourceTracker;
class OpenCLGpuRegistry;
class MainWindow;
class ProjectLoader;

class AppContext {
public:
    virtual ~AppContext() = default;

    static NxDataPathRegistry* getDataPathRegistry() { return is ? is->dataPathRegistry : nullptr; }
    static GTestFramework* getTestFramework() { return is ? is->testFramework : nullptr; }
    static TaskScheduler* getTaskScheduler() { return is ? is->taskScheduler : nullptr; }
    static DNAAlphabetRegistry* getDNAAlphabetRegistry() { return is ? is->alphabetRegistry : nullptr; }
    static DNATranslationRegistry* getDNATranslationRegistry() { return is ? is->translationRegistry : nullptr; }
    static AppSettings* getAppSettings() { return is ? is->appSettings : nullptr; }
    // User-scope settings store.
    static Settings* getSettings() { return is ? is->userSettings : nullptr; }
    // System-scope settings store.
    static Settings* getGlobalSettings() { return is ? is->systemSettings : nullptr; }
    static CMDLineRegistry* getCMDLineRegistry() { return is ? is->cmdLineRegistry : nullptr; }
    static PluginSupport* getPluginSupport() { return is ? is->pluginSupport : nullptr; }
    static ServiceRegistry* getServiceRegistry() { return is ? is->serviceRegistry : nullptr; }
    static ResourceTracker* getResourceTracker() { return is ? is->resourceTracker : nullptr; }
    static OpenCLGpuRegistry* getOpenCLGpuRegistry() { return is ? is->openCLGpuRegistry : nullptr; }
    static MainWindow* getMainWindow() { return is ? is->mainWindow : nullptr; }
    static ProjectLoader* getProjectLoader() { return is ? is->projectLoader : nullptr; }
    static QString getWorkingDirectoryPath() { return is ? is->workingDirectoryPath : QString(); }
    static bool isGUIMode() { return is && is->guiMode; }

    static AppContext* getInstance() { return is; }

protected:
    static AppContext* is;

    NxDataPathRegistry* dataPathRegistry = nullptr;
    GTestFramework* testFramework = nullptr;
    TaskScheduler* taskScheduler = nullptr;
    DNAAlphabetRegistry* alphabetRegistry = nullptr;
    DNATranslationRegistry* translationRegistry = nullptr;
    AppSettings* appSettings = nullptr;
    Settings* userSettings = nullptr;
    Settings* systemSettings = nullptr;
    CMDLineRegistry* cmdLineRegistry = nullptr;
    PluginSupport* pluginSupport = nullptr;
    ServiceRegistry* serviceRegistry = nullptr;
    ResourceTracker* resourceTracker = nullptr;
    OpenCLGpuRegistry* openCLGpuRegistry = nullptr;
    MainWindow* mainWindow = nullptr;
    ProjectLoader* projectLoader = nullptr;
    QString workingDirectoryPath;
    bool guiMode = false;
};

}  // namespace Nx
