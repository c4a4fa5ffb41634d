// Worker of "prot-stability-1d": one request to "protstability1d.py" per gene (genes named "FR..."
// left out) whose codon the variation changes, with the gene's protein as a one-record FASTA text,
// the 1-based position and the new amino acid. Stored as "STABILITY_1D:<feature id>".
#pragma once

#include <BaseRequestForSnpWorker.h>

namespace Nx {
namespace LocalWorkflow {

class ProtStability1DWorker : public BaseRequestForSnpWorker {
    Q_OBJECT
public:
    explicit ProtStability1DWorker(Actor* a);

protected:
    QList<QVariantMap> prepareRequests(const NxVariant& variation, const NxVariantTrack& track, NxDbi* snpDatabase) override;
    QStringList getResultKeys() const override;
    QString getScriptName() const override;
};

}  // namespace LocalWorkflow
}  // namespace Nx
