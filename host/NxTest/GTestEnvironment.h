// Variables of a test run ("TEMP_DATA_DIR", "COMMON_DATA_DIR", ...) that test elements read.
#pragma once

#include <QMap>
#include <QString>

namespace Nx {

class GTestEnvironment {
public:
    GTestEnvironment() = default;
    explicit GTestEnvironment(const QMap<QString, QString>& v) : vars(v) {}

    // Empty text for an unknown variable.
    QString getVar(const QString& name) const { return vars.value(name); }
    void setVar(const QString& name, const QString& value) { vars[name] = value; }
    bool containsVar(const QString& name) const { return vars.contains(name); }
    const QMap<QString, QString>& getVars() const { return vars; }

private:
    QMap<QString, QString> vars;
};

}  // namespace Nx
