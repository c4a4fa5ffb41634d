// The known mutations of one chromosome. A default track has no valid identifier and stands for
// a chromosome without known mutations.
#pragma once

#include <NxCore/records/NxEntity.h>

namespace Nx {

class KnownMutationsTrack : public NxObject {
public:
    NxDataType getType() const override { return NxObjectTypes::KnownMutationsTrack; }

    qint32 chromosomeNumber = 0;  // as given by KnownMutationsUtils::getNumberByChrName
};

}  // namespace Nx
