// Full mode at a zoom percentage on a 3:2 camera: the view shows the picture
// at the saved file's scale and aspect, measured on a checkerboard in the
// painted window (the backing store, as the screen shows it), without the
// black bands that hold it in the previews' 4:3 frame. A screenshot at 100%
// is saved as a build artefact (velmo-zoom-100.png in the build folder).
#include "app/VelmoView.h"
#include "res/ResourceIds.h"
#include "tests/app/AppTest.h"
#include "tests/app/AppTestEnv.h"

#include <QGuiApplication>
#include <QImage>
#include <QImageReader>
#include <QPixmap>
#include <QScreen>
#include <QTest>

#include <algorithm>
#include <cmath>
#include <vector>

namespace velmo::test {

namespace {

constexpr int kCell = 48; // checkerboard cell in image pixels

// The view's viewport as the screen shows it: grabbed from the window's
// backing store after the event loop ran.
QImage Painted(CVelmoView& view)
{
    ProcessEvents(20);
    QWidget* port = view.viewport();
    QWidget* top = port->window();
    const QPoint at = port->mapTo(top, QPoint(0, 0));
    QScreen* screen = top->screen() != nullptr ? top->screen() : QGuiApplication::primaryScreen();
    return screen->grabWindow(top->winId(), at.x(), at.y(), port->width(), port->height())
        .toImage()
        .convertToFormat(QImage::Format_RGB32);
}

int Luma(QRgb c)
{
    return (2 * qRed(c) + 4 * qGreen(c) + qBlue(c)) / 7;
}

// The mean length of the whole light and dark runs along a line of
// samples (the partial runs at both ends left out), split at the level
// halfway between its darkest and lightest sample; 0 with fewer than two
// whole runs.
double MeanRun(const std::vector<int>& line)
{
    if (line.empty())
        return 0;
    const auto [lo, hi] = std::minmax_element(line.begin(), line.end());
    if (*hi - *lo < 40)
        return 0;
    const int middle = (*lo + *hi) / 2;
    std::vector<int> edges;
    for (size_t i = 1; i < line.size(); ++i)
        if ((line[i - 1] > middle) != (line[i] > middle))
            edges.push_back(int(i));
    if (edges.size() < 3)
        return 0;
    return double(edges.back() - edges.front()) / double(edges.size() - 1);
}

// The checkerboard's cell (width, height) in a picture, measured along row
// y and column x (inside a margin of 2 pixels).
QSizeF CellSize(const QImage& image, int x, int y)
{
    std::vector<int> row, column;
    for (int i = 2; i < image.width() - 2; ++i)
        row.push_back(Luma(image.pixel(i, y)));
    for (int i = 2; i < image.height() - 2; ++i)
        column.push_back(Luma(image.pixel(x, i)));
    return {MeanRun(row), MeanRun(column)};
}

QSizeF CellSize(const QImage& image)
{
    return CellSize(image, image.width() / 2, image.height() / 2);
}

QString Describe(const QSizeF& s)
{
    return QStringLiteral("%1 x %2").arg(s.width(), 0, 'f', 2).arg(s.height(), 0, 'f', 2);
}

} // namespace

class ZoomTest : public QObject {
    Q_OBJECT

private slots:
    void ZoomedViewShowsTheSavedFilesCells()
    {
        TempDir dir;
        AppRun::Setup setup;
        setup.arguments = {WriteCheckerRaf(dir.path(), "DSCF3000.RAF", kCell)};
        AppRun run(setup);
        CMainFrame& frame = run.Frame();
        CVelmoDoc& doc = run.Doc();
        CVelmoView& view = *frame.GetActiveView();
        QVERIFY(doc.HasImage());
        QCOMPARE(doc.CameraFamily(), 7);
        QVERIFY(std::abs(doc.Image().imageWidth * 2 - doc.Image().imageHeight * 3) < 60); // about 3:2
        frame.ExecuteCommand(ID_SIZE_QUARTER);
        frame.ExecuteCommand(ID_ZOOM_FREE);
        frame.resize(1300, 1000);
        ProcessEvents(20);
        struct Shown {
            int percent;
            QSizeF cell;
        };
        std::vector<Shown> shownCells;
        for (const auto& [id, percent] : {std::pair{ID_ZOOM_100, 100}, std::pair{ID_ZOOM_50, 50},
                                          std::pair{ID_ZOOM_200, 200}, std::pair{ID_ZOOM_300, 300}}) {
            frame.ExecuteCommand(id);
            QCOMPARE(frame.ZoomPercent(), percent);
            for (int i = 0; i < 200 && !view.HasFullSizeBitmap(); ++i)
                ProcessEvents(20);
            QVERIFY(view.HasFullSizeBitmap());
            const QImage shown = Painted(view);
            if (percent == 100) {
                const QString shot = QStringLiteral(VELMO_BINARY_DIR "/velmo-zoom-100.png");
                QVERIFY(shown.save(shot));
                qInfo("screenshot: %s (%dx%d)", qPrintable(shot), shown.width(), shown.height());
            }
            // The picture's own top row at the window's top: no black band.
            int dark = 0;
            for (int x = 0; x < shown.width(); ++x)
                dark += Luma(shown.pixel(x, 0)) < 8;
            QVERIFY2(dark < shown.width() / 2,
                     qPrintable(QStringLiteral("%1%: %2 dark pixels").arg(percent).arg(dark)));
            shownCells.push_back({percent, CellSize(shown)});
        }

        // A crop frame cuts the file, not its scale: the picture keeps its
        // cells (measured beside the frame, which is drawn over the middle).
        frame.ExecuteCommand(ID_CROP_SIZE_HALF);
        QVERIFY(view.Crop().IsSelected());
        frame.ExecuteCommand(ID_ZOOM_100);
        for (int i = 0; i < 200 && !view.HasFullSizeBitmap(); ++i)
            ProcessEvents(20);
        shownCells.push_back({100, CellSize(Painted(view), 10, 10)});
        frame.ExecuteCommand(ID_CROP_DESELECT);

        // The saved file's cells (a save keeps the developed picture, which
        // takes the full preview's place in the view: measured last).
        doc.SetOutputFormat(OutputFormat::Jpeg);
        QVERIFY(doc.OnSaveDocument(dir.File("DSCF3000.RAF")));
        const QImage saved = QImageReader(QString::fromStdString(doc.LastSavedPath())).read();
        QVERIFY(!saved.isNull());
        const QSizeF file = CellSize(saved);
        QVERIFY2(file.width() > 20 && file.height() > 20, qPrintable(Describe(file)));
        for (const Shown& s : shownCells) {
            const QSizeF want = file * s.percent / 100.0;
            const QString what = QStringLiteral("%1%: view %2, file %3 scaled %4")
                                     .arg(s.percent)
                                     .arg(Describe(s.cell), Describe(file), Describe(want));
            qInfo("%s", qPrintable(what));
            QVERIFY2(std::abs(s.cell.width() - want.width()) <= 1.0 && std::abs(s.cell.height() - want.height()) <= 1.0,
                     qPrintable(what));
            // The same aspect: the height the file's aspect gives the view's
            // width, within one pixel.
            QVERIFY2(std::abs(s.cell.width() * file.height() / file.width() - s.cell.height()) <= 1.0,
                     qPrintable(what));
        }
    }
};

VELMO_APP_TEST(ZoomTest);

} // namespace velmo::test

#include "ZoomTest.moc"
