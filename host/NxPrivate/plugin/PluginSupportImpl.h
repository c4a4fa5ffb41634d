// Loads the plug-in libraries of the plug-ins folder (build/plugins beside build/bin, or
// $NX_PLUGIN_DIR), on the main thread, once the event loop runs:
//   1. every regular file of the folder, in name order: a file that is no shared library, a
//      library that cannot be loaded, one without "nolix_plugin_init", and one whose init
//      returns null are each logged by name and skipped;
//   2. the plug-in objects are kept (the libraries stay loaded until the process ends: objects
//      that plug-ins registered with the host registries still need their code);
//   3. then every command-line handler that handles the command line makes its task, which is
//      registered with the scheduler; then si_allStartUpPluginsLoaded().
// At its end it deletes the plug-in objects, the last loaded first.
#pragma once

#include <NxCore/plugin/PluginSupport.h>

#include <QStringList>

namespace Nx {

class PluginSupportImpl : public PluginSupport {
    Q_OBJECT
public:
    // loadOnStart: load the folder as soon as the event loop runs (through a start-up task
    // when there is a scheduler). Without it nothing is loaded until loadPlugins() is called.
    explicit PluginSupportImpl(bool loadOnStart, QObject* parent = nullptr);
    ~PluginSupportImpl() override;

    QList<Plugin*> getPlugins() const override { return plugins; }
    bool isAllPluginsLoaded() const override { return allLoaded; }

    static QString defaultPluginDir();
    // Loads one library file; the plug-in on success, else null with the reason logged.
    Plugin* loadPlugin(const QString& filePath);
    // Loads every file of the folder (step 1 and 2 above); returns how many plug-ins came.
    int loadPluginsFromDir(const QString& dir);
    // Steps 1 to 3 for the default folder, now.
    void loadPlugins();

private:
    void startCommandLineHandlers();

    QList<Plugin*> plugins;  // owned, load order
    QStringList loadedFiles; // absolute paths of the libraries the plug-ins came from
    bool allLoaded = false;
    bool loadingStarted = false;
};

}  // namespace Nx
