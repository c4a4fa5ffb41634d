// SpecialRegionsCache: whether a region overlaps a feature of one region class of the
// reference database ("SD" segmental duplications, "CR" conserved regions). Like GeneQueryCache
// it loads the class's regions of a window at once (see FeatureWindowCache), merged into sorted
// disjoint intervals, and answers from memory with a binary search.
#pragma once

#include <NxCore/variation/FeatureWindowCache.h>

#include <QString>
#include <QVector>

namespace Nx {

class SpecialRegionsCache : public FeatureWindowCache {
public:
    SpecialRegionsCache(NxFeatureDbi* dbi, const QString& setName) : FeatureWindowCache(dbi), setName(setName) {}

    const QString& getSetName() const { return setName; }

    // True when a region of the set on that sequence overlaps the region; false without a
    // feature table or sequence id. A table that fails sets os and answers false, which then
    // means nothing.
    bool isIntersect(const NxRegion& region, const NxDataId& sequenceId, NxOpStatus& os);

private:
    void loadWindow(const NxDataId& sequenceId, const NxRegion& window, NxOpStatus& readOs) override;
    void clearWindow() override { intervals.clear(); }
    QString contentName() const override { return setName + " regions"; }

    QString setName;               // feature class of the set
    QVector<NxRegion> intervals;   // merged set regions inside the window, ascending
};

}  // namespace Nx
