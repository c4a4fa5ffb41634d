// Every column either SNP report can hold, numbered as the reports' column lists use them, and
// the cells of one row keyed by those numbers.
#pragma once

#include <QString>

namespace Nx {

enum ReportColumn {
    ReportColumn_Chr = 1,
    ReportColumn_Position = 2,
    ReportColumn_Allele = 3,
    ReportColumn_DbSnp = 4,
    ReportColumn_Gene = 5,                   // "Promoter_of_Gene" in the regulatory report
    ReportColumn_ClinicalSignificance = 6,
    ReportColumn_Location = 7,
    ReportColumn_Protein = 8,
    ReportColumn_Codon = 9,
    ReportColumn_Substitution = 10,
    ReportColumn_SiftEffect = 11,
    ReportColumn_SiftScore = 12,
    ReportColumn_ProtStability1D = 13,
    ReportColumn_ProtStability3D = 14,
    ReportColumn_Snp2PdbSite = 15,
    ReportColumn_Lrt = 16,
    ReportColumn_PhyloP = 17,
    ReportColumn_PolyPhen2 = 18,
    ReportColumn_MutationTaster = 19,
    ReportColumn_Genomes1000 = 20,
    ReportColumn_SegmentalDupl = 21,
    ReportColumn_ConservedReg = 22,
    ReportColumn_AltAllele = 23,
    ReportColumn_Hapmap = 24,
    ReportColumn_GerpScore = 25,
    ReportColumn_FromTranscriptionStart = 26,
    ReportColumn_RSnpToolsFactors = 27,
    ReportColumn_ChipTools = 28,
    ReportColumn_TataTool = 29,
};

// Cells of one report row: column number -> text. A column without an entry is written as "-",
// an entry with an empty text as nothing. One slot per column: a row is built for every gene of
// every variation.
class ColumnValues {
public:
    void insert(int column, const QString& text) {
        if (valid(column)) {
            cells[column] = text;
            present |= 1u << column;
        }
    }
    bool contains(int column) const { return valid(column) && (present & (1u << column)) != 0; }
    // The text of the cell, or null when it has none.
    const QString* find(int column) const { return contains(column) ? &cells[column] : nullptr; }
    QString value(int column) const { return contains(column) ? cells[column] : QString(); }
    bool isEmpty() const { return present == 0; }

private:
    static const int SLOTS = ReportColumn_TataTool + 1;
    static bool valid(int column) { return column >= 0 && column < SLOTS; }
    QString cells[SLOTS];
    quint32 present = 0;  // bit c: column c has a cell
};

}  // namespace Nx
