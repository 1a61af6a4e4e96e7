// The keys of parameter files in the order they are written, and the record
// fields behind them.
#pragma once

#include "doc/DevParams.h"

#include <string>
#include <vector>

namespace velmo {

struct ParamKey {
    const char* key;
    int32_t DevParams::*intField; // set for integer keys
    float DevParams::*floatField; // set for float keys
};

// The record's keys of a parameter file, in file order: "gamma" to "NR4"
// without "version" and "bFreeCurve", which are not record fields.
const std::vector<ParamKey>& RecordParamKeys();

// The value of a key as the file stores it: "%d" or "%f".
std::string FormatParamValue(const ParamKey& key, const DevParams& p);

// "key=value" lines of keys 1 to 40 for the record, with the free-curve
// flag and "UseRafWB" taken from the current switches.
std::vector<std::string> FormatParamKeys(const DevParams& p);

} // namespace velmo
