#include "GTest_FindInSNPResultTable.h"


namespace Nx {

const QString GTest_FindInSNPResultTable::TAG("find-in-snp-result-table");

GTest* GTest_FindInSNPResultTable::GTest_FindInSNPResultTableFactory::makeTest(
    XMLTestFormat* tf, const QString& testName, GTest* cp, const GTestEnvironment* env,
    const QList<GTest*>& subtasks, const QDomElement& el) {
    return new GTest_FindInSNPResultTable(tf, testName, cp, env, subtasks, el);
}

QList<XMLTestFactory*> GTest_FindInSNPResultTable::createTestFactories() {
    return {new GTest_FindInSNPResultTableFactory()};
}

GTest_FindInSNPResultTable::GTest_FindInSNPResultTable(XMLTestFormat* tf, const QString& name, GTest* cp,
                                                       const GTestEnvironment* env, const QList<GTest*>& subtasks,
                                                       const QDomElement& el)
    : GTest(name, cp, env, TaskFlags(0x0C02), subtasks) {
    init(tf, el);
}

void GTest_FindInSNPResultTable::init(XMLTestFormat*, const QDomElement& el) {
    // Each attribute in turn; the first one missing or wrong fails the test.
    QString fileName;
    if (!readMandatory(el, "file_name", fileName)) {
        return;
    }
    filePath = tempDataFilePath(fileName);
    if (!readMandatory(el, "chr_name", chromosomeName) || !readMandatory(el, "allele", allele) ||
        !readMandatory(el, "gene_id", geneId)) {
        return;
    }
    QString text;
    if (!readMandatory(el, "pos", text)) {
        return;
    }
    bool ok = false;
    const int pos = text.toInt(&ok, 10);
    if (!ok) {
        stateInfo.setError(tr("Not an integer attribute '%1': %2").arg("pos", text));
        return;
    }
    position = pos;
    if (!readMandatory(el, "report_type", text)) {
        return;
    }
    if (text == "ingene") {
        reportType = SNPResultTable::InGene;
    } else if (text == "regulatory") {
        reportType = SNPResultTable::Regulatory;
    } else {
        stateInfo.setError(
            tr("Unknown result type '%1': %2. Expected values: ingene or regulatory").arg("report_type", text));
        return;
    }
    if (!readMandatory(el, "column_name", columnName)) {
        return;
    }
    readMandatory(el, "expected_value", expectedValue);
}

void GTest_FindInSNPResultTable::prepare() {
    if (hasError()) {
        return;
    }
    if (!table.load(filePath, reportType)) {
        stateInfo.setError(tr("Cannot read SNP result table file: %1").arg(filePath));
    }
}

Task::ReportResult GTest_FindInSNPResultTable::report() {
    if (hasError()) {
        return ReportResult_Finished;
    }
    const QStringList row = table.findRow(chromosomeName, allele, position, geneId);
    if (row.isEmpty()) {
        stateInfo.setError(
            tr("Cannot find snp raw for snp %1 %2 %3 %4").arg(chromosomeName, allele).arg(position).arg(geneId));
        return ReportResult_Finished;
    }
    const int index = table.columnIndex(columnName);
    if (index == -1) {
        stateInfo.setError(tr("Cannot find column name %1").arg(columnName));
        return ReportResult_Finished;
    }
    // A row shorter than the column asked for holds no such cell.
    const QString cell = index < row.size() ? row[index] : QString();
    if (index >= row.size() || cell != expectedValue) {
        stateInfo.setError(tr("Values do not match. Current:%1. Expected:%2").arg(cell, expectedValue));
    }
    return ReportResult_Finished;
}

}  // namespace Nx
