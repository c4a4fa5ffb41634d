// The z statistic and its label. Expected statistics were computed by hand (Python, same
// formula: squares rounded to single precision through struct packing).
#include <tata_box_analysis/model/TataSignificance.h>

#include <gtest/gtest.h>

#include <cmath>
#include <limits>

using namespace Nx;

namespace {
TataSiteScore site(float affinity, float deviation) {
    TataSiteScore s;
    s.affinity = affinity;
    s.deviation = deviation;
    return s;
}
} // namespace

TEST(TataSignificance, StatisticOfTwoSites) {
    // |18.8f - 17.5f| / (0.5 * sqrt(f32(0.5f^2) + f32(0.3f^2))) = 4.458960573393781; with the
    // squares kept in double precision it would be 4.4589605499430665.
    EXPECT_DOUBLE_EQ(4.458960573393781, tataZStatistic(site(17.5f, 0.5f), site(18.8f, 0.3f)));
    // Symmetric in the two stretches.
    EXPECT_EQ(tataZStatistic(site(17.5f, 0.5f), site(18.8f, 0.3f)),
              tataZStatistic(site(18.8f, 0.3f), site(17.5f, 0.5f)));
    EXPECT_EQ(0.0, tataZStatistic(site(17.5f, 0.5f), site(17.5f, 0.1f)));
    // No spread at all: no change stays 0, a change is infinitely significant.
    EXPECT_EQ(0.0, tataZStatistic(site(17.5f, 0.0f), site(17.5f, 0.0f)));
    EXPECT_TRUE(std::isinf(tataZStatistic(site(17.5f, 0.0f), site(17.6f, 0.0f))));
}

TEST(TataSignificance, LabelByThreshold) {
    EXPECT_EQ("0/unsignificant", tataSignificanceText(0.0));
    EXPECT_EQ("2.6/0.99", tataSignificanceText(2.6));
    // A value equal to a threshold takes that threshold's label.
    EXPECT_EQ("1.95996/0.95", tataSignificanceText(1.95996398454));
    EXPECT_EQ("1.95996/unsignificant", tataSignificanceText(1.959963984539));
    EXPECT_EQ("2.57583/0.99", tataSignificanceText(2.575829303549));
    EXPECT_EQ("3.29053/0.999", tataSignificanceText(3.290526731492));
    EXPECT_EQ("3.29053/0.99", tataSignificanceText(3.29052673149));
    EXPECT_EQ("4.89164/0.999999", tataSignificanceText(4.891638475699));
    EXPECT_EQ("123457/0.999999", tataSignificanceText(123456.7));
    EXPECT_EQ("inf/0.999999", tataSignificanceText(std::numeric_limits<double>::infinity()));
    EXPECT_EQ("nan/unsignificant", tataSignificanceText(-std::numeric_limits<double>::quiet_NaN()));
}
