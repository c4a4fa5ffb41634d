#include "SNPReportWriterTask.h"

#include <NxCore/io/ReplacedFile.h>

#include <QDir>
#include <QFileInfo>

#include "ReportConnections.h"
#include "annotated_vcf/SharedVcfEntries.h"
#include "snp_toolbox/DamageEffectEvaluator.h"
#include "snp_toolbox/VariationInfo.h"

#include <NxCore/dbi/NxDbi.h>
#include <NxCore/dbi/NxVariantDbi.h>
#include <NxCore/io/IOAdapterUtils.h>
#include <NxFormats/snp/SNPDatabaseUtils.h>

#include <QThread>

#include <limits>
#include <memory>

namespace Nx {

namespace {

// Parts per thread: enough for threads that finish early to take over work from slow ones.
const int PARTS_PER_THREAD = 16;

}  // namespace

SNPReportWriterTask::SNPReportWriterTask(const SNPReportSettings& settings, const QList<NxVariantTrack>& tracks,
                                         const NxDbiRef& dbiRef)
    : Task(tr("Generating and writing an SNP report"), TaskFlag_None),
      settings(settings),
      tracks(tracks),
      dbiRef(dbiRef),
      readThreads(qBound(1, QThread::idealThreadCount(), 8)) {
}

bool SNPReportWriterTask::takeTables(NxDbi* session, NxDbi* database, Tables& tables, NxOpStatus& os) {
    tables.variants = session->getVariantDbi();
    if (tables.variants == nullptr) {
        os.setError(tr("Variant dbi is Null"));
        return false;
    }
    tables.objects = database->getObjectDbi();
    if (tables.objects == nullptr) {
        os.setError(tr("Object dbi is Null"));
        return false;
    }
    tables.sequences = database->getSequenceDbi();
    if (tables.sequences == nullptr) {
        os.setError(tr("Sequence dbi is Null"));
        return false;
    }
    tables.attributes = session->getAttributeDbi();
    if (tables.attributes == nullptr) {
        os.setError(tr("Attribute dbi is Null"));
        return false;
    }
    return true;
}

NxDataId SNPReportWriterTask::sequenceOf(const NxVariantTrack& track, const Tables& tables) {
    return !track.sequence.isEmpty() ? track.sequence : SNPDatabaseUtils::getSequenceId(track.sequenceName, tables.objects);
}

QString SNPReportWriterTask::headerOf(bool inGene) {
    VariationInfo info(NxVariant(), NxDataId(), nullptr, nullptr, QString());
    return inGene ? info.getInGeneHeader() : info.getRegulatoryHeader();
}

void SNPReportWriterTask::run() {
    // However the run ends, the annotated-VCF writer waits for no more entries from here.
    struct Closer {
        SharedVcfEntries* entries;
        ~Closer() {
            if (entries != nullptr) {
                entries->close();
            }
        }
    } closer{vcfEntries.get()};
    if (stateInfo.isCoR() || tracks.isEmpty() || !dbiRef.isValid()) {
        return;
    }
    ReportConnections connections;
    if (!connections.open(settings.dbPath, dbiRef, stateInfo)) {
        return;
    }
    const Tables& tables = connections.tables;
    const QSharedPointer<DamageEffectEvaluator>& evaluator = connections.evaluator;
    stateInfo.setProgress(0);

    QList<NxDataId> trackIds;
    for (const NxVariantTrack& track : qAsConst(tracks)) {
        trackIds << track.id;
    }
    const qint64 total = tables.variants->countVariants(trackIds, stateInfo);
    if (stateInfo.isCoR()) {
        return;
    }
    const QList<SNPReportParallelReader::Part> parts = planParts(tables, total);
    if (stateInfo.isCoR()) {
        return;
    }
    std::unique_ptr<SNPReportParallelReader> parallel;
    if (!parts.isEmpty()) {
        if (vcfEntries != nullptr) {
            QList<SharedVcfEntries::Part> planned;
            for (const SNPReportParallelReader::Part& part : parts) {
                planned << SharedVcfEntries::Part{tracks[part.track].id, part.region};
            }
            vcfEntries->plan(planned);
        }
        parallel.reset(new SNPReportParallelReader(settings, tracks, dbiRef, parts, readThreads, temporaryFolder));
        parallel->setVcfEntries(vcfEntries);
    } else if (vcfEntries != nullptr) {
        // One reader reads each pass apart: the annotated-VCF writer computes its own entries.
        vcfEntries->close();
    }
    // Both reports are written beside their targets under temporary names and replace them
    // only when both are complete: a failed, canceled or killed run leaves the previous reports.
    for (const QString& report : {settings.inGeneReportPath, settings.regulatoryReportPath}) {
        // A report folder that is not there yet is made, as the run's checks promise.
        const QString folder = QFileInfo(report).absolutePath();
        if (!QDir().mkpath(folder)) {
            stateInfo.setError(tr("Cannot create the folder %1 for the report %2").arg(folder, report));
            return;
        }
    }
    ReplacedFile inGene(settings.inGeneReportPath);
    ReplacedFile regulatory(settings.regulatoryReportPath);
    qint64 counter = 0;
    if (!writeReport(true, inGene, tables, evaluator, parallel.get(), total, counter)) {
        return;
    }
    stateInfo.setProgress(50);
    if (!writeReport(false, regulatory, tables, evaluator, parallel.get(), total, counter)) {
        return;
    }
    if (!inGene.commit(stateInfo) || !regulatory.commit(stateInfo)) {
        return;
    }
    stateInfo.setProgress(100);
}

QList<SNPReportParallelReader::Part> SNPReportWriterTask::planParts(const Tables& tables, qint64 total) {
    if (readThreads < 2) {
        return {};
    }
    if (minPart < 1 || total < 2 * minPart) {
        return {};
    }
    const qint64 perPart = qMax(minPart, total / (qint64(readThreads) * PARTS_PER_THREAD));
    QList<SNPReportParallelReader::Part> parts;
    for (int t = 0; t < tracks.size(); ++t) {
        const QList<NxRegion> regions = tables.variants->splitTrack(tracks[t].id, perPart, stateInfo);
        if (stateInfo.isCoR()) {
            return {};
        }
        for (const NxRegion& region : regions) {
            parts << SNPReportParallelReader::Part{t, region};
        }
    }
    return parts.size() > 1 ? parts : QList<SNPReportParallelReader::Part>();
}

bool SNPReportWriterTask::storedTrackOf(const NxVariantTrack& track, const Tables& tables, NxVariantTrack& stored) {
    NxOpStatusImpl os;
    stored = tables.variants->getVariantTrack(track.id, os);
    return !os.hasError();
}

bool SNPReportWriterTask::writeVariation(bool inGene, const NxVariant& variant, const NxVariantTrack& track,
                                         const NxVariantTrack* storedTrack, const NxDataId& sequenceId,
                                         const Tables& tables,
                                         const QSharedPointer<DamageEffectEvaluator>& evaluator,
                                         const std::function<bool()>& opened,
                                         const std::function<bool(const QString&)>& writeRow) {
    return writeVariation(inGene, variant, track, storedTrack, sequenceId, tables, evaluator, opened, writeRow,
                          SeenVariation());
}

bool SNPReportWriterTask::writeVariation(bool inGene, const NxVariant& variant, const NxVariantTrack& track,
                                         const NxVariantTrack* storedTrack, const NxDataId& sequenceId,
                                         const Tables& tables,
                                         const QSharedPointer<DamageEffectEvaluator>& evaluator,
                                         const std::function<bool()>& opened,
                                         const std::function<bool(const QString&)>& writeRow,
                                         const SeenVariation& seen) {
    if (!opened()) {
        return false;
    }
    // Most variations outside genes are far from every promoter: no rows, and nothing to look up.
    if (!inGene && !evaluator.isNull() && evaluator->hasNoRegulatoryRows(variant, sequenceId)) {
        if (seen) {
            seen(nullptr, QStringList());
        }
        return true;
    }
    VariationInfo info(variant, sequenceId, tables.sequences, tables.attributes, track.sequenceName);
    // The variations were read by their track's id: that is the track the look-up would find.
    if (storedTrack != nullptr) {
        info.init(*storedTrack, evaluator, true);
    } else {
        info.init(tables.variants, evaluator, true);
    }
    QStringList rows = inGene ? info.getInGeneRows() : info.getRegulatoryRows();
    if (seen) {
        seen(&info, rows);
    }
    removeRepeatedRows(rows);
    for (const QString& row : qAsConst(rows)) {
        if (!writeRow(row)) {
            return false;
        }
    }
    return true;
}

bool SNPReportWriterTask::writeReport(bool inGene, const ReplacedFile& file, const Tables& tables,
                                      const QSharedPointer<DamageEffectEvaluator>& evaluator,
                                      SNPReportParallelReader* parallel, qint64 total, qint64& counter) {
    // Opened up front, so a report that cannot be written stops the run before anything is read;
    // the header waits for the first variation, so a report nobody belongs to stays empty.
    const QString& path = file.getTargetPath();
    std::unique_ptr<IOAdapter> io(IOAdapterUtils::open(GUrl(file.getTemporaryPath()), stateInfo, IOAdapterMode::Write));
    if (io == nullptr) {
        return false;
    }
    bool headerPending = true;
    auto writeHeader = [&]() {
        if (!headerPending) {
            return true;
        }
        if (!io->writeBlock(headerOf(inGene).toLatin1(), stateInfo)) {
            return false;
        }
        headerPending = false;
        reportFiles << path;
        return true;
    };
    // std::function once, not one converted from a lambda for every variation.
    const std::function<bool()> opened = [&]() {
        ++counter;
        stateInfo.setProgress(total > 0 ? int(double(counter) * 100.0 / double(total)) : 0);
        return writeHeader();
    };
    const std::function<bool(const QString&)> writeRow = [&](const QString& row) {
        QByteArray line = row.toLatin1();
        line += '\n';
        return io->writeBlock(line, stateInfo);
    };
    // One reader, this thread: the variations of a track whose start lies in the region.
    auto readHere = [&](const NxVariantTrack& track, const NxRegion& region) {
        std::unique_ptr<NxDbiIterator<NxVariant>> it(tables.variants->getVariantsInRegion(track.id, region, stateInfo));
        if (stateInfo.isCoR() || it == nullptr) {
            return false;
        }
        const NxDataId sequenceId = sequenceOf(track, tables);
        NxVariantTrack stored;
        const NxVariantTrack* storedTrack = storedTrackOf(track, tables, stored) ? &stored : nullptr;
        while (it->hasNext() && !stateInfo.isCoR()) {
            const NxVariant variant = it->next();
            // A failed read of the reference stops the report instead of moving the variation
            // to the other one.
            const bool variantInGene = evaluator->isInGene(variant, sequenceId, stateInfo);
            if (stateInfo.isCoR()) {
                return false;
            }
            if (variantInGene == inGene &&
                !writeVariation(inGene, variant, track, storedTrack, sequenceId, tables, evaluator, opened, writeRow)) {
                return false;
            }
        }
        return !stateInfo.isCoR();
    };
    if (parallel != nullptr) {
        // The status check before the first read, as the single reader does it: a report that
        // could not be opened stops the run before anything is read.
        if (stateInfo.isCoR()) {
            return false;
        }
        auto readPartHere = [&](const SNPReportParallelReader::Part& part) {
            return readHere(tracks[part.track], part.region);
        };
        if (!parallel->writePass(inGene, io.get(), writeHeader, readPartHere, total, counter, stateInfo)) {
            return false;
        }
    } else {
        const NxRegion everything(0, std::numeric_limits<qint64>::max());
        for (const NxVariantTrack& track : qAsConst(tracks)) {
            if (!readHere(track, everything)) {
                break;
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
