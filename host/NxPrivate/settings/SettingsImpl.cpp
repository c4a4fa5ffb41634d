#include "SettingsImpl.h"

#include <NxCore/log/Logger.h>

namespace Nx {

namespace {

QSettings::Scope prepareScope(QSettings::Scope scope) {
    QString dir = qEnvironmentVariable("NX_SETTINGS_DIR");
    if (!dir.isEmpty()) {
        QSettings::setPath(QSettings::IniFormat, scope, dir + (scope == QSettings::SystemScope ? "/system" : "/user"));
    }
    return scope;
}

}  // namespace

SettingsImpl::SettingsImpl(QSettings::Scope scope)
    : settings(QSettings::IniFormat, prepareScope(scope), "Nolix", "Nolix") {
}

bool SettingsImpl::contains(const QString& key) const {
    return settings.contains(key);
}

QVariant SettingsImpl::getValue(const QString& key, const QVariant& defaultValue) const {
    return settings.value(key, defaultValue);
}

void SettingsImpl::setValue(const QString& key, const QVariant& value) {
    settings.setValue(key, value);
}

void SettingsImpl::remove(const QString& key) {
    settings.remove(key);
}

QStringList SettingsImpl::getAllKeys(const QString& path) const {
    if (path.isEmpty()) {
        return settings.allKeys();
    }
    settings.beginGroup(path);
    QStringList keys = settings.allKeys();
    settings.endGroup();
    return keys;
}

void SettingsImpl::sync() {
    settings.sync();
    if (settings.status() != QSettings::NoError) {
        coreLog.details(QString("Settings could not be written to %1").arg(settings.fileName()));
    }
}

QString SettingsImpl::fileName() const {
    return settings.fileName();
}

}  // namespace Nx
