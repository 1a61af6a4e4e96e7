// The tone tables: the tone curve with contrast and brightness baked into
// 65,536 entries, as floats 0..1 (ToneLut) and as u16 (ToneLut16).
//
// A set is never changed once built: a new curve builds a new set (the
// document keeps the last one in its DevelopTables), and every development
// run keeps the set it took for its whole length.
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

} // namespace velmo
