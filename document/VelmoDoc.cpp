#include "document/VelmoDoc.h"

#include "develop/colour/ColorManagement.h"
#include "develop/preview/RenderPreview.h"
#include "params/GlobalSwitches.h"
#include "platform/core/PassRunner.h"
#include "platform/core/SettingsStore.h"
#include "res/StringTable.h"

#include <algorithm>
#include <cstdio>
#include <cstring>

namespace velmo {

namespace {

constexpr size_t kPreviewMapSamples = size_t(CVelmoDoc::kPreviewWidth) * (CVelmoDoc::kPreviewHeight + 1) * 3;

bool ValidStoredFamily(int f) { return (f >= 0 && f <= 7) || f == 9; }

} // namespace

ScreenSize FullPreviewSize(ScreenSize desktop)
{
    int w = desktop.width;
    int h = desktop.height;
    if (h < w * 3 / 4)
        h = w * 3 / 4;
    w = std::max(w, 1024);
    h = std::max(h, 768);
    if (w < (h * 4) / 3)
        h = w * 3 / 4;
    return {w, h};
}

const std::vector<std::string>& SizeLabels()
{
    static const std::vector<std::string> labels = [] {
        std::vector<std::string> list;
        LoadStringList(61231, &list);
        return list;
    }();
    return labels;
}

CVelmoDoc::CVelmoDoc(CDocHost* h) : host(h ? h : &HeadlessHost()), colors(std::make_unique<ColorManager>())
{
    SettingsStore& s = Settings();
    std::memset(&params, 0, sizeof params);
    std::memset(&snapshot, 0, sizeof snapshot);
    params.wbTempt = snapshot.wbTempt = 5500;

    ReadColorSettings();

    SizeLabels();

    Switches().grid = s.GetProfileInt(kSettingsSection, "Grid", 0);
    previewMap1.assign(kPreviewMapSamples, 0);
    previewMap2.assign(kPreviewMapSamples, 0);

    const ScreenSize full = FullPreviewSize(host->DesktopSize());
    fullWidth = full.width;
    fullHeight = full.height;
    const size_t fullSamples = size_t(fullWidth) * size_t(fullHeight + 1) * 3;
    AssignPlane(fullMap1, fullSamples, uint16_t(0));
    AssignPlane(fullMap2, fullSamples, uint16_t(0));

    magnifierX = magnifierY = -1;
    imageWidth = imageHeight = 0;
    familyWb = NormalizedFamilyTables();
    histogram.assign(size_t(kHistogramSources) * kHistogramBins, 0);
    toneResponse.assign(256 * 3, 0);
    preview16.assign(size_t(kPreviewWidth) * kPreviewHeight * 3, 0);

    cameraFamily = s.GetProfileInt(kSettingsSection, "WhiteBalanceTable", 0);
    if (!ValidStoredFamily(cameraFamily))
        cameraFamily = 0;
    SetDefaultParameters();
    LoadParameterRecord();

    OutputOptions stored;
    if (s.GetProfileBinaryExact(kSettingsSection, "OutputOptions", &stored, sizeof stored) && IsValid(stored))
        outputOptions = stored;
    const int magnifier = s.GetProfileInt(kSettingsSection, "MagnifierSize", 256);
    Switches().magnifierSize = (magnifier == 256 || magnifier == 512) ? magnifier : 256;
    otherColorProfile = s.GetProfileString(kSettingsSection, "OtherColorProfile", "");
    if (!otherColorProfile.empty())
        OpenUserProfile(otherColorProfile);

    Switches().ReadPaletteSwitches(s);
    FreeCurves() = FreeCurveStore{};
    s.GetProfileBinaryExact(kSettingsSection, "FreeCurve", &FreeCurves(), sizeof(FreeCurveStore));

    // Started last, so that it never sees a half-built document.
    StartWorker();
}

CVelmoDoc::~CVelmoDoc()
{
    developedImage.clear();

    {
        std::lock_guard lock(workerMutex);
        quitFlag = 1;
        abortRequest = 1;
        pauseFlag = 1;
    }
    workerWake.notify_all();
    if (worker.joinable())
        worker.join();

    SettingsStore& s = Settings();
    s.WriteProfileInt(kSettingsSection, "Grid", Switches().grid);
    s.WriteProfileInt(kSettingsSection, "MagnifierSize", Switches().magnifierSize);
    s.WriteProfileBinary(kSettingsSection, "OutputOptions", &outputOptions, sizeof outputOptions);
    s.WriteProfileString(kSettingsSection, "OtherColorProfile", otherColorProfile);
    s.WriteProfileBinary(kSettingsSection, "FreeCurve", &FreeCurves(), sizeof(FreeCurveStore));
    s.WriteProfileInt(kSettingsSection, "WhiteBalanceTable", cameraFamily);
    s.WriteProfileInt(kSettingsSection, "UseLittleCMS", colors->DisplayChoice());
    s.WriteProfileString(kSettingsSection, "UseLittleCMSprofile", displayProfilePath);

    DeleteContents();
    previewMap1.clear();
    previewMap2.clear();
    fullMap1.clear();
    fullMap2.clear();

    Switches().WritePaletteSwitches(s);
}

void CVelmoDoc::ReadColorSettings()
{
    SettingsStore& s = Settings();
    // Out of range counts as 0; a display profile that exists but cannot be
    // used (unreadable, not an RGB profile) also falls back to 0.
    colors->SetDisplayChoice(s.GetProfileInt(kSettingsSection, "UseLittleCMS", 0));
    displayProfilePath = s.GetProfileString(kSettingsSection, "UseLittleCMSprofile", "");
    if (displayProfilePath.empty())
        return;
    const ProfileStatus status = colors->LoadDisplayProfile(displayProfilePath);
    if (status != ProfileStatus::Accepted && status != ProfileStatus::NotFound)
        colors->SetDisplayChoice(ColorManager::kGuiConverts);
}

void CVelmoDoc::DeleteContents()
{
    StopWorker();
    SaveParameterRecord();
    std::fill(toneResponse.begin(), toneResponse.end(), 0);
    std::fill(histogram.begin(), histogram.end(), 0);
    mainImage = {};
    secondFrame = {};
    header = {};
    cfaRecords = {};
    developedImage = {};
    DropFullPreview();
    magnifierImage.reset();
    fringeRed = fringeBlue = 0;
    if (host->HasMainWindow())
        host->ClearHistograms();
}

int CVelmoDoc::DetectExrMode()
{
    int result = 1;
    exrBits = 0;
    if (header.size() >= 136) {
        const char* kind = reinterpret_cast<const char*>(header.data()) + 24;
        if (std::memcmp(kind, "2002", 4) == 0) {
            result = 0;
        } else if (std::memcmp(kind, "2201", 4) == 0) {
            uint32_t v;
            std::memcpy(&v, header.data() + 132, 4);
            exrBits = 2 + (v == 0 ? 1 : 0);
        } else if (std::memcmp(kind, "2203", 4) == 0) {
            exrBits = 2;
            result = 0;
        }
    }
    params.twoFrames = result;
    return result;
}

void CVelmoDoc::SetDefaultParameters()
{
    ResetToDefaults();
    if (params.rotate != 0 && host->HasMainWindow()) {
        host->RecalcLayout();
        host->UpdateAllViews();
        host->ResendCropFrame();
    }
}

void CVelmoDoc::ResetToDefaults()
{
    DevParams& p = params;
    const int32_t exifOrientation = p.exifOrientation;
    const int32_t cameraWhiteBalance = p.cameraWhiteBalance;
    const int32_t cameraSharpness = p.cameraSharpness;
    std::memset(&p, 0, sizeof p);

    p.sensitize = 0.0f;
    p.wbTempt = 5500;
    p.customWB1 = p.customWB2 = p.customWB3 = 128;
    p.gammaSR = 1.2f;
    p.gammaSR2 = 1.0f;
    p.mixSR = 50;
    p.linearSR = 70;
    p.easySR = 1;
    p.sImageOn = 1;
    p.rImageOn = 1;
    p.typeSR = 5;
    p.iColorNR = 1;
    p.iColorNRthreshold = 40;
    p.NR1 = 1;
    p.NR2 = 100;
    p.NR3 = 150;
    p.NR4 = 10;
    p.hue = 0;

    struct FamilyDefaults {
        float gamma;
        int contrast, brightness, saturation;
    };
    FamilyDefaults d{1.0f, 0, 0, 100};
    switch (cameraFamily) {
    case 0: case 1: case 7: d = {1.8f, 15, 10, 125}; break;
    case 2: d = {1.8f, 20, 15, 125}; break;
    case 4: d = {1.8f, 25, 10, 125}; break;
    case 5: d = {1.8f, 20, 8, 125}; break;
    case 6: d = {1.8f, 20, 8, 110}; break;
    case 9: d = {1.8f, 15, 5, 125}; break;
    default: break;
    }
    p.gamma = d.gamma;
    p.contrast = d.contrast;
    p.brightness = d.brightness;
    p.saturation = d.saturation;
    p.whiteBalance = 0;
    if (cameraFamily == 2)
        p.twoFrames = 1;
    if (cameraFamily == 4) {
        p.twoFrames = 1;
        p.gammaSR = 1.0f;
    }
    if (cameraFamily == 7)
        DetectExrMode();

    const bool useRafWB = Switches().useRafWB != 0;
    if (useRafWB) {
        p.contrast = 0;
        p.brightness = 0;
        p.saturation = (cameraFamily == 4 || cameraFamily == 9) ? 125 : 115;
        p.bGammaLog = 1;
    }
    if (drShift != 0 || !secondFrame.empty())
        p.twoFrames = 1;

    p.exifOrientation = exifOrientation;
    p.cameraWhiteBalance = cameraWhiteBalance;
    p.cameraSharpness = cameraSharpness;
    p.sharpness = cameraSharpness;
    p.whiteBalance = useRafWB ? 0 : cameraWhiteBalance;
    p.honeycomb = 1;
    p.reserved4 = 0;

    p.rotate = exifOrientation == 6 ? 1 : exifOrientation == 8 ? 2 : 0;
}

void CVelmoDoc::LoadParameterRecord()
{
    const char* name = ParamValueName(cameraFamily);
    std::vector<uint8_t> stored;
    if (!Settings().GetProfileBinary(kSettingsSection, name, stored) || stored.size() != sizeof(DevParams)) {
        SetDefaultParameters();
    } else {
        // Stored values are used only where they are in range.
        ResetToDefaults();
        const DevParams defaults = params;
        std::memcpy(&params, stored.data(), sizeof params);
        SanitizeDevParams(params, defaults);
    }
    UpdateCustomWhiteBalance();
    const bool useRafWB = Switches().useRafWB != 0;
    if (params.whiteBalance == TemperaturePreset(useRafWB))
        SetWhiteBalance(params.whiteBalance, 0, params.wbTempt);
}

void CVelmoDoc::SaveParameterRecord()
{
    const char* name = ParamValueName(cameraFamily);
    Settings().WriteProfileBinary(kSettingsSection, name, &params, sizeof params);
}

void CVelmoDoc::SetWhiteBalance(int preset, int redevelop, int temperature)
{
    params.whiteBalance = preset;
    if (temperature != -1)
        params.wbTempt = temperature;
    const std::array<int, 3> t = TemperatureRgb(params.wbTempt);
    using C = FamilyWhiteBalanceTable::Column;
    const int32_t* f = FamilyTable().rows[0];
    const int32_t* ref = familyWb[1].rows[0];
    auto div = [](int64_t num, int32_t den) { return den != 0 ? num / den : 0; };
    int32_t* row9 = FamilyTable().rows[FamilyWhiteBalanceTable::kTemperatureRow];
    row9[C::R] = int32_t(div(int64_t(f[C::R]) * t[0], ref[C::R]));
    row9[C::G] = int32_t(div(int64_t(f[C::G]) * t[1], ref[C::G]));
    row9[C::B] = int32_t(div(int64_t(f[C::B]) * t[2], ref[C::B]));
    const uint16_t* d = rafPresets.rows[1];
    uint16_t* row12 = rafPresets.rows[RafWhiteBalancePresets::kTemperatureRow];
    row12[0] = uint16_t(div(int64_t(d[0]) * t[1], ref[C::G]));
    row12[1] = uint16_t(div(int64_t(d[1]) * t[0], ref[C::R]));
    row12[2] = uint16_t(div(int64_t(d[2]) * t[1], ref[C::G]));
    row12[3] = uint16_t(div(int64_t(d[3]) * t[2], ref[C::B]));
    if (redevelop)
        host->UpdateAllViews();
}

void CVelmoDoc::SetVividColor(int level, int redevelop)
{
    params.iEnhColor = level;
    if (redevelop)
        host->UpdateAllViews();
}

void CVelmoDoc::SetTypeSR(int type, int redevelop)
{
    params.typeSR = type;
    if (redevelop)
        host->UpdateAllViews();
}

void CVelmoDoc::UpdateCustomWhiteBalance()
{
    // Multipliers below 1 would divide by zero: they count as 1.
    const int64_t r = std::max<int64_t>(params.customWB1, 1);
    const int64_t g = std::max<int64_t>(params.customWB2, 1);
    const int64_t b = std::max<int64_t>(params.customWB3, 1);
    const uint16_t* p0 = rafPresets.rows[0];
    const int64_t mean = (r + g + b) / 3;
    const int64_t reference = (int64_t(p0[0]) + p0[1] + p0[3]) / 3;
    const int64_t f = mean * reference;
    auto word = [](int64_t v) { return uint16_t(std::clamp<int64_t>(v, 0, 65535)); };
    uint16_t* row11 = rafPresets.rows[RafWhiteBalancePresets::kCustomRow];
    row11[0] = word(f / g);
    row11[1] = word(f / r);
    row11[2] = word(f / g);
    row11[3] = word(f / b);

    using C = FamilyWhiteBalanceTable::Column;
    const int64_t m = std::max({r, g, b});
    const int32_t* t0 = FamilyTable().rows[0];
    int32_t* row7 = FamilyTable().rows[FamilyWhiteBalanceTable::kCustomRow];
    row7[C::R] = int32_t(t0[C::R2] * m / r);
    row7[C::G] = int32_t(t0[C::G2] * m / g);
    row7[C::B] = int32_t(t0[C::B2] * m / b);
}

std::string CVelmoDoc::FormatOutputSize(int sizeCommand, bool* isCurrentOut, int style) const
{
    bool unused = false;
    bool* isCurrent = isCurrentOut ? isCurrentOut : &unused;
    int w = imageWidth;
    int h = imageHeight;
    const int mode = outputOptions.sizeMode & 7;
    if (sizeCommand == -1)
        sizeCommand = 33510 + mode;
    int label = 0;
    switch (sizeCommand) {
    case 33510:
        w *= 2;
        h *= 2;
        *isCurrent = mode == 0;
        break;
    case 33511:
        w = w * 3 / 2;
        h = h * 3 / 2;
        label = 1;
        *isCurrent = mode == 1;
        break;
    case 33512:
        label = 2;
        *isCurrent = mode == 2;
        break;
    case 33513:
        w = kPreviewWidth;
        h = kPreviewHeight;
        label = 3;
        *isCurrent = mode == 3;
        break;
    default:
        break;
    }
    if (bayerFlag && sizeCommand != 33513) {
        w /= 2;
        h /= 2;
    }
    // The crop frame is in units of 2048 x 1536, or 1536 x 2048 when turned.
    if (params.rotate != 0)
        std::swap(w, h);
    if (!cropRect.IsNull()) {
        const int unitW = params.rotate != 0 ? 1536 : 2048;
        const int unitH = params.rotate != 0 ? 2048 : 1536;
        h = int(int64_t(h) * (cropRect.bottom - cropRect.top) / unitH);
        w = int(int64_t(w) * (cropRect.right - cropRect.left) / unitW);
    }
    char text[160];
    if (style == 2) {
        std::snprintf(text, sizeof text, "%04dx%04d", w, h);
        return text;
    }
    const auto& labels = SizeLabels();
    const std::string name = size_t(label) < labels.size() ? labels[size_t(label)] : std::string();
    std::snprintf(text, sizeof text, "%s%c (%4dx%4d:%4.1fM)", name.c_str(), style != 0 ? '\t' : ' ', w, h,
                  float(w) * float(h) / 1000000.0f);
    return text;
}

void CVelmoDoc::OnNoiseReduction()
{
    host->FocusNoiseReductionControl();
}

} // namespace velmo
