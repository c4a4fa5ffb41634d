#include "SNPReportWriterTask.h"

#include "snp_toolbox/DamageEffectEvaluator.h"
#include "snp_toolbox/VariationInfo.h"

#include <NxCore/dbi/DbiConnection.h>
#include <NxCore/dbi/DbiOperationsBlock.h>
#include <NxCore/dbi/NxDbi.h>
#include <NxCore/dbi/NxVariantDbi.h>
#include <NxCore/io/IOAdapterUtils.h>
#include <NxFormats/snp/SNPDatabaseUtils.h>

#include <limits>
#include <memory>

namespace Nx {

SNPReportWriterTask::SNPReportWriterTask(const SNPReportSettings& settings, const QList<NxVariantTrack>& tracks,
                                         const NxDbiRef& dbiRef)
    : Task(tr("Generating and writing an SNP report"), TaskFlag_None),
      settings(settings),
      tracks(tracks),
      dbiRef(dbiRef) {
}

void SNPReportWriterTask::run() {
    if (stateInfo.isCoR() || tracks.isEmpty() || !dbiRef.isValid()) {
        return;
    }
    // Declared in the order of opening, so they are released in the reverse order on every path.
    std::unique_ptr<SNPDatabase> database(SNPDatabaseUtils::openDatabase(settings.dbPath));
    if (database == nullptr) {
        setError(tr("Cannot open database file: %1").arg(settings.dbPath));
        return;
    }
    DbiConnection session(dbiRef, false, stateInfo);
    if (stateInfo.isCoR()) {
        return;
    }
    if (session.dbi == nullptr) {
        setError(tr("Dbi Session is null"));
        return;
    }
    // Both databases are only read: one read transaction each, instead of one per statement, and
    // no write lock that other runs on the same reference would wait for.
    DbiOperationsBlock databaseBlock(database->getDbiRef(), stateInfo, false);
    DbiOperationsBlock sessionBlock(dbiRef, stateInfo, false);
    if (stateInfo.isCoR()) {
        return;
    }
    QSharedPointer<DamageEffectEvaluator> evaluator(new DamageEffectEvaluator(session.dbi, database->getDbi(), true));
    stateInfo.setProgress(0);

    Tables tables;
    tables.variants = session.dbi->getVariantDbi();
    if (tables.variants == nullptr) {
        setError(tr("Variant dbi is Null"));
        return;
    }
    tables.objects = database->getDbi()->getObjectDbi();
    if (tables.objects == nullptr) {
        setError(tr("Object dbi is Null"));
        return;
    }
    tables.sequences = database->getDbi()->getSequenceDbi();
    if (tables.sequences == nullptr) {
        setError(tr("Sequence dbi is Null"));
        return;
    }
    tables.attributes = session.dbi->getAttributeDbi();
    if (tables.attributes == nullptr) {
        setError(tr("Attribute dbi is Null"));
        return;
    }

    qint64 total = 0;
    for (const NxVariantTrack& track : qAsConst(tracks)) {
        total += tables.variants->countVariants(track.id, stateInfo);
    }
    if (stateInfo.isCoR()) {
        return;
    }
    qint64 counter = 0;
    if (!writeReport(true, settings.inGeneReportPath, tables, evaluator, total, counter)) {
        return;
    }
    stateInfo.setProgress(50);
    if (!writeReport(false, settings.regulatoryReportPath, tables, evaluator, total, counter)) {
        return;
    }
    stateInfo.setProgress(100);
}

bool SNPReportWriterTask::writeReport(bool inGene, const QString& path, const Tables& tables,
                                      const QSharedPointer<DamageEffectEvaluator>& evaluator, qint64 total,
                                      qint64& counter) {
    // Opened (and emptied) up front, so a stale report of an earlier run never passes for this
    // one's; the header waits for the first row, so a report nobody belongs to stays empty.
    std::unique_ptr<IOAdapter> io(IOAdapterUtils::open(GUrl(path), stateInfo, IOAdapterMode::Write));
    if (io == nullptr) {
        return false;
    }
    bool headerPending = true;
    auto write = [&](const QString& text) { return io->writeBlock(text.toLatin1(), stateInfo); };
    const NxRegion everything(0, std::numeric_limits<qint64>::max());
    for (const NxVariantTrack& track : qAsConst(tracks)) {
        std::unique_ptr<NxDbiIterator<NxVariant>> it(
            tables.variants->getVariantsInRegion(track.id, everything, stateInfo));
        if (stateInfo.isCoR() || it == nullptr) {
            break;
        }
        const NxDataId sequenceId = !track.sequence.isEmpty()
                                        ? track.sequence
                                        : SNPDatabaseUtils::getSequenceId(track.sequenceName, tables.objects);
        while (it->hasNext() && !stateInfo.isCoR()) {
            const NxVariant variant = it->next();
            // A failed read of the reference stops the report instead of moving the variation
            // to the other one.
            const bool variantInGene = evaluator->isInGene(variant, sequenceId, stateInfo);
            if (stateInfo.isCoR()) {
                return false;
            }
            if (variantInGene != inGene) {
                continue;
            }
            ++counter;
            stateInfo.setProgress(total > 0 ? int(double(counter) * 100.0 / double(total)) : 0);
            VariationInfo info(variant, sequenceId, tables.sequences, tables.attributes, track.sequenceName);
            if (headerPending) {
                if (!write(inGene ? info.getInGeneHeader() : info.getRegulatoryHeader())) {
                    return false;
                }
                headerPending = false;
                reportFiles << path;
            }
            info.init(tables.variants, evaluator, true);
            QStringList rows = inGene ? info.getInGeneRows() : info.getRegulatoryRows();
            removeRepeatedRows(rows);
            for (const QString& row : qAsConst(rows)) {
                if (!write(row + '\n')) {
                    return false;
                }
            }
        }
    }
    io->close(stateInfo);
    return !stateInfo.isCoR();
}

void SNPReportWriterTask::removeRepeatedRows(QStringList& rows) {
    int i = 0;
    while (i < rows.size() - 1) {
        if (rows[i] == rows[i + 1]) {
            rows.removeAt(i + 1);
        } else {
            ++i;
        }
    }
}

}  // namespace Nx
