// Runs the nolix-refdb program on small inputs and reads the database it wrote.
#include "RefDbRun.h"

#include <NxCore/core/NxOpStatus.h>
#include <NxCore/attributes/NxAttributeUtils.h>
#include <NxCore/dbi/DbiConnection.h>
#include <NxCore/dbi/KnownMutationsDbi.h>
#include <NxCore/dbi/NxFeatureDbi.h>
#include <NxCore/dbi/NxObjectDbi.h>
#include <NxCore/dbi/NxSequenceDbi.h>
#include <NxCore/records/Gene.h>
#include <NxCore/variation/DamageMatrix.h>

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <QThread>

#include <gtest/gtest.h>

#include <signal.h>

using namespace Nx;

namespace {

const char* const FASTA =
    ">chr1 first\n"
    "ACGTACGTAC\n"
    "GTACGTACGT\n"
    "acgtacgtac\n"
    "GTACGTACGT\n"
    ">chr2\n"
    "AAAAAAAAAACCCCCCCCCC\n";

// T1: + strand, 2 exons, incomplete CDS (phase 1). T2: - strand, exons given 5'->3', CDS phase 2
// on its 5'-most (highest) part.
const char* const GFF3 =
    "##gff-version 3\n"
    "chr1\tt\tgene\t2\t30\t.\t+\t.\tID=gene:G1;Name=ALPHA\n"
    "chr1\tt\tmRNA\t2\t30\t.\t+\t.\tID=transcript:T1;Parent=gene:G1\n"
    "chr1\tt\texon\t2\t10\t.\t+\t.\tParent=transcript:T1\n"
    "chr1\tt\texon\t20\t30\t.\t+\t.\tParent=transcript:T1\n"
    "chr1\tt\tCDS\t4\t10\t.\t+\t1\tParent=transcript:T1\n"
    "chr1\tt\tCDS\t20\t25\t.\t+\t0\tParent=transcript:T1\n"
    "chr1\tt\tgene\t5\t40\t.\t-\t.\tID=gene:G2;Name=BETA\n"
    "chr1\tt\tmRNA\t5\t40\t.\t-\t.\tID=transcript:T2;Parent=gene:G2\n"
    "chr1\tt\texon\t31\t40\t.\t-\t.\tParent=transcript:T2\n"
    "chr1\tt\texon\t5\t12\t.\t-\t.\tParent=transcript:T2\n"
    "chr1\tt\tCDS\t31\t38\t.\t-\t2\tParent=transcript:T2\n"
    "chr1\tt\tCDS\t8\t12\t.\t-\t0\tParent=transcript:T2\n";

class RefDbBuilderTest : public ::testing::Test {
protected:
    QString write(const QString& name, const QByteArray& text) {
        QString path = dir.filePath(name);
        QFile f(path);
        f.open(QIODevice::WriteOnly);
        f.write(text);
        return path;
    }

    // Runs the builder; returns the exit code, stderr in err.
    int run(const QStringList& args) {
        return runRefDb(args, out, err);
    }

    QStringList baseArgs() {
        return {"--out", dbPath(), "--fasta", write("ref.fa", FASTA), "--genes", write("genes.gff3", GFF3)};
    }

    QString dbPath() const { return dir.filePath("ref.s3db"); }

    // Files in the folder other than the inputs: what a build left behind.
    QStringList leftovers() const {
        QStringList res;
        for (const QString& f : QDir(dir.path()).entryList(QDir::Files)) {
            if (f.startsWith("ref.s3db")) {
                res << f;
            }
        }
        return res;
    }

    // Expects a failed build whose message names file:line and the reason, and that left nothing.
    void expectFailure(const QStringList& args, const QString& fileLine, const QString& reason) {
        EXPECT_EQ(run(args), 1) << err.toStdString();
        EXPECT_TRUE(err.contains(fileLine)) << err.toStdString();
        EXPECT_TRUE(err.contains(reason)) << err.toStdString();
        EXPECT_TRUE(leftovers().isEmpty()) << leftovers().join(",").toStdString();
    }

    QTemporaryDir dir;
    QString err;
    QString out;
};

TEST_F(RefDbBuilderTest, StoresSequencesGenesMatricesRegionsAndKnownMutations) {
    QStringList args = baseArgs();
    QString matrixRow1 = "T1\t1";
    QString matrixRow2 = "T1\t2";
    for (int i = 0; i < 20; ++i) {
        matrixRow1 += "\t" + QString::number(i / 100.0);
        matrixRow2 += i == 3 ? "\tNA" : "\t0.9";
    }
    args << "--matrices" << write("m.tsv", ("#transcript\tpos\tscores\n" + matrixRow1 + "\n" + matrixRow2 + "\n").toUtf8());
    args << "--gene-info" << write("info.tsv", "#key\talt\tacc\tdisease\nALPHA\tA1\tP1\tAlpha disease\nT2\tB2\tQ2\n");
    args << "--segmental-duplications" << write("sd.bed", "track name=sd\nchr1\t0\t5\nchr2\t3\t9\textra\n");
    args << "--conserved-regions" << write("cr.bed", "chr1\t35\t40\n");
    args << "--known-mutations"
         << write("km.vcf",
                  "##fileformat=VCFv4.2\n#CHROM\tPOS\tID\tREF\tALT\tQUAL\tFILTER\tINFO\n"
                  "chr1\t5\trs5\tA\tC,G\t.\t.\tPHYLOP=0.25,0.75;AVSIFT=0.01;GERP=.\n"
                  "chr1\t7\t.\tG\t<DEL>\t.\t.\t.\n"
                  "chrUn_x\t3\t.\tA\tT\t.\t.\t.\n"
                  "chr2\t1\trs9\tA\tT\t.\t.\tHAPMAP=3\n");
    ASSERT_EQ(run(args), 0) << err.toStdString();
    EXPECT_EQ(leftovers(), QStringList({"ref.s3db"}));

    NxOpStatusImpl os;
    DbiConnection con(NxDbiRef(SQLITE_DBI_ID, dbPath()), false, os);
    ASSERT_FALSE(os.hasError()) << os.getError().toStdString();
    QList<NxDataId> chr1Ids = con.dbi->getObjectDbi()->getObjectsByVisualName("chr1", NxObjectTypes::Sequence, os);
    ASSERT_EQ(chr1Ids.size(), 1);
    NxDataId chr1 = chr1Ids.first();
    EXPECT_EQ(con.dbi->getSequenceDbi()->getSequenceData(chr1, NxRegion(18, 6), os), QByteArray("GTACGT"));
    EXPECT_EQ(con.dbi->getSequenceDbi()->getSequenceObject(chr1, os).length, 40);

    QList<Gene> genes = con.dbi->getFeatureDbi()->getGenesInRegion(chr1, NxRegion(0, 100), os);
    ASSERT_EQ(genes.size(), 2);
    const Gene& t1 = genes[0];
    EXPECT_EQ(t1.getFeatureId(), QByteArray("T1"));
    EXPECT_EQ(t1.getName(), "ALPHA");
    EXPECT_EQ(t1.getAltName(), "A1");
    EXPECT_EQ(t1.getAccession(), "P1");
    EXPECT_EQ(t1.getDisease(), "Alpha disease");
    EXPECT_FALSE(t1.isComplemented());
    EXPECT_EQ(t1.getRegion(), NxRegion(1, 29));
    // CDS 4..25 (1-based) with phase 1: the first full codon starts at base 5, 0-based 4.
    EXPECT_EQ(t1.getCDSRegion(), NxRegion(4, 21));
    EXPECT_EQ(t1.getExons(), QVector<NxRegion>({NxRegion(1, 9), NxRegion(19, 11)}));

    const Gene& t2 = genes[1];
    EXPECT_EQ(t2.getName(), "BETA");
    EXPECT_EQ(t2.getAccession(), "Q2");
    EXPECT_TRUE(t2.isComplemented());
    EXPECT_EQ(t2.getExons(), QVector<NxRegion>({NxRegion(4, 8), NxRegion(30, 10)}));
    // CDS 8..38 with phase 2 on the 5'-most part (highest on the minus strand): it ends 2 bases earlier.
    EXPECT_EQ(t2.getCDSRegion(), NxRegion(7, 29));

    // T1 has (7 - 1 + 6) / 3 = 4 codons; rows 1 and 2 were given.
    NxAttributeDbi* attrs = con.dbi->getAttributeDbi();
    NxIntegerAttribute len = NxAttributeUtils::findIntegerAttribute(attrs, "T1", "DEAttribute_len", os);
    ASSERT_TRUE(len.hasValidId());
    EXPECT_EQ(len.value, 4);
    QByteArray matrix = NxAttributeUtils::findByteArrayAttribute(attrs, "T1", "DEAttribute", os).value;
    EXPECT_EQ(matrix.size(), 4 * DamageMatrix::ROW_BYTES);
    EXPECT_FLOAT_EQ(DamageMatrix::score('C', 0, matrix, 4), 0.01f);
    EXPECT_FLOAT_EQ(DamageMatrix::score('Y', 0, matrix, 4), 0.19f);
    EXPECT_FLOAT_EQ(DamageMatrix::score('A', 1, matrix, 4), 0.9f);
    EXPECT_EQ(DamageMatrix::score('E', 1, matrix, 4), -1.0f);  // NA
    EXPECT_EQ(DamageMatrix::score('A', 3, matrix, 4), -1.0f);  // row not given
    EXPECT_FALSE(NxAttributeUtils::findIntegerAttribute(attrs, "T2", "DEAttribute_len", os).hasValidId());

    EXPECT_TRUE(con.dbi->getFeatureDbi()->hasFeatureInRegion(chr1, NxRegion(4, 1), "SD", os));
    EXPECT_FALSE(con.dbi->getFeatureDbi()->hasFeatureInRegion(chr1, NxRegion(5, 1), "SD", os));
    EXPECT_TRUE(con.dbi->getFeatureDbi()->hasFeatureInRegion(chr1, NxRegion(39, 1), "CR", os));

    KnownMutationsDbi* km = con.dbi->getKnownMutationsDbi();
    KnownMutationsTrack track1 = km->getTrackByChromosome(1, os);
    ASSERT_TRUE(track1.hasValidId());
    QList<KnownMutation> at4;
    NxDbiIterator<KnownMutation>* it = km->getMutationsAt(track1.id, 4, os);
    while (it->hasNext()) {
        at4 << it->next();
    }
    delete it;
    ASSERT_EQ(at4.size(), 2);
    EXPECT_EQ(at4[0].obsAllele, QByteArray("C"));
    EXPECT_EQ(at4[1].obsAllele, QByteArray("G"));
    EXPECT_EQ(at4[1].knownId, QByteArray("rs5"));
    EXPECT_DOUBLE_EQ(at4[0].phyloP, 0.25);
    EXPECT_DOUBLE_EQ(at4[1].phyloP, 0.75);
    EXPECT_DOUBLE_EQ(at4[1].avSift, 0.01);
    EXPECT_DOUBLE_EQ(at4[1].gerpScore, -1.0);
    EXPECT_DOUBLE_EQ(at4[1].lrt, -1.0);
    NxDbiIterator<KnownMutation>* symbolic = km->getMutationsAt(track1.id, 6, os);
    EXPECT_FALSE(symbolic->hasNext());
    delete symbolic;
    EXPECT_TRUE(km->getTrackByChromosome(2, os).hasValidId());
    EXPECT_FALSE(os.hasError()) << os.getError().toStdString();
}

TEST_F(RefDbBuilderTest, BadInputsStopAtTheRecordWithFileLineAndReason) {
    QStringList fastaBad = baseArgs();
    fastaBad[3] = write("bad.fa", ">chr1\nACGT\nAC9T\n");
    expectFailure(fastaBad, "bad.fa:3:", "invalid character '9'");

    QStringList unknownSeq = baseArgs();
    unknownSeq[5] = write("g.gff3", QByteArray(GFF3) + "chr7\tt\texon\t1\t5\t.\t+\t.\tParent=transcript:T1\n");
    expectFailure(unknownSeq, "g.gff3:14:", "sequence 'chr7', which is not in the FASTA");

    QStringList cdsOutside = baseArgs();
    cdsOutside[5] = write("c.gff3", QByteArray(GFF3) + "chr1\tt\tCDS\t13\t15\t.\t+\t0\tParent=transcript:T1\n");
    expectFailure(cdsOutside, "c.gff3:14:", "lies outside the exons of transcript 'T1'");

    QStringList badInfo = baseArgs();
    badInfo << "--known-mutations"
            << write("k.vcf", "##fileformat=VCFv4.2\n#CHROM\tPOS\tID\tREF\tALT\tQUAL\tFILTER\tINFO\n"
                              "chr1\t5\trs5\tA\tC\t.\t.\tPHYLOP=0.2\n"
                              "chr1\t6\trs6\tC\tT\t.\t.\tLRT=0.1;PHYLOP=high\n");
    expectFailure(badInfo, "k.vcf:4:", "malformed value 'high' of INFO key PHYLOP");

    QStringList badPos = baseArgs();
    badPos << "--known-mutations"
           << write("p.vcf", "##fileformat=VCFv4.2\n#CHROM\tPOS\tID\tREF\tALT\tQUAL\tFILTER\tINFO\n"
                             "chr1\tx5\trs5\tA\tC\t.\t.\t.\n");
    expectFailure(badPos, "p.vcf:3:", "bad POS 'x5'");
    for (const char* pos : {" 5", "+5"}) {
        QStringList oddPos = baseArgs();
        oddPos << "--known-mutations"
               << write("o.vcf", QByteArray("##fileformat=VCFv4.2\n#CHROM\tPOS\tID\tREF\tALT\tQUAL\tFILTER\tINFO\n"
                                            "chr1\t") + pos + "\trs5\tA\tC\t.\t.\t.\n");
        expectFailure(oddPos, "o.vcf:3:", QString("bad POS '%1'").arg(pos));
    }

    QStringList badMatrix = baseArgs();
    badMatrix << "--matrices" << write("m.tsv", "T1\t9\t" + QByteArray("0\t").repeated(19) + "0\n");
    expectFailure(badMatrix, "m.tsv:1:", "beyond the 4 codons of transcript 'T1'");

    // Matrices are stored as float32: a finite double beyond its range is refused, not made infinite.
    QStringList hugeScore = baseArgs();
    hugeScore << "--matrices" << write("h.tsv", "T1\t1\t" + QByteArray("0\t").repeated(5) + "-1e39\t" +
                                                    QByteArray("0\t").repeated(13) + "0\n");
    expectFailure(hugeScore, "h.tsv:1:", "score '-1e39' for amino acid G is beyond single precision");

    // Positions past the sequence end, up to the largest POS a VCF can hold, are refused.
    QStringList pastEnd = baseArgs();
    pastEnd << "--known-mutations"
            << write("e.vcf", "##fileformat=VCFv4.2\n#CHROM\tPOS\tID\tREF\tALT\tQUAL\tFILTER\tINFO\n"
                              "chr2\t19\trs1\tCC\tC\t.\t.\t.\n"
                              "chr2\t20\trs2\tCA\tC\t.\t.\t.\n");
    expectFailure(pastEnd, "e.vcf:4:", "POS 20 with 2 REF base(s) lies beyond the end of sequence 'chr2' (20 bases)");
    QStringList hugePos = baseArgs();
    hugePos << "--known-mutations"
            << write("x.vcf", "##fileformat=VCFv4.2\n#CHROM\tPOS\tID\tREF\tALT\tQUAL\tFILTER\tINFO\n"
                              "1\t9223372036854775807\trs1\tACG\tA\t.\t.\t.\n");
    expectFailure(hugePos, "x.vcf:3:", "lies beyond the end of sequence '1' (40 bases)");

    QStringList badBed = baseArgs();
    badBed << "--conserved-regions" << write("r.bed", "chr2\t5\t25\n");
    expectFailure(badBed, "r.bed:1:", "beyond the end of sequence 'chr2'");
}

TEST_F(RefDbBuilderTest, AFailedBuildLeavesAnExistingOutputUntouched) {
    QFile old(dbPath());
    ASSERT_TRUE(old.open(QIODevice::WriteOnly));
    old.write("previous database");
    old.close();
    QStringList args = baseArgs();
    args[5] = write("g.gff3", QByteArray(GFF3) + "chr1\tt\tCDS\t1\t3\t.\t+\t7\tParent=transcript:T1\n");
    EXPECT_EQ(run(args), 1);
    EXPECT_TRUE(err.contains("g.gff3:14: CDS phase must be 0, 1 or 2")) << err.toStdString();
    ASSERT_TRUE(old.open(QIODevice::ReadOnly));
    EXPECT_EQ(old.readAll(), QByteArray("previous database"));
    old.close();
    EXPECT_EQ(leftovers(), QStringList({"ref.s3db"}));

    ASSERT_EQ(run(baseArgs()), 0) << err.toStdString();
    NxOpStatusImpl os;
    DbiConnection con(NxDbiRef(SQLITE_DBI_ID, dbPath()), false, os);
    EXPECT_FALSE(os.hasError()) << os.getError().toStdString();
}

TEST_F(RefDbBuilderTest, GtfGivesTheSameTranscriptsWithTheStopCodonInTheCds) {
    const char* gtf =
        "chr1\tt\texon\t2\t10\t.\t+\t.\tgene_id \"G1\"; transcript_id \"T1\"; gene_name \"ALPHA\";\n"
        "chr1\tt\texon\t20\t30\t.\t+\t.\tgene_id \"G1\"; transcript_id \"T1\"; gene_name \"ALPHA\";\n"
        "chr1\tt\tCDS\t4\t10\t.\t+\t1\tgene_id \"G1\"; transcript_id \"T1\"; gene_name \"ALPHA\";\n"
        "chr1\tt\tCDS\t20\t22\t.\t+\t0\tgene_id \"G1\"; transcript_id \"T1\"; gene_name \"ALPHA\";\n"
        "chr1\tt\tstop_codon\t23\t25\t.\t+\t0\tgene_id \"G1\"; transcript_id \"T1\"; gene_name \"ALPHA\";\n";
    QStringList args = baseArgs();
    args[5] = write("genes.gtf", gtf);
    ASSERT_EQ(run(args), 0) << err.toStdString();
    NxOpStatusImpl os;
    DbiConnection con(NxDbiRef(SQLITE_DBI_ID, dbPath()), false, os);
    NxDataId chr1 = con.dbi->getObjectDbi()->getObjectsByVisualName("chr1", NxObjectTypes::Sequence, os).value(0);
    QList<Gene> genes = con.dbi->getFeatureDbi()->getGenesInRegion(chr1, NxRegion(0, 100), os);
    ASSERT_EQ(genes.size(), 1);
    EXPECT_EQ(genes[0].getFeatureId(), QByteArray("T1"));
    EXPECT_EQ(genes[0].getName(), "ALPHA");
    EXPECT_EQ(genes[0].getRegion(), NxRegion(1, 29));
    EXPECT_EQ(genes[0].getCDSRegion(), NxRegion(4, 21));
}

TEST_F(RefDbBuilderTest, MatrixAndGeneInfoKeysMayOmitTheVersionOfATranscriptId) {
    QStringList args = baseArgs();
    args[5] = write("v.gff3", QByteArray(GFF3).replace("transcript:T1", "transcript:ENST7.3"));
    args << "--matrices" << write("m.tsv", "ENST7\t4\t" + QByteArray("0.5\t").repeated(19) + "0.5\n");
    args << "--gene-info" << write("i.tsv", "ENST7\tseven\n");
    ASSERT_EQ(run(args), 0) << err.toStdString();
    NxOpStatusImpl os;
    DbiConnection con(NxDbiRef(SQLITE_DBI_ID, dbPath()), false, os);
    EXPECT_EQ(NxAttributeUtils::findIntegerAttribute(con.dbi->getAttributeDbi(), "ENST7.3", "DEAttribute_len", os).value, 4);
    EXPECT_EQ(con.dbi->getFeatureDbi()->getGene("ENST7.3", os).getAltName(), "seven");
    EXPECT_FALSE(os.hasError()) << os.getError().toStdString();
}

TEST_F(RefDbBuilderTest, RefAllelesThatDifferFromTheFastaAreReportedButKept) {
    QStringList args = baseArgs();
    args << "--known-mutations"
         << write("k.vcf", "##fileformat=VCFv4.2\n#CHROM\tPOS\tID\tREF\tALT\tQUAL\tFILTER\tINFO\n"
                           "1\t5\trs5\tA\tC\t.\t.\t.\n"      // FASTA chr1:5 is A
                           "1\t6\trs6\tGT\tG\t.\t.\t.\n"     // FASTA chr1:6-7 is CG
                           "1\t8\trs8\tT\tC,G\t.\t.\t.\n");  // FASTA chr1:8 is T
    ASSERT_EQ(run(args), 0) << err.toStdString();
    EXPECT_TRUE(err.contains("k.vcf: warning: 1 records have a REF allele that differs from the FASTA "
                             "(first: 1:6 REF GT, FASTA CG)"))
        << err.toStdString();
    NxOpStatusImpl os;
    DbiConnection con(NxDbiRef(SQLITE_DBI_ID, dbPath()), false, os);
    KnownMutationsTrack t = con.dbi->getKnownMutationsDbi()->getTrackByChromosome(1, os);
    NxDbiIterator<KnownMutation>* it = con.dbi->getKnownMutationsDbi()->getMutationsAt(t.id, 5, os);
    EXPECT_TRUE(it->hasNext());
    delete it;
}

TEST_F(RefDbBuilderTest, CompressedInputsAreReadLikePlainOnes) {
    QStringList args = baseArgs();
    args << "--known-mutations"
         << write("k.vcf", "##fileformat=VCFv4.2\n#CHROM\tPOS\tID\tREF\tALT\tQUAL\tFILTER\tINFO\n"
                           "chr1\t5\trs5\tA\tC\t.\t.\tLRT=0.5\n");
    for (int i : {3, 5, 7}) {
        QProcess gz;
        gz.start("gzip", {"-f", args[i]});
        ASSERT_TRUE(gz.waitForFinished(10000));
        ASSERT_EQ(gz.exitCode(), 0);
        args[i] += ".gz";
    }
    ASSERT_EQ(run(args), 0) << err.toStdString();
    NxOpStatusImpl os;
    DbiConnection con(NxDbiRef(SQLITE_DBI_ID, dbPath()), false, os);
    NxDataId chr2 = con.dbi->getObjectDbi()->getObjectsByVisualName("chr2", NxObjectTypes::Sequence, os).value(0);
    EXPECT_EQ(con.dbi->getSequenceDbi()->getSequenceData(chr2, NxRegion(8, 4), os), QByteArray("AACC"));
    NxDataId chr1 = con.dbi->getObjectDbi()->getObjectsByVisualName("chr1", NxObjectTypes::Sequence, os).value(0);
    EXPECT_EQ(con.dbi->getFeatureDbi()->getGenesInRegion(chr1, NxRegion(0, 40), os).size(), 2);
    KnownMutationsTrack t = con.dbi->getKnownMutationsDbi()->getTrackByChromosome(1, os);
    NxDbiIterator<KnownMutation>* it = con.dbi->getKnownMutationsDbi()->getMutationsAt(t.id, 4, os);
    ASSERT_TRUE(it->hasNext());
    EXPECT_DOUBLE_EQ(it->next().lrt, 0.5);
    delete it;
}

TEST_F(RefDbBuilderTest, HelpDocumentsEveryInputAndBadCommandLinesExitWith2) {
    ASSERT_EQ(run({"--help"}), 0);
    for (const char* word : {"--out", "--fasta", "--genes", "--known-mutations", "--matrices",
                             "--segmental-duplications", "--conserved-regions", "--gene-info", "AVSIFT", "LRT",
                             "PHYLOP", "PP2", "MUTTASTER", "G1000AF", "EXTRA1", "EXTRA2", "GERPCONS", "ALTAF",
                             "HAPMAP", "GERP", "EXTRA3", "GFF3", "GTF", "phase", "DEAttribute_len"}) {
        EXPECT_TRUE(out.contains(word)) << word;
    }
    EXPECT_EQ(run({"--out", dbPath(), "--fasta"}), 2);
    EXPECT_EQ(run({"--bogus"}), 2);
    // An input named as the output is never replaced.
    QStringList overInput = baseArgs();
    overInput[1] = overInput[5];
    EXPECT_EQ(run(overInput), 1);
    EXPECT_TRUE(err.contains("the output would replace the input file")) << err.toStdString();
    QFile genes(overInput[5]);
    ASSERT_TRUE(genes.open(QIODevice::ReadOnly));
    EXPECT_EQ(genes.readAll(), QByteArray(GFF3));
    EXPECT_EQ(run({"--out", dbPath()}), 2);
    EXPECT_TRUE(leftovers().isEmpty());
}

}  // namespace

// A bgzipped known-mutation file cut at a block boundary reads as valid up to the cut; the build
// must refuse it instead of storing half the file.
TEST_F(RefDbBuilderTest, BgzipInputCutAtABlockBoundaryIsRefused) {
    QByteArray vcf = "##fileformat=VCFv4.2\n#CHROM\tPOS\tID\tREF\tALT\tQUAL\tFILTER\tINFO\n";
    for (int i = 0; i < 20000; ++i) {
        vcf += "chr1\t5\trs" + QByteArray::number(i) + "\tA\tC\t.\t.\tLRT=0.5\n";
    }
    const QString plain = write("k.vcf", vcf);
    QProcess bgzip;
    bgzip.start("bgzip", {"-f", plain});
    if (!bgzip.waitForFinished(10000) || bgzip.exitStatus() != QProcess::NormalExit) {
        GTEST_SKIP() << "bgzip is not installed";
    }
    ASSERT_EQ(bgzip.exitCode(), 0);
    const QString gz = plain + ".gz";
    QFile f(gz);
    ASSERT_TRUE(f.open(QIODevice::ReadWrite));
    const qint64 size = f.size();
    ASSERT_GT(size, 28 + 1000);  // several blocks
    ASSERT_TRUE(f.resize(size - 28));  // the empty end-of-file block is exactly 28 bytes
    f.close();

    QStringList args = baseArgs();
    args << "--known-mutations" << gz;
    expectFailure(args, gz, "end-of-file marker is missing");
}

// A build killed with SIGKILL leaves OUT.tmp-PID and its journal; the next build of OUT removes
// them once that process is gone, and keeps those of a live process and of other outputs.
TEST_F(RefDbBuilderTest, NextBuildRemovesTemporaryFilesOfKilledBuilds) {
    // A genome large enough that the build is still writing when it is killed.
    QByteArray genome = ">chr1\n";
    for (int i = 0; i < 400000; ++i) genome += "ACGTACGTACGTACGTACGTACGTACGTACGTACGTACGTACGTACGTACGTACGTACGTACG\n";
    const QString bigFasta = write("big.fa", genome);
    QProcess p;
    p.start(QString(NX_BINARY_DIR) + "/bin/nolix-refdb",
            {"--quiet", "--out", dbPath(), "--fasta", bigFasta, "--genes", write("genes.gff3", GFF3)});
    ASSERT_TRUE(p.waitForStarted());
    const QString killedTmp = QString("ref.s3db.tmp-%1").arg(p.processId());
    for (int i = 0; i < 30000 && !leftovers().contains(killedTmp) && p.state() == QProcess::Running; ++i) {
        QThread::msleep(1);
    }
    ASSERT_EQ(p.state(), QProcess::Running) << "the build ended before it could be killed";
    ::kill(static_cast<pid_t>(p.processId()), SIGKILL);
    p.waitForFinished();
    ASSERT_TRUE(leftovers().contains(killedTmp)) << leftovers().join(",").toStdString();

    // A journal of a dead process (with its database), files of a live one (this test), another
    // output's temporary file and a name without a pid.
    QProcess ended;
    ended.start("true", QStringList());
    ASSERT_TRUE(ended.waitForFinished());
    const QString deadTmp = QString("ref.s3db.tmp-%1").arg(ended.processId());
    write(deadTmp, "x");
    write(deadTmp + "-journal", "x");
    const QString liveTmp = QString("ref.s3db.tmp-%1").arg(QCoreApplication::applicationPid());
    write(liveTmp, "x");
    write(liveTmp + "-journal", "x");
    write("other.s3db.tmp-" + QString::number(ended.processId()), "x");
    write("ref.s3db.tmp-keep", "x");

    ASSERT_EQ(run(baseArgs()), 0) << err.toStdString();
    QStringList left = leftovers();
    left.sort();
    QStringList expected = {"ref.s3db", liveTmp, liveTmp + "-journal", "ref.s3db.tmp-keep"};
    expected.sort();
    EXPECT_EQ(left, expected);
    EXPECT_TRUE(QFile::exists(dir.filePath("other.s3db.tmp-" + QString::number(ended.processId()))));
}

// Lines the builder does not use do not stop it; a transcript given only by CDS lines gets its
// CDS parts as exons; what would be stored wrong or ambiguously is refused with file and line.
TEST_F(RefDbBuilderTest, GeneFileEdgeCasesAreTakenOrRefusedNeverSilentlyChanged) {
    QStringList args = baseArgs();
    args[5] = write("edge.gff3", "##gff-version 3\n"
                                 "chr1\tt\tregion\t0\t40\t.\t+\t.\tID=region:chr1\n"
                                 "chr1\tt\tgene\t3\t999\t.\t+\t.\tID=gene:V1;Name=VIRAL\n"
                                 "chr1\tt\tmRNA\t3\t20\t.\t+\t.\tID=transcript:V1.1;Parent=gene:V1\n"
                                 "chr1\tt\tCDS\t3\t8\t.\t+\t0\tParent=transcript:V1.1\n"
                                 "chr1\tt\tCDS\t12\t20\t.\t+\t0\tParent=transcript:V1.1\n");
    args << "--known-mutations"
         << write("k.vcf", "##fileformat=VCFv4.2\n#CHROM\tPOS\tID\tREF\tALT\tQUAL\tFILTER\tINFO\n"
                           "chr1\t5\trs5\tA\tC\t.\t.\t.\n");
    ASSERT_EQ(run(args), 0) << err.toStdString();
    {
        NxOpStatusImpl os;
        DbiConnection con(NxDbiRef(SQLITE_DBI_ID, dbPath()), false, os);
        NxDataId chr1 = con.dbi->getObjectDbi()->getObjectsByVisualName("chr1", NxObjectTypes::Sequence, os).value(0);
        QList<Gene> genes = con.dbi->getFeatureDbi()->getGenesInRegion(chr1, NxRegion(0, 40), os);
        ASSERT_EQ(genes.size(), 1);
        EXPECT_EQ(genes[0].getName(), QString("VIRAL"));
        EXPECT_EQ(genes[0].getExons(), QVector<NxRegion>({NxRegion(2, 6), NxRegion(11, 9)}));
        EXPECT_EQ(genes[0].getCDSRegion(), NxRegion(2, 18));
    }
    QFile::remove(dbPath());

    const QByteArray header = "##gff-version 3\n";
    QStringList empty = baseArgs();
    empty[5] = write("empty.gff3", "");
    expectFailure(empty, "empty.gff3: the file is empty", "expected GFF3 or GTF gene models");
    QStringList headerOnly = baseArgs();
    headerOnly[5] = write("header.gff3", header + "# nothing\n");
    expectFailure(headerOnly, "header.gff3:", "no transcript (no exon or CDS line) in 2 lines");

    QStringList dupGene = baseArgs();
    dupGene[5] = write("dg.gff3", QByteArray(GFF3) + "chr2\tt\tgene\t1\t5\t.\t+\t.\tID=gene:G1;Name=OTHER\n");
    expectFailure(dupGene, "dg.gff3:14:", "gene ID 'gene:G1' is defined twice (first at line 2)");
    QStringList dupTranscript = baseArgs();
    dupTranscript[5] = write("dt.gff3", QByteArray(GFF3) + "chr2\tt\tmRNA\t1\t5\t.\t+\t.\tID=T1\n"
                                                           "chr2\tt\texon\t1\t5\t.\t+\t.\tParent=T1\n");
    expectFailure(dupTranscript, "dt.gff3:14:", "transcript ID 'T1' is defined twice (first at line 3)");
    QStringList dupGtf = baseArgs();
    dupGtf[5] = write("d.gtf", "chr2\tt\ttranscript\t1\t9\t.\t+\t.\tgene_id \"g\"; transcript_id \"t\";\n"
                               "chr2\tt\ttranscript\t1\t5\t.\t+\t.\tgene_id \"g\"; transcript_id \"t\";\n"
                               "chr2\tt\texon\t1\t5\t.\t+\t.\tgene_id \"g\"; transcript_id \"t\";\n");
    expectFailure(dupGtf, "d.gtf:2:", "transcript 't' has a second transcript line (first at line 1)");

    // A NUL byte cuts a number short where it is parsed as text: "2\0" would read as 2. Near the
    // start it makes the file binary data; further on it is refused at its line.
    const QByteArray nulGff = QByteArray(GFF3).replace("exon\t20\t30", QByteArray("exon\t2\0000\t30", 11));
    QStringList nulEarly = baseArgs();
    nulEarly[5] = write("b.gff3", nulGff);
    expectFailure(nulEarly, "b.gff3: not a text file", "binary data");
    QStringList nul = baseArgs();
    nul[5] = write("n.gff3", QByteArray("# padding of a long header\n").repeated(1000) + nulGff);
    expectFailure(nul, "n.gff3:1005:", "NUL byte in the line (column 14)");
    QStringList nulVcf = baseArgs();
    nulVcf << "--known-mutations"
           << write("nul.vcf", QByteArray("##fileformat=VCFv4.2\n#CHROM\tPOS\tID\tREF\tALT\tQUAL\tFILTER\tINFO\n"
                                          "chr1\t1\0005\trs5\tA\tC\t.\t.\t.\n", 79));
    expectFailure(nulVcf, "nul.vcf:3:", "NUL byte in the line");

    for (const char* ref : {".", "-", "*"}) {
        QStringList noBases = baseArgs();
        noBases << "--known-mutations"
                << write("r.vcf", QByteArray("##fileformat=VCFv4.2\n#CHROM\tPOS\tID\tREF\tALT\tQUAL\tFILTER\tINFO\n"
                                             "chr1\t5\trs5\tA\tC\t.\t.\t.\nchr1\t6\trs6\t") + ref + "\tC\t.\t.\t.\n");
        expectFailure(noBases, "r.vcf:4:", QString("REF '%1' is no bases").arg(ref));
    }
}

// Each message says what is wrong: a folder given as input, compressed data that ends early
// (not the short last line it leaves), and a full disk (the database, not the input line).
TEST_F(RefDbBuilderTest, MessagesNameTheRealFault) {
    QStringList folder = baseArgs();
    folder << "--matrices" << dir.path();
    expectFailure(folder, dir.path() + ": is a folder, not a file", "folder");

    QByteArray rows;
    for (int pos = 1; pos <= 4; ++pos) rows += "T1\t" + QByteArray::number(pos) + QByteArray("\t0.5").repeated(20) + "\n";
    for (int i = 0; i < 2000; ++i) rows += "#" + QByteArray::number(i * 7919) + QByteArray(" padding text").repeated(8) + "\n";
    const QString m = write("m.tsv", rows);
    QProcess gz;
    gz.start("gzip", {"-f", m});
    ASSERT_TRUE(gz.waitForFinished(10000));
    QFile full(m + ".gz");
    ASSERT_TRUE(full.open(QIODevice::ReadOnly));
    const QByteArray packed = full.readAll();
    full.close();
    const QString cut = write("cut.tsv.gz", packed.left(packed.size() / 2));
    QStringList truncated = baseArgs();
    truncated << "--matrices" << cut;
    expectFailure(truncated, "cut.tsv.gz:", "the file is truncated or corrupt");
    EXPECT_FALSE(err.contains("columns")) << err.toStdString();

    // The process may write files of at most 64 KiB: the database outgrows that on a large FASTA.
    QByteArray genome = ">chr1\n";
    for (int i = 0; i < 20000; ++i) genome += "ACGTACGTACGTACGTACGTACGTACGTACGTACGTACGTACGTACGTACGTACGTACGTACG\n";
    QProcess p;
    p.start("sh", {"-c", "trap '' XFSZ; ulimit -f 64; exec \"$0\" \"$@\"", QString(NX_BINARY_DIR) + "/bin/nolix-refdb",
                   "--quiet", "--out", dbPath(), "--fasta", write("big.fa", genome), "--genes",
                   write("genes.gff3", GFF3)});
    ASSERT_TRUE(p.waitForFinished(60000));
    err = QString::fromLocal8Bit(p.readAllStandardError());
    EXPECT_EQ(p.exitCode(), 1) << err.toStdString();
    EXPECT_TRUE(err.contains(dbPath() + ": cannot write the database") || err.contains(".tmp-")) << err.toStdString();
    EXPECT_FALSE(err.contains("big.fa:")) << err.toStdString();
    EXPECT_TRUE(leftovers().isEmpty()) << leftovers().join(",").toStdString();
}
