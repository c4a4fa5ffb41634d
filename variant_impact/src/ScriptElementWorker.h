// What the five script elements share: each stores one result key and runs one script of the
// data folder's snp_scripts/; an element states only these two and its requests.
#pragma once

#include "BaseRequestForSnpWorker.h"

namespace Nx {
namespace LocalWorkflow {

class ScriptElementWorker : public BaseRequestForSnpWorker {
    Q_OBJECT
public:
    ScriptElementWorker(Actor* a, const QString& resultKey, const QString& scriptName)
        : BaseRequestForSnpWorker(a), resultKey(resultKey), scriptName(scriptName) {}

protected:
    QStringList getResultKeys() const override { return {resultKey}; }
    QString getScriptName() const override { return scriptName; }

private:
    QString resultKey;
    QString scriptName;
};

}  // namespace LocalWorkflow
}  // namespace Nx
