// The main window on the sample picture with grid 2 and a crop frame, saved
// as a build artefact (velmo-view-grid-crop.png in the build folder); the
// overlays are checked pixel by pixel against the picture without them, and
// taking them away must give that picture back exactly.
#include "app/VelmoView.h"
#include "params/EditState.h"
#include "res/ResourceIds.h"
#include "tests/app/AppTest.h"
#include "tests/app/AppTestEnv.h"

#include <QImage>
#include <QPixmap>
#include <QTest>

namespace velmo::test {

namespace {

QImage Shown(CVelmoView& view)
{
    return view.viewport()->grab().toImage().convertToFormat(QImage::Format_RGB32);
}

QRgb Rgb(const QImage& image, int x, int y)
{
    return image.pixel(x, y) & 0xFFFFFF;
}

// Pixels that differ between two pictures of the same size.
int Differences(const QImage& a, const QImage& b)
{
    int n = 0;
    for (int y = 0; y < a.height(); ++y)
        for (int x = 0; x < a.width(); ++x)
            n += Rgb(a, x, y) != Rgb(b, x, y);
    return n;
}

} // namespace

class ViewScreenshotTest : public QObject {
    Q_OBJECT

private slots:
    void GridAndCropFrameOverTheDevelopedSample()
    {
        TempDir dir;
        AppRun::Setup setup;
        setup.arguments = {SampleRafPath(dir.path())};
        AppRun run(setup);
        QVERIFY(run.Doc().HasImage());
        CVelmoView& view = *run.Frame().GetActiveView();
        for (int i = 0; i < 200 && !view.HasFullSizeBitmap(); ++i)
            ProcessEvents(50);
        ProcessEvents(100);
        QCOMPARE(run.Doc().Edit().Switch(SwitchId::Grid), 0);

        const QImage picture = Shown(view);
        QCOMPARE(picture.size(), QSize(512, 384));

        // Grid 2: one horizontal and one vertical line through the centre of
        // the picture, in XOR with 0x808080. The sample is a 3:2 camera: the
        // picture fills rows 20 to 363, and the black bars above and below
        // it stay free of the grid.
        run.Frame().ExecuteCommand(ID_GRID_2);
        const QImage grid = Shown(view);
        for (const QPoint p : {QPoint(40, 192), QPoint(470, 192), QPoint(256, 20), QPoint(256, 363)})
            QCOMPARE(Rgb(grid, p.x(), p.y()), Rgb(picture, p.x(), p.y()) ^ 0x808080);
        for (const QPoint p : {QPoint(256, 5), QPoint(256, 19), QPoint(256, 364), QPoint(256, 380)})
            QCOMPARE(Rgb(grid, p.x(), p.y()), Rgb(picture, p.x(), p.y()));
        QCOMPARE(Rgb(grid, 256, 192), Rgb(picture, 256, 192)); // crossing lines cancel
        QCOMPARE(Differences(grid, picture), 512 + 344 - 2);

        // "&Half" of the picture: the frame (128, 106)-(384, 278) on the
        // display, 3 pixels wide (white XOR, so inverted), with a cross at
        // the centre.
        run.Frame().ExecuteCommand(ID_CROP_SIZE_HALF);
        QVERIFY(view.Crop().IsSelected());
        const QImage framed = Shown(view);
        for (const QPoint p : {QPoint(128, 150), QPoint(127, 150), QPoint(129, 150), QPoint(384, 250),
                               QPoint(300, 106), QPoint(300, 278), QPoint(250, 186), QPoint(262, 186)})
            QCOMPARE(Rgb(framed, p.x(), p.y()), Rgb(grid, p.x(), p.y()) ^ 0xFFFFFF);
        for (const QPoint p : {QPoint(125, 150), QPoint(131, 150), QPoint(200, 200), QPoint(300, 109)})
            QCOMPARE(Rgb(framed, p.x(), p.y()), Rgb(grid, p.x(), p.y()));
        // Where the frame crosses the grid both apply.
        QCOMPARE(Rgb(framed, 128, 192), Rgb(picture, 128, 192) ^ 0x808080 ^ 0xFFFFFF);

        const QImage window = run.Frame().grab().toImage();
        const QString file = QStringLiteral(VELMO_BINARY_DIR "/velmo-view-grid-crop.png");
        QVERIFY(window.save(file));
        qInfo("screenshot: %s (%dx%d)", qPrintable(file), window.width(), window.height());

        // Taking the overlays away gives the pictures under them back exactly.
        run.Frame().ExecuteCommand(ID_CROP_DESELECT);
        QCOMPARE(Differences(Shown(view), grid), 0);
        run.Frame().ExecuteCommand(ID_GRID_OFF);
        QCOMPARE(Differences(Shown(view), picture), 0);
        // And so does drawing the frame again and moving it away by a scroll-free redraw.
        run.Frame().ExecuteCommand(ID_CROP_LAST_FRAME);
        QVERIFY(Differences(Shown(view), picture) > 0);
        run.Frame().ExecuteCommand(ID_CROP_DESELECT);
        QCOMPARE(Differences(Shown(view), picture), 0);
    }

    void GridFiveAndAThickerFrameStayInsideTheDisplay()
    {
        // With more than two grid cells the frame is 5 pixels wide; a larger
        // preview (x1.5) scales the grid with the display.
        TempDir dir;
        AppRun::Setup setup;
        setup.arguments = {SampleRafPath(dir.path())};
        AppRun run(setup);
        CVelmoView& view = *run.Frame().GetActiveView();
        run.Frame().ExecuteCommand(ID_PREVIEW_SIZE_FIRST + 1);
        ProcessEvents(50);
        QCOMPARE(QSize(view.DisplayWidth(), view.DisplayHeight()), QSize(768, 576));
        const QImage picture = Shown(view);
        run.Frame().ExecuteCommand(ID_GRID_4);
        run.Frame().ExecuteCommand(ID_CROP_SIZE_HALF);
        const QImage both = Shown(view);
        // Vertical grid lines at 192, 384, 576; the frame's left edge at 192
        // coincides with one: 5 pixels 190..194 inverted, the line also XORed.
        QCOMPARE(Rgb(both, 190, 200), Rgb(picture, 190, 200) ^ 0xFFFFFF);
        QCOMPARE(Rgb(both, 194, 200), Rgb(picture, 194, 200) ^ 0xFFFFFF);
        QCOMPARE(Rgb(both, 192, 200), Rgb(picture, 192, 200) ^ 0xFFFFFF ^ 0x808080);
        QCOMPARE(Rgb(both, 195, 200), Rgb(picture, 195, 200));
        QCOMPARE(Rgb(both, 576, 40), Rgb(picture, 576, 40) ^ 0x808080);
        QCOMPARE(Rgb(both, 576, 20), Rgb(picture, 576, 20)); // the bar above the picture
        run.Frame().ExecuteCommand(ID_CROP_DESELECT);
        run.Frame().ExecuteCommand(ID_GRID_OFF);
        QCOMPARE(Differences(Shown(view), picture), 0);
    }
};

VELMO_APP_TEST(ViewScreenshotTest);

} // namespace velmo::test

#include "ViewScreenshotTest.moc"
