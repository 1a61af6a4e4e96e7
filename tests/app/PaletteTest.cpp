// The palettes: the View commands in the tabbed and the classic UI, the
// floating and docked layouts, the dialog font, and shortcuts while a
// palette floats.
#include "app/palettes/PaletteDock.h"
#include "app/VelmoView.h"
#include "params/EditState.h"
#include "platform/gui/DialogFont.h"
#include "platform/gui/QtMenus.h"
#include "res/ResourceIds.h"
#include "tests/app/AppTest.h"
#include "tests/app/AppTestEnv.h"

#include <QStatusBar>
#include <QTest>
#include <QToolBar>

namespace velmo::test {

namespace {

bool Checked(CMainFrame& frame, unsigned id)
{
    CCmdUI ui(id);
    frame.Route().Update(ui);
    return ui.check.value_or(0) != 0;
}

AppRun::Setup UiSetup(int useOldUI)
{
    AppRun::Setup setup;
    setup.presets = [useOldUI](SettingsStore& s) { s.WriteProfileInt(kSettingsSection, "UseOldUI", useOldUI); };
    return setup;
}

} // namespace

class PaletteTest : public QObject {
    Q_OBJECT

private slots:
    void TabbedParametersPaletteStepsThroughItsPages()
    {
        AppRun run(UiSetup(0));
        CMainFrame& frame = run.Frame();
        CPaletteDock* tabbed = frame.Palette(ID_VIEW_PARAMTAB);
        CPaletteDock* classic = frame.Palette(ID_VIEW_PARAMS);
        QVERIFY(!tabbed->isHidden());
        QVERIFY(classic->isHidden());

        frame.ExecuteCommand(ID_HIDE_PALETTES);
        QVERIFY(tabbed->isHidden());
        QVERIFY(!frame.PalettesBar()->isHidden());
        // Hidden -> page 0, then pages 1 to 5, then hidden again.
        struct Step {
            bool shown;
            int page;
            bool paramsChecked;
            bool curveChecked;
        };
        const Step steps[] = {{true, 0, true, false}, {true, 1, true, false}, {true, 2, true, false},
                              {true, 3, false, true}, {true, 4, false, false}, {true, 5, false, false},
                              {false, 5, false, false}};
        for (const Step& s : steps) {
            frame.ExecuteCommand(ID_VIEW_PARAMS);
            QCOMPARE(!tabbed->isHidden(), s.shown);
            if (s.shown)
                QCOMPARE(tabbed->CurrentPage(), s.page);
            QCOMPARE(Checked(frame, ID_VIEW_PARAMS), s.paramsChecked);
            QCOMPARE(Checked(frame, ID_VIEW_FREECURVE), s.curveChecked);
        }
        // The feature palettes' commands open the tabbed palette at their page.
        struct Feature {
            unsigned id;
            int page;
        };
        for (const Feature f : {Feature{ID_VIEW_SELCOLOR, 5}, Feature{ID_VIEW_LENS, 4}, Feature{ID_VIEW_FREECURVE, 3}}) {
            frame.ExecuteCommand(f.id);
            QVERIFY(!tabbed->isHidden());
            QCOMPARE(tabbed->CurrentPage(), f.page);
            QVERIFY(Checked(frame, f.id));
            QVERIFY(frame.Palette(f.id)->isHidden()); // not the classic tool palette
        }
    }

    void ClassicUiTogglesEachPalette()
    {
        AppRun run(UiSetup(1));
        CMainFrame& frame = run.Frame();
        CPaletteDock* classic = frame.Palette(ID_VIEW_PARAMS);
        QVERIFY(!classic->isHidden());
        QVERIFY(frame.Palette(ID_VIEW_PARAMTAB)->isHidden());
        for (unsigned id : {ID_VIEW_PARAMS, ID_VIEW_HISTOGRAM, ID_VIEW_SELCOLOR, ID_VIEW_LENS, ID_VIEW_FREECURVE}) {
            CPaletteDock* p = frame.Palette(id);
            const bool before = !p->isHidden();
            frame.ExecuteCommand(id);
            QCOMPARE(!p->isHidden(), !before);
            QCOMPARE(Checked(frame, id), !before);
            frame.ExecuteCommand(id);
            QCOMPARE(!p->isHidden(), before);
        }
        // The tool palettes never dock.
        QVERIFY(frame.Palette(ID_VIEW_LENS)->isFloating());
        QVERIFY(!frame.Palette(ID_VIEW_LENS)->IsDockable());
    }

    void UseOldUiSwitchesTheParametersPalette()
    {
        AppRun run(UiSetup(0));
        CMainFrame& frame = run.Frame();
        frame.ExecuteCommand(ID_USE_OLD_UI);
        QCOMPARE(run.Doc().Edit().Switch(SwitchId::UseOldUI), 1);
        QVERIFY(Checked(frame, ID_USE_OLD_UI));
        QVERIFY(!frame.Palette(ID_VIEW_PARAMS)->isHidden());
        QVERIFY(frame.Palette(ID_VIEW_PARAMTAB)->isHidden());
        frame.ExecuteCommand(ID_VIEW_LENS);
        QVERIFY(!frame.Palette(ID_VIEW_LENS)->isHidden());
        frame.ExecuteCommand(ID_USE_OLD_UI);
        QCOMPARE(run.Doc().Edit().Switch(SwitchId::UseOldUI), 0);
        QVERIFY(frame.Palette(ID_VIEW_PARAMS)->isHidden());
        QVERIFY(!frame.Palette(ID_VIEW_PARAMTAB)->isHidden());
        QVERIFY(frame.Palette(ID_VIEW_LENS)->isHidden()); // the classic tool palettes go
    }

    // After a feature's command showed its page, "Parameters" shows the
    // parameters again (not the next feature's page).
    void ParametersAfterAFeaturePageShowsTheParameters()
    {
        AppRun run(UiSetup(0));
        CMainFrame& frame = run.Frame();
        CPaletteDock* tabbed = frame.Palette(ID_VIEW_PARAMTAB);
        for (const unsigned feature : {ID_VIEW_FREECURVE, ID_VIEW_LENS, ID_VIEW_SELCOLOR}) {
            frame.ExecuteCommand(feature);
            QVERIFY(Checked(frame, feature));
            frame.ExecuteCommand(ID_VIEW_PARAMS);
            QVERIFY(!tabbed->isHidden());
            QCOMPARE(tabbed->CurrentPage(), 0);
            QVERIFY(Checked(frame, ID_VIEW_PARAMS));
            for (const unsigned other : {ID_VIEW_FREECURVE, ID_VIEW_LENS, ID_VIEW_SELCOLOR})
                QVERIFY(!Checked(frame, other));
            // From there it steps through the pages as before.
            frame.ExecuteCommand(ID_VIEW_PARAMS);
            QCOMPARE(tabbed->CurrentPage(), 1);
        }
    }

    // "[HIDE]" hides every palette; pressed again it brings them back.
    // "[RESET]" puts moved, floated and hidden palettes back in place.
    void HideTogglesAndResetRestoresThePalettes()
    {
        for (const int oldUi : {0, 1}) {
            AppRun run(UiSetup(oldUi));
            CMainFrame& frame = run.Frame();
            ProcessEvents();
            std::vector<unsigned> shown;
            for (unsigned id = ID_VIEW_PALETTE_FIRST; id < ID_VIEW_PALETTE_LAST; ++id)
                if (CPaletteDock* p = frame.Palette(id); p != nullptr && !p->isHidden())
                    shown.push_back(id);
            QVERIFY(shown.size() >= 5);
            frame.ExecuteCommand(ID_HIDE_PALETTES);
            for (unsigned id : shown)
                QVERIFY(frame.Palette(id)->isHidden());
            QVERIFY(!frame.PalettesBar()->isHidden());
            frame.ExecuteCommand(ID_HIDE_PALETTES);
            for (unsigned id : shown)
                QVERIFY2(!frame.Palette(id)->isHidden(), qPrintable(QString::number(id)));

            CPaletteDock* histogram = frame.Palette(ID_VIEW_HISTOGRAM);
            CPaletteDock* magnifier = frame.Palette(ID_VIEW_MAGNIFIER);
            histogram->setFloating(true);
            histogram->move(histogram->pos() + QPoint(40, 40));
            frame.ExecuteCommand(ID_VIEW_MAGNIFIER);
            QVERIFY(magnifier->isHidden());
            frame.removeDockWidget(frame.Palette(ID_VIEW_EXIF));
            ProcessEvents();
            frame.ExecuteCommand(ID_RESET_PALETTES);
            ProcessEvents();
            for (unsigned id : {ID_VIEW_HISTOGRAM, ID_VIEW_MAGNIFIER, ID_VIEW_CURVE, ID_VIEW_EXIF}) {
                CPaletteDock* p = frame.Palette(id);
                QVERIFY2(!p->isHidden() && !p->isFloating(), qPrintable(QString::number(id)));
                QCOMPARE(frame.dockWidgetArea(p), Qt::BottomDockWidgetArea);
            }
            // On one row, left to right.
            QVERIFY(histogram->geometry().right() < magnifier->geometry().left());
            QCOMPARE(histogram->geometry().top(), magnifier->geometry().top());
            QCOMPARE(frame.GetActiveView()->size(), QSize(512, 384));
        }
    }

    void FloatingAndDockedLayouts()
    {
        AppRun run(UiSetup(0));
        CMainFrame& frame = run.Frame();
        const QSize docked = frame.size();
        frame.ExecuteCommand(ID_FLOAT_PALETTES);
        ProcessEvents();
        QVERIFY(frame.FloatingPalettes());
        QVERIFY(Checked(frame, ID_FLOAT_PALETTES));
        for (unsigned id : {ID_VIEW_HISTOGRAM, ID_VIEW_MAGNIFIER, ID_VIEW_CURVE, ID_VIEW_EXIF, ID_VIEW_PARAMTAB}) {
            QVERIFY(frame.Palette(id)->isFloating());
            QVERIFY(!frame.Palette(id)->isHidden());
        }
        QVERIFY(frame.Palette(ID_VIEW_PARAMS)->isHidden()); // one parameters palette only
        QCOMPARE(frame.GetActiveView()->size(), QSize(512, 384));
        QVERIFY(frame.size().height() < docked.height()); // the palette row left the window

        frame.ExecuteCommand(ID_FLOAT_PALETTES);
        ProcessEvents();
        QVERIFY(!frame.FloatingPalettes());
        for (unsigned id : {ID_VIEW_HISTOGRAM, ID_VIEW_MAGNIFIER, ID_VIEW_CURVE, ID_VIEW_EXIF, ID_VIEW_PARAMTAB}) {
            QVERIFY(!frame.Palette(id)->isFloating());
            QVERIFY(!frame.Palette(id)->isHidden());
        }
        QCOMPARE(frame.dockWidgetArea(frame.Palette(ID_VIEW_PARAMTAB)), Qt::RightDockWidgetArea);
        QCOMPARE(frame.dockWidgetArea(frame.Palette(ID_VIEW_HISTOGRAM)), Qt::BottomDockWidgetArea);
        QCOMPARE(frame.GetActiveView()->size(), QSize(512, 384));

        // The palettes ask for a layout by a posted request.
        frame.PostPaletteLayout(false);
        QVERIFY(!frame.FloatingPalettes());
        ProcessEvents();
        QVERIFY(frame.FloatingPalettes());
        QVERIFY(frame.Palette(ID_VIEW_EXIF)->isFloating());
    }

    void FontChangeKeepsThePalettesAndTheirState()
    {
        AppRun::Setup setup = UiSetup(0);
        setup.presets = [](SettingsStore& s) {
            s.WriteProfileString(kSettingsSection, "FontName", "DejaVu Serif");
            s.WriteProfileInt(kSettingsSection, "FontSize", 14);
        };
        AppRun run(setup);
        CMainFrame& frame = run.Frame();
        QVERIFY(!Checked(frame, ID_FONT_NORMAL));
        QCOMPARE(frame.Palette(ID_VIEW_HISTOGRAM)->widget()->font().pointSize(), 14);
        CPaletteDock* magnifier = frame.Palette(ID_VIEW_MAGNIFIER);
        frame.ExecuteCommand(ID_MAGNIFIER_ZOOM1 + 3);
        frame.ExecuteCommand(ID_HISTOGRAM_SOURCE_FIRST + 2);
        frame.ExecuteCommand(ID_FONT_NORMAL);
        // The same palettes, with what they held.
        QCOMPARE(frame.Palette(ID_VIEW_MAGNIFIER), magnifier);
        QVERIFY(Checked(frame, ID_MAGNIFIER_ZOOM1 + 3));
        QVERIFY(Checked(frame, ID_HISTOGRAM_SOURCE_FIRST + 2));
        QVERIFY(Checked(frame, ID_FONT_NORMAL));
        QCOMPARE(DialogFont().pointSize, 0);
        const QFont system = ResolveDialogFont({});
        QCOMPARE(frame.Palette(ID_VIEW_HISTOGRAM)->widget()->font().family(), system.family());
        QCOMPARE(frame.Palette(ID_VIEW_HISTOGRAM)->widget()->font().pointSize(), system.pointSize());
        frame.chooseFont = [](const DialogFontSetting&) { return DialogFontSetting{"DejaVu Sans", 10}; };
        frame.ExecuteCommand(ID_FONT_CHOOSE);
        QCOMPARE(frame.Palette(ID_VIEW_MAGNIFIER)->widget()->font().pointSize(), 10);
        QVERIFY(!frame.Palette(ID_VIEW_MAGNIFIER)->isHidden());
        DialogFont() = {};
    }

    void ShortcutsWorkWhileAPaletteFloats()
    {
        TempDir dir;
        AppRun::Setup setup = UiSetup(1);
        setup.arguments = {WriteSmallRaf(dir.path(), "DSCF0006.RAF")};
        AppRun run(setup);
        CMainFrame& frame = run.Frame();
        frame.ExecuteCommand(ID_VIEW_LENS);
        CPaletteDock* lens = frame.Palette(ID_VIEW_LENS);
        QVERIFY(lens->isFloating());
        lens->activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(lens));

        const int defaultContrast = run.Doc().Edit().Params().contrast;
        run.Doc().Edit().SetField(ParamField::contrast, defaultContrast + 33);
        QTest::keyClick(lens, Qt::Key_R, Qt::ControlModifier); // "R&eset\tCtrl+R"
        QCOMPARE(run.Doc().Edit().Params().contrast, defaultContrast);
    }
};

VELMO_APP_TEST(PaletteTest);

} // namespace velmo::test

#include "PaletteTest.moc"
