// The one AppContext of the process, with a setter for every member. Created on first use; its
// constructor makes what every program needs and no start-up program creates itself: the data
// path registry, the test framework (with the "XML" format), the DNA alphabet and translation
// registries. Those it made it deletes at its end; everything set from outside stays the
// setter's to delete.
#pragma once

#include <NxCore/core/AppContext.h>

namespace Nx {

class AppContextImpl : public AppContext {
public:
    static AppContextImpl* getApplicationContext();

    void setDataPathRegistry(NxDataPathRegistry* r) { dataPathRegistry = r; }
    void setTestFramework(GTestFramework* f) { testFramework = f; }
    void setTaskScheduler(TaskScheduler* s) { taskScheduler = s; }
    void setDNAAlphabetRegistry(DNAAlphabetRegistry* r) { alphabetRegistry = r; }
    void setDNATranslationRegistry(DNATranslationRegistry* r) { translationRegistry = r; }
    void setAppSettings(AppSettings* s) { appSettings = s; }
    // User-scope store.
    void setSettings(Settings* s) { userSettings = s; }
    // System-scope store.
    void setGlobalSettings(Settings* s) { systemSettings = s; }
    void setCMDLineRegistry(CMDLineRegistry* r) { cmdLineRegistry = r; }
    void setPluginSupport(PluginSupport* p) { pluginSupport = p; }
    void setServiceRegistry(ServiceRegistry* r) { serviceRegistry = r; }
    void setResourceTracker(ResourceTracker* t) { resourceTracker = t; }
    void setOpenCLGpuRegistry(OpenCLGpuRegistry* r) { openCLGpuRegistry = r; }
    void setMainWindow(MainWindow* w) { mainWindow = w; }
    void setProjectLoader(ProjectLoader* l) { projectLoader = l; }
    void setWorkingDirectoryPath(const QString& p) { workingDirectoryPath = p; }
    void setGUIMode(bool v) { guiMode = v; }

    ~AppContextImpl() override;

private:
    AppContextImpl();

    // What the constructor made (deleted at the end if still in place).
    NxDataPathRegistry* ownDataPathRegistry = nullptr;
    GTestFramework* ownTestFramework = nullptr;
    DNAAlphabetRegistry* ownAlphabetRegistry = nullptr;
    DNATranslationRegistry* ownTranslationRegistry = nullptr;
};

}  // namespace Nx
