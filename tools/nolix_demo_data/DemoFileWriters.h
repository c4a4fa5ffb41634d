// Writes the demo genome as the reference-database builder's inputs (and other tools' inputs):
// genome.fa, genes.gff3 (Ensembl style: gene:/transcript: ids, biotype, CDS phases),
// known_mutations.vcf, matrices.tsv, gene_info.tsv, sd.bed, cr.bed and variants.vcf.
// Every writer returns false with a message naming the file when it cannot write.
#pragma once

#include "DemoModel.h"
#include "DemoRandom.h"
#include "DemoVariantPlanner.h"

#include <QString>

namespace Nx {

class DemoFileWriters {
public:
    DemoFileWriters(const QString& outDir, const DemoGenome& genome) : dir(outDir), genome(genome) {}

    bool writeFasta(QString& error) const;
    bool writeGff3(QString& error) const;
    bool writeKnownMutations(QString& error) const;
    // Scores are drawn here, so the random source is needed.
    bool writeMatrices(DemoRandom& rnd, QString& error) const;
    bool writeGeneInfo(QString& error) const;
    bool writeRegions(QString& error) const;
    bool writeVariants(const QVector<DemoRandomVariant>& randomVariants, quint64 seed, QString& error) const;

    QString path(const char* name) const;

private:
    QString dir;
    const DemoGenome& genome;
};

}  // namespace Nx
