// nolix-demo-data: writes a synthetic but biologically sensible genome, its annotation, known
// mutations, damage matrices, gene information, special regions and a VCF of demo variations,
// all from one seed, so the demo and the tests run on the same files every time; and what the
// analysis scripts read for that genome (rs-id table, ChIP-seq peaks, an alpha-globin gene).
#include "DemoFileWriters.h"
#include "DemoGenomeBuilder.h"
#include "DemoIsoformGenes.h"
#include "DemoScriptData.h"
#include "DemoVariantPlanner.h"

#include <QCommandLineParser>
#include <QCoreApplication>
#include <QDir>
#include <QTextStream>

using namespace Nx;

namespace {

int fail(const QString& message) {
    QTextStream(stderr) << "nolix-demo-data: error: " << message << "\n";
    return 1;
}

const char* DESCRIPTION =
    "Writes a synthetic demo genome and its inputs for nolix-refdb into --out-dir:\n"
    "  genome.fa            two chromosomes, chr7 and chr17 (FASTA)\n"
    "  genes.gff3           Ensembl-style GFF3: gene (ID=gene:..., Name, biotype), mRNA/lnc_RNA\n"
    "                       (ID=transcript:..., Parent=gene:..., biotype), exon, CDS (with phase), UTRs;\n"
    "                       two genes of four transcripts (tag, ccdsid) show which transcript is kept\n"
    "  known_mutations.vcf  known mutations with rs identifiers and the INFO scores AVSIFT LRT PHYLOP PP2\n"
    "                       MUTTASTER G1000AF EXTRA1 EXTRA2 GERPCONS ALTAF HAPMAP GERP EXTRA3\n"
    "  matrices.tsv         damage-effect matrices: transcript, 1-based amino-acid position, 20 scores (A..Y)\n"
    "  gene_info.tsv        gene name or transcript id, alternative name, accession, disease text\n"
    "  sd.bed, cr.bed       segmental duplications and conserved regions\n"
    "  variants.vcf         demo variations in every location class (INFO/DEMO names the class),\n"
    "                       plus --variants N random ones\n"
    "The same seed always gives the same files.";

}  // namespace

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    QCoreApplication::setApplicationName("nolix-demo-data");
    QCommandLineParser parser;
    parser.setApplicationDescription(DESCRIPTION);
    parser.addHelpOption();
    QCommandLineOption outDir("out-dir", "Folder to write the files into (created when missing).", "DIR");
    QCommandLineOption seed("seed", "Seed of the generator (default 1).", "N", "1");
    QCommandLineOption variants("variants", "Number of random variations added to variants.vcf (default 0).", "N", "0");
    QCommandLineOption genes("genes-per-chromosome",
                             "Coding genes on each of the two chromosomes (default 16, the demo genome).", "N", "16");
    QCommandLineOption spacing("intergenic-kb",
                               "Mean length in kb of the stretch before each coding gene (default: 2.5-6 kb). "
                               "1000 genes with 25 kb give a 60 Mb genome of human-like gene density.",
                               "K");
    parser.addOption(outDir);
    parser.addOption(seed);
    parser.addOption(variants);
    parser.addOption(genes);
    parser.addOption(spacing);
    parser.process(app);

    if (!parser.positionalArguments().isEmpty()) {
        return fail(QString("unexpected argument '%1'").arg(parser.positionalArguments().first()));
    }
    if (!parser.isSet(outDir) || parser.value(outDir).isEmpty()) {
        return fail("--out-dir DIR is required");
    }
    bool ok = false;
    quint64 seedValue = parser.value(seed).toULongLong(&ok);
    if (!ok) {
        return fail(QString("--seed must be a non-negative integer, got '%1'").arg(parser.value(seed)));
    }
    qint64 variantCount = parser.value(variants).toLongLong(&ok);
    if (!ok || variantCount < 0 || variantCount > 100000000) {
        return fail(QString("--variants must be an integer from 0 to 100000000, got '%1'").arg(parser.value(variants)));
    }
    DemoGenomeBuilder::Layout layout;
    layout.codingGenesPerChromosome = parser.value(genes).toInt(&ok);
    if (!ok || layout.codingGenesPerChromosome < 16 || layout.codingGenesPerChromosome > 20000) {
        return fail(QString("--genes-per-chromosome must be an integer from 16 to 20000, got '%1'").arg(parser.value(genes)));
    }
    if (parser.isSet(spacing)) {
        const int kb = parser.value(spacing).toInt(&ok);
        if (!ok || kb < 3 || kb > 1000) {
            return fail(QString("--intergenic-kb must be an integer from 3 to 1000, got '%1'").arg(parser.value(spacing)));
        }
        layout.intergenicMin = kb * 500;
        layout.intergenicMax = kb * 1500;
    }
    QString dir = parser.value(outDir);
    if (!QDir().mkpath(dir)) {
        return fail(QString("cannot create the folder '%1'").arg(dir));
    }

    DemoRandom rnd(seedValue);
    DemoGenome genome;
    genome.chromosomes = DemoGenomeBuilder(rnd, layout).build();
    DemoVariantPlanner planner(rnd, genome);
    planner.planKnownMutations();
    planner.planLocationVariants();
    planner.finish();
    // What the analysis scripts need, from a stream of its own: everything above stays as it was.
    DemoScriptData::addGlobinGene(genome, seedValue);
    DemoScriptData::assignIds(genome);
    DemoIsoformGenes::add(genome, seedValue);

    DemoFileWriters writers(dir, genome);
    QString error;
    if (!writers.writeFasta(error) || !writers.writeGff3(error) || !writers.writeKnownMutations(error) ||
        !writers.writeMatrices(rnd, error) || !writers.writeGeneInfo(error) || !writers.writeRegions(error) ||
        !DemoScriptData::writeChipData(dir, genome, error)) {
        return fail(error);
    }
    // Random records last, so the planned ones do not depend on --variants.
    QVector<DemoRandomVariant> extra = planner.randomVariants(variantCount);
    if (!writers.writeVariants(extra, seedValue, error)) {
        return fail(error);
    }
    int transcripts = 0;
    for (const DemoChromosome& c : genome.chromosomes) {
        transcripts += c.transcripts.size();
    }
    QTextStream(stderr) << "nolix-demo-data: wrote " << genome.chromosomes.size() << " chromosomes, " << transcripts
                        << " transcripts, " << genome.knownMutations.size() << " known mutations, "
                        << genome.variants.size() + extra.size() << " variant records to " << dir << "\n";
    return 0;
}
