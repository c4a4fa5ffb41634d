#include "SNPReportParallelPass.h"

#include "SNPReportWriterTask.h"
#include "snp_toolbox/DamageEffectEvaluator.h"

#include <NxCore/core/NxOpStatus.h>
#include <NxCore/dbi/DbiConnection.h>
#include <NxCore/dbi/DbiOperationsBlock.h>
#include <NxCore/dbi/NxDbi.h>
#include <NxCore/dbi/NxVariantDbi.h>
#include <NxCore/io/IOAdapter.h>
#include <NxCore/tasks/TaskStateInfo.h>
#include <NxFormats/snp/SNPDatabaseUtils.h>

#include <QDir>
#include <QMutex>
#include <QTemporaryFile>
#include <QThread>
#include <QWaitCondition>

#include <memory>
#include <vector>

namespace Nx {

namespace {

// Rows of a part collect in memory up to this size before they go to its file.
const int SPOOL_BUFFER = 1 << 20;

// What a thread leaves for the calling thread about one part.
struct PartResult {
    std::unique_ptr<QTemporaryFile> rows;  // null when the part wrote no row
    qint64 variations = 0;                 // variations of the pass in the part
    QString error;                         // why the part stopped early; its rows before that stay
    bool needsWriter = false;              // a variation must be evaluated: the part is left undone
    bool finished = false;
};

// State the threads share with the calling thread.
struct Shared {
    QMutex lock;
    QWaitCondition partFinished;
    std::vector<PartResult> results;
    std::atomic<int> nextPart{0};
    std::atomic<bool> stop{false};     // the calling thread needs no more parts
    std::atomic<qint64> variations{0}; // variations of the pass read so far, for the progress
};

// One thread's connections to both databases, opened and closed on that thread.
class PartReader {
    Q_DECLARE_TR_FUNCTIONS(Nx::SNPReportParallelPass)
public:
    PartReader(const SNPReportSettings& settings, const QList<NxVariantTrack>& tracks, const NxDbiRef& dbiRef,
               const TaskStateInfo& task, Shared& shared)
        : settings(settings), tracks(tracks), dbiRef(dbiRef), task(task), shared(shared) {}

    void run(bool inGene, const QList<SNPReportParallelPass::Part>& parts) {
        NxOpStatusImpl openOs;
        open(openOs);
        for (;;) {
            if (shared.stop.load() || task.isCanceled()) {
                return;
            }
            const int i = shared.nextPart.fetch_add(1);
            if (i >= parts.size()) {
                return;
            }
            PartResult result;
            if (openOs.hasError()) {
                result.error = openOs.getError();
            } else {
                readPart(inGene, parts[i], result);
            }
            const bool failed = !result.error.isEmpty() || result.needsWriter;
            {
                QMutexLocker locker(&shared.lock);
                result.finished = true;
                shared.results[size_t(i)] = std::move(result);
                shared.partFinished.wakeAll();
            }
            // The calling thread ends the pass at this part; later ones would be thrown away.
            if (failed) {
                return;
            }
        }
    }

private:
    void open(NxOpStatus& os) {
        database.reset(SNPDatabaseUtils::openDatabase(settings.dbPath));
        if (database == nullptr) {
            os.setError(tr("Cannot open database file: %1").arg(settings.dbPath));
            return;
        }
        session.open(dbiRef, false, os);
        if (os.hasError()) {
            return;
        }
        if (session.dbi == nullptr) {
            os.setError(tr("Dbi Session is null"));
            return;
        }
        databaseBlock.reset(new DbiOperationsBlock(database->getDbiRef(), os, false));
        sessionBlock.reset(new DbiOperationsBlock(dbiRef, os, false));
        if (os.hasError()) {
            return;
        }
        evaluator.reset(new DamageEffectEvaluator(session.dbi, database->getDbi(), true));
        evaluator->setEvaluationAllowed(false);
        SNPReportWriterTask::takeTables(session.dbi, database->getDbi(), tables, os);
    }

    void readPart(bool inGene, const SNPReportParallelPass::Part& part, PartResult& result) {
        const NxVariantTrack& track = tracks[part.track];
        QByteArray buffer;
        auto spill = [&]() {
            if (buffer.isEmpty()) {
                return true;
            }
            if (result.rows == nullptr) {
                result.rows.reset(new QTemporaryFile(QDir::temp().filePath("nolix-report-XXXXXX")));
                if (!result.rows->open()) {
                    result.error = tr("Cannot create a temporary file for the report in %1: %2")
                                       .arg(QDir::tempPath(), result.rows->errorString());
                    return false;
                }
            }
            if (result.rows->write(buffer) != buffer.size()) {
                result.error = tr("Cannot write the temporary file %1: %2")
                                   .arg(result.rows->fileName(), result.rows->errorString());
                return false;
            }
            buffer.clear();
            return true;
        };
        auto opened = [&]() {
            ++result.variations;
            shared.variations.fetch_add(1);
            return true;
        };
        auto writeRow = [&](const QString& row) {
            buffer += row.toLatin1();
            buffer += '\n';
            return buffer.size() < SPOOL_BUFFER || spill();
        };
        NxOpStatusImpl os;
        std::unique_ptr<NxDbiIterator<NxVariant>> it(tables.variants->getVariantsInRegion(track.id, part.region, os));
        const NxDataId sequenceId = it != nullptr ? SNPReportWriterTask::sequenceOf(track, tables) : NxDataId();
        while (it != nullptr && !os.hasError() && result.error.isEmpty() && it->hasNext()) {
            if (shared.stop.load() || task.isCanceled()) {
                break;
            }
            const NxVariant variant = it->next();
            SNPReportWriterTask::reportVariation(inGene, variant, track, sequenceId, tables, evaluator, os, opened,
                                                 writeRow);
            // Refused quietly in places (a row without effect cells): the part must not be used.
            if (evaluator->wasEvaluationRefused()) {
                result = PartResult();
                result.needsWriter = true;
                return;
            }
        }
        // The first failure is the part's error; the rows before it still belong to the report,
        // as with a single reader.
        const QString failure = !result.error.isEmpty() ? result.error : os.getError();
        result.error.clear();
        if (spill() && result.rows != nullptr && !result.rows->flush()) {
            result.error = tr("Cannot write the temporary file %1: %2")
                               .arg(result.rows->fileName(), result.rows->errorString());
        }
        if (!failure.isEmpty()) {
            result.error = failure;
        }
    }

    const SNPReportSettings& settings;
    const QList<NxVariantTrack>& tracks;
    const NxDbiRef& dbiRef;
    const TaskStateInfo& task;
    Shared& shared;
    // Declared in the order of opening, closed in the reverse order.
    std::unique_ptr<SNPDatabase> database;
    DbiConnection session;
    std::unique_ptr<DbiOperationsBlock> databaseBlock;
    std::unique_ptr<DbiOperationsBlock> sessionBlock;
    QSharedPointer<DamageEffectEvaluator> evaluator;
    SNPReportWriterTask::Tables tables;
};

}  // namespace

SNPReportParallelPass::SNPReportParallelPass(const SNPReportSettings& settings, const QList<NxVariantTrack>& tracks,
                                             const NxDbiRef& dbiRef, const QList<Part>& parts, int threads)
    : settings(settings), tracks(tracks), dbiRef(dbiRef), parts(parts), threads(qMax(1, threads)) {
}

bool SNPReportParallelPass::run(bool inGene, IOAdapter* io, const std::function<bool()>& writeHeader,
                                const std::function<bool(const Part&)>& readHere, qint64 total, qint64& counter,
                                TaskStateInfo& stateInfo) {
    Shared shared;
    shared.results.resize(size_t(parts.size()));
    const qint64 counterBefore = counter;
    auto showProgress = [&]() {
        counter = counterBefore + shared.variations.load();
        stateInfo.setProgress(total > 0 ? int(double(counter) * 100.0 / double(total)) : 0);
    };

    std::vector<std::unique_ptr<QThread>> workers;
    const int n = qMin(threads, parts.size());
    for (int t = 0; t < n; ++t) {
        workers.emplace_back(QThread::create([this, inGene, &shared, &stateInfo]() {
            PartReader reader(settings, tracks, dbiRef, stateInfo, shared);
            reader.run(inGene, parts);
        }));
        workers.back()->start();
    }

    bool ok = true;
    QByteArray chunk;
    qint64 appended = 0;  // variations of the parts written so far
    for (int i = 0; i < parts.size() && ok; ++i) {
        PartResult result;
        {
            QMutexLocker locker(&shared.lock);
            while (!shared.results[size_t(i)].finished && !stateInfo.isCanceled()) {
                shared.partFinished.wait(&shared.lock, 100);
                locker.unlock();
                showProgress();
                locker.relock();
            }
            result = std::move(shared.results[size_t(i)]);
        }
        if (!result.finished) {  // canceled
            ok = false;
            break;
        }
        if (result.needsWriter) {
            shared.stop.store(true);
            for (auto& w : workers) {
                w->wait();
            }
            counter = counterBefore + appended;
            for (int j = i; j < parts.size(); ++j) {
                if (!readHere(parts[j])) {
                    return false;
                }
            }
            return !stateInfo.isCoR();
        }
        appended += result.variations;
        if (result.variations > 0 && !writeHeader()) {
            ok = false;
            break;
        }
        if (result.rows != nullptr && result.rows->seek(0)) {
            while (ok && !(chunk = result.rows->read(SPOOL_BUFFER)).isEmpty()) {
                ok = io->writeBlock(chunk, stateInfo);
            }
        }
        if (ok && !result.error.isEmpty()) {
            stateInfo.setError(result.error);
            ok = false;
        }
    }
    shared.stop.store(true);
    for (auto& w : workers) {
        w->wait();
    }
    counter = counterBefore + appended;
    return ok && !stateInfo.isCoR();
}

}  // namespace Nx
