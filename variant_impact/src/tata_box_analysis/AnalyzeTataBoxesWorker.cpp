#include "AnalyzeTataBoxesWorker.h"

#include "AnalyzeTataBoxesTask.h"

#include <SnpRequestKeys.h>

#include <NxCore/core/NxOpStatus.h>
#include <NxCore/dbi/NxDbi.h>
#include <NxCore/dbi/NxSequenceDbi.h>
#include <NxCore/log/Logger.h>
#include <NxCore/variation/SNPTablesUtils.h>
#include <NxFormats/snp/SNPDatabaseUtils.h>

namespace Nx {
namespace LocalWorkflow {

AnalyzeTataBoxesWorker::AnalyzeTataBoxesWorker(Actor* a) : BaseRequestForSnpWorker(a) {
}

QStringList AnalyzeTataBoxesWorker::getResultKeys() const {
    return {SnpRequestKeys::TATA_RESULT};
}

bool AnalyzeTataBoxesWorker::promoterWindow(const Gene& gene, NxRegion& window) {
    const NxRegion& r = gene.getRegion();
    if (gene.isComplemented()) {
        window = NxRegion(r.startPos + r.length + WINDOW_NEAR, WINDOW_LENGTH);
        return true;
    }
    if (r.startPos - WINDOW_FAR < 0) {
        return false;
    }
    window = NxRegion(r.startPos - WINDOW_FAR, WINDOW_LENGTH);
    return true;
}

QList<Task*> AnalyzeTataBoxesWorker::createRequestTasks(const NxVariant& variation, const NxVariantTrack& track,
                                                        NxDbi* snpDatabase) {
    QList<Task*> tasks;
    if (snpDatabase == nullptr) {
        return tasks;
    }
    NxObjectDbi* objectDbi = snpDatabase->getObjectDbi();
    NX_SAFE_POINT(objectDbi != nullptr, QString("No object DBI"), tasks);
    NxFeatureDbi* featureDbi = snpDatabase->getFeatureDbi();
    NX_SAFE_POINT(featureDbi != nullptr, QString("No feature DBI"), tasks);
    NxSequenceDbi* sequenceDbi = snpDatabase->getSequenceDbi();
    NX_SAFE_POINT(sequenceDbi != nullptr, QString("No sequence DBI"), tasks);

    const NxDataId sequenceId =
        track.sequence.isEmpty() ? SNPDatabaseUtils::getSequenceId(track.sequenceName, objectDbi) : track.sequence;
    const NxRegion region(variation.startPos, variation.regionLength());
    NxOpStatusImpl os;
    const QList<Gene> genes = SNPTablesUtils::findRegulatedGenes(sequenceId, region, featureDbi, os, QList<int>());
    if (os.isCoR()) {
        return tasks;
    }
    for (const Gene& gene : genes) {
        NxRegion window;
        if (!promoterWindow(gene, window)) {
            continue;
        }
        if (variation.startPos < window.startPos || variation.startPos >= window.startPos + WINDOW_LENGTH) {
            continue;
        }
        const QByteArray reference = sequenceDbi->getSequenceData(sequenceId, window, os);
        if (os.isCoR()) {
            return tasks;
        }
        const qint64 offset = variation.startPos - window.startPos;
        if (offset >= reference.size()) {
            // The window runs past the end of the sequence and the variation lies in the part
            // that does not exist: there is no stretch to compare.
            continue;
        }
        QByteArray variant = reference;
        variant.replace(int(offset), 1, variation.obsData);

        QVariantMap request;
        request[SnpRequestKeys::FEATURE_ID] = gene.getFeatureId();
        request[SnpRequestKeys::TATA_FIRST_SEQUENCE] = reference;
        request[SnpRequestKeys::TATA_SECOND_SEQUENCE] = variant;
        auto* task = new AnalyzeTataBoxesTask(request, variation);
        connect(task, &Task::si_stateChanged, this, &AnalyzeTataBoxesWorker::sl_taskFinished);
        tasks << task;
    }
    return tasks;
}

}  // namespace LocalWorkflow
}  // namespace Nx
