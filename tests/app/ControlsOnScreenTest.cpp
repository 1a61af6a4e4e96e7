// What the palettes show on screen while a photographer works: buttons
// whose command cannot run look greyed, the wheel over a slider without the
// keyboard focus scrolls the page instead of editing, a typed value survives
// a click on another slider's thumb, a value set through the accessibility
// interface develops like any edit, and a caption greys with its controls.
// Each looks at the window's backing store (OnScreen) once the events ran
// (Shown).
#include "app/VelmoView.h"
#include "app/palettes/PaletteDock.h"
#include "document/VelmoDoc.h"
#include "params/EditState.h"
#include "platform/gui/ControlIds.h"
#include "platform/gui/TrackBar.h"
#include "res/ResourceIds.h"
#include "tests/app/AppTest.h"
#include "tests/app/AppTestEnv.h"

#include <QAccessible>
#include <QAccessibleValueInterface>
#include <QApplication>
#include <QLabel>
#include <QLineEdit>
#include <QScrollArea>
#include <QScrollBar>
#include <QTest>
#include <QWheelEvent>

namespace velmo::test {

namespace {

// What the screen shows of w once the pending events and paints ran.
QImage Shown(const QWidget* w)
{
    ProcessEvents(50);
    return OnScreen(w);
}

// The program on the sample picture, the tabbed palette showing `page`.
struct PictureRun {
    TempDir dir;
    std::unique_ptr<AppRun> run;
    CPaletteDock* tabbed = nullptr;

    explicit PictureRun(int page, QSize size = QSize(1400, 1000))
    {
        AppRun::Setup setup;
        setup.arguments = {SampleRafPath(dir.path())};
        run = std::make_unique<AppRun>(setup);
        run->Frame().resize(size);
        tabbed = run->Frame().Palette(ID_VIEW_PARAMTAB);
        tabbed->ShowPage(page);
        Settle();
    }
    // Until the background worker built the full preview and the view shows
    // it: the picture then changes only with an edit.
    void Settle()
    {
        QTRY_VERIFY_WITH_TIMEOUT(Doc().WorkerIdle() && Doc().FullPreview() != nullptr, 20000);
        ProcessEvents(100);
    }
    CVelmoDoc& Doc() { return run->Doc(); }
    CMainFrame& Frame() { return run->Frame(); }
    QWidget* Control(unsigned id) { return FindControl(tabbed->widget(), id); }
    // Scrolls the palette's page until w shows.
    void Reveal(QWidget* w)
    {
        for (QWidget* a = w->parentWidget(); a != nullptr; a = a->parentWidget())
            if (auto* scroll = qobject_cast<QScrollArea*>(a)) {
                scroll->ensureWidgetVisible(w);
                break;
            }
        ProcessEvents(50);
    }
    QImage Picture() { return Shown(Frame().GetActiveView()->viewport()); }
};

// A wheel turn over target; whether target took it.
bool Wheel(QWidget* target, int steps)
{
    const QPointF at = QRectF(target->rect()).center();
    QWheelEvent wheel(at, target->mapToGlobal(at), QPoint(), QPoint(0, 120 * steps), Qt::NoButton, Qt::NoModifier,
                      Qt::NoScrollPhase, false);
    QApplication::sendEvent(target, &wheel);
    return wheel.isAccepted();
}

// The caption of a value control: the label whose buddy is its edit.
QLabel* CaptionOf(QWidget* edit)
{
    for (QLabel* label : edit->parentWidget()->findChildren<QLabel*>())
        if (label->buddy() == edit)
            return label;
    return nullptr;
}

} // namespace

class ControlsOnScreenTest : public QObject {
    Q_OBJECT

private slots:
    // Spot WB "S" with a preset other than the custom one and the curve's
    // "S" with the curve off look greyed (and do nothing); the "..."
    // buttons stay active.
    void ButtonsGreyWhenTheirCommandCannotRun()
    {
        PictureRun p(0);
        QWidget* save = p.Control(ID_SAVE_SPOT_WB);
        QWidget* menu = p.Control(ID_POPUP_WB_MENU);
        QVERIFY(save != nullptr && menu != nullptr);
        p.Reveal(save);

        p.Frame().ExecuteCommand(ID_WB_FIRST + 1); // daylight
        const QImage daylight = Shown(save);
        const QImage menuDaylight = Shown(menu);
        p.Frame().ExecuteCommand(ID_WB_FIRST + 11); // the custom preset
        QCOMPARE(p.Doc().Edit().Params().whiteBalance, 11);
        const QImage custom = Shown(save);
        qInfo("spot WB S: darkest %d with daylight, %d with the custom preset", DarkestGrey(daylight),
              DarkestGrey(custom));
        QVERIFY2(DarkestGrey(daylight) > DarkestGrey(custom) + 40, "the S of a daylight preset does not look greyed");
        QCOMPARE(Shown(menu), menuDaylight);
        QVERIFY(menu->isEnabled());

        p.tabbed->ShowPage(3);
        QWidget* curveSave = p.Control(ID_SAVE_TONE_CURVE_AS);
        QVERIFY(curveSave != nullptr);
        QVERIFY(!p.Doc().Edit().FeatureOn(FeatureKind::FreeCurve));
        const QImage off = Shown(curveSave);
        p.Frame().ExecuteCommand(ID_FREECURVE_ENABLE);
        QVERIFY(p.Doc().Edit().FeatureOn(FeatureKind::FreeCurve));
        const QImage on = Shown(curveSave);
        QVERIFY2(DarkestGrey(off) > DarkestGrey(on) + 40, "the curve's S with the curve off does not look greyed");
        QVERIFY(p.Control(ID_POPUP_TONE_CURVE_MENU)->isEnabled());
    }

    // The wheel over a slider without the keyboard focus scrolls the page
    // and leaves the value; with the focus it moves the slider and develops.
    void WheelEditsOnlyAFocusedSlider()
    {
        PictureRun p(1, QSize(1400, 700));
        auto* slider = dynamic_cast<TrackBar*>(p.Control(IDC_CONTRAST.slider));
        QVERIFY(slider != nullptr);
        QScrollArea* scroll = nullptr;
        for (QWidget* w = slider->parentWidget(); w != nullptr && scroll == nullptr; w = w->parentWidget())
            scroll = qobject_cast<QScrollArea*>(w);
        QVERIFY(scroll != nullptr);
        QVERIFY2(scroll->verticalScrollBar()->maximum() > 0, "the page must be taller than its palette");
        p.Frame().activateWindow();
        QWidget* tabs = p.Control(IDC_PARAM_TABS);
        tabs->setFocus();
        QTRY_VERIFY(tabs->hasFocus());

        p.Settle();
        const int contrast = p.Doc().Edit().Params().contrast;
        const QImage sliderBefore = Shown(slider);
        const QImage pictureBefore = p.Picture();
        QVERIFY2(!Wheel(slider, -2), "the slider took the wheel without the focus");
        QCOMPARE(p.Doc().Edit().Params().contrast, contrast);
        QCOMPARE(slider->value(), contrast);
        QCOMPARE(Shown(slider), sliderBefore);
        QCOMPARE(p.Picture(), pictureBefore);
        // The window system hands a wheel turn the slider leaves to its
        // parents: the page scrolls.
        const QImage pageBefore = Shown(scroll->viewport());
        Wheel(scroll->viewport(), -2);
        QVERIFY2(scroll->verticalScrollBar()->value() > 0, "the page did not scroll");
        QVERIFY2(Shown(scroll->viewport()) != pageBefore, "the page on screen did not move");

        slider->setFocus();
        QTRY_VERIFY(slider->hasFocus());
        QVERIFY(Wheel(slider, -2));
        QVERIFY(p.Doc().Edit().Params().contrast != contrast);
        QCOMPARE(slider->value(), p.Doc().Edit().Params().contrast);
        QVERIFY2(p.Picture() != pictureBefore, "the focused slider's wheel did not develop");
    }

    // Contrast typed as 50, then a click on the Brightness thumb without a
    // move: the countdown still applies the 50.
    void ATypedValueSurvivesAClickOnAnotherThumb()
    {
        PictureRun p(1);
        auto* contrast = qobject_cast<QLineEdit*>(p.Control(IDC_CONTRAST.edit));
        auto* brightness = dynamic_cast<TrackBar*>(p.Control(IDC_BRIGHTNESS.slider));
        QVERIFY(contrast != nullptr && brightness != nullptr);
        QVERIFY(p.Doc().Edit().Params().contrast != 50);
        const int brightnessBefore = p.Doc().Edit().Params().brightness;
        const QImage before = p.Picture();

        contrast->setFocus();
        contrast->selectAll();
        QTest::keyClicks(contrast, QStringLiteral("50"));
        const QPoint thumb = brightness->ThumbRect().center();
        QTest::mousePress(brightness, Qt::LeftButton, {}, thumb);
        QTest::mouseRelease(brightness, Qt::LeftButton, {}, thumb);
        QCOMPARE(p.Doc().Edit().Params().brightness, brightnessBefore);
        // Four ticks of 500 ms after the last key.
        QTRY_COMPARE_WITH_TIMEOUT(p.Doc().Edit().Params().contrast, 50, 4000);
        ProcessEvents(100);
        QCOMPARE(contrast->text(), QStringLiteral("50"));
        QCOMPARE(dynamic_cast<TrackBar*>(p.Control(IDC_CONTRAST.slider))->value(), 50);
        QVERIFY2(p.Picture() != before, "the picture did not take the typed contrast");
    }

    // A screen reader or UI automation sets the slider through Qt's value
    // interface: the value is an edit, the picture follows.
    void AValueSetThroughAccessibilityDevelops()
    {
        PictureRun p(1);
        auto* slider = dynamic_cast<TrackBar*>(p.Control(IDC_SATURATION.slider));
        QVERIFY(slider != nullptr);
        QAccessibleInterface* accessible = QAccessible::queryAccessibleInterface(slider);
        QVERIFY(accessible != nullptr && accessible->valueInterface() != nullptr);
        const QImage before = p.Picture();
        accessible->valueInterface()->setCurrentValue(60);
        ProcessEvents(100);
        QCOMPARE(slider->value(), 60);
        QCOMPARE(p.Doc().Edit().Params().saturation, 160); // shown as stored minus 100
        QCOMPARE(qobject_cast<QLineEdit*>(p.Control(IDC_SATURATION.edit))->text(), QStringLiteral("60"));
        QVERIFY2(p.Picture() != before, "the picture did not follow the slider");
    }

    // The S/R threshold's caption greys with its edit and slider (easy mode
    // leaves only the mix and the "S"/"R" checks).
    void TheThresholdCaptionGreysWithItsControls()
    {
        PictureRun p(1);
        QWidget* edit = p.Control(IDC_SR_LINEAR.edit);
        QVERIFY(edit != nullptr);
        QLabel* caption = CaptionOf(edit);
        QVERIFY(caption != nullptr);
        p.Reveal(edit);
        auto show = [&](int easy, int type) {
            p.Doc().Edit().ModifyParams([&](DevParams& r) {
                r.twoFrames = 1;
                r.easySR = easy;
                r.typeSR = type;
            });
            p.Doc().OnParametersChanged();
            return Shown(caption);
        };
        const QImage enabled = show(0, 6); // linear mixing: the threshold is in use
        QVERIFY(edit->isEnabled());
        const QImage disabled = show(1, 6);
        QVERIFY(!edit->isEnabled());
        qInfo("threshold caption: darkest %d in use, %d greyed", DarkestGrey(enabled), DarkestGrey(disabled));
        QVERIFY2(DarkestGrey(disabled) > DarkestGrey(enabled) + 40, "the Threshold caption stays black");
    }
};

VELMO_APP_TEST(ControlsOnScreenTest);

} // namespace velmo::test

#include "ControlsOnScreenTest.moc"
