// Handle of a variation track that travels in workflow messages: the database and the track id,
// never the variations. getVariantTrack reads the track record through a connection of the
// calling thread.
#pragma once

#include <NxCore/records/NxDbiRef.h>
#include <NxCore/records/NxVariant.h>

namespace Nx {

class NxOpStatus;

// An object of a database: which database, which object.
struct NxEntityRef {
    NxDbiRef dbiRef;
    NxDataId entityId;
};

class VariantTrackObject {
public:
    VariantTrackObject() = default;
    VariantTrackObject(const NxDbiRef& dbiRef, const NxDataId& trackId, const QString& name = QString())
        : dbiRef(dbiRef), trackId(trackId), name(name) {}

    const NxDbiRef& getDbiRef() const { return dbiRef; }
    NxEntityRef getEntityRef() const { return NxEntityRef{dbiRef, trackId}; }
    const NxDataId& getTrackId() const { return trackId; }
    const QString& getName() const { return name; }
    bool isValid() const { return dbiRef.isValid() && !trackId.isEmpty(); }

    // The stored track; an error (and a track with an empty id) when it cannot be read.
    NxVariantTrack getVariantTrack(NxOpStatus& os) const;

private:
    NxDbiRef dbiRef;   // the workflow database holding the track
    NxDataId trackId;  // id of the track object in that database
    QString name;      // visible name (the chromosome)
};

}  // namespace Nx
