// Serves reads of one sequence from a window kept in memory. Variations are visited in position
// order, so the codon reads of a track fall into the same window again and again: one query
// loads WINDOW_SIZE bases around a read that misses, and the following reads cost no query.
#pragma once

#include <NxCore/records/NxEntity.h>
#include <NxCore/records/NxRegion.h>

#include <QByteArray>
#include <QCoreApplication>

namespace Nx {

class NxOpStatus;
class NxSequenceDbi;

class SequenceQueryCache {
    Q_DECLARE_TR_FUNCTIONS(Nx::SequenceQueryCache)
public:
    static constexpr qint64 WINDOW_SIZE = 64 * 1024;  // bases loaded on a miss
    static constexpr qint64 LOOK_BEHIND = 1024;       // of those, before the read (reverse-strand codons)

    explicit SequenceQueryCache(NxSequenceDbi* dbi = nullptr, const NxDataId& sequenceId = NxDataId());

    // Forgets the window (the table and sequence stay).
    void clear();
    void setSequenceDbi(NxSequenceDbi* dbi);
    // A different sequence drops the window; the same one keeps it.
    void setSequenceId(const NxDataId& sequenceId);
    const NxDataId& getSequenceId() const { return sequenceId; }

    // Upper-case bases of the region of the current sequence, clipped to the sequence (empty when
    // the region lies outside it). Errors (no table, no sequence) go to os.
    QByteArray getSequence(const NxRegion& region, NxOpStatus& os);

private:
    NxSequenceDbi* dbi = nullptr;
    NxDataId sequenceId;
    qint64 sequenceLength = -1;  // of the current sequence; -1 until read
    NxRegion window;             // what windowData holds
    QByteArray windowData;
};

}  // namespace Nx
