#include "WorkflowScriptEngine.h"

#include <NxCore/log/Logger.h>

#include <QFileInfo>
#include <QScriptContext>

namespace Nx {

WorkflowScriptEngine::WorkflowScriptEngine(QObject* parent) : QScriptEngine(parent) {
    WorkflowScriptLibrary::initEngine(this);
}

QVariant WorkflowScriptEngine::evaluateAttributeScript(const AttributeScript& script, const QVariant& storedValue,
                                                       QString& error) {
    QScriptContext* ctx = pushContext();
    QScriptValue scope = ctx->activationObject();
    scope.setProperty(QStringLiteral("value"), toScriptValue(storedValue));
    const QMap<QString, QVariant>& vars = script.getScriptVars();
    for (auto it = vars.begin(); it != vars.end(); ++it) {
        scope.setProperty(it.key(), toScriptValue(it.value()));
    }
    QScriptValue result = evaluate(script.getScriptText());
    QVariant out;
    if (hasUncaughtException()) {
        error = QString("%1 at line %2").arg(uncaughtException().toString()).arg(uncaughtExceptionLineNumber());
        clearExceptions();
    } else if (!result.isUndefined() && !result.isNull()) {
        out = result.isNumber() && result.toNumber() == qint64(result.toNumber()) ? QVariant(qint64(result.toNumber()))
                                                                                   : result.toVariant();
    }
    popContext();
    return out;
}

static QScriptValue printFn(QScriptContext* ctx, QScriptEngine*) {
    QStringList parts;
    for (int i = 0; i < ctx->argumentCount(); i++) {
        parts << ctx->argument(i).toString();
    }
    scriptLog.info(parts.join(' '));
    return QScriptValue();
}

static QScriptValue basenameFn(QScriptContext* ctx, QScriptEngine*) {
    return QScriptValue(QFileInfo(ctx->argument(0).toString()).completeBaseName());
}

static QScriptValue dirnameFn(QScriptContext* ctx, QScriptEngine*) {
    return QScriptValue(QFileInfo(ctx->argument(0).toString()).path());
}

void WorkflowScriptLibrary::initEngine(QScriptEngine* engine) {
    QScriptValue g = engine->globalObject();
    g.setProperty(QStringLiteral("print"), engine->newFunction(printFn));
    g.setProperty(QStringLiteral("basename"), engine->newFunction(basenameFn));
    g.setProperty(QStringLiteral("dirname"), engine->newFunction(dirnameFn));
}

}  // namespace Nx
