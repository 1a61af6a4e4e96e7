#include "document/VelmoDoc.h"

#include "develop/colour/ColorManagement.h"
#include "develop/preview/RenderPreview.h"
#include "params/ParamFields.h"
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
    std::memset(&snapshot, 0, sizeof snapshot);
    snapshot.wbTempt = 5500;

    ReadColorSettings();

    SizeLabels();

    // The switches first: the defaults below depend on "UseRafWB".
    edit.LoadSettings(s);
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
    otherColorProfile = s.GetProfileString(kSettingsSection, "OtherColorProfile", "");
    if (!otherColorProfile.empty())
        OpenUserProfile(otherColorProfile);

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
    s.WriteProfileBinary(kSettingsSection, "OutputOptions", &outputOptions, sizeof outputOptions);
    s.WriteProfileString(kSettingsSection, "OtherColorProfile", otherColorProfile);
    s.WriteProfileInt(kSettingsSection, "WhiteBalanceTable", cameraFamily);
    s.WriteProfileInt(kSettingsSection, "UseLittleCMS", colors->DisplayChoice());
    s.WriteProfileString(kSettingsSection, "UseLittleCMSprofile", displayProfilePath);

    DeleteContents();
    previewMap1.clear();
    previewMap2.clear();
    fullMap1.clear();
    fullMap2.clear();

    edit.SaveSettings(s);
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
    return result;
}

void CVelmoDoc::SetDefaultParameters()
{
    ResetToDefaults();
    if (edit.Params().rotate != 0 && host->HasMainWindow()) {
        host->RecalcLayout();
        host->UpdateAllViews();
        host->ResendCropFrame();
    }
}

void CVelmoDoc::ResetToDefaults()
{
    DevParams p = DefaultParameters(cameraFamily, edit.UseRafWB(), edit.Params());
    if (cameraFamily == 7)
        p.twoFrames = DetectExrMode();
    if (drShift != 0 || !secondFrame.empty())
        p.twoFrames = 1;
    edit.SetParams(p);
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
        const DevParams defaults = edit.Params();
        DevParams record;
        std::memcpy(&record, stored.data(), sizeof record);
        SanitizeDevParams(record, defaults);
        edit.SetParams(record);
    }
    UpdateCustomWhiteBalance();
    const DevParams& p = edit.Params();
    if (p.whiteBalance == TemperaturePreset(edit.UseRafWB()))
        SetWhiteBalance(p.whiteBalance, 0, p.wbTempt);
}

void CVelmoDoc::SaveParameterRecord()
{
    const char* name = ParamValueName(cameraFamily);
    Settings().WriteProfileBinary(kSettingsSection, name, &edit.Params(), sizeof(DevParams));
}

void CVelmoDoc::SetWhiteBalance(int preset, int redevelop, int temperature)
{
    edit.ModifyParams([&](DevParams& p) {
        p.whiteBalance = preset;
        if (temperature != -1)
            p.wbTempt = temperature;
    });
    const std::array<int, 3> t = TemperatureRgb(edit.Params().wbTempt);
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
    edit.SetField(ParamField::iEnhColor, level);
    if (redevelop)
        host->UpdateAllViews();
}

void CVelmoDoc::SetTypeSR(int type, int redevelop)
{
    edit.SetField(ParamField::typeSR, type);
    if (redevelop)
        host->UpdateAllViews();
}

void CVelmoDoc::UpdateCustomWhiteBalance()
{
    const DevParams& params = edit.Params();
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
    const bool turned = edit.Params().rotate != 0;
    if (turned)
        std::swap(w, h);
    if (!cropRect.IsNull()) {
        const int unitW = turned ? 1536 : 2048;
        const int unitH = turned ? 2048 : 1536;
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
