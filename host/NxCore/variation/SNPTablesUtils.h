// Gene queries of the variation helpers against the reference database's feature table.
#pragma once

#include <NxCore/records/Gene.h>

#include <QCoreApplication>
#include <QList>

namespace Nx {

class NxFeatureDbi;
class NxOpStatus;

class SNPTablesUtils {
    Q_DECLARE_TR_FUNCTIONS(Nx::SNPTablesUtils)
public:
    // Codes of the filter list of findGenes and findRegulatedGenes; each code in the list drops
    // the genes it names, an empty list drops nothing, an unknown code is an error.
    enum GeneFilter {
        SkipNonCoding = 1,        // transcripts without a coding region
        SkipFRNamed = 2,          // genes whose name starts with "FR"
        SkipIncompleteCoding = 3  // transcripts whose coding part is not a whole number of codons
                                  // (non-coding ones included)
    };

    // Length of the 5' promoter window of a gene, upstream of its transcription start.
    static const qint64 PROMOTER_LENGTH = 1000;

    // Genes (one per transcript) of the sequence that overlap the region, by transcript start then
    // feature id, without those the filter codes name.
    static QList<Gene> findGenes(const NxDataId& sequenceId, const NxRegion& region, NxFeatureDbi* featureDbi,
                                 NxOpStatus& os, const QList<int>& excludeList);
    // Genes whose promoter window overlaps the region: the PROMOTER_LENGTH bases upstream of the
    // transcription start on the gene's strand, [start - 1000, start) on the forward strand and
    // [end, end + 1000) on the reverse strand. Same order and filters as findGenes.
    static QList<Gene> findRegulatedGenes(const NxDataId& sequenceId, const NxRegion& region,
                                          NxFeatureDbi* featureDbi, NxOpStatus& os, const QList<int>& excludeList);

    // The promoter window of a gene as above (clipped at 0).
    static NxRegion promoterWindow(const Gene& gene);
    // Whether the filter codes keep the gene; false and an error for an unknown code.
    static bool passesFilters(const Gene& gene, const QList<int>& excludeList, NxOpStatus& os);
};

}  // namespace Nx
