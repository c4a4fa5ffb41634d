#include "VcfImporter.h"

#include "HtsPointers.h"

#include <NxCore/core/BoundedQueue.h>
#include <NxCore/core/NxOpStatus.h>
#include <NxCore/dbi/DbiConnection.h>
#include <NxCore/dbi/NxDbi.h>
#include <NxCore/dbi/NxVariantDbi.h>
#include <NxCore/log/Logger.h>

#include <QFile>
#include <QFileInfo>
#include <QHash>
#include <QMutex>
#include <QThread>

#include <htslib/bgzf.h>
#include <htslib/hfile.h>
#include <htslib/kseq.h>
#include <htslib/kstring.h>
#include <htslib/vcf.h>

#include <cstddef>
#include <cstring>
#include <limits>
#include <memory>
#include <vector>

namespace Nx {

namespace {


// Owns the buffer of one kstring_t.
struct LineBuffer {
    kstring_t s = KS_INITIALIZE;
    ~LineBuffer() { ks_free(&s); }
};

QString tr(const char* text) {
    return QCoreApplication::translate("Nx::VcfImporter", text);
}

// An allele in upper case; the usual one-base alleles are static arrays.
QByteArray upperAllele(const char* allele) {
    if (allele[0] != '\0' && allele[1] == '\0') {
        const char base = allele[0];
        QByteArray one = staticOneBaseAllele(base >= 'a' && base <= 'z' ? char(base - 'a' + 'A') : base);
        if (!one.isEmpty()) {
            return one;
        }
    }
    return QByteArray(allele).toUpper();
}

HtsFilePtr openHts(const QString& path) {
    return HtsFilePtr(hts_open(QFile::encodeName(path).constData(), "r"));
}

// Number of lines bcf_hdr_read consumes from a VCF text: everything up to and including the
// "#CHROM" line (blank lines included), so that data line k is line headerLines + k.
int countHeaderLines(const QString& path) {
    HtsFilePtr fp = openHts(path);
    if (!fp) {
        return 0;
    }
    LineBuffer line;
    int n = 0;
    while (hts_getline(fp.get(), KS_SEP_LINE, &line.s) >= 0) {
        ++n;
        if (line.s.l >= 6 && strncmp(line.s.s, "#CHROM", 6) == 0) {
            break;
        }
        if (line.s.l > 0 && line.s.s[0] != '#') {
            break;
        }
    }
    return n;
}

// Bytes of the file consumed so far, for progress.
qint64 bytesRead(htsFile* fp) {
    hFILE* hf = fp->is_bgzf ? fp->fp.bgzf->fp : fp->fp.hfile;
    return hf == nullptr ? 0 : static_cast<qint64>(htell(hf));
}

// The checks htslib leaves out: eight fixed columns, a numeric POS of at least 1, a CHROM.
// Returns the problem, or an empty text.
QString checkFixedColumns(const kstring_t& line) {
    // The record parser reads up to a NUL byte only: the rest of such a line would be lost.
    if (const void* nul = std::memchr(line.s, 0, line.l)) {
        return tr("NUL byte in column %1 of the line: not a text file").arg(static_cast<const char*>(nul) - line.s + 1);
    }
    int tabs = 0;
    const char* tab2 = nullptr;
    const char* tab1 = nullptr;
    for (size_t i = 0; i < line.l && tabs < 7; ++i) {
        if (line.s[i] == '\t') {
            ++tabs;
            if (tabs == 1) tab1 = line.s + i;
            if (tabs == 2) tab2 = line.s + i;
        }
    }
    if (tabs < 7) {
        return tr("a record needs at least 8 tab-separated columns, found %1").arg(tabs + 1);
    }
    if (tab1 == line.s) {
        return tr("CHROM is empty");
    }
    // The usual POS, plain digits that are not all zeros, needs no conversion.
    const char* digits = tab1 + 1;
    const std::ptrdiff_t width = tab2 - digits;
    bool plain = width > 0 && width <= 18;
    bool nonZero = false;
    for (std::ptrdiff_t i = 0; plain && i < width; ++i) {
        plain = digits[i] >= '0' && digits[i] <= '9';
        nonZero = nonZero || digits[i] != '0';
    }
    if (plain && nonZero) {
        return QString();
    }
    QByteArray pos(tab1 + 1, static_cast<int>(tab2 - tab1 - 1));
    bool ok = false;
    qint64 value = pos.toLongLong(&ok);
    if (!ok || value < 1 || pos.startsWith('+')) {
        return tr("POS '%1' is not a position of at least 1").arg(QString::fromLatin1(pos));
    }
    return QString();
}

QString describeErrcode(int errcode) {
    QStringList parts;
    if (errcode & BCF_ERR_NCOLS) parts << tr("wrong number of columns");
    if (errcode & BCF_ERR_LIMITS) parts << tr("a value exceeds the format's limits");
    if (errcode & BCF_ERR_CHAR) parts << tr("invalid characters");
    if (errcode & BCF_ERR_CTG_INVALID) parts << tr("invalid chromosome name");
    if (errcode & BCF_ERR_TAG_INVALID) parts << tr("invalid INFO or FORMAT field");
    return parts.isEmpty() ? tr("the record cannot be parsed") : parts.join(", ");
}

// htslib repairs these by adding the header line itself (and warns); everything else is fatal.
const int TOLERATED_ERRORS = BCF_ERR_CTG_UNDEF | BCF_ERR_TAG_UNDEF;

// What the reading thread hands over: variations of one chromosome, at most a storing batch of
// them, then how reading ended.
struct ReadBatch {
    QByteArray chrom;              // CHROM of every variation here
    QList<NxVariant> variations;   // stored as they are, in one call
    qint64 skipped = 0;            // ALT alleles without bases
    int progress = -1;             // of the file's bytes, when known
    QString error;                 // reading stopped here
    bool last = false;
};

// Batches that may wait for the storing thread.
const int QUEUED_BATCHES = 4;

// Stored batches go back to the reading thread, which frees them: the memory was taken there,
// and the storing thread, the slower of the two, is spared the work.
class SpentBatches {
public:
    void give(ReadBatch&& batch) {
        QMutexLocker locker(&lock);
        batches.push_back(std::move(batch));
    }
    std::vector<ReadBatch> take() {
        QMutexLocker locker(&lock);
        std::vector<ReadBatch> all;
        all.swap(batches);
        return all;
    }

private:
    QMutex lock;
    std::vector<ReadBatch> batches;
};

// The reading side: parses records into variations. Everything here but the database.
class RecordReader {
public:
    RecordReader(htsFile* fp, bcf_hdr_t* hdr, bcf1_t* rec, bool isVcf, qint64 headerLines, qint64 fileSize,
                 const QString& path)
        : fp(fp), hdr(hdr), rec(rec), isVcf(isVcf), lineNo(headerLines), fileSize(fileSize), path(path) {}

    // Reads the whole file into the queue; stops early when the queue is closed.
    void run(BoundedQueue<ReadBatch>& queue, SpentBatches& spent) {
        NxOpStatusImpl os;
        this->queue = &queue;
        this->spent = &spent;
        while (!os.hasError() && !closed && readRecord(os)) {
            if ((lineNo & 0x3FFF) == 0 && fileSize > 0) {
                batch.progress = static_cast<int>(qMin<qint64>(99, bytesRead(fp) * 100 / fileSize));
            }
        }
        if (closed) {
            return;
        }
        batch.error = os.getError();
        batch.last = true;
        trimBatch();
        queue.push(std::move(batch));
    }

    qint64 lastLine() const { return lineNo; }

private:
    // Hands the batch over and starts the next one, for chrom; false once nobody takes batches.
    bool pushBatch(QByteArray nextChrom) {  // a copy: it may be the chrom of the batch handed over
        trimBatch();
        if (!queue->push(std::move(batch))) {
            closed = true;
            return false;
        }
        // Spent batches are freed here, when the vector goes; the list of one is kept: its
        // elements take the next variations without an allocation each.
        std::vector<ReadBatch> done = spent->take();
        batch = ReadBatch();
        batch.chrom = std::move(nextChrom);
        filled = 0;
        for (ReadBatch& b : done) {
            if (b.variations.size() > batch.variations.size()) {
                batch.variations.swap(b.variations);
            }
        }
        batch.variations.reserve(VcfImporter::BATCH_SIZE);
        return true;
    }

    // The batch's list holds exactly its variations, not the rest of a reused list.
    void trimBatch() {
        if (filled < batch.variations.size()) {
            batch.variations.erase(batch.variations.begin() + filled, batch.variations.end());
        }
    }

    // Reads and parses the next record into the batch; false at the end of the file or on an
    // error (in os).
    bool readRecord(NxOpStatus& os) {
        if (isVcf) {
            int ret = hts_getline(fp, KS_SEP_LINE, &line.s);
            if (ret == -1) {
                return false;
            }
            ++lineNo;
            if (ret < -1) {
                os.setError(tr("Cannot read VCF file '%1' at line %2: the file is damaged or truncated").arg(path).arg(lineNo));
                return false;
            }
            if (line.s.l == 0) {
                return true;
            }
            QString problem = checkFixedColumns(line.s);
            if (problem.isEmpty() && (vcf_parse(&line.s, hdr, rec) < 0 || (rec->errcode & ~TOLERATED_ERRORS) != 0)) {
                problem = describeErrcode(rec->errcode);
            }
            if (!problem.isEmpty()) {
                // The piece of a line left before a decompression error is no line of the file.
                LineBuffer after;
                if (hts_getline(fp, KS_SEP_LINE, &after.s) < -1) {
                    os.setError(tr("Cannot read VCF file '%1' after line %2: the compressed data ends early or is damaged (the file is truncated or corrupt)")
                                    .arg(path)
                                    .arg(lineNo - 1));
                    return false;
                }
                os.setError(tr("Malformed VCF file '%1' at line %2: %3").arg(path).arg(lineNo).arg(problem));
                return false;
            }
        } else {
            int ret = bcf_read(fp, hdr, rec);
            if (ret == -1) {
                return false;
            }
            ++lineNo;
            if (ret < -1 || (rec->errcode & ~TOLERATED_ERRORS) != 0) {
                os.setError(tr("Cannot read BCF file '%1' at record %2: %3")
                                .arg(path)
                                .arg(lineNo)
                                .arg(ret < -1 ? tr("the file is damaged or truncated") : describeErrcode(rec->errcode)));
                return false;
            }
        }
        addRecord(os);
        return !os.hasError() && !closed;
    }

    // The variations of one parsed record; lineNo is its line (VCF) or record number (BCF).
    void addRecord(NxOpStatus& os) {
        // Built only on error: this runs once per record.
        auto place = [&]() { return (isVcf ? tr("line %1") : tr("record %1")).arg(lineNo); };
        bcf_unpack(rec, BCF_UN_STR);
        const char* ref = rec->n_allele > 0 ? rec->d.allele[0] : nullptr;
        if (!VcfImporter::isBaseSequence(ref)) {
            os.setError(tr("Malformed VCF file '%1' at %2: REF '%3' is not a sequence of bases")
                            .arg(path, place(), QString::fromLatin1(ref == nullptr ? "" : ref)));
            return;
        }
        int usable = 0;
        if (rec->n_allele == 1) {
            ++batch.skipped;  // ALT is "."
        }
        for (int i = 1; i < rec->n_allele; ++i) {
            if (VcfImporter::isBaseSequence(rec->d.allele[i])) {
                ++usable;
            } else {
                ++batch.skipped;
            }
        }
        if (usable == 0) {
            return;
        }
        if (rec->pos < 0) {
            os.setError(tr("Malformed VCF file '%1' at %2: POS must be at least 1").arg(path, place()));
            return;
        }
        // The REF must end inside the contig: its header length when given, else the largest
        // position a variation can hold (an end beyond it would overflow).
        const qint64 refLength = static_cast<qint64>(strlen(ref));
        const qint64 contigLength = rec->rid >= 0 && rec->rid < hdr->n[BCF_DT_CTG] && hdr->id[BCF_DT_CTG][rec->rid].val != nullptr
                                        ? static_cast<qint64>(hdr->id[BCF_DT_CTG][rec->rid].val->info[0])
                                        : 0;
        const qint64 limit = contigLength > 0 ? contigLength : std::numeric_limits<qint64>::max() / 2;
        if (rec->pos > limit - refLength) {
            os.setError(tr("Malformed VCF file '%1' at %2: POS %3 with %4 REF base(s) lies beyond the end of %5%6")
                            .arg(path, place())
                            .arg(static_cast<qint64>(rec->pos) + 1)
                            .arg(refLength)
                            .arg(QString::fromUtf8(bcf_hdr_id2name(hdr, rec->rid)))
                            .arg(contigLength > 0 ? tr(" (length %1 in the header)").arg(contigLength)
                                                  : tr(" any sequence")));
            return;
        }
        const char* chromName = bcf_hdr_id2name(hdr, rec->rid);
        if (batch.chrom.isNull() || qstrcmp(batch.chrom.constData(), chromName) != 0) {
            // A batch holds one chromosome.
            if (filled > 0) {
                if (!pushBatch(QByteArray(chromName))) {
                    return;
                }
            } else {
                batch.chrom = QByteArray(chromName);
            }
        }
        const QByteArray refData = upperAllele(ref);
        QString publicId;
        if (rec->d.id != nullptr && strcmp(rec->d.id, ".") != 0) {
            publicId = QString::fromUtf8(rec->d.id);
        }
        for (int i = 1; i < rec->n_allele; ++i) {
            if (!VcfImporter::isBaseSequence(rec->d.allele[i])) {
                continue;
            }
            if (filled >= VcfImporter::BATCH_SIZE && !pushBatch(batch.chrom)) {
                return;
            }
            NxVariant v;
            v.startPos = rec->pos;
            v.endPos = rec->pos + refData.size();
            v.refData = refData;
            v.obsData = upperAllele(rec->d.allele[i]);
            v.publicId = publicId;
            if (filled < batch.variations.size()) {
                batch.variations[filled] = std::move(v);
            } else {
                batch.variations.append(std::move(v));
            }
            ++filled;
        }
    }

    htsFile* fp;
    bcf_hdr_t* hdr;
    bcf1_t* rec;
    bool isVcf;
    qint64 lineNo;      // VCF: line of the file; BCF: record number
    qint64 fileSize;
    QString path;
    LineBuffer line;
    ReadBatch batch;                             // being filled
    int filled = 0;                              // variations in batch; its list may hold more
    BoundedQueue<ReadBatch>* queue = nullptr;    // of run
    SpentBatches* spent = nullptr;               // of run
    bool closed = false;                         // the queue took no more
};

// The storing side: tracks by chromosome.
class ImportRun {
public:
    explicit ImportRun(NxVariantDbi* vdbi) : vdbi(vdbi) {}

    // Stores a batch of variations of one chromosome in one call (one commit).
    void store(ReadBatch& batch, NxOpStatus& os) {
        if (batch.variations.isEmpty()) {
            return;
        }
        const int trackIndex = trackFor(batch.chrom, os);
        NX_CHECK_OP(os, );
        vdbi->appendVariants(tracks[trackIndex], batch.variations, os);
        if (!os.hasError()) {
            imported += batch.variations.size();
        }
    }

    QList<NxVariantTrack> tracks;  // in order of first appearance
    qint64 imported = 0;
    qint64 skipped = 0;

private:
    int trackFor(const QByteArray& chrom, NxOpStatus& os) {
        // Batches of one chromosome share its name's data: no hashing per batch.
        if (lastTrack >= 0 && chrom.constData() == lastChrom.constData()) {
            return lastTrack;
        }
        auto it = trackIndexOfChrom.constFind(chrom);
        if (it == trackIndexOfChrom.constEnd()) {
            NxVariantTrack t;
            t.visualName = QString::fromUtf8(chrom);
            t.sequenceName = t.visualName;
            vdbi->createVariantTrack(t, os);
            NX_CHECK_OP(os, -1);
            tracks << t;
            it = trackIndexOfChrom.insert(chrom, tracks.size() - 1);
        }
        lastTrack = it.value();
        lastChrom = chrom;
        return lastTrack;
    }

    NxVariantDbi* vdbi;
    QHash<QByteArray, int> trackIndexOfChrom;  // CHROM -> index in tracks
    int lastTrack = -1;
    QByteArray lastChrom;                      // the CHROM of lastTrack, as last read
};

}  // namespace

bool VcfImporter::isBaseSequence(const char* allele) {
    if (allele == nullptr || *allele == '\0') {
        return false;
    }
    for (const char* c = allele; *c != '\0'; ++c) {
        if (!((*c >= 'A' && *c <= 'Z') || (*c >= 'a' && *c <= 'z'))) {
            return false;
        }
    }
    return true;
}

VcfImporter::VcfImporter(NxDbi* dbi) : dbi(dbi) {
}

VcfImporter::VcfImporter(const DbiConnection& con) : dbi(con.dbi) {
}

QList<NxVariantTrack> VcfImporter::importFile(const QString& path, NxOpStatus& os) {
    importedVariants = 0;
    skippedAlleles = 0;
    NX_CHECK_OP(os, {});
    NxVariantDbi* vdbi = dbi == nullptr ? nullptr : dbi->getVariantDbi();
    if (vdbi == nullptr) {
        os.setError(tr("No database with a variant table to import '%1' into").arg(path));
        return {};
    }
    QFileInfo fi(path);
    if (!fi.exists()) {
        os.setError(tr("VCF file '%1' does not exist").arg(path));
        return {};
    }
    if (fi.isDir()) {
        os.setError(tr("'%1' is a folder, not a VCF file").arg(path));
        return {};
    }
    if (!fi.isFile()) {
        // The header is counted in a first pass, so a pipe would be read up before the import.
        os.setError(tr("'%1' is not a regular file (a named pipe or a device); give the VCF as a file").arg(path));
        return {};
    }
    HtsFilePtr fp = openHts(path);
    if (!fp) {
        os.setError(tr("Cannot open VCF file '%1'").arg(path));
        return {};
    }
    const htsFormat* format = hts_get_format(fp.get());
    bool isVcf = format->format == vcf;
    if (!isVcf && format->format != bcf) {
        os.setError(tr("'%1' is not a VCF or BCF file (a VCF file starts with '##fileformat=VCF')").arg(path));
        return {};
    }
    int headerLines = isVcf ? countHeaderLines(path) : 0;
    HtsHeaderPtr hdr(bcf_hdr_read(fp.get()));
    if (!hdr) {
        os.setError(tr("Cannot read the header of VCF file '%1' (it must end with a '#CHROM' line)").arg(path));
        return {};
    }
    HtsRecordPtr rec(bcf_init());
    // Nothing past ALT is stored; INFO and samples need no unpacking.
    rec->max_unpack = BCF_UN_STR;

    // htslib reads a bgzipped file cut inside a block as if it ended there; only the missing
    // end-of-file marker tells.
    bool eofMarkerMissing = fp->is_bgzf && format->compression == bgzf && bgzf_check_EOF(fp->fp.bgzf) == 0;
    // BGZF blocks (bgzipped VCF, BCF) are inflated by an htslib thread ahead of the parsing: the
    // parsing thread then does the same work as for a plain file. A failure only costs that help.
    if (format->compression == bgzf && hts_set_threads(fp.get(), 1) != 0) {
        ioLog.details(tr("'%1' is decompressed on the reading thread").arg(path));
    }

    // One thread reads and parses the file while this one stores what it read, batch by batch.
    ImportRun run(vdbi);
    RecordReader reader(fp.get(), hdr.get(), rec.get(), isVcf, headerLines, fi.size(), path);
    BoundedQueue<ReadBatch> queue(QUEUED_BATCHES);
    SpentBatches spent;
    os.setProgress(0);
    std::unique_ptr<QThread> reading(QThread::create([&reader, &queue, &spent]() { reader.run(queue, spent); }));
    reading->start();
    while (!os.isCoR()) {
        ReadBatch batch = queue.pop();
        run.store(batch, os);
        run.skipped += batch.skipped;
        if (batch.progress >= 0) {
            os.setProgress(batch.progress);
        }
        if (!batch.error.isEmpty() && !os.hasError()) {
            os.setError(batch.error);
        }
        const bool last = batch.last;
        spent.give(std::move(batch));
        if (last) {
            break;
        }
    }
    queue.close();
    reading->wait();
    if (!os.isCoR() && eofMarkerMissing) {
        os.setError(tr("Cannot read %1 file '%2' after %3 %4: the file is truncated (its end-of-file marker is missing)")
                        .arg(isVcf ? "VCF" : "BCF", path, isVcf ? tr("line") : tr("record"))
                        .arg(reader.lastLine()));
    }
    importedVariants = run.imported;
    skippedAlleles = run.skipped;
    if (skippedAlleles > 0) {
        ioLog.info(tr("Skipped %1 ALT alleles of '%2' that are symbolic, breakends, '*' or missing")
                       .arg(skippedAlleles)
                       .arg(path));
    }
    ioLog.details(tr("Imported %1 variations in %2 tracks from '%3'").arg(importedVariants).arg(run.tracks.size()).arg(path));
    if (!os.isCoR()) {
        os.setProgress(100);
    }
    return run.tracks;
}

}  // namespace Nx
