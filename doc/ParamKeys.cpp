#include "doc/ParamKeys.h"

#include "doc/DocTypes.h"
#include "doc/GlobalSwitches.h"
#include "platform/core/PrivateProfile.h"

namespace velmo {

namespace {

ParamKey I(const char* key, int32_t DevParams::*f) { return {key, f, nullptr}; }
ParamKey F(const char* key, float DevParams::*f) { return {key, nullptr, f}; }

} // namespace

const std::vector<ParamKey>& RecordParamKeys()
{
    static const std::vector<ParamKey> keys = {
        F("gamma", &DevParams::gamma),
        F("sensitize", &DevParams::sensitize),
        I("whiteBalance", &DevParams::whiteBalance),
        I("wbTempt", &DevParams::wbTempt),
        I("contrast", &DevParams::contrast),
        I("brightness", &DevParams::brightness),
        I("saturation", &DevParams::saturation),
        I("hue", &DevParams::hue),
        I("sharpness", &DevParams::sharpness),
        I("rotate", &DevParams::rotate),
        F("gammaSR", &DevParams::gammaSR),
        F("gammaSR2", &DevParams::gammaSR2),
        I("mixSR", &DevParams::mixSR),
        I("typeSR", &DevParams::typeSR),
        I("iEnhColor", &DevParams::iEnhColor),
        I("iEnhGreen", &DevParams::iEnhGreen),
        I("iColorNR", &DevParams::iColorNR),
        I("iColorNRthreshold", &DevParams::iColorNRthreshold),
        I("soften", &DevParams::soften),
        I("harden", &DevParams::harden),
        I("ICC", &DevParams::ICC),
        I("easySR", &DevParams::easySR),
        I("linearSR", &DevParams::linearSR),
        I("bGammaLog", &DevParams::bGammaLog),
        I("bNR", &DevParams::bNR),
        I("NR1", &DevParams::NR1),
        I("NR2", &DevParams::NR2),
        I("NR3", &DevParams::NR3),
        I("NR4", &DevParams::NR4),
        I("customWB1", &DevParams::customWB1),
        I("customWB2", &DevParams::customWB2),
        I("customWB3", &DevParams::customWB3),
        I("WBfineTuneR", &DevParams::WBfineTuneR),
        I("WBfineTuneG", &DevParams::WBfineTuneG),
        I("WBfineTuneB", &DevParams::WBfineTuneB),
        I("WBfineTune", &DevParams::WBfineTune),
    };
    return keys;
}

std::string FormatParamValue(const ParamKey& key, const DevParams& p)
{
    if (key.floatField)
        return FormatFloatF(p.*key.floatField);
    return std::to_string(p.*key.intField);
}

std::vector<std::string> FormatParamKeys(const DevParams& p)
{
    std::vector<std::string> lines;
    lines.push_back("version=71");
    for (const ParamKey& k : RecordParamKeys()) {
        const std::string key = k.key;
        if (key == "bNR")
            lines.push_back("bFreeCurve=" + std::to_string(Features().freeCurve.load()));
        if (key == "customWB1")
            lines.push_back("customWBv=71");
        lines.push_back(key + "=" + FormatParamValue(k, p));
    }
    lines.push_back("UseRafWB=" + std::to_string(Switches().useRafWB.load()));
    return lines;
}

} // namespace velmo
