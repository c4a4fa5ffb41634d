// QtScript engine for attribute scripts, with the helper functions of WorkflowScriptLibrary.
// One engine serves a whole run (main thread only); each evaluation gets its own scope.
#pragma once

#include <NxLang/model/AttributeScript.h>

#include <QScriptEngine>

namespace Nx {

class WorkflowScriptEngine : public QScriptEngine {
    Q_OBJECT
public:
    explicit WorkflowScriptEngine(QObject* parent = nullptr);

    // Runs the script with its variables and the attribute's stored value as "value"; the last
    // expression is the result. error gets "message at line N" on failure.
    QVariant evaluateAttributeScript(const AttributeScript& script, const QVariant& storedValue, QString& error);
};

class WorkflowScriptLibrary {
public:
    // Adds print(...) (to the "Scripts" log), basename(path) and dirname(path).
    static void initEngine(QScriptEngine* engine);
};

}  // namespace Nx
