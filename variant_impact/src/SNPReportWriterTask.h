// Writes the two SNP reports of a run: first the in-gene report (one row per gene that holds a
// variation), then the regulatory report (one row per gene whose promoter holds a variation that
// lies in no gene). A report gets its header with its first row; a report that no variation
// belongs to is never created.
#pragma once

#include "SNPReportSettings.h"

#include <NxCore/records/NxDbiRef.h>
#include <NxCore/records/NxVariant.h>
#include <NxCore/tasks/Task.h>

#include <QSharedPointer>
#include <QStringList>

namespace Nx {

class DamageEffectEvaluator;
class NxAttributeDbi;
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

private:
    // The tables a pass reads; all set, or the task has an error.
    struct Tables {
        NxVariantDbi* variants = nullptr;   // workflow database
        NxAttributeDbi* attributes = nullptr;  // workflow database
        NxObjectDbi* objects = nullptr;     // reference database
        NxSequenceDbi* sequences = nullptr; // reference database
    };
    // One pass over every track: variations in a gene (inGene) or in none go to the path's report.
    // False when the run must stop.
    bool writeReport(bool inGene, const QString& path, const Tables& tables,
                     const QSharedPointer<DamageEffectEvaluator>& evaluator, qint64 total, qint64& counter);

    SNPReportSettings settings;
    QList<NxVariantTrack> tracks;  // in arrival order
    NxDbiRef dbiRef;               // workflow database that holds the tracks
    QStringList reportFiles;
};

}  // namespace Nx
