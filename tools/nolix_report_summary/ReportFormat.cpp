#include "ReportFormat.h"

#include <QStringList>

namespace Nx {

namespace {

const QStringList& inGeneNames() {
    static const QStringList names{
        "Chr", "Position", "Allele", "dbSNP", "Gene", "Clinical_significance", "Location", "Protein", "Codon",
        "Substitution", "SIFTeffect", "SIFTscore", "ProtStability1D", "ProtStability3D", "SNP2PDBSite", "LRT",
        "PhyloP", "PolyPhen2", "MutationTaster", "1000genomes", "segmental_dupl", "conserved_reg", "alt_allele",
        "hapmap", "gerpScore"};
    return names;
}

const QStringList& regulatoryNames() {
    static const QStringList names{
        "Chr", "Position", "Allele", "dbSNP", "Promoter_of_Gene", "Clinical_significance",
        "From_transcroption_start", "rSNPTools_factors", "ChIPTools", "TATATool", "1000genomes", "segmental_dupl",
        "conserved_reg", "alt_allele", "hapmap", "gerpScore"};
    return names;
}

const QStringList& names(ReportKind kind) {
    return kind == ReportKind::InGene ? inGeneNames() : regulatoryNames();
}

}  // namespace

QString ReportFormat::header(ReportKind kind) {
    return "#" + names(kind).join('\t');
}

int ReportFormat::columnCount(ReportKind kind) {
    return names(kind).size();
}

QString ReportFormat::columnName(ReportKind kind, int column) {
    return names(kind).value(column);
}

QString ReportFormat::kindName(ReportKind kind) {
    return kind == ReportKind::InGene ? QStringLiteral("in-gene") : QStringLiteral("regulatory");
}

bool ReportFormat::kindOfHeader(const QString& line, ReportKind& kind) {
    for (ReportKind k : {ReportKind::InGene, ReportKind::Regulatory}) {
        if (line == header(k)) {
            kind = k;
            return true;
        }
    }
    return false;
}

}  // namespace Nx
