#include "RefDbBuilder.h"

#include "BedRegionsReader.h"
#include "DamageMatrixReader.h"
#include "FastaStreamReader.h"
#include "GeneInfoTable.h"
#include "GeneModelParser.h"
#include "KnownMutationsVcfReader.h"
#include "TranscriptChooser.h"

#include <NxCore/core/NxOpStatus.h>
#include <NxCore/core/ProcessAlive.h>
#include <NxCore/dbi/DbiConnection.h>
#include <NxCore/dbi/NxAttributeDbi.h>
#include <NxCore/dbi/sqlite/SQLiteDbi.h>
#include <NxCore/dbi/sqlite/SQLiteFeatureDbi.h>
#include <NxCore/dbi/sqlite/SQLiteKnownMutationsDbi.h>
#include <NxCore/dbi/sqlite/SQLiteQuery.h>
#include <NxCore/dbi/sqlite/SQLiteSequenceDbi.h>
#include <NxCore/records/ReferenceVocabulary.h>
#include <NxCore/variation/KnownMutationsUtils.h>
#include <NxCore/variation/SequenceQueryCache.h>

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QCoreApplication>
#include <QRegularExpression>
#include <QTextStream>

#include <cerrno>
#include <csignal>
#include <cstdio>
#include <cstring>
#include <limits>

#include <unistd.h>

namespace Nx {

namespace {

const char* const SEQUENCE_ALPHABET = "nucl-dna-default";

QString dbError(const QString& what, const NxOpStatus& os) {
    return QString("%1: %2").arg(what, os.getError());
}

void removeDatabaseFiles(const QString& path) {
    for (const char* suffix : {"", "-journal", "-wal", "-shm"}) {
        QFile::remove(path + suffix);
    }
}

// A build killed with SIGKILL cannot clean up: its OUT.tmp-PID files (and journal) are removed by
// the next build of the same OUT once that process is gone. A live owner's files are left alone.
void removeStaleTemporaryFiles(const QFileInfo& outInfo) {
    const QRegularExpression rx("^" + QRegularExpression::escape(outInfo.fileName()) +
                                "\\.tmp-(\\d+)(-journal|-wal|-shm)?$");
    QDir dir = outInfo.absoluteDir();
    for (const QString& name : dir.entryList({outInfo.fileName() + ".tmp-*"}, QDir::Files | QDir::Hidden | QDir::System)) {
        QRegularExpressionMatch m = rx.match(name);
        if (m.hasMatch() && !isProcessAlive(m.captured(1).toLongLong())) {
            QFile::remove(dir.filePath(name));
        }
    }
}

// The temporary database of a running build, removed when the build is interrupted (Ctrl-C,
// kill) so no OUT.tmp-XXXXXX file is left behind. Only async-signal-safe calls in the handler.
char interruptedPath[4096];
char interruptedJournal[4096 + 16];

void removeOnSignal(int sig) {
    if (interruptedPath[0] != 0) {
        unlink(interruptedPath);
        unlink(interruptedJournal);
    }
    _exit(128 + sig);
}

void watchTemporaryFile(const QString& path) {
    QByteArray p = QFile::encodeName(path);
    if (p.size() + 9 >= static_cast<int>(sizeof(interruptedPath))) {
        return;
    }
    std::memcpy(interruptedJournal, p.constData(), p.size());
    std::memcpy(interruptedJournal + p.size(), "-journal", 9);
    std::memcpy(interruptedPath, p.constData(), p.size() + 1);
    struct sigaction sa = {};
    sa.sa_handler = removeOnSignal;
    for (int sig : {SIGINT, SIGTERM, SIGHUP}) {
        sigaction(sig, &sa, nullptr);
    }
}

void unwatchTemporaryFile() {
    interruptedPath[0] = 0;
}

// One transaction per input: begun at construction, committed by commit() on success, and
// ended by the destructor on failure (the temporary file is thrown away then anyway).
class StageTransaction {
public:
    explicit StageTransaction(SQLiteDbi* db) : db(db) { open = db->beginTransaction(os); }
    ~StageTransaction() {
        if (open) {
            NxOpStatusImpl ignored;
            db->endTransaction(ignored);
        }
    }
    bool commit(QString& error) {
        if (open) {
            open = false;
            db->endTransaction(os);
        }
        if (os.hasError()) {
            error = dbError(db->getFilePath(), os);
            return false;
        }
        return true;
    }

private:
    SQLiteDbi* db;
    NxOpStatusImpl os;
    bool open = false;
};

}  // namespace

QByteArray RefDbBuilder::withoutVersion(const QByteArray& id) {
    int dot = id.lastIndexOf('.');
    if (dot <= 0 || dot + 1 >= id.size()) {
        return id;
    }
    for (int i = dot + 1; i < id.size(); ++i) {
        if (id[i] < '0' || id[i] > '9') {
            return id;
        }
    }
    return id.left(dot);
}

QByteArray RefDbBuilder::resolveTranscript(const QByteArray& key) const {
    QByteArray k = key.startsWith("transcript:") ? key.mid(11) : key;
    if (codonCounts.contains(k)) {
        return k;
    }
    QByteArray bare = withoutVersion(k);
    if (codonCounts.contains(bare)) {
        return bare;
    }
    return unversionedIds.value(bare);  // empty when unknown or ambiguous
}

QString RefDbBuilder::storeFailed(const NxOpStatus& os) {
    storageError = tr("%1: cannot write the database: %2").arg(opt.out, os.getError());
    return storageError;
}

void RefDbBuilder::progress(const QString& text) const {
    if (!opt.quiet) {
        std::fprintf(stderr, "nolix-refdb: %s\n", text.toLocal8Bit().constData());
        std::fflush(stderr);
    }
}

bool RefDbBuilder::build(QString& error) {
    if (opt.out.isEmpty() || opt.fasta.isEmpty() || opt.genes.isEmpty()) {
        error = tr("--out, --fasta and --genes are required");
        return false;
    }
    QFileInfo outInfo(opt.out);
    if (outInfo.isDir()) {
        error = tr("%1: the output is a folder").arg(opt.out);
        return false;
    }
    if (!outInfo.absoluteDir().exists()) {
        error = tr("%1: folder %2 does not exist").arg(opt.out, outInfo.absolutePath());
        return false;
    }
    // The finished database replaces OUT: an input given as OUT by mistake would be lost.
    for (const QString& input : {opt.fasta, opt.genes, opt.knownMutations, opt.matrices, opt.segmentalDuplications,
                                 opt.conservedRegions, opt.geneInfo}) {
        if (!input.isEmpty() && QFileInfo(input).exists() &&
            QFileInfo(input).canonicalFilePath() == outInfo.canonicalFilePath()) {
            error = tr("%1: the output would replace the input file %2").arg(opt.out, input);
            return false;
        }
    }
    if (!opt.chosenTranscripts.isEmpty()) {
        const QFileInfo chosenInfo(opt.chosenTranscripts);
        if (chosenInfo.absoluteFilePath() == outInfo.absoluteFilePath()) {
            error = tr("%1: the chosen-transcripts file would replace the database").arg(opt.out);
            return false;
        }
        for (const QString& input : {opt.fasta, opt.genes, opt.knownMutations, opt.matrices, opt.segmentalDuplications,
                                     opt.conservedRegions, opt.geneInfo}) {
            if (!input.isEmpty() && QFileInfo(input).exists() && chosenInfo.exists() &&
                QFileInfo(input).canonicalFilePath() == chosenInfo.canonicalFilePath()) {
                error = tr("%1: the chosen-transcripts file would replace the input file %2")
                            .arg(opt.chosenTranscripts, input);
                return false;
            }
        }
    }
    removeStaleTemporaryFiles(outInfo);
    // Named by this process, so a later build can tell whether its owner still runs.
    const QString tmpPath = QString("%1.tmp-%2").arg(outInfo.absoluteFilePath()).arg(QCoreApplication::applicationPid());
    removeDatabaseFiles(tmpPath);  // a dead process's, whose pid this one now has

    watchTemporaryFile(tmpPath);
    bool ok = buildInto(tmpPath, error);
    if (!ok && !storageError.isEmpty()) {
        error = storageError;  // a full disk is no fault of the input line being read
    }
    if (!chosenTmpPath.isEmpty()) {
        if (ok && std::rename(QFile::encodeName(chosenTmpPath).constData(),
                              QFile::encodeName(opt.chosenTranscripts).constData()) != 0) {
            error = tr("%1: cannot move the chosen-transcripts file into place from %2")
                        .arg(opt.chosenTranscripts, chosenTmpPath);
            ok = false;
        }
        QFile::remove(chosenTmpPath);
    }
    if (ok && std::rename(QFile::encodeName(tmpPath).constData(), QFile::encodeName(outInfo.absoluteFilePath()).constData()) != 0) {
        error = tr("%1: cannot move the finished database into place from %2").arg(opt.out, tmpPath);
        ok = false;
    }
    unwatchTemporaryFile();
    if (!ok) {
        removeDatabaseFiles(tmpPath);
        return false;
    }
    progress(tr("wrote %1").arg(opt.out));
    return true;
}

bool RefDbBuilder::buildInto(const QString& tmpPath, QString& error) {
    NxOpStatusImpl os;
    DbiConnection con(NxDbiRef(SQLITE_DBI_ID, tmpPath), true, os);
    if (os.hasError() || con.dbi == nullptr) {
        error = dbError(tmpPath, os);
        return false;
    }
    SQLiteDbi* db = dynamic_cast<SQLiteDbi*>(con.dbi);
    if (db == nullptr) {
        error = tr("%1: not a SQLite database connection").arg(tmpPath);
        return false;
    }
    // A half-built file is thrown away on any failure, so durability on the way costs time for nothing;
    // the rollback journal keeps the finished file self-contained (no -wal beside it).
    SQLiteQuery::exec("PRAGMA journal_mode=DELETE; PRAGMA synchronous=OFF;", db, os);
    if (os.hasError()) {
        error = dbError(tmpPath, os);
        return false;
    }
    bool ok = loadFasta(db, error) && loadGenes(db, error) && loadMatrices(db, error) &&
              loadRegions(db, opt.segmentalDuplications, ReferenceVocabulary::SEGMENTAL_DUPLICATIONS, error) &&
              loadRegions(db, opt.conservedRegions, ReferenceVocabulary::CONSERVED_REGIONS, error) &&
              loadKnownMutations(db, error);
    NxOpStatusImpl closeOs;
    con.close(closeOs);
    if (ok && closeOs.hasError()) {
        error = dbError(tmpPath, closeOs);
        ok = false;
    }
    return ok;
}

bool RefDbBuilder::loadFasta(SQLiteDbi* db, QString& error) {
    SQLiteSequenceDbi* seqDbi = dynamic_cast<SQLiteSequenceDbi*>(db->getSequenceDbi());
    if (seqDbi == nullptr) {
        error = tr("the database has no sequence table");
        return false;
    }
    FastaStreamReader reader;
    if (!reader.open(opt.fasta, error)) {
        return false;
    }
    NxOpStatusImpl os;
    StageTransaction stage(db);
    QString name;
    QByteArray data;
    while (reader.nextSequence(name, error)) {
        qint64 headerLine = reader.lines().getLineNumber();
        if (sequenceIds.contains(name)) {
            error = reader.lines().where() + tr("sequence '%1' appears twice in the FASTA").arg(name);
            return false;
        }
        NxSequence seq;
        seq.visualName = name;
        seq.alphabet = SEQUENCE_ALPHABET;
        seqDbi->createSequenceObject(seq, os);
        qint64 length = 0;
        qint64 reported = 0;
        while (!os.hasError() && reader.readBlock(data, BLOCK_SIZE, error)) {
            seqDbi->appendSequenceData(seq.id, data, os);
            length += data.size();
            if (length - reported >= 10 * 1000 * 1000) {
                reported = length;
                progress(tr("FASTA %1: %2 Mb").arg(name).arg(length / 1000000));
            }
        }
        if (!error.isEmpty()) {
            return false;
        }
        if (os.hasError()) {
            error = dbError(db->getFilePath(), os);
            return false;
        }
        if (length == 0) {
            error = tr("%1:%2: sequence '%3' has no bases").arg(opt.fasta).arg(headerLine).arg(name);
            return false;
        }
        sequenceIds.insert(name, seq.id);
        sequenceLengths.insert(name, length);
        progress(tr("FASTA %1: %2 bases").arg(name).arg(length));
    }
    if (!error.isEmpty()) {
        return false;
    }
    if (sequenceIds.isEmpty()) {
        error = tr("%1: no sequences in the FASTA file").arg(opt.fasta);
        return false;
    }
    return stage.commit(error);
}

bool RefDbBuilder::loadGenes(SQLiteDbi* db, QString& error) {
    SQLiteFeatureDbi* featureDbi = dynamic_cast<SQLiteFeatureDbi*>(db->getFeatureDbi());
    if (featureDbi == nullptr) {
        error = tr("the database has no feature table");
        return false;
    }
    GeneModelParser parser;
    parser.onProgress = [this](qint64 lines) { progress(tr("%1: %2 lines").arg(opt.genes).arg(lines)); };
    // Warnings go out even with --quiet: they say how a file was read that was not quite right.
    const int MAX_WARNINGS = 20;
    int warnings = 0;
    parser.onWarning = [&warnings](const QString& text) {
        if (++warnings <= MAX_WARNINGS) {
            std::fprintf(stderr, "nolix-refdb: %s\n", text.toLocal8Bit().constData());
        }
    };
    QVector<TranscriptModel> transcripts;
    if (!parser.parse(opt.genes, sequenceLengths, transcripts, error)) {
        return false;
    }
    if (warnings > MAX_WARNINGS) {
        progress(tr("%1: %2 more warnings like these").arg(opt.genes).arg(warnings - MAX_WARNINGS));
    }
    if (!opt.geneInfo.isEmpty()) {
        GeneInfoTable info;
        if (!info.read(opt.geneInfo, error)) {
            return false;
        }
        int unused = info.apply(transcripts);
        if (unused > 0) {
            progress(tr("%1: %2 keys name no gene or transcript of the annotation").arg(opt.geneInfo).arg(unused));
        }
    }
    const QVector<TranscriptModel> kept = keptTranscripts(transcripts, error);
    if (!error.isEmpty()) {
        return false;
    }
    NxOpStatusImpl os;
    StageTransaction stage(db);
    for (const TranscriptModel& t : kept) {
        // A CDS shorter than its phase holds no codon: such a transcript codes for nothing.
        bool coding = t.isCoding() && !t.codingRegion().isEmpty();
        Gene g(t.id, t.storedName, t.span, t.codingRegion(), t.exons, coding, t.reverse);
        g.setAltName(t.altName);
        g.setAccession(t.accession);
        g.setDisease(t.disease);
        featureDbi->createGene(g, sequenceIds.value(t.sequenceName), t.cdsParts, os);
        if (os.hasError()) {
            error = storeFailed(os);
            return false;
        }
        codonCounts.insert(t.id, coding ? t.codonCount() : 0);
        QByteArray bare = withoutVersion(t.id);
        unversionedIds.insert(bare, unversionedIds.contains(bare) ? QByteArray() : t.id);
    }
    return stage.commit(error);
}

QVector<TranscriptModel> RefDbBuilder::keptTranscripts(QVector<TranscriptModel>& transcripts, QString& error) {
    const QVector<TranscriptChooser::Choice> choices = TranscriptChooser::choose(transcripts);
    QVector<bool> chosen(transcripts.size(), false);
    QMap<TranscriptChooser::Reason, int> reasons;
    for (const TranscriptChooser::Choice& c : choices) {
        chosen[c.index] = true;
        reasons[c.reason]++;
    }
    QVector<TranscriptModel> kept;
    if (opt.allTranscripts) {
        // Every transcript under its own name; a name given twice (or none) falls back to the id,
        // so that no two rows of a report can stand for different transcripts under one name.
        QHash<QString, int> nameCount;
        for (const TranscriptModel& t : transcripts) {
            nameCount[t.name]++;
        }
        int byId = 0;
        for (TranscriptModel& t : transcripts) {
            const bool ownName = !t.name.isEmpty() && nameCount.value(t.name) == 1;
            t.storedName = ownName ? t.name : QString::fromLatin1(t.id);
            byId += !ownName;
            // A gene's alternative name on every transcript would make the rows of its
            // transcripts look alike: the transcript's name goes with it.
            if (!t.altName.isEmpty() && !t.infoByTranscript) {
                t.altName = QString("%1 (%2)").arg(t.altName, t.storedName);
            }
            kept.append(t);
        }
        progress(tr("%1: %2 genes, %3 transcripts; kept all %3 under their own names (%4 named by transcript id)")
                     .arg(opt.genes)
                     .arg(choices.size())
                     .arg(transcripts.size())
                     .arg(byId));
    } else {
        for (int i = 0; i < transcripts.size(); ++i) {
            if (chosen[i]) {
                transcripts[i].storedName = transcripts[i].geneName;
                kept.append(transcripts[i]);
            } else {
                droppedIds.insert(transcripts[i].id);
            }
        }
        QStringList counts;
        for (auto it = reasons.constBegin(); it != reasons.constEnd(); ++it) {
            counts << QString("%1 %2").arg(TranscriptChooser::reasonText(it.key())).arg(it.value());
        }
        progress(tr("%1: %2 genes, %3 transcripts; kept one transcript per gene, %4 (by %5)")
                     .arg(opt.genes)
                     .arg(choices.size())
                     .arg(transcripts.size())
                     .arg(kept.size())
                     .arg(counts.join(", ")));
    }
    if (!opt.chosenTranscripts.isEmpty()) {
        QString text;
        QTextStream out(&text);
        out << "# " << tr("The transcript chosen for each gene: %1.").arg(TranscriptChooser::ruleText()) << "\n";
        out << "#gene_id\tgene_name\ttranscript_id\ttranscript_name\tstored_name\treason\ttranscripts_of_gene\n";
        for (const TranscriptChooser::Choice& c : choices) {
            const TranscriptModel& t = transcripts[c.index];
            out << t.geneId << '\t' << t.geneName << '\t' << QString::fromLatin1(t.id) << '\t' << t.name << '\t'
                << t.storedName << '\t' << TranscriptChooser::reasonText(c.reason) << '\t' << c.transcriptsOfGene
                << '\n';
        }
        out.flush();
        if (!writeChosenTranscripts(opt.chosenTranscripts, text, error)) {
            return {};
        }
    }
    return kept;
}

bool RefDbBuilder::writeChosenTranscripts(const QString& path, const QString& text, QString& error) {
    QFileInfo info(path);
    if (info.isDir() || !info.absoluteDir().exists()) {
        error = tr("%1: cannot write the chosen-transcripts file: no such folder, or a folder by that name").arg(path);
        return false;
    }
    const QString tmp = QString("%1.tmp-%2").arg(info.absoluteFilePath()).arg(QCoreApplication::applicationPid());
    QFile f(tmp);
    const QByteArray bytes = text.toUtf8();
    if (!f.open(QIODevice::WriteOnly | QIODevice::Truncate) || f.write(bytes) != bytes.size() || !f.flush()) {
        error = tr("%1: cannot write the chosen-transcripts file: %2").arg(path, f.errorString());
        f.close();
        QFile::remove(tmp);
        return false;
    }
    f.close();
    chosenTmpPath = tmp;
    return true;
}

bool RefDbBuilder::loadMatrices(SQLiteDbi* db, QString& error) {
    if (opt.matrices.isEmpty()) {
        return true;
    }
    NxAttributeDbi* attributes = db->getAttributeDbi();
    if (attributes == nullptr) {
        error = tr("the database has no attribute table");
        return false;
    }
    NxOpStatusImpl os;
    StageTransaction stage(db);
    int stored = 0;
    int unknown = 0;
    int notKept = 0;
    auto onMatrix = [&](const QByteArray& tx, const QMap<int, DamageMatrixReader::Row>& rows, qint64,
                        QString& reason) -> bool {
        QByteArray id = resolveTranscript(tx);
        auto it = codonCounts.constFind(id);
        if (it == codonCounts.constEnd()) {
            QByteArray k = tx.startsWith("transcript:") ? tx.mid(11) : tx;
            if (droppedIds.contains(k) || droppedIds.contains(withoutVersion(k))) {
                ++notKept;
            } else {
                ++unknown;
            }
            return true;
        }
        int length = it.value();
        if (length == 0) {
            reason = tr("transcript '%1' is non-coding and cannot have a damage-effect matrix")
                         .arg(QString::fromLatin1(tx));
            return false;
        }
        if (rows.lastKey() > length) {
            reason = tr("position %1 lies beyond the %2 codons of transcript '%3'")
                         .arg(rows.lastKey())
                         .arg(length)
                         .arg(QString::fromLatin1(tx));
            return false;
        }
        DamageMatrixReader::Row missing;
        missing.fill(-1.0f);
        QVector<DamageMatrixReader::Row> matrix(length, missing);
        for (auto r = rows.constBegin(); r != rows.constEnd(); ++r) {
            matrix[r.key() - 1] = r.value();
        }
        NxIntegerAttribute len;
        len.objectId = id;
        len.name = "DEAttribute_len";
        len.value = length;
        attributes->createIntegerAttribute(len, os);
        NxByteArrayAttribute bytes;
        bytes.objectId = id;
        bytes.name = "DEAttribute";
        bytes.value = DamageMatrix::encode(matrix);
        attributes->createByteArrayAttribute(bytes, os);
        if (os.hasError()) {
            reason = storeFailed(os);
            return false;
        }
        ++stored;
        if (stored % 1000 == 0) {
            progress(tr("%1: %2 matrices").arg(opt.matrices).arg(stored));
        }
        return true;
    };
    if (!DamageMatrixReader::read(opt.matrices, onMatrix, error)) {
        return false;
    }
    progress(tr("%1: %2 matrices stored").arg(opt.matrices).arg(stored));
    if (notKept > 0) {
        progress(tr("%1: %2 matrices belong to transcripts not kept (one transcript per gene; --all-transcripts "
                    "keeps every one); left out")
                     .arg(opt.matrices)
                     .arg(notKept));
    }
    if (unknown > 0) {
        progress(tr("%1: %2 matrices name transcripts that are not in the annotation; left out")
                     .arg(opt.matrices)
                     .arg(unknown));
    }
    return stage.commit(error);
}

bool RefDbBuilder::loadRegions(SQLiteDbi* db, const QString& path, const char* setName, QString& error) {
    if (path.isEmpty()) {
        return true;
    }
    SQLiteFeatureDbi* featureDbi = dynamic_cast<SQLiteFeatureDbi*>(db->getFeatureDbi());
    NxOpStatusImpl os;
    StageTransaction stage(db);
    qint64 count = 0;
    auto onRegion = [&](const QString& seqName, const NxRegion& region, QString& reason) -> bool {
        NxFeature f;
        f.sequenceId = sequenceIds.value(seqName);
        f.featureClass = setName;
        f.location = region;
        featureDbi->createFeature(f, os);
        if (os.hasError()) {
            reason = storeFailed(os);
            return false;
        }
        ++count;
        if (count % 1000000 == 0) {
            progress(tr("%1: %2 regions").arg(path).arg(count));
        }
        return true;
    };
    if (!BedRegionsReader::read(path, sequenceLengths, onRegion, error)) {
        return false;
    }
    progress(tr("%1: %2 %3 regions").arg(path).arg(count).arg(setName));
    return stage.commit(error);
}

bool RefDbBuilder::loadKnownMutations(SQLiteDbi* db, QString& error) {
    if (opt.knownMutations.isEmpty()) {
        return true;
    }
    SQLiteKnownMutationsDbi* kmDbi = dynamic_cast<SQLiteKnownMutationsDbi*>(db->getKnownMutationsDbi());
    if (kmDbi == nullptr) {
        error = tr("the database has no known-mutation table");
        return false;
    }
    NxOpStatusImpl os;
    StageTransaction stage(db);
    QHash<int, NxDataId> tracks;             // chromosome number -> track id
    QHash<int, QList<KnownMutation>> batch;  // waiting to be stored, per chromosome number
    QHash<QString, int> unnumbered;          // chromosome names without a number -> records
    qint64 stored = 0;
    auto flush = [&](int number) -> bool {
        QList<KnownMutation>& list = batch[number];
        kmDbi->addMutations(tracks.value(number), list, os);
        stored += list.size();
        list.clear();
        return !os.hasError();
    };
    // REF alleles are compared with the FASTA: a known-mutation file of another assembly would
    // otherwise match nothing, or the wrong bases, without a word.
    QHash<int, NxDataId> sequenceByNumber;
    for (auto it = sequenceIds.constBegin(); it != sequenceIds.constEnd(); ++it) {
        int number = KnownMutationsUtils::getNumberByChrName(it.key());
        if (number >= 0 && !sequenceByNumber.contains(number)) {
            sequenceByNumber.insert(number, it.value());
        }
    }
    SequenceQueryCache reference(db->getSequenceDbi());
    qint64 refMismatches = 0;
    QString firstMismatch;
    qint64 lastCheckedPosition = -1;
    int lastCheckedNumber = -1;
    auto checkRef = [&](int number, const QString& chrom, const KnownMutation& m) {
        if (!sequenceByNumber.contains(number) || (number == lastCheckedNumber && m.position == lastCheckedPosition)) {
            return;
        }
        lastCheckedNumber = number;
        lastCheckedPosition = m.position;
        reference.setSequenceId(sequenceByNumber.value(number));
        NxOpStatusImpl readOs;
        QByteArray bases = reference.getSequence(NxRegion(m.position, m.refAllele.size()), readOs);
        QByteArray ref = m.refAllele.toUpper();
        bool same = bases.size() == ref.size();
        for (int i = 0; same && i < ref.size(); ++i) {
            same = ref[i] == 'N' || bases[i] == 'N' || ref[i] == bases[i];
        }
        if (!same) {
            if (refMismatches == 0) {
                firstMismatch = tr("%1:%2 REF %3, FASTA %4")
                                    .arg(chrom)
                                    .arg(m.position + 1)
                                    .arg(QString::fromLatin1(m.refAllele),
                                         bases.isEmpty() ? tr("(beyond the sequence end)") : QString::fromLatin1(bases));
            }
            ++refMismatches;
        }
    };
    auto onMutation = [&](const QString& chrom, const KnownMutation& m, QString& reason) -> bool {
        // A mutation past the end of its sequence (or of any position) would be stored and never
        // found again: refuse it with the line.
        const qint64 refLength = m.refAllele.size();
        qint64 seqLength = sequenceLengths.value(chrom, -1);
        if (seqLength < 0) {
            seqLength = sequenceLengths.value(chrom.startsWith("chr") ? chrom.mid(3) : "chr" + chrom, -1);
        }
        if (m.position > std::numeric_limits<qint64>::max() / 2 - refLength ||
            (seqLength >= 0 && m.position + refLength > seqLength)) {
            reason = tr("POS %1 with %2 REF base(s) lies beyond the end of sequence '%3'%4")
                         .arg(m.position + 1)
                         .arg(refLength)
                         .arg(chrom, seqLength >= 0 ? tr(" (%1 bases)").arg(seqLength) : QString());
            return false;
        }
        int number = KnownMutationsUtils::getNumberByChrName(chrom);
        if (number < 0) {
            unnumbered[chrom]++;
            return true;
        }
        checkRef(number, chrom, m);
        if (!tracks.contains(number)) {
            KnownMutationsTrack track;
            track.visualName = chrom;
            track.chromosomeNumber = number;
            kmDbi->createTrack(track, os);
            if (os.hasError()) {
                reason = storeFailed(os);
                return false;
            }
            tracks.insert(number, track.id);
        }
        QList<KnownMutation>& list = batch[number];
        list.append(m);
        if (list.size() >= MUTATION_BATCH) {
            if (!flush(number)) {
                reason = storeFailed(os);
                return false;
            }
            if (stored % 100000 < MUTATION_BATCH) {
                progress(tr("%1: %2 known mutations").arg(opt.knownMutations).arg(stored));
            }
        }
        return true;
    };
    KnownMutationsVcfReader reader;
    if (!reader.read(opt.knownMutations, onMutation, error)) {
        return false;
    }
    for (auto it = tracks.constBegin(); it != tracks.constEnd(); ++it) {
        if (!flush(it.key())) {
            error = dbError(db->getFilePath(), os);
            return false;
        }
    }
    progress(tr("%1: %2 known mutations on %3 chromosomes").arg(opt.knownMutations).arg(stored).arg(tracks.size()));
    for (auto it = unnumbered.constBegin(); it != unnumbered.constEnd(); ++it) {
        progress(tr("%1: %2 alleles on chromosome '%3' left out: not a numbered chromosome (1-22, X, Y, MT)")
                     .arg(opt.knownMutations)
                     .arg(it.value())
                     .arg(it.key()));
    }
    if (refMismatches > 0) {
        progress(tr("%1: warning: %2 records have a REF allele that differs from the FASTA (first: %3); "
                         "was the file made for another assembly?")
                     .arg(opt.knownMutations)
                     .arg(refMismatches)
                     .arg(firstMismatch));
    }
    if (reader.skippedAlleles() > 0) {
        progress(tr("%1: %2 symbolic, '*' or '.' ALT alleles left out").arg(opt.knownMutations).arg(reader.skippedAlleles()));
    }
    return stage.commit(error);
}

}  // namespace Nx
