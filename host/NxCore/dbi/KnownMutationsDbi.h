// Known-mutation table of the reference database: one track per chromosome number, mutations
// looked up by exact position (several alleles may share a position).
#pragma once

#include <NxCore/dbi/NxDbiIterator.h>
#include <NxCore/records/KnownMutation.h>
#include <NxCore/records/KnownMutationsTrack.h>
#include <NxCore/records/NxRegion.h>

namespace Nx {

class NxOpStatus;

class KnownMutationsDbi {
public:
    virtual ~KnownMutationsDbi() = default;

    // The track of that chromosome number; a track without a valid id when there is none.
    virtual KnownMutationsTrack getTrackByChromosome(int chromosomeNumber, NxOpStatus& os) = 0;
    // Every mutation of the track at exactly that position. The caller deletes the iterator.
    virtual NxDbiIterator<KnownMutation>* getMutationsAt(const NxDataId& trackId, qint64 position, NxOpStatus& os) = 0;
    // Every mutation of the track whose position lies in the region, by position and then in the
    // order getMutationsAt gives. The caller deletes the iterator.
    virtual NxDbiIterator<KnownMutation>* getMutationsInRegion(const NxDataId& trackId, const NxRegion& region,
                                                               NxOpStatus& os) = 0;

    // Writing (the database builder).
    virtual void createTrack(KnownMutationsTrack& track, NxOpStatus& os) = 0;
    virtual void addMutations(const NxDataId& trackId, const QList<KnownMutation>& mutations, NxOpStatus& os) = 0;
};

}  // namespace Nx
