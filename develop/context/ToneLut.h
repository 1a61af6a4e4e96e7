// The tone tables: the tone curve with contrast and brightness baked into
// 65,536 entries, as floats 0..1 (ToneLut) and as u16 (ToneLut16).
//
// One set is shared by the whole process. A set is never changed once
// published: a new curve builds a new set, and every development run keeps the
// set it took for its whole length.
#pragma once

#include <cstdint>
#include <memory>

namespace velmo {

struct ToneCurveKey {
    float curveExponent = 99999.0f;
    float logNorm = 99999.0f;
    float contrastSlope = 99999.0f;
    float contrastOffset = 99999.0f;
    int logMode = 0; // bGammaLog

    // Exact comparison; a NaN never matches.
    bool Matches(const ToneCurveKey& o) const;
};

struct ToneTables {
    static constexpr int kSize = 65536;
    ToneCurveKey key;
    float gain = 99999.0f; // remembered with the set, not part of the key
    float toneLut[kSize];
    uint16_t toneLut16[kSize];
};

// Builds a set for the key (no sharing, no caching).
std::shared_ptr<const ToneTables> BuildToneTables(const ToneCurveKey& key, float gain);

// A straight line from black to white, shared; what a context starts with.
std::shared_ptr<const ToneTables> IdentityToneTables();

// The process-wide set for the key: the current one when its key matches,
// else a new one that replaces it.
std::shared_ptr<const ToneTables> AcquireToneTables(const ToneCurveKey& key, float gain);
// The current process-wide set, or null before the first development.
std::shared_ptr<const ToneTables> CurrentToneTables();
// How many sets AcquireToneTables has built since start-up.
uint64_t ToneTableBuildCount();
// Drops the process-wide set, so that the next development builds one.
void ResetToneTables();

} // namespace velmo
