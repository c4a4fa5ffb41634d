// nolix-refdb: builds the reference database that the variant-impact elements read ("db_path").
// The command line and the input formats are documented in the help text below; RefDbBuilder
// does the work.
#include "RefDbBuilder.h"

#include <QCoreApplication>
#include <QStringList>

#include <cstdio>

namespace {

const char* const HELP_TEXT = R"HELP(Usage: nolix-refdb --out FILE --fasta FILE --genes FILE [options]

Builds a reference database (a SQLite file) for the variant-impact elements. The file is built
next to FILE under a temporary name and renamed to FILE only when every input was read without
error; on error nothing is left at FILE (an existing FILE is kept unchanged). The first bad
record stops the build with "file:line: reason" and exit code 1. Inputs may be plain text or
gzip/bgzip-compressed. Progress goes to standard error.

Required:
  --out FILE        database to write (an existing file is replaced when the build succeeds)
  --fasta FILE      reference sequences, FASTA. One sequence object per record, named by the
                    first word of its '>' line (the chromosome name: "1" or "chr1", used as is
                    by every other input). Bases are stored upper-case; IUPAC nucleotide codes
                    (ACGTUNRYKMSWBDHV, any case) are accepted, any other character is an error.
  --genes FILE      gene annotation, GFF3 or GTF (told apart by the attribute column), 9 tab-
                    separated columns, 1-based closed coordinates, on sequences of the FASTA.
                    GFF3 (Ensembl or GENCODE style):
                      gene lines (gene, ncRNA_gene, pseudogene): ID=gene:ENSG...;Name=BRCA2
                      transcript lines (mRNA, transcript, lnc_RNA, ...; any type with ID and
                        Parent): ID=transcript:ENST...;Parent=gene:ENSG...
                      exon and CDS lines: Parent=transcript:ENST... (CDS phase 0, 1 or 2)
                      "gene:"/"transcript:" prefixes are optional (GENCODE has none).
                    GTF: exon and CDS lines with gene_id, transcript_id and gene_name;
                      transcript and gene lines are optional; stop_codon lines are added to
                      the CDS (GTF CDS lines leave the stop codon out, GFF3 ones keep it).
                    One transcript per gene is kept (see Transcripts below), stored as a gene
                    feature: feature id = the transcript's stable id (GFF3 ID without
                    "transcript:", GTF transcript_id), name = the gene's Name (gene_name; the
                    gene id when there is none); exons are kept in ascending
                    genomic order on both strands; the coding region is the span of the CDS
                    parts. An incomplete CDS: the phase of its 5'-most CDS part tells how many
                    bases come before the first full codon, and the coding region is cut by
                    that many bases at its 5' end so codon frames stay right.
                    Errors: a record on a sequence not in the FASTA or beyond its end, a CDS
                    outside the exons of its transcript, overlapping exons, a bad phase, an
                    exon or CDS whose Parent is not defined.
                    Read with a warning naming file and line: tabs inside the GFF3 attribute
                    column (the columns from the ninth on are one attribute column), and CDS
                    phase "." on the only CDS part of a transcript (its frame starts at the
                    part's 5' end; "." on a CDS of several parts is an error).

Optional:
  --gene-info FILE  TSV, '#' lines are comments: key, alternative name, accession, disease text.
                    The key is a transcript id (that transcript) or a gene name (all its
                    transcripts; a transcript's own row wins). Keys matching nothing are counted.
  --matrices FILE   damage-effect (tolerance) matrices, TSV, '#' lines are comments: transcript
                    id, 1-based amino-acid position, then 20 scores in the order
                    A C D E F G H I K L M N P Q R S T V W Y ("NA" or "." = missing). The rows
                    of one transcript must be contiguous. The matrix of a transcript with L
                    codons is stored as L rows of 20 float32 (missing rows and scores = -1) in
                    the attributes "DEAttribute_len" (L) and "DEAttribute" of its feature id.
                    A position beyond L, or a non-coding transcript, is an error; transcripts
                    that are not in the annotation are counted and left out.
  --segmental-duplications FILE
                    BED (chrom, 0-based start, end; half-open; further columns ignored;
                    "track", "browser" and '#' lines skipped): the special regions "SD".
  --conserved-regions FILE
                    BED as above: the special regions "CR".
  --known-mutations FILE
                    VCF 4.x (plain or bgzipped). One known mutation per ALT allele: position =
                    POS - 1, REF and ALT alleles, identifier = the ID column ("." = none).
                    Tracks by chromosome number: 1-22, X = 23, Y = 24, M/MT = 25, with or
                    without "chr"; records of other contigs are counted and left out, as are
                    symbolic, '*' and '.' ALT alleles. Scores come from these INFO keys, each
                    one number for all ALT alleles or one per ALT allele (absent or "." = -1):
                      AVSIFT    AV SIFT             LRT       LRT
                      PHYLOP    PhyloP              PP2       PolyPhen2
                      MUTTASTER MutationTaster      G1000AF   1000 Genomes allele frequency
                      EXTRA1    extra score 1       EXTRA2    extra score 2
                      GERPCONS  GERP conserved      ALTAF     alternative allele frequency
                      HAPMAP    HapMap              GERP      GERP score
                      EXTRA3    extra score 3
                    A value that is not a number is an error naming file, line and key.
                    REF alleles are compared with the FASTA sequence of the same chromosome
                    number; records that differ are counted in a warning, not refused.
  --all-transcripts keep every transcript, each under its own name: the transcript's Name
                    (GFF3) or transcript_name (GTF), else its id (also when two transcripts
                    share a name). Every report row then describes the transcript it names.
                    A gene-info row given by gene name applies to every transcript of the
                    gene; its alternative name is stored as "ALT (TRANSCRIPT NAME)".
  --chosen-transcripts FILE
                    write the transcript the rule below chooses for every gene, as TSV:
                    gene_id, gene_name, transcript_id, transcript_name, stored_name, reason
                    (the criterion that decided), transcripts_of_gene.
  --quiet           no progress lines
  --help            this text

Transcripts:
  Without --all-transcripts one transcript per gene (same gene id on the same sequence) is kept,
  the first by this rule: a MANE Select tag, then an Ensembl canonical tag (GFF3 tag=..., GTF
  tag "..."; "MANE Select" and "MANE_Select" alike), then a CCDS id (ccdsid, ccds_id) or tag
  CCDS, then the longest coding sequence, then the longest transcript (sum of exon lengths),
  then the smallest transcript id. The same rule holds for GFF3 and GTF. Matrices and gene-info
  rows of transcripts not kept are counted and left out. The builder prints how many genes and
  transcripts it read and kept, and by which criterion.

Exit codes: 0 built, 1 an input or the database failed, 2 bad command line.
)HELP";

void usageError(const QString& text) {
    std::fprintf(stderr, "nolix-refdb: %s\nTry 'nolix-refdb --help'.\n", text.toLocal8Bit().constData());
}

}  // namespace

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    Nx::RefDbBuilder::Options opt;
    const QStringList args = QCoreApplication::arguments().mid(1);
    QHash<QString, QString*> valueOptions = {
        {"--out", &opt.out},
        {"--fasta", &opt.fasta},
        {"--genes", &opt.genes},
        {"--known-mutations", &opt.knownMutations},
        {"--matrices", &opt.matrices},
        {"--segmental-duplications", &opt.segmentalDuplications},
        {"--conserved-regions", &opt.conservedRegions},
        {"--gene-info", &opt.geneInfo},
        {"--chosen-transcripts", &opt.chosenTranscripts},
    };
    for (int i = 0; i < args.size(); ++i) {
        QString arg = args[i];
        if (arg == "--help" || arg == "-h") {
            std::fputs(QCoreApplication::translate("nolix-refdb", HELP_TEXT).toLocal8Bit().constData(), stdout);
            return 0;
        }
        if (arg == "--quiet") {
            opt.quiet = true;
            continue;
        }
        if (arg == "--all-transcripts") {
            opt.allTranscripts = true;
            continue;
        }
        QString value;
        int eq = arg.indexOf('=');
        if (arg.startsWith("--") && eq > 0) {
            value = arg.mid(eq + 1);
            arg = arg.left(eq);
        } else if (valueOptions.contains(arg)) {
            if (i + 1 >= args.size()) {
                usageError(QCoreApplication::translate("nolix-refdb", "option %1 needs a file").arg(arg));
                return 2;
            }
            value = args[++i];
        }
        if (!valueOptions.contains(arg)) {
            usageError(QCoreApplication::translate("nolix-refdb", "unknown argument '%1'").arg(args[i]));
            return 2;
        }
        *valueOptions.value(arg) = value;
    }
    if (opt.out.isEmpty() || opt.fasta.isEmpty() || opt.genes.isEmpty()) {
        usageError(QCoreApplication::translate("nolix-refdb", "--out, --fasta and --genes are required"));
        return 2;
    }
    Nx::RefDbBuilder builder(opt);
    QString error;
    if (!builder.build(error)) {
        std::fprintf(stderr, "nolix-refdb: error: %s\n", error.toLocal8Bit().constData());
        return 1;
    }
    return 0;
}
