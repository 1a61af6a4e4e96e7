#include "develop/preview/AutoChromatic.h"

#include <algorithm>

namespace velmo {

void DecideChromaticStep(int64_t s0, int64_t s1, int64_t s2, int* value, int* step)
{
    int& v = *value;
    int& s = *step;
    if (s <= 1) {
        const int64_t m = std::min({s0, s1, s2});
        if (m != s1) {
            if (m == s0)
                v -= 1;
            else if (m == s2)
                v += 1;
        }
        s = 0;
        return;
    }
    const int q = std::max(s / 4, 1);
    if (s0 > s1 && s1 > s2) {
        v += s;
    } else if (s0 < s1 && s1 < s2) {
        v -= s;
    } else if (s2 < s0) {
        v += q;
        s -= q;
    } else {
        v -= q;
        s -= q;
    }
}

ChromaticSearchResult SearchChromaticAberration(const FringeScoreFn& score, const AbortFn& aborted, int maxRounds)
{
    ChromaticSearchResult result;
    int vR = 0, vB = 0, sR = 16, sB = 16;
    std::map<int, int64_t> redCache, blueCache;
    while (sR >= 1 && sB > 0 && result.rounds < maxRounds) {
        ++result.rounds;
        int64_t red[3], blue[3];
        for (int j = 0; j < 3; ++j) {
            const int r = vR - sR + j * sR;
            const int b = vB - sB + j * sB;
            const auto cr = redCache.find(r);
            const auto cb = blueCache.find(b);
            if (cr != redCache.end() && cb != blueCache.end()) {
                red[j] = cr->second;
                blue[j] = cb->second;
                continue;
            }
            if (!result.aborted && aborted && aborted())
                result.aborted = true;
            if (result.aborted) {
                // Probes not rendered count as 0; the values reached still apply.
                red[j] = blue[j] = 0;
                continue;
            }
            const FringeSums sums = score(r, b);
            ++result.renders;
            red[j] = redCache[r] = sums.red;
            blue[j] = blueCache[b] = sums.blue;
        }
        DecideChromaticStep(red[0], red[1], red[2], &vR, &sR);
        DecideChromaticStep(blue[0], blue[1], blue[2], &vB, &sB);
    }
    result.chromaRed = vR;
    result.chromaBlue = vB;
    return result;
}

std::vector<PreviewPoint> ChromaticBorderPoints(int rotate)
{
    std::vector<PreviewPoint> points;
    for (int y = 0; y <= 1536; y += 384)
        for (int x = 0; x <= 2048; x += 512) {
            if (x != 0 && x != 2048 && y != 0 && y != 1536)
                continue;
            if (rotate == 1)
                points.push_back({x / 4, 383 - y / 4});
            else if (rotate == 2)
                points.push_back({511 - x / 4, y / 4});
            else
                points.push_back({x / 4, y / 4});
        }
    return points;
}

} // namespace velmo
