// Imports the variations of one VCF or BCF file (plain, gzipped or bgzipped) into a database.
//
// Reading is htslib's: the header with bcf_hdr_read, a VCF record with vcf_parse on each line (so
// that the line number is known exactly), a BCF record with bcf_read. On top of what htslib
// accepts, a record must have the eight fixed columns, a numeric POS of at least 1 and a REF of
// letters; anything else stops the import with an error naming the file and the line (the record
// number for BCF).
//
// What is stored:
//   1. one track per chromosome of the file, created when the chromosome first appears (visible
//      name and sequence name = CHROM, sequence id empty); tracks are returned in that order;
//   2. one variation per ALT allele: start = POS - 1, end = start + length of REF, alleles in
//      upper case, public id = the ID column ("." becomes empty);
//   3. ALT alleles that are no base sequence (symbolic "<...>", breakends, "*", missing ".") are
//      skipped; their number is logged.
// Variations go to the database in batches of BATCH_SIZE, each committed on its own unless the
// caller holds an operations block, so memory does not grow with the file and an error or a
// cancel keeps everything imported before it.
#pragma once

#include <NxCore/records/NxVariant.h>

#include <QCoreApplication>
#include <QList>
#include <QString>

namespace Nx {

class DbiConnection;
class NxDbi;
class NxOpStatus;

class VcfImporter {
    Q_DECLARE_TR_FUNCTIONS(Nx::VcfImporter)
public:
    static constexpr int BATCH_SIZE = 10000;

    // Whether an allele is a sequence of bases: only such ALT alleles become variations (a
    // symbolic allele, a breakend or "*" does not), and only such a REF is imported.
    static bool isBaseSequence(const char* allele);

    explicit VcfImporter(NxDbi* dbi);
    explicit VcfImporter(const DbiConnection& con);

    // Imports one file; returns the tracks created for it, in file order (also after an error:
    // what they hold is stored). Progress in os runs from 0 to 100 over the file's bytes.
    QList<NxVariantTrack> importFile(const QString& filePath, NxOpStatus& os);

    // Counts of the last importFile call.
    qint64 getImportedVariantCount() const { return importedVariants; }
    qint64 getSkippedAlleleCount() const { return skippedAlleles; }

private:
    NxDbi* dbi;                  // target database; not owned
    qint64 importedVariants = 0; // variations stored by the last import
    qint64 skippedAlleles = 0;   // ALT alleles without bases skipped by the last import
};

}  // namespace Nx
