// What the screen shows of the magnifier, histogram and parameters-curve
// palettes while the document changes. Every check reads the window's
// backing store after the event loop ran (OnScreen), where a repaint that
// never came leaves the old picture: the curve at the start and after the
// tone curve switched, the magnifier after File > Open, File > New and a
// layout change (velmo-magnifier-*.png in the build folder), and the readouts beside the colour swatch at the default
// font and at the dialog-font override (screenshots of the histogram palette
// with each readout: velmo-readout-*.png in the build folder).
#include "app/MainFrame.h"
#include "app/VelmoView.h"
#include "app/palettes/HistogramBar.h"
#include "app/palettes/MagnifierBar.h"
#include "app/palettes/ParamsCurveBar.h"
#include "develop/preview/FullPreviewBitmap.h"
#include "document/VelmoDoc.h"
#include "platform/gui/DialogFont.h"
#include "res/ResourceIds.h"
#include "tests/app/AppTest.h"
#include "tests/app/AppTestEnv.h"

#include <QPainter>
#include <QTest>

#include <algorithm>
#include <cstdlib>
#include <optional>

namespace velmo::test {

namespace {

QRgb Rgb(const QImage& image, int x, int y)
{
    return image.pixel(x, y) & 0xFFFFFF;
}

// Points of the curve: neither the black ground nor the grid.
int CurvePoints(const QImage& plot)
{
    int n = 0;
    for (int y = 0; y < plot.height(); ++y)
        for (int x = 0; x < plot.width(); ++x)
            n += Rgb(plot, x, y) != 0x000000 && Rgb(plot, x, y) != 0x404040;
    return n;
}

// The screen's view of the magnifier shows square (the 1:1 bitmap) from
// origin at zoom, at every tenth pixel of each row and column.
bool ShowsSquare(const QImage& screen, const QImage& square, QPoint origin, int zoom)
{
    for (int y = 0; y < screen.height(); y += 10)
        for (int x = 0; x < screen.width(); x += 10) {
            const int sx = origin.x() + x / zoom, sy = origin.y() + y / zoom;
            if (sx >= square.width() || sy >= square.height())
                continue;
            if (Rgb(screen, x, y) != Rgb(square, sx, sy))
                return false;
        }
    return true;
}

bool Uniform(const QImage& image, QRgb colour)
{
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x)
            if (Rgb(image, x, y) != (colour & 0xFFFFFF))
                return false;
    return true;
}

// text as the caption draws it on its ground, cut to its ink.
QImage TextInk(const QWidget& caption, const QString& text)
{
    const QFontMetrics metrics(caption.font());
    QImage image(metrics.horizontalAdvance(text) + 8, metrics.height() + 8, QImage::Format_RGB32);
    const QColor ground = caption.palette().window().color();
    image.fill(ground);
    {
        QPainter p(&image);
        p.setFont(caption.font());
        p.setPen(caption.palette().windowText().color());
        p.drawText(QPoint(4, 4 + metrics.ascent()), text);
    }
    QRect ink;
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x)
            if (Rgb(image, x, y) != (ground.rgb() & 0xFFFFFF))
                ink |= QRect(x, y, 1, 1);
    return image.copy(ink);
}

bool Near(QRgb a, QRgb b)
{
    return std::abs(qRed(a) - qRed(b)) <= 24 && std::abs(qGreen(a) - qGreen(b)) <= 24 &&
           std::abs(qBlue(a) - qBlue(b)) <= 24;
}

// Whether screen shows all of ink somewhere, nothing of it covered.
bool ShowsWhole(const QImage& screen, const QImage& ink)
{
    for (int dy = 0; dy + ink.height() <= screen.height(); ++dy)
        for (int dx = 0; dx + ink.width() <= screen.width(); ++dx) {
            bool all = true;
            for (int y = 0; all && y < ink.height(); ++y)
                for (int x = 0; all && x < ink.width(); ++x)
                    all = Near(screen.pixel(dx + x, dy + y), ink.pixel(x, y));
            if (all)
                return true;
        }
    return false;
}

// The dialog font as it was, back at the end.
class KeepDialogFont {
public:
    KeepDialogFont() : saved(DialogFont()) {}
    ~KeepDialogFont() { DialogFont() = saved; }

private:
    DialogFontSetting saved;
};

} // namespace

class PaletteScreenTest : public QObject {
    Q_OBJECT

private slots:
    void CurveShowsTheToneResponseOfNow()
    {
        TempDir dir;
        AppRun::Setup setup;
        setup.arguments = {WriteSceneRaf(dir.path(), "CURVE.RAF", 432)};
        AppRun run(setup);
        CMainFrame& frame = run.Frame();
        CVelmoDoc& doc = run.Doc();
        auto& curve = *dynamic_cast<CCurveBar*>(frame.Palette(ID_VIEW_CURVE));
        auto expected = [&] {
            QImage plot(curve.Plot()->size(), QImage::Format_RGB32);
            PaintToneResponse(plot, doc.ToneResponse().data());
            return plot;
        };
        ProcessEvents(100);
        QVERIFY(doc.HasImage());
        QVERIFY(curve.isVisible());

        // At the start, in the default layout: the curve, not a black plot.
        const QImage atStart = OnScreen(curve.Plot());
        QVERIFY(CurvePoints(atStart) > 100);
        QVERIFY(atStart == expected());

        // Log, then Gamma: each time the curve of the parameters of now.
        frame.ExecuteCommand(ID_TONE_LOG);
        ProcessEvents(50);
        QCOMPARE(doc.Edit().Params().bGammaLog, 1);
        const QImage logCurve = OnScreen(curve.Plot());
        QVERIFY(logCurve == expected());
        frame.ExecuteCommand(ID_TONE_GAMMA);
        ProcessEvents(50);
        QCOMPARE(doc.Edit().Params().bGammaLog, 0);
        const QImage gammaCurve = OnScreen(curve.Plot());
        QVERIFY(gammaCurve != logCurve);
        QVERIFY(gammaCurve == expected());

        // No image: a black plot.
        run.App().OnFileNew();
        ProcessEvents(50);
        QCOMPARE(CurvePoints(OnScreen(curve.Plot())), 0);
    }

    void MagnifierFollowsOpenNewAndLayout()
    {
        TempDir dir;
        AppRun::Setup setup;
        setup.arguments = {WriteSceneRaf(dir.path(), "FIRST.RAF", 432)};
        AppRun run(setup);
        CMainFrame& frame = run.Frame();
        CVelmoDoc& doc = run.Doc();
        CVelmoView& view = *frame.GetActiveView();
        auto& bar = *dynamic_cast<CMagnifierBar*>(frame.Palette(ID_VIEW_MAGNIFIER));
        ProcessEvents(100);
        auto save = [&](const char* stage) {
            const QString file = QStringLiteral(VELMO_BINARY_DIR "/velmo-magnifier-%1.png").arg(QLatin1String(stage));
            QVERIFY(OnScreen(&bar).save(file));
            qInfo("screenshot: %s", qPrintable(file));
        };
        auto showsDocumentSquare = [&](const QImage& screen) {
            return doc.MagnifierImage() != nullptr &&
                   ShowsSquare(screen, MagnifierBitmap(*doc.MagnifierImage()), bar.Scroll().Origin(), bar.Zoom());
        };

        // Until the first click the square's test pattern shows.
        QVERIFY(doc.HasImage());
        const QImage pattern = MagnifierBitmap(MagnifierTestPattern(bar.Size()));
        QVERIFY(ShowsSquare(OnScreen(bar.View()), pattern, bar.Scroll().Origin(), bar.Zoom()));

        // A click on the picture: its square there.
        const QPoint middle = view.viewport()->rect().center();
        QTest::mouseClick(view.viewport(), Qt::LeftButton, Qt::NoModifier, middle);
        ProcessEvents(50);
        const QImage first = OnScreen(bar.View());
        save("first");
        QVERIFY(showsDocumentSquare(first));
        QVERIFY(!ShowsSquare(first, pattern, bar.Scroll().Origin(), bar.Zoom()));

        // File > Open: the new picture's square at the same place.
        const QString firstFile = QString::fromStdString(doc.SourcePath());
        run.App().OpenDocumentFile(WriteSceneRaf(dir.path(), "SECOND.RAF", 864));
        ProcessEvents(50);
        QVERIFY(QString::fromStdString(doc.SourcePath()) != firstFile);
        const QImage second = OnScreen(bar.View());
        save("second");
        QVERIFY(second != first);
        QVERIFY(showsDocumentSquare(second));

        // A layout change (floating and docked again): still that square.
        bar.ToggleDock();
        ProcessEvents(100);
        QVERIFY(bar.isFloating());
        QVERIFY(showsDocumentSquare(OnScreen(bar.View())));
        bar.ToggleDock();
        ProcessEvents(100);
        QVERIFY(!bar.isFloating());
        QVERIFY(showsDocumentSquare(OnScreen(bar.View())));
        save("layout");

        // File > New: an empty view.
        run.App().OnFileNew();
        ProcessEvents(50);
        save("new");
        QVERIFY(Uniform(OnScreen(bar.View()), bar.palette().window().color().rgb()));
    }

    void ReadoutsBesideTheSwatch()
    {
        for (const std::optional<DialogFontSetting>& font :
             {std::optional<DialogFontSetting>{}, std::optional<DialogFontSetting>{DialogFontSetting{"DejaVu Serif", 13}}}) {
            const KeepDialogFont kept;
            const char* name = font ? "dialog font" : "default font";
            TempDir dir;
            AppRun::Setup setup;
            setup.arguments = {WriteSceneRaf(dir.path(), "READOUT.RAF", 432)};
            AppRun run(setup);
            CMainFrame& frame = run.Frame();
            CVelmoView& view = *frame.GetActiveView();
            CHistogramBar& histogram = *frame.HistogramBar();
            CLevelCaption& caption = *histogram.LevelCaption();
            auto& magnifier = *dynamic_cast<CMagnifierBar*>(frame.Palette(ID_VIEW_MAGNIFIER));
            if (font) {
                frame.chooseFont = [&font](const DialogFontSetting&) { return *font; };
                frame.ExecuteCommand(ID_FONT_CHOOSE);
            }
            ProcessEvents(100);

            // The whole readout shows beside its swatch.
            int shot = 0;
            auto check = [&](const char* what, const QString& start) {
                ProcessEvents(50);
                const QString file = QStringLiteral(VELMO_BINARY_DIR "/velmo-readout-%1-%2.png")
                                         .arg(font ? QStringLiteral("font") : QStringLiteral("default"))
                                         .arg(++shot);
                QVERIFY(OnScreen(&histogram).save(file));
                qInfo("screenshot: %s (%s)", qPrintable(file), what);
                QString text = caption.Text();
                text.remove(QLatin1Char('\n'));
                QVERIFY2(text.startsWith(start), qPrintable(QString::fromLatin1(what) + ": " + text));
                const QImage screen = OnScreen(&caption);
                const std::optional<QColor> swatch = caption.Swatch();
                QString shown = text;
                if (swatch) {
                    QCOMPARE(Rgb(screen, 1, screen.height() / 2), swatch->rgb() & 0xFFFFFF);
                    QCOMPARE(Rgb(screen, screen.height() - 2, screen.height() / 2), swatch->rgb() & 0xFFFFFF);
                    // It takes the place the pixel readouts keep for it.
                    if (text.startsWith(QLatin1String("__ ")))
                        shown = text.mid(3);
                }
                QVERIFY2(ShowsWhole(screen, TextInk(caption, shown)),
                         qPrintable(QStringLiteral("%1, %2: \"%3\" not whole").arg(QLatin1String(name),
                                                                                  QLatin1String(what), shown)));
            };

            QTest::mouseMove(view.viewport(), view.viewport()->rect().center());
            check("preview readout", QStringLiteral("__ R:"));
            QTest::mouseMove(histogram.Plot(), histogram.Plot()->rect().center());
            check("level readout", QStringLiteral("Level "));

            QTest::mouseClick(view.viewport(), Qt::LeftButton, Qt::NoModifier, view.viewport()->rect().center());
            ProcessEvents(50);
            QTest::mouseMove(magnifier.View(), QPoint(30, 30));
            check("magnifier readout", QStringLiteral("__ R:"));
            QTest::mouseMove(histogram.Plot(), QPoint(5, 5));
            check("level readout after the magnifier's", QStringLiteral("Level "));
        }
    }
};

VELMO_APP_TEST(PaletteScreenTest);

} // namespace velmo::test

#include "PaletteScreenTest.moc"
