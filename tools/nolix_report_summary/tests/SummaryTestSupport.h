// Shared by the summary tests: running programs of the build, writing small files, and reading
// the numbers of a summary page back out of its tables.
#pragma once

#include <QByteArray>
#include <QMap>
#include <QString>
#include <QStringList>

namespace Nx {

// The header lines of the two reports, as the writer puts them.
inline const QByteArray IN_GENE_HEADER =
    "#Chr\tPosition\tAllele\tdbSNP\tGene\tClinical_significance\tLocation\tProtein\tCodon\tSubstitution\t"
    "SIFTeffect\tSIFTscore\tProtStability1D\tProtStability3D\tSNP2PDBSite\tLRT\tPhyloP\tPolyPhen2\t"
    "MutationTaster\t1000genomes\tsegmental_dupl\tconserved_reg\talt_allele\thapmap\tgerpScore\n";
inline const QByteArray REGULATORY_HEADER =
    "#Chr\tPosition\tAllele\tdbSNP\tPromoter_of_Gene\tClinical_significance\tFrom_transcroption_start\t"
    "rSNPTools_factors\tChIPTools\tTATATool\t1000genomes\tsegmental_dupl\tconserved_reg\talt_allele\thapmap\t"
    "gerpScore\n";

struct ProgramRun {
    int exitCode = -1;  // -1: did not start, crashed or timed out
    QString out;
    QString err;
};

// A program of build/bin, or a path, or a name on PATH.
ProgramRun runProgram(const QString& program, const QStringList& args, const QByteArray& stdinData = QByteArray());

bool writeFile(const QString& path, const QByteArray& data);
QString readFile(const QString& path);

// Table id -> rows (header row excluded, footer included), each row its cell texts. The page
// must be well-formed XML; parseError says where it is not.
QMap<QString, QList<QStringList>> readPageTables(const QString& page, QString* parseError);
// The cells of the row whose first cell is label, or empty.
QStringList tableRow(const QList<QStringList>& rows, const QString& label);
// "1,234" -> 1234; -1 when the text is no count.
qint64 countOf(const QString& cell);

}  // namespace Nx
