// A report file of the report writer, loaded for the XML report tests: rows of cells, and the
// tests' own names of the columns of the file's layout.
#pragma once

#include <QStringList>

namespace Nx {

class SNPResultTable {
public:
    enum ReportType { InGene = 1, Regulatory = 2 };

    // Reads the file once: comment lines ("#...") and blank lines are skipped, the others split
    // at every tab. False when the file cannot be read.
    bool load(const QString& path, int reportType);
    bool isLoaded() const { return loaded; }

    // Index of the column in the loaded layout, -1 when the name is not in it.
    int columnIndex(const QString& name) const;
    // The first row of that variation in that gene; empty when there is none. A row too short
    // to hold the four cells compared does not match.
    QStringList findRow(const QString& chromosome, const QString& allele, qint64 position, const QString& gene) const;

    const QList<QStringList>& getRows() const { return rows; }

    static QStringList inGeneColumnNames();
    static QStringList regulatoryColumnNames();

private:
    int reportType = InGene;
    bool loaded = false;
    QList<QStringList> rows;
    QStringList inGeneColumns;
    QStringList regulatoryColumns;
};

}  // namespace Nx
