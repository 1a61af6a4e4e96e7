// Screenshots of the main window on the developed sample with the tabbed
// parameters palette (and each of its pages), and with "Use old UI" the
// classic one, at the system font and at a large dialog font
// (velmo-params-*.png in the build folder).
// The palette holds the camera family's defaults, nothing in it is
// clipped, and a slider moved with the mouse changes the preview.
#include "app/VelmoView.h"
#include "app/palettes/ParamBar.h"
#include "app/palettes/ParamTabBar.h"
#include "document/VelmoDoc.h"
#include "params/EditState.h"
#include "platform/gui/DialogFont.h"
#include "platform/gui/TrackBar.h"
#include "res/ResourceIds.h"
#include "tests/app/AppTest.h"
#include "tests/app/AppTestEnv.h"
#include "tests/app/dialogs/DialogTestUtil.h"

#include <QImage>
#include <QLineEdit>
#include <QScrollArea>
#include <QTest>

#include <cstring>

namespace velmo::test {

namespace {

struct ScreenshotCase {
    int useOldUI;
    const char* fontName;
    int fontSize;
    const char* file;
};

QImage ViewPicture(CVelmoView& view)
{
    return view.viewport()->grab().toImage().convertToFormat(QImage::Format_RGB32);
}

} // namespace

class ParamScreenshotTest : public QObject {
    Q_OBJECT

private slots:
    void PaletteBesideTheDevelopedPreview()
    {
        const ScreenshotCase cases[] = {
            {0, "", 0, "velmo-params-tabbed-default.png"},
            {0, "DejaVu Serif", 14, "velmo-params-tabbed-large.png"},
            {1, "", 0, "velmo-params-classic-default.png"},
            {1, "DejaVu Serif", 14, "velmo-params-classic-large.png"},
        };
        for (const ScreenshotCase& k : cases) {
            TempDir dir;
            AppRun::Setup setup;
            setup.arguments = {SampleRafPath(dir.path())};
            setup.presets = [k](SettingsStore& s) {
                s.WriteProfileInt(kSettingsSection, "UseOldUI", k.useOldUI);
                s.WriteProfileString(kSettingsSection, "FontName", k.fontName);
                s.WriteProfileInt(kSettingsSection, "FontSize", k.fontSize);
                s.WriteProfileInt(kSettingsSection, "CurrentPane", 1);
            };
            AppRun run(setup);
            QVERIFY(run.Doc().HasImage());
            CMainFrame& frame = run.Frame();
            frame.resize(1400, 1000);
            CVelmoView& view = *frame.GetActiveView();
            ProcessEvents(100);

            CPaletteDock* dock = frame.Palette(k.useOldUI ? ID_VIEW_PARAMS : ID_VIEW_PARAMTAB);
            QVERIFY(dock->isVisible());
            CParamControls& controls = k.useOldUI ? dynamic_cast<CParamBar*>(dock)->Controls()
                                                  : dynamic_cast<CParamTabBar*>(dock)->Controls();
            // The family's defaults are what the palette shows.
            const DevParams p = run.Doc().Edit().Params();
            QCOMPARE(controls.Unit(ParamField::contrast)->Edit()->text(), QString::number(p.contrast));
            QCOMPARE(controls.Unit(ParamField::saturation)->Edit()->text(), QString::number(p.saturation - 100));

            const QStringList clipped = ClippedControls(*dock->widget());
            QVERIFY2(clipped.isEmpty(), qPrintable(clipped.join(QStringLiteral("; "))));
            // The palette fits its dock: no page wider than what the dock shows.
            for (QScrollArea* scroll : dock->widget()->findChildren<QScrollArea*>())
                if (scroll->isVisible() && scroll->widget() != nullptr)
                    QVERIFY2(scroll->widget()->width() <= scroll->viewport()->width() + 1, k.file);

            const QImage before = ViewPicture(view);
            TrackBar* slider = controls.Unit(ParamField::saturation)->Slider();
            QVERIFY(slider->isVisible());
            const QPoint thumb = slider->ThumbRect().center();
            const QPoint to(slider->width() - 2, thumb.y());
            QTest::mousePress(slider, Qt::LeftButton, {}, thumb);
            QTest::mouseMove(slider, to);
            QTest::mouseRelease(slider, Qt::LeftButton, {}, to);
            ProcessEvents(50);
            QVERIFY(run.Doc().Edit().Params().saturation > p.saturation);
            const QImage after = ViewPicture(view);
            QVERIFY2(after != before, "the preview did not follow the slider");

            const QImage shot = frame.grab().toImage();
            const QString file = QStringLiteral(VELMO_BINARY_DIR "/") + QLatin1String(k.file);
            qInfo("screenshot: %s (%dx%d)", qPrintable(file), shot.width(), shot.height());
            QVERIFY(shot.save(file));

            // The other pages of the tabbed palette, each unclipped: the
            // parameters and the curve, lens and colour editors (switched on).
            if (k.useOldUI == 0) {
                auto* tabbed = dynamic_cast<CParamTabBar*>(dock);
                for (FeatureKind f : {FeatureKind::FreeCurve, FeatureKind::LensCorrection, FeatureKind::SelectiveColors})
                    run.Doc().Edit().SetFeature(f, true);
                for (const int page : {0, 2, 3, 4, 5}) {
                    tabbed->ShowPage(page);
                    ProcessEvents(20);
                    const QStringList pageClipped = ClippedControls(*tabbed->Page(page));
                    QVERIFY2(pageClipped.isEmpty(), qPrintable(pageClipped.join(QStringLiteral("; "))));
                    QString name = QLatin1String(k.file);
                    name.replace(QStringLiteral(".png"), QStringLiteral("-page%1.png").arg(page));
                    QVERIFY(dock->grab().save(QStringLiteral(VELMO_BINARY_DIR "/") + name));
                }
            }
        }
    }
};

VELMO_APP_TEST(ParamScreenshotTest);

} // namespace velmo::test

#include "ParamScreenshotTest.moc"
