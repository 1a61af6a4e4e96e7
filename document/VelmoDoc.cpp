#include "document/VelmoDoc.h"

#include "develop/colour/ColorManagement.h"
#include "develop/output/SaveDocument.h"
#include "develop/preview/PreviewWorker.h"
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

    ReadColorSettings();

    SizeLabels();

    // The switches first: the defaults below depend on "UseRafWB".
    edit.LoadSettings(s);
    fullFrame = FullPreviewSize(host->DesktopSize());

    familyWb = NormalizedFamilyTables();
    histogram.assign(size_t(kHistogramSources) * kHistogramBins, 0);
    toneResponse.assign(256 * 3, 0);
    preview16.assign(size_t(kPreviewWidth) * kPreviewHeight * 3, 0);

    cameraFamily = s.GetProfileInt(kSettingsSection, "WhiteBalanceTable", 0);
    if (!ValidStoredFamily(cameraFamily))
        cameraFamily = 0;
    const bool full = host->ShowsFullPreview();
    image = EmptyImage(cameraFamily, full ? fullFrame.width : 0, full ? fullFrame.height : 0);
    SetDefaultParameters();
    LoadParameterRecord();

    OutputOptions stored;
    if (s.GetProfileBinaryExact(kSettingsSection, "OutputOptions", &stored, sizeof stored) && IsValid(stored))
        outputOptions = stored;
    paths.otherColorProfile = s.GetProfileString(kSettingsSection, "OtherColorProfile", "");
    if (!paths.otherColorProfile.empty())
        OpenUserProfile(paths.otherColorProfile);

    // Started last, so that it never sees a half-built document.
    PreviewWorker::Hooks hooks;
    hooks.progress = [this](int percent, const char* label) {
        if (host->HasMainWindow())
            host->PostWorkerProgress(percent, label != nullptr ? label : "");
    };
    hooks.ready = [this] { host->PostFullPreviewReady(); };
    worker = std::make_unique<PreviewWorker>(std::move(hooks));
}

CVelmoDoc::~CVelmoDoc()
{
    // A document going away tells no one: its listeners may be going too.
    imageListeners.Clear();
    saveCache.Drop();
    worker->Quit();

    SettingsStore& s = Settings();
    const bool keep = host->KeepsSettings();
    if (keep) {
        s.WriteProfileBinary(kSettingsSection, "OutputOptions", &outputOptions, sizeof outputOptions);
        s.WriteProfileString(kSettingsSection, "OtherColorProfile", paths.otherColorProfile);
        s.WriteProfileInt(kSettingsSection, "WhiteBalanceTable", cameraFamily);
        s.WriteProfileInt(kSettingsSection, "UseLittleCMS", int(colors->GetDisplayChoice()));
        s.WriteProfileString(kSettingsSection, "UseLittleCMSprofile", paths.displayProfile);
    }

    DeleteContents();

    if (keep)
        edit.SaveSettings(s);
}

void CVelmoDoc::ReadColorSettings()
{
    SettingsStore& s = Settings();
    // Out of range counts as 0; a display profile that exists but cannot be
    // used (unreadable, not an RGB profile) also falls back to 0.
    DisplayChoice stored = DisplayChoice::GuiConverts;
    DisplayChoiceFromCode(s.GetProfileInt(kSettingsSection, "UseLittleCMS", 0), &stored);
    colors->SetDisplayChoice(stored);
    paths.displayProfile = s.GetProfileString(kSettingsSection, "UseLittleCMSprofile", "");
    if (paths.displayProfile.empty())
        return;
    const ProfileStatus status = colors->LoadDisplayProfile(paths.displayProfile);
    if (status != ProfileStatus::Accepted && status != ProfileStatus::NotFound)
        colors->SetDisplayChoice(DisplayChoice::GuiConverts);
}

void CVelmoDoc::DeleteContents()
{
    StopWorker();
    SaveParameterRecord();
    std::fill(toneResponse.begin(), toneResponse.end(), 0);
    std::fill(histogram.begin(), histogram.end(), 0);
    CloseImage(image);
    saveCache.Drop();
    DropFullPreview();
    magnifierImage.reset();
    magnifierStale = true;
    fringeRed = fringeBlue = 0;
    imageListeners.Notify(DocImageEvent::Closed);
}

void CVelmoDoc::ReplaceImage(RawImage newImage)
{
    StopWorker();
    saveCache.Drop();
    DropFullPreview();
    image = std::move(newImage);
    magnifierStale = true;
}

void CVelmoDoc::AdoptImage(RawImage newImage)
{
    cameraFamily = newImage.cameraFamily;
    ReplaceImage(std::move(newImage));
    imageListeners.Notify(DocImageEvent::Loaded);
}

void CVelmoDoc::SetOutputOptions(const OutputOptions& options)
{
    outputOptions = options;
}

void CVelmoDoc::SetCrop(const Rect& units, const Rect& imagePixels)
{
    cropRect = units;
    cropImage = imagePixels;
    // A save develops the new rectangle.
    saveCache.Drop();
}

void CVelmoDoc::SetMagnifierCentre(int x, int y)
{
    magnifierX = x;
    magnifierY = y;
    imageListeners.Notify(DocImageEvent::MagnifierMoved);
}

int CVelmoDoc::DetectExrMode() const
{
    return ExrFrames(image);
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
    if (image.drShift != 0 || !image.secondFrame.empty())
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
    if (!host->KeepsSettings())
        return;
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
    int32_t* row9 = FamilyTableToWrite().rows[FamilyWhiteBalanceTable::kTemperatureRow];
    row9[C::R] = int32_t(div(int64_t(f[C::R]) * t[0], ref[C::R]));
    row9[C::G] = int32_t(div(int64_t(f[C::G]) * t[1], ref[C::G]));
    row9[C::B] = int32_t(div(int64_t(f[C::B]) * t[2], ref[C::B]));
    // The RAF presets' temperature row is derived with the gains
    // (EditedRafPresets, develop/context/MakeContext.h).
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
    // The RAF presets' custom row is derived with the gains
    // (EditedRafPresets, develop/context/MakeContext.h).
    using C = FamilyWhiteBalanceTable::Column;
    const int64_t m = std::max({r, g, b});
    const int32_t* t0 = FamilyTable().rows[0];
    int32_t* row7 = FamilyTableToWrite().rows[FamilyWhiteBalanceTable::kCustomRow];
    row7[C::R] = int32_t(t0[C::R2] * m / r);
    row7[C::G] = int32_t(t0[C::G2] * m / g);
    row7[C::B] = int32_t(t0[C::B2] * m / b);
}

std::string CVelmoDoc::FormatOutputSize(std::optional<OutputScale> outputScale, bool* isCurrentOut, int style) const
{
    bool unused = false;
    bool* isCurrent = isCurrentOut ? isCurrentOut : &unused;
    const int mode = outputOptions.sizeMode & 7;
    const int asked = outputScale ? int(*outputScale) : mode;
    // Other values: the image's own size (scale 2 of the table), label 0.
    int scale = 2;
    int label = 0;
    if (asked >= int(OutputScale::Full) && asked <= int(OutputScale::Preview)) {
        scale = label = asked;
        *isCurrent = mode == scale;
    }
    // The size a save at that scale writes: the crop the save cuts (in
    // image pixels), scaled, turned with the image. The crop frame's units
    // are not used: for the 3:2 cameras the picture fills only a band of the
    // unit frame, and scaling by the whole frame gave sizes that disagreed
    // with the drawn frame and the saved file.
    const int rotate = edit.Params().rotate;
    const SaveCrop crop = CropForSave(cropImage, !cropImage.IsNull(), rotate, image.imageWidth, image.imageHeight);
    const OutputSize size = OutputSizeFor(scale | (image.bayerFlag ? 8 : 0), crop.width, crop.height, rotate);
    const int w = size.width;
    const int h = size.height;
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

} // namespace velmo
