// The document's commands through the real main window: one table drives
// every command of the parameters, output, colour, magnifier and edit
// menus through the command route and checks what it changed in the record,
// the switches and the document, and the item's state afterwards; then the
// photographer's round trip through the menus: open, turn, white balance,
// JPEG, save, and a save that cannot be written.
#include "app/palettes/HistogramBar.h"
#include "app/palettes/FeaturePalettes.h"
#include "app/palettes/FeaturePanel.h"
#include "app/palettes/MagnifierBar.h"
#include "platform/gui/AutoCheckBox.h"
#include "platform/gui/ControlUnit.h"
#include "app/palettes/ParamTabBar.h"
#include "app/VelmoView.h"
#include "app/dialogs/FileDialogs.h"
#include "app/dialogs/JpegOptionsDlg.h"
#include "app/dialogs/ProcessingDlg.h"
#include "develop/colour/ColorManagement.h"
#include "develop/output/SaveDocument.h"
#include "params/EditState.h"
#include "platform/gui/QtMenus.h"
#include "platform/gui/StatusProgress.h"
#include "platform/gui/TrackBar.h"
#include "res/ResourceIds.h"
#include "res/StringTable.h"
#include "support/ExternalTool.h"
#include "support/RafBuilder.h"
#include "tests/app/AppTest.h"
#include "tests/app/AppTestEnv.h"
#include "tests/app/dialogs/DialogTestUtil.h"

#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QClipboard>
#include <QLineEdit>
#include <QMenu>
#include <QMenuBar>
#include <QPushButton>
#include <QScreen>
#include <QStatusBar>
#include <QTest>
#include <QTimer>

#include <filesystem>
#include <fstream>
#include <functional>
#include <optional>

#include <fcntl.h>
#include <linux/fs.h>
#include <sys/ioctl.h>
#include <unistd.h>

namespace velmo::test {

namespace {

CCmdUI UiState(CMainFrame& frame, unsigned id)
{
    CCmdUI ui(id);
    frame.Route().Update(ui);
    return ui;
}

CParamTabBar& Tabbed(CMainFrame& frame)
{
    return *dynamic_cast<CParamTabBar*>(frame.Palette(ID_VIEW_PARAMTAB));
}

// The tabbed palette's control id is the one that has (or will have, once
// the window is active) the keyboard focus.
bool Focused(CMainFrame& frame, unsigned id)
{
    QWidget* control = Tabbed(frame).Controls().Control(id);
    return control != nullptr && frame.focusWidget() == control;
}

// One row: the state before, the command (unless run is false), what it
// must have changed, and the item's state afterwards.
struct CommandCase {
    using Setup = std::function<void(CVelmoDoc&, CMainFrame&)>;
    using Effect = std::function<bool(CVelmoDoc&, CMainFrame&)>;
    CommandCase(const char* caseName, unsigned commandId, Setup setup, Effect changes, bool enabledAfter = true,
                std::optional<int> checkAfter = std::nullopt, std::optional<std::string> textAfter = std::nullopt,
                bool runCommand = true)
        : name(caseName), id(commandId), before(std::move(setup)), effect(std::move(changes)), enabled(enabledAfter),
          check(checkAfter), text(std::move(textAfter)), run(runCommand)
    {
    }
    const char* name;
    unsigned id;
    Setup before;
    Effect effect;
    bool enabled;
    std::optional<int> check;
    std::optional<std::string> text;
    bool run;
};

using Doc = CVelmoDoc;
using Frame = CMainFrame;

void SetField(Doc& d, ParamField f, double v) { d.Edit().SetField(f, v); }
int Field(Doc& d, ParamField f) { return int(d.Edit().Field(f)); }

// Writes an ICC profile of the program's table to path.
bool WriteProfile(const std::string& path, const CVelmoDoc& doc, int slot)
{
    const IccBytes bytes = doc.Colors().Profiles().Slot(slot);
    std::ofstream out(path, std::ios::binary);
    out.write(reinterpret_cast<const char*>(bytes->data()), std::streamsize(bytes->size()));
    return bool(out);
}

// The action of a menu path ("&Parameters", "&Rotation", "&Right"), each
// menu updated as it opens.
QAction* MenuAction(CMainFrame& frame, const QStringList& path)
{
    QList<QAction*> actions = frame.menuBar()->actions();
    QAction* found = nullptr;
    for (const QString& text : path) {
        found = nullptr;
        for (QAction* a : actions)
            if (a->text() == text || a->text().startsWith(text + QLatin1Char('\t'))) {
                found = a;
                break;
            }
        if (found == nullptr)
            return nullptr;
        if (QMenu* menu = found->menu()) {
            emit menu->aboutToShow();
            actions = menu->actions();
        }
    }
    return found;
}

bool ChooseMenuItem(CMainFrame& frame, const QStringList& path)
{
    QAction* action = MenuAction(frame, path);
    if (action == nullptr || !action->isEnabled())
        return false;
    action->trigger();
    ProcessEvents();
    return true;
}

// The mean colour of the view's picture.
QColor MeanColour(const QImage& image)
{
    double r = 0, g = 0, b = 0;
    const QImage rgb = image.convertToFormat(QImage::Format_RGB32);
    for (int y = 0; y < rgb.height(); ++y)
        for (int x = 0; x < rgb.width(); ++x) {
            const QRgb p = rgb.pixel(x, y);
            r += qRed(p);
            g += qGreen(p);
            b += qBlue(p);
        }
    const double n = double(rgb.width()) * rgb.height();
    return QColor(int(r / n), int(g / n), int(b / n));
}

std::vector<std::string> FilesIn(const std::string& dir)
{
    std::vector<std::string> names;
    for (const auto& entry : std::filesystem::directory_iterator(dir))
        names.push_back(entry.path().filename().string());
    std::sort(names.begin(), names.end());
    return names;
}

// A folder nothing can be written into, also by root (which permissions
// do not bind): read-only, and immutable while root runs the test.
class ReadOnlyFolder {
public:
    explicit ReadOnlyFolder(const std::string& folder) : path(folder)
    {
        std::filesystem::permissions(path, std::filesystem::perms::owner_read | std::filesystem::perms::owner_exec);
        if (::geteuid() != 0) {
            locked = true;
            return;
        }
        const int fd = ::open(path.c_str(), O_RDONLY | O_DIRECTORY);
        int flags = 0;
        if (fd >= 0 && ::ioctl(fd, FS_IOC_GETFLAGS, &flags) == 0) {
            flags |= FS_IMMUTABLE_FL;
            immutable = locked = ::ioctl(fd, FS_IOC_SETFLAGS, &flags) == 0;
        }
        if (fd >= 0)
            ::close(fd);
    }
    ~ReadOnlyFolder()
    {
        if (immutable) {
            const int fd = ::open(path.c_str(), O_RDONLY | O_DIRECTORY);
            int flags = 0;
            if (fd >= 0 && ::ioctl(fd, FS_IOC_GETFLAGS, &flags) == 0) {
                flags &= ~FS_IMMUTABLE_FL;
                ::ioctl(fd, FS_IOC_SETFLAGS, &flags);
            }
            if (fd >= 0)
                ::close(fd);
        }
        std::filesystem::permissions(path, std::filesystem::perms::owner_all);
    }
    bool Locked() const { return locked; }

private:
    std::string path;
    bool locked = false;
    bool immutable = false;
};

} // namespace

class DocCommandsTest : public QObject {
    Q_OBJECT

private slots:
    void EveryDocumentCommandThroughTheRoute()
    {
        TempDir dir;
        const std::string raf = WriteSmallRaf(dir.path(), "TABLE.RAF");
        AppRun::Setup setup;
        setup.arguments = {raf};
        AppRun run(setup);
        CVelmoDoc& doc = run.Doc();
        CMainFrame& frame = run.Frame();
        QVERIFY(doc.HasImage());
        const std::string displayProfile = dir.File("My Display.icc");
        const std::string userProfile = dir.File("Mine.icc");
        QVERIFY(WriteProfile(displayProfile, doc, 1));
        QVERIFY(WriteProfile(userProfile, doc, 3));
        auto& magnifier = *dynamic_cast<CMagnifierBar*>(frame.Palette(ID_VIEW_MAGNIFIER));

        auto rafWB = [](bool on) {
            return [on](Doc& d, Frame&) { d.Edit().SetSwitch(SwitchId::UseRafWB, on ? 1 : 0); };
        };
        auto field = [](ParamField f, double v) { return [f, v](Doc& d, Frame&) { SetField(d, f, v); }; };
        auto is = [](ParamField f, int v) { return [f, v](Doc& d, Frame&) { return Field(d, f) == v; }; };
        auto sw = [](SwitchId s, int v) { return [s, v](Doc& d, Frame&) { return d.Edit().Switch(s) == v; }; };
        const std::string sizeCaption = doc.FormatOutputSize(OutputScale::Quarter, nullptr, 1);

        const std::vector<CommandCase> cases = {
            // White balance: the item of the preset's name, in both numberings.
            {"wb daylight", ID_WB_FIRST + 1, rafWB(true),
             [](Doc& d, Frame& f) { return Field(d, ParamField::whiteBalance) == 1 && Focused(f, IDC_WB_COMBO); },
             true, 1},
            {"wb old as shot", ID_WB_FIRST, rafWB(false), is(ParamField::whiteBalance, 8), true, 1},
            {"wb old daylight", ID_WB_FIRST + 1, rafWB(false), is(ParamField::whiteBalance, 0), true, 1},
            {"wb old temperature", ID_WB_LAST, rafWB(false), is(ParamField::whiteBalance, 9), true, 1},
            {"wb without item", ID_WB_LAST + 1, [rafWB](Doc& d, Frame& f) { rafWB(true)(d, f); SetField(d, ParamField::whiteBalance, 3); },
             is(ParamField::whiteBalance, 3), false},
            {"fine tune", ID_WB_FINETUNE, field(ParamField::WBfineTune, 0), is(ParamField::WBfineTune, 1), true, 1},
            // Sharpness presets reach both palettes.
            {"sharpness soft", ID_SHARPNESS_SOFT, field(ParamField::sharpness, 1),
             [](Doc& d, Frame& f) {
                 return Field(d, ParamField::sharpness) == 2 && Tabbed(f).Record().sharpness == 2 &&
                        Focused(f, IDC_SHARPNESS_SOFT);
             },
             true, 1},
            // Rotation: the item's turn; ids past the items are ignored.
            {"rotate right", ID_ROTATE_RIGHT, field(ParamField::rotate, 0), is(ParamField::rotate, 1), true, 1},
            {"rotate left", ID_ROTATE_LEFT, nullptr, is(ParamField::rotate, 2), true, 1},
            {"rotate none", ID_ROTATE_NONE, nullptr, is(ParamField::rotate, 0), true, 1},
            {"rotate without item", ID_ROTATE_LEFT + 1, nullptr, is(ParamField::rotate, 0), false},
            {"tone log", ID_TONE_LOG, field(ParamField::bGammaLog, 0), is(ParamField::bGammaLog, 1), true, 1},
            {"tone gamma", ID_TONE_GAMMA, nullptr, is(ParamField::bGammaLog, 0), true, 1},
            {"gamma SR with two frames", ID_GAMMA_SR,
             [](Doc& d, Frame&) { SetField(d, ParamField::twoFrames, 1); SetField(d, ParamField::easySR, 0); },
             nullptr, true, std::nullopt, std::nullopt, false},
            {"gamma SR in easy mode", ID_GAMMA_SR, field(ParamField::easySR, 1), nullptr, false, std::nullopt,
             std::nullopt, false},
            {"easy mode", ID_EASY_SR, field(ParamField::easySR, 0), is(ParamField::easySR, 1), true, 1},
            {"easy mode with one frame", ID_EASY_SR, field(ParamField::twoFrames, 0), nullptr, false, 1,
             std::nullopt, false},
            // Vivid colour and the green enhancer: off, on, half.
            {"vivid to half", ID_VIVID_COLOR, field(ParamField::iEnhColor, 1), is(ParamField::iEnhColor, 2), true, 2},
            {"vivid to off", ID_VIVID_COLOR, nullptr, is(ParamField::iEnhColor, 0), true, 0},
            {"green on", ID_GREEN_ENHANCER, field(ParamField::iEnhGreen, 0), is(ParamField::iEnhGreen, 1), true, 1},
            {"noise reduction, tabbed", ID_NOISE_REDUCTION, nullptr, nullptr, true, std::nullopt, std::nullopt, false},
            {"noise reduction, classic", ID_NOISE_REDUCTION,
             [](Doc& d, Frame&) { d.Edit().SetSwitch(SwitchId::UseOldUI, 1); }, nullptr, false, std::nullopt,
             std::nullopt, false},
            {"honeycomb", ID_HONEYCOMB, [](Doc& d, Frame&) { d.Edit().SetSwitch(SwitchId::UseOldUI, 0); SetField(d, ParamField::honeycomb, 1); },
             [](Doc& d, Frame& f) {
                 return Field(d, ParamField::honeycomb) == 0 && f.MessagePane()->Message() == QStringLiteral("HoneyCum:off");
             },
             true, 0},
            {"neutral reset", ID_NEUTRAL_RESET,
             [](Doc& d, Frame&) { d.Edit().ModifyParams([](DevParams& p) { p.gamma = 2.2f; p.saturation = 130; p.wbTempt = 4000; }); },
             [](Doc& d, Frame&) {
                 const DevParams& p = d.Edit().Params();
                 return p.gamma == 1.0f && p.saturation == 100 && p.whiteBalance == -1 && p.wbTempt == 4000;
             }},
            // The refresh shows the record again and drops a typed value still
            // waiting for its countdown.
            {"refresh", ID_REFRESH,
             [](Doc&, Frame& f) {
                 Tabbed(f).Controls().Unit(ParamField::hue)->Edit()->setText(QStringLiteral("42"));
                 Tabbed(f).Controls().Countdown().Arm();
             },
             [](Doc& d, Frame& f) {
                 return !Tabbed(f).Controls().Countdown().Pending() &&
                        Tabbed(f).Controls().Unit(ParamField::hue)->Edit()->text() ==
                            QString::number(d.Edit().Params().hue);
             }},
            {"frame exchange with one frame", ID_SWAP_FRAMES, nullptr, is(ParamField::saturation, 100), true, 0},
            {"clip warning", ID_CLIP_WARNING, [](Doc& d, Frame&) { d.SetClipWarning(false); },
             [](Doc& d, Frame&) { return d.ClipWarning(); }, true, 1},
            {"use old WB", ID_USE_OLD_WB, rafWB(true),
             [](Doc& d, Frame& f) {
                 // The palettes list the presets of the old numbering.
                 auto* list = qobject_cast<QComboBox*>(Tabbed(f).Controls().Control(IDC_WB_COMBO));
                 return !d.Edit().UseRafWB() && list->itemText(0).toStdString() == WhiteBalanceItems(false)[0];
             },
             true, 1},
            {"use old NR", ID_USE_OLD_NR, nullptr, sw(SwitchId::UseOldNR, 1), true, 1},
            {"use old saturation", ID_USE_OLD_SATURATION, nullptr, sw(SwitchId::UseHLS, 0), true, 1},
            // Feature toggles, and the saves that need their feature on.
            {"free curve on", ID_FREECURVE_ENABLE, nullptr,
             [](Doc& d, Frame& f) { return d.Edit().FeatureOn(FeatureKind::FreeCurve) && f.Palette(ID_VIEW_PARAMTAB)->CurrentPage() == 3; },
             true, 1},
            {"save tone curve", ID_SAVE_TONE_CURVE_AS, nullptr, nullptr, true, std::nullopt, std::nullopt, false},
            {"reset all channels", ID_RESET_ALL_CHANNELS, nullptr, nullptr, true, std::nullopt, std::nullopt, false},
            {"lens on", ID_LENS_ENABLE, nullptr, [](Doc& d, Frame&) { return d.Edit().FeatureOn(FeatureKind::LensCorrection); }, true, 1},
            {"save lens", ID_SAVE_LENS_AS, nullptr, nullptr, true, std::nullopt, std::nullopt, false},
            {"lens off", ID_LENS_ENABLE, nullptr, [](Doc& d, Frame&) { return !d.Edit().FeatureOn(FeatureKind::LensCorrection); }, true, 0},
            {"save lens off", ID_SAVE_LENS_AS, nullptr, nullptr, false, std::nullopt, std::nullopt, false},
            {"selective colours, classic", ID_SELCOLOR_ENABLE,
             [](Doc& d, Frame&) { d.Edit().SetSwitch(SwitchId::UseOldUI, 1); },
             [](Doc& d, Frame& f) {
                 auto* palette = dynamic_cast<CSelColorBar*>(f.Palette(ID_VIEW_SELCOLOR));
                 return d.Edit().FeatureOn(FeatureKind::SelectiveColors) && !palette->isHidden() &&
                        palette->Panel()->EnableCheck()->State() == BST_CHECKED;
             },
             true, 1},
            {"save selective colours", ID_SAVE_SELCOLOR_AS, [](Doc& d, Frame&) { d.Edit().SetSwitch(SwitchId::UseOldUI, 0); },
             nullptr, true, std::nullopt, std::nullopt, false},
            // Output colour space: the four items only.
            {"adobe rgb", ID_ICC_ADOBE, nullptr, is(ParamField::ICC, 1), true, 1},
            {"colour space without item", ID_ICC_WIDEGAMUT + 1, nullptr, is(ParamField::ICC, 1), false},
            {"user profile", ID_OPEN_COLOR_PROFILE, nullptr, is(ParamField::ICC, 4)},
            {"srgb", ID_ICC_SRGB, nullptr, is(ParamField::ICC, 0), true, 1},
            // The display.
            {"display srgb", ID_DISPLAY_SRGB, nullptr,
             [](Doc& d, Frame&) { return d.Colors().GetDisplayChoice() == DisplayChoice::Srgb; }, true, 1},
            {"display finepix rgb", ID_DISPLAY_FINEPIX, nullptr,
             [](Doc& d, Frame&) { return d.Colors().GetDisplayChoice() == DisplayChoice::FinePixRgb; }, true, 1},
            {"display wide gamut", ID_DISPLAY_WIDEGAMUT, nullptr,
             [](Doc& d, Frame&) { return d.Colors().GetDisplayChoice() == DisplayChoice::WideGamutRgb; }, true, 1},
            // The first profile item stands for the system's colour management too.
            {"display first profile item", ID_DISPLAY_PROFILE_FIRST, nullptr,
             [](Doc& d, Frame&) { return d.Colors().GetDisplayChoice() == DisplayChoice::GuiConverts; }, true, 1},
            {"display profile missing", ID_DISPLAY_OTHER, nullptr, nullptr, false, 0, "--", false},
            {"open display profile", ID_OPEN_DISPLAY_PROFILE, nullptr,
             [](Doc& d, Frame&) { return d.Colors().GetDisplayChoice() == DisplayChoice::DisplayProfileFile; }},
            {"display profile", ID_DISPLAY_OTHER, nullptr, nullptr, true, 1, "My Display", false},
            {"system colour management", ID_DISPLAY_WINDOWS_CM, nullptr,
             [](Doc& d, Frame&) { return d.Colors().GetDisplayChoice() == DisplayChoice::GuiConverts; }, true, 1},
            // Output formats, JPEG options only for JPEG.
            {"jpeg", ID_FORMAT_JPEG, nullptr, [](Doc& d, Frame&) { return d.Output().format == 4; }, true, 1},
            {"jpeg options with jpeg", ID_JPEG_OPTION, nullptr, nullptr, true, std::nullopt, std::nullopt, false},
            {"tiff 8", ID_FORMAT_TIFF8, nullptr, [](Doc& d, Frame&) { return d.Output().format == 3; }, true, 1},
            {"jpeg options with tiff", ID_JPEG_OPTION, nullptr, nullptr, false, std::nullopt, std::nullopt, false},
            {"format without item", ID_FORMAT_UNUSED, nullptr, [](Doc& d, Frame&) { return d.Output().format == 3; }, false},
            // Output sizes: the caption of the size in the item.
            {"quarter size", ID_SIZE_QUARTER, nullptr, [](Doc& d, Frame&) { return (d.Output().sizeMode & 7) == 2; },
             true, 1, sizeCaption},
            {"preview size", ID_SIZE_PREVIEW, nullptr, [](Doc& d, Frame&) { return (d.Output().sizeMode & 7) == 3; },
             true, 1},
            {"9/16 size", ID_SIZE_9_16, nullptr, [](Doc& d, Frame&) { return (d.Output().sizeMode & 7) == 1; }, true, 1},
            {"full size", ID_SIZE_FULL, nullptr, [](Doc& d, Frame&) { return (d.Output().sizeMode & 7) == 0; }, true, 1},
            {"increment file number", ID_INCREMENT_FILE_NUMBER, [](Doc& d, Frame&) { d.SetIncrementFileNumber(true); },
             [](Doc& d, Frame&) { return !d.IncrementFileNumber(); }, true, 0},
            {"save", ID_FILE_SAVE, nullptr, nullptr, true, std::nullopt, std::nullopt, false},
            {"save as", ID_FILE_SAVE_AS, nullptr, nullptr, true, std::nullopt, std::nullopt, false},
            {"save spot wb, custom preset", ID_SAVE_SPOT_WB, [rafWB](Doc& d, Frame& f) { rafWB(true)(d, f); SetField(d, ParamField::whiteBalance, 11); },
             nullptr, true, std::nullopt, std::nullopt, false},
            {"save spot wb, daylight", ID_SAVE_SPOT_WB, field(ParamField::whiteBalance, 1), nullptr, false,
             std::nullopt, std::nullopt, false},
            // Grid, magnifier.
            {"grid 4", ID_GRID_4, nullptr, sw(SwitchId::Grid, 4), true, 1},
            {"grid menu", ID_GRID_MENU, nullptr, nullptr, true, 1, std::nullopt, false},
            {"magnifier float", ID_MAGNIFIER_FLOAT, nullptr,
             [&magnifier](Doc&, Frame&) { return magnifier.DockFlag(); }, true, 1},
            {"magnifier 256 switches to 512", ID_MAGNIFIER_256, nullptr,
             [&magnifier](Doc& d, Frame&) { return d.Edit().Switch(SwitchId::MagnifierSize) == 512 && magnifier.Size() == 512; },
             true, 0},
            {"magnifier 512 switches to 256", ID_MAGNIFIER_512, nullptr, sw(SwitchId::MagnifierSize, 256), true, 0},
            {"magnifier x3", ID_MAGNIFIER_ZOOM1 + 2, nullptr, [&magnifier](Doc&, Frame&) { return magnifier.Zoom() == 3; },
             true, 1},
            {"histogram magnifier", ID_HISTOGRAM_SOURCE_FIRST + 1, nullptr,
             [](Doc&, Frame& f) { return f.HistogramBar()->Source() == 1; }, true, 1},
            {"batch job", ID_BATCH_JOB, nullptr, nullptr, true, std::nullopt, std::nullopt, false},
        };

        // The profile dialogs answer with the files written above.
        std::string nextProfile;
        ScopedFileDialogResponder responder([&nextProfile](const FileDialogRequest&) {
            FileDialogAnswer answer;
            answer.accepted = true;
            answer.paths = {nextProfile};
            return answer;
        });
        for (const CommandCase& c : cases) {
            nextProfile = c.id == ID_OPEN_COLOR_PROFILE ? userProfile : displayProfile;
            if (c.before)
                c.before(doc, frame);
            if (c.run)
                frame.ExecuteCommand(c.id);
            ProcessEvents();
            if (c.effect)
                QVERIFY2(c.effect(doc, frame), c.name);
            const CCmdUI ui = UiState(frame, c.id);
            QVERIFY2(ui.enabled == c.enabled, c.name);
            if (c.check)
                QVERIFY2(ui.check.value_or(-1) == *c.check, c.name);
            if (c.text)
                QVERIFY2(ui.text.value_or("") == *c.text, qPrintable(QString::fromStdString(ui.text.value_or("(none)")) + " " + c.name));
        }
    }

    void HalfStrengthShowsItsOwnCheckInTheMenu()
    {
        AppRun run;
        CMainFrame& frame = run.Frame();
        QMenu* menu = nullptr;
        for (QAction* a : frame.menuBar()->actions())
            if (a->menu() != nullptr && a->text() == StringText(IDS_POPUP_PARAMETERS))
                menu = a->menu();
        QVERIFY(menu != nullptr);
        auto item = [menu](unsigned id) {
            for (QAction* a : menu->actions())
                if (ActionCommandId(a) == id)
                    return a;
            return static_cast<QAction*>(nullptr);
        };
        QAction* vivid = item(ID_VIVID_COLOR);
        QAction* green = item(ID_GREEN_ENHANCER);
        QVERIFY(vivid != nullptr && green != nullptr);
        // The menu as the screen shows it; the check column of an item.
        auto shown = [&] {
            menu->popup(QPoint(40, 40));
            menu->setActiveAction(nullptr);
            ProcessEvents(20);
            const QImage image =
                menu->screen()->grabWindow(menu->winId()).toImage().convertToFormat(QImage::Format_RGB32);
            menu->hide();
            ProcessEvents();
            return image;
        };
        auto checkColumn = [menu](const QImage& image, QAction* a) {
            const QRect r = menu->actionGeometry(a);
            return image.copy(QRect(r.left(), r.top(), r.height(), r.height()));
        };

        // Vivid on, the green enhancer at half strength, each by its command.
        frame.ExecuteCommand(ID_VIVID_COLOR);
        frame.ExecuteCommand(ID_GREEN_ENHANCER);
        frame.ExecuteCommand(ID_GREEN_ENHANCER);
        QCOMPARE(run.Doc().Edit().Params().iEnhColor, 1);
        QCOMPARE(run.Doc().Edit().Params().iEnhGreen, 2);
        const QImage half = shown();
        const QString shot = QStringLiteral(VELMO_BINARY_DIR "/velmo-menu-half-check.png");
        QVERIFY(half.save(shot));
        qInfo("screenshot: %s (%dx%d)", qPrintable(shot), half.width(), half.height());
        QVERIFY2(checkColumn(half, green) != checkColumn(half, vivid), "half looks like on");
        // Back to on, then off: the same look as the other item in that state.
        frame.ExecuteCommand(ID_GREEN_ENHANCER);
        frame.ExecuteCommand(ID_GREEN_ENHANCER);
        QCOMPARE(run.Doc().Edit().Params().iEnhGreen, 1);
        const QImage on = shown();
        QCOMPARE(checkColumn(on, green), checkColumn(on, vivid));
        frame.ExecuteCommand(ID_VIVID_COLOR);
        frame.ExecuteCommand(ID_VIVID_COLOR);
        QCOMPARE(run.Doc().Edit().Params().iEnhColor, 0);
        const QImage off = shown();
        QVERIFY(checkColumn(off, vivid) != checkColumn(off, green));
        QVERIFY2(checkColumn(off, vivid) != checkColumn(half, green), "half looks like off");
        QVERIFY(green->isChecked() && !vivid->isChecked());
    }

    void WithoutAnImageNoCommandFailsOrWrites()
    {
        // Every document command that needs no answer of a modal window,
        // chosen before any picture is open: nothing is asked, nothing is
        // written, no message appears, and the program keeps serving.
        TempDir dir;
        AppRun run;
        CMainFrame& frame = run.Frame();
        QVERIFY(!run.Doc().HasImage());
        const std::filesystem::path cwd = std::filesystem::current_path();
        std::filesystem::current_path(dir.path());
        int asked = 0;
        ScopedFileDialogResponder responder([&asked](const FileDialogRequest&) {
            ++asked;
            return FileDialogAnswer{}; // cancelled
        });
        std::vector<unsigned> ids = {ID_WB_FINETUNE,        ID_TONE_GAMMA,        ID_TONE_LOG,
                                     ID_EASY_SR,            ID_VIVID_COLOR,       ID_GREEN_ENHANCER,
                                     ID_HONEYCOMB,          ID_NEUTRAL_RESET,     ID_REFRESH,
                                     ID_SWAP_FRAMES,        ID_CLIP_WARNING,      ID_USE_OLD_NR,
                                     ID_USE_OLD_SATURATION, ID_FREECURVE_ENABLE,  ID_LENS_ENABLE,
                                     ID_SELCOLOR_ENABLE,    ID_DISPLAY_WINDOWS_CM, ID_INCREMENT_FILE_NUMBER,
                                     ID_FILE_SAVE,          ID_FILE_SAVE_AS,      ID_SAVE_SPOT_WB,
                                     ID_MAGNIFIER_FLOAT,    ID_COPY_EXIF,         ID_COPY_MAGNIFIER,
                                     ID_AUTO_CHROMATIC,     ID_SAVE_PARAMS};
        for (unsigned id = ID_WB_FIRST; id <= ID_WB_LAST + 7; ++id)
            ids.push_back(id);
        for (unsigned id = ID_SHARPNESS_HARD; id <= ID_SHARPNESS_CUSTOM; ++id)
            ids.push_back(id);
        for (unsigned id = ID_ROTATE_NONE; id <= ID_ROTATE_LEFT + 6; ++id)
            ids.push_back(id);
        for (unsigned id = ID_ICC_SRGB; id <= ID_ICC_WIDEGAMUT + 6; ++id)
            ids.push_back(id);
        for (unsigned id = ID_DISPLAY_PROFILE_FIRST; id <= ID_DISPLAY_PROFILE_LAST; ++id)
            ids.push_back(id);
        for (unsigned id = ID_FORMAT_PSD16; id <= ID_FORMAT_UNUSED; ++id)
            ids.push_back(id);
        for (unsigned id = ID_SIZE_FULL; id <= ID_SIZE_PREVIEW; ++id)
            ids.push_back(id);
        for (unsigned id = ID_GRID_OFF; id <= ID_GRID_16; ++id)
            ids.push_back(id);
        for (unsigned id = ID_MAGNIFIER_256; id <= ID_MAGNIFIER_ZOOM5; ++id)
            ids.push_back(id);
        for (unsigned id : ids) {
            frame.ExecuteCommand(id);
            ProcessEvents();
            QVERIFY2(run.Messages().calls.empty(), qPrintable(QString::number(id)));
            QVERIFY2(!run.Doc().HasImage(), qPrintable(QString::number(id)));
        }
        std::filesystem::current_path(cwd);
        QCOMPARE(asked, 0);
        QVERIFY(FilesIn(dir.path()).empty());
        QVERIFY(frame.ProcessingDialog() == nullptr);
        QVERIFY(!UiState(frame, ID_FILE_SAVE).enabled);
        // The program still opens and develops a picture.
        run.App().OpenDocumentFile(WriteSmallRaf(dir.path(), "AFTER.RAF"));
        ProcessEvents();
        QVERIFY(run.Doc().HasImage());
        QVERIFY(UiState(frame, ID_FILE_SAVE).enabled);
    }

    void CopiesGoToTheClipboard()
    {
        TempDir dir;
        AppRun::Setup setup;
        setup.arguments = {WriteSmallRaf(dir.path(), "COPY.RAF")};
        AppRun run(setup);
        CVelmoDoc& doc = run.Doc();
        QClipboard* clipboard = QGuiApplication::clipboard();
        clipboard->clear();

        run.Frame().ExecuteCommand(ID_COPY_EXIF);
        QVERIFY(clipboard->text().contains(QStringLiteral("Model:FinePix S5600")));

        // The whole square at 1:1, whatever the zoom.
        doc.SetMagnifierCentre(256, 192);
        doc.UpdateMagnifier();
        run.Frame().ExecuteCommand(ID_MAGNIFIER_ZOOM5);
        run.Frame().ExecuteCommand(ID_COPY_MAGNIFIER);
        QCOMPARE(clipboard->image().size(), QSize(256, 256));

        // Without an image there is nothing to copy.
        run.App().OnFileNew();
        clipboard->clear();
        run.Frame().ExecuteCommand(ID_COPY_EXIF);
        QVERIFY(clipboard->text().isEmpty());
        QVERIFY(!UiState(run.Frame(), ID_FILE_SAVE).enabled);
        QVERIFY(!UiState(run.Frame(), ID_FILE_SAVE_AS).enabled);
    }

    void SideFileDialogsAskWithTheirTitlesAndFilters()
    {
        TempDir dir;
        AppRun::Setup setup;
        setup.arguments = {WriteSmallRaf(dir.path(), "SIDE.RAF")};
        AppRun run(setup);
        CVelmoDoc& doc = run.Doc();
        doc.SetIncrementFileNumber(false);
        doc.Edit().SetFeature(FeatureKind::FreeCurve, true);
        doc.Edit().SetFeature(FeatureKind::LensCorrection, true);
        doc.Edit().SetFeature(FeatureKind::SelectiveColors, true);
        doc.Edit().SetField(ParamField::whiteBalance, 11);

        struct Dialog {
            unsigned id;
            FileDialogKind kind;
            const char* title;
            const char* filter;
            const char* defaultName; // the save dialogs' name beside the RAW file
        } dialogs[] = {
            {ID_LOAD_PARAMS, FileDialogKind::Open, "Load decode Parameters", "velmo parameters (*.VMR)|*.VMR||", ""},
            {ID_SAVE_PARAMS_AS, FileDialogKind::Save, "Save As decode Parameters", "velmo parameters (*.VMR)|*.VMR||", "SIDE.VMR"},
            {ID_LOAD_TONE_CURVE, FileDialogKind::Open, "Load ToneCurve", "Tone Curve.parameters (*.VMT)|*.VMT||", ""},
            {ID_SAVE_TONE_CURVE_AS, FileDialogKind::Save, "Save As ToneCurve", "Tone Curve.parameters (*.VMT)|*.VMT||", "SIDE.VMT"},
            {ID_LOAD_LENS, FileDialogKind::Open, "Load LensCorrection", "LensCorrection.parameters (*.VML)|*.VML||", ""},
            {ID_SAVE_LENS_AS, FileDialogKind::Save, "Save As LensCorrection", "LensCorrection.parameters (*.VML)|*.VML||", "SIDE.VML"},
            {ID_LOAD_SELCOLOR, FileDialogKind::Open, "Load SelectiveColorAdj.", "SelColorsAdj.parameters (*.VMC)|*.VMC||", ""},
            {ID_SAVE_SELCOLOR_AS, FileDialogKind::Save, "Save As SelectiveColorAdj.", "SelColorsAdj.parameters (*.VMC)|*.VMC||", "SIDE.VMC"},
            {ID_LOAD_SPOT_WB, FileDialogKind::Open, "Load Spot White Balance", "velmo white balance(*.VMW)|*.VMW||", ""},
            {ID_SAVE_SPOT_WB, FileDialogKind::Save, "Save As Spot White Balance", "velmo white balance(*.VMW)|*.VMW||", "SIDE.VMW"},
            {ID_OPEN_COLOR_PROFILE, FileDialogKind::Open, "", "ColorProfile(*.icc;*.icm)|*.icc;*.icm||", ""},
            {ID_OPEN_DISPLAY_PROFILE, FileDialogKind::Open, "", "ColorProfile(*.icc;*.icm)|*.icc;*.icm||", ""},
        };
        std::vector<FileDialogRequest> asked;
        std::string answerPath;
        ScopedFileDialogResponder responder([&](const FileDialogRequest& request) {
            asked.push_back(request);
            FileDialogAnswer answer;
            answer.accepted = !answerPath.empty();
            if (answer.accepted)
                answer.paths = {answerPath};
            return answer;
        });
        for (const Dialog& d : dialogs) {
            asked.clear();
            answerPath.clear(); // cancelled: nothing happens
            run.Frame().ExecuteCommand(d.id);
            QVERIFY2(asked.size() == 1, d.title);
            const FileDialogSetup& s = asked.front().setup;
            QVERIFY2(asked.front().kind == d.kind, d.title);
            QCOMPARE(s.title, std::string(d.title));
            QCOMPARE(s.filter, std::string(d.filter));
            if (d.kind == FileDialogKind::Save)
                QCOMPARE(std::filesystem::path(s.initialName).filename().string(), std::string(d.defaultName));
        }

        // A save writes the file, remembers it and offers it next time.
        answerPath = dir.File("mine.VMT");
        run.Frame().ExecuteCommand(ID_SAVE_TONE_CURVE_AS);
        QVERIFY(std::filesystem::exists(answerPath));
        QCOMPARE(doc.Paths().toneCurve, answerPath);
        asked.clear();
        answerPath.clear();
        run.Frame().ExecuteCommand(ID_SAVE_TONE_CURVE_AS);
        QCOMPARE(asked.front().setup.initialName, dir.File("mine.VMT"));
        // The load of it switches the feature on.
        doc.Edit().SetFeature(FeatureKind::FreeCurve, false);
        answerPath = dir.File("mine.VMT");
        run.Frame().ExecuteCommand(ID_LOAD_TONE_CURVE);
        QVERIFY(doc.Edit().FeatureOn(FeatureKind::FreeCurve));
    }

    void ChromaticSearchShowsProgressAndStopsOnCancel()
    {
        TempDir dir;
        AppRun::Setup setup;
        setup.arguments = {WriteSceneRaf(dir.path(), "CA.RAF", 432)};
        AppRun run(setup);
        CMainFrame& frame = run.Frame();
        CVelmoDoc& doc = run.Doc();
        auto& magnifier = *dynamic_cast<CMagnifierBar*>(frame.Palette(ID_VIEW_MAGNIFIER));
        QVERIFY(doc.HasImage());

        // While the search runs: no other command, and Cancel stops it.
        bool sawDialog = false;
        int rotateDuring = -1;
        QTimer poll;
        poll.setInterval(5);
        QObject::connect(&poll, &QTimer::timeout, [&] {
            CProcessingDlg* dialog = frame.ProcessingDialog();
            if (dialog == nullptr || sawDialog)
                return;
            sawDialog = true;
            frame.ExecuteCommand(ID_ROTATE_RIGHT);
            rotateDuring = doc.Edit().Params().rotate;
            QVERIFY(magnifier.isFloating());
            QVERIFY(dialog->isVisible());
            dialog->CancelButton()->click();
        });
        poll.start();
        frame.ExecuteCommand(ID_AUTO_CHROMATIC);
        poll.stop();
        QVERIFY(sawDialog);
        QCOMPARE(rotateDuring, 0);
        QVERIFY(!frame.InModalWork());
        QVERIFY(frame.ProcessingDialog() == nullptr);
        QVERIFY(frame.MessagePane()->Message().startsWith(QStringLiteral("Aborted.")));
        // The search switched the lens correction on and rendered squares.
        QVERIFY(doc.Edit().FeatureOn(FeatureKind::LensCorrection));
        QVERIFY(magnifier.Square() != nullptr);
        // The view shows the middle of the square.
        MagnifierScroll centred = magnifier.Scroll();
        centred.SetCenter();
        QCOMPARE(magnifier.Scroll().x, centred.x);
        QCOMPARE(magnifier.Scroll().y, centred.y);
        // Commands run again.
        frame.ExecuteCommand(ID_ROTATE_RIGHT);
        QCOMPARE(doc.Edit().Params().rotate, 1);
    }

    void PaletteMenuButtonsOpenTheirMenus()
    {
        AppRun run;
        struct Popup {
            unsigned id;
            const char* firstItem;
        } popups[] = {{ID_POPUP_PARAMS_MENU, "&Load Parameters"},
                      {ID_POPUP_LENS_MENU, "&Load LensCorrection"},
                      {ID_POPUP_SELCOLOR_MENU, "&Load SelectiveColorsAdj."},
                      {ID_POPUP_WB_MENU, "&Load Spot WhiteBalance"},
                      {ID_POPUP_TONE_CURVE_MENU, "&Load ToneCurve"}};
        for (const Popup& p : popups) {
            QString shown;
            QTimer::singleShot(50, [&shown] {
                if (auto* menu = qobject_cast<QMenu*>(QApplication::activePopupWidget())) {
                    shown = menu->actions().value(0) != nullptr ? menu->actions().front()->text() : QString();
                    menu->close();
                }
            });
            QVERIFY(UiState(run.Frame(), p.id).enabled);
            run.Frame().ExecuteCommand(p.id);
            QCOMPARE(shown, QString::fromLatin1(p.firstItem));
        }
    }

    void UserProfileEntryIsCheckedWhileItIsTheOutputSpace()
    {
        TempDir dir;
        AppRun run;
        const std::string profile = dir.File("Mine.icc");
        QVERIFY(WriteProfile(profile, run.Doc(), 3));
        QVERIFY(!run.Doc().OnOpenDocument(profile));
        QCOMPARE(run.Doc().Edit().Params().ICC, 4);

        QMenu* colourSpace = MenuAction(run.Frame(), {"&Output", "&Color Space"})->menu();
        emit colourSpace->aboutToShow();
        QAction* entry = nullptr;
        for (QAction* a : colourSpace->actions())
            if (a->text().contains(QStringLiteral("Mine.icc")))
                entry = a;
        QVERIFY(entry != nullptr);
        QVERIFY(entry->isChecked());
        run.Frame().ExecuteCommand(ID_ICC_ADOBE);
        emit colourSpace->aboutToShow();
        for (QAction* a : colourSpace->actions())
            if (a->text().contains(QStringLiteral("Mine.icc")))
                QVERIFY(!a->isChecked());
    }

    void JpegOptionsStoreQualityAndProgressive()
    {
        AppRun run;
        run.Frame().ExecuteCommand(ID_FORMAT_JPEG);
        bool answered = false;
        WhenModal<CJpegOptionsDlg>(
            [](CJpegOptionsDlg& dialog) {
                dialog.QualityEdit()->setText(QStringLiteral("73"));
                dialog.ProgressiveCheck()->setChecked(true);
                static_cast<QDialog&>(dialog).accept();
            },
            &answered);
        run.Frame().ExecuteCommand(ID_JPEG_OPTION);
        QVERIFY(answered);
        QCOMPARE(run.Doc().Output().jpegQuality, 73);
        QCOMPARE(run.Doc().Output().jpegProgressive, 1);
    }

    void PhotographersRoundTripThroughTheMenus()
    {
        TempDir dir;
        const std::string folder = dir.File("shoot");
        std::filesystem::create_directory(folder);
        const std::string raf = WriteSceneRaf(folder, "DSCF0001.RAF", 864);
        AppRun run;
        CMainFrame& frame = run.Frame();
        CVelmoView& view = *frame.GetActiveView();
        run.App().OpenDocumentFile(raf);
        ProcessEvents();
        QVERIFY(run.Doc().HasImage());
        run.Doc().SetIncrementFileNumber(false);
        QCOMPARE(QSize(view.DibWidth(), view.DibHeight()), QSize(512, 384));

        // Parameters > Rotation > Right turns the preview.
        QVERIFY(ChooseMenuItem(frame, {"&Parameters", "&Rotation", "&Right"}));
        QCOMPARE(run.Doc().Edit().Params().rotate, 1);
        QCOMPARE(QSize(view.DibWidth(), view.DibHeight()), QSize(384, 512));
        QCOMPARE(view.PreviewImage().size(), QSize(384, 512));
        QVERIFY(MenuAction(frame, {"&Parameters", "&Rotation", "&Right"})->isChecked());

        // A white-balance preset recolours it.
        const QColor before = MeanColour(view.PreviewImage());
        QVERIFY(ChooseMenuItem(frame, {"&Parameters", "&White Balance", "&6:incandescent"}));
        QCOMPARE(run.Doc().Edit().Params().whiteBalance, 6);
        const QColor after = MeanColour(view.PreviewImage());
        qInfo("mean colour before %d %d %d, after %d %d %d", before.red(), before.green(), before.blue(), after.red(),
              after.green(), after.blue());
        // Incandescent light is warm: the picture turns bluer.
        QVERIFY(after.blue() - after.red() > before.blue() - before.red() + 10);

        // Output > Format > JPEG, then File > Save: a JPEG beside the RAW file.
        QVERIFY(ChooseMenuItem(frame, {"&Output", "&Format", "&JPEG"}));
        QCOMPARE(run.Doc().Output().format, 4);
        QVERIFY(ChooseMenuItem(frame, {"&File", "&Save"}));
        const std::string jpeg = folder + "/DSCF0001.JPG";
        QVERIFY(std::filesystem::exists(jpeg));
        QVERIFY(run.Messages().calls.empty());
        QCOMPARE(run.Doc().LastSavedPath(), jpeg);
        QVERIFY(frame.MessagePane()->Message().contains(QStringLiteral("DSCF0001.JPG was saved.")));
        if (HasTool("exiftool")) {
            const auto tags = ExifToolValues(jpeg, {"Make", "Model", "FocalLength", "ImageWidth", "ImageHeight"});
            QCOMPARE(tags.at("Make"), std::string("FUJIFILM"));
            QCOMPARE(tags.at("Model"), std::string("FinePix S5500"));
            QCOMPARE(tags.at("FocalLength"), std::string("70.0 mm"));
            // Turned: portrait.
            QVERIFY(std::stoi(tags.at("ImageHeight")) > std::stoi(tags.at("ImageWidth")));
        } else {
            qWarning("exiftool is not installed: the Exif of the JPEG is not read back");
        }

        // A folder that cannot be written: the message names the file and
        // nothing is left behind.
        std::filesystem::remove(jpeg);
        const std::vector<std::string> files = FilesIn(folder);
        ReadOnlyFolder lock(folder);
        if (!lock.Locked())
            QSKIP("the folder cannot be made unwritable here");
        QVERIFY(ChooseMenuItem(frame, {"&File", "&Save"}));
        QCOMPARE(run.Messages().calls.size(), size_t(1));
        QVERIFY(run.Messages().calls.front().text.find("DSCF0001.JPG") != std::string::npos);
        QCOMPARE(FilesIn(folder), files);
    }
};

VELMO_APP_TEST(DocCommandsTest);

} // namespace velmo::test

#include "DocCommandsTest.moc"
