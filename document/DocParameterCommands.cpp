// The document's parameter commands: the changes of the record, the switches
// and the output settings behind the menu, toolbar and palette commands, each
// followed by the refresh of what shows it.
#include "develop/colour/ColorManagement.h"
#include "develop/preview/FullPreviewBitmap.h"
#include "develop/preview/PreviewWorker.h"
#include "document/VelmoDoc.h"
#include "params/ParamFields.h"
#include "res/ResourceIds.h"
#include "res/StringTable.h"

#include <cstdio>
#include <utility>

namespace velmo {

void CVelmoDoc::OnParametersChanged()
{
    edit.NotifyRefresh();
    host->UpdateAllViews();
    if (edit.Switch(SwitchId::CheckMGN) == 0)
        return;
    if (magnifierHeld)
        magnifierPending = true;
    else
        UpdateMagnifier();
}

void CVelmoDoc::ApplyEdits()
{
    edit.RequestCommit();
    OnParametersChanged();
}

void CVelmoDoc::HoldMagnifier(bool hold)
{
    magnifierHeld = hold;
    if (hold || !magnifierPending)
        return;
    magnifierPending = false;
    if (edit.Switch(SwitchId::CheckMGN) != 0)
        UpdateMagnifier();
}

void CVelmoDoc::SetRotation(Rotation rotation)
{
    if (rotation == Rotation::FromExif) {
        const int orientation = edit.Params().exifOrientation;
        rotation = orientation == 8 ? Rotation::Left : orientation == 6 ? Rotation::Right : Rotation::None;
    }
    // Values beyond the three turns would store turns the development does not know.
    const int rotate = int(rotation);
    if (rotate < int(Rotation::None) || rotate > int(Rotation::Left))
        return;
    if (edit.Params().rotate == rotate)
        return;
    edit.SetField(ParamField::rotate, rotate);
    if (host->HasMainWindow()) {
        host->RecalcLayout();
        host->UpdateAllViews();
        host->ResendCropFrame();
    }
}

void CVelmoDoc::OnOutputSize(OutputScale scale)
{
    if (int(scale) < int(OutputScale::Full) || int(scale) > int(OutputScale::Preview))
        return;
    // The size mode changes only with the worker paused. A build that does
    // not stop in time (it checks the request between strips of rows) is
    // left to finish unseen: its result is dropped below.
    const bool wasPaused = worker->Paused();
    if (!StopWorker(kWorkerStopLimit))
        std::fprintf(stderr, "velmo: the background preview did not stop within %lld ms; its result is dropped\n",
                     static_cast<long long>(kWorkerStopLimit.count()));
    outputOptions.sizeMode = int(scale) | (image.bayerFlag ? 8 : 0);
    saveCache.Drop();
    DropFullPreview();
    if (host->HasMainWindow())
        host->RecalcLayout();
    if (edit.Switch(SwitchId::CheckMGN) != 0)
        UpdateMagnifier();
    if (!wasPaused)
        ResumeWorker();
}

void CVelmoDoc::SetGreenEnhancer(int level, bool redevelop)
{
    edit.SetField(ParamField::iEnhGreen, level);
    if (redevelop)
        host->UpdateAllViews();
}

void CVelmoDoc::SetSoftenHarden(int soften, int harden, bool render)
{
    edit.ModifyParams([&](DevParams& p) {
        p.soften = soften;
        p.harden = harden;
    });
    if (render && magnifierX != -1)
        UpdateMagnifier();
}

void CVelmoDoc::SetSharpnessLevel(int level, bool render)
{
    edit.SetField(ParamField::sharpness, level);
    if (render && magnifierX != -1)
        UpdateMagnifier();
}

void CVelmoDoc::GetSharpnessPreset(int* soften, int* harden) const
{
    const DevParams& p = edit.Params();
    int s = 0, h = 0;
    switch (p.sharpness) {
    case 0: h = 20; break;
    case 1: h = 5; break;
    case 2: s = 20; break;
    case 3:
        s = p.soften;
        h = p.harden;
        break;
    default: break;
    }
    if (soften != nullptr)
        *soften = s;
    if (harden != nullptr)
        *harden = h;
}

bool CVelmoDoc::SetSharpnessPreset(int preset)
{
    if (preset < 0 || preset > 3)
        return false;
    edit.SetField(ParamField::sharpness, preset);
    // The palettes show the whole record again (no development: sharpening
    // shows in the full preview and the magnifier only).
    edit.NotifyRefresh();
    RefreshFullPreview();
    if (magnifierX != -1)
        UpdateMagnifier();
    return true;
}

void CVelmoDoc::NeutralReset()
{
    edit.ModifyParams([](DevParams& p) {
        p.whiteBalance = -1;
        p.gamma = 1.0f;
        p.contrast = 0;
        p.brightness = 0;
        p.hue = 0;
        p.mixSR = 0;
        p.saturation = 100;
        p.sharpness = 1;
    });
    OnParametersChanged();
}

bool CVelmoDoc::SwapFrames()
{
    if (!FramesSwappable(image))
        return false;
    RawImage swapped = std::move(image);
    ::velmo::SwapFrames(swapped);
    ReplaceImage(std::move(swapped));
    imageListeners.Notify(DocImageEvent::Loaded);
    ResumeWorker();
    OnParametersChanged();
    return true;
}

void CVelmoDoc::ToggleHoneycomb()
{
    if (!HasImage())
        return;
    edit.SetField(ParamField::honeycomb, edit.Params().honeycomb != 0 ? 0 : 1);
    UpdateMagnifier();
    if (host->HasMainWindow())
        host->SetStatusText(LoadString(edit.Params().honeycomb != 0 ? IDS_HONEYCOMB_ON : IDS_HONEYCOMB_OFF));
}

void CVelmoDoc::ToggleUseRafWB()
{
    // The palettes fill their white-balance lists again for the switch.
    edit.SetSwitch(SwitchId::UseRafWB, edit.UseRafWB() ? 0 : 1);
    SetDefaultParameters();
    // The defaults' turn may be another.
    if (host->HasMainWindow())
        host->RecalcLayout();
    OnParametersChanged();
}

void CVelmoDoc::ToggleUseOldNR()
{
    edit.SetSwitch(SwitchId::UseOldNR, edit.Switch(SwitchId::UseOldNR) != 0 ? 0 : 1);
    // Noise reduction shows in the magnifier only.
    UpdateMagnifier();
}

void CVelmoDoc::ToggleUseHLS()
{
    edit.SetSwitch(SwitchId::UseHLS, edit.Switch(SwitchId::UseHLS) != 0 ? 0 : 1);
    OnParametersChanged();
}

bool CVelmoDoc::SetOutputColorSpace(int icc)
{
    if (icc < 0 || icc >= kIccSlotCount)
        return false;
    edit.SetField(ParamField::ICC, icc);
    if (!host->HasMainWindow())
        return true;
    if (colors->GuiConvertsColors()) {
        // The pixels stay; the pictures carry the new profile.
        host->SetPreviewProfile(icc);
        host->UpdatePreviewBitmap();
        if (magnifierImage != nullptr) {
            auto retagged = std::make_shared<DisplayImage>(*magnifierImage);
            retagged->profile = colors->ProfileForDisplay(icc);
            magnifierImage = std::move(retagged);
            imageListeners.Notify(DocImageEvent::MagnifierRendered);
        }
        MakeFullPreviewBitmap();
        return true;
    }
    // LittleCMS converts from the output space: the transform is built again
    // (with the worker paused, which may hold the old one) and every picture
    // is developed again.
    const bool wasPaused = worker->Paused();
    StopWorker();
    colors->DropTransform();
    DropFullPreview();
    if (!wasPaused)
        ResumeWorker();
    OnParametersChanged();
    return true;
}

bool CVelmoDoc::SetMagnifierSize(int size)
{
    if (!edit.SetSwitch(SwitchId::MagnifierSize, size))
        return false;
    UpdateMagnifier();
    return true;
}

void CVelmoDoc::RefreshFullPreview()
{
    const bool wasPaused = worker->Paused();
    StopWorker();
    DropFullPreview();
    if (!wasPaused)
        ResumeWorker();
}

} // namespace velmo
