// The four built-in working-space profiles, held as constant data. The bytes
// come from res/icc/*.icc (made by res/generator/MakeIccProfiles.cpp).
#pragma once

#include <cstddef>
#include <cstdint>

namespace velmo {

struct BuiltInIccProfile {
    const char* description; // the profile's desc text
    const char* fileName;    // under res/icc/
    const uint8_t* data;
    size_t size;
};

constexpr int kBuiltInIccProfileCount = 4;

// Indexed by the output colour space 0..3: sRGB IEC61966-2.1,
// Adobe RGB (1998), FinePix RGB 1.8, Wide Gamut RGB.
extern const BuiltInIccProfile kBuiltInIccProfiles[kBuiltInIccProfileCount];

} // namespace velmo
