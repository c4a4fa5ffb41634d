// Worker of "snp-chip-tools": one request to "SNPChIPTools.py" for every variation whose public
// identifier begins with the lower-case "rs", none for any other. Needs no database; the answer
// is stored as "SNP_CHIP" on the variation.
#pragma once

#include <ScriptElementWorker.h>

namespace Nx {
namespace LocalWorkflow {

class SnpChipToolsWorker : public ScriptElementWorker {
    Q_OBJECT
public:
    explicit SnpChipToolsWorker(Actor* a);

protected:
    QList<QVariantMap> prepareRequests(const NxVariant& variation, const NxVariantTrack& track, NxDbi* snpDatabase) override;
};

}  // namespace LocalWorkflow
}  // namespace Nx
