#include "params/ParamKeys.h"

#include "params/EditState.h"
#include "params/ParamFields.h"

namespace velmo {

std::string FlagKey(std::string_view blockKey)
{
    std::string key(blockKey);
    key += "_flag";
    return key;
}

std::vector<ParamFileEntry> ParameterFileEntries(const DevParams& p, int freeCurveFlag, int useRafWB)
{
    std::vector<ParamFileEntry> entries;
    entries.push_back({kVersionKey, std::to_string(kParamFileVersion)});
    for (const ParamFieldInfo& f : ParamFileFields()) {
        if (f.id == ParamField::bNR)
            entries.push_back({kFreeCurveEnableKey, std::to_string(freeCurveFlag)});
        if (f.id == ParamField::customWB1)
            entries.push_back({kWhiteBalanceVersionKey, std::to_string(kParamFileVersion)});
        entries.push_back({f.fileKey, FormatFieldValue(f, p)});
    }
    entries.push_back({kUseRafWBKey, std::to_string(useRafWB)});
    return entries;
}

std::vector<std::string> FormatParamKeys(const EditState& edit)
{
    std::vector<std::string> lines;
    for (const ParamFileEntry& e :
         ParameterFileEntries(edit.Params(), edit.FeatureFlag(FeatureKind::FreeCurve), edit.UseRafWB() ? 1 : 0)) {
        std::string line = e.key;
        line += '=';
        line += e.value;
        lines.push_back(std::move(line));
    }
    return lines;
}

} // namespace velmo
