// The demo files must be deterministic and biologically sound, since the demo, the comparison with
// bcftools and the benchmarks all stand on them.
#include "DemoTestFiles.h"

#include <gtest/gtest.h>

#include <QDir>
#include <QFileInfo>
#include <QSet>
#include <QTemporaryDir>

#include <algorithm>
#include <limits>

using namespace DemoTest;

namespace {

const char* FILES[] = {"genome.fa",    "genes.gff3",    "known_mutations.vcf", "matrices.tsv",
                       "gene_info.tsv", "sd.bed",        "cr.bed",              "variants.vcf"};

class DemoDataTest : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        dir = new QTemporaryDir();
        QString err;
        // NX_DEMO_SEED checks another genome (default 7).
        seed = qEnvironmentVariableIsSet("NX_DEMO_SEED") ? qEnvironmentVariable("NX_DEMO_SEED") : QString("7");
        exitCode = runProgram("nolix-demo-data", {"--out-dir", dir->path(), "--seed", seed}, &err);
        errors = err;
        fasta = readFasta(dir->filePath("genome.fa"));
        transcripts = readGff3(dir->filePath("genes.gff3"), &genes);
    }
    static void TearDownTestSuite() {
        delete dir;
        dir = nullptr;
    }
    void SetUp() override { ASSERT_EQ(exitCode, 0) << errors.toStdString(); }

    static QTemporaryDir* dir;
    static QString seed;
    static int exitCode;
    static QString errors;
    static QHash<QString, QByteArray> fasta;
    static QHash<QString, QStringList> genes;
    static QVector<Transcript> transcripts;
};

QTemporaryDir* DemoDataTest::dir = nullptr;
QString DemoDataTest::seed;
int DemoDataTest::exitCode = -1;
QString DemoDataTest::errors;
QHash<QString, QByteArray> DemoDataTest::fasta;
QHash<QString, QStringList> DemoDataTest::genes;
QVector<Transcript> DemoDataTest::transcripts;

}  // namespace

TEST_F(DemoDataTest, SameSeedSameFilesOtherSeedOtherGenome) {
    QTemporaryDir again;
    ASSERT_EQ(runProgram("nolix-demo-data", {"--out-dir", again.path(), "--seed", seed}), 0);
    for (const char* f : FILES) {
        QByteArray a = readAll(dir->filePath(f));
        EXPECT_FALSE(a.isEmpty()) << f;
        EXPECT_TRUE(a == readAll(again.filePath(f))) << f << " differs between two runs with one seed";
    }
    QTemporaryDir other;
    ASSERT_EQ(runProgram("nolix-demo-data", {"--out-dir", other.path(), "--seed", seed + "1"}), 0);
    EXPECT_FALSE(readAll(dir->filePath("genome.fa")) == readAll(other.filePath("genome.fa")));
}

TEST_F(DemoDataTest, TwoHumanChromosomesWithoutGapsInGenes) {
    ASSERT_EQ(fasta.size(), 2);
    ASSERT_TRUE(fasta.contains("chr7"));
    ASSERT_TRUE(fasta.contains("chr17"));
    for (const Transcript& t : transcripts) {
        ASSERT_TRUE(fasta.contains(t.chrom)) << t.id.toStdString();
        const QByteArray& chr = fasta[t.chrom];
        ASSERT_LE(t.span.endPos(), chr.size()) << t.id.toStdString();
        EXPECT_FALSE(chr.mid(int(t.span.startPos), int(t.span.length)).contains('N')) << t.id.toStdString();
    }
}

TEST_F(DemoDataTest, CodingTranscriptsAreRealOpenReadingFrames) {
    int coding = 0;
    QSet<bool> strands;
    for (const Transcript& t : transcripts) {
        if (t.biotype != "protein_coding") {
            EXPECT_TRUE(t.cds.isEmpty()) << t.id.toStdString();
            continue;
        }
        ++coding;
        strands.insert(t.reverse);
        QByteArray cds = codingSequence(t, fasta[t.chrom]);
        ASSERT_EQ(cds.size() % 3, 0) << t.id.toStdString();
        EXPECT_EQ(cds.left(3), QByteArray("ATG")) << t.id.toStdString();
        EXPECT_EQ(translateCodon(cds.right(3)), '*') << t.id.toStdString();
        for (int i = 0; i + 3 < cds.size(); i += 3) {
            ASSERT_NE(translateCodon(cds.mid(i, 3)), '*') << t.id.toStdString() << " premature stop at codon " << i / 3;
        }
        // Phase column: bases of a part before its first whole codon, counted in transcript order.
        QVector<qint64> pos = codingPositions(t);
        for (int i = 0; i < t.cds.size(); ++i) {
            qint64 first = t.reverse ? t.cds[i].endPos() - 1 : t.cds[i].startPos;
            int offset = pos.indexOf(first);
            EXPECT_EQ(t.cdsPhases[i], (3 - offset % 3) % 3) << t.id.toStdString();
        }
        // Every CDS part lies in an exon; introns are GT..AG on the transcript's strand.
        for (const NxRegion& p : t.cds) {
            bool inside = false;
            for (const NxRegion& e : t.exons) {
                inside = inside || e.contains(p);
            }
            EXPECT_TRUE(inside) << t.id.toStdString();
        }
        for (int i = 0; i + 1 < t.exons.size(); ++i) {
            QByteArray intron = fasta[t.chrom].mid(int(t.exons[i].endPos()), int(t.exons[i + 1].startPos - t.exons[i].endPos()));
            if (t.reverse) {
                intron = reverseComplement(intron);
            }
            EXPECT_TRUE(intron.startsWith("GT") && intron.endsWith("AG")) << t.id.toStdString() << " intron " << i;
        }
    }
    EXPECT_GE(coding, 24);
    EXPECT_EQ(strands.size(), 2);
}

TEST_F(DemoDataTest, AnnotationHasTheSpecialArrangements) {
    bool frGene = false, lncRNA = false, splitCodon = false, utrOnlyExon = false, twoTranscripts = false;
    bool overlap = false;
    QHash<QString, int> perGene;
    int tata = 0;
    for (const Transcript& t : transcripts) {
        frGene = frGene || t.geneName.startsWith("FR");
        lncRNA = lncRNA || t.biotype == "lncRNA";
        if (++perGene[t.geneId] > 1) {
            twoTranscripts = true;
        }
        if (t.exons.size() < 2) {
            continue;
        }
        for (const Transcript& o : transcripts) {
            overlap = overlap || (o.geneId != t.geneId && o.chrom == t.chrom && o.span.intersects(t.span));
        }
        QVector<qint64> pos = codingPositions(t);
        for (int i = 0; i + 2 < pos.size(); i += 3) {
            splitCodon = splitCodon || qAbs(pos[i + 2] - pos[i]) != 2;
        }
        for (const NxRegion& e : t.exons) {
            bool coding = false;
            for (const NxRegion& p : t.cds) {
                coding = coding || e.intersects(p);
            }
            utrOnlyExon = utrOnlyExon || (!coding && !t.cds.isEmpty());
        }
        // TATA box 31 bases before the transcription start, read on the gene's strand.
        const QByteArray& chr = fasta[t.chrom];
        QByteArray upstream = t.reverse ? reverseComplement(chr.mid(int(t.span.endPos() + 24), 7))
                                        : chr.mid(int(t.span.startPos - 31), 7);
        tata += upstream == "TATAAAA";
    }
    EXPECT_TRUE(frGene);
    EXPECT_TRUE(lncRNA);
    EXPECT_TRUE(splitCodon);
    EXPECT_TRUE(utrOnlyExon);
    EXPECT_TRUE(twoTranscripts);
    EXPECT_TRUE(overlap);
    EXPECT_GE(tata, 4);
}

TEST_F(DemoDataTest, VariantsCoverEveryLocationClassAndMatchTheReference) {
    QVector<VcfRecord> records = readVcf(dir->filePath("variants.vcf"));
    QHash<QByteArray, int> classes;
    bool multiBase = false, multiAllelic = false;
    for (const VcfRecord& r : records) {
        ASSERT_TRUE(fasta.contains(r.chrom));
        ASSERT_EQ(fasta[r.chrom].mid(int(r.pos - 1), r.ref.size()), r.ref) << "line " << r.line;
        for (const QByteArray& a : r.alts) {
            EXPECT_NE(a, r.ref) << "line " << r.line;
        }
        multiBase = multiBase || r.ref.size() > 1 || r.alts.first().size() > 1;
        multiAllelic = multiAllelic || r.alts.size() > 1;
        if (r.info.startsWith("DEMO=")) {
            classes[r.info.mid(5)]++;
        }
    }
    EXPECT_TRUE(multiBase);
    EXPECT_TRUE(multiAllelic);
    for (const char* c : {"coding_missense", "coding_synonymous", "coding_split_codon", "coding_start_codon",
                          "coding_stop_codon", "utr5_coding_exon", "utr3_coding_exon", "utr5_noncoding_exon",
                          "intron", "splice_donor", "splice_acceptor", "splice_outside", "transcript_start",
                          "promoter", "tata_box", "intergenic", "noncoding_exon", "mnp_coding", "deletion_coding",
                          "insertion_intron", "multiallelic_coding", "overlapping_genes", "known_match",
                          "known_other_allele"}) {
        EXPECT_GT(classes.value(c), 0) << c;
    }
    // Splice records sit in the four positions around an internal exon boundary of the right kind
    // (donor at the exon's 3' end on the transcript's strand), or just outside them.
    for (const VcfRecord& r : records) {
        if (!r.info.startsWith("DEMO=splice_")) {
            continue;
        }
        const QByteArray kind = r.info.mid(12);
        const qint64 p = r.pos - 1;
        bool found = false;
        for (const Transcript& t : transcripts) {
            for (int i = 0; t.chrom == r.chrom && i < t.exons.size(); ++i) {
                for (int side = 0; side < 2; ++side) {
                    bool end = side == 1;
                    if ((end && i == t.exons.size() - 1) || (!end && i == 0)) {
                        continue;
                    }
                    qint64 b = end ? t.exons[i].endPos() : t.exons[i].startPos;
                    QByteArray here = (end != t.reverse) ? "donor" : "acceptor";
                    bool inWindow = p >= b - 2 && p < b + 2;
                    found = found || (kind == here && inWindow) || (kind == "outside" && (p == b - 3 || p == b + 2));
                }
            }
        }
        EXPECT_TRUE(found) << "line " << r.line << " " << kind.constData();
    }
}

TEST_F(DemoDataTest, PromoterRecordsSitUpstreamOutsideGenesAndIntergenicOnesFarFromAll) {
    int promoters = 0, intergenic = 0;
    for (const VcfRecord& r : readVcf(dir->filePath("variants.vcf"))) {
        const qint64 p = r.pos - 1;
        bool inGene = false, upstream = false;
        qint64 nearest = std::numeric_limits<qint64>::max();
        for (const Transcript& t : transcripts) {
            if (t.chrom != r.chrom) {
                continue;
            }
            inGene = inGene || t.span.contains(p);
            // The window the regulatory report uses: 1000 bases before the 5' end, on the gene's strand.
            upstream = upstream || (t.reverse ? p >= t.span.endPos() && p < t.span.endPos() + 1000
                                              : p < t.span.startPos && p >= t.span.startPos - 1000);
            nearest = std::min(nearest, std::max(t.span.startPos - p, p - (t.span.endPos() - 1)));
        }
        if (r.info == "DEMO=promoter") {
            ++promoters;
            EXPECT_FALSE(inGene) << "line " << r.line;
            EXPECT_TRUE(upstream) << "line " << r.line;
        } else if (r.info == "DEMO=intergenic") {
            ++intergenic;
            EXPECT_GT(nearest, 1000) << "line " << r.line;
        }
    }
    EXPECT_GT(promoters, 10);
    EXPECT_GT(intergenic, 4);
}

TEST_F(DemoDataTest, KnownMutationsCarryIdsScoresAndSomeDemoRecordsMatchThem) {
    QVector<VcfRecord> known = readVcf(dir->filePath("known_mutations.vcf"));
    ASSERT_GT(known.size(), 50);
    int withId = 0, withoutId = 0, sift = 0;
    QSet<QString> keys;
    for (const VcfRecord& k : known) {
        ASSERT_EQ(fasta[k.chrom].mid(int(k.pos - 1), k.ref.size()), k.ref);
        (k.id.startsWith("rs") ? withId : withoutId)++;
        sift += k.info.contains("AVSIFT=");
        for (const QByteArray& kv : k.info.split(';')) {
            keys.insert(QString::fromLatin1(kv.left(kv.indexOf('='))));
        }
    }
    EXPECT_GT(withId, withoutId);
    EXPECT_GT(withoutId, 0);
    EXPECT_GT(sift, 0);
    EXPECT_GE(keys.size(), 13);
    QSet<QString> knownKeys;
    for (const VcfRecord& k : known) {
        knownKeys.insert(QString("%1:%2:%3:%4").arg(k.chrom).arg(k.pos).arg(QString(k.ref)).arg(QString(k.alts[0])));
    }
    int matches = 0;
    for (const VcfRecord& r : readVcf(dir->filePath("variants.vcf"))) {
        matches += knownKeys.contains(QString("%1:%2:%3:%4").arg(r.chrom).arg(r.pos).arg(QString(r.ref)).arg(QString(r.alts[0])));
    }
    EXPECT_GT(matches, 20);
}

TEST_F(DemoDataTest, TablesHaveTheirColumns) {
    QHash<QString, int> proteinLength;
    for (const Transcript& t : transcripts) {
        if (!t.cds.isEmpty()) {
            proteinLength[t.id] = codingSequence(t, fasta[t.chrom]).size() / 3 - 1;
        }
    }
    QHash<QString, int> rows;
    for (const QStringList& row : readTsv(dir->filePath("matrices.tsv"))) {
        ASSERT_EQ(row.size(), 22);
        ASSERT_TRUE(proteinLength.contains(row[0])) << row[0].toStdString();
        int pos = row[1].toInt();
        EXPECT_EQ(pos, ++rows[row[0]]);
    }
    ASSERT_GT(rows.size(), 5);
    EXPECT_LT(rows.size(), proteinLength.size());  // some transcripts have no matrix
    for (auto it = rows.begin(); it != rows.end(); ++it) {
        EXPECT_EQ(it.value(), proteinLength[it.key()]) << it.key().toStdString();
    }
    QList<QStringList> info = readTsv(dir->filePath("gene_info.tsv"));
    ASSERT_GT(info.size(), 5);
    bool accession = false, disease = false;
    for (const QStringList& row : info) {
        ASSERT_EQ(row.size(), 4);
        accession = accession || !row[2].isEmpty();
        disease = disease || !row[3].trimmed().isEmpty();
    }
    EXPECT_TRUE(accession);
    EXPECT_TRUE(disease);
    for (const char* bed : {"sd.bed", "cr.bed"}) {
        QList<QStringList> regions = readTsv(dir->filePath(bed));
        ASSERT_FALSE(regions.isEmpty()) << bed;
        for (const QStringList& r : regions) {
            ASSERT_GE(r.size(), 3);
            ASSERT_TRUE(fasta.contains(r[0]));
            EXPECT_LT(r[1].toLongLong(), r[2].toLongLong());
            EXPECT_LE(r[2].toLongLong(), fasta[r[0]].size());
        }
    }
}

TEST_F(DemoDataTest, RandomVariantsComeOnTopOfTheSameDemoRecords) {
    QTemporaryDir more;
    ASSERT_EQ(runProgram("nolix-demo-data", {"--out-dir", more.path(), "--seed", seed, "--variants", "5000"}), 0);
    QVector<VcfRecord> base = readVcf(dir->filePath("variants.vcf"));
    QVector<VcfRecord> bigger = readVcf(more.filePath("variants.vcf"));
    EXPECT_EQ(bigger.size(), base.size() + 5000);
    QStringList demoBase, demoBigger;
    for (const VcfRecord& r : base) {
        demoBase << QString("%1:%2:%3").arg(r.chrom).arg(r.pos).arg(QString(r.info));
    }
    QString lastChrom;
    qint64 lastPos = 0;
    for (const VcfRecord& r : bigger) {
        ASSERT_EQ(fasta[r.chrom].mid(int(r.pos - 1), r.ref.size()), r.ref) << "line " << r.line;
        if (r.chrom == lastChrom) {
            ASSERT_GE(r.pos, lastPos) << "unsorted at line " << r.line;
        }
        lastChrom = r.chrom;
        lastPos = r.pos;
        if (r.info != ".") {
            demoBigger << QString("%1:%2:%3").arg(r.chrom).arg(r.pos).arg(QString(r.info));
        }
    }
    EXPECT_EQ(demoBigger, demoBase);
}

TEST(DemoDataArgumentsTest, BadArgumentsAreRefusedWithAReason) {
    QTemporaryDir d;
    QString err;
    EXPECT_NE(runProgram("nolix-demo-data", {}, &err), 0);
    EXPECT_TRUE(err.contains("--out-dir")) << err.toStdString();
    EXPECT_NE(runProgram("nolix-demo-data", {"--out-dir", d.path(), "--seed", "abc"}, &err), 0);
    EXPECT_TRUE(err.contains("abc")) << err.toStdString();
    EXPECT_NE(runProgram("nolix-demo-data", {"--out-dir", d.path(), "--variants", "-5"}, &err), 0);
    EXPECT_TRUE(err.contains("-5")) << err.toStdString();
    EXPECT_TRUE(QDir(d.path()).entryList(QDir::Files).isEmpty());
}

TEST_F(DemoDataTest, ReferenceBuilderAcceptsEveryDemoFile) {
    if (!QFileInfo::exists(binaryPath("nolix-refdb"))) {
        GTEST_SKIP() << "nolix-refdb is not built yet";
    }
    QString err;
    int code = runProgram("nolix-refdb",
                          {"--out", dir->filePath("ref.s3db"), "--fasta", dir->filePath("genome.fa"), "--genes",
                           dir->filePath("genes.gff3"), "--known-mutations", dir->filePath("known_mutations.vcf"),
                           "--matrices", dir->filePath("matrices.tsv"), "--segmental-duplications",
                           dir->filePath("sd.bed"), "--conserved-regions", dir->filePath("cr.bed"), "--gene-info",
                           dir->filePath("gene_info.tsv"), "--all-transcripts"},
                          &err);
    ASSERT_EQ(code, 0) << err.toStdString();
    QSet<QString> matrices;
    for (const QStringList& row : readTsv(dir->filePath("matrices.tsv"))) {
        matrices.insert(row[0]);
    }
    EXPECT_TRUE(err.contains(QString("%1 matrices stored").arg(matrices.size()))) << err.toStdString();
    EXPECT_TRUE(err.contains(QString("%1 known mutations").arg(readVcf(dir->filePath("known_mutations.vcf")).size())))
        << err.toStdString();
    EXPECT_TRUE(err.contains(QString("%1 transcripts").arg(transcripts.size()))) << err.toStdString();
}

TEST_F(DemoDataTest, IsoformGenesShowWhichTranscriptTheBuilderKeeps) {
    // Four transcripts each: an alternative first exon, a cassette exon inside an intron of 201,
    // a later coding start; one gene on each strand.
    QHash<QString, QVector<Transcript>> iso;
    for (const Transcript& t : transcripts) {
        if (t.geneName.startsWith("NXISO")) {
            iso[t.geneName] << t;
        }
    }
    ASSERT_EQ(iso.size(), 2);
    EXPECT_NE(iso["NXISO1"][0].reverse, iso["NXISO2"][0].reverse);
    for (const QVector<Transcript>& ts : iso) {
        ASSERT_EQ(ts.size(), 4);
        const Transcript& main = ts[0];
        const int first = main.reverse ? main.exons.size() - 1 : 0;
        EXPECT_FALSE(ts[1].exons.contains(main.exons[first]));  // another first exon
        EXPECT_EQ(ts[2].exons.size(), main.exons.size() + 1);
        for (const NxRegion& e : ts[2].exons) {
            if (!main.exons.contains(e)) {  // the cassette exon lies in an intron of 201
                EXPECT_TRUE(main.span.contains(e));
                for (const NxRegion& m : main.exons) {
                    EXPECT_FALSE(m.intersects(e));
                }
            }
        }
        EXPECT_NE(codingPositions(ts[3]).first(), codingPositions(main).first());
        EXPECT_EQ(codingPositions(ts[3]).last(), codingPositions(main).last());
    }
    if (!QFileInfo::exists(binaryPath("nolix-refdb"))) {
        GTEST_SKIP() << "nolix-refdb is not built yet";
    }
    QSet<QString> geneIds;
    for (const Transcript& t : transcripts) {
        geneIds.insert(t.geneId);
    }
    QString err;
    ASSERT_EQ(runProgram("nolix-refdb", {"--out", dir->filePath("one.s3db"), "--fasta", dir->filePath("genome.fa"),
                                         "--genes", dir->filePath("genes.gff3"), "--chosen-transcripts",
                                         dir->filePath("chosen.tsv")},
                         &err),
              0)
        << err.toStdString();
    EXPECT_TRUE(err.contains(QString("%1 genes, %2 transcripts; kept one transcript per gene, %1 (")
                                 .arg(geneIds.size())
                                 .arg(transcripts.size())))
        << err.toStdString();
    QHash<QString, QStringList> chosen;
    for (const QStringList& row : readTsv(dir->filePath("chosen.tsv"))) {
        chosen.insert(row.value(1), row);
    }
    EXPECT_EQ(chosen.size(), geneIds.size());
    EXPECT_EQ(chosen["NXISO1"].mid(2), QStringList({iso["NXISO1"][0].id, "NXISO1-201", "NXISO1", "MANE Select", "4"}));
    EXPECT_EQ(chosen["NXISO2"].mid(2), QStringList({iso["NXISO2"][2].id, "NXISO2-203", "NXISO2", "longest CDS", "4"}));
}

