#include "app/DocCommands.h"

#include "app/BatchJob.h"
#include "app/CommandValues.h"
#include "app/MainFrame.h"
#include "app/palettes/PaletteInterfaces.h"
#include "app/VelmoApp.h"
#include "app/VelmoView.h"
#include "app/dialogs/FileDialogs.h"
#include "app/dialogs/JpegOptionsDlg.h"
#include "develop/colour/ColorManagement.h"
#include "develop/output/SaveDocument.h"
#include "document/CommandRules.h"
#include "document/VelmoDoc.h"
#include "params/EditState.h"
#include "res/ResourceIds.h"
#include "res/StringTable.h"

#include <QClipboard>
#include <QGuiApplication>

#include <cstdlib>
#include <filesystem>
#include <functional>

namespace velmo {

namespace {

// A load and a save command of one side file.
struct SideFile {
    unsigned loadId, saveId;
    unsigned loadTitle, saveTitle;
    unsigned filter;
    OutputFileKind kind; // of its default name
    std::string DocumentPaths::*remembered;
    void (CVelmoDoc::*load)(const std::string&);
    bool (CVelmoDoc::*save)(const std::string&);
};


const SideFile kSideFiles[] = {
    {ID_LOAD_PARAMS, ID_SAVE_PARAMS_AS, IDS_LOAD_PARAMS_TITLE, IDS_SAVE_PARAMS_TITLE, IDS_FILTER_PARAMETERS,
     OutputFileKind::Parameters, &DocumentPaths::parameters, &CVelmoDoc::OnLoadParameters, &CVelmoDoc::OnSaveParametersAs},
    {ID_LOAD_TONE_CURVE, ID_SAVE_TONE_CURVE_AS, IDS_LOAD_TONE_CURVE_TITLE, IDS_SAVE_TONE_CURVE_TITLE,
     IDS_FILTER_TONE_CURVE, OutputFileKind::ToneCurve, &DocumentPaths::toneCurve, &CVelmoDoc::OnLoadToneCurve,
     &CVelmoDoc::OnSaveToneCurveAs},
    {ID_LOAD_LENS, ID_SAVE_LENS_AS, IDS_LOAD_LENS_TITLE, IDS_SAVE_LENS_TITLE,
     IDS_FILTER_LENS, OutputFileKind::LensCorrection, &DocumentPaths::lens,
     &CVelmoDoc::OnLoadLensCorrection, &CVelmoDoc::OnSaveLensCorrectionAs},
    {ID_LOAD_SELCOLOR, ID_SAVE_SELCOLOR_AS, IDS_LOAD_SELCOLOR_TITLE, IDS_SAVE_SELCOLOR_TITLE,
     IDS_FILTER_SELCOLOR, OutputFileKind::SelectiveColors, &DocumentPaths::selectiveColors,
     &CVelmoDoc::OnLoadSelectiveColors, &CVelmoDoc::OnSaveSelectiveColorsAs},
    {ID_LOAD_SPOT_WB, ID_SAVE_SPOT_WB, IDS_LOAD_WB_TITLE, IDS_SAVE_WB_TITLE, IDS_FILTER_WHITE_BALANCE,
     OutputFileKind::WhiteBalance, &DocumentPaths::whiteBalance, &CVelmoDoc::OnLoadSpotWhiteBalance,
     &CVelmoDoc::OnSaveSpotWhiteBalance},
};

struct FeatureCommand {
    unsigned id;
    FeatureKind kind;
};
constexpr FeatureCommand kFeatureCommands[] = {
    {ID_FREECURVE_ENABLE, FeatureKind::FreeCurve},
    {ID_LENS_ENABLE, FeatureKind::LensCorrection},
    {ID_SELCOLOR_ENABLE, FeatureKind::SelectiveColors},
};

// The user profile's slot in the output colour spaces (the recent list).
constexpr int kUserProfileSlot = 4;

} // namespace

CDocCommands::CDocCommands(CVelmoDoc& document, CMainFrame& mainFrame) : doc(document), frame(mainFrame)
{
    BuildCommandMap();
}

std::string CDocCommands::ColorProfileFolder()
{
    std::vector<std::filesystem::path> candidates;
    if (const char* home = std::getenv("XDG_DATA_HOME"); home != nullptr && *home != '\0')
        candidates.emplace_back(std::filesystem::path(home) / "icc");
    else if (const char* user = std::getenv("HOME"); user != nullptr && *user != '\0')
        candidates.emplace_back(std::filesystem::path(user) / ".local/share/icc");
    candidates.emplace_back("/usr/local/share/color/icc");
    candidates.emplace_back("/usr/share/color/icc");
    for (const std::filesystem::path& p : candidates) {
        std::error_code ec;
        if (std::filesystem::is_directory(p, ec))
            return p.string();
    }
    return {};
}

void CDocCommands::BuildCommandMap()
{
    BuildParameterCommands();
    BuildFeatureCommands();
    BuildOutputCommands();
    BuildColourCommands();
    BuildSideFileCommands();
    BuildMagnifierCommands();
    BuildEditCommands();
}

void CDocCommands::Focus(unsigned controlId)
{
    frame.FocusPaletteControl(controlId);
}

void CDocCommands::SetFieldAndRefresh(ParamField field, double value)
{
    doc.Edit().SetField(field, value);
    doc.OnParametersChanged();
}

void CDocCommands::BuildParameterCommands()
{
    // White balance: only the thirteen items (33913-33919 have none).
    OnCommandRange(ID_WB_FIRST, ID_WB_LAST, [this](unsigned id) {
        SetFieldAndRefresh(ParamField::whiteBalance,
                           WhiteBalanceForCommand(int(id - ID_WB_FIRST), doc.Edit().UseRafWB()));
        Focus(IDC_WB_COMBO);
    });
    OnUpdateRange(ID_WB_FIRST, ID_WB_LAST, [this](CCmdUI& ui) {
        ui.SetCheck(doc.Edit().Params().whiteBalance ==
                    WhiteBalanceForCommand(int(ui.id - ID_WB_FIRST), doc.Edit().UseRafWB()));
    });

    OnCommand(ID_WB_FINETUNE, [this](unsigned id) {
        SetFieldAndRefresh(ParamField::WBfineTune, doc.Edit().Params().WBfineTune != 0 ? 0 : 1);
        Focus(id);
    });
    OnUpdate(ID_WB_FINETUNE, [this](CCmdUI& ui) { ui.SetCheck(doc.Edit().Params().WBfineTune != 0); });

    OnCommandRange(ID_SHARPNESS_HARD, ID_SHARPNESS_CUSTOM, [this](unsigned id) {
        doc.SetSharpnessPreset(int(id - ID_SHARPNESS_HARD));
        Focus(IDC_SHARPNESS_HARD + unsigned(doc.Edit().Params().sharpness));
    });
    OnUpdateRange(ID_SHARPNESS_HARD, ID_SHARPNESS_CUSTOM, [this](CCmdUI& ui) {
        ui.SetCheck(int(ui.id - ID_SHARPNESS_HARD) == doc.Edit().Params().sharpness);
    });

    // Rotation: only the three items (33604-33609 have none).
    OnCommandRange(ID_ROTATE_NONE, ID_ROTATE_LEFT, [this](unsigned id) {
        if (const std::optional<Rotation> rotation = RotationOfCommand(id))
            doc.SetRotation(*rotation);
    });
    OnUpdateRange(ID_ROTATE_NONE, ID_ROTATE_LEFT, [this](CCmdUI& ui) {
        ui.SetCheck(RotationOfCommand(ui.id) == Rotation(doc.Edit().Params().rotate));
    });

    for (unsigned toneId : {ID_TONE_GAMMA, ID_TONE_LOG}) {
        OnCommand(toneId, [this](unsigned id) {
            SetFieldAndRefresh(ParamField::bGammaLog, id == ID_TONE_LOG ? 1 : 0);
            frame.FocusPaletteControl(id);
        });
        OnUpdate(toneId, [this](CCmdUI& ui) {
            ui.SetCheck((doc.Edit().Params().bGammaLog != 0) == (ui.id == ID_TONE_LOG));
        });
    }

    OnUpdate(ID_GAMMA_SR, [this](CCmdUI& ui) {
        ui.Enable(doc.Edit().Params().twoFrames != 0 && doc.Edit().Params().easySR == 0);
    });
    OnCommand(ID_EASY_SR, [this](unsigned id) {
        Focus(id);
        SetFieldAndRefresh(ParamField::easySR, doc.Edit().Params().easySR != 0 ? 0 : 1);
    });
    OnUpdate(ID_EASY_SR, [this](CCmdUI& ui) {
        ui.Enable(doc.Edit().Params().twoFrames != 0);
        ui.SetCheck(doc.Edit().Params().easySR != 0);
    });

    // Vivid colour and the green enhancer: off, on, half (shown as the
    // indeterminate check).
    struct Cycle {
        unsigned id;
        ParamField field;
    };
    for (const Cycle c : {Cycle{ID_VIVID_COLOR, ParamField::iEnhColor}, Cycle{ID_GREEN_ENHANCER, ParamField::iEnhGreen}}) {
        OnCommand(c.id, [this, c](unsigned id) {
            Focus(id);
            SetFieldAndRefresh(c.field, (int(doc.Edit().Field(c.field)) + 1) % 3);
        });
        OnUpdate(c.id, [this, c](CCmdUI& ui) {
            const int level = int(doc.Edit().Field(c.field));
            ui.SetCheck(level >= 0 && level <= 2 ? level : 0);
        });
    }

    // The "&Noise Reduction" check box of the parameters palette in use takes the focus.
    OnCommand(ID_NOISE_REDUCTION, [this](unsigned id) { Focus(id); });
    OnUpdate(ID_NOISE_REDUCTION,
             [this](CCmdUI& ui) { ui.Enable(doc.Edit().Switch(SwitchId::UseOldUI) == 0); });

    OnCommand(ID_HONEYCOMB, [this](unsigned) { doc.ToggleHoneycomb(); });
    OnUpdate(ID_HONEYCOMB, [this](CCmdUI& ui) { ui.SetCheck(doc.Edit().Params().honeycomb != 0); });

    OnCommand(ID_NEUTRAL_RESET, [this](unsigned) { doc.NeutralReset(); });
    OnCommand(ID_REFRESH, [this](unsigned) { doc.OnParametersChanged(); });
    OnCommand(ID_SWAP_FRAMES, [this](unsigned) { doc.SwapFrames(); });
    OnUpdate(ID_SWAP_FRAMES, [](CCmdUI& ui) { ui.SetCheck(0); });

    OnCommand(ID_CLIP_WARNING, [this](unsigned) {
        doc.SetClipWarning(!doc.ClipWarning());
        doc.OnParametersChanged();
    });
    OnUpdate(ID_CLIP_WARNING, [this](CCmdUI& ui) { ui.SetCheck(doc.ClipWarning()); });

    OnCommand(ID_USE_OLD_WB, [this](unsigned) { doc.ToggleUseRafWB(); });
    OnUpdate(ID_USE_OLD_WB, [this](CCmdUI& ui) { ui.SetCheck(!doc.Edit().UseRafWB()); });
    // The palettes' enabling follows the switch.
    OnCommand(ID_USE_OLD_NR, [this](unsigned) { doc.ToggleUseOldNR(); });
    OnUpdate(ID_USE_OLD_NR, [this](CCmdUI& ui) { ui.SetCheck(doc.Edit().Switch(SwitchId::UseOldNR) != 0); });
    OnCommand(ID_USE_OLD_SATURATION, [this](unsigned) { doc.ToggleUseHLS(); });
    OnUpdate(ID_USE_OLD_SATURATION,
             [this](CCmdUI& ui) { ui.SetCheck(doc.Edit().Switch(SwitchId::UseHLS) == 0); });

    OnCommand(ID_AUTO_CHROMATIC, [this](unsigned) { doc.OnAutoChromaticCorrect(); });
}

void CDocCommands::ToggleFeature(FeatureKind kind)
{
    // The palettes show the switch (and the feature's editor comes
    // forward); what they hold is applied with the development.
    doc.ToggleFeature(kind);
    doc.ApplyEdits();
}

void CDocCommands::BuildFeatureCommands()
{
    for (const FeatureCommand c : kFeatureCommands) {
        OnCommand(c.id, [this, c](unsigned) { ToggleFeature(c.kind); });
        OnUpdate(c.id, [this, c](CCmdUI& ui) { ui.SetCheck(doc.Edit().FeatureOn(c.kind)); });
    }
    // The palettes' items that need their feature on; the commands are theirs.
    OnUpdate(ID_RESET_ALL_CHANNELS, [this](CCmdUI& ui) { ui.Enable(doc.Edit().FeatureOn(FeatureKind::FreeCurve)); });

    // The palettes' "..." buttons as commands: their menus at the cursor.
    for (const ControlRow& row : PaletteControls())
        if (row.kind == ControlKind::FileMenu)
            OnCommand(row.id, [this, menu = unsigned(row.item)](unsigned) {
                frame.TrackPopupMenu(menu, nullptr, QCursor::pos());
            });
}

void CDocCommands::BuildOutputCommands()
{
    OnCommandRange(ID_FORMAT_PSD16, ID_FORMAT_JPEG, [this](unsigned id) {
        OutputFormat format;
        if (OutputFormatFromCode(int(id - ID_FORMAT_PSD16), &format))
            doc.SetOutputFormat(format);
    });
    OnUpdateRange(ID_FORMAT_PSD16, ID_FORMAT_JPEG,
                  [this](CCmdUI& ui) { ui.SetCheck(doc.Output().format == int(ui.id - ID_FORMAT_PSD16)); });
    // 33505 has no item and does nothing: no handler, so it shows greyed.

    OnCommand(ID_JPEG_OPTION, [this](unsigned) { OnJpegOptions(); });
    OnUpdate(ID_JPEG_OPTION, [this](CCmdUI& ui) { ui.Enable(doc.Output().Format() == OutputFormat::Jpeg); });

    OnCommandRange(ID_SIZE_FULL, ID_SIZE_PREVIEW, [this](unsigned id) {
        if (const std::optional<OutputScale> scale = OutputScaleOfCommand(id))
            doc.OnOutputSize(*scale);
    });
    OnUpdateRange(ID_SIZE_FULL, ID_SIZE_PREVIEW, [this](CCmdUI& ui) {
        bool current = false;
        const std::string caption = doc.FormatOutputSize(OutputScaleOfCommand(ui.id), &current, 1);
        ui.SetCheck(current);
        // The size in the item's text only while there is a picture to size.
        if (doc.HasImage())
            ui.SetText(caption);
        else
            ui.SetText(LoadString(MenuText(ui.id)));
    });

    OnCommand(ID_INCREMENT_FILE_NUMBER,
              [this](unsigned) { doc.SetIncrementFileNumber(!doc.IncrementFileNumber()); });
    OnUpdate(ID_INCREMENT_FILE_NUMBER, [this](CCmdUI& ui) { ui.SetCheck(doc.IncrementFileNumber()); });

    OnCommand(ID_FILE_SAVE, [this](unsigned) { doc.OnSaveDocument(doc.SourcePath()); });
    OnUpdate(ID_FILE_SAVE, [this](CCmdUI& ui) { ui.Enable(doc.HasImage()); });
    OnCommand(ID_FILE_SAVE_AS, [this](unsigned) { doc.OnFileSaveAs(); });
    OnUpdate(ID_FILE_SAVE_AS, [this](CCmdUI& ui) { ui.Enable(doc.HasImage()); });

    OnCommand(ID_BATCH_JOB, [this](unsigned) { OnBatchJob(); });
    OnUpdate(ID_BATCH_JOB, [](CCmdUI& ui) { ui.Enable(BatchDialogAvailable()); });
}

void CDocCommands::BuildColourCommands()
{
    // Output colour spaces: only the four items (33924-33929 have none).
    OnCommandRange(ID_ICC_SRGB, ID_ICC_WIDEGAMUT, [this](unsigned id) {
        if (frame.GetActiveView() != nullptr)
            doc.SetOutputColorSpace(int(id - ID_ICC_SRGB));
    });
    OnUpdateRange(ID_ICC_SRGB, ID_ICC_WIDEGAMUT,
                  [this](CCmdUI& ui) { ui.SetCheck(doc.Edit().Params().ICC == int(ui.id - ID_ICC_SRGB)); });

    // The user profile: the list's own entries, the first checked while it
    // is the output colour space.
    OnUpdate(ID_RECENT_CP_FIRST, [this](CCmdUI& ui) {
        frame.App().OnUpdateRecentColorProfile(ui);
        if (ui.menu == nullptr || doc.Edit().Params().ICC != kUserProfileSlot)
            return;
        const int first = ui.menu->FindItem(ID_RECENT_CP_FIRST);
        if (first >= 0 && ui.menuChanged)
            ui.menu->SetItemState(first, true, 1, nullptr);
    });
    OnCommand(ID_OPEN_COLOR_PROFILE, [this](unsigned) { OnOpenColorProfile(); });

    // The display.
    OnCommandRange(ID_DISPLAY_WINDOWS_CM, ID_DISPLAY_PROFILE_LAST, [this](unsigned id) {
        if (const std::optional<DisplayChoice> choice = DisplayChoiceOfCommand(id))
            doc.OnDisplayChoice(*choice);
    });
    OnUpdateRange(ID_DISPLAY_WINDOWS_CM, ID_DISPLAY_PROFILE_LAST, [this](CCmdUI& ui) {
        ui.SetCheck(DisplayChoiceOfCommand(ui.id) == doc.Colors().GetDisplayChoice());
        if (ui.id != ID_DISPLAY_OTHER)
            return;
        // The display profile file's name, or "--" while there is none.
        const std::string& path = doc.Paths().displayProfile;
        std::error_code ec;
        if (path.empty() || !std::filesystem::is_regular_file(path, ec)) {
            ui.Enable(false);
            ui.SetText("--");
            return;
        }
        ui.SetText(std::filesystem::path(path).stem().string());
    });
    OnCommand(ID_OPEN_DISPLAY_PROFILE, [this](unsigned) { OnOpenDisplayProfile(); });
}

void CDocCommands::BuildSideFileCommands()
{
    for (const SideFile& f : kSideFiles) {
        OnCommand(f.loadId, [this, &f](unsigned) {
            const std::string path =
                ChooseOpenFile(&frame, LoadString(f.loadTitle), LoadString(f.filter), doc.Paths().*f.remembered);
            // std::invoke rather than (doc.*f.load)(path): GCC 12's UBSan
            // checks a stale register instead of this for a member-pointer
            // call on a member reached through a lambda's captured this,
            // and stops the program with a false report.
            if (!path.empty())
                std::invoke(f.load, doc, path);
        });
        OnCommand(f.saveId, [this, &f](unsigned) {
            std::string initial = doc.Paths().*f.remembered;
            if (initial.empty() && !doc.SourcePath().empty())
                initial = doc.MakeOutputFileName(doc.SourcePath(), f.kind);
            std::string path;
            if (ChooseSaveFile(&frame, LoadString(f.saveTitle), LoadString(f.filter), initial, path))
                std::invoke(f.save, doc, path);
        });
    }
    OnCommand(ID_SAVE_PARAMS, [this](unsigned) { doc.OnSaveParameters(); });

    // The feature saves need their feature on; the spot white balance its preset.
    OnUpdate(ID_SAVE_TONE_CURVE_AS, [this](CCmdUI& ui) { ui.Enable(doc.Edit().FeatureOn(FeatureKind::FreeCurve)); });
    OnUpdate(ID_SAVE_LENS_AS,
             [this](CCmdUI& ui) { ui.Enable(doc.Edit().FeatureOn(FeatureKind::LensCorrection)); });
    OnUpdate(ID_SAVE_SELCOLOR_AS,
             [this](CCmdUI& ui) { ui.Enable(doc.Edit().FeatureOn(FeatureKind::SelectiveColors)); });
    OnUpdate(ID_SAVE_SPOT_WB, [this](CCmdUI& ui) {
        ui.Enable(doc.Edit().Params().whiteBalance == CustomPreset(doc.Edit().UseRafWB()));
    });
}

void CDocCommands::BuildMagnifierCommands()
{
    OnCommand(ID_MAGNIFIER_FLOAT, [this](unsigned) {
        if (IMagnifierPalette* m = frame.MagnifierPalette())
            m->ToggleDock();
    });
    OnUpdate(ID_MAGNIFIER_FLOAT, [this](CCmdUI& ui) {
        IMagnifierPalette* m = frame.MagnifierPalette();
        ui.Enable(m != nullptr && !frame.IsFullMode());
        ui.SetCheck(m != nullptr && m->DockFlag());
    });

    // Either item switches to the other size.
    OnCommandRange(ID_MAGNIFIER_256, ID_MAGNIFIER_512, [this](unsigned) {
        doc.SetMagnifierSize(doc.Edit().Switch(SwitchId::MagnifierSize) == 256 ? 512 : 256);
    });
    OnUpdateRange(ID_MAGNIFIER_256, ID_MAGNIFIER_512, [this](CCmdUI& ui) {
        ui.SetCheck(doc.Edit().Switch(SwitchId::MagnifierSize) == (ui.id == ID_MAGNIFIER_256 ? 256 : 512));
    });

    OnCommandRange(ID_MAGNIFIER_ZOOM1, ID_MAGNIFIER_ZOOM5, [this](unsigned id) {
        if (IMagnifierPalette* m = frame.MagnifierPalette())
            m->SetZoom(int(id - ID_MAGNIFIER_ZOOM1) + 1);
    });
    OnUpdateRange(ID_MAGNIFIER_ZOOM1, ID_MAGNIFIER_ZOOM5, [this](CCmdUI& ui) {
        IMagnifierPalette* m = frame.MagnifierPalette();
        ui.SetCheck(m != nullptr && m->Zoom() == int(ui.id - ID_MAGNIFIER_ZOOM1) + 1);
    });
}

void CDocCommands::BuildEditCommands()
{
    OnCommand(ID_COPY_EXIF, [this](unsigned) { OnCopyExif(); });
    OnCommand(ID_COPY_MAGNIFIER, [this](unsigned) {
        if (IMagnifierPalette* m = frame.MagnifierPalette())
            m->OnCopyImage();
    });
}

void CDocCommands::OnOpenColorProfile()
{
    const std::string path = ChooseOpenFile(&frame, {}, LoadString(IDS_FILTER_COLOR_PROFILE), {}, ColorProfileFolder());
    if (!path.empty())
        doc.OnOpenDocument(path);
}

void CDocCommands::OnOpenDisplayProfile()
{
    const std::string path = ChooseOpenFile(&frame, {}, LoadString(IDS_FILTER_COLOR_PROFILE), {}, ColorProfileFolder());
    if (!path.empty())
        doc.OpenDisplayProfile(path);
}

void CDocCommands::OnJpegOptions()
{
    OutputOptions o = doc.Output();
    int quality = o.jpegQuality;
    int progressive = o.jpegProgressive;
    if (!RunJpegOptionsDialog(&frame, quality, progressive))
        return;
    o.jpegQuality = quality;
    o.jpegProgressive = progressive;
    doc.SetOutputOptions(o);
}

void CDocCommands::OnCopyExif()
{
    IExifPalette* exif = frame.ExifPalette();
    if (exif == nullptr)
        return;
    const std::string text = exif->Text();
    if (text.empty())
        return;
    if (QClipboard* clipboard = QGuiApplication::clipboard())
        clipboard->setText(QString::fromStdString(text));
}

void CDocCommands::OnBatchJob()
{
    if (BatchDialogAvailable())
        RunBatchDialog(frame, doc);
}

} // namespace velmo
