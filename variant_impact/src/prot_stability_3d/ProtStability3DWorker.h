// Worker of "prot-stability-3d": one request to "protstability3d.py" per gene with an accession
// whose codon the variation changes, naming the structure by accession and chain "A", with the
// 1-based position and the new amino acid. Stored as "STABILITY_3D:<feature id>".
#pragma once

#include <BaseRequestForSnpWorker.h>

namespace Nx {
namespace LocalWorkflow {

class ProtStability3DWorker : public BaseRequestForSnpWorker {
    Q_OBJECT
public:
    explicit ProtStability3DWorker(Actor* a);

protected:
    QList<QVariantMap> prepareRequests(const NxVariant& variation, const NxVariantTrack& track, NxDbi* snpDatabase) override;
    QStringList getResultKeys() const override;
    QString getScriptName() const override;
};

}  // namespace LocalWorkflow
}  // namespace Nx
