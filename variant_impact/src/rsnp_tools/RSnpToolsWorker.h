// Worker of "rSnp-tools": for every variation one request to "rsnp.py" with the reference DNA
// around the variation (up to 40 bases on each side), the same DNA with the observed allele, the
// binding states asked for the two sequences and the significance level. The answer is stored
// as "PRESENT" on the variation.
#pragma once

#include <ScriptElementWorker.h>

#include <NxCore/records/NxRegion.h>

namespace Nx {
namespace LocalWorkflow {

class RSnpToolsWorker : public ScriptElementWorker {
    Q_OBJECT
public:
    static const qint64 FLANK = 40;  // bases on each side of the variation base

    explicit RSnpToolsWorker(Actor* a);

    // The region read for a variation at position: [max(0, position - FLANK), position + FLANK + 1).
    static NxRegion windowRegion(qint64 position);

protected:
    QList<QVariantMap> prepareRequests(const NxVariant& variation, const NxVariantTrack& track, NxDbi* snpDatabase) override;

private:
    // The reference letters of windowRegion(variation start); empty (logged) when the database
    // lacks a table or the read fails.
    QByteArray readWindow(const NxVariant& variation, const NxVariantTrack& track, NxDbi* snpDatabase);
};

}  // namespace LocalWorkflow
}  // namespace Nx
