// The view's pointer tools on a loaded picture, driven by mouse events on
// the offscreen platform: drawing and clearing the crop frame and what the
// document keeps of it, Ctrl switching the tool, the colour readout in the
// histogram palette, spot white balance, the clipboard copy, crop-frame
// files and the frame kept between runs.
#include "app/palettes/HistogramBar.h"
#include "app/VelmoView.h"
#include "app/dialogs/OutputFileDialog.h"
#include "develop/colour/ColorManagement.h"
#include "params/EditState.h"
#include "platform/core/PrivateProfile.h"
#include "platform/gui/RecentFileList.h"
#include "res/ResourceIds.h"
#include "tests/app/AppTest.h"
#include "tests/app/AppTestEnv.h"
#include "tests/app/dialogs/DialogTestUtil.h"
#include "tests/support/RafBuilder.h"

#include <QApplication>
#include <QClipboard>
#include <QLabel>
#include <QLineEdit>
#include <QMouseEvent>
#include <QImageReader>
#include <QTest>

#include <filesystem>
#include <cstdio>
#include <fstream>

namespace velmo::test {

namespace {

// A 4:3 Bayer picture (FinePix S5500, 2302 x 1722 pixels): the left half
// neutral grey, the top right quarter red, the bottom right quarter blue.
// On the 512 x 384 preview the halves meet near x = 256, the quarters near
// y = 192.
std::string WriteQuartersRaf(const std::string& dir)
{
    constexpr int kWidth = 2304, kRows = 1728;
    std::vector<uint16_t> frame(size_t(kWidth) * kRows);
    for (int r = 0; r < kRows; ++r)
        for (int c = 0; c < kWidth; ++c) {
            int red = 700, green = 700, blue = 700;
            if (c >= kWidth / 2) {
                red = r < kRows / 2 ? 1400 : 350;
                blue = r < kRows / 2 ? 350 : 1400;
            }
            // The image starts one column in: green where row + column is odd.
            const int v = ((r + c) & 1) == 1 ? green : (r & 1) == 0 ? red : blue;
            frame[size_t(r) * kWidth + size_t(c)] = uint16_t(v);
        }
    RafFileSpec recipe;
    recipe.model = "FinePix S5500";
    recipe.frames = {frame};
    const std::string path = dir + "/quarters.RAF";
    return WriteRaf(path, recipe) ? path : std::string();
}

QWidget* Surface(CVelmoView& view)
{
    return view.viewport();
}

// A pointer move with buttons and modifiers held (QTest's move carries
// neither modifiers nor, for widgets, a reliable button state).
void Move(CVelmoView& view, QPoint at, Qt::MouseButtons buttons = Qt::NoButton,
          Qt::KeyboardModifiers modifiers = Qt::NoModifier)
{
    QWidget* w = Surface(view);
    QMouseEvent event(QEvent::MouseMove, QPointF(at), QPointF(w->mapToGlobal(at)), Qt::NoButton, buttons,
                      modifiers);
    QCoreApplication::sendEvent(w, &event);
}

void Drag(CVelmoView& view, QPoint from, QPoint to, Qt::KeyboardModifiers modifiers = Qt::NoModifier)
{
    QTest::mousePress(Surface(view), Qt::LeftButton, modifiers, from);
    Move(view, (from + to) / 2, Qt::LeftButton, modifiers);
    Move(view, to, Qt::LeftButton, modifiers);
    QTest::mouseRelease(Surface(view), Qt::LeftButton, modifiers, to);
}

void Click(CVelmoView& view, QPoint at, Qt::KeyboardModifiers modifiers = Qt::NoModifier)
{
    QTest::mousePress(Surface(view), Qt::LeftButton, modifiers, at);
    QTest::mouseRelease(Surface(view), Qt::LeftButton, modifiers, at);
}

QString PixelText(const CVelmoView& view, int x, int y)
{
    const uint8_t* p = view.PreviewBits().data() + (size_t(y) * size_t(view.DibWidth()) + size_t(x)) * 3;
    return QString::asprintf("__ R:%03d G:%03d B:%03d", p[2], p[1], p[0]);
}

QString Caption(CMainFrame& frame)
{
    return frame.HistogramBar()->LevelCaption()->Text();
}

bool SameRect(const Rect& r, int left, int top, int right, int bottom)
{
    return r.left == left && r.top == top && r.right == right && r.bottom == bottom;
}

// The program on the quarters picture, the view at 512 x 384.
struct QuartersRun {
    TempDir dir;
    std::unique_ptr<AppRun> run;
    QuartersRun()
    {
        AppRun::Setup setup;
        setup.arguments = {WriteQuartersRaf(dir.path())};
        run = std::make_unique<AppRun>(setup);
    }
    CVelmoView& View() { return *run->Frame().GetActiveView(); }
    CMainFrame& Frame() { return run->Frame(); }
    CVelmoDoc& Doc() { return run->Doc(); }
};

// The program on the sample picture (a FinePix S5Pro, 3:2: the picture
// fills rows 20 to 363 of the 512 x 384 view).
struct SampleRun {
    TempDir dir;
    std::unique_ptr<AppRun> run;
    SampleRun()
    {
        AppRun::Setup setup;
        setup.arguments = {SampleRafPath(dir.path())};
        run = std::make_unique<AppRun>(setup);
    }
    CVelmoView& View() { return *run->Frame().GetActiveView(); }
    CMainFrame& Frame() { return run->Frame(); }
    CVelmoDoc& Doc() { return run->Doc(); }
};

// Saves the document as a JPEG and reads back the file's pixel size.
QSize SavedSize(CVelmoDoc& doc, const std::string& path)
{
    doc.SetOutputFormat(OutputFormat::Jpeg);
    if (!doc.OnSaveDocument(path))
        return {};
    return QImageReader(QString::fromStdString(doc.LastSavedPath())).size();
}

QSize PaneSize(CMainFrame& frame)
{
    int w = 0, h = 0;
    if (std::sscanf(frame.SizePane()->text().toStdString().c_str(), "%dx%d", &w, &h) != 2)
        return {};
    return {w, h};
}

} // namespace

class ViewToolsTest : public QObject {
    Q_OBJECT

private slots:
    void DragCreatesAFrameAndTheDocumentCrop()
    {
        QuartersRun r;
        QVERIFY(r.Doc().HasImage());
        CVelmoView& view = r.View();
        QCOMPARE(QSize(view.DisplayWidth(), view.DisplayHeight()), QSize(512, 384));
        QCOMPARE(Surface(view)->size(), QSize(512, 384));
        r.Frame().ExecuteCommand(ID_CROP_TOOL);
        QVERIFY(view.CropToolOn());

        Drag(view, {100, 100}, {300, 250});
        QVERIFY(view.Crop().IsSelected());
        QCOMPARE(view.Crop().cropStart, (IntPoint{400, 400}));
        QCOMPARE(view.Crop().cropEnd, (IntPoint{1200, 1000}));
        // The document keeps it in units and in image pixels for saving.
        QVERIFY(SameRect(r.Doc().CropUnits(), 400, 400, 1200, 1000));
        const int W = r.Doc().Image().imageWidth, H = r.Doc().Image().imageHeight;
        QVERIFY(SameRect(r.Doc().CropImage(), W * 100 / 512, H * 100 / 384, W * 300 / 512, H * 250 / 384));
        QCOMPARE(r.Frame().HistogramBar()->Source(), 2);
        // The size pane shows the cropped size.
        QVERIFY(r.Frame().SizePane()->text().toStdString() == r.Doc().FormatOutputSize(std::nullopt, nullptr, 2));

        // Dragged upward and to the left with 4x3: the corners come ordered.
        r.Frame().ExecuteCommand(ID_CROP_ASPECT_FIRST + 1);
        Drag(view, {300, 300}, {100, 250});
        QCOMPARE(view.Crop().cropStart, (IntPoint{400, 600}));
        QCOMPARE(view.Crop().cropEnd, (IntPoint{1200, 1200}));
        QVERIFY(SameRect(r.Doc().CropUnits(), 400, 600, 1200, 1200));
    }

    void ClickDeselectsAndEmptiesTheDocumentCrop()
    {
        QuartersRun r;
        CVelmoView& view = r.View();
        r.Frame().ExecuteCommand(ID_CROP_TOOL);
        Drag(view, {100, 100}, {300, 250});
        QVERIFY(!r.Doc().CropImage().IsNull());

        // A click outside the frame: no frame, and nothing left to cut a save.
        Click(view, {450, 350});
        QVERIFY(!view.Crop().IsSelected());
        QVERIFY(r.Doc().CropUnits().IsNull());
        QVERIFY(r.Doc().CropImage().IsNull());
        QCOMPARE(view.Crop().lastCropStart, (IntPoint{400, 400}));

        // "&Last CropFrame" brings it back, "&Deselect" empties it again.
        r.Frame().ExecuteCommand(ID_CROP_LAST_FRAME);
        QVERIFY(view.Crop().IsSelected());
        QVERIFY(SameRect(r.Doc().CropUnits(), 400, 400, 1200, 1000));
        r.Frame().ExecuteCommand(ID_CROP_DESELECT);
        QVERIFY(!view.Crop().IsSelected());
        QVERIFY(r.Doc().CropImage().IsNull());
        QVERIFY(!r.Frame().Route().IsEnabled(ID_CROP_DESELECT));
    }

    void CtrlSwitchesTheTool()
    {
        QuartersRun r;
        CVelmoView& view = r.View();
        QVERIFY(!view.CropToolOn());
        // Magnifier tool with Ctrl held: the crop tool draws.
        Drag(view, {100, 100}, {300, 250}, Qt::ControlModifier);
        QVERIFY(view.Crop().IsSelected());
        QCOMPARE(view.Crop().cropEnd, (IntPoint{1200, 1000}));
        QCOMPARE(r.Doc().MagnifierX(), -1);

        // Crop tool with Ctrl held: the magnifier takes the point; the frame stays.
        r.Frame().ExecuteCommand(ID_CROP_TOOL);
        Click(view, {60, 40}, Qt::ControlModifier);
        QCOMPARE(r.Doc().MagnifierX(), 60);
        QCOMPARE(r.Doc().MagnifierY(), 40);
        QCOMPARE(view.Crop().cropStart, (IntPoint{400, 400}));
        QCOMPARE(r.Frame().HistogramBar()->Source(), 1);

        // The context menu follows the tool flags, not Ctrl.
        QCOMPARE(view.ContextMenuId(), IDR_CROP_CONTEXT);
        QVERIFY(!view.CropModeHolds(Qt::ControlModifier));
        r.Frame().ExecuteCommand(ID_TOOL_MAGNIFIER);
        QCOMPARE(view.ContextMenuId(), IDR_MAGNIFIER_CONTEXT);
        QVERIFY(view.CropModeHolds(Qt::ControlModifier));
        r.Frame().ExecuteCommand(ID_TOOL_SPOT_WB);
        QCOMPARE(view.ContextMenuId(), IDR_WB_CONTEXT);
    }

    void ReadoutShowsThePixelUnderThePointer()
    {
        QuartersRun r;
        CVelmoView& view = r.View();
        CLevelCaption* caption = r.Frame().HistogramBar()->LevelCaption();
        QVERIFY(caption->isVisible());

        Move(view, {100, 100});
        const QString grey = Caption(r.Frame());
        QCOMPARE(grey, PixelText(view, 100, 100));
        QVERIFY(grey.startsWith("__ R:"));
        Move(view, {400, 100});
        const QString red = Caption(r.Frame());
        QCOMPARE(red, PixelText(view, 400, 100));
        QVERIFY(red != grey);
        const uint8_t* px = view.PreviewBits().data() + (100 * 512 + 400) * 3;
        QCOMPARE(caption->Swatch().value(), QColor(px[2], px[1], px[0]));

        // With Ctrl: hue, saturation and intensity; the swatch stays the colour.
        Move(view, {400, 100}, Qt::NoButton, Qt::ControlModifier);
        QVERIFY2(Caption(r.Frame()).startsWith("__ H:") && Caption(r.Frame()).endsWith(" \n"),
                 qPrintable(Caption(r.Frame())));
        QCOMPARE(caption->Swatch().value(), QColor(px[2], px[1], px[0]));

        // Beyond the preview (outside the display) nothing new is shown.
        Move(view, {100, 100});
        view.setFixedSize(600, 450);
        QCOMPARE(Surface(view)->size(), QSize(600, 450));
        Move(view, {530, 420});
        QCOMPARE(Caption(r.Frame()), grey);
        Move(view, {-1, -1});
        QCOMPARE(Caption(r.Frame()), grey);
    }

    void ReadoutInTheLetterboxBandShowsThePixelUnderThePointer()
    {
        // The sample is a 3:2 camera (family 7): its image fills a band of
        // the preview. The readout reads the bitmap where the pointer is,
        // not the band-corrected position the spot and magnifier tools use.
        TempDir dir;
        AppRun::Setup setup;
        setup.arguments = {SampleRafPath(dir.path())};
        AppRun run(setup);
        QVERIFY(run.Doc().HasImage());
        if (run.Doc().CameraFamily() != 1 && run.Doc().CameraFamily() != 7)
            QSKIP("the sample is not a 3:2 camera");
        CVelmoView& view = *run.Frame().GetActiveView();
        const IntPoint corrected = view.ClientToPreview({256, 350}, true);
        QVERIFY(corrected.y > 350);
        Move(view, {256, 350});
        QCOMPARE(Caption(run.Frame()), PixelText(view, 256, 350));
        QVERIFY(PixelText(view, 256, 350) != PixelText(view, corrected.x, corrected.y));
        // In the band itself the band's black shows.
        Move(view, {256, 3});
        QCOMPARE(Caption(run.Frame()), PixelText(view, 256, 3));
    }

    void SpotWhiteBalanceFromAGreyPatch()
    {
        QuartersRun r;
        CVelmoView& view = r.View();
        r.Frame().ExecuteCommand(ID_TOOL_SPOT_WB);
        QVERIFY(view.SpotPickerOn());
        Click(view, {100, 200});
        QCOMPARE(r.Doc().Edit().Params().customWB1, 4096);
        QCOMPARE(r.Doc().Edit().Params().customWB2, 4096);
        QCOMPARE(r.Doc().Edit().Params().customWB3, 4096);
        QCOMPARE(r.Doc().Edit().Params().whiteBalance, CustomPreset(r.Doc().Edit().Switch(SwitchId::UseRafWB) != 0));

        // A point of the red quarter: red the largest, green half, blue a quarter.
        Click(view, {400, 100});
        QCOMPARE(r.Doc().Edit().Params().customWB1, 4096);
        QCOMPARE(r.Doc().Edit().Params().customWB2, 2048);
        QCOMPARE(r.Doc().Edit().Params().customWB3, 1024);

        // A rectangle over the red and the blue quarter alike: their mean.
        // While it is dragged its outline shows (inverted).
        QTest::mousePress(Surface(view), Qt::LeftButton, Qt::NoModifier, {350, 60});
        const QImage clean = view.viewport()->grab().toImage();
        Move(view, {450, 324}, Qt::LeftButton);
        const QImage dragging = view.viewport()->grab().toImage();
        QCOMPARE(dragging.pixel(400, 60) & 0xFFFFFF, (clean.pixel(400, 60) & 0xFFFFFF) ^ 0xFFFFFF);
        QTest::mouseRelease(Surface(view), Qt::LeftButton, Qt::NoModifier, {450, 324});
        const int wb1 = r.Doc().Edit().Params().customWB1, wb2 = r.Doc().Edit().Params().customWB2, wb3 = r.Doc().Edit().Params().customWB3;
        QVERIFY2(std::abs(wb1 - wb3) < 200 && wb2 < 3600 && wb2 > 3000,
                 qPrintable(QStringLiteral("%1 %2 %3").arg(wb1).arg(wb2).arg(wb3)));
    }

    void SelectionHistogramOfOnePixel()
    {
        QuartersRun r;
        CVelmoView& view = r.View();
        const std::string path = r.dir.File("pixel.VMF");
        {
            std::ofstream out(path);
            out << "[Settings]\nCropAspectRatio=0\nCropSelect0.x=400\nCropSelect0.y=400\n"
                   "CropSelect1.x=401\nCropSelect1.y=401\n";
        }
        QVERIFY(view.ReadCropSettings(path));
        QVERIFY(view.Crop().IsSelected());
        const uint8_t* px = view.PreviewBits().data() + (100 * 512 + 100) * 3;
        const int R = px[2], G = px[1], B = px[0];
        const std::vector<int32_t>& h = r.Doc().Histogram();
        QCOMPARE(h[2048 + size_t(R)], 196608);
        QCOMPARE(h[2048 + 256 + size_t(G)], 196608);
        QCOMPARE(h[2048 + 512 + size_t(B)], 196608);
        QCOMPARE(h[2048 + 768 + size_t((2 * R + 4 * G + B) / 7)], 196608);
        int64_t total = 0;
        for (size_t i = 0; i < 256; ++i)
            total += h[2048 + i];
        QCOMPARE(total, int64_t(196608));
        QCOMPARE(r.Frame().HistogramBar()->Source(), 2);
    }

    void ClipboardCopyIsTheSmallPreview()
    {
        TempDir dir;
        AppRun::Setup setup;
        setup.arguments = {SampleRafPath(dir.path())};
        AppRun run(setup);
        CVelmoView& view = *run.Frame().GetActiveView();
        // With the full-size picture shown too.
        for (int i = 0; i < 200 && !view.HasFullSizeBitmap(); ++i)
            ProcessEvents(50);
        QVERIFY(view.HasFullSizeBitmap());
        QApplication::clipboard()->clear();
        run.Frame().ExecuteCommand(ID_EDIT_COPY);
        const QImage copied = QApplication::clipboard()->image();
        QCOMPARE(copied.size(), QSize(512, 384));
        QCOMPARE(copied.convertToFormat(QImage::Format_RGB32).pixel(256, 192),
                 view.PreviewImage().convertToFormat(QImage::Format_RGB32).pixel(256, 192));

        // Turned: 384 x 512.
        run.Doc().Edit().SetField(ParamField::rotate, 1);
        view.OnUpdate();
        run.Frame().ExecuteCommand(ID_EDIT_COPY);
        QCOMPARE(QApplication::clipboard()->image().size(), QSize(384, 512));
        QCOMPARE(QSize(view.UnitWidth(), view.UnitHeight()), QSize(1536, 2048));
    }

    void ShiftDragAndKeysScrollAZoomedPreview()
    {
        TempDir dir;
        AppRun::Setup setup;
        setup.arguments = {SampleRafPath(dir.path())};
        AppRun run(setup);
        CVelmoView& view = *run.Frame().GetActiveView();
        run.Frame().ExecuteCommand(ID_ZOOM_FREE);
        run.Frame().ExecuteCommand(ID_ZOOM_100);
        ProcessEvents(50);
        QVERIFY(run.Frame().IsFullMode());
        const QSize client = Surface(view)->size();
        QVERIFY2(view.DisplayWidth() > client.width() + 200 && view.DisplayHeight() > client.height() + 200,
                 qPrintable(QStringLiteral("%1x%2 in %3x%4")
                                .arg(view.DisplayWidth())
                                .arg(view.DisplayHeight())
                                .arg(client.width())
                                .arg(client.height())));
        QCOMPARE(view.ScrollPosition(), (IntPoint{0, 0}));

        Drag(view, {300, 200}, {200, 150}, Qt::ShiftModifier);
        QCOMPARE(view.ScrollPosition(), (IntPoint{100, 50}));
        QVERIFY(!view.Crop().IsSelected()); // panning draws nothing
        // The mappings take the scroll position into account, which runs
        // over the picture only (the 3:2 sample without its black bands).
        const Rect shown = view.ShownArea();
        QVERIFY(shown.top > 0 && shown.bottom < view.DisplayHeight());
        QCOMPARE(view.ClientToPreview({0, 0}, false),
                 (IntPoint{512 * (shown.left + 100) / view.DisplayWidth(),
                           384 * (shown.top + 50) / view.DisplayHeight()}));
        // Past the far corner the pan stops at the end.
        Drag(view, {300, 200}, {-5000, -5000}, Qt::ShiftModifier);
        QCOMPARE(view.ScrollPosition(), (IntPoint{shown.Width() - client.width(), shown.Height() - client.height()}));

        QTest::keyClick(&view, Qt::Key_Home);
        QCOMPARE(view.ScrollPosition(), (IntPoint{0, 0}));
        QTest::keyClick(&view, Qt::Key_PageDown);
        QCOMPARE(view.ScrollPosition(), (IntPoint{0, client.height()}));
        // In crop mode (Ctrl with the magnifier tool) Page Down goes sideways.
        QTest::keyClick(&view, Qt::Key_PageDown, Qt::ControlModifier);
        QCOMPARE(view.ScrollPosition(), (IntPoint{client.width(), client.height()}));
        QTest::keyClick(&view, Qt::Key_End);
        QCOMPARE(view.ScrollPosition(), (IntPoint{shown.Width() - client.width(), shown.Height() - client.height()}));
    }

    void PreviewProfileOfAnySize()
    {
        QuartersRun r;
        CVelmoView& view = r.View();
        CVelmoDoc& doc = r.Doc();
        const QRgb before = view.PreviewImage().pixel(100, 100);
        // An RGB profile far above 64 KiB: sRGB with a long tail.
        std::vector<uint8_t> big = *doc.Colors().Profiles().Slot(0);
        big.resize(big.size() + 100000, 0);
        const uint32_t size = uint32_t(big.size());
        for (int i = 0; i < 4; ++i)
            big[size_t(i)] = uint8_t(size >> (24 - 8 * i));
        QCOMPARE(doc.Colors().Profiles().SetUserProfile(big), ProfileStatus::Accepted);
        doc.Edit().SetField(ParamField::ICC, 4);
        view.OnUpdate();
        QVERIFY(view.PreviewProfile() != nullptr);
        QCOMPARE(view.PreviewProfile()->size(), size_t(size));
        QCOMPARE(view.PreviewImage().pixel(100, 100), before);
        QCOMPARE(view.PreviewImage().size(), QSize(512, 384));
        // An index outside the table takes slot 0.
        doc.Edit().SetField(ParamField::ICC, 9);
        view.OnUpdate();
        QCOMPARE(view.PreviewProfile()->size(), doc.Colors().Profiles().Slot(0)->size());
        QVERIFY(!view.PreviewTaggedSrgb());
        // Converted for a display profile, the preview counts as sRGB.
        doc.Edit().SetField(ParamField::ICC, 0);
        doc.OnDisplayChoice(DisplayChoice::Srgb);
        view.OnUpdate();
        QVERIFY(view.PreviewTaggedSrgb());
    }

    // The status bar's size, the saved file and the drawn frame agree, for
    // a 3:2 camera (the picture in a band of the 4:3 view) as for a 4:3 one.
    void CropCaptionIsTheSavedFilesSize()
    {
        SampleRun s;
        QVERIFY(s.Doc().HasImage());
        QCOMPARE(s.Doc().CameraFamily(), 7);
        CVelmoView& view = s.View();
        s.Frame().ExecuteCommand(ID_CROP_TOOL);
        s.Frame().ExecuteCommand(ID_SIZE_QUARTER);
        // 200 x 150 display pixels: 150 of the picture's 344 rows.
        Drag(view, {100, 100}, {300, 250});
        const QSize caption = PaneSize(s.Frame());
        QCOMPARE(SavedSize(s.Doc(), s.dir.File("drawn")), caption);
        const int W = s.Doc().Image().imageWidth, H = s.Doc().Image().imageHeight;
        QVERIFY2(std::abs(caption.height() - H * 150 / 344) <= 4, qPrintable(s.Frame().SizePane()->text()));
        QVERIFY2(std::abs(caption.width() - W * 200 / 512) <= 4, qPrintable(s.Frame().SizePane()->text()));

        // "&Half" is half the picture's rows and columns.
        s.Frame().ExecuteCommand(ID_CROP_DESELECT);
        s.Frame().ExecuteCommand(ID_CROP_SIZE_HALF);
        const QSize half = PaneSize(s.Frame());
        QVERIFY2(std::abs(half.height() - H / 2) <= 3 && std::abs(half.width() - W / 2) <= 3,
                 qPrintable(s.Frame().SizePane()->text()));
        QCOMPARE(SavedSize(s.Doc(), s.dir.File("half")), half);

        // The aspects give their aspect in output pixels: 1x1 a square, 3x2 3:2.
        struct Aspect {
            unsigned index;
            double ratio;
        };
        for (const Aspect a : {Aspect{5, 1.0}, Aspect{2, 1.5}, Aspect{1, 4.0 / 3.0}}) {
            s.Frame().ExecuteCommand(ID_CROP_DESELECT);
            s.Frame().ExecuteCommand(ID_CROP_ASPECT_FIRST + a.index);
            Drag(view, {120, 60}, {320, 300});
            const QSize shaped = PaneSize(s.Frame());
            const double ratio = double(shaped.width()) / double(shaped.height());
            QVERIFY2(std::abs(ratio - a.ratio) < 0.01,
                     qPrintable(s.Frame().SizePane()->text() + QStringLiteral(" %1,%2 %3,%4")
                                                                    .arg(view.Crop().cropStart.x)
                                                                    .arg(view.Crop().cropStart.y)
                                                                    .arg(view.Crop().cropEnd.x)
                                                                    .arg(view.Crop().cropEnd.y)));
            QCOMPARE(SavedSize(s.Doc(), s.dir.File("aspect")), shaped);
        }
        s.Frame().ExecuteCommand(ID_CROP_ASPECT_FIRST);

        // Full size alike.
        s.Frame().ExecuteCommand(ID_SIZE_FULL);
        s.Frame().ExecuteCommand(ID_CROP_DESELECT);
        Drag(view, {200, 150}, {260, 200});
        QCOMPARE(SavedSize(s.Doc(), s.dir.File("full")), PaneSize(s.Frame()));

        // A 4:3 camera: the frame over the whole view.
        QuartersRun r;
        r.Frame().ExecuteCommand(ID_CROP_TOOL);
        r.Frame().ExecuteCommand(ID_SIZE_QUARTER);
        Drag(r.View(), {100, 100}, {300, 250});
        const QSize quarters = PaneSize(r.Frame());
        QCOMPARE(SavedSize(r.Doc(), r.dir.File("drawn")), quarters);
        const int QW = r.Doc().Image().imageWidth / 2, QH = r.Doc().Image().imageHeight / 2; // Bayer: halved
        QVERIFY2(std::abs(quarters.width() - QW * 200 / 512) <= 3 && std::abs(quarters.height() - QH * 150 / 384) <= 3,
                 qPrintable(r.Frame().SizePane()->text()));
    }

    // Without a picture the crop tool draws nothing, and nothing carries
    // over into the next picture.
    void NoCropFrameWithoutAPicture()
    {
        TempDir dir;
        AppRun run;
        QVERIFY(!run.Doc().HasImage());
        CVelmoView& view = *run.Frame().GetActiveView();
        run.Frame().ExecuteCommand(ID_CROP_TOOL);
        const QImage empty = view.viewport()->grab().toImage();
        Drag(view, {20, 10}, {300, 250});
        QVERIFY(!view.Crop().IsSelected());
        run.Frame().ExecuteCommand(ID_CROP_SIZE_HALF);
        QVERIFY(!view.Crop().IsSelected());
        QCOMPARE(view.viewport()->grab().toImage(), empty);
        QVERIFY(run.App().OpenDocumentFile(SampleRafPath(dir.path())) != nullptr);
        QVERIFY(!view.Crop().IsSelected());
        QVERIFY(run.Doc().CropImage().IsNull());
    }

    // File New: the grey empty view, no frame, no readout, no size.
    void NewClearsTheView()
    {
        SampleRun s;
        CVelmoView& view = s.View();
        s.Frame().ExecuteCommand(ID_CROP_TOOL);
        Drag(view, {100, 100}, {300, 250});
        Move(view, {200, 200});
        const QString readout = Caption(s.Frame());
        QVERIFY(readout.startsWith("__ R:"));
        s.Frame().ExecuteCommand(ID_FILE_NEW);
        ProcessEvents();
        QVERIFY(!s.Doc().HasImage());
        const QImage shown = view.viewport()->grab().toImage().convertToFormat(QImage::Format_RGB32);
        const QRgb grey = shown.pixel(5, 5) & 0xFFFFFF;
        for (const QPoint p : {QPoint(100, 100), QPoint(256, 192), QPoint(300, 250), QPoint(200, 10)})
            QCOMPARE(shown.pixel(p) & 0xFFFFFF, grey);
        QCOMPARE(qRed(grey), 192);
        QVERIFY(Caption(s.Frame()) != readout);
        QVERIFY(!Caption(s.Frame()).startsWith("__"));
        QVERIFY(!s.Frame().HistogramBar()->LevelCaption()->Swatch().has_value());
        QCOMPARE(s.Frame().SizePane()->text(), QString());
    }

    void CropFrameSavedUnderABareNameGetsItsExtension()
    {
        QuartersRun r;
        r.Frame().ExecuteCommand(ID_CROP_TOOL);
        Drag(r.View(), {100, 100}, {300, 250});
        // Through the save dialog itself: the user types a name alone.
        bool answered = false;
        WhenModal<COutputFileDialog>(
            [&](COutputFileDialog& dialog) {
                QLineEdit* edit = dialog.FileNameEdit();
                edit->setFocus();
                edit->selectAll();
                QTest::keyClick(edit, Qt::Key_Backspace);
                QTest::keyClicks(edit, QStringLiteral("myframe"));
                ClickAcceptButton(dialog);
            },
            &answered);
        r.Frame().ExecuteCommand(ID_CROP_SAVE_AS);
        QVERIFY(answered);
        const std::string saved = r.dir.File("myframe.VMF");
        QVERIFY(std::filesystem::exists(saved));
        QVERIFY(!std::filesystem::exists(r.dir.File("myframe")));
        QCOMPARE(GetPrivateProfileInt("Settings", "CropSelect1.x", 0, saved), 1200);
        QCOMPARE((*r.run->App().RecentList(RecentListKind::CropFrame))[0], saved);
    }

    void CropFrameFiles()
    {
        QuartersRun r;
        CVelmoView& view = r.View();
        CMainFrame& frame = r.Frame();
        frame.ExecuteCommand(ID_CROP_TOOL);
        Drag(view, {100, 100}, {300, 250});
        QVERIFY(frame.Route().IsEnabled(ID_CROP_SAVE_AS));

        const std::string saved = r.dir.File("frame.VMF");
        std::string offered;
        view.chooseCropFileToSave = [&](const std::string& initial) {
            offered = initial;
            return saved;
        };
        frame.ExecuteCommand(ID_CROP_SAVE_AS);
        // The first offer is named after the picture.
        QVERIFY2(offered == r.Doc().SourcePath().substr(0, r.Doc().SourcePath().size() - 4) + ".VMF", offered.c_str());
        QCOMPARE(GetPrivateProfileInt("Settings", "CropSelect1.x", 0, saved), 1200);
        QCOMPARE(GetPrivateProfileInt("Settings", "CropSelect0.y", 0, saved), 400);
        CRecentFileList* recent = r.run->App().RecentList(RecentListKind::CropFrame);
        QCOMPARE((*recent)[0], saved);
        QVERIFY(!frame.Route().IsEnabled(ID_CROP_SAVE_AS)); // nothing changed since

        // A save that fails is reported and not listed.
        Drag(view, {120, 120}, {200, 200});
        const std::string nowhere = r.dir.File("no/such/folder/frame.VMF");
        view.chooseCropFileToSave = [&](const std::string&) { return nowhere; };
        r.run->Messages().calls.clear();
        frame.ExecuteCommand(ID_CROP_SAVE_AS);
        QCOMPARE(r.run->Messages().calls.size(), size_t(1));
        QVERIFY(r.run->Messages().calls[0].text.find(nowhere) != std::string::npos);
        QCOMPARE((*recent)[0], saved);
        QVERIFY(frame.Route().IsEnabled(ID_CROP_SAVE_AS)); // still unsaved

        // Loading a damaged file: clamped values, the crop tool on, listed.
        const std::string damaged = r.dir.File("damaged.VMF");
        {
            std::ofstream out(damaged);
            out << "[Settings]\nCropAspectRatio=99\nCropSelect0.x=-70\nCropSelect0.y=300\n"
                   "CropSelect1.x=5000\nCropSelect1.y=900\n";
        }
        frame.ExecuteCommand(ID_TOOL_MAGNIFIER);
        view.chooseCropFileToLoad = [&](const std::string&) { return damaged; };
        frame.ExecuteCommand(ID_CROP_LOAD);
        QVERIFY(view.CropToolOn());
        QCOMPARE(view.Crop().cropAspect, 0);
        QCOMPARE(view.Crop().cropStart, (IntPoint{0, 300}));
        QCOMPARE(view.Crop().cropEnd, (IntPoint{2048, 900}));
        QVERIFY(SameRect(r.Doc().CropUnits(), 0, 300, 2048, 900));
        QCOMPARE(r.Doc().CropImage().right, r.Doc().Image().imageWidth);
        QCOMPARE((*recent)[0], damaged);

        // A parameter file carries the frame and lists itself as a crop frame.
        const std::string params = r.dir.File("params.VMR");
        QVERIFY(r.Doc().OnSaveParametersAs(params));
        QCOMPARE(GetPrivateProfileInt("Settings", "CropSelect1.y", 0, params), 900);
        QCOMPARE((*recent)[0], params);
    }

    void FrameAndAspectSurviveARestart()
    {
        TempDir dir;
        const std::string raf = WriteQuartersRaf(dir.path());
        AppRun::Setup setup;
        setup.settingsPath = dir.File("Velmo.ini");
        setup.arguments = {raf};
        {
            AppRun run(setup);
            CVelmoView& view = *run.Frame().GetActiveView();
            run.Frame().ExecuteCommand(ID_CROP_TOOL);
            Drag(view, {100, 100}, {300, 250});
            Click(view, {400, 300}); // the first frame becomes the last
            Drag(view, {20, 20}, {60, 80});
            run.Frame().ExecuteCommand(ID_CROP_ASPECT_FIRST + 2);
        }
        AppRun again(setup);
        CVelmoView& view = *again.Frame().GetActiveView();
        QCOMPARE(view.Crop().cropAspect, 2);
        QCOMPARE(view.Crop().cropStart, (IntPoint{80, 80}));
        QCOMPARE(view.Crop().lastCropStart, (IntPoint{400, 400}));
        QVERIFY(!view.CropToolOn()); // the tool itself is not kept
        // The document cuts by it at once.
        QVERIFY(!again.Doc().CropImage().IsNull());
    }
};

VELMO_APP_TEST(ViewToolsTest);

} // namespace velmo::test

#include "ViewToolsTest.moc"
