// What the summary page reads out of single report cells: the class of a Location text, the
// class of an amino-acid change, the kind of an allele change, a TATA-box label, and the order
// in which chromosomes are listed.
//
// Location classes, first rule that matches (the texts are the report writer's own):
//  1. "Out of gene"                                       -> out of gene
//  2. "... Donor splice-site ..." / "... Acceptor ..."    -> splice site donor / acceptor (in the
//     exon windows and in the intron texts alike)
//  3. "Non-coding exon: ..."                              -> non-coding exon (no coding part)
//  4. "Non-coding part of ...-coding exon" after "5'-end of gene." / "3'-end of gene."
//                                                         -> 5' end / 3' end (untranslated part)
//  5. "Exon: ..."                                         -> coding exon
//  6. "Intron..."                                         -> intron (inside or outside the CDS)
//  7. anything else                                       -> unrecognised
#pragma once

#include <QCoreApplication>
#include <QString>

namespace Nx {

enum class LocationClass {
    CodingExon, SpliceDonor, SpliceAcceptor, Intron, FivePrimeEnd, ThreePrimeEnd, NonCodingExon, OutOfGene,
    Unrecognised
};

// An amino-acid change "R100G": reference letter, 1-based position, changed letter.
enum class CodingClass { Synonymous, Missense, Nonsense, StopLost, NoAminoAcid };

// REF/ALT by length: equal single bases, equal longer stretches, longer ALT, shorter ALT.
enum class VariationType { Snv, Mnv, Insertion, Deletion };

enum class TataLevel { P999999, P999, P99, P95, Unsignificant };

class ReportCellClasses {
    Q_DECLARE_TR_FUNCTIONS(Nx::ReportCellClasses)
public:
    static LocationClass locationClass(const QString& location);
    static QString locationClassName(LocationClass c);
    static const QList<LocationClass>& locationClasses();

    // False when the cell is not LETTER NUMBER LETTER. Synonymous includes a kept stop codon;
    // "X" (no amino acid, as for a codon changed by more than one base) gives NoAminoAcid.
    static bool codingClass(const QString& substitution, CodingClass& c);
    static QString codingClassName(CodingClass c);
    static const QList<CodingClass>& codingClasses();

    // False when the cell is not REF/ALT with non-empty sides.
    static bool splitAllele(const QString& allele, QString& ref, QString& alt);
    static VariationType variationType(const QString& ref, const QString& alt);
    static QString variationTypeName(VariationType t);
    static const QList<VariationType>& variationTypes();
    // A single-base change between two of A, C, G, T: A<->G and C<->T are transitions.
    static bool isTransition(QChar ref, QChar alt);

    // "z/level"; false when the text is not that.
    static bool tataLevel(const QString& cell, TataLevel& level, double& z);
    static QString tataLevelName(TataLevel level);
    static const QList<TataLevel>& tataLevels();

    // chr1 ... chr22, X, Y, M/MT, then other names in text order; "chr" prefix or not.
    static bool chromosomeLess(const QString& a, const QString& b);
};

}  // namespace Nx
