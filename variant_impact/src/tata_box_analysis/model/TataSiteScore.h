#pragma once

namespace Nx {

// Result of the TATA-box search in one sequence: the best site's affinity and the deviation of
// that estimate, both in single precision. (-1, -1) means the sequence has no site.
struct TataSiteScore {
    float affinity = -1.0f;  // affinity of the best 26-letter window, or a failure sentinel
    float deviation = -1.0f; // spread of that affinity under single-letter substitutions

    // A sequence has no site when the affinity is exactly -1 (callers rely on that exact value).
    bool hasSite() const { return affinity != -1.0f; }
};

} // namespace Nx
