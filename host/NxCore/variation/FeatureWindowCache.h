// What the feature caches of a reference database share (GeneQueryCache, SpecialRegionsCache):
// variations are visited in position order, so a look-up that misses loads the features of a
// whole window of the sequence at once and the following look-ups are answered from memory.
// The window starts LOOK_BEHIND bases before the missed region (so the upstream promoter look-ups
// that follow hit too), is at least WINDOW_SIZE long and always covers the whole missed region.
// A subclass says what it keeps of a window (loadWindow) and how to forget it (clearWindow).
#pragma once

#include <NxCore/records/NxEntity.h>
#include <NxCore/records/NxRegion.h>

#include <QString>

namespace Nx {

class NxFeatureDbi;
class NxOpStatus;

class FeatureWindowCache {
public:
    static constexpr qint64 WINDOW_SIZE = 1000 * 1000;
    static constexpr qint64 LOOK_BEHIND = 10 * 1000;

    virtual ~FeatureWindowCache() = default;

    // Forgets the loaded window.
    void clear();
    void setFeatureDbi(NxFeatureDbi* dbi);

    // The window loaded when a look-up of the region misses.
    static NxRegion windowFor(const NxRegion& missed);

protected:
    explicit FeatureWindowCache(NxFeatureDbi* dbi) : dbi(dbi) {}

    // The region clipped to positive positions, once the window that holds it is in memory;
    // empty when there is nothing to look up (no feature table, no region, no sequence id: a
    // sequence the reference does not hold has no features, which is no error), when os already
    // holds an error, or when the load failed (os then names what could not be read).
    NxRegion prepare(const NxRegion& region, const NxDataId& sequenceId, NxOpStatus& os);

    // Keeps what the window of the sequence holds; a failing table sets readOs.
    virtual void loadWindow(const NxDataId& sequenceId, const NxRegion& window, NxOpStatus& readOs) = 0;
    virtual void clearWindow() = 0;
    // What a window holds, for the error message ("genes", "SD regions").
    virtual QString contentName() const = 0;

    NxFeatureDbi* dbi = nullptr;

private:
    NxDataId sequenceId;  // of the loaded window
    NxRegion window;      // empty when nothing is loaded
};

}  // namespace Nx
