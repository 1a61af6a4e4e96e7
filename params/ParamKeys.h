// The keys of parameter and feature files in the order they are written, and
// the record fields behind them.
#pragma once

#include "params/DevParams.h"

#include <string>
#include <string_view>
#include <vector>

namespace velmo {

// Every key of these files lies in this one section.
inline constexpr const char* kParamFileSection = "Settings";
// The format version written as "version" and as "customWBv".
inline constexpr int kParamFileVersion = 71;

inline constexpr const char* kVersionKey = "version";
inline constexpr const char* kFreeCurveEnableKey = "bFreeCurve";
inline constexpr const char* kWhiteBalanceVersionKey = "customWBv";
inline constexpr const char* kUseRafWBKey = "UseRafWB";
inline constexpr const char* kFileNameKey = "FileName";
// The feature blocks, each announced by the same name plus "_flag".
inline constexpr const char* kLensBlockKey = "DistorionSettings";
inline constexpr const char* kColorTableBlockKey = "ColorTable";
inline constexpr const char* kFreeCurveBlockKey = "FreeCurve";
std::string FlagKey(std::string_view blockKey);

struct ParamKey {
    const char* key;
    int32_t DevParams::*intField; // set for integer keys
    float DevParams::*floatField; // set for float keys
};

// The record's keys of a parameter file, in file order: "gamma" to
// "WBfineTune" without "version", "bFreeCurve" and "customWBv", which are
// not record fields.
const std::vector<ParamKey>& RecordParamKeys();
// The record keys of white-balance files ("customWB1" to "WBfineTune"), in
// file order; "customWBv" comes before them.
const std::vector<ParamKey>& WhiteBalanceParamKeys();
bool IsWhiteBalanceKey(const ParamKey& key);

// The value of a key as the file stores it: "%d" or "%f".
std::string FormatParamValue(const ParamKey& key, const DevParams& p);

struct ParamFileEntry {
    std::string key;
    std::string value;
};
// Keys 1 to 40 of a parameter file with their values, in file order.
std::vector<ParamFileEntry> ParameterFileEntries(const DevParams& p, int freeCurveFlag, int useRafWB);

// "key=value" lines of keys 1 to 40 for the record, with the free-curve
// flag and "UseRafWB" taken from the current switches.
std::vector<std::string> FormatParamKeys(const DevParams& p);

} // namespace velmo
