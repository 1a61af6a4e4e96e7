// The keys of parameter and feature files that are not record fields, and
// the lines of keys 1 to 40 of a parameter file. The record's own keys, their
// order and their value form are in the field table (params/ParamFields.h).
#pragma once

#include "params/DevParams.h"

#include <string>
#include <string_view>
#include <vector>

namespace velmo {

class EditState;

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

struct ParamFileEntry {
    std::string key;
    std::string value;
};
// Keys 1 to 40 of a parameter file with their values, in file order:
// "version", the record's keys with "bFreeCurve" before "bNR" and
// "customWBv" before "customWB1", then "UseRafWB".
std::vector<ParamFileEntry> ParameterFileEntries(const DevParams& p, int freeCurveFlag, int useRafWB);

// "key=value" lines of keys 1 to 40 for the edit state's record, flag and
// "UseRafWB".
std::vector<std::string> FormatParamKeys(const EditState& edit);

} // namespace velmo
