// Variant table: variation tracks and their variations, kept ordered by start position.
#pragma once

#include <NxCore/dbi/NxDbiIterator.h>
#include <NxCore/records/NxRegion.h>
#include <NxCore/records/NxVariant.h>

namespace Nx {

class NxOpStatus;

class NxVariantDbi {
public:
    virtual ~NxVariantDbi() = default;

    // Stores a new track object; sets track.id.
    virtual void createVariantTrack(NxVariantTrack& track, NxOpStatus& os) = 0;
    virtual NxVariantTrack getVariantTrack(const NxDataId& trackId, NxOpStatus& os) = 0;
    // The track that holds the variation.
    virtual NxVariantTrack getVariantTrackOfVariant(const NxDataId& variantId, NxOpStatus& os) = 0;
    virtual QList<NxDataId> getVariantTracks(NxOpStatus& os) = 0;

    // Appends the variations to the track and sets their ids (bulk insert).
    virtual void addVariantsToTrack(const NxVariantTrack& track, QList<NxVariant>& variants, NxOpStatus& os) = 0;
    // The same for a caller that does not need the ids (an import): none is made.
    virtual void appendVariants(const NxVariantTrack& track, QList<NxVariant>& variants, NxOpStatus& os) {
        addVariantsToTrack(track, variants, os);
    }

    virtual qint64 countVariants(const NxDataId& trackId, NxOpStatus& os) = 0;
    // The sum of countVariants over those tracks.
    virtual qint64 countVariants(const QList<NxDataId>& trackIds, NxOpStatus& os) = 0;
    // The track's variations whose start lies in the region, by start position then insertion
    // order. The caller deletes the iterator; os must outlive it, as a page that cannot be read
    // sets the error there and ends the iteration.
    virtual NxDbiIterator<NxVariant>* getVariantsInRegion(const NxDataId& trackId, const NxRegion& region, NxOpStatus& os) = 0;
    // Regions of start positions that cut the track into parts of about rowsPerPart variations
    // each, for readers that share a track out (getVariantsInRegion of each): in order, without
    // gaps, from 0 to the largest position; equal positions never fall into two parts. One region
    // for a track of at most rowsPerPart variations; none when the track cannot be read.
    virtual QList<NxRegion> splitTrack(const NxDataId& trackId, qint64 rowsPerPart, NxOpStatus& os) = 0;
    virtual NxVariant getVariant(const NxDataId& variantId, NxOpStatus& os) = 0;
    virtual void setVariantPublicId(const NxDataId& trackId, const NxDataId& variantId, const QString& newId, NxOpStatus& os) = 0;
};

}  // namespace Nx
