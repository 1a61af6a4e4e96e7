// The parameters palettes: every parameter control on both palettes edited
// as a photographer edits it (typed value with the countdown, spin, key,
// slider drag), the record left as it was by SetParams then Apply, the
// three "Prv" states, refused entries, the enabling rules and the S/R
// mixing truth table, changes from elsewhere, and the tabbed palette's
// keys, pages and Reset.
#include "app/palettes/FeaturePalettes.h"
#include "app/palettes/LensPanel.h"
#include "app/palettes/ParamBar.h"
#include "app/palettes/ParamTabBar.h"
#include "document/VelmoDoc.h"
#include "params/EditState.h"
#include "params/ParamFields.h"
#include "platform/gui/AutoCheckBox.h"
#include "platform/gui/ControlIds.h"
#include "platform/gui/DataExchange.h"
#include "params/ExponentMapping.h"
#include "platform/gui/SpinButton.h"
#include "platform/gui/TrackBar.h"
#include "platform/gui/TrackBarCodes.h"
#include "res/Menus.h"
#include "res/ResourceIds.h"
#include "res/StringTable.h"
#include "tests/app/AppTest.h"
#include "tests/app/AppTestEnv.h"

#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QGroupBox>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QScrollArea>
#include <QTabBar>
#include <QTest>

#include <cmath>
#include <fstream>
#include <set>
#include <cstring>

namespace velmo::test {

namespace {

using F = ParamField;

CParamTabBar& Tabbed(CMainFrame& frame)
{
    return *dynamic_cast<CParamTabBar*>(frame.Palette(ID_VIEW_PARAMTAB));
}

CParamBar& Classic(CMainFrame& frame)
{
    return *dynamic_cast<CParamBar*>(frame.Palette(ID_VIEW_PARAMS));
}

// One palette under test: its controls and how it shows a control.
struct PaletteUnderTest {
    const char* name;
    CParamControls* controls;
    std::function<void(unsigned id)> show;
};

std::vector<PaletteUnderTest> BothPalettes(CMainFrame& frame)
{
    CParamTabBar& tabbed = Tabbed(frame);
    CParamBar& classic = Classic(frame);
    tabbed.show();
    classic.show();
    ProcessEvents();
    return {{"tabbed", &tabbed.Controls(), [&tabbed](unsigned id) { tabbed.ShowControl(id); }},
            {"classic", &classic.Controls(), [](unsigned) {}}};
}

// A record in which every control of row is enabled.
DevParams EnablingRecord(const DevParams& base, F field)
{
    DevParams p = base;
    p.sharpness = 3;
    p.WBfineTune = 1;
    p.whiteBalance = 12; // colour temperature ("UseRafWB" is on)
    p.bNR = 1;
    p.twoFrames = 1;
    p.easySR = 0;
    p.typeSR = field == F::mixSR ? 5 : 6;
    p.gamma = 1.0f;
    return p;
}

double StoredField(CVelmoDoc& doc, F field)
{
    return GetField(doc.Edit().Params(), field);
}

// The value the document holds for an edit of a row, as the palette's
// conversions give it.
double Stored(const ControlRow& c, double shown)
{
    return StoredValue(c, shown);
}

// The value controls of the parameters palettes, in the table's order.
std::vector<const ControlRow*> ParamValueRows()
{
    std::vector<const ControlRow*> rows;
    for (const ControlRow& row : PaletteControls())
        if (row.kind == ControlKind::Value && row.data != ControlData::Lens && row.data != ControlData::SelectiveColor)
            rows.push_back(&row);
    return rows;
}

// A value inside the row's range, away from its ends.
double TypedValue(const ControlRow& c)
{
    if (c.mapping == SliderMapping::Exponent)
        return 2.5;
    if (c.field == F::sensitize)
        return -1.5;
    const double lo = RowPositionToValue(c, c.sliderMin);
    const double hi = RowPositionToValue(c, c.sliderMax);
    return std::floor((lo + hi) / 2) + 1;
}

QString Text(double value, const ControlRow& c)
{
    return FieldInfo(c.field).type == ParamType::Float ? QString::number(value, 'g', 6)
                                                        : QString::number(qint64(value));
}

void Ticks(CParamControls& controls, int n)
{
    for (int i = 0; i < n; ++i)
        controls.Tick();
}

bool SameRecord(const DevParams& a, const DevParams& b)
{
    return std::memcmp(&a, &b, sizeof a) == 0;
}

} // namespace

class ParamPaletteTest : public QObject {
    Q_OBJECT

private slots:
    // Every parameter control of both palettes, edited four ways; after each
    // the document's record holds what the user did.
    void EveryControlEditsItsFieldOnBothPalettes()
    {
        AppRun run;
        CVelmoDoc& doc = run.Doc();
        for (const PaletteUnderTest& palette : BothPalettes(run.Frame())) {
            CParamControls& controls = *palette.controls;
            for (const ControlRow* row : ParamValueRows()) {
                const ControlRow& c = *row;
                ControlUnit* unit = controls.Unit(c.field);
                const bool classic = std::strcmp(palette.name, "classic") == 0;
                if (classic && !c.classic) {
                    QVERIFY2(unit == nullptr, qPrintable(QString::number(c.id)));
                    continue;
                }
                QVERIFY2(unit != nullptr, qPrintable(QString::number(c.id)));
                if (classic && c.field == F::iColorNRthreshold) {
                    QVERIFY(!unit->isVisibleTo(unit->parentWidget()) && !unit->isEnabled());
                    continue;
                }
                const QByteArray where = QByteArray(palette.name) + " " + QByteArray::number(c.id);
                doc.Edit().SetSwitch(SwitchId::CheckPrv, kPrvOnRelease);
                doc.Edit().SetParams(EnablingRecord(doc.Edit().Params(), c.field));
                doc.Edit().NotifyRefresh();
                palette.show(c.id);
                QVERIFY2(unit->Edit()->isEnabled() && unit->Slider()->isEnabled(), where);

                // Typed: applied on the fourth tick after the last key.
                const double typed = TypedValue(c);
                unit->Edit()->setFocus();
                unit->Edit()->selectAll();
                QTest::keyClicks(unit->Edit(), Text(typed, c));
                Ticks(controls, 3);
                QVERIFY2(StoredField(doc, c.field) != Stored(c, typed), where);
                Ticks(controls, 1);
                QCOMPARE(StoredField(doc, c.field), Stored(c, typed));
                QCOMPARE(unit->Slider()->GetPos(), RowValueToPosition(c, typed));

                // Spin up: the control's step, or the own step of exponents and EV.
                const UpDownRange range = c.spinRange.value_or(UpDownRange{});
                const int delta = UpDownDelta(range, true);
                const double spun = c.spinStep == SpinStepRule::Exponent  ? ExponentSpinValue(float(typed), delta)
                                    : c.spinStep == SpinStepRule::Sensitize ? SensitizeSpinValue(float(typed), delta)
                                                                                : typed + delta;
                unit->Spin()->Step(true);
                Ticks(controls, 4);
                QCOMPARE(float(StoredField(doc, c.field)), float(Stored(c, spun)));

                // Keys: End moves the thumb; the key's release applies ("Prv" indeterminate).
                unit->Slider()->setFocus();
                QTest::keyClick(unit->Slider(), Qt::Key_End);
                const double end = RowPositionToValue(c, c.sliderMax);
                QCOMPARE(float(StoredField(doc, c.field)), float(Stored(c, end)));
                QCOMPARE(unit->EditValue().value_or(-999), end);

                // A drag with "Prv" checked develops at every move.
                doc.Edit().SetSwitch(SwitchId::CheckPrv, kPrvLive);
                TrackBar* slider = unit->Slider();
                const QPoint thumb = slider->ThumbRect().center();
                QTest::mousePress(slider, Qt::LeftButton, {}, thumb);
                QTest::mouseMove(slider, QPoint(slider->width() / 3, thumb.y()));
                const double dragged = RowPositionToValue(c, slider->GetPos());
                QVERIFY2(dragged != end, where);
                QCOMPARE(float(StoredField(doc, c.field)), float(Stored(c, dragged)));
                QTest::mouseRelease(slider, Qt::LeftButton, {}, QPoint(slider->width() / 3, thumb.y()));
                QCOMPARE(float(StoredField(doc, c.field)), float(Stored(c, dragged)));
                if (c.rule == EnableRule::FineTune)
                    QCOMPARE(doc.Edit().Params().WBfineTune, 1);
            }
        }
    }

    // The checks, radios and lists of both palettes: a click reaches the
    // record (three-state boxes in the Win32 cycle).
    void ChecksRadiosAndListsReachTheRecord()
    {
        AppRun run;
        CVelmoDoc& doc = run.Doc();
        struct ClickCase {
            unsigned id;
            F field;
            int clicks;
            int expected;
        };
        const ClickCase cases[] = {
            {1202, F::iEnhColor, 1, 1}, {1202, F::iEnhColor, 2, 2}, {1202, F::iEnhColor, 3, 0},
            {1203, F::iEnhGreen, 2, 2}, {1220, F::WBfineTune, 1, 1}, {1224, F::sImageOn, 1, 0},
            {1223, F::rImageOn, 1, 0},  {1221, F::easySR, 1, 1},     {1815, F::rotate, 1, 1},
            {1814, F::rotate, 1, 2},    {1806, F::sharpness, 1, 2},  {2616, F::bGammaLog, 1, 1},
            {1225, F::bNR, 2, 2},
        };
        for (const PaletteUnderTest& palette : BothPalettes(run.Frame())) {
            for (const ClickCase& k : cases) {
                auto* button = qobject_cast<QAbstractButton*>(palette.controls->Control(k.id));
                if (button == nullptr) {
                    QVERIFY(std::strcmp(palette.name, "classic") == 0 && k.id == 1225);
                    continue;
                }
                DevParams p = doc.Edit().Params();
                p.twoFrames = 1;
                p.easySR = 0;
                p.typeSR = 2;
                p.iEnhColor = p.iEnhGreen = p.WBfineTune = p.rotate = p.sharpness = p.bGammaLog = p.bNR = 0;
                p.sImageOn = p.rImageOn = 1;
                doc.Edit().SetParams(p);
                run.Doc().Edit().NotifyRefresh();
                palette.show(k.id);
                for (int i = 0; i < k.clicks; ++i)
                    button->click();
                palette.controls->Tick(); // none pending: a tick applies nothing more
                QCOMPARE(GetField(doc.Edit().Params(), k.field), double(k.expected));
            }
            // The white-balance list: each item is the preset of its index.
            auto* wb = qobject_cast<QComboBox*>(palette.controls->Control(IDC_WB_COMBO));
            QCOMPARE(wb->count(), 13);
            wb->setCurrentIndex(3);
            emit wb->activated(3);
            QCOMPARE(doc.Edit().Params().whiteBalance, 3);
            auto* sr = qobject_cast<QComboBox*>(palette.controls->Control(1401));
            QCOMPARE(sr->count(), 7);
            sr->setCurrentIndex(4);
            emit sr->activated(4);
            QCOMPARE(doc.Edit().Params().typeSR, 4);
        }
    }

    // SetParams then Apply writes back exactly what it was given, also
    // floats an edit box cannot show in full and a preset the list lacks.
    void SetParamsThenApplyKeepsTheRecord()
    {
        AppRun run;
        CVelmoDoc& doc = run.Doc();
        DevParams p = doc.Edit().Params();
        p.gamma = 1.2345678f;
        p.gammaSR = 0.1f;
        p.gammaSR2 = 3.3333333f;
        p.sensitize = -0.7f;
        p.saturation = 137;
        p.whiteBalance = 99; // no such item: the record's value stays
        p.typeSR = 42;
        p.sharpness = 3;
        p.soften = 17;
        p.harden = 33;
        p.customWB1 = 1234;
        for (const PaletteUnderTest& palette : BothPalettes(run.Frame())) {
            doc.Edit().SetParams(p);
            const DevParams before = doc.Edit().Params();
            run.Doc().Edit().NotifyRefresh();
            if (std::strcmp(palette.name, "tabbed") == 0)
                Tabbed(run.Frame()).Apply();
            else
                Classic(run.Frame()).Apply();
            QVERIFY2(SameRecord(doc.Edit().Params(), before), palette.name);
        }
    }

    // The three states of "Prv": what a thumb move and the end of a drag do
    // at once, and what the countdown does afterwards.
    void PrvStatesAndTheCountdown()
    {
        AppRun run;
        CVelmoDoc& doc = run.Doc();
        struct PrvCase {
            int prv;
            int code;
            bool appliedAtOnce;
            bool appliedAfterFourTicks;
        };
        const PrvCase cases[] = {
            {kPrvDeferred, TB_THUMBTRACK, false, false}, {kPrvDeferred, TB_ENDTRACK, false, true},
            {kPrvLive, TB_THUMBTRACK, true, true},       {kPrvLive, TB_ENDTRACK, true, true},
            {kPrvOnRelease, TB_THUMBTRACK, false, false}, {kPrvOnRelease, TB_ENDTRACK, true, true},
            {kPrvOnRelease, TB_LINEDOWN, false, false},  {kPrvOnRelease, TB_THUMBPOSITION, false, false},
        };
        for (const PaletteUnderTest& palette : BothPalettes(run.Frame())) {
            for (const PrvCase& k : cases) {
                doc.Edit().SetField(F::contrast, 0);
                run.Doc().Edit().NotifyRefresh();
                doc.Edit().SetSwitch(SwitchId::CheckPrv, k.prv);
                ControlUnit* unit = palette.controls->Unit(F::contrast);
                unit->Slider()->SetPos(40);
                palette.controls->SliderScrolled(*unit, k.code, 40);
                QCOMPARE(doc.Edit().Params().contrast == 40, k.appliedAtOnce);
                Ticks(*palette.controls, 3);
                QCOMPARE(doc.Edit().Params().contrast == 40, k.appliedAtOnce);
                Ticks(*palette.controls, 1);
                QCOMPARE(doc.Edit().Params().contrast == 40, k.appliedAfterFourTicks);
            }
        }
        // Each keystroke restarts the wait.
        CParamControls& controls = Tabbed(run.Frame()).Controls();
        doc.Edit().SetField(F::hue, 0);
        run.Doc().Edit().NotifyRefresh();
        QLineEdit* hue = controls.Unit(F::hue)->Edit();
        hue->selectAll();
        QTest::keyClicks(hue, QStringLiteral("1"));
        Ticks(controls, 3);
        QTest::keyClicks(hue, QStringLiteral("2"));
        Ticks(controls, 3);
        QCOMPARE(doc.Edit().Params().hue, 0);
        Ticks(controls, 1);
        QCOMPARE(doc.Edit().Params().hue, 12);
        // "&Apply" of the classic palette is enabled only while a change waits.
        CParamBar& classic = Classic(run.Frame());
        QVERIFY(!classic.ApplyButton()->isEnabled());
        QLineEdit* classicHue = classic.Controls().Unit(F::hue)->Edit();
        classicHue->selectAll();
        QTest::keyClicks(classicHue, QStringLiteral("-5"));
        QVERIFY(classic.ApplyButton()->isEnabled());
        classic.ApplyButton()->click();
        QCOMPARE(doc.Edit().Params().hue, -5);
        QVERIFY(!classic.ApplyButton()->isEnabled());
    }

    // A value edit with "-" (or "-." in a float edit) waits through the
    // countdown: no message, the record as it was, the text as typed. Leaving
    // the edit with it gives the message and the focus back; "-5" then
    // develops after the countdown. Both parameters palettes, the lens
    // palette and the tabbed palette's Lens page.
    void ANumberBeingTypedWaitsForTheCountdown()
    {
        AppRun run;
        CVelmoDoc& doc = run.Doc();
        CMainFrame& frame = run.Frame();
        CParamTabBar& tabbed = Tabbed(frame);
        CParamBar& classic = Classic(frame);
        auto* lensBar = dynamic_cast<CLensBar*>(frame.Palette(ID_VIEW_LENS));
        QVERIFY(lensBar != nullptr);
        auto* lensPage = dynamic_cast<CLensPanel*>(
            dynamic_cast<CFeaturePanel*>(tabbed.FeaturePage(FeatureKind::LensCorrection)));
        QVERIFY(lensPage != nullptr);
        if (!doc.Edit().FeatureOn(FeatureKind::LensCorrection))
            frame.ExecuteCommand(ID_LENS_ENABLE);
        QVERIFY(doc.Edit().FeatureOn(FeatureKind::LensCorrection));

        const struct {
            const char* where;
            std::function<ControlUnit*()> unit;
            std::function<void()> show;
            std::function<void()> tick;
            std::function<double()> stored;
            std::function<QPushButton*()> applyButton; // the palette's "&Apply", if it has one
            QString partial;
            std::string message;
            QString whole;
            double wholeValue;
        } cases[] = {
            {"tabbed contrast", [&] { return tabbed.Controls().Unit(F::contrast); },
             [&] { tabbed.show(); tabbed.ShowControl(IDC_CONTRAST.edit); }, [&] { tabbed.Controls().Tick(); },
             [&] { return double(doc.Edit().Params().contrast); }, [] { return nullptr; }, "-",
             LoadString(AFX_IDP_PARSE_INT), "-5", -5},
            {"classic contrast", [&] { return classic.Controls().Unit(F::contrast); }, [&] { classic.show(); },
             [&] { classic.Controls().Tick(); }, [&] { return double(doc.Edit().Params().contrast); },
             [&] { return classic.ApplyButton(); }, "-", LoadString(AFX_IDP_PARSE_INT), "-7", -7},
            {"tabbed sensitization", [&] { return tabbed.Controls().Unit(F::sensitize); },
             [&] { tabbed.show(); tabbed.ShowControl(IDC_SENSITIZE.edit); }, [&] { tabbed.Controls().Tick(); },
             [&] { return double(doc.Edit().Params().sensitize); }, [] { return nullptr; }, "-.",
             LoadString(AFX_IDP_PARSE_REAL), "-1.5", -1.5},
            {"lens palette distortion", [&] { return lensBar->LensPanel()->Unit(LensControl::Distortion); },
             [&] { lensBar->show(); }, [&] { lensBar->LensPanel()->Timer().Tick(); },
             [&] { return double(doc.Edit().Lens().distortion); }, [&] { return lensBar->ApplyButton(); }, "-",
             LoadString(AFX_IDP_PARSE_INT), "-5", -5},
            {"tabbed Lens page distortion", [&] { return lensPage->Unit(LensControl::Distortion); },
             [&] { tabbed.show(); tabbed.ShowPage(4); }, [&] { tabbed.Controls().Tick(); },
             [&] { return double(doc.Edit().Lens().distortion); }, [] { return nullptr; }, "-",
             LoadString(AFX_IDP_PARSE_INT), "-9", -9},
        };
        for (const auto& c : cases) {
            c.show();
            ProcessEvents();
            ControlUnit* unit = c.unit();
            QVERIFY2(unit != nullptr && unit->Edit()->isEnabled(), c.where);
            NumberEdit* edit = unit->Edit();
            edit->window()->activateWindow();
            edit->setFocus(Qt::MouseFocusReason);
            QTRY_VERIFY2(edit->hasFocus(), c.where);
            const DevParams paramsBefore = doc.Edit().Params();
            const LensCorrectionSettings lensBefore = doc.Edit().Lens();
            const double before = c.stored();
            QVERIFY2(before != c.wholeValue, c.where);
            run.Messages().calls.clear();

            edit->selectAll();
            QTest::keyClicks(edit, c.partial);
            for (int i = 0; i < 2 * ApplyCountdown::kTicks; ++i) {
                c.tick();
                ProcessEvents();
            }
            QVERIFY2(run.Messages().calls.empty(),
                     run.Messages().calls.empty() ? c.where : run.Messages().calls[0].text.c_str());
            QVERIFY2(QApplication::activeModalWidget() == nullptr, c.where);
            QVERIFY2(SameRecord(doc.Edit().Params(), paramsBefore), c.where);
            QVERIFY2(doc.Edit().Lens() == lensBefore, c.where);
            QCOMPARE(edit->text(), c.partial);
            QCOMPARE(QApplication::focusWidget(), edit);
            // What the photographer sees after the pause: the control with the
            // text as typed.
            for (QWidget* a = unit->parentWidget(); a != nullptr; a = a->parentWidget())
                if (auto* scroll = qobject_cast<QScrollArea*>(a)) {
                    scroll->ensureWidgetVisible(unit);
                    break;
                }
            ProcessEvents(50);
            const QString shot = QStringLiteral(VELMO_BINARY_DIR "/velmo-typing-%1.png")
                                     .arg(QString::fromLatin1(c.where).replace(QLatin1Char(' '), QLatin1Char('-')));
            QVERIFY2(OnScreen(unit).save(shot), qPrintable(shot));
            // Still waiting: "&Apply" stays there to press.
            if (QPushButton* apply = c.applyButton()) {
                ProcessEvents(150);
                QVERIFY2(apply->isEnabled(), c.where);
                apply->click();
                QCOMPARE(run.Messages().calls.size(), size_t(1));
                QCOMPARE(run.Messages().calls[0].text, c.message);
                QVERIFY2(SameRecord(doc.Edit().Params(), paramsBefore), c.where);
                QVERIFY2(doc.Edit().Lens() == lensBefore, c.where);
                QCOMPARE(edit->text(), c.partial);
                run.Messages().calls.clear();
            }

            // Leaving it: the message, the focus and the text stay, nothing applied.
            unit->Slider()->setFocus(Qt::TabFocusReason);
            ProcessEvents();
            QCOMPARE(run.Messages().calls.size(), size_t(1));
            QCOMPARE(run.Messages().calls[0].text, c.message);
            QCOMPARE(QApplication::focusWidget(), edit);
            QCOMPARE(edit->text(), c.partial);
            QVERIFY2(SameRecord(doc.Edit().Params(), paramsBefore), c.where);
            QVERIFY2(doc.Edit().Lens() == lensBefore, c.where);

            // Whole, the countdown takes it.
            run.Messages().calls.clear();
            edit->selectAll();
            QTest::keyClicks(edit, c.whole);
            for (int i = 0; i < ApplyCountdown::kTicks; ++i) {
                c.tick();
                ProcessEvents();
            }
            QVERIFY2(run.Messages().calls.empty(), c.where);
            QCOMPARE(c.stored(), c.wholeValue);
            QCOMPARE(edit->text(), c.whole);
        }
    }

    // A float edit at "1." waits for its next digit: taken at once, the edit
    // would read "1" and the digit would make 15. Left at "1.", it is 1.
    void AFloatAtItsPointWaitsForTheNextDigit()
    {
        AppRun run;
        CVelmoDoc& doc = run.Doc();
        CParamTabBar& tabbed = Tabbed(run.Frame());
        tabbed.show();
        tabbed.ShowControl(IDC_GAMMA.edit);
        CParamControls& controls = tabbed.Controls();
        NumberEdit* gamma = controls.Unit(F::gamma)->Edit();
        gamma->window()->activateWindow();
        gamma->setFocus(Qt::MouseFocusReason);
        QTRY_VERIFY(gamma->hasFocus());
        doc.Edit().SetField(F::gamma, 2.0);
        doc.Edit().NotifyRefresh();
        run.Messages().calls.clear();

        gamma->selectAll();
        QTest::keyClicks(gamma, QStringLiteral("1."));
        Ticks(controls, ApplyCountdown::kTicks);
        QCOMPARE(doc.Edit().Params().gamma, 2.0f);
        QCOMPARE(gamma->text(), QStringLiteral("1."));
        QTest::keyClicks(gamma, QStringLiteral("5"));
        Ticks(controls, ApplyCountdown::kTicks);
        QCOMPARE(doc.Edit().Params().gamma, 1.5f);
        QCOMPARE(gamma->text(), QStringLiteral("1.5"));

        gamma->selectAll();
        QTest::keyClicks(gamma, QStringLiteral("1."));
        Ticks(controls, ApplyCountdown::kTicks);
        QCOMPARE(doc.Edit().Params().gamma, 1.5f);
        controls.Unit(F::gamma)->Slider()->setFocus(Qt::TabFocusReason);
        ProcessEvents();
        QCOMPARE(gamma->text(), QStringLiteral("1"));
        Ticks(controls, ApplyCountdown::kTicks);
        QCOMPARE(doc.Edit().Params().gamma, 1.0f);
        QVERIFY(run.Messages().calls.empty());
    }

    // A refused entry shows the range message, keeps the focus and the
    // typing, and applies nothing, not even the other edits.
    void RefusedEntryAppliesNothing()
    {
        AppRun run;
        CVelmoDoc& doc = run.Doc();
        run.Messages().calls.clear();
        CParamTabBar& tabbed = Tabbed(run.Frame());
        tabbed.show();
        tabbed.activateWindow();
        const DevParams before = doc.Edit().Params();
        CParamControls& controls = tabbed.Controls();
        tabbed.ShowControl(1609);
        controls.Unit(F::contrast)->Edit()->setText(QStringLiteral("20"));
        tabbed.ShowControl(1622);
        QLineEdit* ev = controls.Unit(F::sensitize)->Edit();
        ev->setText(QStringLiteral("4"));
        tabbed.OnApply();
        QCOMPARE(int(run.Messages().calls.size()), 1);
        QCOMPARE(run.Messages().calls[0].text, FormatMessage2(AFX_IDP_PARSE_REAL_RANGE, "-5", "3"));
        QVERIFY(SameRecord(doc.Edit().Params(), before));
        QCOMPARE(ev->text(), QStringLiteral("4"));
        QCOMPARE(controls.Unit(F::contrast)->Edit()->text(), QStringLiteral("20"));
        QCOMPARE(QApplication::focusWidget(), ev);
        // Corrected, the same apply takes both edits.
        ev->setText(QStringLiteral("2"));
        tabbed.OnApply();
        QCOMPARE(doc.Edit().Params().sensitize, 2.0f);
        QCOMPARE(doc.Edit().Params().contrast, 20);
    }

    // The enabling rules on the palettes (the rules themselves: the control
    // table's test).
    void EnablingRulesAndTheSRTruthTable()
    {
        // On the palettes: the tabbed one greys, the classic one hides.
        AppRun run;
        CVelmoDoc& doc = run.Doc();
        DevParams p = doc.Edit().Params();
        p.twoFrames = 1;
        p.easySR = 1;
        p.typeSR = 6;
        doc.Edit().SetParams(p);
        run.Doc().Edit().NotifyRefresh();
        BothPalettes(run.Frame());
        ControlUnit* tabbedG = Tabbed(run.Frame()).Controls().Unit(F::gammaSR);
        ControlUnit* classicG = Classic(run.Frame()).Controls().Unit(F::gammaSR);
        QVERIFY(!tabbedG->Edit()->isEnabled() && tabbedG->Edit()->isVisibleTo(tabbedG));
        QVERIFY(!classicG->Edit()->isEnabled() && !classicG->Edit()->isVisibleTo(classicG));
        QVERIFY(Classic(run.Frame()).Controls().Unit(F::mixSR)->Edit()->isEnabled());
        // Choosing the temperature item enables the temperature; others disable it.
        auto* wb = qobject_cast<QComboBox*>(Tabbed(run.Frame()).Controls().Control(IDC_WB_COMBO));
        for (const int item : {12, 3}) {
            wb->setCurrentIndex(item);
            emit wb->activated(item);
            QCOMPARE(Tabbed(run.Frame()).Controls().Unit(F::wbTempt)->Edit()->isEnabled(), item == 12);
        }
    }

    // Both palettes follow the edit state whichever way it changes: a menu
    // command, a parameter file, the family defaults, the other white-balance
    // numbering; and a development asked by one palette takes what was typed
    // into the other.
    void PalettesFollowEveryRouteToTheState()
    {
        TempDir dir;
        AppRun run;
        CVelmoDoc& doc = run.Doc();
        CMainFrame& frame = run.Frame();
        std::vector<CParamControls*> both = {&Tabbed(frame).Controls(), &Classic(frame).Controls()};
        auto shows = [&](F field, int value) {
            for (CParamControls* c : both) {
                const ControlRow& row = *ValueControlOf(field);
                if (c->Unit(field)->Edit()->text() != QString::number(value) ||
                    c->Unit(field)->Slider()->GetPos() != RowValueToPosition(row, value))
                    return false;
            }
            return true;
        };
        auto checked = [&](unsigned id) {
            std::vector<int> states;
            for (CParamControls* c : both)
                states.push_back(static_cast<AutoCheckBox*>(c->Control(id))->State());
            return states;
        };

        // A menu command.
        doc.Edit().SetField(F::iEnhColor, 0);
        frame.ExecuteCommand(ID_VIVID_COLOR);
        QCOMPARE(checked(ID_VIVID_COLOR), (std::vector<int>{1, 1}));

        // A parameter file.
        const std::string vmr = dir.File("look.VMR");
        {
            std::ofstream out(vmr, std::ios::binary);
            out << "[Settings]\r\ncontrast=37\r\nsaturation=140\r\nhue=-12\r\n";
        }
        QVERIFY(!doc.OnOpenDocument(vmr));
        QVERIFY(shows(F::contrast, 37));
        QVERIFY(shows(F::saturation, 40)); // shown as stored minus 100
        QVERIFY(shows(F::hue, -12));

        // The family defaults ("&Reset" of the frame).
        frame.OnReset();
        const DevParams defaults = doc.Edit().Params();
        QVERIFY(shows(F::contrast, defaults.contrast));
        QVERIFY(shows(F::saturation, defaults.saturation - 100));

        // The other numbering of the white-balance presets.
        frame.ExecuteCommand(ID_USE_OLD_WB);
        for (CParamControls* c : both) {
            auto* list = qobject_cast<QComboBox*>(c->Control(IDC_WB_COMBO));
            QCOMPARE(list->itemText(0).toStdString(), WhiteBalanceItems(false)[0]);
            QCOMPARE(list->currentIndex(), doc.Edit().Params().whiteBalance);
        }
        frame.ExecuteCommand(ID_USE_OLD_WB);

        // A value typed into the classic palette, still counting down, goes
        // with the development the tabbed palette asks for.
        doc.Edit().SetSwitch(SwitchId::CheckPrv, kPrvOnRelease);
        QLineEdit* classicHue = Classic(frame).Controls().Unit(F::hue)->Edit();
        classicHue->selectAll();
        QTest::keyClicks(classicHue, QStringLiteral("33"));
        QVERIFY(Classic(frame).Controls().Countdown().Pending());
        ControlUnit* tabbedContrast = Tabbed(frame).Controls().Unit(F::contrast);
        tabbedContrast->Slider()->SetPos(-20);
        Tabbed(frame).Controls().SliderScrolled(*tabbedContrast, TB_ENDTRACK, -20);
        QCOMPARE(doc.Edit().Params().contrast, -20);
        QCOMPARE(doc.Edit().Params().hue, 33);
        QVERIFY(!Classic(frame).Controls().Countdown().Pending());
        QVERIFY(shows(F::hue, 33));
    }

    // A change made anywhere shows at once on both palettes; a palette
    // writes back only what its user changed.
    void ChangesFromElsewhereShowAndAreNotReverted()
    {
        AppRun run;
        CVelmoDoc& doc = run.Doc();
        CParamTabBar& tabbed = Tabbed(run.Frame());
        CParamBar& classic = Classic(run.Frame());
        doc.Edit().SetField(F::contrast, 33);
        QCOMPARE(tabbed.Controls().Unit(F::contrast)->Edit()->text(), QStringLiteral("33"));
        QCOMPARE(classic.Controls().Unit(F::contrast)->Edit()->text(), QStringLiteral("33"));
        QCOMPARE(classic.Controls().Unit(F::contrast)->Slider()->GetPos(), 33);
        doc.Edit().SetField(F::saturation, 150);
        QCOMPARE(tabbed.Controls().Unit(F::saturation)->Edit()->text(), QStringLiteral("50"));

        // Typing in one palette while another value arrives keeps the typing.
        tabbed.Controls().Unit(F::brightness)->Edit()->setText(QStringLiteral("-7"));
        doc.Edit().SetField(F::hue, 5);
        QCOMPARE(tabbed.Controls().Unit(F::brightness)->Edit()->text(), QStringLiteral("-7"));
        tabbed.Apply();
        QCOMPARE(doc.Edit().Params().brightness, -7);
        QCOMPARE(doc.Edit().Params().hue, 5);

        // "Vivid" with "Prv" clear: stored without developing; the hidden
        // classic palette's next Apply (a tool palette's) keeps it.
        doc.Edit().SetSwitch(SwitchId::CheckPrv, kPrvDeferred);
        doc.Edit().SetField(F::iEnhColor, 0);
        tabbed.ShowControl(1202);
        qobject_cast<QAbstractButton*>(tabbed.Controls().Control(1202))->click();
        QCOMPARE(doc.Edit().Params().iEnhColor, 1);
        classic.Apply();
        QCOMPARE(doc.Edit().Params().iEnhColor, 1);
        QCOMPARE(doc.Edit().Params().brightness, -7);
    }

    // Every control id on the parameters palettes and the free-curve, lens
    // and selective-colours palettes belongs to exactly one row of the
    // control table, and the widget is of the row's kind.
    void EveryControlIdMapsToOneRow()
    {
        AppRun run;
        auto rowsWith = [](unsigned id) {
            std::vector<const ControlRow*> rows;
            for (const ControlRow& row : PaletteControls()) {
                bool has = row.HasId(id);
                if (row.kind == ControlKind::FileMenu)
                    if (const std::optional<FileMenuInfo> menu = ReadFileMenu(unsigned(row.item)))
                        has = has || menu->loadId == id || menu->saveId == id;
                if (has)
                    rows.push_back(&row);
            }
            return rows;
        };
        std::set<unsigned> seen;
        for (const unsigned view : {ID_VIEW_PARAMTAB, ID_VIEW_PARAMS, ID_VIEW_FREECURVE, ID_VIEW_LENS, ID_VIEW_SELCOLOR}) {
            CPaletteDock* dock = run.Frame().Palette(view);
            QVERIFY(dock != nullptr);
            for (QWidget* w : dock->widget()->findChildren<QWidget*>()) {
                const unsigned id = ControlId(w);
                if (id == 0)
                    continue;
                const std::vector<const ControlRow*> rows = rowsWith(id);
                const QByteArray what = QByteArray::number(view) + " " + QByteArray::number(id) + " " +
                                        w->metaObject()->className();
                QVERIFY2(rows.size() == 1, what);
                const ControlRow& row = *rows.front();
                switch (row.kind) {
                case ControlKind::Check:
                case ControlKind::ThreeState:
                    QVERIFY2(qobject_cast<QCheckBox*>(w) != nullptr && id == row.id, what);
                    QCOMPARE(qobject_cast<QCheckBox*>(w)->isTristate(), row.kind == ControlKind::ThreeState);
                    break;
                case ControlKind::Radio: QVERIFY2(qobject_cast<QRadioButton*>(w) != nullptr, what); break;
                case ControlKind::List: QVERIFY2(qobject_cast<QComboBox*>(w) != nullptr, what); break;
                case ControlKind::Group: QVERIFY2(qobject_cast<QGroupBox*>(w) != nullptr, what); break;
                case ControlKind::Value:
                    if (id == row.id)
                        QVERIFY2(qobject_cast<QLineEdit*>(w) != nullptr, what);
                    else if (id == row.sliderId)
                        QVERIFY2(qobject_cast<QAbstractSlider*>(w) != nullptr, what);
                    break;
                default: break;
                }
                seen.insert(id);
            }
        }
        // And no row is left over.
        for (const ControlRow& row : PaletteControls())
            QVERIFY2(seen.count(row.id) == 1, QByteArray::number(row.id));
    }

    // Every control a photographer can use names itself and has its tip
    // and status-bar prompt.
    void EveryControlHasItsNameAndTip()
    {
        AppRun run;
        CParamTabBar& tabbed = Tabbed(run.Frame());
        for (CPaletteDock* dock : {static_cast<CPaletteDock*>(&tabbed), run.Frame().Palette(ID_VIEW_PARAMS)}) {
            for (QWidget* w : dock->widget()->findChildren<QWidget*>()) {
                const bool control = qobject_cast<QAbstractButton*>(w) != nullptr ||
                                     qobject_cast<QLineEdit*>(w) != nullptr ||
                                     qobject_cast<QAbstractSlider*>(w) != nullptr ||
                                     qobject_cast<QComboBox*>(w) != nullptr || qobject_cast<QTabBar*>(w) != nullptr;
                // The Curve, Lens and Color pages are the feature editors' own.
                const bool featurePage = dock == &tabbed && (tabbed.Page(3)->isAncestorOf(w) ||
                                                             tabbed.Page(4)->isAncestorOf(w) ||
                                                             tabbed.Page(5)->isAncestorOf(w));
                if (!control || featurePage || ControlId(w) == 0)
                    continue;
                const QByteArray what = QByteArray::number(ControlId(w));
                QVERIFY2(!w->accessibleName().isEmpty(), what);
                QVERIFY2(!w->toolTip().isEmpty(), what);
                QVERIFY2(!w->statusTip().isEmpty(), what);
            }
        }
    }

    // Ctrl+Tab goes round the six tabs; the tab is kept in "CurrentPane";
    // ShowControl finds the page; Enter applies; Reset works by tab.
    void TabsKeysAndReset()
    {
        TempDir dir;
        AppRun::Setup setup;
        setup.settingsPath = dir.File("Velmo.ini");
        setup.presets = [](SettingsStore& s) { s.WriteProfileInt(kSettingsSection, "CurrentPane", 17); };
        {
            AppRun run(setup);
            CParamTabBar& tabbed = Tabbed(run.Frame());
            QCOMPARE(tabbed.CurrentPage(), 0); // a stored pane out of 0..5 opens Adjust1
            tabbed.show();
            tabbed.activateWindow();
            tabbed.SelectPane(5);
            QWidget* focus = QApplication::focusWidget();
            QVERIFY(focus != nullptr);
            QTest::keyClick(focus, Qt::Key_Tab, Qt::ControlModifier);
            QCOMPARE(tabbed.CurrentPage(), 0);
            QVERIFY(tabbed.Page(0)->isAncestorOf(QApplication::focusWidget()));
            QTest::keyClick(QApplication::focusWidget(), Qt::Key_Backtab, Qt::ControlModifier | Qt::ShiftModifier);
            QCOMPARE(tabbed.CurrentPage(), 5);
            QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab, Qt::ControlModifier);
            QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab, Qt::ControlModifier);
            QCOMPARE(tabbed.CurrentPage(), 1);

            // Focus a control: its page shows.
            QVERIFY(tabbed.ShowControl(1631));
            QCOMPARE(tabbed.CurrentPage(), 2);
            QVERIFY(tabbed.ShowControl(1208)); // on the palette itself: nothing changes
            QCOMPARE(tabbed.CurrentPage(), 2);
            QVERIFY(!tabbed.ShowControl(4711));

            // Enter in an edit applies at once.
            QVERIFY(tabbed.ShowControl(1616));
            QLineEdit* hue = tabbed.Controls().Unit(F::hue)->Edit();
            hue->selectAll();
            QTest::keyClicks(hue, QStringLiteral("42"));
            QTest::keyClick(hue, Qt::Key_Return);
            QCOMPARE(run.Doc().Edit().Params().hue, 42);

            // Reset on a parameter tab: the family's defaults, developed.
            run.Doc().Edit().SetField(F::contrast, 77);
            QTest::mouseClick(qobject_cast<QWidget*>(FindControl(tabbed.widget(), 1902)), Qt::LeftButton);
            QCOMPARE(run.Doc().Edit().Params().contrast, 0);
            QCOMPARE(tabbed.Controls().Unit(F::contrast)->Edit()->text(), QStringLiteral("0"));
            tabbed.SelectPane(4);
            run.Quit();
        }
        QCOMPARE(ReadSettings(setup.settingsPath)->GetProfileInt(kSettingsSection, "CurrentPane", -1), 4);
    }
};

VELMO_APP_TEST(ParamPaletteTest);

} // namespace velmo::test

#include "ParamPaletteTest.moc"
