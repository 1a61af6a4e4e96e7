// The histogram, parameters-curve and Exif palettes: the drawings against
// synthetic data (pixel checks on the plots), the level readout, the
// palettes following the document (an image, none), the Exif text and its
// "All" switch; and the screenshot of the magnifier at zoom 3 on the sample
// beside the histogram, the parameters curve and the Exif text, as the
// screen shows them (velmo-view-palettes.png and velmo-view-palettes-font.png
// in the build folder).
#include "app/MainFrame.h"
#include "app/VelmoView.h"
#include "app/palettes/ExifBar.h"
#include "app/palettes/HistogramBar.h"
#include "app/palettes/MagnifierBar.h"
#include "app/palettes/ParamsCurveBar.h"
#include "document/VelmoDoc.h"
#include "exif/ExifDigest.h"
#include "platform/gui/ControlIds.h"
#include "platform/gui/DialogFont.h"
#include "res/ResourceIds.h"
#include "tests/app/AppTest.h"
#include "tests/app/AppTestEnv.h"

#include <QCheckBox>
#include <QClipboard>
#include <QGuiApplication>
#include <QPlainTextEdit>
#include <QRadioButton>
#include <QTest>

#include <array>
#include <memory>
#include <string>
#include <vector>

namespace velmo::test {

namespace {

QRgb Rgb(const QImage& image, int x, int y)
{
    return image.pixel(x, y) & 0xFFFFFF;
}

constexpr QRgb kBlack = 0x000000, kRed = 0xFF0000, kGreen = 0x00FF00, kBlue = 0x0000FF, kWhite = 0xFFFFFF,
               kGrid = 0x404040;

// The column's colours from the top: true when every pixel of rows
// [top, bottom) is colour.
bool ColumnIs(const QImage& image, int x, int top, int bottom, QRgb colour)
{
    for (int y = top; y < bottom; ++y)
        if (Rgb(image, x, y) != colour)
            return false;
    return true;
}

QImage PlotOf(QWidget* plot)
{
    return plot->grab().toImage().convertToFormat(QImage::Format_RGB32);
}

} // namespace

class ViewPalettesTest : public QObject {
    Q_OBJECT

private slots:
    void HistogramBarsFromCounts()
    {
        std::array<int32_t, 1024> table{};
        table[10] = 3072;             // red, full height
        table[256 + 30] = 1536;       // green, half
        table[512 + 40] = 100000000;  // blue, far beyond full (H x c needs 64 bits)
        table[768 + 50] = 3072;       // luminosity
        table[60] = 3072;             // red under a half luminosity bar
        table[768 + 60] = 1536;
        table[70] = -5;               // nothing for a negative count
        QImage plot(256, 100, QImage::Format_RGB32);
        PaintHistogram(plot, table.data(), {true, true, true, true});
        QVERIFY(ColumnIs(plot, 10, 0, 100, kRed));
        QVERIFY(ColumnIs(plot, 11, 0, 100, kRed)); // each bar overlaps its right neighbour
        QVERIFY(ColumnIs(plot, 12, 0, 100, kBlack));
        QVERIFY(ColumnIs(plot, 30, 0, 50, kBlack));
        QVERIFY(ColumnIs(plot, 30, 50, 100, kGreen));
        QVERIFY(ColumnIs(plot, 40, 0, 100, kBlue));
        QVERIFY(ColumnIs(plot, 50, 0, 100, kWhite));
        QVERIFY(ColumnIs(plot, 60, 0, 50, kRed));
        QVERIFY(ColumnIs(plot, 60, 50, 100, kWhite));
        QVERIFY(ColumnIs(plot, 70, 0, 100, kBlack));

        struct Case {
            const char* name;
            std::array<bool, 4> channels;
            int column;
            QRgb top, bottom;
        };
        const Case cases[] = {
            {"red off", {false, true, true, true}, 10, kBlack, kBlack},
            {"luminosity off: red shows whole", {true, true, true, false}, 60, kRed, kRed},
            {"red off under luminosity", {false, true, true, true}, 60, kBlack, kWhite},
            {"blue alone", {false, false, true, false}, 40, kBlue, kBlue},
            {"all off", {false, false, false, false}, 50, kBlack, kBlack},
        };
        for (const Case& c : cases) {
            PaintHistogram(plot, table.data(), c.channels);
            QVERIFY2(Rgb(plot, c.column, 0) == c.top && Rgb(plot, c.column, 99) == c.bottom, c.name);
        }
        // Without data: black.
        PaintHistogram(plot, nullptr, {true, true, true, true});
        QVERIFY(ColumnIs(plot, 10, 0, 100, kBlack));

        // A narrower plot: bars of d x W / 256; every column is some level's.
        QImage narrow(100, 40, QImage::Format_RGB32);
        std::array<int32_t, 1024> flat{};
        for (int d = 0; d < 256; ++d)
            flat[768 + size_t(d)] = 3072;
        PaintHistogram(narrow, flat.data(), {true, true, true, true});
        for (int x = 0; x < 100; ++x)
            QVERIFY(ColumnIs(narrow, x, 0, 40, kWhite));
    }

    void HistogramLevelReadout()
    {
        QCOMPARE(HistogramLevelAt(0, 256), 0);
        QCOMPARE(HistogramLevelAt(255, 256), 254);
        QCOMPARE(HistogramLevelAt(130, 260), 127);
        QVERIFY(!HistogramLevelAt(260, 260));
        QVERIFY(!HistogramLevelAt(-1, 260));
        QVERIFY(!HistogramLevelAt(0, 0)); // a plot without width
        QCOMPARE(HistogramReadout(7, 196608), QStringLiteral("Level 007 : Count    196608"));
    }

    void HistogramPaletteFollowsTheDocument()
    {
        TempDir dir;
        AppRun::Setup setup;
        setup.arguments = {WriteSmallRaf(dir.path(), "HIST.RAF")};
        AppRun run(setup);
        CVelmoDoc& doc = run.Doc();
        CHistogramBar& bar = *run.Frame().HistogramBar();
        QVERIFY(doc.HasImage());
        // Every pixel red 200, green 100, blue 50: luminosity 121.
        std::vector<uint8_t> picture(size_t(32) * 24 * 3);
        for (size_t i = 0; i < picture.size(); i += 3) {
            picture[i] = 50;
            picture[i + 1] = 100;
            picture[i + 2] = 200;
        }
        doc.ComputePreviewHistogram(picture.data(), 32, 24, 0, 0, 31, 23);
        bar.SetSource(2);
        ProcessEvents();
        QImage plot = PlotOf(bar.Plot());
        const int w = plot.width(), h = plot.height();
        auto column = [w](int level) { return level * w / 256; };
        QVERIFY(ColumnIs(plot, column(200), 0, h, kRed));
        QVERIFY(ColumnIs(plot, column(100), 0, h, kGreen));
        QVERIFY(ColumnIs(plot, column(50), 0, h, kBlue));
        QVERIFY(ColumnIs(plot, column(121), 0, h, kWhite));
        QVERIFY(ColumnIs(plot, column(160), 0, h, kBlack));

        // The channel checks switch the bars.
        bar.ChannelCheck(0)->click();
        QVERIFY(!bar.Channels()[0]);
        QVERIFY(ColumnIs(PlotOf(bar.Plot()), column(200), 0, h, kBlack));
        bar.ChannelCheck(0)->click();
        QVERIFY(ColumnIs(PlotOf(bar.Plot()), column(200), 0, h, kRed));

        // The readout of the luminosity count under the pointer.
        int x = 0;
        while (HistogramLevelAt(x, w) != 121)
            ++x;
        QTest::mouseMove(bar.Plot(), QPoint(x, h / 2));
        QCOMPARE(bar.LevelCaption()->Text(), QStringLiteral("Level 121 : Count    196608"));

        // The magnifier source was never filled: black. The radios choose.
        bar.SourceRadio(1)->click();
        QCOMPARE(bar.Source(), 1);
        plot = PlotOf(bar.Plot());
        for (int level : {50, 100, 121, 200})
            QVERIFY(ColumnIs(plot, column(level), 0, h, kBlack));
        // The frame's source commands and the radios agree.
        run.Frame().ExecuteCommand(ID_HISTOGRAM_SOURCE_FIRST + 2);
        QVERIFY(bar.SourceRadio(2)->isChecked());

        // No image: an empty plot.
        run.App().OnFileNew();
        ProcessEvents();
        plot = PlotOf(bar.Plot());
        for (int level : {50, 100, 121, 200})
            QVERIFY(ColumnIs(plot, column(level), 0, h, kBlack));
    }

    void ToneResponsePoints()
    {
        std::vector<uint16_t> response(3 * 256);
        for (int i = 0; i < 256; ++i) {
            response[size_t(3 * i)] = uint16_t(i * 257);
            response[size_t(3 * i + 1)] = uint16_t(i * 128);
            response[size_t(3 * i + 2)] = 0;
        }
        QImage plot(256, 128, QImage::Format_RGB32);
        PaintToneResponse(plot, response.data());
        // At input 100: red at 128 - 50, green at 128 - 25, white at
        // 128 - (0 + 4 x 25 + 2 x 50) / 7.
        QCOMPARE(Rgb(plot, 100, 78), kRed);
        QCOMPARE(Rgb(plot, 100, 103), kGreen);
        QCOMPARE(Rgb(plot, 100, 100), kWhite);
        QCOMPARE(Rgb(plot, 100, 79), kBlack); // points, not lines
        QCOMPARE(Rgb(plot, 100, 77), kBlack);
        // The grid: quarter lines across and down.
        QCOMPARE(Rgb(plot, 5, 32), kGrid);
        QCOMPARE(Rgb(plot, 200, 96), kGrid);
        QCOMPARE(Rgb(plot, 64, 5), kGrid);
        QCOMPARE(Rgb(plot, 5, 5), kBlack);
        // The same curve for every channel: white covers.
        for (int i = 0; i < 256; ++i)
            response[size_t(3 * i + 1)] = response[size_t(3 * i + 2)] = response[size_t(3 * i)];
        PaintToneResponse(plot, response.data());
        QCOMPARE(Rgb(plot, 100, 128 - 50), kWhite);
        QCOMPARE(Rgb(plot, 255, 0), kWhite);
        // Nothing to draw: black, no grid.
        PaintToneResponse(plot, nullptr);
        QCOMPARE(Rgb(plot, 5, 32), kBlack);
    }

    void CurvePaletteFollowsTheDocument()
    {
        TempDir dir;
        AppRun::Setup setup;
        setup.arguments = {WriteSmallRaf(dir.path(), "CURVE.RAF")};
        AppRun run(setup);
        auto& bar = *dynamic_cast<CCurveBar*>(run.Frame().Palette(ID_VIEW_CURVE));
        ProcessEvents();
        auto curvePoints = [&bar] {
            const QImage plot = PlotOf(bar.Plot());
            int n = 0;
            for (int y = 0; y < plot.height(); ++y)
                for (int x = 0; x < plot.width(); ++x)
                    n += Rgb(plot, x, y) != kBlack && Rgb(plot, x, y) != kGrid;
            return n;
        };
        const int withImage = curvePoints();
        QVERIFY(withImage > 100);
        run.App().OnFileNew();
        ProcessEvents();
        QCOMPARE(curvePoints(), 0);
    }

    void ExifTextAndAllKeepTheFirstVisibleLine()
    {
        // Even lines are in the digest ("Model"), odd ones are not.
        std::vector<std::string> lines;
        for (int i = 0; i < 60; ++i)
            lines.push_back(i % 2 == 0 ? "Model:camera " + std::to_string(i) : "Other" + std::to_string(i) + ":x");
        CExifBar bar(ID_VIEW_EXIF, QStringLiteral("EXIF"), nullptr);
        bar.TextEdit()->setFixedSize(240, 100);
        bar.show();
        {
            std::vector<std::string> given = lines;
            bar.SetExifLines(given);
            given.assign(3, "changed:after");
        }
        ProcessEvents();
        QVERIFY(!bar.All());
        QCOMPARE(bar.Text(), ExifDigest(&lines, false));
        QCOMPARE(bar.TextEdit()->document()->blockCount(), 30);
        QCOMPARE(bar.FirstVisibleLine(), size_t(0));

        bar.AllCheck()->click();
        QVERIFY(bar.All());
        QCOMPARE(bar.Text(), ExifDigest(&lines, true));
        QCOMPARE(bar.TextEdit()->document()->blockCount(), 60);
        bar.ScrollToLine(21);
        QCOMPARE(bar.FirstVisibleLine(), size_t(21));
        // Off: line 21 is not in the digest, the next one shown is 22.
        bar.AllCheck()->click();
        QCOMPARE(bar.FirstVisibleLine(), size_t(22));
        // On again: 22 stays at the top.
        bar.AllCheck()->click();
        QCOMPARE(bar.FirstVisibleLine(), size_t(22));

        // Read-only, but selectable and copyable.
        QVERIFY(bar.TextEdit()->isReadOnly());
        QVERIFY(bar.TextEdit()->textInteractionFlags() & Qt::TextSelectableByMouse);
        QGuiApplication::clipboard()->clear();
        bar.TextEdit()->selectAll();
        bar.TextEdit()->copy();
        QVERIFY(QGuiApplication::clipboard()->text().contains(QStringLiteral("Other21:x")));

        // No image: empty.
        bar.SetExifLines({});
        QVERIFY(bar.Text().empty());
        QVERIFY(bar.TextEdit()->toPlainText().isEmpty());
        QCOMPARE(bar.FirstVisibleLine(), std::string::npos);
    }

    void ExifPaletteFollowsTheDocument()
    {
        TempDir dir;
        AppRun::Setup setup;
        setup.arguments = {WriteSmallRaf(dir.path(), "EXIF.RAF")};
        AppRun run(setup);
        auto& bar = *dynamic_cast<CExifBar*>(run.Frame().Palette(ID_VIEW_EXIF));
        QVERIFY(bar.TextEdit()->toPlainText().contains(QStringLiteral("Model:FinePix S5600")));
        run.App().OnFileNew();
        QVERIFY(bar.TextEdit()->toPlainText().isEmpty());
        QVERIFY(bar.Text().empty());
    }

    void EveryControlNamedWithItsTip()
    {
        AppRun run;
        CMainFrame& frame = run.Frame();
        struct Case {
            unsigned palette;
            unsigned control;
            const char* name;
        };
        const Case cases[] = {
            {ID_VIEW_MAGNIFIER, IDC_MAGNIFIER_ZOOM, "Zoom"},
            {ID_VIEW_MAGNIFIER, IDC_MAGNIFIER_VIEW, "Magnified view"},
            {ID_VIEW_MAGNIFIER, IDC_MAGNIFIER_VSCROLL, "Vertical scroll"},
            {ID_VIEW_MAGNIFIER, IDC_MAGNIFIER_HSCROLL, "Horizontal scroll"},
            {ID_VIEW_MAGNIFIER, IDC_DOCK_MAGNIFIER, "Dock/Float magnifier"},
            {ID_VIEW_HISTOGRAM, IDC_HISTOGRAM_PLOT, "Histogram"},
            {ID_VIEW_HISTOGRAM, ID_HISTOGRAM_SOURCE_FIRST, "P"},
            {ID_VIEW_HISTOGRAM, ID_HISTOGRAM_SOURCE_FIRST + 1, "M"},
            {ID_VIEW_HISTOGRAM, ID_HISTOGRAM_SOURCE_LAST, "S"},
            {ID_VIEW_HISTOGRAM, IDC_HISTOGRAM_RED, "R"},
            {ID_VIEW_HISTOGRAM, IDC_HISTOGRAM_GREEN, "G"},
            {ID_VIEW_HISTOGRAM, IDC_HISTOGRAM_BLUE, "B"},
            {ID_VIEW_HISTOGRAM, IDC_HISTOGRAM_LUMINOSITY, "Luminosity"},
            {ID_VIEW_HISTOGRAM, IDC_HISTOGRAM_LEVEL, "Level"},
            {ID_VIEW_CURVE, IDC_PARAMS_CURVE_PLOT, "Tone response"},
            {ID_VIEW_EXIF, IDC_EXIF_TEXT, "Exif information"},
            {ID_VIEW_EXIF, IDC_EXIF_ALL, "All"},
        };
        for (const Case& c : cases) {
            QWidget* control = FindControl(frame.Palette(c.palette), c.control);
            QVERIFY2(control != nullptr, c.name);
            QCOMPARE(control->accessibleName(), QString::fromLatin1(c.name));
            QVERIFY2(!control->toolTip().isEmpty(), c.name);
            // Whole captions at the default font.
            QVERIFY2(control->width() >= control->minimumSizeHint().width(), c.name);
        }
        QCOMPARE(FindControl(frame.Palette(ID_VIEW_MAGNIFIER), IDC_DOCK_MAGNIFIER)->toolTip(),
                 QStringLiteral("Dock/Float magnifier"));
    }

    void ScreenshotMagnifierHistogramAndExif()
    {
        TempDir dir;
        AppRun::Setup setup;
        setup.arguments = {SampleRafPath(dir.path())};
        AppRun run(setup);
        CVelmoDoc& doc = run.Doc();
        CMainFrame& frame = run.Frame();
        QVERIFY(doc.HasImage());
        CVelmoView& view = *frame.GetActiveView();
        for (int i = 0; i < 200 && !view.HasFullSizeBitmap(); ++i)
            ProcessEvents(50);
        // The edge of the resolution chart.
        doc.SetMagnifierCentre(300, 262);
        doc.UpdateMagnifier();
        frame.ExecuteCommand(ID_MAGNIFIER_ZOOM1 + 2);
        frame.ExecuteCommand(ID_HISTOGRAM_SOURCE_FIRST);
        ProcessEvents(100);

        auto& magnifier = *dynamic_cast<CMagnifierBar*>(frame.Palette(ID_VIEW_MAGNIFIER));
        auto& exif = *dynamic_cast<CExifBar*>(frame.Palette(ID_VIEW_EXIF));
        auto& curve = *dynamic_cast<CCurveBar*>(frame.Palette(ID_VIEW_CURVE));
        CHistogramBar& histogram = *frame.HistogramBar();
        QCOMPARE(magnifier.Zoom(), 3);
        QVERIFY(magnifier.Square() != nullptr);
        QVERIFY(!exif.TextEdit()->toPlainText().isEmpty());

        auto check = [&](const char* name) {
            ProcessEvents(100);
            const QImage window = OnScreen(&frame);
            const QString file = QStringLiteral(VELMO_BINARY_DIR "/") + QLatin1String(name);
            QVERIFY(window.save(file));
            qInfo("screenshot: %s (%dx%d)", qPrintable(file), window.width(), window.height());
            // The magnifier shows the rendered square at zoom 3.
            const QImage shown = OnScreen(magnifier.View());
            const QImage square = magnifier.Bitmap();
            const QPoint origin = magnifier.Scroll().Origin();
            for (QPoint p : {QPoint(1, 1), QPoint(31, 61), QPoint(100, 50)})
                QCOMPARE(Rgb(shown, p.x(), p.y()), Rgb(square, origin.x() + p.x() / 3, origin.y() + p.y() / 3));
            // A filled histogram: bars in many columns.
            const QImage plot = OnScreen(histogram.Plot());
            int filled = 0;
            for (int x = 0; x < plot.width(); ++x)
                filled += Rgb(plot, x, plot.height() - 1) != kBlack;
            QVERIFY(filled > plot.width() / 4);
            // The tone response of the sample's parameters.
            QImage response(curve.Plot()->size(), QImage::Format_RGB32);
            PaintToneResponse(response, doc.ToneResponse().data());
            QVERIFY(OnScreen(curve.Plot()) == response);
            // Every palette fully visible in the window.
            for (QWidget* w : {static_cast<QWidget*>(&magnifier), static_cast<QWidget*>(&histogram),
                               static_cast<QWidget*>(&curve), static_cast<QWidget*>(&exif)}) {
                QVERIFY(w->isVisible());
                QVERIFY(w->width() >= w->minimumSizeHint().width());
            }
        };
        check("velmo-view-palettes.png");
        frame.chooseFont = [](const DialogFontSetting&) { return DialogFontSetting{"DejaVu Serif", 13}; };
        frame.ExecuteCommand(ID_FONT_CHOOSE);
        check("velmo-view-palettes-font.png");
        DialogFont() = {};
    }
};

VELMO_APP_TEST(ViewPalettesTest);

} // namespace velmo::test

#include "ViewPalettesTest.moc"
