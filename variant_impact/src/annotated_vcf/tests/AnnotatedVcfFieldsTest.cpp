// The texts of the annotated VCF: escaping of answers, the consequence terms read from the
// report's location texts, and the "find-in-annotated-vcf" XML test element on a small file.
#include "../../tests/XmlTestElementRun.h"

#include <annotated_vcf/AnnotatedVcfFields.h>
#include <annotated_vcf/GTest_FindInAnnotatedVcf.h>

#include <NxPrivate/core/AppContextImpl.h>
#include <NxTest/GTestEnvironment.h>

#include <QCoreApplication>
#include <QDomDocument>
#include <QFile>
#include <QTemporaryDir>

#include <gtest/gtest.h>

using namespace Nx;
namespace F = Nx::AnnotatedVcfFields;

namespace {

TEST(AnnotatedVcfFieldsTest, EscapingLeavesNoReservedCharacterAndIsUndone) {
    const QString answer = "PBX2 MA1113.1 (score 10.95 p=7.3e-05 +33, x); 50%|a&b\tc\r\nd";
    const QString escaped = F::escape(answer);
    for (const QChar c : QString(";=, \t\r\n|&")) {
        EXPECT_FALSE(escaped.contains(c)) << escaped.toStdString();
    }
    EXPECT_EQ(escaped.left(14), "PBX2%20MA1113.");
    EXPECT_TRUE(escaped.contains("p%3D7.3e-05%20+33%2C%20x)%3B%2050%25%7Ca%26b%09c%0D%0Ad"));
    EXPECT_EQ(F::unescape(escaped), answer);
    // Text that only looks like an escape stays as it is.
    EXPECT_EQ(F::unescape("100%"), "100%");
    EXPECT_EQ(F::unescape("%G1x"), "%G1x");
    EXPECT_EQ(F::entry({"A", "x|y", ""}), "A|x%7Cy|");
    // Appended as UTF-8 it is the same entry, also with text beyond ASCII, and after what was there.
    for (const QStringList& parts : {QStringList{"A", "x|y", ""}, QStringList{answer, "", "-"},
                                     QStringList{QString::fromUtf8("Gr\xC3\xB6\xC3\x9F" "e; \xE2\x86\x92|x"), "a%b"},
                                     QStringList{}}) {
        QByteArray appended("C|");
        F::appendEntry(parts, appended);
        EXPECT_EQ(appended, "C|" + F::entry(parts).toUtf8());
    }
}

TEST(AnnotatedVcfFieldsTest, HeaderLinesDeclareEveryFieldWithItsLayout) {
    const QList<QByteArray> ids = F::fieldIds();
    ASSERT_EQ(ids.size(), 8);
    for (const QByteArray& id : ids) {
        const QByteArray line = F::headerLine(id);
        EXPECT_TRUE(line.startsWith("##INFO=<ID=" + id + ",Number=.,Type=String,Description=\"")) << line.constData();
        EXPECT_TRUE(line.contains("Format: Allele|")) << line.constData();
        EXPECT_TRUE(line.endsWith("\">"));
        EXPECT_EQ(line.count('"'), 2) << "a quote inside the description ends it early";
    }
    EXPECT_TRUE(F::headerLine("NXCSQ").contains(
        "Format: Allele|Gene|Transcript|Consequence|Codon|AminoAcidChange|SIFT|SIFTscore|TSSDistance."));
    EXPECT_TRUE(F::headerLine("OTHER").isEmpty());
}

TEST(AnnotatedVcfFieldsTest, ConsequenceTermsFollowTheLocationAndTheChange) {
    const QString exon = "CDS. Exon: 7583..7716";
    EXPECT_EQ(F::consequence(exon, "R100G", true, 1, 1), "missense_variant");
    EXPECT_EQ(F::consequence(exon, "T98T", true, 1, 1), "synonymous_variant");
    EXPECT_EQ(F::consequence(exon, "R100*", true, 1, 1), "stop_gained");
    EXPECT_EQ(F::consequence(exon, "*108L", true, 1, 1), "stop_lost");
    EXPECT_EQ(F::consequence(exon, "*108*", true, 1, 1), "stop_retained_variant");
    EXPECT_EQ(F::consequence(exon, "M1L", true, 1, 1), "start_lost");
    EXPECT_EQ(F::consequence(exon, "M12L", true, 1, 1), "missense_variant");
    EXPECT_EQ(F::consequence(exon, "M10L", true, 1, 1), "missense_variant");
    // Not a change of one residue at a position: no term can be told.
    for (const char* odd : {"RG", "R1", "r100g", "R10xG", "R100GG", "1R100G", "-"}) {
        EXPECT_EQ(F::consequence(exon, odd, true, 1, 1), "coding_sequence_variant") << odd;
    }
    EXPECT_EQ(F::consequence(exon, "R94X", true, 3, 1), "frameshift_variant");
    EXPECT_EQ(F::consequence(exon, "", true, 4, 1), "inframe_deletion");
    EXPECT_EQ(F::consequence(exon, "", true, 1, 4), "inframe_insertion");
    EXPECT_EQ(F::consequence(exon, "", true, 2, 2), "coding_sequence_variant");
    EXPECT_EQ(F::consequence(exon + ". Acceptor splice-site.", "T98T", true, 1, 1),
              "synonymous_variant&splice_region_variant");
    EXPECT_EQ(F::consequence("CDS. Donor splice-site of the intron 7717..7799, nearest exon is: 7583..7716", "", true, 1, 1),
              "splice_donor_variant&intron_variant");
    EXPECT_EQ(F::consequence("Out of CDS. 5'-end of gene. Acceptor splice-site of the intron 1..9, nearest exon is: 10..20",
                             "", true, 1, 1),
              "splice_acceptor_variant&intron_variant");
    EXPECT_EQ(F::consequence("CDS. Intron: 7717..7799", "", true, 1, 1), "intron_variant");
    EXPECT_EQ(F::consequence("Out of CDS. 3'-end of gene. Intron.", "", true, 1, 1), "intron_variant");
    EXPECT_EQ(F::consequence("Out of CDS. 5'-end of gene. Non-coding part of 3'-coding exon: 1..50", "", true, 1, 1),
              "5_prime_UTR_variant");
    EXPECT_EQ(F::consequence("Out of CDS. 3'-end of gene. Non-coding exon: 1..50", "", true, 1, 1),
              "3_prime_UTR_variant");
    EXPECT_EQ(F::consequence("Out of CDS. 5'-end of gene. Non-coding exon: 1..50", "", false, 1, 1),
              "non_coding_transcript_exon_variant");
    // Genes named FR* have no "CDS. " prefix.
    EXPECT_EQ(F::consequence("Exon: 1..90", "K3R", true, 1, 1), "missense_variant");
}

void ensureApplication() {
    if (QCoreApplication::instance() == nullptr) {
        static int argc = 1;
        static char name[] = "annotated_vcf_fields_test";
        static char* argv[] = {name, nullptr};
        new QCoreApplication(argc, argv);
    }
    AppContextImpl::getApplicationContext();
}

class FindInAnnotatedVcfTest : public ::testing::Test {
protected:
    void SetUp() override {
        ensureApplication();
        ASSERT_TRUE(dir.isValid());
        env.setVar("TEMP_DATA_DIR", dir.path());
        QFile f(dir.filePath("a.vcf"));
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        f.write("##fileformat=VCFv4.2\n##contig=<ID=chr7>\n" + F::headerLine("NXCSQ") + "\n" + F::headerLine("NXRSNP") +
                "\n##INFO=<ID=OTHER,Number=1,Type=String,Description=\"no layout\">\n"
                "#CHROM\tPOS\tID\tREF\tALT\tQUAL\tFILTER\tINFO\n"
                "chr7\t100\t.\tC\tA,T\t.\t.\tNXCSQ=A|G1|T1|missense_variant|TTG->TTT|L95F|||,"
                "T|G1|T1|synonymous_variant|TTG->TTA|L95L|||,T|G2|T2|missense_variant|AAA->ATA|K3I|Damaging|0.01|;"
                "NXRSNP=T|PBX2%20MA1113.1%3B%20x\n"
                "chr7\t200\t.\tG\tC\t.\t.\t.\n");
    }

    QString run(const QString& attributes, const QString& file = "a.vcf") {
        GTest_FindInAnnotatedVcf::Factory factory;
        return runXmlTestElement(factory, "<find-in-annotated-vcf file_name='" + file + "' chr_name='chr7' " + attributes + "/>",
                                 env);
    }

    QTemporaryDir dir;
    GTestEnvironment env;
};

TEST_F(FindInAnnotatedVcfTest, FindsTheEntryOfTheAlleleAndTranscript) {
    EXPECT_EQ(run("pos='100' allele='C/T' field='NXCSQ' part='AminoAcidChange' expected_value='L95L'"), "");
    EXPECT_EQ(run("pos='100' allele='C/T' field='NXCSQ' transcript='T2' part='SIFT' expected_value='Damaging'"), "");
    EXPECT_EQ(run("pos='100' allele='C/A' field='NXCSQ' part='Codon' expected_value='TTG-&gt;TTT'"), "");
    EXPECT_EQ(run("pos='100' allele='C/T' field='NXRSNP' part='Answer' expected_value='PBX2 MA1113.1; x'"), "");
    EXPECT_EQ(run("pos='100' allele='C/A' field='NXCSQ' part='AminoAcidChange' expected_value='L95L'"),
              "Values do not match. Current:L95F. Expected:L95L");
}

TEST_F(FindInAnnotatedVcfTest, EveryFailureIsNamed) {
    EXPECT_EQ(run("pos='100' allele='C/G' field='NXCSQ' part='Codon' expected_value='x'"),
              "Cannot find the record chr7:100 C/G in " + dir.filePath("a.vcf"));
    EXPECT_EQ(run("pos='200' allele='G/C' field='NXCSQ' part='Codon' expected_value='x'"),
              "No NXCSQ entry for allele C at chr7:200");
    EXPECT_EQ(run("pos='100' allele='C/T' field='NXCSQ' transcript='T9' part='Codon' expected_value='x'"),
              "No NXCSQ entry for allele T and transcript T9 at chr7:100");
    EXPECT_EQ(run("pos='100' allele='C/T' field='NXCSQ' part='Codon' expected_value='x'", "none.vcf"),
              "Cannot read annotated VCF file: " + dir.filePath("none.vcf"));
    EXPECT_EQ(run("pos='100' allele='C/T' field='NXCSQ' part='Protein' expected_value='x'"),
              "Field NXCSQ has no part Protein (parts: Allele, Gene, Transcript, Consequence, Codon, AminoAcidChange, "
              "SIFT, SIFTscore, TSSDistance)");
    EXPECT_EQ(run("pos='100' allele='C/T' field='OTHER' part='x' expected_value='x'"),
              "The header of " + dir.filePath("a.vcf") + " declares no INFO field OTHER with a Format");
    EXPECT_EQ(run("pos='100' allele='C/T' field='NXRSNP' transcript='T1' part='Answer' expected_value='x'"),
              "Field NXRSNP has no Transcript part to choose T1 by");
    EXPECT_EQ(run("pos='1x' allele='C/T' field='NXCSQ' part='Codon' expected_value='x'"),
              "Not a position attribute 'pos': 1x");
    EXPECT_EQ(run("pos='100' allele='CT' field='NXCSQ' part='Codon' expected_value='x'"),
              "Not a REF/ALT attribute 'allele': CT");
    EXPECT_EQ(run("pos='100' allele='C/T' part='Codon' expected_value='x'"), "Mandatory attribute not set: field");
    EXPECT_EQ(run("pos='100' allele='C/T' field='NXCSQ' part='Codon'"), "Mandatory attribute not set: expected_value");
}

}  // namespace
