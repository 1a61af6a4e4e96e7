#include "params/FeatureFiles.h"

#include "params/ParamFields.h"
#include "params/ParamKeys.h"
#include "platform/core/MessageBox.h"
#include "platform/core/PrivateProfile.h"
#include "res/ResourceIds.h"
#include "res/StringTable.h"

#include <algorithm>
#include <bit>
#include <sys/stat.h>
#include <unistd.h>

namespace velmo {

// The blocks are stored as the little-endian bytes of the records.
static_assert(std::endian::native == std::endian::little);

namespace {

constexpr const char* S = kParamFileSection;

int ClampField(int32_t& v, IntRange range)
{
    const int32_t c = range.Clamp(v);
    const int changed = c != v ? 1 : 0;
    v = c;
    return changed;
}

int32_t SaturateInt32(int64_t v)
{
    return int32_t(std::clamp<int64_t>(v, INT32_MIN, INT32_MAX));
}

} // namespace

bool IsReadableFile(const std::string& path)
{
    struct stat st;
    return !path.empty() && stat(path.c_str(), &st) == 0 && S_ISREG(st.st_mode) && access(path.c_str(), R_OK) == 0;
}

bool HasParamFileKey(const std::string& path, const char* key)
{
    // An empty value counts as absent, as for the integer reads.
    const std::optional<std::string> value = GetPrivateProfileValue(S, key, path);
    return value && !value->empty();
}

void ReportFileWriteFailure(const std::string& path)
{
    ShowMessage(FormatString(IDS_FILE_NOT_WRITTEN, {path}), MB_OK | MB_ICONEXCLAMATION);
}

void ReportFileReadFailure(const std::string& path)
{
    ShowMessage(FormatString(IDS_FILE_NOT_READ, {path}), MB_OK | MB_ICONEXCLAMATION);
}

// --- Blocks ------------------------------------------------------------------

bool ReadFreeCurveBlock(const std::string& path, FreeCurveStore& store)
{
    FreeCurveStore read{};
    if (!GetPrivateProfileStruct(S, kFreeCurveBlockKey, &read, sizeof read, path))
        return false;
    store = read;
    return true;
}

bool ReadLensCorrectionBlock(const std::string& path, LensCorrectionSettings& settings)
{
    LensCorrectionSettings read = settings;
    if (!GetPrivateProfileStruct(S, kLensBlockKey, &read, kLensFileBytes, path)) {
        if (!GetPrivateProfileStruct(S, kLensBlockKey, &read, kLensOldFileBytes, path))
            return false;
        read.coefficient = kDefaultLensCoefficient;
    }
    ClampLensCorrectionFileFields(read);
    settings = read;
    return true;
}

bool ReadSelectiveColorBlock(const std::string& path, SelectiveColorTable& table)
{
    SelectiveColorTable read;
    if (!GetPrivateProfileStruct(S, kColorTableBlockKey, &read, sizeof read, path))
        return false;
    ClampSelectiveColorTable(read);
    table = read;
    return true;
}

int ClampLensCorrectionFileFields(LensCorrectionSettings& s)
{
    int changed = ClampField(s.distortion, kLensDistortionRange);
    changed += ClampField(s.coefficient, kLensCoefficientRange);
    for (int32_t* f : {&s.chromaRed, &s.chromaBlue, &s.vignetteAmount, &s.vignetteMidpoint, &s.stretchX, &s.stretchY})
        changed += ClampField(*f, kLensPercentRange);
    return changed;
}

int ClampSelectiveColorTable(SelectiveColorTable& table)
{
    int changed = 0;
    for (auto& row : table.rows)
        for (int32_t& v : row)
            changed += ClampField(v, kSelectiveColorRange);
    return changed;
}

bool WriteFreeCurveFile(const std::string& path, int enableFlag, const FreeCurveStore& store)
{
    return WritePrivateProfileInt(S, FlagKey(kFreeCurveBlockKey), enableFlag, path) &&
           WritePrivateProfileStruct(S, kFreeCurveBlockKey, &store, sizeof store, path);
}

bool WriteLensCorrectionFile(const std::string& path, int enableFlag, const LensCorrectionSettings& settings)
{
    return WritePrivateProfileInt(S, FlagKey(kLensBlockKey), enableFlag, path) &&
           WritePrivateProfileStruct(S, kLensBlockKey, &settings, kLensFileBytes, path);
}

bool WriteSelectiveColorFile(const std::string& path, int enableFlag, const SelectiveColorTable& table)
{
    return WritePrivateProfileInt(S, FlagKey(kColorTableBlockKey), enableFlag, path) &&
           WritePrivateProfileStruct(S, kColorTableBlockKey, &table, sizeof table, path);
}

// --- White balance -----------------------------------------------------------------

void ConvertCustomWhiteBalance(int version, int32_t wb[3], const FamilyWhiteBalanceTable& family)
{
    // Negative versions were never written: taken as read, like 64 and above.
    if (version < 0 || version >= 64)
        return;
    using C = FamilyWhiteBalanceTable::Column;
    const int32_t* daylight = family.rows[0];
    const int64_t f[3] = {daylight[C::R2], daylight[C::G2], daylight[C::B2]};
    int64_t v[3] = {wb[0], wb[1], wb[2]};
    if (version == 0) {
        v[0] = f[0] * v[0] / 137;
        v[1] = f[1] * v[1] / 255;
        v[2] = f[2] * v[2] / 169;
    }
    if (v[0] > 0 && v[1] > 0 && v[2] > 0) {
        const int64_t g[3] = {f[0] * 4096 / v[0], f[1] * 4096 / v[1], f[2] * 4096 / v[2]};
        const int64_t m = std::max({g[0], g[1], g[2]});
        if (m > 0)
            for (int i = 0; i < 3; ++i)
                v[i] = g[i] * 4096 / m;
    }
    for (int i = 0; i < 3; ++i)
        wb[i] = SaturateInt32(v[i]);
}

bool ReadWhiteBalanceKeys(DevParams& record, const std::string& path, const FamilyWhiteBalanceTable& family)
{
    if (!IsReadableFile(path))
        return false;
    DevParams read = record;
    const std::span<const ParamFieldInfo> keys = WhiteBalanceFields();
    // customWB1..3 come first.
    bool anyMultiplier = false;
    for (size_t i = 0; i < 3; ++i) {
        anyMultiplier = anyMultiplier || HasParamFileKey(path, keys[i].fileKey);
        read.*keys[i].intField = GetPrivateProfileInt(S, keys[i].fileKey, read.*keys[i].intField, path);
    }
    const int version = GetPrivateProfileInt(S, kWhiteBalanceVersionKey, 0, path);
    // Only multipliers that came from the file are in its version's form.
    if (anyMultiplier) {
        int32_t wb[3] = {read.customWB1, read.customWB2, read.customWB3};
        ConvertCustomWhiteBalance(version, wb, family);
        read.customWB1 = wb[0];
        read.customWB2 = wb[1];
        read.customWB3 = wb[2];
    }
    for (size_t i = 3; i < keys.size(); ++i)
        read.*keys[i].intField = GetPrivateProfileInt(S, keys[i].fileKey, read.*keys[i].intField, path);
    SanitizeDevParams(read, record);
    record = read;
    return true;
}

bool WriteWhiteBalanceKeys(const DevParams& record, const std::string& path)
{
    if (!WritePrivateProfileInt(S, kWhiteBalanceVersionKey, kParamFileVersion, path))
        return false;
    for (const ParamFieldInfo& k : WhiteBalanceFields()) {
        const std::string value = FormatFieldValue(k, record);
        if (!WritePrivateProfileString(S, k.fileKey, value, path))
            return false;
    }
    return true;
}

} // namespace velmo
