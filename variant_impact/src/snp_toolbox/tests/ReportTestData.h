// Reference databases with hand-placed genes for the report tests, built through the real tables.
#pragma once

#include <NxCore/records/Gene.h>
#include <NxCore/records/KnownMutation.h>

#include <QList>

namespace Nx {

class NxOpStatus;

namespace ReportTestData {

// A transcript; coding when cds is not empty. Exons in any order: they are stored ascending.
Gene makeGene(const QByteArray& featureId, const QString& name, const NxRegion& span, const NxRegion& cds,
              const QVector<NxRegion>& exons, bool complemented, const QString& altName = QString(),
              const QString& accession = QString(), const QString& disease = QString());

// Writes a reference with one sequence "chr1" of the given bases, the genes and the known
// mutations (chromosome 1) at path; false and an error in os on failure.
bool buildReference(const QString& path, const QByteArray& chr1, const QList<Gene>& genes,
                    const QList<KnownMutation>& known, NxOpStatus& os);

// A pseudo-random sequence without long repeats.
QByteArray randomBases(int length, quint32 seed = 7);

}  // namespace ReportTestData
}  // namespace Nx
