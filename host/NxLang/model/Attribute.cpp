#include "Attribute.h"

#include <NxLang/engine/WorkflowContext.h>
#include <NxLang/engine/WorkflowMonitor.h>
#include <NxLang/scripts/WorkflowScriptEngine.h>

#include <QCoreApplication>

namespace Nx {

Attribute::Attribute(const Descriptor& d, const DataTypePtr& type, bool required, const QVariant& defaultValue)
    : Descriptor(d), type(type), required(required), defaultValue(defaultValue), value(defaultValue) {}

QVariant Attribute::evaluate(Workflow::WorkflowContext* ctx) const {
    if (script.isEmpty()) {
        return value;
    }
    WorkflowScriptEngine localEngine;
    WorkflowScriptEngine* engine = ctx != nullptr ? ctx->getScriptEngine() : &localEngine;
    QString error;
    QVariant result = engine->evaluateAttributeScript(script, value, error);
    if (!error.isEmpty()) {
        QString msg = QCoreApplication::translate("Attribute", "Script of attribute \"%1\" failed: %2").arg(getId()).arg(error);
        if (ctx != nullptr && ctx->getMonitor() != nullptr) {
            ctx->getMonitor()->addError(msg, QString());
        }
        return QVariant();
    }
    return result;
}

}  // namespace Nx
