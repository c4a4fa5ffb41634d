#include "SNPReportParallelReader.h"

#include "ReportConnections.h"
#include "SNPReportWriterTask.h"
#include "annotated_vcf/SharedVcfEntries.h"
#include "annotated_vcf/VariationEntries.h"
#include "snp_toolbox/DamageEffectEvaluator.h"

#include <NxCore/core/NxOpStatus.h>
#include <NxCore/core/OrderedParts.h>
#include <NxCore/dbi/NxVariantDbi.h>
#include <NxCore/io/IOAdapter.h>
#include <NxCore/log/Logger.h>
#include <NxCore/tasks/TaskStateInfo.h>

#include <QDir>
#include <QTemporaryFile>

#include <atomic>
#include <functional>
#include <memory>
#include <vector>

namespace Nx {

namespace {

// Rows of a part collect in memory up to this size before they go to its file.
const int SPOOL_BUFFER = 1 << 20;

QString readBackError(const QFile& file) {
    return QCoreApplication::translate("Nx::SNPReportParallelReader", "Cannot read the temporary file %1 back: %2")
        .arg(file.fileName(), file.errorString());
}

// One report's share of a part.
struct PartOutput {
    Q_DECLARE_TR_FUNCTIONS(Nx::SNPReportParallelReader)
public:
    std::unique_ptr<QTemporaryFile> rows;  // null until the part has rows for the report
    QByteArray buffer;                     // rows not yet in the file
    qint64 variations = 0;                 // variations of the part that belong to the report
    QString spoolError;                    // why the rows could not be kept; empty while they are
    QString folder;                        // where the temporary file goes

    bool addRow(const QString& row) {
        buffer += row.toLatin1();
        buffer += '\n';
        return buffer.size() < SPOOL_BUFFER || spill();
    }

    bool spill() {
        if (buffer.isEmpty()) {
            return true;
        }
        if (rows == nullptr) {
            rows.reset(new QTemporaryFile(QDir(folder).filePath("nolix-report-XXXXXX")));
            if (!rows->open()) {
                spoolError = tr("Cannot create a temporary file for the report in %1: %2").arg(folder, rows->errorString());
                return false;
            }
        }
        if (rows->write(buffer) != buffer.size() || !rows->flush()) {
            spoolError = tr("Cannot write the temporary file %1: %2").arg(rows->fileName(), rows->errorString());
            return false;
        }
        buffer.clear();
        return true;
    }

    // Appends the rows to the report; false when a read or a write failed (the error is in os).
    bool appendTo(IOAdapter* io, NxOpStatus& os) {
        return copyRows([&](const QByteArray& chunk) { return io->writeBlock(chunk, os); }, os);
    }

    // Moves the rows to the end of file, adding their size to bytes; false with the error in os.
    bool moveTo(QTemporaryFile& file, qint64& bytes, NxOpStatus& os) {
        return copyRows(
            [&](const QByteArray& chunk) {
                if (file.write(chunk) != chunk.size()) {
                    os.setError(tr("Cannot write the temporary file %1: %2").arg(file.fileName(), file.errorString()));
                    return false;
                }
                bytes += chunk.size();
                return true;
            },
            os);
    }

private:
    bool copyRows(const std::function<bool(const QByteArray&)>& write, NxOpStatus& os) {
        if (rows == nullptr) {
            return true;
        }
        const qint64 size = rows->size();
        qint64 done = 0;
        if (rows->seek(0)) {
            QByteArray chunk;
            while (done < size && !(chunk = rows->read(SPOOL_BUFFER)).isEmpty()) {
                if (!write(chunk)) {
                    return false;
                }
                done += chunk.size();
            }
        }
        if (done != size) {
            os.setError(readBackError(*rows));
            return false;
        }
        rows.reset();
        return true;
    }
};

struct PartResult {
    PartOutput inGene;
    PartOutput regulatory;
    QString error;  // a read failed after the rows both outputs hold: the pass ends at this part
    // Left to the task's thread: a variation must be evaluated, or its rows could not be kept.
    bool needsWriter = false;
};

// A part's share of the regulatory rows that wait for their pass in one file.
struct RegulatoryPart {
    qint64 variations = 0;
    qint64 bytes = 0;
};

}  // namespace

// State the threads share with the task's thread.
struct SNPReportParallelReader::Shared {
    std::unique_ptr<OrderedParts<PartResult>> reading;  // the in-gene pass's threads
    std::atomic<bool> stop{false};      // the task's thread needs no more parts
    std::atomic<qint64> inGeneRead{0};  // in-gene variations read so far, for the progress
    QString folder;                     // of the temporary files
    std::shared_ptr<SharedVcfEntries> vcfEntries;  // null: no annotated-VCF writer takes entries
    // The regulatory rows of the parts the in-gene pass took, one after the other: the parts'
    // own files close as they are taken, so open files stay bounded by the look-ahead.
    std::unique_ptr<QTemporaryFile> regulatoryRows;
    std::vector<RegulatoryPart> regulatory;

    void stopReading() {
        stop.store(true);
        if (reading != nullptr) {
            reading->stop();
        }
    }

    // Moves a taken part's regulatory rows to the end of the spool; false when they are left to
    // the regulatory pass to read again itself (firstPartHere is then set).
    bool keepRegulatoryRows(int part, PartOutput& out, int& firstPartHere) {
        if (firstPartHere != -1) {
            return false;  // the regulatory pass reads from an earlier part on itself
        }
        NxOpStatusImpl os;
        if (regulatoryRows == nullptr) {
            regulatoryRows.reset(new QTemporaryFile(QDir(folder).filePath("nolix-report-XXXXXX")));
            if (!regulatoryRows->open()) {
                os.setError(tr("Cannot create a temporary file for the report in %1: %2")
                                .arg(folder, regulatoryRows->errorString()));
            }
        }
        RegulatoryPart kept;
        kept.variations = out.variations;
        if (!os.hasError()) {
            out.moveTo(*regulatoryRows, kept.bytes, os);
        }
        if (os.hasError()) {
            // Rows that could not be kept are not lost: the regulatory pass reads them again itself.
            ioLog.details(tr("Regulatory report rows are read on one thread from here on: %1").arg(os.getError()));
            firstPartHere = part;
            return false;
        }
        regulatory.push_back(kept);
        return true;
    }
};

namespace {

// One thread's connections to both databases, opened and closed on that thread.
class PartReader {
    Q_DECLARE_TR_FUNCTIONS(Nx::SNPReportParallelReader)
public:
    // Opens the connections: made on the thread that reads with it.
    PartReader(const SNPReportSettings& settings, const QList<NxVariantTrack>& tracks, const NxDbiRef& dbiRef,
               const TaskStateInfo& task, SNPReportParallelReader::Shared& shared)
        : tracks(tracks), task(task), shared(shared) {
        if (connections.open(settings.dbPath, dbiRef, openOs)) {
            connections.evaluator->setEvaluationAllowed(false);
        }
    }

    // Reads part i; false when the task's thread will end the pass at it (later parts would be
    // thrown away).
    bool read(int i, const SNPReportParallelReader::Part& part, PartResult& result) {
        result.inGene.folder = result.regulatory.folder = shared.folder;
        std::unique_ptr<SharedVcfEntries::PartWriter> entries;
        if (shared.vcfEntries != nullptr) {
            entries.reset(new SharedVcfEntries::PartWriter(shared.folder));
        }
        if (openOs.hasError()) {
            result.error = openOs.getError();
        } else {
            readPart(part, result, entries.get());
        }
        // Only a complete part: whatever is missing the annotated-VCF writer computes.
        if (entries != nullptr && result.error.isEmpty() && !result.needsWriter && !entries->failed() &&
            !shared.stop.load() && !task.isCanceled()) {
            shared.vcfEntries->publish(i, *entries);
        }
        return result.error.isEmpty() && !result.needsWriter;
    }

private:
    void readPart(const SNPReportParallelReader::Part& part, PartResult& result,
                  SharedVcfEntries::PartWriter* entries) {
        const NxVariantTrack& track = tracks[part.track];
        const SNPReportWriterTask::Tables& tables = connections.tables;
        DamageEffectEvaluator& evaluator = *connections.evaluator;
        NxOpStatusImpl os;
        std::unique_ptr<NxDbiIterator<NxVariant>> it(tables.variants->getVariantsInRegion(track.id, part.region, os));
        const NxDataId sequenceId = it != nullptr ? SNPReportWriterTask::sequenceOf(track, tables) : NxDataId();
        NxVariantTrack stored;
        const NxVariantTrack* storedTrack =
            it != nullptr && SNPReportWriterTask::storedTrackOf(track, tables, stored) ? &stored : nullptr;
        // Made once: the variation in hand sets where they count and write.
        bool inGene = false;
        PartOutput* out = nullptr;
        const std::function<bool()> opened = [&]() {
            ++out->variations;
            if (inGene) {
                shared.inGeneRead.fetch_add(1);
            }
            return true;
        };
        const std::function<bool(const QString&)> writeRow = [&](const QString& row) { return out->addRow(row); };
        // The annotated-VCF entries from the same rows (see VariationEntries).
        const NxVariant* current = nullptr;
        VariationEntries::Source source;
        source.sequenceId = sequenceId;
        source.track = &track;
        source.storedTrack = storedTrack;
        source.tables = tables;
        if (entries != nullptr && !shared.vcfEntries->readsAnswers()) {
            source.tables.attributes = nullptr;
        }
        source.evaluator = connections.evaluator;
        VariationEntries variationEntries;
        SNPReportWriterTask::SeenVariation seen;
        if (entries != nullptr) {
            seen = [&](VariationInfo* info, const QStringList& rows) {
                variationEntries.clear();
                if (info == nullptr) {
                    VariationEntries::farFromGenes(*current, source, variationEntries);
                } else {
                    VariationEntries::fromInfo(*info, *current, inGene ? &rows : nullptr, inGene ? nullptr : &rows,
                                               source, variationEntries);
                }
                entries->add(*current, variationEntries);
            };
        }
        while (it != nullptr && !os.hasError() && it->hasNext()) {
            if (shared.stop.load() || task.isCanceled()) {
                break;
            }
            const NxVariant variant = it->next();
            inGene = evaluator.isInGene(variant, sequenceId, os);
            if (os.hasError()) {
                break;
            }
            out = inGene ? &result.inGene : &result.regulatory;
            current = &variant;
            SNPReportWriterTask::writeVariation(inGene, variant, track, storedTrack, sequenceId, tables,
                                                connections.evaluator, opened, writeRow, seen);
            // Refused quietly in places (a row without effect cells): the part must not be used.
            if (evaluator.wasEvaluationRefused()) {
                result = PartResult();
                result.needsWriter = true;
                return;
            }
            if (!out->spoolError.isEmpty()) {
                break;
            }
        }
        // Rows that could not be kept are not lost: the task's thread reads the part again itself.
        if (!result.inGene.spoolError.isEmpty() || !result.regulatory.spoolError.isEmpty() ||
            !result.inGene.spill() || !result.regulatory.spill()) {
            ioLog.details(tr("Report rows are read on one thread from here on: %1")
                              .arg(result.inGene.spoolError + result.regulatory.spoolError));
            result = PartResult();
            result.needsWriter = true;
            return;
        }
        // A failed read stops both reports at this variation, as it stops a single reader's pass;
        // the rows before it still belong to the reports.
        result.error = os.getError();
    }

    const QList<NxVariantTrack>& tracks;
    const TaskStateInfo& task;
    SNPReportParallelReader::Shared& shared;
    NxOpStatusImpl openOs;  // before the connections: their read transactions end into it
    ReportConnections connections;
};

}  // namespace

SNPReportParallelReader::SNPReportParallelReader(const SNPReportSettings& settings,
                                                 const QList<NxVariantTrack>& tracks, const NxDbiRef& dbiRef,
                                                 const QList<Part>& parts, int threads, const QString& folder)
    : settings(settings), tracks(tracks), dbiRef(dbiRef), parts(parts), threads(qMax(1, threads)),
      shared(new Shared) {
    shared->folder = folder.isEmpty() ? QDir::tempPath() : folder;
}

SNPReportParallelReader::~SNPReportParallelReader() {
    shared->stopReading();
    if (shared->vcfEntries != nullptr) {
        shared->vcfEntries->close();
    }
}

void SNPReportParallelReader::setVcfEntries(const std::shared_ptr<SharedVcfEntries>& entries) {
    shared->vcfEntries = entries;
}

bool SNPReportParallelReader::writePass(bool inGene, IOAdapter* io, const std::function<bool()>& writeHeader,
                                        const std::function<bool(const Part&)>& readHere, qint64 total,
                                        qint64& counter, TaskStateInfo& stateInfo) {
    if (inGene) {
        return readInGenePass(io, writeHeader, readHere, total, counter, stateInfo);
    }
    QTemporaryFile* spool = shared->regulatoryRows.get();
    if (spool != nullptr && !spool->seek(0)) {
        stateInfo.setError(readBackError(*spool));
        return false;
    }
    // Every part before firstPartHere was read by the in-gene pass.
    for (int i = 0; i < parts.size(); ++i) {
        if (stateInfo.isCoR()) {
            return false;
        }
        if (firstPartHere != -1 && i >= firstPartHere) {
            if (!readHere(parts[i])) {
                return false;
            }
            continue;
        }
        const RegulatoryPart& part = shared->regulatory[size_t(i)];
        counter += part.variations;
        stateInfo.setProgress(total > 0 ? int(double(counter) * 100.0 / double(total)) : 0);
        if (part.variations > 0 && !writeHeader()) {
            return false;
        }
        for (qint64 left = part.bytes; left > 0;) {
            const QByteArray chunk = spool->read(qMin<qint64>(left, SPOOL_BUFFER));
            if (chunk.isEmpty()) {
                stateInfo.setError(readBackError(*spool));
                return false;
            }
            if (!io->writeBlock(chunk, stateInfo)) {
                return false;
            }
            left -= chunk.size();
        }
    }
    shared->regulatoryRows.reset();
    return !stateInfo.isCoR();
}

bool SNPReportParallelReader::readInGenePass(IOAdapter* io, const std::function<bool()>& writeHeader,
                                             const std::function<bool(const Part&)>& readHere, qint64 total,
                                             qint64& counter, TaskStateInfo& stateInfo) {
    const int n = qMin(threads, parts.size());
    // One part ahead of each thread: the threads never wait for the taking, and no more parts
    // than that hold rows in memory or in files.
    shared->reading.reset(new OrderedParts<PartResult>(
        parts.size(), n, 2 * n, [this, &stateInfo]() -> OrderedParts<PartResult>::Worker {
            auto reader = std::make_shared<PartReader>(settings, tracks, dbiRef, stateInfo, *shared);
            return [this, reader](int i, PartResult& result) { return reader->read(i, parts[i], result); };
        }));
    const qint64 counterBefore = counter;
    qint64 appended = 0;  // in-gene variations of the parts written so far
    PartResult result;
    for (int i = 0; i < parts.size(); ++i) {
        const bool taken = shared->reading->takeNext(result, [&]() {
            const qint64 read = counterBefore + shared->inGeneRead.load();
            stateInfo.setProgress(total > 0 ? int(double(read) * 100.0 / double(total)) : 0);
            return stateInfo.isCanceled();
        });
        if (!taken) {  // canceled
            shared->stopReading();
            return false;
        }
        if (result.needsWriter) {
            shared->stopReading();
            if (shared->vcfEntries != nullptr) {
                shared->vcfEntries->close();  // the rest is read here, without entries
            }
            if (firstPartHere == -1) {
                firstPartHere = i;
            }
            counter = counterBefore + appended;
            for (int j = i; j < parts.size(); ++j) {
                if (!readHere(parts[j])) {
                    return false;
                }
            }
            return !stateInfo.isCoR();
        }
        PartOutput& out = result.inGene;
        appended += out.variations;
        counter = counterBefore + appended;
        if ((out.variations > 0 && !writeHeader()) || !out.appendTo(io, stateInfo)) {
            shared->stopReading();
            return false;
        }
        if (!result.error.isEmpty()) {
            shared->stopReading();
            stateInfo.setError(result.error);
            return false;
        }
        shared->keepRegulatoryRows(i, result.regulatory, firstPartHere);
    }
    shared->stopReading();
    if (shared->vcfEntries != nullptr) {
        shared->vcfEntries->close();  // every part was read
    }
    stateInfo.setProgress(total > 0 ? int(double(counter) * 100.0 / double(total)) : 0);
    return !stateInfo.isCoR();
}

}  // namespace Nx
