#include "params/ParamKeys.h"

#include "params/GlobalSwitches.h"
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

const std::vector<ParamKey>& WhiteBalanceParamKeys()
{
    static const std::vector<ParamKey> keys = [] {
        std::vector<ParamKey> list;
        for (const ParamKey& k : RecordParamKeys())
            if (IsWhiteBalanceKey(k))
                list.push_back(k);
        return list;
    }();
    return keys;
}

bool IsWhiteBalanceKey(const ParamKey& key)
{
    return key.intField == &DevParams::customWB1 || key.intField == &DevParams::customWB2 ||
           key.intField == &DevParams::customWB3 || key.intField == &DevParams::WBfineTuneR ||
           key.intField == &DevParams::WBfineTuneG || key.intField == &DevParams::WBfineTuneB ||
           key.intField == &DevParams::WBfineTune;
}

std::string FlagKey(std::string_view blockKey)
{
    std::string key(blockKey);
    key += "_flag";
    return key;
}

std::string FormatParamValue(const ParamKey& key, const DevParams& p)
{
    if (key.floatField)
        return FormatFloatF(p.*key.floatField);
    return std::to_string(p.*key.intField);
}

std::vector<ParamFileEntry> ParameterFileEntries(const DevParams& p, int freeCurveFlag, int useRafWB)
{
    std::vector<ParamFileEntry> entries;
    entries.push_back({kVersionKey, std::to_string(kParamFileVersion)});
    for (const ParamKey& k : RecordParamKeys()) {
        if (k.intField == &DevParams::bNR)
            entries.push_back({kFreeCurveEnableKey, std::to_string(freeCurveFlag)});
        if (k.intField == &DevParams::customWB1)
            entries.push_back({kWhiteBalanceVersionKey, std::to_string(kParamFileVersion)});
        entries.push_back({k.key, FormatParamValue(k, p)});
    }
    entries.push_back({kUseRafWBKey, std::to_string(useRafWB)});
    return entries;
}

std::vector<std::string> FormatParamKeys(const DevParams& p)
{
    std::vector<std::string> lines;
    for (const ParamFileEntry& e : ParameterFileEntries(p, Features().freeCurve.load(), Switches().useRafWB.load())) {
        std::string line = e.key;
        line += '=';
        line += e.value;
        lines.push_back(std::move(line));
    }
    return lines;
}

} // namespace velmo
