#include "VariantTrackObject.h"

#include "DbiConnection.h"
#include "NxVariantDbi.h"

#include <NxCore/core/NxOpStatus.h>

#include <QCoreApplication>

namespace Nx {

NxVariantTrack VariantTrackObject::getVariantTrack(NxOpStatus& os) const {
    if (!isValid()) {
        os.setError(QCoreApplication::translate("Nx::VariantTrackObject", "The variation track handle is empty"));
        return NxVariantTrack();
    }
    DbiConnection con(dbiRef, false, os);
    NX_CHECK_OP(os, NxVariantTrack());
    NxVariantDbi* vdbi = con.dbi->getVariantDbi();
    if (vdbi == nullptr) {
        os.setError(QCoreApplication::translate("Nx::VariantTrackObject", "Database '%1' has no variant table").arg(dbiRef.dbiId));
        return NxVariantTrack();
    }
    return vdbi->getVariantTrack(trackId, os);
}

}  // namespace Nx
