// The XML test element "find-in-snp-result-table": finds the row of one variation in one gene in
// a report file and checks one cell of it, e.g.
//   <find-in-snp-result-table file_name="in_gene.tsv" report_type="ingene" chr_name="chr7"
//       pos="8211" allele="T/C" gene_id="NXG03" column_name="SubstitutionAA" expected_value="M1T"/>
// file_name is taken from the test variable TEMP_DATA_DIR (the program's folder when unset).
#pragma once

#include "SNPResultTable.h"

#include <NxTest/GTest.h>
#include <NxTest/XMLTestFactory.h>

namespace Nx {

class GTest_FindInSNPResultTable : public GTest {
    Q_OBJECT
public:
    class GTest_FindInSNPResultTableFactory : public XMLTestFactory {
    public:
        GTest_FindInSNPResultTableFactory() : XMLTestFactory(TAG) {}
        GTest* makeTest(XMLTestFormat* tf, const QString& testName, GTest* cp, const GTestEnvironment* env,
                        const QList<GTest*>& subtasks, const QDomElement& el) override;
    };

    static const QString TAG;  // "find-in-snp-result-table"

    GTest_FindInSNPResultTable(XMLTestFormat* tf, const QString& name, GTest* cp, const GTestEnvironment* env,
                               const QList<GTest*>& subtasks, const QDomElement& el);

    void init(XMLTestFormat* tf, const QDomElement& el) override;
    void prepare() override;
    ReportResult report() override;

    // The plug-in's test factories (the list owns nothing; the caller takes them).
    static QList<XMLTestFactory*> createTestFactories();

private:
    QString chromosomeName;
    QString allele;
    qint64 position = 0;
    QString geneId;
    QString filePath;
    QString columnName;
    QString expectedValue;
    SNPResultTable table;
    int reportType = SNPResultTable::InGene;
};

}  // namespace Nx
