#include "SNPResultTable.h"

#include <QFile>
#include <QTextStream>

#include <algorithm>

namespace Nx {

QStringList SNPResultTable::inGeneColumnNames() {
    return {"Chr",     "Position",      "Allele",     "dbSNPId",   "GeneId",       "Clinical_significance",
            "Location", "Protein",      "Codon",      "SubstitutionAA", "SIFTeffect", "SIFTscore",
            "prot1d",  "prot3d",        "snp2pdb",    "LRT",       "PhyloP",       "PolyPhen2",
            "MutationTaster", "genomes1000", "segmental", "conserved", "altall",   "hapmap",
            "gerpScore"};
}

QStringList SNPResultTable::regulatoryColumnNames() {
    return {"Chr",       "Position",  "Allele",      "dbSNPId",   "GeneId",  "Clinical_significance",
            "promoterPos", "rSNPTranscrFactors", "ChIPTools", "TATATool", "genomes1000", "segmental",
            "conserved", "altall",    "hapmap",      "gerpScore"};
}

bool SNPResultTable::load(const QString& path, int type) {
    if (loaded) {
        return true;
    }
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly | QIODevice::Text)) {
        return false;
    }
    QTextStream in(&file);
    in.setCodec("ISO-8859-1");  // the reports are Latin-1
    while (!in.atEnd()) {
        const QString line = in.readLine();
        if (line.isEmpty() || line.startsWith('#')) {
            continue;
        }
        rows << line.split('\t');
    }
    file.close();
    inGeneColumns = inGeneColumnNames();
    regulatoryColumns = regulatoryColumnNames();
    reportType = type;
    loaded = true;
    return true;
}

int SNPResultTable::columnIndex(const QString& name) const {
    if (!loaded) {
        return -1;
    }
    if (reportType == InGene) {
        return inGeneColumns.indexOf(name);
    }
    return reportType == Regulatory ? regulatoryColumns.indexOf(name) : -1;
}

QStringList SNPResultTable::findRow(const QString& chromosome, const QString& allele, qint64 position,
                                    const QString& gene) const {
    if (!loaded) {
        return {};
    }
    const int chr = columnIndex("Chr");
    const int all = columnIndex("Allele");
    const int pos = columnIndex("Position");
    const int gen = columnIndex("GeneId");
    if (chr < 0 || all < 0 || pos < 0 || gen < 0) {
        return {};
    }
    const int needed = std::max({chr, all, pos, gen});
    for (const QStringList& row : rows) {
        if (row.size() <= needed) {
            continue;
        }
        bool ok = false;
        int rowPosition = row[pos].toInt(&ok, 10);
        if (!ok) {
            rowPosition = 0;
        }
        if (row[chr] == chromosome && row[all] == allele && rowPosition == position && row[gen] == gene) {
            return row;
        }
    }
    return {};
}

}  // namespace Nx
