// A settings store over QSettings in INI format, in the system scope (shared by all users,
// usually read-only for them) or the user scope. $NX_SETTINGS_DIR, when set, moves both scopes
// there (tests, portable installs).
#pragma once

#include <NxCore/settings/Settings.h>

#include <QSettings>

namespace Nx {

class SettingsImpl : public Settings {
public:
    explicit SettingsImpl(QSettings::Scope scope);

    bool contains(const QString& key) const override;
    QVariant getValue(const QString& key, const QVariant& defaultValue = QVariant()) const override;
    void setValue(const QString& key, const QVariant& value) override;
    void remove(const QString& key) override;
    QStringList getAllKeys(const QString& path = QString()) const override;
    void sync() override;
    QString fileName() const override;

private:
    mutable QSettings settings;
};

}  // namespace Nx
