// The search for the red and blue lateral chromatic-aberration values that
// minimise colour fringes along the picture's border: both channels are
// probed in lock-step at three values around the current one, with a step
// that shrinks until it reaches 0.
#pragma once

#include <cstdint>
#include <functional>
#include <map>
#include <vector>

namespace velmo {

struct FringeSums {
    int64_t red = 0;  // sum of |R - G|
    int64_t blue = 0; // sum of |B - G|
};

struct ChromaticSearchResult {
    int chromaRed = 0;
    int chromaBlue = 0;
    int renders = 0;  // scoring calls made
    int rounds = 0;
    bool aborted = false;
};

// Renders the picture with the trial values and returns its fringe sums.
using FringeScoreFn = std::function<FringeSums(int chromaRed, int chromaBlue)>;
// Asked before every render; true stops all further renders.
using AbortFn = std::function<bool()>;

// The search never takes more than maxRounds rounds, whatever the scores.
inline constexpr int kChromaticMaxRounds = 64;

ChromaticSearchResult SearchChromaticAberration(const FringeScoreFn& score, const AbortFn& aborted = {},
                                                int maxRounds = kChromaticMaxRounds);

// One channel's decision from the sums of the probes v - s, v, v + s.
void DecideChromaticStep(int64_t s0, int64_t s1, int64_t s2, int* value, int* step);

// The sixteen border points of a 5 x 5 grid over the 2048 x 1536 frame, row
// by row, as magnifier centres in the 512 x 384 preview frame for the
// picture's rotation (0 none, 1 right, 2 left).
struct PreviewPoint {
    int x, y;
};
std::vector<PreviewPoint> ChromaticBorderPoints(int rotate);

} // namespace velmo
