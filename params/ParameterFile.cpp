#include "params/ParameterFile.h"

#include "params/FeatureFiles.h"
#include "params/EditState.h"
#include "params/ParamKeys.h"
#include "platform/core/PrivateProfile.h"

#include <cctype>

namespace velmo {

namespace {

constexpr const char* S = kParamFileSection;

} // namespace

bool WriteParameterFile(const EditState& edit, const std::string& path)
{
    for (const ParamFileEntry& e :
         ParameterFileEntries(edit.Params(), edit.FeatureFlag(FeatureKind::FreeCurve), edit.UseRafWB() ? 1 : 0))
        if (!WritePrivateProfileString(S, e.key, e.value, path))
            return false;
    if (edit.FeatureOn(FeatureKind::LensCorrection) && !WriteLensCorrectionFile(path, 1, edit.Lens()))
        return false;
    if (edit.FeatureOn(FeatureKind::SelectiveColors) && !WriteSelectiveColorFile(path, 1, edit.SelectiveColors()))
        return false;
    if (edit.FeatureOn(FeatureKind::FreeCurve) && !WriteFreeCurveFile(path, 1, edit.FreeCurve()))
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
