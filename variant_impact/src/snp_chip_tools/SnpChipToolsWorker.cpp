#include "SnpChipToolsWorker.h"

#include <SnpRequestKeys.h>

namespace Nx {
namespace LocalWorkflow {

SnpChipToolsWorker::SnpChipToolsWorker(Actor* a) : ScriptElementWorker(a, SnpRequestKeys::SNP_CHIP_RESULT, SnpRequestKeys::SNP_CHIP_SCRIPT) {
}

QList<QVariantMap> SnpChipToolsWorker::prepareRequests(const NxVariant& variation, const NxVariantTrack&, NxDbi*) {
    if (!variation.publicId.startsWith(QLatin1String("rs"), Qt::CaseSensitive)) {
        return {};
    }
    QVariantMap request;
    request[SnpRequestKeys::SNP_CHIP_ID] = variation.publicId;
    request[SnpRequestKeys::SNP_CHIP_UG] = true;
    return {request};
}

}  // namespace LocalWorkflow
}  // namespace Nx
