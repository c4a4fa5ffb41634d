#include "PluginSupportImpl.h"

#include <NxCore/cmdline/CMDLineRegistry.h>
#include <NxCore/core/AppContext.h>
#include <NxCore/log/Logger.h>
#include <NxCore/tasks/TaskScheduler.h>

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QLibrary>
#include <QTimer>

namespace Nx {

namespace {

// The loading as a task, so that it shows in the scheduler like every other start-up work.
// It works in prepare(): plug-in constructors must run on the main thread.
class LoadAllPluginsTask : public Task {
public:
    explicit LoadAllPluginsTask(PluginSupportImpl* ps)
        : Task(QObject::tr("Loading start-up plug-ins"), TaskFlag_NoRun), ps(ps) {}
    void prepare() override { ps->loadPlugins(); }

private:
    PluginSupportImpl* ps;  // outlives the task: it is deleted only after the loop ends
};

}  // namespace

PluginSupportImpl::PluginSupportImpl(bool loadOnStart, QObject* parent) : PluginSupport(parent) {
    if (!loadOnStart) {
        return;
    }
    QTimer::singleShot(0, this, [this] {
        if (loadingStarted) {
            return;
        }
        if (TaskScheduler* ts = AppContext::getTaskScheduler()) {
            ts->registerTopLevelTask(new LoadAllPluginsTask(this));
        } else {
            loadPlugins();
        }
    });
}

PluginSupportImpl::~PluginSupportImpl() {
    while (!plugins.isEmpty()) {
        delete plugins.takeLast();
    }
}

QString PluginSupportImpl::defaultPluginDir() {
    QString env = qEnvironmentVariable("NX_PLUGIN_DIR");
    if (!env.isEmpty()) {
        return QDir::cleanPath(QFileInfo(env).absoluteFilePath());
    }
    QString appDir = QCoreApplication::instance() ? QCoreApplication::applicationDirPath() : QDir::currentPath();
    return QDir::cleanPath(appDir + "/../plugins");
}

Plugin* PluginSupportImpl::loadPlugin(const QString& filePath) {
    QFileInfo fi(filePath);
    QString path = fi.absoluteFilePath();
    if (!QLibrary::isLibrary(path)) {
        coreLog.details(QString("Skipping %1: not a shared library").arg(path));
        return nullptr;
    }
    if (loadedFiles.contains(path)) {
        coreLog.details(QString("Skipping %1: already loaded").arg(path));
        return nullptr;
    }
    QLibrary lib(path);
    if (!lib.load()) {
        coreLog.error(QString("Skipping %1: cannot be loaded: %2").arg(path, lib.errorString()));
        return nullptr;
    }
    auto init = reinterpret_cast<NX_PLUGIN_INIT_FUNC>(lib.resolve(NX_PLUGIN_INIT_FUNC_NAME));
    if (init == nullptr) {
        coreLog.error(QString("Skipping %1: no function %2 in the library").arg(path, NX_PLUGIN_INIT_FUNC_NAME));
        lib.unload();
        return nullptr;
    }
    Plugin* p = nullptr;
    try {
        p = init();
    } catch (...) {
        coreLog.error(QString("Skipping %1: %2 failed with an exception").arg(path, NX_PLUGIN_INIT_FUNC_NAME));
        return nullptr;
    }
    if (p == nullptr) {
        // Not unloaded: the init may have registered objects before it gave up.
        coreLog.details(QString("Skipping %1: %2 returned no plug-in").arg(path, NX_PLUGIN_INIT_FUNC_NAME));
        return nullptr;
    }
    plugins.append(p);
    loadedFiles.append(path);
    coreLog.details(QString("Plug-in loaded: %1 (%2)").arg(p->getName(), fi.fileName()));
    Q_EMIT si_pluginAdded(p);
    return p;
}

int PluginSupportImpl::loadPluginsFromDir(const QString& dirPath) {
    QDir dir(dirPath);
    if (!dir.exists()) {
        coreLog.details(QString("Plug-in folder %1 does not exist: no plug-ins loaded").arg(dirPath));
        return 0;
    }
    int n = 0;
    const QFileInfoList files = dir.entryInfoList(QDir::Files | QDir::NoDotAndDotDot, QDir::Name);
    for (const QFileInfo& fi : files) {
        n += loadPlugin(fi.absoluteFilePath()) != nullptr ? 1 : 0;
    }
    return n;
}

void PluginSupportImpl::loadPlugins() {
    if (loadingStarted) {
        return;
    }
    loadingStarted = true;
    QString dir = defaultPluginDir();
    int n = loadPluginsFromDir(dir);
    coreLog.details(QString("%1 plug-in(s) loaded from %2").arg(n).arg(dir));
    startCommandLineHandlers();
    allLoaded = true;
    Q_EMIT si_allStartUpPluginsLoaded();
}

void PluginSupportImpl::startCommandLineHandlers() {
    CMDLineRegistry* reg = AppContext::getCMDLineRegistry();
    if (reg == nullptr) {
        return;
    }
    TaskScheduler* ts = AppContext::getTaskScheduler();
    for (CMDLineHandler* h : reg->getCMDLineHandlers()) {
        if (!h->handles(*reg)) {
            continue;
        }
        Task* t = h->createTask(*reg);
        if (t == nullptr) {
            continue;
        }
        if (ts == nullptr) {
            coreLog.error(QString("No task scheduler to run the task of '--%1'").arg(h->getName()));
            delete t;
            continue;
        }
        ts->registerTopLevelTask(t);
    }
}

}  // namespace Nx
