// A plug-in object, returned by the library's exported "nolix_plugin_init" and owned by the
// plug-in support from then on. What a plug-in contributes it registers in its constructor.
#pragma once

#include <QObject>
#include <QString>

namespace Nx {

class Plugin : public QObject {
    Q_OBJECT
public:
    Plugin(const QString& name, const QString& description) : name(name), description(description) {}

    const QString& getName() const { return name; }
    const QString& getDescription() const { return description; }

private:
    QString name;         // display name
    QString description;  // one sentence for the user
};

}  // namespace Nx

// The one exported C function of a plug-in library; returns a new plug-in or null.
typedef Nx::Plugin* (*NX_PLUGIN_INIT_FUNC)();
#define NX_PLUGIN_INIT_FUNC_NAME "nolix_plugin_init"

#define NX_PLUGIN_EXPORT extern "C" Q_DECL_EXPORT
