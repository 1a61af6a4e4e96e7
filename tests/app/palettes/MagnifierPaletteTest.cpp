// The magnifier palette: the scroll and zoom model, the readout under the
// pointer, the test pattern, the clipboard copy, the display conversion of
// the square, the sizes kept in the settings, and the palette following the
// document (a rendered square, a new file, no image, a spot white balance).
#include "app/MainFrame.h"
#include "app/palettes/HistogramBar.h"
#include "app/palettes/MagnifierBar.h"
#include "develop/preview/FullPreviewBitmap.h"
#include "document/VelmoDoc.h"
#include "params/EditState.h"
#include "platform/core/SettingsStore.h"
#include "res/IccProfiles.h"
#include "res/ResourceIds.h"
#include "tests/app/AppTest.h"
#include "tests/app/AppTestEnv.h"

#include <QClipboard>
#include <QCheckBox>
#include <QGuiApplication>
#include <QScrollBar>
#include <QTest>

#include <cstdlib>
#include <functional>
#include <memory>

namespace velmo::test {

namespace {

QRgb Rgb(const QImage& image, int x, int y)
{
    return image.pixel(x, y) & 0xFFFFFF;
}

// A square of size n whose pixel (i, j) is blue i, green j, red 7 (mod 256).
std::shared_ptr<DisplayImage> Ramp(int n)
{
    auto image = std::make_shared<DisplayImage>();
    image->width = image->height = n;
    image->stride = DisplayStride(n);
    image->bgr.assign(size_t(image->stride) * size_t(n), 0);
    for (int j = 0; j < n; ++j)
        for (int i = 0; i < n; ++i) {
            uint8_t* p = image->bgr.data() + size_t(j) * size_t(image->stride) + size_t(i) * 3;
            p[0] = uint8_t(i);
            p[1] = uint8_t(j);
            p[2] = 7;
        }
    image->colorManaged = false;
    return image;
}

// A palette of its own (no frame, no document) with a view of w x h.
struct LoneMagnifier {
    std::unique_ptr<CMagnifierBar> bar;
    LoneMagnifier(int n, QSize viewSize)
    {
        bar = std::make_unique<CMagnifierBar>(ID_VIEW_MAGNIFIER, QStringLiteral("MAGNIF"), nullptr, nullptr);
        bar->SetSize(n);
        bar->View()->setFixedSize(viewSize);
        bar->show();
        ProcessEvents();
    }
};

} // namespace

class MagnifierPaletteTest : public QObject {
    Q_OBJECT

private slots:
    void ScrollAndZoomModel()
    {
        struct Case {
            const char* name;
            MagnifierScroll start;
            std::function<void(MagnifierScroll&)> act;
            int x, y, zoom;
        };
        const Case cases[] = {
            // The point at the view's centre (pixel 130, 120) stays there.
            {"centre kept from zoom 1 to 2", {256, 1, 200, 160, 300, 400}, [](MagnifierScroll& s) { s.SetZoom(2); },
             800, 800, 2},
            {"and back to zoom 1", {256, 2, 200, 160, 800, 800}, [](MagnifierScroll& s) { s.SetZoom(1); }, 300, 400, 1},
            {"zoom 0 keeps the zoom", {256, 3, 200, 160, 900, 100}, [](MagnifierScroll& s) { s.SetZoom(0); }, 900, 100,
             3},
            {"zoom beyond 5 is 5", {256, 1, 200, 200, 0, 0}, [](MagnifierScroll& s) { s.SetZoom(9); }, 800, 800, 5},
            {"zoom below 1 is 1", {256, 2, 100, 100, 0, 0}, [](MagnifierScroll& s) { s.SetZoom(-3); }, 0, 0, 1},
            // 2560 - 2000 = 560 is the last position at zoom 1 in a 200 view.
            {"clamped to maximum - page", {256, 1, 200, 200, 1000, 900}, [](MagnifierScroll& s) { s.Clamp(); }, 560,
             560, 1},
            {"clamped to 0", {256, 1, 200, 200, -30, -1}, [](MagnifierScroll& s) { s.Clamp(); }, 0, 0, 1},
            {"a square no larger than the view stays at 0", {256, 1, 300, 256, 0, 0},
             [](MagnifierScroll& s) {
                 s.ScrollX(ScrollCode::PageDown);
                 s.ScrollY(ScrollCode::LineDown);
             },
             0, 0, 1},
            {"SetCenter", {512, 2, 256, 200, 0, 0}, [](MagnifierScroll& s) { s.SetCenter(); }, 1920, 2060, 2},
            {"SetCenter on a square smaller than the view", {256, 1, 400, 300, 77, 77},
             [](MagnifierScroll& s) { s.SetCenter(); }, 0, 0, 1},
            {"lines and pages", {512, 2, 200, 100, 1000, 1000},
             [](MagnifierScroll& s) {
                 s.ScrollX(ScrollCode::LineDown);
                 s.ScrollX(ScrollCode::PageUp);
                 s.ScrollY(ScrollCode::LineUp);
                 s.ScrollY(ScrollCode::PageDown);
             },
             10, 1490, 2},
            {"the thumb, and codes that change nothing", {512, 1, 200, 200, 0, 0},
             [](MagnifierScroll& s) {
                 s.ScrollX(ScrollCode::ThumbTrack, 1234);
                 s.ScrollY(ScrollCode::ThumbPosition, 1234);
                 s.ScrollY(ScrollCode::EndScroll, 999);
             },
             1234, 0, 1},
            {"panning at zoom 3 moves a tenth per 3 screen pixels", {512, 3, 300, 300, 0, 0},
             [](MagnifierScroll& s) { s.Pan({500, 500}, 15, -30); }, 450, 600, 3},
        };
        for (const Case& c : cases) {
            MagnifierScroll s = c.start;
            c.act(s);
            QVERIFY2(s.x == c.x && s.y == c.y && s.zoom == c.zoom,
                     qPrintable(QStringLiteral("%1: %2 %3 zoom %4").arg(c.name).arg(s.x).arg(s.y).arg(s.zoom)));
        }

        // Every zoom change keeps the centre within the rounding of one step.
        MagnifierScroll s{512, 1, 240, 180, 1500, 1700};
        const int cx = s.x + s.viewWidth * 5 / s.zoom, cy = s.y + s.viewHeight * 5 / s.zoom;
        for (int z : {2, 3, 4, 5, 3, 1}) {
            s.SetZoom(z);
            QVERIFY(std::abs(s.x + s.viewWidth * 5 / s.zoom - cx) <= 1);
            QVERIFY(std::abs(s.y + s.viewHeight * 5 / s.zoom - cy) <= 1);
        }
    }

    void PixelUnderThePointerAndGridLines()
    {
        MagnifierScroll s{256, 5, 200, 150, 1234, 50};
        // At zoom 5 the pixel changes once every 5 screen pixels.
        for (int px = 0; px < 20; ++px)
            QCOMPARE(s.PixelAt({px, 0})->x(), 123 + px / 5);
        QCOMPARE(s.PixelAt({199, 149}), QPoint(123 + 39, 5 + 29));
        // Just outside the view there is no pixel.
        for (QPoint p : {QPoint(-1, 0), QPoint(200, 10), QPoint(10, 150), QPoint(10, -1)})
            QVERIFY(!s.PixelAt(p));
        // Nor past the square.
        MagnifierScroll wide{256, 1, 400, 300, 0, 0};
        QVERIFY(wide.PixelAt({255, 255}));
        QVERIFY(!wide.PixelAt({256, 10}));
        QVERIFY(!wide.PixelAt({10, 299}));

        // Grid of 4 on a 256 square at zoom 2, origin 60: lines at 64, 128,
        // 192 fall at 8, 136, (264 is outside a 200 view).
        MagnifierScroll g{256, 2, 200, 200, 600, 0};
        QCOMPARE(g.GridLines(4, 60, 200), (std::vector<int>{8, 136}));
        QCOMPARE(g.GridLines(1, 0, 200), std::vector<int>{});
    }

    void ReadoutTextsAtZoomFive()
    {
        LoneMagnifier m(256, {200, 200});
        CMagnifierBar& bar = *m.bar;
        bar.UpdateBitmap(Ramp(256));
        bar.SetZoom(5);
        const MagnifierScroll s = bar.Scroll();
        QCOMPARE(s.zoom, 5);
        const QPoint origin = s.Origin();
        struct Case {
            QPoint pointer;
            Qt::KeyboardModifiers modifiers;
            QString text;
        };
        const Case cases[] = {
            {{0, 0}, Qt::NoModifier, QString::asprintf("__ R:007 G:%03d B:%03d", origin.y(), origin.x())},
            {{4, 9}, Qt::NoModifier, QString::asprintf("__ R:007 G:%03d B:%03d", origin.y() + 1, origin.x())},
            {{5, 9}, Qt::NoModifier, QString::asprintf("__ R:007 G:%03d B:%03d", origin.y() + 1, origin.x() + 1)},
            {{199, 199}, Qt::NoModifier,
             QString::asprintf("__ R:007 G:%03d B:%03d", origin.y() + 39, origin.x() + 39)},
            {{5, 9}, Qt::ControlModifier, PixelReadout(7, origin.y() + 1, origin.x() + 1, true, HueModel::HLS)},
        };
        for (const Case& c : cases) {
            bar.ViewMoved(c.pointer, Qt::NoButton, c.modifiers);
            QCOMPARE(bar.LastReadout(), c.text);
        }
        QVERIFY(bar.LastReadout().startsWith(QStringLiteral("__ H:")));
        QVERIFY(bar.LastReadout().endsWith(QStringLiteral(" \n")));
        // Outside the view: the readout stays.
        bar.ViewMoved({200, 5}, Qt::NoButton, Qt::NoModifier);
        QCOMPARE(bar.LastReadout(), cases[4].text);
        QCOMPARE(PixelReadout(255, 0, 0, true, HueModel::HLS), QStringLiteral("__ H:0.00 S:1.00 I:0.50 \n"));
    }

    void TestPatternUntilASquareIsRendered()
    {
        const DisplayImage p = MagnifierTestPattern(512);
        QCOMPARE(p.stride, 512 * 3);
        struct Case {
            int i, j;
            uint8_t b, g, r;
        };
        const Case cases[] = {{0, 0, 0, 0, 0},     {10, 3, 13, 3, 7},   {3, 10, 13, 10, 7},
                              {300, 10, 54, 10, 34}, {200, 200, 144, 200, 0}, {511, 0, 255, 0, 255}, {0, 511, 255, 255, 255}};
        for (const Case& c : cases) {
            const uint8_t* px = p.Row(c.j) + c.i * 3;
            QVERIFY2(px[0] == c.b && px[1] == c.g && px[2] == c.r, qPrintable(QStringLiteral("%1 %2").arg(c.i).arg(c.j)));
        }

        // The palette shows it at 1:1 until a square comes, then the square.
        LoneMagnifier m(256, {256, 256});
        CMagnifierBar& bar = *m.bar;
        QImage shown = bar.Bitmap();
        QCOMPARE(shown.size(), QSize(256, 256));
        QCOMPARE(Rgb(shown, 10, 3), qRgb(7, 3, 13) & 0xFFFFFF);
        QVERIFY(bar.Square() == nullptr);
        bar.UpdateBitmap(Ramp(256));
        QVERIFY(bar.Square() != nullptr);
        QCOMPARE(Rgb(bar.Bitmap(), 10, 3), qRgb(7, 3, 10) & 0xFFFFFF);
        // A square of another size than the palette's is not shown.
        bar.UpdateBitmap(Ramp(512));
        QVERIFY(bar.Square() == nullptr);
        QCOMPARE(Rgb(bar.Bitmap(), 10, 3), qRgb(7, 3, 13) & 0xFFFFFF);
    }

    void ViewDrawsWholePixelsWithTheGrid()
    {
        LoneMagnifier m(256, {200, 150});
        CMagnifierBar& bar = *m.bar;
        bar.UpdateBitmap(Ramp(256));
        bar.SetZoom(3);
        bar.SetCenter();
        const QPoint origin = bar.Scroll().Origin();
        const QImage grab = bar.View()->grab().toImage();
        QCOMPARE(grab.size(), QSize(200, 150));
        for (QPoint p : {QPoint(0, 0), QPoint(2, 2), QPoint(3, 0), QPoint(100, 70), QPoint(199, 149)}) {
            const QRgb expected = qRgb(7, origin.y() + p.y() / 3, origin.x() + p.x() / 3) & 0xFFFFFF;
            QCOMPARE(Rgb(grab, p.x(), p.y()), expected);
        }
    }

    void ClipboardTakesTheWholeSquareAtAnyZoomAndScroll()
    {
        QClipboard* clipboard = QGuiApplication::clipboard();
        for (int n : {256, 512}) {
            LoneMagnifier m(n, {180, 140});
            CMagnifierBar& bar = *m.bar;
            bar.UpdateBitmap(Ramp(n));
            for (int zoom = 1; zoom <= 5; ++zoom) {
                bar.SetZoom(zoom);
                for (int step : {0, 7}) {
                    for (int i = 0; i < step; ++i)
                        bar.HorizontalBar()->triggerAction(QAbstractSlider::SliderPageStepAdd);
                    bar.VerticalBar()->triggerAction(QAbstractSlider::SliderSingleStepAdd);
                    clipboard->clear();
                    QVERIFY(bar.OnCopyImage());
                    const QImage copy = clipboard->image();
                    QCOMPARE(copy.size(), QSize(n, n));
                    QCOMPARE(Rgb(copy, 0, 0), qRgb(7, 0, 0) & 0xFFFFFF);
                    QCOMPARE(Rgb(copy, n - 1, n - 1), qRgb(7, (n - 1) % 256, (n - 1) % 256) & 0xFFFFFF);
                }
            }
            // The scroll bars moved the view.
            QVERIFY(bar.Scroll().x > 0);
            QVERIFY(bar.Scroll().y > 0);
        }
    }

    void SquareShownInTheOutputColourSpace()
    {
        // A green of Adobe RGB is another green in sRGB.
        auto square = Ramp(256);
        const BuiltInIccProfile& adobe = kBuiltInIccProfiles[1];
        square->profile = std::make_shared<const std::vector<uint8_t>>(adobe.data, adobe.data + adobe.size);
        for (int j = 0; j < 4; ++j)
            for (int i = 0; i < 4; ++i) {
                uint8_t* p = square->bgr.data() + size_t(j) * size_t(square->stride) + size_t(i) * 3;
                p[0] = 60, p[1] = 200, p[2] = 60;
            }
        square->colorManaged = true;
        const QImage viaQt = MagnifierBitmap(*square);
        const QRgb green = viaQt.pixel(1, 1);
        QVERIFY2((green & 0xFFFFFF) != 0x3CC83Cu, qPrintable(QString::number(green, 16)));
        QVERIFY(qGreen(green) > qRed(green) + 50);

        // Already converted: shown as it is.
        auto converted = std::make_shared<DisplayImage>(*square);
        converted->colorManaged = false;
        QCOMPARE(Rgb(MagnifierBitmap(*converted), 1, 1), 0x3CC83Cu);

        // A profile too large to embed is not: LittleCMS converts, to nearly
        // the same colours.
        auto large = std::make_shared<DisplayImage>(*square);
        std::vector<uint8_t> padded(adobe.data, adobe.data + adobe.size);
        padded.resize(kMaxEmbeddedProfileBytes + 1000, 0);
        const uint32_t total = uint32_t(padded.size());
        padded[0] = uint8_t(total >> 24), padded[1] = uint8_t(total >> 16), padded[2] = uint8_t(total >> 8),
        padded[3] = uint8_t(total);
        large->profile = std::make_shared<const std::vector<uint8_t>>(std::move(padded));
        const QRgb viaCms = MagnifierBitmap(*large).pixel(1, 1);
        QVERIFY2(std::abs(qRed(viaCms) - qRed(green)) <= 3 && std::abs(qGreen(viaCms) - qGreen(green)) <= 3 &&
                     std::abs(qBlue(viaCms) - qBlue(green)) <= 3,
                 qPrintable(QString::number(viaCms, 16) + QStringLiteral(" vs ") + QString::number(green, 16)));

        // A profile nobody can read leaves the pixels as they are.
        auto broken = std::make_shared<DisplayImage>(*square);
        broken->profile = std::make_shared<const std::vector<uint8_t>>(std::vector<uint8_t>(300, 0x5A));
        QCOMPARE(Rgb(MagnifierBitmap(*broken), 1, 1), 0x3CC83Cu);
    }

    void SizesAndDockFlagKeptInTheSettings()
    {
        struct Case {
            int storedSize;
            int storedDock;
            int size;
            bool dock;
        };
        const Case cases[] = {{512, 1, 512, true}, {256, 0, 256, false}, {300, 0, 256, false}, {-4, 7, 256, true}};
        for (const Case& c : cases) {
            TempDir dir;
            const std::string settings = dir.File("Velmo.ini");
            PresetSettings(settings, [&c](SettingsStore& s) {
                s.WriteProfileInt(kSettingsSection, "MagnifierSize", c.storedSize);
                s.WriteProfileInt(kSettingsSection, "DockMagnifier", c.storedDock);
            });
            {
                AppRun::Setup setup;
                setup.settingsPath = settings;
                AppRun run(setup);
                auto& bar = *dynamic_cast<CMagnifierBar*>(run.Frame().Palette(ID_VIEW_MAGNIFIER));
                QCOMPARE(bar.Size(), c.size);
                QCOMPARE(bar.DockFlag(), c.dock);
                QCOMPARE(bar.DockCheck()->isChecked(), c.dock);
                // The other size and the other dock flag.
                run.Frame().ExecuteCommand(c.size == 256 ? ID_MAGNIFIER_256 : ID_MAGNIFIER_512);
                bar.ToggleDock();
                QCOMPARE(bar.Size(), 768 - c.size);
                run.Quit();
            }
            const auto stored = ReadSettings(settings);
            QCOMPARE(stored->GetProfileInt(kSettingsSection, "MagnifierSize", 0), 768 - c.size);
            QCOMPARE(stored->GetProfileInt(kSettingsSection, "DockMagnifier", -1), c.dock ? 0 : 1);
        }
    }

    void FloatingViewTakesTheSquaresSize()
    {
        TempDir dir;
        AppRun run;
        auto& bar = *dynamic_cast<CMagnifierBar*>(run.Frame().Palette(ID_VIEW_MAGNIFIER));
        run.Frame().ExecuteCommand(ID_MAGNIFIER_256); // to 512
        QCOMPARE(bar.Size(), 512);
        bar.ToggleDock();
        ProcessEvents(50);
        QVERIFY(bar.isFloating());
        QVERIFY(!bar.IsDockable());
        QCOMPARE(bar.View()->size(), QSize(512, 512));
        QCOMPARE(bar.Scroll().LimitX(), 0);
        bar.ToggleDock();
        ProcessEvents(50);
        QVERIFY(!bar.isFloating());
        QVERIFY(bar.IsDockable());
    }

    void FollowsTheDocument()
    {
        TempDir dir;
        AppRun::Setup setup;
        setup.arguments = {WriteSceneRaf(dir.path(), "FIRST.RAF", 432)};
        AppRun run(setup);
        CVelmoDoc& doc = run.Doc();
        auto& bar = *dynamic_cast<CMagnifierBar*>(run.Frame().Palette(ID_VIEW_MAGNIFIER));
        QVERIFY(doc.HasImage());
        // The pattern until the document renders.
        QVERIFY(bar.ShowsPicture());
        QVERIFY(bar.Square() == nullptr);
        doc.SetMagnifierCentre(256, 192);
        doc.UpdateMagnifier();
        QVERIFY(bar.Square() != nullptr);
        QCOMPARE(bar.Square(), doc.MagnifierImage());

        // Grid 2: one line each way through the square's middle, white XOR.
        bar.SetZoom(2);
        bar.SetCenter();
        const QImage plain = bar.View()->grab().toImage().convertToFormat(QImage::Format_RGB32);
        run.Frame().ExecuteCommand(ID_GRID_2);
        QCOMPARE(doc.Edit().Switch(SwitchId::Grid), 2);
        const QImage gridded = bar.View()->grab().toImage().convertToFormat(QImage::Format_RGB32);
        const QPoint origin = bar.Scroll().Origin();
        const int u = 2 * (128 - origin.x()), v = 2 * (128 - origin.y());
        QVERIFY(u > 3 && v > 3 && u < plain.width() - 3 && v < plain.height() - 3);
        QCOMPARE(Rgb(gridded, u, 3), Rgb(plain, u, 3) ^ 0xFFFFFF);
        QCOMPARE(Rgb(gridded, 3, v), Rgb(plain, 3, v) ^ 0xFFFFFF);
        QCOMPARE(Rgb(gridded, u + 1, 3), Rgb(plain, u + 1, 3));
        QCOMPARE(Rgb(gridded, u, v), Rgb(plain, u, v)); // crossing lines cancel
        run.Frame().ExecuteCommand(ID_GRID_OFF);

        // A right click takes the spot white balance at that pixel.
        doc.Edit().SetField(ParamField::whiteBalance, 0);
        bar.SetZoom(2);
        bar.ViewPressed({40, 40}, Qt::RightButton);
        QCOMPARE(doc.Edit().Params().whiteBalance, doc.Edit().UseRafWB() ? 11 : 7);

        // A new file: its own square at the same centre, not the old one.
        const std::shared_ptr<const DisplayImage> first = doc.MagnifierImage();
        run.App().OpenDocumentFile(WriteSceneRaf(dir.path(), "SECOND.RAF", 432));
        QVERIFY(doc.HasImage());
        QVERIFY(bar.Square() != nullptr);
        QVERIFY(bar.Square() != first);
        QCOMPARE(bar.Square(), doc.MagnifierImage());
        QCOMPARE(doc.MagnifierX(), 256);

        // No image: nothing shown, nothing copied, no readout.
        run.App().OnFileNew();
        QVERIFY(!doc.HasImage());
        QVERIFY(!bar.ShowsPicture());
        QVERIFY(bar.Bitmap().isNull());
        QVERIFY(!bar.OnCopyImage());
        const QString before = run.Frame().HistogramBar()->LevelCaption()->Text();
        bar.ViewMoved({10, 10}, Qt::NoButton, Qt::NoModifier);
        QCOMPARE(run.Frame().HistogramBar()->LevelCaption()->Text(), before);
        const QImage empty = bar.View()->grab().toImage();
        QCOMPARE(empty.pixel(5, 5), empty.pixel(empty.width() - 5, empty.height() - 5));
    }
};

VELMO_APP_TEST(MagnifierPaletteTest);

} // namespace velmo::test

#include "MagnifierPaletteTest.moc"
