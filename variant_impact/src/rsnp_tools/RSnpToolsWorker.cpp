#include "RSnpToolsWorker.h"

#include "RSnpToolsWorkerFactory.h"

#include <SnpRequestKeys.h>

#include <NxCore/core/NxOpStatus.h>
#include <NxCore/dbi/NxDbi.h>
#include <NxCore/dbi/NxSequenceDbi.h>
#include <NxCore/log/Logger.h>
#include <NxFormats/snp/SNPDatabaseUtils.h>

#include <algorithm>

namespace Nx {
namespace LocalWorkflow {

RSnpToolsWorker::RSnpToolsWorker(Actor* a) : ScriptElementWorker(a, SnpRequestKeys::RSNP_RESULT, SnpRequestKeys::RSNP_SCRIPT) {
}

NxRegion RSnpToolsWorker::windowRegion(qint64 position) {
    const qint64 start = std::max<qint64>(0, position - FLANK);
    return NxRegion(start, position + FLANK + 1 - start);
}

QByteArray RSnpToolsWorker::readWindow(const NxVariant& variation, const NxVariantTrack& track, NxDbi* snpDatabase) {
    NX_SAFE_POINT(snpDatabase != nullptr, QString("No database dbi"), QByteArray());
    NxSequenceDbi* sequenceDbi = snpDatabase->getSequenceDbi();
    NX_SAFE_POINT(sequenceDbi != nullptr, QString("No sequence dbi"), QByteArray());
    NxObjectDbi* objectDbi = snpDatabase->getObjectDbi();
    NX_SAFE_POINT(objectDbi != nullptr, QString("No object dbi"), QByteArray());
    const NxDataId sequenceId =
        track.sequence.isEmpty() ? SNPDatabaseUtils::getSequenceId(track.sequenceName, objectDbi) : track.sequence;
    NxOpStatusImpl os;
    const QByteArray window = sequenceDbi->getSequenceData(sequenceId, windowRegion(variation.startPos), os);
    return os.isCoR() ? QByteArray() : window;
}

QList<QVariantMap> RSnpToolsWorker::prepareRequests(const NxVariant& variation, const NxVariantTrack& track,
                                                    NxDbi* snpDatabase) {
    const QByteArray window = readWindow(variation, track, snpDatabase);
    if (window.isEmpty()) {
        return {};
    }
    const qint64 offset = variation.startPos - windowRegion(variation.startPos).startPos;
    if (offset >= window.size()) {
        // The variation lies past the end of the stored sequence: nothing to compare.
        return {};
    }
    QByteArray second = window;
    second.replace(int(offset), 1, variation.obsData);

    QVariantMap request;
    request[SnpRequestKeys::RSNP_FIRST_SEQUENCE] = QString::fromLatin1(window);
    request[SnpRequestKeys::RSNP_SECOND_SEQUENCE] = QString::fromLatin1(second);
    request[SnpRequestKeys::RSNP_FIRST_SITE_STATE] = getValue<int>(RSnpToolsWorkerFactory::FIRST_SITE_STATE_ATTR);
    request[SnpRequestKeys::RSNP_SECOND_SITE_STATE] = getValue<int>(RSnpToolsWorkerFactory::SECOND_SITE_STATE_ATTR);
    request[SnpRequestKeys::RSNP_SIGNIFICANCE] = getValue<int>(RSnpToolsWorkerFactory::SNP_SIGNIFICANCE_ATTR);
    return {request};
}

}  // namespace LocalWorkflow
}  // namespace Nx
