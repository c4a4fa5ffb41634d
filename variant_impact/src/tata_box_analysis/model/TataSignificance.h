// Whether a variation changes the best TATA box of a stretch: the z statistic of the two best
// sites' affinities and its significance label ("2.6/0.99").
#pragma once

#include <tata_box_analysis/model/TataSiteScore.h>

#include <string>

namespace Nx {

// |A2 - A1| / (0.5 * sqrt(D1^2 + D2^2)), each square rounded to single precision, the rest in
// double precision. Equal affinities give 0 even when both deviations are 0 (no change is never
// significant); different affinities without any deviation give +infinity.
double tataZStatistic(const TataSiteScore& reference, const TataSiteScore& variant);

// "%1/<level>": z with six significant digits, then the highest two-sided normal confidence
// level that z reaches (0.999999, 0.999, 0.99, 0.95) or "unsignificant" (also for NaN).
std::string tataSignificanceText(double z);

} // namespace Nx
