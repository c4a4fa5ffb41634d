// The "find-in-snp-result-table" test element on small report files: attribute checks of init,
// the row search, the column vocabularies of both layouts, and every failure text.
#include "XmlTestElementRun.h"

#include <GTest_FindInSNPResultTable.h>

#include <NxPrivate/core/AppContextImpl.h>
#include <NxTest/GTestEnvironment.h>

#include <QCoreApplication>
#include <QFile>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <memory>

using namespace Nx;

namespace {

void ensureApplication() {
    if (QCoreApplication::instance() == nullptr) {
        static int argc = 1;
        static char name[] = "find_in_snp_result_table_test";
        static char* argv[] = {name, nullptr};
        new QCoreApplication(argc, argv);
    }
    AppContextImpl::getApplicationContext();
}

// 25 cells: Chr, Position, Allele, dbSNP, Gene, ..., Codon at 8, Substitution at 9, gerpScore last.
QString inGeneRow(const QString& pos, const QString& gene, const QString& subst, const QString& gerp = "1.5") {
    QStringList cells{"chr7", pos, "A/G", "rs1", gene, "", "CDS. Exon: 1..9"};
    while (cells.size() < 25) {
        cells << "-";
    }
    cells[8] = "AAA->AGA";
    cells[9] = subst;
    cells[24] = gerp;
    return cells.join('\t');
}

class FindInSnpResultTableTest : public ::testing::Test {
protected:
    void SetUp() override {
        ensureApplication();
        ASSERT_TRUE(dir.isValid());
        env.setVar("TEMP_DATA_DIR", dir.path());
        write("in_gene.tsv", "#Chr\tPosition\n\n" + inGeneRow("100", "G1", "K3R") + "\n" +
                                 inGeneRow("100", "G1", "K3Q") + "\n\r\n" + inGeneRow("200", "G2", "M1T", "-0.25") +
                                 "\n" + "chr7\t300\tA/G\n");  // a truncated row
        write("comments.tsv", "#only\n#comments\n");
        write("regulatory.tsv", "chr7\t50\tC/T\t-\tP1\t\t-12\t-\t-\t0.5/significant\t-\t-\t-\t-\t-\t-\n");
    }

    void write(const QString& name, const QString& text) {
        QFile f(dir.filePath(name));
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        f.write(text.toLatin1());
    }

    // Runs one element; returns its error (empty when it passed).
    QString run(const QString& attributes) {
        GTest_FindInSNPResultTable::GTest_FindInSNPResultTableFactory factory;
        return runXmlTestElement(factory, "<find-in-snp-result-table " + attributes + "/>", env);
    }

    static QString attrs(const QString& pos, const QString& gene, const QString& column, const QString& expected,
                         const QString& file = "in_gene.tsv", const QString& type = "ingene") {
        return QString("file_name='%1' chr_name='chr7' allele='A/G' gene_id='%2' pos='%3' report_type='%4' "
                       "column_name='%5' expected_value='%6'")
            .arg(file, gene, pos, type, column, expected);
    }

    QTemporaryDir dir;
    GTestEnvironment env;
};

TEST_F(FindInSnpResultTableTest, MatchingCellsPassAndTheFirstMatchingRowWins) {
    EXPECT_EQ(run(attrs("100", "G1", "SubstitutionAA", "K3R")), "");
    EXPECT_EQ(run(attrs("100", "G1", "SubstitutionAA", "K3Q")), "Values do not match. Current:K3R. Expected:K3Q");
    EXPECT_EQ(run(attrs("200", "G2", "gerpScore", "-0.25")), "");  // the last cell has no line end
    EXPECT_EQ(run(attrs("200", "G2", "Codon", "AAA-&gt;AGA")), "");
    EXPECT_EQ(run("file_name='regulatory.tsv' chr_name='chr7' allele='C/T' gene_id='P1' pos='50' "
                  "report_type='regulatory' column_name='TATATool' expected_value='0.5/significant'"),
              "");
}

TEST_F(FindInSnpResultTableTest, AttributesAreCheckedInOrder) {
    EXPECT_EQ(run(attrs("100", "G1", "SubstitutionAA", "K3R", "in_gene.tsv", "InGene")),
              "Unknown result type 'report_type': InGene. Expected values: ingene or regulatory");
    EXPECT_EQ(run(attrs("12a", "G1", "SubstitutionAA", "K3R")), "Not an integer attribute 'pos': 12a");
    EXPECT_EQ(run(attrs("100", "G1", "SubstitutionAA", "")), "Mandatory attribute not set: expected_value");
    EXPECT_EQ(run("chr_name='chr7'"), "Mandatory attribute not set: file_name");
    EXPECT_EQ(run("file_name='x' chr_name='chr7' allele='A/G' pos='1'"), "Mandatory attribute not set: gene_id");
}

TEST_F(FindInSnpResultTableTest, MissingRowsColumnsAndFiles) {
    EXPECT_EQ(run(attrs("100", "G1", "SubstitutionAA", "K3R", "comments.tsv")),
              "Cannot find snp raw for snp chr7 A/G 100 G1");
    EXPECT_EQ(run(attrs("100", "G1", "promoterPos", "-1")), "Cannot find column name promoterPos");
    EXPECT_EQ(run(attrs("300", "", "Chr", "chr7").replace("gene_id=''", "gene_id='G3'")),
              "Cannot find snp raw for snp chr7 A/G 300 G3");
    EXPECT_EQ(run(attrs("100", "G1", "SubstitutionAA", "K3R", "missing.tsv")),
              "Cannot read SNP result table file: " + dir.filePath("missing.tsv"));
}

TEST(SNPResultTableTest, LayoutsAndUnloadedTable) {
    SNPResultTable table;
    EXPECT_EQ(table.columnIndex("Chr"), -1);
    EXPECT_TRUE(table.findRow("chr7", "A/G", 1, "G").isEmpty());
    EXPECT_EQ(SNPResultTable::inGeneColumnNames().size(), 25);
    EXPECT_EQ(SNPResultTable::regulatoryColumnNames().size(), 16);
    EXPECT_EQ(SNPResultTable::regulatoryColumnNames().indexOf("TATATool"), 9);
}

}  // namespace
