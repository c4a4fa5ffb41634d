// Plug-in support: loads the plug-in libraries and keeps the plug-in objects (PluginSupportImpl
// in NxPrivate is the real one).
#pragma once

#include <NxCore/plugin/Plugin.h>

#include <QList>
#include <QObject>

namespace Nx {

class PluginSupport : public QObject {
    Q_OBJECT
public:
    explicit PluginSupport(QObject* parent = nullptr) : QObject(parent) {}

    virtual QList<Plugin*> getPlugins() const = 0;
    // True once the start-up loading (and the command-line handlers it starts) is over.
    virtual bool isAllPluginsLoaded() const = 0;

Q_SIGNALS:
    void si_pluginAdded(Nx::Plugin* p);
    // The start-up plug-ins are loaded and the command-line handlers have registered their tasks.
    void si_allStartUpPluginsLoaded();
};

}  // namespace Nx
