#include "VOZAdarovaTask.h"

#include "DamageEffectEvaluator.h"

#include <NxCore/dbi/DbiConnection.h>
#include <NxCore/dbi/DbiOperationsBlock.h>
#include <NxFormats/snp/SNPDatabaseUtils.h>

#include <memory>

namespace Nx {

VOZAdarovaTask::VOZAdarovaTask(const QString& dbPath, const NxVariantTrack& track, const NxDbiRef& sessionRef)
    : Task("VOZAdarova variations annotation", TaskFlag_None), dbPath(dbPath), track(track), sessionRef(sessionRef) {
}

void VOZAdarovaTask::run() {
    if (stateInfo.isCoR() || !track.hasValidId() || !sessionRef.isValid()) {
        return;
    }
    // Declared in the order of opening; C++ closes them in the reverse order: the evaluator, the
    // reference block, the workflow connection, the reference database.
    std::unique_ptr<SNPDatabase> database(SNPDatabaseUtils::openDatabase(dbPath));
    if (database == nullptr) {
        setError(tr("Cannot open database file: %1").arg(dbPath));
        return;
    }
    NxDbi* databaseDbi = database->getDbi();
    // The workflow database must already exist: it holds the track.
    DbiConnection session(sessionRef, false, stateInfo);
    if (stateInfo.isCoR()) {
        return;
    }
    if (session.dbi == nullptr) {
        setError(tr("Dbi Session is null"));
        return;
    }
    stateInfo.setProgress(0);
    // The reference is only read: one read transaction gives a consistent view and takes no
    // write lock, so any number of runs share it. The workflow database gets no block for the
    // track: its tables commit each buffered batch on their own, so the attribute writes of the
    // elements downstream (on other tracks, at the same time) wait at most one batch, never a
    // whole track.
    DbiOperationsBlock databaseBlock(database->getDbiRef(), stateInfo, false);
    DamageEffectEvaluator evaluator(session.dbi, databaseDbi, true);
    evaluator.annotateTracks({track}, DamageEffectEvaluator::Mode_All, stateInfo);
    stateInfo.setProgress(100);
}

}  // namespace Nx
