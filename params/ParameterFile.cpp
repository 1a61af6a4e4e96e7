#include "params/ParameterFile.h"

#include "params/FeatureFiles.h"
#include "params/GlobalSwitches.h"
#include "params/ParamKeys.h"
#include "platform/core/PrivateProfile.h"

#include <cctype>

namespace velmo {

namespace {

constexpr const char* S = kParamFileSection;

} // namespace

bool WriteParameterFile(const DevParams& record, const std::string& path)
{
    const FeatureFlags& features = Features();
    for (const ParamFileEntry& e : ParameterFileEntries(record, features.freeCurve != 0 ? 1 : 0,
                                                        Switches().useRafWB != 0 ? 1 : 0))
        if (!WritePrivateProfileString(S, e.key, e.value, path))
            return false;
    if (features.lensCorrection != 0 && !WriteLensCorrectionFile(path, 1, CurrentLensCorrection()))
        return false;
    if (features.selectiveColor != 0 && !WriteSelectiveColorFile(path, 1, CurrentSelectiveColors()))
        return false;
    if (features.freeCurve != 0 && !WriteFreeCurveFile(path, 1, FreeCurves()))
        return false;
    return true;
}

std::string ParameterFileNameFor(const std::string& sourcePath)
{
    std::string stem = sourcePath;
    const size_t n = stem.size();
    auto letter = [&](size_t i) { return std::isalpha(static_cast<unsigned char>(stem[i])) != 0; };
    if (n > 4 && stem[n - 4] == '.' && letter(n - 3) && letter(n - 2) && letter(n - 1))
        stem.resize(n - 4);
    stem += ".VMR";
    return stem;
}

} // namespace velmo
