#include <tata_box_analysis/model/TataSignificance.h>

#include <cmath>
#include <cstdio>

namespace Nx {

double tataZStatistic(const TataSiteScore& reference, const TataSiteScore& variant) {
    const double difference = std::fabs(double(variant.affinity) - double(reference.affinity));
    if (difference == 0.0) {
        return 0.0;
    }
    const float d1 = reference.deviation * reference.deviation;
    const float d2 = variant.deviation * variant.deviation;
    return difference / (0.5 * std::sqrt(double(d1) + double(d2)));
}

std::string tataSignificanceText(double z) {
    // Two-sided critical values of the standard normal distribution, highest first.
    struct Level {
        double threshold;
        const char* label;
    };
    static const Level levels[] = {
        {4.891638475699, "0.999999"},
        {3.290526731492, "0.999"},
        {2.575829303549, "0.99"},
        {1.95996398454, "0.95"},
    };
    const char* label = "unsignificant";
    for (const Level& level : levels) {
        if (z >= level.threshold) { // false for NaN
            label = level.label;
            break;
        }
    }
    char number[32];
    if (std::isnan(z)) {
        std::snprintf(number, sizeof number, "nan"); // never "-nan"
    } else {
        std::snprintf(number, sizeof number, "%.6g", z);
    }
    return std::string(number) + "/" + label;
}

} // namespace Nx
