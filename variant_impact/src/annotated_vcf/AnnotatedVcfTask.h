// Writes the annotated copy of one input VCF/BCF file: every record of the input, unchanged and
// in its order, with the INFO fields of AnnotatedVcfFields added.
//
//  1. The output format follows the target's name: ".vcf" plain text, ".vcf.gz"/".vcf.bgz"
//     bgzipped VCF with a tabix index (CSI when a contig is too long for tabix), ".bcf" BCF with
//     a CSI index. Data and index are written under temporary names beside their targets and
//     renamed only when both are complete; a stale index of the other kind is removed.
//  2. The input is read again with htslib. The variations of each record's ALT alleles are taken
//     from the track of its chromosome: the tracks' variations are walked by position, and each
//     record takes the first unused one with its position, REF and ALT (import order), so also an
//     unsorted file or a repeated record finds its own. ALTs that are no bases have no variation.
//  3. A record whose allele is not in the tracks, or a track variation that no record takes, means
//     the file is not the one that was read: the run fails naming file, record and allele.
//  4. Each variation's cells come from the report's own VariationInfo rows, so the file and the
//     reports never disagree; the known mutation from its stored damage effects. With a report
//     writer in the same run they are taken from it as it computes them (SharedVcfEntries).
//  5. This thread reads, matches and writes records in batches; threads of a pool, each with its
//     own connections and never writing to the workflow database, annotate the batches between.
#pragma once

#include <NxCore/records/NxDbiRef.h>
#include <NxCore/records/NxVariant.h>
#include <NxCore/tasks/Task.h>

#include <memory>

namespace Nx {

class SharedVcfEntries;

struct AnnotatedVcfSettings {
    QString inputPath;   // the VCF/BCF file the tracks were read from
    QString outputPath;  // .vcf, .vcf.gz or .bcf
    QString dbPath;      // reference database
    bool readAnswers = true;  // false when no element upstream stores answers on the variations
};

class AnnotatedVcfTask : public Task {
    Q_OBJECT
public:
    AnnotatedVcfTask(const AnnotatedVcfSettings& settings, const QList<NxVariantTrack>& tracks, const NxDbiRef& dbiRef);

    void run() override;

    // The report writer of the run that computes the entries on its way (null: none).
    void setSharedEntries(const std::shared_ptr<SharedVcfEntries>& entries) { sharedEntries = entries; }

    // The files written (data, then index), read once the task finished.
    const QStringList& getOutputFiles() const { return outputFiles; }

    enum class Format { Unknown, Vcf, VcfGz, Bcf };
    // The format of an output path by its ending (case-insensitive).
    static Format formatOf(const QString& path);

private:
    AnnotatedVcfSettings settings;
    QList<NxVariantTrack> tracks;
    NxDbiRef dbiRef;
    QStringList outputFiles;
    std::shared_ptr<SharedVcfEntries> sharedEntries;
};

}  // namespace Nx
