// The main window on the sample picture, saved as a build artefact
// (velmo-main-window.png in the build folder): it must show a developed
// picture, not a blank view. The main toolbar alone at scales 1 and 2
// (velmo-main-toolbar.png, velmo-main-toolbar@2x.png): every button shows
// its picture, drawn anew at the higher scale.
#include "app/MainFrame.h"
#include "app/VelmoView.h"
#include "platform/gui/QtMenus.h"
#include "res/ResourceIds.h"
#include "tests/app/AppTest.h"
#include "tests/app/AppTestEnv.h"

#include <QAccessible>
#include <QImage>
#include <QPainter>
#include <QToolButton>
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

    void MainToolBarShowsItsPicturesCrisp()
    {
        AppRun run;
        CommandToolBar& bar = *run.Frame().MainToolBar();
        QCOMPARE(bar.iconSize(), QSize(16, 15));
        QCOMPARE(bar.toolButtonStyle(), Qt::ToolButtonIconOnly);
        // The palettes bar keeps its captions.
        QCOMPARE(run.Frame().PalettesBar()->toolButtonStyle(), Qt::ToolButtonTextOnly);

        for (unsigned id : bar.ButtonIds()) {
            const QString name = QString::number(id);
            QAction* action = bar.ButtonAction(id);
            QVERIFY2(!action->icon().isNull(), qPrintable(name));
            // Tips from the string table; the size modes' are their size captions.
            if (id < ID_SIZE_FULL || id > ID_SIZE_PREVIEW)
                QCOMPARE(action->toolTip(), CommandTip(id));
            // Screen readers find the button by its tip.
            auto* button = qobject_cast<QToolButton*>(bar.widgetForAction(action));
            QVERIFY2(button != nullptr, qPrintable(name));
            QAccessibleInterface* accessible = QAccessible::queryAccessibleInterface(button);
            QVERIFY2(accessible != nullptr && accessible->text(QAccessible::Name) == CommandTip(id), qPrintable(name));

            // Scale 2 gets a picture of twice the pixels, drawn at that size:
            // not the small one enlarged.
            const QImage small = action->icon().pixmap(QSize(16, 15), 1.0).toImage();
            const QImage large = action->icon().pixmap(QSize(16, 15), 2.0).toImage();
            QCOMPARE(small.size(), QSize(16, 15));
            QCOMPARE(large.size(), QSize(32, 30));
            const QImage enlarged = small.scaled(large.size(), Qt::IgnoreAspectRatio, Qt::FastTransformation)
                                        .convertToFormat(large.format());
            int opaque = 0, differing = 0;
            for (int y = 0; y < large.height(); ++y)
                for (int x = 0; x < large.width(); ++x) {
                    opaque += qAlpha(large.pixel(x, y)) > 0 ? 1 : 0;
                    differing += large.pixel(x, y) != enlarged.pixel(x, y) ? 1 : 0;
                }
            QVERIFY2(opaque > 60, qPrintable(name));
            QVERIFY2(differing > 20, qPrintable(name));
        }
        // Buttons without their command show greyed, with a different picture:
        // the JPEG options while the output is a TIFF.
        run.Doc().SetOutputFormat(OutputFormat::Tiff16);
        ProcessEvents(50);
        QAction* jpegOptions = bar.ButtonAction(ID_JPEG_OPTION);
        QVERIFY(!jpegOptions->isEnabled());
        QVERIFY(jpegOptions->icon().pixmap(QSize(16, 15), 1.0, QIcon::Disabled).toImage() !=
                jpegOptions->icon().pixmap(QSize(16, 15), 1.0, QIcon::Normal).toImage());

        ProcessEvents(50);
        for (const qreal scale : {1.0, 2.0}) {
            QPixmap shot(bar.size() * scale);
            shot.setDevicePixelRatio(scale);
            shot.fill(bar.palette().window().color());
            bar.render(&shot);
            const QString file = QStringLiteral(VELMO_BINARY_DIR "/velmo-main-toolbar%1.png")
                                     .arg(scale > 1 ? QStringLiteral("@2x") : QString());
            QVERIFY(shot.toImage().save(file));
            qInfo("screenshot: %s (%dx%d)", qPrintable(file), shot.width(), shot.height());
        }
    }
};

VELMO_APP_TEST(ScreenshotTest);

} // namespace velmo::test

#include "ScreenshotTest.moc"
