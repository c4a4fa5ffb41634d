#include "AnnotatedVcfTask.h"

#include "AnnotatedVcfFields.h"
#include "SharedVcfEntries.h"
#include "VariationEntries.h"

#include "ReportConnections.h"
#include "SNPReportWriterTask.h"
#include "SnpRequestKeys.h"
#include "snp_toolbox/DamageEffectEvaluator.h"
#include "snp_toolbox/VariationInfo.h"

#include <NxCore/attributes/NxAttributeUtils.h>
#include <NxCore/dbi/NxVariantDbi.h>
#include <NxCore/io/ReplacedFile.h>
#include <NxCore/log/Logger.h>
#include <NxCore/tasks/TaskStateInfo.h>
#include <NxFormats/vcf/HtsPointers.h>
#include <NxFormats/vcf/VcfImporter.h>

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QHash>
#include <QMutex>
#include <QSet>
#include <QThread>
#include <QWaitCondition>

#include <htslib/hts.h>
#include <htslib/vcf.h>

#include <cctype>
#include <deque>
#include <cstring>
#include <limits>
#include <map>
#include <memory>

namespace Nx {

namespace {


// Tabix bins positions below 2^29 only.
const qint64 TABIX_MAX_POSITION = (qint64(1) << 29) - 1;
const int CSI_MIN_SHIFT = 14;
// Threads that annotate at most (the report's readers run at the same time).
const int MAX_ANNOTATION_THREADS = 4;

// A variation read from a track and, when the report writer computed them, its entries.
struct ReadVariation {
    NxVariant variant;
    bool hasEntries = false;
    QByteArray entries;  // VariationEntries::joined()
};

// Whether a stored allele (upper case) is the record's allele.
bool sameAllele(const QByteArray& stored, const char* allele) {
    const int n = stored.size();
    for (int i = 0; i < n; ++i) {
        const unsigned char c = static_cast<unsigned char>(allele[i]);
        if (c >= 0x80) {
            return stored == QByteArray(allele).toUpper();  // as the import cased it
        }
        if (c == '\0' || stored[i] != char(toupper(c))) {
            return false;
        }
    }
    return allele[n] == '\0';
}

// An ALT allele as text; one-base alleles (most) share one string per base instead of an
// allocation each.
QString alleleText(const char* allele) {
    const unsigned char first = static_cast<unsigned char>(allele[0]);
    if (first != 0 && first < 0x80 && allele[1] == '\0') {
        thread_local QString singles[128];
        QString& one = singles[first];
        if (one.isEmpty()) {
            one = QString(QChar(first));
        }
        return one;
    }
    return QString::fromUtf8(allele);
}

// The variations of one track, walked by position; each record takes its own.
class TrackCursor {
public:
    NxVariantTrack track;      // as received
    NxVariantTrack stored;     // the database's record of it
    bool storedKnown = false;
    NxDataId sequenceId;
    std::unique_ptr<NxDbiIterator<NxVariant>> it;  // without a report writer beside
    std::unique_ptr<SharedVcfEntries::TrackReader> shared;  // with one: null it
    std::multimap<qint64, ReadVariation> pending;  // read, not yet taken; by start position
    qint64 lastRead = -1;                          // start of the last variation read
    qint64 count = 0;                              // variations of the track
    qint64 read = 0;                               // of them read
    bool exhausted = false;

    // The first unused variation at pos with these alleles (as the record writes them, in any
    // case: the import stores them upper case); false when there is none.
    bool take(qint64 pos, const char* ref, const char* alt, ReadVariation& out,
              const std::function<bool()>& canceled) {
        // In step with the records (the usual case): the next variation is the record's, and it
        // need not wait in pending.
        if (pending.empty() && !exhausted && lastRead <= pos) {
            ReadVariation v;
            if (!readNext(v, canceled)) {
                exhausted = true;
            } else if (v.variant.startPos == pos && sameAllele(v.variant.refData, ref) &&
                       sameAllele(v.variant.obsData, alt)) {
                out = std::move(v);
                return true;
            } else {
                pending.emplace(lastRead, std::move(v));
            }
        }
        while (!exhausted && lastRead <= pos) {
            ReadVariation v;
            if (!readNext(v, canceled)) {
                exhausted = true;
                break;
            }
            pending.emplace(lastRead, std::move(v));
        }
        auto range = pending.equal_range(pos);
        for (auto i = range.first; i != range.second; ++i) {
            if (sameAllele(i->second.variant.refData, ref) && sameAllele(i->second.variant.obsData, alt)) {
                out = std::move(i->second);
                pending.erase(i);
                return true;
            }
        }
        return false;
    }

    // The next variation of the track; false at its end.
    bool readNext(ReadVariation& v, const std::function<bool()>& canceled) {
        if (shared != nullptr) {
            if (!shared->next(v.variant, v.entries, v.hasEntries, canceled)) {
                return false;
            }
        } else {
            if (!it->hasNext()) {
                return false;
            }
            v.variant = it->next();
        }
        ++read;
        lastRead = v.variant.startPos;
        return true;
    }

    // Variations that no record took (after the whole file was read).
    qint64 leftOver() const { return qint64(pending.size()) + qMax<qint64>(0, count - read); }
};

// One ALT allele of a record and the variation it was read as.
struct AlleleJob {
    QString allele;               // as written in the record
    ReadVariation read;           // from the workflow database, with its entries when shared
    const TrackCursor* cursor = nullptr;  // of its chromosome; read only while batches are annotated
};

// One record, its alleles and, once annotated, the values of its added fields.
struct RecordJob {
    HtsRecordPtr rec{bcf_init()};
    std::vector<AlleleJob> alleles;
    QByteArray values[VariationEntries::FIELDS];

    void clearValues() {
        for (QByteArray& v : values) {
            v.resize(0);  // keeps the memory for the next record
        }
    }
    // Whether an allele's entries must be computed (with database reads).
    bool needsComputing() const {
        for (const AlleleJob& allele : alleles) {
            if (!allele.read.hasEntries) {
                return true;
            }
        }
        return false;
    }
    // Without answers to read, tables.attributes is null: no look-ups.
    void annotate(SNPReportWriterTask::Tables tables, const QSharedPointer<DamageEffectEvaluator>& evaluator,
                  bool readAnswers) {
        if (!readAnswers) {
            tables.attributes = nullptr;
        }
        VariationEntries computed;
        for (const AlleleJob& allele : alleles) {
            if (allele.read.hasEntries) {
                VariationEntries::appendJoinedTo(allele.read.entries, allele.allele, values);
                continue;
            }
            VariationEntries::Source source;
            source.sequenceId = allele.cursor->sequenceId;
            source.track = &allele.cursor->track;
            source.storedTrack = allele.cursor->storedKnown ? &allele.cursor->stored : nullptr;
            source.tables = tables;
            source.evaluator = evaluator;
            computed.clear();
            VariationEntries::compute(allele.read.variant, source, computed);
            computed.appendTo(allele.allele, values);
        }
    }
};

// Records read together and annotated by one thread; the records' memory is kept for the next.
struct Batch {
    static const int SIZE = 512;
    std::vector<RecordJob> records{size_t(SIZE)};
    int used = 0;            // records of this round
    bool computing = false;  // some entries need database reads (else they were all shared)
    bool annotated = false;  // entries filled (by the pool)
    bool done = false;       // the pool is finished with it (annotated or not)
};

// Threads that annotate batches, each with its own connections to both databases, opened and
// closed on that thread. They never write to the workflow database: a batch that would need it
// (gene effects never evaluated), or any batch when the connections cannot be opened, is left to
// the writing thread.
class AnnotationPool {
public:
    AnnotationPool(int threads, const AnnotatedVcfSettings& settings, const NxDbiRef& dbiRef, const TaskStateInfo& task)
        : dbPath(settings.dbPath), readAnswers(settings.readAnswers), dbiRef(dbiRef), task(task) {
        for (int t = 0; t < threads; ++t) {
            workers.emplace_back(QThread::create([this]() { work(); }));
            workers.back()->start();
        }
    }
    ~AnnotationPool() {
        {
            QMutexLocker locker(&lock);
            stopping = true;
            wake.wakeAll();
        }
        for (auto& w : workers) {
            w->wait();
        }
    }

    void submit(Batch* batch) {
        QMutexLocker locker(&lock);
        batch->done = false;
        queue.push_back(batch);
        wake.wakeAll();
    }
    void waitFor(Batch* batch) {
        QMutexLocker locker(&lock);
        while (!batch->done) {
            finished.wait(&lock);
        }
    }

private:
    void work() {
        NxOpStatusImpl openOs;  // before the connections: their read transactions end into it
        ReportConnections connections;
        const bool open = connections.open(dbPath, dbiRef, openOs);
        if (open) {
            connections.evaluator->setEvaluationAllowed(false);
        }
        for (;;) {
            Batch* batch = nullptr;
            {
                QMutexLocker locker(&lock);
                while (queue.empty() && !stopping) {
                    wake.wait(&lock);
                }
                // Stopping: the run ended (or failed), nobody writes what is still queued.
                if (stopping) {
                    return;
                }
                batch = queue.front();
                queue.pop_front();
            }
            bool annotated = open && !task.isCanceled();
            for (int r = 0; r < batch->used && annotated; ++r) {
                batch->records[size_t(r)].annotate(connections.tables, connections.evaluator, readAnswers);
                annotated = !connections.evaluator->wasEvaluationRefused();
            }
            if (!annotated) {
                for (int r = 0; r < batch->used; ++r) {
                    batch->records[size_t(r)].clearValues();
                }
            }
            QMutexLocker locker(&lock);
            batch->annotated = annotated;
            batch->done = true;
            finished.wakeAll();
        }
    }

    QString dbPath;
    bool readAnswers;
    NxDbiRef dbiRef;
    const TaskStateInfo& task;
    std::vector<std::unique_ptr<QThread>> workers;
    QMutex lock;
    QWaitCondition wake;      // a batch was submitted, or the pool ends
    QWaitCondition finished;  // a batch is done
    std::deque<Batch*> queue;
    bool stopping = false;
};

}  // namespace

AnnotatedVcfTask::AnnotatedVcfTask(const AnnotatedVcfSettings& settings, const QList<NxVariantTrack>& tracks,
                                   const NxDbiRef& dbiRef)
    : Task(tr("Writing annotated variations to %1").arg(QFileInfo(settings.outputPath).fileName()), TaskFlag_None),
      settings(settings),
      tracks(tracks),
      dbiRef(dbiRef) {
}

AnnotatedVcfTask::Format AnnotatedVcfTask::formatOf(const QString& path) {
    const QString lower = path.toLower();
    if (lower.endsWith(".vcf")) {
        return Format::Vcf;
    }
    if (lower.endsWith(".vcf.gz") || lower.endsWith(".vcf.bgz")) {
        return Format::VcfGz;
    }
    if (lower.endsWith(".bcf")) {
        return Format::Bcf;
    }
    return Format::Unknown;
}

void AnnotatedVcfTask::run() {
    const QString& in = settings.inputPath;
    const QString& out = settings.outputPath;
    const Format format = formatOf(out);
    if (format == Format::Unknown) {
        setError(tr("Cannot write annotated variations to %1: the name must end in .vcf, .vcf.gz or .bcf").arg(out));
        return;
    }
    if (QFileInfo(in).absoluteFilePath() == QFileInfo(out).absoluteFilePath()) {
        setError(tr("The annotated variations would replace their own input %1: give another output file").arg(out));
        return;
    }
    // 1. Databases and the tracks by chromosome. A file without variations (only symbolic ALTs,
    // or no records, as a shard may be) needs neither and is copied with the added header lines.
    ReportConnections connections;
    if (!tracks.isEmpty() && !connections.open(settings.dbPath, dbiRef, stateInfo)) {
        return;
    }
    const SNPReportWriterTask::Tables& tables = connections.tables;
    const QSharedPointer<DamageEffectEvaluator>& evaluator = connections.evaluator;
    QHash<QString, std::shared_ptr<TrackCursor>> cursors;
    qint64 total = 0;
    for (const NxVariantTrack& track : qAsConst(tracks)) {
        if (cursors.contains(track.sequenceName)) {
            setError(tr("Two variation tracks of chromosome %1 reached the element: it writes the records of one "
                        "input file (%2); read each file in a workflow of its own")
                         .arg(track.sequenceName, in));
            return;
        }
        auto cursor = std::make_shared<TrackCursor>();
        cursor->track = track;
        cursor->storedKnown = SNPReportWriterTask::storedTrackOf(track, tables, cursor->stored);
        cursor->sequenceId = SNPReportWriterTask::sequenceOf(track, tables);
        cursor->count = tables.variants->countVariants(track.id, stateInfo);
        total += cursor->count;
        if (sharedEntries != nullptr) {
            NxVariantDbi* variants = tables.variants;
            const NxDataId trackId = track.id;
            TaskStateInfo& os = stateInfo;
            cursor->shared.reset(new SharedVcfEntries::TrackReader(sharedEntries, track.id, [variants, trackId, &os](const NxRegion& region) {
                return variants->getVariantsInRegion(trackId, region, os);
            }));
        } else {
            cursor->it.reset(tables.variants->getVariantsInRegion(
                track.id, NxRegion(0, std::numeric_limits<qint64>::max()), stateInfo));
        }
        if (stateInfo.isCoR() || (cursor->it == nullptr && cursor->shared == nullptr)) {
            return;
        }
        cursors.insert(track.sequenceName, cursor);
    }

    // 2. The input and the output header: the input's lines, then the added fields.
    HtsFilePtr input(hts_open(QFile::encodeName(in).constData(), "r"));
    if (!input) {
        setError(tr("Cannot open the variation file %1 to annotate it").arg(in));
        return;
    }
    const htsExactFormat inFormat = hts_get_format(input.get())->format;
    if (inFormat != vcf && inFormat != bcf) {
        setError(tr("%1 is not a VCF or BCF file").arg(in));
        return;
    }
    HtsHeaderPtr inHeader(bcf_hdr_read(input.get()));
    if (!inHeader) {
        setError(tr("Cannot read the header of %1").arg(in));
        return;
    }
    HtsHeaderPtr outHeader(bcf_hdr_dup(inHeader.get()));
    const QList<QByteArray> fields = AnnotatedVcfFields::fieldIds();
    std::vector<bool> declaredBefore;  // by field: an earlier annotation left it in the input
    for (const QByteArray& id : fields) {
        declaredBefore.push_back(bcf_hdr_id2int(inHeader.get(), BCF_DT_ID, id.constData()) >= 0);
        // A file annotated before gets the fields of this run, not two declarations.
        bcf_hdr_remove(outHeader.get(), BCF_HL_INFO, id.constData());
        if (bcf_hdr_append(outHeader.get(), AnnotatedVcfFields::headerLine(id).constData()) != 0) {
            setError(tr("Cannot declare the INFO field %1 in the header of %2").arg(QString(id), out));
            return;
        }
    }
    if (bcf_hdr_sync(outHeader.get()) != 0) {
        setError(tr("Cannot build the header of %1").arg(out));
        return;
    }

    // 3. The output under temporary names.
    if (!QDir().mkpath(QFileInfo(out).absolutePath())) {
        setError(tr("Cannot create the folder %1 for the annotated variations").arg(QFileInfo(out).absolutePath()));
        return;
    }
    bool csi = format == Format::Bcf;
    for (int i = 0; i < outHeader->n[BCF_DT_CTG] && !csi; ++i) {
        const bcf_idpair_t& contig = outHeader->id[BCF_DT_CTG][i];
        csi = contig.val != nullptr && qint64(contig.val->info[0]) > TABIX_MAX_POSITION;
    }
    ReplacedFile data(out);
    std::unique_ptr<ReplacedFile> index;
    if (format != Format::Vcf) {
        index.reset(new ReplacedFile(out + (csi ? ".csi" : ".tbi")));
    }
    // Level 5 instead of 6: about 40% less compression time for a file about 1.5% larger.
    const char* mode = format == Format::Bcf ? "wb5" : format == Format::VcfGz ? "wz5" : "w";
    HtsFilePtr output(hts_open(QFile::encodeName(data.getTemporaryPath()).constData(), mode));
    if (!output) {
        setError(tr("Cannot write the annotated variations to %1: the folder %2 cannot be written")
                     .arg(out, QFileInfo(out).absolutePath()));
        return;
    }
    // Compression on a thread of its own: this thread reads, matches and writes.
    if (format != Format::Vcf && QThread::idealThreadCount() > 1) {
        hts_set_threads(output.get(), 1);
    }
    if (bcf_hdr_write(output.get(), outHeader.get()) != 0) {
        setError(tr("Cannot write the header of %1").arg(out));
        return;
    }
    // htslib keeps the index name until the index is saved.
    const QByteArray indexPath = index != nullptr ? QFile::encodeName(index->getTemporaryPath()) : QByteArray();
    if (index != nullptr && bcf_idx_init(output.get(), outHeader.get(), csi ? CSI_MIN_SHIFT : 0, indexPath.constData()) != 0) {
        setError(tr("Cannot start the index of %1").arg(out));
        return;
    }

    // 4. Record by record, in batches: this thread reads, matches and writes them in order while
    // the pool annotates the batches read before.
    const int threads = tracks.isEmpty() ? 0 : qBound(0, QThread::idealThreadCount(), MAX_ANNOTATION_THREADS);
    std::vector<std::unique_ptr<Batch>> batches;  // before the pool: its threads use them until it ends
    for (int b = 0; b < qMax(1, threads) + 1; ++b) {
        batches.emplace_back(new Batch());
    }
    // Started with the first batch that needs it: entries the report writer computed need none.
    std::unique_ptr<AnnotationPool> pool;
    std::deque<Batch*> inFlight;
    const std::function<bool()> canceled = [this]() { return stateInfo.isCanceled(); };
    int cursorRid = -1;  // the chromosome of ridCursor
    TrackCursor* ridCursor = nullptr;
    qint64 recordNo = 0;
    qint64 shared = 0;  // variations whose entries the report writer computed
    qint64 written = 0;
    qint64 counter = 0;
    int lastRid = -1;
    hts_pos_t lastPos = -1;
    QSet<int> closedRids;  // contigs the output has left: an index needs each in one block
    const QString place = inFormat == vcf ? tr("data line") : tr("record");
    // Writes the oldest batch once it is annotated (here, when the pool could not).
    auto writeOldest = [&]() {
        Batch* batch = inFlight.front();
        inFlight.pop_front();
        if (pool != nullptr && batch->computing) {
            pool->waitFor(batch);
        }
        if (!batch->annotated) {
            for (int r = 0; r < batch->used; ++r) {
                batch->records[size_t(r)].annotate(tables, evaluator, settings.readAnswers);
            }
        }
        for (int r = 0; r < batch->used; ++r) {
            RecordJob& job = batch->records[size_t(r)];
            ++written;
            if (bcf_translate(outHeader.get(), inHeader.get(), job.rec.get()) != 0) {
                setError(tr("Cannot carry %1 %2 of %3 over to %4").arg(place).arg(written).arg(in, out));
                return false;
            }
            for (int f = 0; f < fields.size(); ++f) {
                const QByteArray& id = fields[f];
                const QByteArray& value = job.values[f];
                // No entry: the field goes, also one an earlier annotation left.
                if (value.isEmpty() && !declaredBefore[size_t(f)]) {
                    continue;
                }
                if (bcf_update_info_string(outHeader.get(), job.rec.get(), id.constData(),
                                           value.isEmpty() ? nullptr : value.constData()) < 0) {
                    setError(tr("Cannot add the field %1 to %2 %3 of %4").arg(QString(id), place).arg(written).arg(in));
                    return false;
                }
            }
            if (bcf_write(output.get(), outHeader.get(), job.rec.get()) != 0) {
                setError(tr("Cannot write %1 (%2 %3 of %4): the disk may be full").arg(out, place).arg(written).arg(in));
                return false;
            }
        }
        batch->used = 0;
        stateInfo.setProgress(total > 0 ? int(qMin<qint64>(99, counter * 100 / total)) : 0);
        return true;
    };
    stateInfo.setProgress(0);
    bool atEnd = false;
    int nextBatch = 0;
    while (!atEnd && !stateInfo.isCoR()) {
        if (int(inFlight.size()) == int(batches.size()) && !writeOldest()) {
            return;
        }
        Batch* batch = batches[size_t(nextBatch)].get();
        nextBatch = (nextBatch + 1) % int(batches.size());
        batch->annotated = false;
        while (batch->used < Batch::SIZE && !stateInfo.isCoR()) {
            RecordJob& job = batch->records[size_t(batch->used)];
            job.alleles.clear();
            job.clearValues();
            bcf1_t* rec = job.rec.get();
            const int ret = bcf_read(input.get(), inHeader.get(), rec);
            if (ret == -1) {
                atEnd = true;
                break;
            }
            ++recordNo;
            if (ret >= 0 && (rec->errcode & (BCF_ERR_TAG_UNDEF | BCF_ERR_CTG_UNDEF)) != 0) {
                // The output header is written before the first record: what it lacks cannot follow.
                setError(tr("%1 %2 of %3 uses a contig, INFO or FORMAT field that its header does not declare; "
                            "declare it (bcftools annotate -h, bcftools reheader) and run again")
                             .arg(place).arg(recordNo).arg(in));
                return;
            }
            if (ret < -1 || rec->errcode != 0) {
                setError(tr("Cannot read %1 %2 of %3: the file is damaged or was changed after it was read")
                             .arg(place).arg(recordNo).arg(in));
                return;
            }
            bcf_unpack(rec, BCF_UN_STR);
            const char* chromName = bcf_hdr_id2name(inHeader.get(), rec->rid);
            if (index != nullptr) {
                if (rec->rid != lastRid) {
                    if (closedRids.contains(rec->rid)) {
                        setError(tr("Cannot index %1: the records of %2 are not together in %3 (%4 %5); sort the "
                                    "input with bcftools sort or write a plain .vcf")
                                     .arg(out, QString::fromUtf8(chromName), in, place).arg(recordNo));
                        return;
                    }
                    closedRids.insert(lastRid);
                    lastRid = rec->rid;
                } else if (rec->pos < lastPos) {
                    setError(tr("Cannot index %1: %3 %4 of %2 lies before the record above it; sort the input "
                                "with bcftools sort or write a plain .vcf")
                                 .arg(out, in, place).arg(recordNo));
                    return;
                }
                lastPos = rec->pos;
            }
            ++batch->used;
            TrackCursor* cursor = nullptr;
            for (int a = 1; a < rec->n_allele; ++a) {
                if (!VcfImporter::isBaseSequence(rec->d.allele[a])) {
                    continue;
                }
                if (cursor == nullptr) {
                    // Records of one chromosome come together: its cursor is looked up once.
                    if (rec->rid != cursorRid) {
                        const QString chrom = QString::fromUtf8(chromName);
                        auto found = cursors.constFind(chrom);
                        if (found == cursors.constEnd()) {
                            setError(tr("%1 %2 of %3 (%4) has variations, but no variation track of %4 reached the "
                                        "element: was the file changed after it was read?")
                                         .arg(place).arg(recordNo).arg(in, chrom));
                            return;
                        }
                        cursorRid = rec->rid;
                        ridCursor = found->get();
                    }
                    cursor = ridCursor;
                }
                const char* ref = rec->d.allele[0];
                const char* alt = rec->d.allele[a];
                AlleleJob allele;
                if (!cursor->take(rec->pos, ref, alt, allele.read, canceled)) {
                    if (stateInfo.isCoR()) {
                        return;
                    }
                    setError(tr("The variation %1:%2 %3>%4 of %5 %6 of %7 is not among the variations that were "
                                "read: was the file changed after it was read?")
                                 .arg(QString::fromUtf8(chromName)).arg(qint64(rec->pos) + 1)
                                 .arg(QString(QByteArray(ref).toUpper()), QString(QByteArray(alt).toUpper()), place)
                                 .arg(recordNo).arg(in));
                    return;
                }
                ++counter;
                shared += allele.read.hasEntries ? 1 : 0;
                allele.allele = alleleText(alt);
                allele.cursor = cursor;
                job.alleles.push_back(std::move(allele));
            }
        }
        if (batch->used == 0) {
            continue;
        }
        inFlight.push_back(batch);
        batch->computing = false;
        for (int r = 0; r < batch->used && !batch->computing; ++r) {
            batch->computing = batch->records[size_t(r)].needsComputing();
        }
        // Entries the report writer computed only need their alleles: that is done when written.
        if (pool == nullptr && batch->computing && threads > 1) {
            pool.reset(new AnnotationPool(threads, settings, dbiRef, stateInfo));
        }
        if (pool != nullptr && batch->computing) {
            pool->submit(batch);
        }
    }
    if (stateInfo.isCoR()) {
        return;
    }
    while (!inFlight.empty()) {
        if (!writeOldest()) {
            return;
        }
    }
    perfLog.details(tr("%1: the entries of %2 of %3 variations came from the report writer")
                        .arg(out).arg(shared).arg(counter));
    // 5. Every stored variation must have found its record.
    for (auto it = cursors.begin(); it != cursors.end(); ++it) {
        const qint64 left = it.value()->leftOver();
        if (left > 0) {
            setError(tr("%1 variations of %2 that were read are not in %3: was the file changed after it was read?")
                         .arg(left).arg(it.key(), in));
            return;
        }
    }

    // 6. Close, index, and put both in place.
    if (index != nullptr && bcf_idx_save(output.get()) != 0) {
        setError(tr("Cannot write the index of %1 (%2)").arg(out, index->getTargetPath()));
        return;
    }
    if (hts_close(output.release()) != 0) {
        setError(tr("Cannot finish %1: the disk may be full").arg(out));
        return;
    }
    // The index first: a file at the target always comes with its index.
    if (index != nullptr) {
        if (!index->commit(stateInfo)) {
            return;
        }
        // An index of the other kind beside the file would describe the file it replaces.
        const QString other = out + (csi ? ".tbi" : ".csi");
        if (QFileInfo::exists(other) && !QFile::remove(other)) {
            setError(tr("Cannot remove the stale index %1 of the previous %2").arg(other, out));
            return;
        }
    }
    if (!data.commit(stateInfo)) {
        if (index != nullptr) {
            QFile::remove(index->getTargetPath());
        }
        return;
    }
    outputFiles << out;
    if (index != nullptr) {
        outputFiles << index->getTargetPath();
    }
    stateInfo.setProgress(100);
}

}  // namespace Nx
