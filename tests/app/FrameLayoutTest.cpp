// The frame's layout: the view at every preview size and rotation, the fit
// on a small desktop, full mode and zoom, the stored window position, and
// the layout kept across a restart.
#include "app/CommandValues.h"
#include "app/palettes/PaletteDock.h"
#include "app/VelmoView.h"
#include "platform/gui/QtMenus.h"
#include "res/ResourceIds.h"
#include "tests/app/AppTest.h"
#include "tests/app/AppTestEnv.h"

#include <QAction>
#include <QLabel>
#include <QStatusBar>
#include <QTest>
#include <QWindow>

#include <algorithm>

#include <cstring>

namespace velmo::test {

namespace {

// Records the order of the Show events of the frame and its palettes.
class ShowOrder final : public QObject {
public:
    bool eventFilter(QObject* watched, QEvent* event) override
    {
        if (event->type() == QEvent::Show &&
            (qobject_cast<QMainWindow*>(watched) != nullptr || dynamic_cast<CPaletteDock*>(watched) != nullptr))
            shown.push_back(watched);
        return false;
    }
    int First(const QObject* o) const
    {
        const auto at = std::find(shown.begin(), shown.end(), o);
        return at == shown.end() ? -1 : int(at - shown.begin());
    }
    int Last(const QObject* o) const
    {
        const auto at = std::find(shown.rbegin(), shown.rend(), o);
        return at == shown.rend() ? -1 : int(shown.rend() - at) - 1;
    }

private:
    std::vector<const QObject*> shown;
};

std::vector<uint8_t> RectBytes(int32_t left, int32_t top, int32_t right, int32_t bottom)
{
    const int32_t v[4] = {left, top, right, bottom};
    std::vector<uint8_t> bytes(16);
    std::memcpy(bytes.data(), v, 16);
    return bytes;
}

} // namespace

class FrameLayoutTest : public QObject {
    Q_OBJECT

private slots:
    void ViewHasThePreviewSizeForEverySizeAndRotation()
    {
        AppRun run;
        CMainFrame& frame = run.Frame();
        CVelmoView& view = *frame.GetActiveView();
        struct Case {
            int size;
            QSize landscape;
        };
        const Case cases[] = {{0, {512, 384}}, {1, {768, 576}}, {2, {1024, 768}},
                              {3, {256, 192}}, {4, {170, 128}}, {5, {128, 96}}};
        for (int rotate = 0; rotate <= 2; ++rotate)
            for (const Case& c : cases) {
                run.Doc().Edit().SetField(ParamField::rotate, rotate);
                frame.ExecuteCommand(ID_PREVIEW_SIZE_FIRST + unsigned(c.size));
                ProcessEvents();
                const QSize expected = rotate ? c.landscape.transposed() : c.landscape;
                QCOMPARE(frame.PreviewSizeIndex(), c.size);
                QCOMPARE(view.size(), expected);
                QCOMPARE(QSize(view.DisplayWidth(), view.DisplayHeight()), expected);
                // The pass is idempotent: again, nothing moves.
                const QRect before = frame.geometry();
                frame.RecalcLayout();
                frame.RecalcLayout();
                ProcessEvents();
                QCOMPARE(view.size(), expected);
                QCOMPARE(frame.geometry(), before);
                // The frame holds the view: nothing of it is cut off.
                QVERIFY(frame.rect().contains(QRect(view.mapTo(&frame, QPoint(0, 0)), view.size())));
            }
        run.Doc().Edit().SetField(ParamField::rotate, 0);
    }

    void LargePreviewOnASmallDesktopMovesToTheCornerAndFits()
    {
        AppRun::Setup setup;
        setup.desktop = [] { return QRect(0, 0, 1024, 700); };
        setup.presets = [](SettingsStore& s) { s.WriteProfileInt(kSettingsSection, "PreviewSize", 2); };
        AppRun run(setup);
        CMainFrame& frame = run.Frame();
        frame.move(200, 100);
        frame.RecalcLayout();
        ProcessEvents();
        QCOMPARE(frame.frameGeometry().topLeft(), QPoint(0, 0));
        QVERIFY(frame.frameGeometry().width() <= 1024);
        QVERIFY(frame.frameGeometry().height() <= 700);
        CVelmoView& view = *frame.GetActiveView();
        QVERIFY(view.height() < 768);
        // The picture keeps its size; the view scrolls over it.
        QCOMPARE(QSize(view.DisplayWidth(), view.DisplayHeight()), QSize(1024, 768));
    }

    void StoredPreviewSizeOutOfRangeCountsAsZero()
    {
        for (int stored : {-1, 6, 9, 1000}) {
            AppRun::Setup setup;
            setup.presets = [stored](SettingsStore& s) { s.WriteProfileInt(kSettingsSection, "PreviewSize", stored); };
            AppRun run(setup);
            QCOMPARE(run.Frame().PreviewSizeIndex(), 0);
            QCOMPARE(run.Frame().GetActiveView()->size(), QSize(512, 384));
        }
    }

    void FullModeFitsTheWindowAndZoomFollowsTheOutputSize()
    {
        TempDir dir;
        AppRun::Setup setup;
        setup.arguments = {WriteSmallRaf(dir.path(), "DSCF0004.RAF")};
        AppRun run(setup);
        CMainFrame& frame = run.Frame();
        CVelmoView& view = *frame.GetActiveView();
        QVERIFY(!run.Frame().Route().IsEnabled(ID_ZOOM_100)); // only in full mode

        frame.ExecuteCommand(ID_ZOOM_FREE);
        QVERIFY(frame.IsFullMode());
        QVERIFY(frame.Route().IsEnabled(ID_ZOOM_100));
        frame.resize(1300, 1000);
        ProcessEvents();
        const QSize client = view.size();
        const int width = std::min(client.width(), client.height() * 4 / 3);
        QCOMPARE(view.DisplayWidth(), (width + 3) & ~3);
        QCOMPARE(view.DisplayHeight(), width * 3 / 4);
        QVERIFY(view.width() > 512);

        frame.ExecuteCommand(ID_ZOOM_100);
        QCOMPARE(frame.ZoomPercent(), 100);
        int w = 0, h = 0;
        std::sscanf(run.Doc().FormatOutputSize(std::nullopt, nullptr, 2).c_str(), "%dx%d", &w, &h);
        QCOMPARE(QSize(view.DisplayWidth(), view.DisplayHeight()), QSize(w, h));
        frame.ExecuteCommand(ID_ZOOM_200);
        QCOMPARE(QSize(view.DisplayWidth(), view.DisplayHeight()), QSize(w * 2, h * 2));

        // A preview size leaves full mode and the fixed size returns.
        frame.ExecuteCommand(ID_PREVIEW_SIZE_FIRST);
        ProcessEvents();
        QVERIFY(!frame.IsFullMode());
        QCOMPARE(view.size(), QSize(512, 384));
        QCOMPARE(frame.minimumSize(), frame.size()); // the normal size again
    }

    void WindowManagerMayMaximiseAndAMaximiseEntersFullMode()
    {
        TempDir dir;
        AppRun::Setup setup;
        setup.arguments = {WriteSmallRaf(dir.path(), "DSCF0006.RAF")};
        AppRun run(setup);
        CMainFrame& frame = run.Frame();
        CVelmoView& view = *frame.GetActiveView();
        QWindow* window = frame.windowHandle();
        QVERIFY(window != nullptr);
        // What the window manager reads: the caption's buttons from the
        // window flags, and the size constraints. It offers maximise only
        // when the maximum lies above the minimum.
        for (const Qt::WindowType hint : {Qt::WindowTitleHint, Qt::WindowSystemMenuHint, Qt::WindowMinimizeButtonHint,
                                          Qt::WindowMaximizeButtonHint, Qt::WindowCloseButtonHint})
            QVERIFY2(window->flags().testFlag(hint), qPrintable(QString::number(int(hint), 16)));
        QVERIFY(!frame.IsFullMode());
        QCOMPARE(window->minimumSize(), frame.size()); // the normal size is the least
        QVERIFY(window->maximumSize().width() > frame.width() && window->maximumSize().height() > frame.height());

        // The window manager maximises: full mode, and the frame stays maximised.
        window->setWindowStates(Qt::WindowMaximized);
        ProcessEvents(20);
        QVERIFY(frame.IsFullMode());
        QVERIFY(frame.isMaximized());
        QVERIFY(frame.statusBar()->isSizeGripEnabled());
        QCOMPARE(view.DisplayWidth(), (std::min(view.width(), view.height() * 4 / 3) + 3) & ~3);

        // A preview size leaves it: the window is restored to the size that
        // shows the preview, and may be maximised again.
        frame.ExecuteCommand(ID_PREVIEW_SIZE_FIRST);
        ProcessEvents(20);
        QVERIFY(!frame.IsFullMode());
        QVERIFY(!frame.isMaximized());
        QCOMPARE(view.size(), QSize(512, 384));
        QCOMPARE(window->minimumSize(), frame.size());
        QVERIFY(window->maximumSize().width() > frame.width() && window->maximumSize().height() > frame.height());
    }

    void TurningToPortraitKeepsTheFrameOnTheDesktop()
    {
        const QRect desktop(0, 0, 1600, 1000);
        TempDir dir;
        AppRun::Setup setup;
        setup.desktop = [desktop] { return desktop; };
        setup.arguments = {WriteSmallRaf(dir.path(), "DSCF0007.RAF")};
        AppRun run(setup);
        CMainFrame& frame = run.Frame();
        // Near the desktop's lower right corner.
        const QSize before = frame.frameGeometry().size();
        frame.move(desktop.right() - before.width() - 20, desktop.bottom() - before.height() - 10);
        ProcessEvents(20);
        QVERIFY(desktop.contains(frame.frameGeometry()));
        const int left = frame.frameGeometry().left();

        frame.ExecuteCommand(ID_ROTATE_RIGHT);
        ProcessEvents(20);
        QCOMPARE(frame.GetActiveView()->size(), QSize(384, 512));
        QVERIFY(frame.frameGeometry().height() > before.height());
        const auto describe = [&frame] {
            const QRect r = frame.frameGeometry();
            return QStringLiteral("%1,%2 %3x%4").arg(r.left()).arg(r.top()).arg(r.width()).arg(r.height());
        };
        QVERIFY2(desktop.contains(frame.frameGeometry()), qPrintable(describe()));
        QCOMPARE(frame.frameGeometry().left(), left); // moved up only, as far as needed
        QCOMPARE(frame.frameGeometry().bottom(), desktop.bottom());
        frame.ExecuteCommand(ID_ROTATE_NONE);
        ProcessEvents(20);
        QVERIFY2(desktop.contains(frame.frameGeometry()), qPrintable(describe()));
    }

    void FloatingPalettesStayToolWindowsAboveTheFrameAfterARestart()
    {
        TempDir dir;
        AppRun::Setup setup;
        setup.settingsPath = dir.File("Velmo.ini");
        {
            AppRun run(setup);
            run.Frame().ExecuteCommand(ID_FLOAT_PALETTES);
            QVERIFY(run.Frame().FloatingPalettes());
            run.Quit();
        }
        // The order in which the frame and the palettes go on screen: a
        // window manager keeps a tool window above its frame when the frame
        // was there first.
        ShowOrder order;
        QCoreApplication::instance()->installEventFilter(&order);
        AppRun run(setup);
        ProcessEvents(50);
        QCoreApplication::instance()->removeEventFilter(&order);
        CMainFrame& frame = run.Frame();
        QVERIFY(frame.FloatingPalettes());
        const int frameShown = order.First(&frame);
        QVERIFY(frameShown >= 0);
        for (const unsigned id : {ID_VIEW_PARAMTAB, ID_VIEW_HISTOGRAM, ID_VIEW_MAGNIFIER, ID_VIEW_CURVE, ID_VIEW_EXIF}) {
            CPaletteDock* palette = frame.Palette(id);
            const QByteArray name = palette->objectName().toUtf8();
            QVERIFY2(palette->isFloating() && palette->isVisible(), name);
            QVERIFY2(palette->windowType() == Qt::Tool, name);
            QVERIFY2(palette->windowHandle() != nullptr && palette->windowHandle()->transientParent() ==
                                                                frame.windowHandle(),
                     name);
            QVERIFY2(order.Last(palette) > frameShown, name);
        }
    }

    void StoredWindowPositionIsCheckedAgainstTheScreens()
    {
        const std::vector<QRect> screens = {QRect(0, 0, 1920, 1200), QRect(1920, 0, 1280, 1024)};
        struct Case {
            const char* name;
            std::vector<uint8_t> bytes;
            std::optional<QRect> result;
        };
        std::vector<uint8_t> twelve(12, 0);
        const Case cases[] = {
            {"on the first screen", RectBytes(100, 80, 900, 680), QRect(100, 80, 800, 600)},
            {"on the second screen", RectBytes(2000, 100, 2800, 700), QRect(2000, 100, 800, 600)},
            {"wrong length", twelve, std::nullopt},
            {"empty", RectBytes(100, 100, 100, 100), std::nullopt},
            {"reversed", RectBytes(900, 680, 100, 80), std::nullopt},
            {"absurd", RectBytes(0, 0, 2000000000, 100), std::nullopt},
            {"off to the right", RectBytes(9000, 100, 9800, 700), QRect(2400, 100, 800, 600)},
            {"above every screen", RectBytes(100, -5000, 900, -4400), QRect(100, 0, 800, 600)},
            {"larger than the screen", RectBytes(-8000, -8000, -4000, -5000), QRect(0, 0, 1920, 1200)},
        };
        for (const Case& c : cases) {
            const std::optional<QRect> got = WindowPositionFromBytes(c.bytes, screens);
            QVERIFY2(got.has_value() == c.result.has_value(), c.name);
            if (got)
                QVERIFY2(*got == *c.result, c.name);
        }
    }

    void LayoutSurvivesARestart()
    {
        TempDir dir;
        const std::string settings = dir.File("Velmo.ini");
        QRect placed;
        {
            AppRun::Setup setup;
            setup.settingsPath = settings;
            AppRun run(setup);
            CMainFrame& frame = run.Frame();
            frame.ExecuteCommand(ID_PREVIEW_SIZE_FIRST + 1);
            frame.ExecuteCommand(ID_VIEW_HISTOGRAM); // hide it
            frame.ExecuteCommand(ID_VIEW_EXIF);
            frame.move(150, 90);
            ProcessEvents();
            QVERIFY(frame.Palette(ID_VIEW_HISTOGRAM)->isHidden());
            placed = frame.geometry();
            run.Quit();
        }
        AppRun::Setup setup;
        setup.settingsPath = settings;
        AppRun run(setup);
        CMainFrame& frame = run.Frame();
        ProcessEvents();
        QCOMPARE(frame.PreviewSizeIndex(), 1);
        QCOMPARE(frame.GetActiveView()->size(), QSize(768, 576));
        QVERIFY(frame.Palette(ID_VIEW_HISTOGRAM)->isHidden());
        QVERIFY(frame.Palette(ID_VIEW_EXIF)->isHidden());
        QVERIFY(!frame.Palette(ID_VIEW_MAGNIFIER)->isHidden());
        QCOMPARE(frame.geometry().topLeft(), placed.topLeft());
        QCOMPARE(frame.geometry().size(), placed.size());
    }

    // The program ending with its window still on screen (no close first):
    // the frame's destruction closes the window and hides the palettes, and
    // their visibility signals must not reach the frame half destroyed (an
    // error of the sanitizer build), docked, tabbed or floating.
    void ShutdownWithTheWindowAndPalettesOnScreen()
    {
        for (const bool floating : {false, true}) {
            AppRun::Setup setup;
            setup.presets = [floating](SettingsStore& s) {
                s.WriteProfileInt(kSettingsSection, "FlaotPalettes", floating ? 1 : 0);
            };
            AppRun run(setup);
            CMainFrame& frame = run.Frame();
            for (const unsigned id : {ID_VIEW_SELCOLOR, ID_VIEW_LENS, ID_VIEW_FREECURVE})
                frame.Palette(id)->show();
            // Two docked palettes in one tabbed group, as a drag makes them.
            if (!floating)
                frame.tabifyDockWidget(frame.Palette(ID_VIEW_EXIF), frame.Palette(ID_VIEW_CURVE));
            ProcessEvents();
            for (const unsigned id : {ID_VIEW_SELCOLOR, ID_VIEW_LENS, ID_VIEW_FREECURVE, ID_VIEW_HISTOGRAM}) {
                QVERIFY(frame.Palette(id)->isVisible());
                QCOMPARE(frame.Palette(id)->isFloating(), floating || id != ID_VIEW_HISTOGRAM);
            }
            run.FinishShutdown();
        }
    }

    void LayoutOfAnotherVersionIsReplacedByTheDefault()
    {
        TempDir dir;
        const std::string settings = dir.File("Velmo.ini");
        {
            AppRun::Setup setup;
            setup.settingsPath = settings;
            AppRun run(setup);
            run.Frame().ExecuteCommand(ID_VIEW_HISTOGRAM);
            run.Frame().ExecuteCommand(ID_ZOOM_FREE);
            run.Quit();
        }
        PresetSettings(settings, [](SettingsStore& s) { s.WriteProfileString(kSettingsSection, "FrameVer", "older"); });
        AppRun::Setup setup;
        setup.settingsPath = settings;
        AppRun run(setup);
        QVERIFY(!run.Frame().Palette(ID_VIEW_HISTOGRAM)->isHidden());
        QVERIFY(!run.Frame().IsFullMode()); // the stored full mode is not applied
        QCOMPARE(run.Frame().GetActiveView()->size(), QSize(512, 384));
    }

    void SizePaneShowsTheOutputSize()
    {
        TempDir dir;
        AppRun::Setup setup;
        setup.arguments = {WriteSmallRaf(dir.path(), "DSCF0005.RAF")};
        AppRun run(setup);
        QCOMPARE(run.Frame().SizePane()->text().toStdString(), run.Doc().FormatOutputSize(std::nullopt, nullptr, 2));
        QVERIFY(run.Frame().SizePane()->text() != QStringLiteral("0000x0000"));
        // The size-mode buttons tell the size each would give.
        run.Frame().UpdateToolBars();
        for (unsigned id = ID_SIZE_FULL; id <= ID_SIZE_PREVIEW; ++id)
            QCOMPARE(run.Frame().MainToolBar()->ButtonAction(id)->toolTip().toStdString(),
                     run.Doc().FormatOutputSize(OutputScaleOfCommand(id), nullptr, 0));
    }
};

VELMO_APP_TEST(FrameLayoutTest);

} // namespace velmo::test

#include "FrameLayoutTest.moc"
