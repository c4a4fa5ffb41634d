// An open database and the tables it hands out. Tables are owned by the database; a table that
// this database does not have is null. Callers never share one NxDbi between threads.
#pragma once

#include <NxCore/records/NxDbiRef.h>

namespace Nx {

class NxOpStatus;
class NxObjectDbi;
class NxSequenceDbi;
class NxFeatureDbi;
class NxAttributeDbi;
class NxVariantDbi;
class DamageEffectDbi;
class KnownMutationsDbi;

class NxDbi {
public:
    virtual ~NxDbi() = default;

    virtual NxDbiRef getDbiRef() const = 0;

    virtual NxObjectDbi* getObjectDbi() = 0;
    virtual NxSequenceDbi* getSequenceDbi() = 0;
    virtual NxFeatureDbi* getFeatureDbi() = 0;
    virtual NxAttributeDbi* getAttributeDbi() = 0;
    virtual NxVariantDbi* getVariantDbi() = 0;
    virtual DamageEffectDbi* getDamageEffectDbi() = 0;
    virtual KnownMutationsDbi* getKnownMutationsDbi() = 0;

    // Whether this connection holds writes that other connections cannot see yet.
    virtual bool hasUncommittedWrites() const { return false; }
};

}  // namespace Nx
