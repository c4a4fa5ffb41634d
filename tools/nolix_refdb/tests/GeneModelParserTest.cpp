#include "GeneModelParser.h"

#include <QFile>
#include <QTemporaryDir>

#include <gtest/gtest.h>

using namespace Nx;

namespace {

class GeneModelParserTest : public ::testing::Test {
protected:
    bool parse(const QByteArray& text) {
        QString path = dir.filePath("in.txt");
        QFile f(path);
        f.open(QIODevice::WriteOnly);
        f.write(text);
        f.close();
        error.clear();
        return parser.parse(path, sequences, transcripts, error);
    }

    const TranscriptModel* find(const QByteArray& id) const {
        for (const TranscriptModel& t : transcripts) {
            if (t.id == id) {
                return &t;
            }
        }
        return nullptr;
    }

    QTemporaryDir dir;
    GeneModelParser parser;
    SequenceLengths sequences{{"1", 100000}, {"chrX", 5000}};
    QVector<TranscriptModel> transcripts;
    QString error;
};

TEST_F(GeneModelParserTest, GencodeIdsSharedExonsAndDecodedNames) {
    ASSERT_TRUE(parse("1\tH\tgene\t100\t900\t.\t-\t.\tID=ENSG1.2;Name=ABC%3B1;gene_name=ignored\n"
                      "1\tH\ttranscript\t100\t900\t.\t-\t.\tID=ENST1.1;Parent=ENSG1.2\n"
                      "1\tH\texon\t400\t500\t.\t-\t.\tParent=ENST2.1\n"  // before its transcript line
                      "1\tH\tlnc_RNA\t100\t500\t.\t-\t.\tID=ENST2.1;Parent=ENSG1.2\n"
                      "1\tH\texon\t800\t900\t.\t-\t.\tParent=ENST1.1\n"
                      "1\tH\texon\t100\t200\t.\t-\t.\tParent=ENST1.1,ENST2.1\n"
                      "1\tH\tfive_prime_UTR\t850\t900\t.\t-\t.\tParent=ENST1.1\n"
                      // GENCODE: one ID over the lines of a UTR or codon; these are no transcripts.
                      "1\tH\tUTR\t850\t900\t.\t-\t.\tID=UTR5:ENST1.1;Parent=ENST1.1\n"
                      "1\tH\tUTR\t100\t149\t.\t-\t.\tID=UTR5:ENST1.1;Parent=ENST1.1\n"
                      "1\tH\tstart_codon\t847\t849\t.\t-\t0\tID=start_codon:ENST1.1;Parent=ENST1.1\n"
                      "1\tH\tCDS\t800\t849\t.\t-\t1\tParent=ENST1.1\n"
                      "1\tH\tCDS\t150\t200\t.\t-\t0\tParent=ENST1.1\n"))
        << error.toStdString();
    EXPECT_EQ(parser.getFormat(), GeneModelParser::Format::Gff3);
    ASSERT_EQ(transcripts.size(), 2);
    const TranscriptModel* t1 = find("ENST1.1");
    ASSERT_NE(t1, nullptr);
    EXPECT_EQ(t1->geneName, "ABC;1");
    EXPECT_EQ(t1->geneId, "ENSG1.2");
    EXPECT_TRUE(t1->reverse);
    EXPECT_EQ(t1->exons, QVector<NxRegion>({NxRegion(99, 101), NxRegion(799, 101)}));
    EXPECT_EQ(t1->startPhase, 1);  // from the highest CDS part on the minus strand
    EXPECT_EQ(t1->codingRegion(), NxRegion(149, 699));
    EXPECT_EQ(t1->codonCount(), (51 + 50 - 1) / 3);
    const TranscriptModel* t2 = find("ENST2.1");
    ASSERT_NE(t2, nullptr);
    EXPECT_FALSE(t2->isCoding());
    EXPECT_EQ(t2->exons, QVector<NxRegion>({NxRegion(99, 101), NxRegion(399, 101)}));
}

TEST_F(GeneModelParserTest, TranscriptsWithoutGeneLinesAreKept) {
    ASSERT_TRUE(parse("chrX\ts\tmRNA\t10\t60\t.\t+\t.\tID=NM_1;gene_name=XG\n"
                      "chrX\ts\texon\t10\t60\t.\t+\t.\tParent=NM_1\n"
                      "chrX\ts\tCDS\t12\t50\t.\t+\t2\tParent=NM_1\n"))
        << error.toStdString();
    ASSERT_EQ(transcripts.size(), 1);
    EXPECT_EQ(transcripts[0].geneName, "XG");
    EXPECT_EQ(transcripts[0].codingRegion(), NxRegion(13, 37));
}

TEST_F(GeneModelParserTest, StructuralFaultsNameTheirLine) {
    EXPECT_FALSE(parse("1\ts\tmRNA\t10\t600\t.\t+\t.\tID=T\n"
                       "1\ts\texon\t10\t100\t.\t+\t.\tParent=T\n"
                       "1\ts\texon\t90\t200\t.\t+\t.\tParent=T\n"));
    EXPECT_TRUE(error.contains("in.txt:3: exon 90-200 overlaps exon 10-100")) << error.toStdString();

    EXPECT_FALSE(parse("1\ts\tmRNA\t10\t600\t.\t+\t.\tID=T\n"
                       "1\ts\texon\t10\t100\t.\t+\t.\tParent=TX\n"));
    EXPECT_TRUE(error.contains("in.txt:2: exon refers to Parent 'TX'")) << error.toStdString();

    EXPECT_FALSE(parse("1\ts\tmRNA\t10\t600\t.\t+\t.\tID=T\n"
                       "1\ts\texon\t10\t700\t.\t+\t.\tParent=T\n"));
    EXPECT_TRUE(error.contains("in.txt:2: exon 10-700 lies outside its transcript")) << error.toStdString();

    EXPECT_FALSE(parse("1\ts\tmRNA\t10\t600\t.\t+\t.\tID=T\n"
                       "1\ts\texon\t10\t100\t.\t-\t.\tParent=T\n"));
    EXPECT_TRUE(error.contains("in.txt:2:")) << error.toStdString();

    EXPECT_FALSE(parse("1\ts\tmRNA\t10\t600\t.\t+\t.\tID=T\n1\ts\tmRNA\t10\t600\t.\t+\t.\tID=T\n"));
    EXPECT_TRUE(error.contains("in.txt:2: transcript ID 'T' is defined twice (first at line 1)")) << error.toStdString();

    EXPECT_FALSE(parse("1\ts\texon\t10\t100000000\t.\t+\t.\tgene_id \"G\"; transcript_id \"T\";\n"));
    EXPECT_TRUE(error.contains("in.txt:1: end 100000000 lies beyond the end of sequence '1'")) << error.toStdString();

    EXPECT_FALSE(parse("1\ts\texon\t10\t20\t.\t+\t.\tnote\n"));
    EXPECT_TRUE(error.contains("in.txt:1: cannot tell GFF3 from GTF")) << error.toStdString();

    EXPECT_FALSE(parse("1\ts\texon\t10\t20\n"));
    EXPECT_TRUE(error.contains("in.txt:1: expected 9 tab-separated columns, found 5")) << error.toStdString();
}

TEST_F(GeneModelParserTest, GtfTranscriptsStayOnOneSequenceAndGene) {
    ASSERT_TRUE(parse("1\ts\texon\t290\t400\t.\t-\t.\tgene_id \"G\"; transcript_id \"T\"; gene_name \"N\";\n"
                      "1\ts\texon\t100\t200\t.\t-\t.\tgene_id \"G\"; transcript_id \"T\"; gene_name \"N\";\n"
                      "1\ts\tCDS\t300\t350\t.\t-\t0\tgene_id \"G\"; transcript_id \"T\";\n"
                      "1\ts\tstop_codon\t297\t299\t.\t-\t0\tgene_id \"G\"; transcript_id \"T\";\n"))
        << error.toStdString();
    EXPECT_EQ(parser.getFormat(), GeneModelParser::Format::Gtf);
    ASSERT_EQ(transcripts.size(), 1);
    EXPECT_EQ(transcripts[0].span, NxRegion(99, 301));
    EXPECT_EQ(transcripts[0].cdsParts, QVector<NxRegion>({NxRegion(296, 54)}));  // stop codon merged

    EXPECT_FALSE(parse("1\ts\texon\t300\t400\t.\t+\t.\tgene_id \"G\"; transcript_id \"T\";\n"
                       "chrX\ts\texon\t100\t200\t.\t+\t.\tgene_id \"G\"; transcript_id \"T\";\n"));
    EXPECT_TRUE(error.contains("in.txt:2: transcript 'T' is on 1")) << error.toStdString();
    EXPECT_FALSE(parse("1\ts\texon\t300\t400\t.\t+\t.\tgene_id \"G\"; transcript_id \"T\";\n"
                       "1\ts\texon\t100\t200\t.\t+\t.\tgene_id \"H\"; transcript_id \"T\";\n"));
    EXPECT_TRUE(error.contains("in.txt:2: transcript 'T' belongs to gene 'G'")) << error.toStdString();
}

TEST_F(GeneModelParserTest, TranscriptNamesTagsAndCcdsIdsOfBothFormats) {
    ASSERT_TRUE(parse("1\tE\tgene\t100\t900\t.\t+\t.\tID=gene:G1;Name=SEC13\n"
                      "1\tE\tmRNA\t100\t900\t.\t+\t.\tID=transcript:T1;Parent=gene:G1;Name=SEC13-201;"
                      "ccdsid=CCDS2565.1;tag=basic,Ensembl_canonical,MANE_Select\n"
                      "1\tE\texon\t100\t900\t.\t+\t.\tParent=transcript:T1\n"
                      "1\tG\ttranscript\t100\t900\t.\t+\t.\tID=T2;Parent=gene:G1;transcript_name=SEC13-202\n"
                      "1\tG\texon\t100\t900\t.\t+\t.\tParent=T2\n"))
        << error.toStdString();
    ASSERT_EQ(transcripts.size(), 2);
    EXPECT_EQ(transcripts[0].name, "SEC13-201");
    EXPECT_EQ(transcripts[0].geneName, "SEC13");
    EXPECT_EQ(transcripts[0].tags, QStringList({"basic", "Ensembl_canonical", "MANE_Select"}));
    EXPECT_EQ(transcripts[0].ccdsId, "CCDS2565.1");
    EXPECT_EQ(transcripts[1].name, "SEC13-202");
    EXPECT_TRUE(transcripts[1].tags.isEmpty());

    // GTF repeats the tag key; tags of every line of the transcript count.
    ASSERT_TRUE(parse("1\ts\ttranscript\t100\t900\t.\t-\t.\tgene_id \"G\"; transcript_id \"T\"; gene_name \"N\"; "
                      "transcript_name \"N-201\"; tag \"basic\"; tag \"Ensembl_canonical\"; ccds_id \"CCDS7.1\";\n"
                      "1\ts\texon\t100\t900\t.\t-\t.\tgene_id \"G\"; transcript_id \"T\"; tag \"MANE_Select\";\n"))
        << error.toStdString();
    ASSERT_EQ(transcripts.size(), 1);
    EXPECT_EQ(transcripts[0].name, "N-201");
    EXPECT_EQ(transcripts[0].tags, QStringList({"basic", "Ensembl_canonical", "MANE_Select"}));
    EXPECT_EQ(transcripts[0].ccdsId, "CCDS7.1");
}

TEST_F(GeneModelParserTest, TabsInTheAttributeColumnAndAMissingPhaseAreReadOnlyWhereUnambiguous) {
    QStringList warnings;
    parser.onWarning = [&warnings](const QString& w) { warnings << w; };
    // A description with tabs typed into it; a single-part CDS without phase.
    ASSERT_TRUE(parse("1\tE\tgene\t100\t900\t.\t+\t.\tID=gene:G1;Name=ABC;description=alpha\tbeta\tgamma\n"
                      "1\tE\tmRNA\t100\t900\t.\t+\t.\tID=transcript:T1;Parent=gene:G1\n"
                      "1\tE\texon\t100\t900\t.\t+\t.\tParent=transcript:T1\n"
                      "1\tE\tCDS\t200\t499\t.\t+\t.\tParent=transcript:T1\n"))
        << error.toStdString();
    ASSERT_EQ(transcripts.size(), 1);
    EXPECT_EQ(transcripts[0].geneName, "ABC");
    EXPECT_EQ(transcripts[0].startPhase, 0);
    EXPECT_EQ(transcripts[0].codingRegion(), NxRegion(199, 300));
    ASSERT_EQ(warnings.size(), 2);
    EXPECT_TRUE(warnings[0].contains("in.txt:1: warning: 11 tab-separated columns")) << warnings[0].toStdString();
    EXPECT_TRUE(warnings[1].contains("in.txt:4: warning: CDS phase '.' read as 0")) << warnings[1].toStdString();

    // Tabs after the Name: the name still ends at its semicolon; the tab belongs to the next value.
    warnings.clear();
    ASSERT_TRUE(parse("1\tE\tmRNA\t100\t900\t.\t+\t.\tID=T1;Name=X1;Note=a\tb\n"
                      "1\tE\texon\t100\t900\t.\t+\t.\tParent=T1\n"))
        << error.toStdString();
    EXPECT_EQ(transcripts[0].name, "X1");

    // Several CDS parts without phases: the frame would be a guess.
    EXPECT_FALSE(parse("1\tE\tmRNA\t100\t900\t.\t+\t.\tID=T1\n"
                       "1\tE\texon\t100\t300\t.\t+\t.\tParent=T1\n"
                       "1\tE\texon\t500\t900\t.\t+\t.\tParent=T1\n"
                       "1\tE\tCDS\t200\t300\t.\t+\t0\tParent=T1\n"
                       "1\tE\tCDS\t500\t600\t.\t+\t.\tParent=T1\n"));
    EXPECT_TRUE(error.contains("in.txt:5: CDS phase must be 0, 1 or 2, found '.'")) << error.toStdString();
    // Any other phase, a GTF line with extra tabs and a GFF3 line whose extra column is no
    // attribute text stay errors.
    EXPECT_FALSE(parse("1\tE\tmRNA\t100\t900\t.\t+\t.\tID=T1\n1\tE\tCDS\t200\t300\t.\t+\t3\tParent=T1\n"));
    EXPECT_TRUE(error.contains("in.txt:2: CDS phase must be 0, 1 or 2, found '3'")) << error.toStdString();
    EXPECT_FALSE(parse("1\ts\texon\t100\t200\t.\t+\t.\tgene_id \"G\"; transcript_id \"T\";\tnote \"x\";\n"));
    EXPECT_TRUE(error.contains("in.txt:1: expected 9 tab-separated columns, found 10")) << error.toStdString();
    EXPECT_FALSE(parse("1\tE\tmRNA\t100\t900\t.\t+\t.\tID=T1\n1\tE\texon\t100\t900\t.\t+\t.\tParent=T1\t\n"
                       "1\tE\texon\t1\t2\t.\t+\n"));
    EXPECT_TRUE(error.contains("in.txt:3: expected 9 tab-separated columns, found 7")) << error.toStdString();
}

}  // namespace
