// nolix-refdb on the multi-isoform test files (six genes, sixteen transcripts, both strands): one
// transcript per gene by default, every transcript under its own name with --all-transcripts, the
// same choice from GFF3 and GTF, and the chosen-transcripts file.
#include "RefDbRun.h"

#include <NxCore/attributes/NxAttributeUtils.h>
#include <NxCore/core/NxOpStatus.h>
#include <NxCore/dbi/DbiConnection.h>
#include <NxCore/dbi/NxFeatureDbi.h>
#include <NxCore/dbi/NxObjectDbi.h>
#include <NxCore/records/Gene.h>

#include <QFile>
#include <QMap>
#include <QTemporaryDir>

#include <gtest/gtest.h>

using namespace Nx;

namespace {

const QString DATA = QString(NX_SOURCE_DIR) + "/tools/nolix_refdb/tests/data/";

// The transcript the rule picks for each gene of the test file, and why.
const QMap<QString, QString> CHOSEN{
    {"MIS1", "ENST00000900001"},  // MANE Select
    {"MIS2", "ENST00000900011"},  // Ensembl canonical over a CCDS with a longer CDS
    {"MIS3", "ENST00000900021"},  // CCDS over a longer CDS
    {"MIS4", "ENST00000900032"},  // same CDS, longer transcript
    {"MIS5", "ENST00000900041"},  // all equal: the smaller id, listed second in the file
    {"MIS6", "ENST00000900051"},  // longer CDS over a longer transcript
};

class TranscriptSelectionBuildTest : public ::testing::Test {
protected:
    int run(QStringList args) {
        args << "--fasta" << DATA + "multi_isoform.fa";
        return runRefDb(args, out, err);
    }

    QString write(const QString& name, const QByteArray& text) {
        QFile f(dir.filePath(name));
        f.open(QIODevice::WriteOnly);
        f.write(text);
        return f.fileName();
    }

    // Stored genes by name: (feature id, alternative name).
    QMap<QString, QPair<QString, QString>> genes(const QString& db) {
        QMap<QString, QPair<QString, QString>> result;
        NxOpStatusImpl os;
        DbiConnection con(NxDbiRef(SQLITE_DBI_ID, db), false, os);
        EXPECT_FALSE(os.hasError()) << os.getError().toStdString();
        if (os.hasError()) {
            return result;
        }
        const NxDataId chr = con.dbi->getObjectDbi()->getObjectsByVisualName("chr9", NxObjectTypes::Sequence, os).value(0);
        for (const Gene& g : con.dbi->getFeatureDbi()->getGenesInRegion(chr, NxRegion(0, 46000), os)) {
            EXPECT_FALSE(result.contains(g.getName())) << "two genes named " << g.getName().toStdString();
            result.insert(g.getName(), {QString::fromLatin1(g.getFeatureId()), g.getAltName()});
        }
        return result;
    }

    bool hasMatrix(const QString& db, const QByteArray& transcript) {
        NxOpStatusImpl os;
        DbiConnection con(NxDbiRef(SQLITE_DBI_ID, db), false, os);
        return NxAttributeUtils::findIntegerAttribute(con.dbi->getAttributeDbi(), transcript, "DEAttribute_len", os)
            .hasValidId();
    }

    // The GFF3 test file as GTF: transcript lines with transcript_name, repeated tag keys and
    // ccds_id; exon and CDS lines with the ids only (the CDS keeps its stop codon).
    QString asGtf() {
        QFile in(DATA + "multi_isoform.gff3");
        EXPECT_TRUE(in.open(QIODevice::ReadOnly));
        QByteArray gtf;
        QMap<QByteArray, QByteArray> geneOf, geneNames;
        for (const QByteArray& line : in.readAll().split('\n')) {
            QList<QByteArray> f = line.split('\t');
            if (f.size() != 9) {
                continue;
            }
            QMap<QByteArray, QByteArray> a;
            for (const QByteArray& kv : f[8].split(';')) {
                a.insert(kv.left(kv.indexOf('=')), kv.mid(kv.indexOf('=') + 1));
            }
            if (f[2] == "gene") {
                geneNames.insert(a["ID"].mid(5), a["Name"]);
                continue;
            }
            QByteArray tx = f[2] == "mRNA" || f[2] == "transcript" ? a["ID"].mid(11) : a["Parent"].mid(11);
            if (f[2] == "mRNA" || f[2] == "transcript") {
                geneOf.insert(tx, a["Parent"].mid(5));
            }
            QByteArray attrs = "gene_id \"" + geneOf[tx] + "\"; transcript_id \"" + tx + "\";";
            if (f[2] == "mRNA" || f[2] == "transcript") {
                attrs += " gene_name \"" + geneNames[geneOf[tx]] + "\"; transcript_name \"" + a["Name"] + "\";";
                for (const QByteArray& tag : a.value("tag").split(',')) {
                    attrs += tag.isEmpty() ? QByteArray() : " tag \"" + tag + "\";";
                }
                attrs += a.contains("ccdsid") ? " ccds_id \"" + a["ccdsid"] + "\";" : QByteArray();
                f[2] = "transcript";
            }
            f[8] = attrs;
            gtf += f.join('\t') + '\n';
        }
        return write("multi_isoform.gtf", gtf);
    }

    QTemporaryDir dir;
    QString err;
    QString out;
};

TEST_F(TranscriptSelectionBuildTest, OneTranscriptPerGeneByTheRuleFromGff3AndGtf) {
    const QString chosen = dir.filePath("chosen.tsv");
    ASSERT_EQ(run({"--out", dir.filePath("gff.s3db"), "--genes", DATA + "multi_isoform.gff3", "--chosen-transcripts",
                   chosen}),
              0)
        << err.toStdString();
    EXPECT_TRUE(err.contains("6 genes, 16 transcripts; kept one transcript per gene, 6 (by MANE Select 1, Ensembl "
                             "canonical 1, CCDS 1, longest CDS 1, longest transcript 1, smallest transcript id 1)"))
        << err.toStdString();
    QMap<QString, QString> stored;
    const auto gffGenes = genes(dir.filePath("gff.s3db"));
    for (auto it = gffGenes.begin(); it != gffGenes.end(); ++it) {
        stored.insert(it.key(), it.value().first);
    }
    EXPECT_EQ(stored, CHOSEN);

    QFile file(chosen);
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    const QList<QByteArray> lines = file.readAll().trimmed().split('\n');
    ASSERT_EQ(lines.size(), 8);
    EXPECT_EQ(lines[1], "#gene_id\tgene_name\ttranscript_id\ttranscript_name\tstored_name\treason\ttranscripts_of_gene");
    EXPECT_EQ(lines[2], "ENSG00000900001\tMIS1\tENST00000900001\tMIS1-201\tMIS1\tMANE Select\t4");
    EXPECT_EQ(lines[5], "ENSG00000900031\tMIS4\tENST00000900032\tMIS4-202\tMIS4\tlongest transcript\t3");

    ASSERT_EQ(run({"--out", dir.filePath("gtf.s3db"), "--genes", asGtf()}), 0) << err.toStdString();
    const auto gtfGenes = genes(dir.filePath("gtf.s3db"));
    QMap<QString, QString> fromGtf;
    for (auto it = gtfGenes.begin(); it != gtfGenes.end(); ++it) {
        fromGtf.insert(it.key(), it.value().first);
    }
    EXPECT_EQ(fromGtf, CHOSEN);
}

TEST_F(TranscriptSelectionBuildTest, AllTranscriptsKeepTheirOwnNamesAndGeneInformation) {
    QByteArray matrix = "ENST00000900012\t1";
    for (int i = 0; i < 20; ++i) {
        matrix += "\t0.5";
    }
    const QString matrices = write("m.tsv", matrix + "\n");
    const QString info = write("info.tsv", "MIS2\tMisc protein 2\tP99999\tDemo disease\n"
                                           "ENST00000900012\tMIS2 long isoform\tP99998\n");
    const QStringList inputs{"--genes", DATA + "multi_isoform.gff3", "--matrices", matrices, "--gene-info", info};

    ASSERT_EQ(run(QStringList{"--out", dir.filePath("one.s3db")} + inputs), 0) << err.toStdString();
    EXPECT_TRUE(err.contains("1 matrices belong to transcripts not kept")) << err.toStdString();
    EXPECT_FALSE(hasMatrix(dir.filePath("one.s3db"), "ENST00000900012"));
    EXPECT_EQ(genes(dir.filePath("one.s3db")).value("MIS2").second, "Misc protein 2");

    ASSERT_EQ(run(QStringList{"--out", dir.filePath("all.s3db"), "--all-transcripts"} + inputs), 0)
        << err.toStdString();
    EXPECT_TRUE(err.contains("6 genes, 16 transcripts; kept all 16 under their own names (0 named by transcript id)"))
        << err.toStdString();
    EXPECT_TRUE(hasMatrix(dir.filePath("all.s3db"), "ENST00000900012"));
    const auto all = genes(dir.filePath("all.s3db"));
    ASSERT_EQ(all.size(), 16);
    EXPECT_EQ(all.value("MIS1-203").first, "ENST00000900003");
    EXPECT_EQ(all.value("MIS5-202").first, "ENST00000900042");
    // The gene's row reaches every transcript; its alternative name carries the transcript's name
    // so that rows of two transcripts never read alike. A transcript's own row is taken as it is.
    EXPECT_EQ(all.value("MIS2-201").second, "Misc protein 2 (MIS2-201)");
    EXPECT_EQ(all.value("MIS2-203").second, "Misc protein 2 (MIS2-203)");
    EXPECT_EQ(all.value("MIS2-202").second, "MIS2 long isoform");
    EXPECT_EQ(all.value("MIS1-201").second, "");
}

TEST_F(TranscriptSelectionBuildTest, SharedOrMissingTranscriptNamesFallBackToIds) {
    QFile in(DATA + "multi_isoform.gff3");
    ASSERT_TRUE(in.open(QIODevice::ReadOnly));
    QByteArray text = in.readAll();
    text.replace("Name=MIS3-202;", "Name=MIS3-201;");  // two transcripts, one name
    text.replace("Name=MIS6-202;", "");                 // no name
    ASSERT_EQ(run({"--out", dir.filePath("all.s3db"), "--all-transcripts", "--genes", write("g.gff3", text)}), 0)
        << err.toStdString();
    EXPECT_TRUE(err.contains("(3 named by transcript id)")) << err.toStdString();
    const auto all = genes(dir.filePath("all.s3db"));
    EXPECT_EQ(all.size(), 16);
    EXPECT_FALSE(all.contains("MIS3-201"));
    EXPECT_EQ(all.value("ENST00000900021").first, "ENST00000900021");
    EXPECT_EQ(all.value("ENST00000900022").first, "ENST00000900022");
    EXPECT_EQ(all.value("ENST00000900052").first, "ENST00000900052");
}

TEST_F(TranscriptSelectionBuildTest, AnUnwritableChosenFileFailsTheBuildAndTheHelpStatesTheRule) {
    const QString db = dir.filePath("x.s3db");
    EXPECT_EQ(run({"--out", db, "--genes", DATA + "multi_isoform.gff3", "--chosen-transcripts",
                   dir.filePath("no/such/folder.tsv")}),
              1);
    EXPECT_TRUE(err.contains("no/such/folder.tsv: cannot write the chosen-transcripts file")) << err.toStdString();
    EXPECT_FALSE(QFile::exists(db));
    EXPECT_EQ(run({"--out", db, "--genes", DATA + "multi_isoform.gff3", "--chosen-transcripts", db}), 1);
    EXPECT_FALSE(QFile::exists(db));
    // An input given as the chosen-transcripts file by mistake is never replaced.
    QFile original(DATA + "multi_isoform.gff3");
    ASSERT_TRUE(original.open(QIODevice::ReadOnly));
    const QString copy = write("genes.gff3", original.readAll());
    EXPECT_EQ(run({"--out", db, "--genes", copy, "--chosen-transcripts", copy}), 1);
    EXPECT_TRUE(err.contains("the chosen-transcripts file would replace the input file")) << err.toStdString();
    QFile kept(copy);
    ASSERT_TRUE(kept.open(QIODevice::ReadOnly));
    EXPECT_TRUE(kept.readAll().startsWith("##gff-version 3"));
    EXPECT_FALSE(QFile::exists(db));

    ASSERT_EQ(run({"--help"}), 0);
    for (const char* text : {"--all-transcripts", "--chosen-transcripts", "MANE Select", "Ensembl canonical", "CCDS",
                             "longest coding", "longest transcript", "smallest transcript id", "transcript_name"}) {
        EXPECT_TRUE(out.contains(text)) << text;
    }
}

}  // namespace
