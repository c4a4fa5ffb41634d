// SpecialRegionsCache: whether a region overlaps a feature of one region class of the
// reference database ("SD" segmental duplications, "CR" conserved regions). Like GeneQueryCache
// it loads the class's regions of a WINDOW_SIZE window at once, merged into sorted disjoint
// intervals, and answers from memory with a binary search.
#pragma once

#include <NxCore/records/NxEntity.h>
#include <NxCore/records/NxRegion.h>

#include <QString>
#include <QVector>

namespace Nx {

class NxFeatureDbi;
class NxOpStatus;

class SpecialRegionsCache {
public:
    static constexpr qint64 WINDOW_SIZE = 1000 * 1000;
    // A window starts this far before the region that missed, so that look-ups just behind it
    // (the promoter window upstream of a variation) need no second load.
    static constexpr qint64 LOOK_BEHIND = 10 * 1000;

    SpecialRegionsCache(NxFeatureDbi* dbi, const QString& setName);

    void clear();
    void setFeatureDbi(NxFeatureDbi* dbi);
    const QString& getSetName() const { return setName; }

    // True when a region of the set on that sequence overlaps the region; false without a
    // feature table or sequence id. A table that fails sets os and answers false, which then
    // means nothing.
    bool isIntersect(const NxRegion& region, const NxDataId& sequenceId, NxOpStatus& os);

private:
    bool load(const NxRegion& region, const NxDataId& sequenceId, NxOpStatus& os);

    NxFeatureDbi* dbi = nullptr;
    QString setName;               // feature class of the set
    NxDataId sequenceId;           // of the loaded window
    NxRegion window;               // empty when nothing is loaded
    QVector<NxRegion> intervals;   // merged set regions inside the window, ascending
};

}  // namespace Nx
