// A whole edit, from the program's start to its quit, through the commands,
// palettes and dialogs a user works with: open a RAF file, edit on every
// palette, save every output format, save and load every side file through
// its dialog, a batch with a bad file, a change of language with its
// restart, and the restarted program quit again. The sanitizer build runs
// it too: any report there ends the run with an error.
#include "app/VelmoView.h"
#include "app/dialogs/BatchDlg.h"
#include "app/dialogs/FileDialogs.h"
#include "app/palettes/FeaturePalettes.h"
#include "app/palettes/FreeCurvePanel.h"
#include "app/palettes/LensEditor.h"
#include "app/palettes/LensPanel.h"
#include "app/palettes/PaletteInterfaces.h"
#include "app/palettes/ParamBar.h"
#include "app/palettes/ParamControls.h"
#include "app/palettes/ParamTabBar.h"
#include "app/palettes/SelColorPanel.h"
#include "params/FreeCurveStore.h"
#include "params/ParamFields.h"
#include "platform/gui/AutoCheckBox.h"
#include "platform/gui/ControlUnit.h"
#include "platform/gui/TrackBar.h"
#include "res/ResourceIds.h"
#include "res/StringTable.h"
#include "tests/app/AppTest.h"
#include "tests/app/AppTestEnv.h"
#include "tests/app/dialogs/DialogTestUtil.h"
#include "tests/support/RafBuilder.h"

#include <QPixmap>
#include <QPushButton>
#include <QScreen>
#include <QTest>

#include <filesystem>
#include <fstream>

namespace velmo::test {

namespace {

namespace fs = std::filesystem;

// The program as the build lays it out, with the language files beside it.
const std::string kProgram = VELMO_BINARY_DIR "/app/velmo";

std::string Head(const std::string& path, size_t n)
{
    std::ifstream in(path, std::ios::binary);
    std::string bytes(n, '\0');
    in.read(bytes.data(), std::streamsize(n));
    bytes.resize(size_t(in.gcount()));
    return bytes;
}

// Bits per sample of a PSD file (its header's depth) or a TIFF file (its
// first BitsPerSample value); 0 when not found.
int PsdDepth(const std::string& path)
{
    const std::string h = Head(path, 26);
    return h.size() == 26 && h.compare(0, 4, "8BPS") == 0 ? (uint8_t(h[22]) << 8) | uint8_t(h[23]) : 0;
}

int TiffDepth(const std::string& path)
{
    const std::string f = Head(path, size_t(fs::file_size(path)));
    const bool le = f.compare(0, 4, "II*\0", 4) == 0;
    if (f.size() < 8 || (!le && f.compare(0, 4, "MM\0*", 4) != 0))
        return 0;
    auto u16 = [&](size_t at) {
        if (at + 2 > f.size())
            return 0;
        const int a = uint8_t(f[at]), b = uint8_t(f[at + 1]);
        return le ? a | (b << 8) : (a << 8) | b;
    };
    auto u32 = [&](size_t at) {
        const size_t a = size_t(u16(at)), b = size_t(u16(at + 2));
        return le ? a | (b << 16) : (a << 16) | b;
    };
    const size_t ifd = u32(4);
    for (int i = 0; i < u16(ifd); ++i) {
        const size_t entry = ifd + 2 + size_t(i) * 12;
        if (u16(entry) == 258) // BitsPerSample: three values, stored at the offset
            return u32(entry + 4) > 2 ? u16(u32(entry + 8)) : u16(entry + 8);
    }
    return 0;
}

// Answers every file dialog with the next path (accepted, with its type for
// the save dialogs), and records what was asked.
struct DialogAnswers {
    std::string path;
    int filterIndex = 0;
    std::vector<FileDialogRequest> asked;
    ScopedFileDialogResponder responder{[this](const FileDialogRequest& request) {
        asked.push_back(request);
        FileDialogAnswer answer;
        answer.accepted = !path.empty();
        answer.paths = {path};
        answer.filterIndex = filterIndex;
        return answer;
    }};
};

// The window as it reached the screen (its backing store), for looking at.
bool Shot(QWidget& window, const char* name)
{
    ProcessEvents(100);
    const QPixmap shot = window.screen()->grabWindow(window.winId());
    const QString file = QStringLiteral(VELMO_BINARY_DIR "/") + QString::fromLatin1(name);
    qInfo("screenshot: %s (%dx%d)", qPrintable(file), shot.width(), shot.height());
    return !shot.isNull() && shot.save(file);
}

void DragToEnd(ControlUnit& unit)
{
    unit.Slider()->setFocus();
    QTest::keyClick(unit.Slider(), Qt::Key_End);
}

} // namespace

class WholeEditTest : public QObject {
    Q_OBJECT

private slots:
    void FromStartToQuitAndTheRestartedProgram()
    {
        TempDir dir;
        const std::string settings = dir.File("Velmo.ini");
        const std::string raf = WriteSceneRaf(dir.path(), "DSCF0100.RAF", 432);
        const std::string bad = dir.File("DSCF0101.RAF");
        QVERIFY(WriteFile(bad, std::vector<uint8_t>(3000, 0x5A)));
        QVERIFY(!raf.empty());

        AppRun::Setup setup;
        setup.settingsPath = settings;
        setup.programPath = kProgram;
        setup.messageAnswer = IDYES;
        auto run = std::make_unique<AppRun>(setup);
        QVERIFY(run->Started());
        CMainFrame& frame = run->Frame();
        CVelmoDoc& doc = run->Doc();
        DialogAnswers dialogs;

        // Open through File Open.
        dialogs.path = raf;
        frame.ExecuteCommand(ID_FILE_OPEN);
        ProcessEvents(50);
        QVERIFY(doc.HasImage());
        QCOMPARE(doc.SourcePath(), raf);
        QCOMPARE(dialogs.asked.back().kind, FileDialogKind::OpenRaw);

        // Every palette on screen, an edit on each that edits.
        for (unsigned id : {ID_VIEW_SELCOLOR, ID_VIEW_LENS, ID_VIEW_FREECURVE, ID_VIEW_PARAMS, ID_VIEW_HISTOGRAM,
                            ID_VIEW_MAGNIFIER, ID_VIEW_EXIF, ID_VIEW_CURVE, ID_VIEW_PARAMTAB})
            frame.Palette(id)->show();
        ProcessEvents(50);
        auto& tabbed = *dynamic_cast<CParamTabBar*>(frame.Palette(ID_VIEW_PARAMTAB));
        auto& classic = *dynamic_cast<CParamBar*>(frame.Palette(ID_VIEW_PARAMS));
        doc.Edit().SetSwitch(SwitchId::CheckPrv, kPrvOnRelease);
        QVERIFY(tabbed.ShowControl(ValueControlOf(ParamField::saturation)->id));
        DragToEnd(*tabbed.Controls().Unit(ParamField::saturation));
        const int saturation = doc.Edit().Params().saturation;
        QVERIFY(saturation > 100);
        DragToEnd(*classic.Controls().Unit(ParamField::contrast));
        QVERIFY(doc.Edit().Params().contrast > 0);

        CSelColorPanel& colours = *dynamic_cast<CSelColorBar*>(frame.Palette(ID_VIEW_SELCOLOR))->ColorPanel();
        ClickCheckBox(*colours.EnableCheck());
        colours.Unit(SelectiveColorTable::Green)->Slider()->setFocus();
        QTest::keyClick(colours.Unit(SelectiveColorTable::Green)->Slider(), Qt::Key_Home);
        QCOMPARE(doc.Edit().SelectiveColors().rows[SelectiveColorTable::Reds][SelectiveColorTable::Green], -100);

        CLensPanel& lens = *dynamic_cast<CLensBar*>(frame.Palette(ID_VIEW_LENS))->LensPanel();
        ClickCheckBox(*lens.EnableCheck());
        DragToEnd(*lens.Unit(LensControl::ChromaRed));
        const int chromaRed = doc.Edit().Lens().chromaRed;
        QVERIFY(chromaRed > 0);

        CFreeCurvePanel& curve = *dynamic_cast<CFreeCurveBar*>(frame.Palette(ID_VIEW_FREECURVE))->CurvePanel();
        ClickCheckBox(*curve.EnableCheck());
        CCurvePlot& plot = *curve.Plot();
        const QRect area = plot.PlotRect();
        // A point added on the curve, then dragged up.
        const QPoint apex(area.left() + area.width() / 2, area.top() + area.height() / 2);
        QTest::mouseMove(&plot, apex);
        QTest::mousePress(&plot, Qt::LeftButton, Qt::NoModifier, apex);
        QTest::mouseRelease(&plot, Qt::LeftButton, Qt::NoModifier, apex);
        QTest::mousePress(&plot, Qt::LeftButton, Qt::NoModifier, apex);
        QTest::mouseMove(&plot, apex - QPoint(0, area.height() / 6));
        QTest::mouseRelease(&plot, Qt::LeftButton, Qt::NoModifier, apex - QPoint(0, area.height() / 6));
        QCOMPARE(int(doc.Edit().FreeCurvePointSet().x[0].size()), 3);

        frame.ExecuteCommand(ID_MAGNIFIER_ZOOM1 + 1);
        frame.ExecuteCommand(ID_MAGNIFIER_512);
        QCOMPARE(frame.MagnifierPalette()->Zoom(), 2);
        ProcessEvents(50);

        // A crop frame drawn on the view.
        CVelmoView& view = *frame.GetActiveView();
        frame.ExecuteCommand(ID_CROP_TOOL);
        QTest::mousePress(view.viewport(), Qt::LeftButton, {}, {60, 60});
        QMouseEvent move(QEvent::MouseMove, QPointF(200, 180), view.viewport()->mapToGlobal(QPointF(200, 180)),
                         Qt::NoButton, Qt::LeftButton, Qt::NoModifier);
        QCoreApplication::sendEvent(view.viewport(), &move);
        QTest::mouseRelease(view.viewport(), Qt::LeftButton, {}, {200, 180});
        QVERIFY(view.Crop().IsSelected());
        QVERIFY(Shot(frame, "velmo-whole-edit.png"));

        // Every output format through Save As, each with its type.
        doc.SetIncrementFileNumber(false);
        struct Output {
            int type; // the Save As type (the format code)
            const char* name;
            int depth;
        } outputs[] = {{2, "out16.TIF", 16}, {3, "out8.TIF", 8}, {0, "out16.PSD", 16}, {1, "out8.PSD", 8},
                       {4, "out.JPG", 8}};
        for (const Output& o : outputs) {
            dialogs.path = dir.File(o.name);
            dialogs.filterIndex = o.type;
            frame.ExecuteCommand(ID_FILE_SAVE_AS);
            ProcessEvents();
            QVERIFY2(fs::exists(dialogs.path), o.name);
            if (o.type >= 2 && o.type <= 3)
                QCOMPARE(TiffDepth(dialogs.path), o.depth);
            else if (o.type <= 1)
                QCOMPARE(PsdDepth(dialogs.path), o.depth);
            else
                QCOMPARE(Head(dialogs.path, 3), std::string("\xFF\xD8\xFF"));
        }
        QVERIFY2(run->Messages().calls.empty(),
                 run->Messages().calls.empty() ? "" : run->Messages().calls.front().text.c_str());

        // Every side file saved through its dialog, the edit undone, and the
        // file loaded back through its dialog.
        doc.Edit().SetField(ParamField::whiteBalance, CustomPreset(doc.Edit().UseRafWB()));
        struct Side {
            unsigned save, load;
            const char* name;
            std::function<void()> undo;
            std::function<bool()> restored;
        } sides[] = {
            {ID_CROP_SAVE_AS, ID_CROP_LOAD, "edit.VMF",
             [&] { frame.ExecuteCommand(ID_CROP_DESELECT); },
             [&] { return view.Crop().IsSelected(); }},
            {ID_SAVE_PARAMS_AS, ID_LOAD_PARAMS, "edit.VMR",
             [&] { doc.Edit().SetField(ParamField::saturation, 100); },
             [&] { return doc.Edit().Params().saturation == saturation; }},
            {ID_SAVE_TONE_CURVE_AS, ID_LOAD_TONE_CURVE, "edit.VMT",
             [&] { doc.Edit().SetFreeCurvePoints(IdentityFreeCurvePoints()); },
             [&] { return doc.Edit().FreeCurvePointSet().x[0].size() == 3; }},
            {ID_SAVE_LENS_AS, ID_LOAD_LENS, "edit.VML", [&] { lens.ResetFeature(); },
             [&] { return doc.Edit().Lens().chromaRed == chromaRed; }},
            {ID_SAVE_SELCOLOR_AS, ID_LOAD_SELCOLOR, "edit.VMC", [&] { colours.ResetFeature(); },
             [&] {
                 return doc.Edit().SelectiveColors().rows[SelectiveColorTable::Reds][SelectiveColorTable::Green] ==
                        -100;
             }},
            {ID_SAVE_SPOT_WB, ID_LOAD_SPOT_WB, "edit.VMW", [&] { doc.Edit().SetField(ParamField::whiteBalance, 1); },
             [&] { return doc.Edit().Params().whiteBalance == CustomPreset(doc.Edit().UseRafWB()); }},
        };
        for (const Side& s : sides) {
            dialogs.path = dir.File(s.name);
            dialogs.asked.clear();
            frame.ExecuteCommand(s.save);
            QVERIFY2(fs::exists(dialogs.path), s.name);
            s.undo();
            QVERIFY2(!s.restored(), s.name);
            frame.ExecuteCommand(s.load);
            ProcessEvents();
            QCOMPARE(dialogs.asked.size(), size_t(2));
            QCOMPARE(dialogs.asked[0].kind, FileDialogKind::Save);
            QCOMPARE(dialogs.asked[1].kind, FileDialogKind::Open);
            QVERIFY2(s.restored(), s.name);
        }
        QCOMPARE(doc.SourcePath(), raf); // the side files left the picture open

        // A batch of the picture and a file that is no RAF file.
        dialogs.path.clear();
        bool answered = false;
        std::vector<std::string> results;
        WhenModal<CBatchDlg>(
            [&](CBatchDlg& batch) {
                batch.AddInputs({raf, bad});
                QTest::mouseClick(batch.StartButton(), Qt::LeftButton);
                for (int i = 0; i < 30000 && batch.Running(); ++i)
                    QTest::qWait(10);
                results = batch.Results();
                QTest::mouseClick(batch.CloseButton(), Qt::LeftButton);
            },
            &answered);
        frame.ExecuteCommand(ID_BATCH_JOB);
        QVERIFY(answered);
        QCOMPARE(results, (std::vector<std::string>{"Done:" + raf, "Err:" + bad}));
        QCOMPARE(doc.SourcePath(), raf);

        // German, and the restart it asks for once the program has closed.
        int german = -1;
        for (int i = 0; i < run->App().Languages().GetSize(); ++i)
            if (run->App().Languages()[i].langId == 0x407)
                german = i;
        QVERIFY2(german >= 0, kProgram.c_str());
        frame.ExecuteCommand(ID_LANGUAGE_FIRST + unsigned(german));
        ProcessEvents(50);
        QVERIFY(!frame.isVisible()); // the posted close ran
        run->FinishShutdown();
        QCOMPARE(run->Launcher().calls.size(), size_t(1));
        const FakeLauncher::Call restart = run->Launcher().calls[0];
        QCOMPARE(restart.program, kProgram);
        run.reset();

        // The restarted program: German, the picture in its recent list; quit.
        AppRun::Setup again;
        again.settingsPath = settings;
        again.programPath = restart.program;
        again.arguments = restart.arguments;
        AppRun restarted(again);
        QVERIFY(restarted.Started());
        QCOMPARE(restarted.App().CurrentLanguage(), 0x407);
        QCOMPARE((*restarted.App().RecentFileList())[0], raf);
        QVERIFY(Shot(restarted.Frame(), "velmo-whole-edit-restarted.png"));
        restarted.Frame().ExecuteCommand(ID_APP_EXIT);
        ProcessEvents(50);
        QVERIFY(!restarted.Frame().isVisible());
        restarted.FinishShutdown();
        QVERIFY(restarted.Launcher().calls.empty());
    }
};

VELMO_APP_TEST(WholeEditTest);

} // namespace velmo::test
#include "WholeEditTest.moc"
