// Writes the two SNP reports of a run: first the in-gene report (one row per gene that holds a
// variation), then the regulatory report (one row per gene whose promoter holds a variation that
// lies in no gene). A report gets its header with its first row; a report that no variation
// belongs to is never created.
#pragma once

#include "SNPReportParallelReader.h"
#include "SNPReportSettings.h"

#include <NxCore/records/NxDbiRef.h>
#include <NxCore/records/NxVariant.h>
#include <NxCore/tasks/Task.h>

#include <QSharedPointer>
#include <QStringList>

#include <functional>
#include <memory>

namespace Nx {

class ReplacedFile;
class SharedVcfEntries;
class VariationInfo;

class DamageEffectEvaluator;
class NxAttributeDbi;
class NxDbi;
class NxOpStatus;
class NxObjectDbi;
class NxSequenceDbi;
class NxVariantDbi;

class SNPReportWriterTask : public Task {
    Q_OBJECT
public:
    SNPReportWriterTask(const SNPReportSettings& settings, const QList<NxVariantTrack>& tracks, const NxDbiRef& dbiRef);

    void run() override;

    // The report paths that received a header, in the order they did. Read once the task finished.
    const QStringList& getReportFiles() const { return reportFiles; }
    // Merges adjacent equal rows (equal rows that are not neighbours all stay).
    static void removeRepeatedRows(QStringList& rows);

    // Threads that read a pass at once (default: one per processor, at most 8), and the fewest
    // variations a thread is given at a time. With one thread, or fewer than two parts' worth of
    // variations, this thread reads and writes the report directly.
    void setReadThreads(int threads, qint64 minPartVariations = DEFAULT_MIN_PART_VARIATIONS) {
        readThreads = threads;
        minPart = minPartVariations;
    }
    // Where rows read by several threads wait for their turn (default: the system's temporary
    // folder). Without room there the task's thread reads the rest itself.
    void setTemporaryFolder(const QString& folder) { temporaryFolder = folder; }
    // Opening a thread's connections costs about as much as reading this many variations.
    static const qint64 DEFAULT_MIN_PART_VARIATIONS = 16384;

    // The tables a pass reads; all set, or the status has an error.
    struct Tables {
        NxVariantDbi* variants = nullptr;   // workflow database
        NxAttributeDbi* attributes = nullptr;  // workflow database
        NxObjectDbi* objects = nullptr;     // reference database
        NxSequenceDbi* sequences = nullptr; // reference database
    };
    // Takes the tables of the two databases; false with the first missing table's error in os.
    static bool takeTables(NxDbi* session, NxDbi* database, Tables& tables, NxOpStatus& os);
    // The reference sequence of a track's variations.
    static NxDataId sequenceOf(const NxVariantTrack& track, const Tables& tables);
    // The workflow database's record of the track with that id; false when it cannot be read.
    static bool storedTrackOf(const NxVariantTrack& track, const Tables& tables, NxVariantTrack& stored);

    // One variation of the report it belongs to (inGene: the variation lies in a gene): `opened`
    // is called first, then the variation's rows go to writeRow (without line feeds). False when
    // one of them returned false. storedTrack: the stored record of the track the variation was
    // read from (see storedTrackOf), or null to look it up for the variation.
    static bool writeVariation(bool inGene, const NxVariant& variant, const NxVariantTrack& track,
                               const NxVariantTrack* storedTrack, const NxDataId& sequenceId, const Tables& tables,
                               const QSharedPointer<DamageEffectEvaluator>& evaluator, const std::function<bool()>& opened,
                               const std::function<bool(const QString&)>& writeRow);
    // Also called by writeVariation once the variation's rows are known: with its VariationInfo
    // and the rows before repeated ones are merged, or with a null info for a variation outside
    // genes that was skipped as far from every promoter.
    using SeenVariation = std::function<void(VariationInfo* info, const QStringList& rows)>;
    static bool writeVariation(bool inGene, const NxVariant& variant, const NxVariantTrack& track,
                               const NxVariantTrack* storedTrack, const NxDataId& sequenceId, const Tables& tables,
                               const QSharedPointer<DamageEffectEvaluator>& evaluator, const std::function<bool()>& opened,
                               const std::function<bool(const QString&)>& writeRow, const SeenVariation& seen);
    // The annotated-VCF writer of the run that takes each variation's entries from this task's
    // reading threads (null: none).
    void setVcfEntries(const std::shared_ptr<SharedVcfEntries>& entries) { vcfEntries = entries; }

    // The header line of either report, with its line feed.
    static QString headerOf(bool inGene);

private:
    // One pass over every track: variations in a gene (inGene) or in none go to the report,
    // written to the file's temporary path. With a parallel reader, its threads read the
    // variations. False when the run must stop.
    bool writeReport(bool inGene, const ReplacedFile& file, const Tables& tables,
                     const QSharedPointer<DamageEffectEvaluator>& evaluator, SNPReportParallelReader* parallel,
                     qint64 total, qint64& counter);
    // The parts a parallel pass reads, or none when one reader must do it.
    QList<SNPReportParallelReader::Part> planParts(const Tables& tables, qint64 total);

    SNPReportSettings settings;
    QList<NxVariantTrack> tracks;  // in arrival order
    NxDbiRef dbiRef;               // workflow database that holds the tracks
    QStringList reportFiles;
    int readThreads;
    qint64 minPart = DEFAULT_MIN_PART_VARIATIONS;
    QString temporaryFolder;
    std::shared_ptr<SharedVcfEntries> vcfEntries;
};

}  // namespace Nx
