// A script that computes an attribute's value when a worker reads it. Its variables are the
// slots of the message the worker took last (set by BaseWorker::getMessageAndSetupScriptValues).
#pragma once

#include <QMap>
#include <QString>
#include <QVariant>

namespace Nx {

class AttributeScript {
public:
    AttributeScript() = default;
    explicit AttributeScript(const QString& text) : text(text) {}

    bool isEmpty() const { return text.trimmed().isEmpty(); }
    const QString& getScriptText() const { return text; }
    void setScriptText(const QString& t) { text = t; }

    const QMap<QString, QVariant>& getScriptVars() const { return vars; }
    void setScriptVar(const QString& name, const QVariant& value) { vars[name] = value; }
    void clearScriptVars() { vars.clear(); }

private:
    QString text;                  // QtScript source; its last expression is the value
    QMap<QString, QVariant> vars;  // variable name -> value visible to the script
};

}  // namespace Nx
