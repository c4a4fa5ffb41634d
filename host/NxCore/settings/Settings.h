// A persistent key-value store of the suite (SettingsImpl in NxPrivate keeps it in QSettings).
// Keys are paths such as "task_scheduler/threads".
#pragma once

#include <QStringList>
#include <QVariant>

namespace Nx {

class Settings {
public:
    virtual ~Settings() = default;

    virtual bool contains(const QString& key) const = 0;
    virtual QVariant getValue(const QString& key, const QVariant& defaultValue = QVariant()) const = 0;
    virtual void setValue(const QString& key, const QVariant& value) = 0;
    virtual void remove(const QString& key) = 0;
    virtual QStringList getAllKeys(const QString& path = QString()) const = 0;
    // Writes pending changes to storage.
    virtual void sync() = 0;
    // Where the store lives (a file path), for messages.
    virtual QString fileName() const = 0;
};

}  // namespace Nx
