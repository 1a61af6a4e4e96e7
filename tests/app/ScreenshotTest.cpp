// The main window on the sample picture, saved as a build artefact
// (velmo-main-window.png in the build folder): it must show a developed
// picture, not a blank view.
#include "app/VelmoView.h"
#include "tests/app/AppTest.h"
#include "tests/app/AppTestEnv.h"

#include <QImage>
#include <QPixmap>
#include <QTest>

#include <cmath>
#include <set>

namespace velmo::test {

class ScreenshotTest : public QObject {
    Q_OBJECT

private slots:
    void MainWindowShowsTheDevelopedSample()
    {
        TempDir dir;
        const std::string sample = SampleRafPath(dir.path());
        QVERIFY(!sample.empty());
        AppRun::Setup setup;
        setup.arguments = {sample};
        AppRun run(setup);
        QVERIFY(run.Doc().HasImage());
        CVelmoView& view = *run.Frame().GetActiveView();
        // The full preview comes from the worker; the small one is shown until then.
        for (int i = 0; i < 200 && !view.HasFullSizeBitmap(); ++i)
            ProcessEvents(50);
        ProcessEvents(100);

        const QImage window = run.Frame().grab().toImage();
        const QString file = QStringLiteral(VELMO_BINARY_DIR "/velmo-main-window.png");
        QVERIFY(window.save(file));
        qInfo("screenshot: %s (%dx%d)", qPrintable(file), window.width(), window.height());

        // The view's part of the window: many colours, real contrast.
        const QImage picture = view.grab().toImage().convertToFormat(QImage::Format_RGB32);
        QCOMPARE(picture.size(), QSize(512, 384));
        std::set<QRgb> colours;
        double sum = 0, squares = 0;
        for (int y = 0; y < picture.height(); y += 2)
            for (int x = 0; x < picture.width(); x += 2) {
                const QRgb p = picture.pixel(x, y);
                colours.insert(p);
                const double l = 0.3 * qRed(p) + 0.59 * qGreen(p) + 0.11 * qBlue(p);
                sum += l;
                squares += l * l;
            }
        const double n = double(picture.width() / 2) * (picture.height() / 2);
        const double mean = sum / n;
        const double deviation = std::sqrt(std::max(0.0, squares / n - mean * mean));
        qInfo("colours %zu, mean %.1f, deviation %.1f", colours.size(), mean, deviation);
        QVERIFY(colours.size() > 200);
        QVERIFY(mean > 20 && mean < 235);
        QVERIFY(deviation > 15);
    }
};

VELMO_APP_TEST(ScreenshotTest);

} // namespace velmo::test

#include "ScreenshotTest.moc"
