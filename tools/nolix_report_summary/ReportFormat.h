// The two report layouts as the report writer lays them out: column positions (0-based) and
// header lines. A file tells its kind by its header line alone.
#pragma once

#include <QString>

namespace Nx {

enum class ReportKind { InGene, Regulatory };

namespace InGeneColumn {
enum {
    Chr, Position, Allele, DbSnp, Gene, ClinicalSignificance, Location, Protein, Codon, Substitution,
    SiftEffect, SiftScore, ProtStability1D, ProtStability3D, Snp2PdbSite, Lrt, PhyloP, PolyPhen2,
    MutationTaster, Genomes1000, SegmentalDupl, ConservedReg, AltAllele, Hapmap, GerpScore, Count
};
}

namespace RegulatoryColumn {
enum {
    Chr, Position, Allele, DbSnp, PromoterOfGene, ClinicalSignificance, FromTranscriptionStart,
    RSnpToolsFactors, ChipTools, TataTool, Genomes1000, SegmentalDupl, ConservedReg, AltAllele, Hapmap,
    GerpScore, Count
};
}

class ReportFormat {
public:
    // The header line without its line end, "#" included.
    static QString header(ReportKind kind);
    static int columnCount(ReportKind kind);
    static QString columnName(ReportKind kind, int column);
    // "in-gene" or "regulatory".
    static QString kindName(ReportKind kind);
    // False when the line is neither header.
    static bool kindOfHeader(const QString& line, ReportKind& kind);
    // A cell the writer leaves without a value.
    static bool isMissing(const QString& cell) { return cell == QLatin1String("-"); }
};

}  // namespace Nx
