// The kit's controls driven by real input events: the trackbar's scroll
// codes, the spin button's delta, the check-box cycle, radio indices, the
// own spin steps of a control unit, the data exchange with its refusals, and
// the button shown held down (velmo-held-button.png in the build folder:
// the held button above a button pressed down).
#include "platform/core/MessageBox.h"
#include "platform/gui/ApplyTimer.h"
#include "platform/gui/AutoCheckBox.h"
#include "platform/gui/ControlIds.h"
#include "platform/gui/ControlUnit.h"
#include "platform/gui/DataExchange.h"
#include "platform/gui/ExponentMapping.h"
#include "platform/gui/HeldButton.h"
#include "platform/gui/RadioGroup.h"
#include "platform/gui/SpinButton.h"
#include "platform/gui/TrackBar.h"
#include "tests/platform_gui/KitTest.h"
#include "tests/support/TestEnv.h"

#include <QAccessible>
#include <QApplication>
#include <QLineEdit>
#include <QRadioButton>
#include <QScreen>
#include <QTest>
#include <QToolButton>
#include <QVBoxLayout>
#include <QWheelEvent>
#include <QWindow>

#include <memory>
#include <utility>
#include <vector>

namespace velmo::test {

namespace {

using Codes = std::vector<int>;

// What the window's backing store holds of w once the event loop ran.
QImage OnScreen(const QWidget* w)
{
    QWindow* handle = w->window()->windowHandle();
    const QPoint at = w->mapTo(w->window(), QPoint(0, 0));
    return handle->screen()->grabWindow(handle->winId(), at.x(), at.y(), w->width(), w->height()).toImage();
}

struct ScrollLog {
    Codes codes;
    std::vector<int> positions;
    void Attach(TrackBar& slider)
    {
        slider.SetScrollHandler([this](int code, int position) {
            codes.push_back(code);
            positions.push_back(position);
        });
    }
    void Clear()
    {
        codes.clear();
        positions.clear();
    }
};

QByteArray Text(const Codes& codes)
{
    QByteArray text;
    for (int c : codes)
        text += QByteArray::number(c) + ' ';
    return text.trimmed();
}

std::unique_ptr<TrackBar> ShownTrackBar(Qt::Orientation orientation)
{
    auto slider = std::make_unique<TrackBar>(orientation);
    slider->SetRange(0, 100);
    slider->SetPageSize(10);
    slider->SetLineSize(1);
    slider->SetPos(50);
    if (orientation == Qt::Horizontal)
        slider->resize(300, 30);
    else
        slider->resize(30, 300);
    slider->show();
    return slider;
}

// A small dialog of parameter edits with ids, as a palette page has them.
struct ExchangeDialog {
    QWidget window;
    QLineEdit* contrast;  // 1609 int -100..100
    QLineEdit* sensitize; // 1622 float -5..3
    QLineEdit* gamma;     // 1613 float, no range

    ExchangeDialog()
    {
        auto* layout = new QVBoxLayout(&window);
        contrast = Add(layout, 1609);
        sensitize = Add(layout, 1622);
        gamma = Add(layout, 1613);
        window.show();
        window.activateWindow();
    }
    static QLineEdit* Add(QVBoxLayout* layout, unsigned id)
    {
        auto* edit = new QLineEdit;
        SetControlId(edit, id);
        layout->addWidget(edit);
        return edit;
    }
};

struct Record {
    int contrast = 0;
    float sensitize = 0;
    float gamma = 0;
};

void ExchangeRecord(CDataExchange& dx, Record& r)
{
    DDX_Text(dx, 1609, r.contrast);
    DDV_MinMaxInt(dx, r.contrast, -100, 100);
    DDX_Text(dx, 1622, r.sensitize);
    DDV_MinMaxFloat(dx, r.sensitize, -5.0f, 3.0f);
    DDX_Text(dx, 1613, r.gamma);
}

class RecordingListener final : public ControlUnitListener {
public:
    void SliderScrolled(ControlUnit&, int code, int) override { codes.push_back(code); }
    void EditChanged(ControlUnit&) override { ++edits; }
    Codes codes;
    int edits = 0;
};

} // namespace

class KitControlsTest : public QObject {
    Q_OBJECT

private slots:
    void DraggingTheThumbTracksThenEnds()
    {
        auto slider = ShownTrackBar(Qt::Horizontal);
        QVERIFY(QTest::qWaitForWindowExposed(slider.get()));
        ScrollLog log;
        log.Attach(*slider);
        const QPoint thumb = slider->ThumbRect().center();
        QTest::mousePress(slider.get(), Qt::LeftButton, {}, thumb);
        QVERIFY2(log.codes.empty(), Text(log.codes)); // pressing the thumb moves nothing
        QTest::mouseMove(slider.get(), thumb + QPoint(30, 0));
        QTest::mouseMove(slider.get(), thumb + QPoint(60, 0));
        QTest::mouseRelease(slider.get(), Qt::LeftButton, {}, thumb + QPoint(60, 0));
        QCOMPARE(Text(log.codes), QByteArray("5 5 4 8"));
        QVERIFY(log.positions[0] > 50 && log.positions[1] > log.positions[0]);
        QCOMPARE(log.positions[2], slider->value());
        QCOMPARE(log.positions[3], slider->value());
    }

    void KeysReportTheirCodeThenEndOnRelease()
    {
        auto slider = ShownTrackBar(Qt::Horizontal);
        QVERIFY(QTest::qWaitForWindowExposed(slider.get()));
        ScrollLog log;
        log.Attach(*slider);
        const struct {
            Qt::Key key;
            const char* codes;
            int position;
        } keys[] = {
            {Qt::Key_Right, "1 8", 51}, {Qt::Key_Down, "1 8", 52},    {Qt::Key_Left, "0 8", 51},
            {Qt::Key_Up, "0 8", 50},    {Qt::Key_PageDown, "3 8", 60}, {Qt::Key_PageUp, "2 8", 50},
            {Qt::Key_End, "7 8", 100},  {Qt::Key_Home, "6 8", 0},
            {Qt::Key_Home, "8", 0}, // already at the top: only the end
        };
        for (const auto& k : keys) {
            log.Clear();
            QTest::keyClick(slider.get(), k.key);
            QVERIFY2(Text(log.codes) == k.codes, Text(log.codes));
            QCOMPARE(slider->value(), k.position);
        }
        // A held key repeats its code; the end comes once, on the release.
        log.Clear();
        QTest::keyPress(slider.get(), Qt::Key_Right);
        QKeyEvent repeat(QEvent::KeyRelease, Qt::Key_Right, Qt::NoModifier, QString(), true);
        QApplication::sendEvent(slider.get(), &repeat);
        QKeyEvent again(QEvent::KeyPress, Qt::Key_Right, Qt::NoModifier, QString(), true);
        QApplication::sendEvent(slider.get(), &again);
        QTest::keyRelease(slider.get(), Qt::Key_Right);
        QCOMPARE(Text(log.codes), QByteArray("1 1 8"));
    }

    void GrooveClickPagesThenEnds()
    {
        auto slider = ShownTrackBar(Qt::Horizontal);
        QVERIFY(QTest::qWaitForWindowExposed(slider.get()));
        ScrollLog log;
        log.Attach(*slider);
        const QPoint after(slider->width() - 4, slider->ThumbRect().center().y());
        QTest::mouseClick(slider.get(), Qt::LeftButton, {}, after);
        QCOMPARE(Text(log.codes), QByteArray("3 8"));
        QCOMPARE(slider->value(), 60);
        log.Clear();
        QTest::mouseClick(slider.get(), Qt::LeftButton, {}, QPoint(4, after.y()));
        QCOMPARE(Text(log.codes), QByteArray("2 8"));
        QCOMPARE(slider->value(), 50);
    }

    void WheelStepsAndEnds()
    {
        auto slider = ShownTrackBar(Qt::Horizontal);
        ScrollLog log;
        log.Attach(*slider);
        const QPointF at = slider->rect().center();
        QWheelEvent up(at, slider->mapToGlobal(at), QPoint(), QPoint(0, 120), Qt::NoButton, Qt::NoModifier,
                       Qt::NoScrollPhase, false);
        QApplication::sendEvent(slider.get(), &up);
        QVERIFY(slider->value() != 50);
        QCOMPARE(log.codes.size(), size_t(2));
        QCOMPARE(log.codes[0], slider->value() > 50 ? TB_LINEDOWN : TB_LINEUP);
        QCOMPARE(log.codes[1], TB_ENDTRACK);
    }

    void ApplyTimerTicksTheCountdown()
    {
        ApplyCountdown countdown;
        int applies = 0;
        ApplyTimer timer(countdown, [&] { ++applies; });
        timer.Start();
        QVERIFY(timer.IsActive());
        countdown.Arm();
        for (int i = 0; i < 3; ++i)
            timer.Tick();
        QCOMPARE(applies, 0);
        timer.Tick();
        QCOMPARE(applies, 1);
        timer.Tick();
        QCOMPARE(applies, 1);
        // The running timer applies an armed countdown by itself (4 x 500 ms).
        countdown.Arm();
        QTRY_COMPARE_WITH_TIMEOUT(applies, 2, 4000);
    }

    void SettingThePositionReportsNothing()
    {
        auto slider = ShownTrackBar(Qt::Horizontal);
        ScrollLog log;
        log.Attach(*slider);
        slider->SetPos(70);
        slider->setValue(20);
        slider->setSliderPosition(30);
        slider->setRange(40, 90); // moves the value into the range
        QVERIFY2(log.codes.empty(), Text(log.codes));
    }

    void VerticalTrackBarHasItsMinimumAtTheTop()
    {
        auto slider = ShownTrackBar(Qt::Vertical);
        QVERIFY(QTest::qWaitForWindowExposed(slider.get()));
        ScrollLog log;
        log.Attach(*slider);
        const int middle = slider->ThumbRect().center().y();
        QTest::keyClick(slider.get(), Qt::Key_Up);
        QCOMPARE(Text(log.codes), QByteArray("0 8"));
        QCOMPARE(slider->value(), 49);
        QVERIFY(slider->ThumbRect().center().y() <= middle); // Up moved the thumb up
        slider->SetPos(0);
        QVERIFY(slider->ThumbRect().center().y() < slider->height() / 4);
        log.Clear();
        QTest::keyClick(slider.get(), Qt::Key_PageDown);
        QCOMPARE(Text(log.codes), QByteArray("3 8"));
        QCOMPARE(slider->value(), 10);
    }

    void SpinReportsDeltaAndStepsItsBuddy()
    {
        QWidget window;
        auto* edit = new QLineEdit(&window);
        auto* spin = new SpinButton(&window);
        auto* layout = new QVBoxLayout(&window);
        layout->addWidget(edit);
        layout->addWidget(spin);
        spin->SetBuddy(edit);
        std::vector<std::pair<int, int>> asked;
        bool cancel = false;
        spin->SetDeltaPosHandler([&](int position, int& delta) {
            asked.emplace_back(position, delta);
            return cancel;
        });
        window.show();
        QVERIFY(QTest::qWaitForWindowExposed(&window));

        // The default range 100..0: up gives -1.
        edit->setText(QStringLiteral("50"));
        QTest::mouseClick(spin->UpButton(), Qt::LeftButton);
        QCOMPARE(asked.back(), std::make_pair(50, -1));
        QCOMPARE(edit->text(), QStringLiteral("49"));
        QTest::mouseClick(spin->DownButton(), Qt::LeftButton);
        QCOMPARE(asked.back(), std::make_pair(49, 1));
        QCOMPARE(edit->text(), QStringLiteral("50"));
        // The arrow keys in the buddy step too.
        QTest::keyClick(edit, Qt::Key_Up);
        QCOMPARE(edit->text(), QStringLiteral("49"));

        // A range of its own: up toward the upper bound.
        spin->SetRange(-100, 100);
        QTest::mouseClick(spin->UpButton(), Qt::LeftButton);
        QCOMPARE(asked.back(), std::make_pair(49, 1));
        QCOMPARE(edit->text(), QStringLiteral("50"));
        edit->setText(QStringLiteral("100"));
        QTest::mouseClick(spin->UpButton(), Qt::LeftButton);
        QCOMPARE(edit->text(), QStringLiteral("100"));

        // The handler cancels: nothing moves.
        cancel = true;
        const size_t before = asked.size();
        QTest::mouseClick(spin->DownButton(), Qt::LeftButton);
        QCOMPARE(asked.size(), before + 1);
        QCOMPARE(edit->text(), QStringLiteral("100"));
        QCOMPARE(spin->Pos(), 100);
    }

    void OwnStepSpinsChangeTheValueInTheEdit()
    {
        ControlRow gammaRow;
        gammaRow.editId = 1613;
        gammaRow.sliderId = 2111;
        gammaRow.spinId = 2212;
        gammaRow.caption = "Gamma";
        gammaRow.type = ValueType::Float;
        gammaRow.sliderMin = kExponentSliderMin;
        gammaRow.sliderMax = kExponentSliderMax;
        gammaRow.mapping = SliderMapping::Exponent;
        gammaRow.spinStep = SpinStepRule::Exponent;
        ControlUnit gamma(gammaRow);
        RecordingListener listener;
        gamma.SetListener(&listener);
        gamma.show();
        QVERIFY(QTest::qWaitForWindowExposed(&gamma));

        gamma.ShowValue(0.0);
        QCOMPARE(gamma.Slider()->value(), 1);
        QTest::mouseClick(gamma.Spin()->UpButton(), Qt::LeftButton);
        QCOMPARE(gamma.Edit()->text(), QStringLiteral("0.01"));
        QCOMPARE(listener.edits, 1);
        gamma.ShowValue(10.0);
        QTest::mouseClick(gamma.Spin()->UpButton(), Qt::LeftButton);
        QCOMPARE(gamma.Edit()->text(), QStringLiteral("10.5"));
        QTest::mouseClick(gamma.Spin()->DownButton(), Qt::LeftButton);
        QCOMPARE(gamma.Edit()->text(), QStringLiteral("9.98")); // 10.5 - 0.52
        QCOMPARE(gamma.Slider()->value(), ExponentToPosition(10.0f)); // the slider waits for Apply
        QCOMPARE(listener.edits, 3);
        // A refused entry is not stepped (the next exchange reports it).
        gamma.Edit()->setText(QStringLiteral("x"));
        QTest::mouseClick(gamma.Spin()->UpButton(), Qt::LeftButton);
        QCOMPARE(gamma.Edit()->text(), QStringLiteral("x"));

        ControlRow evRow;
        evRow.editId = 1622;
        evRow.spinId = 2219;
        evRow.caption = "EV";
        evRow.type = ValueType::Float;
        evRow.spinRange = UpDownRange{-4, 3};
        evRow.spinStep = SpinStepRule::Sensitize;
        ControlUnit ev(evRow);
        ev.ShowValue(0.0);
        ev.show();
        QTest::mouseClick(ev.Spin()->UpButton(), Qt::LeftButton);
        QCOMPARE(ev.Edit()->text(), QStringLiteral("0.1"));
    }

    void UnitReportsItsSliderAndTypedEdits()
    {
        ControlRow row;
        row.editId = 1609;
        row.sliderId = 2108;
        row.spinId = 2209;
        row.caption = "&Contrast";
        row.sliderMin = -100;
        row.sliderMax = 100;
        row.editRange = ValueRange{-100, 100};
        row.spinRange = UpDownRange{-100, 100};
        ControlUnit unit(row);
        RecordingListener listener;
        unit.SetListener(&listener);
        unit.ShowValue(0);
        unit.show();
        QVERIFY(QTest::qWaitForWindowExposed(&unit));
        QCOMPARE(listener.edits, 0); // shown by code: no EN_CHANGE
        QCOMPARE(unit.Edit()->accessibleName(), QStringLiteral("Contrast"));
        QCOMPARE(unit.Slider()->accessibleName(), QStringLiteral("Contrast"));
        QCOMPARE(unit.Spin()->accessibleName(), QStringLiteral("Contrast"));
        QCOMPARE(FindControl(&unit, 2108), unit.Slider());

        QTest::keyClick(unit.Slider(), Qt::Key_Right);
        QCOMPARE(Text(listener.codes), QByteArray("1 8"));
        QCOMPARE(unit.SliderValue(), 1.0);
        QTest::keyClicks(unit.Edit(), QStringLiteral("5"));
        QCOMPARE(listener.edits, 1);
        QTest::mouseClick(unit.Spin()->UpButton(), Qt::LeftButton);
        QCOMPARE(unit.Edit()->text(), QStringLiteral("6"));
        QCOMPARE(listener.edits, 2);
    }

    void ThreeStateBoxCyclesLikeWin32()
    {
        QWidget window;
        auto* layout = new QVBoxLayout(&window);
        auto& prv = *new AutoCheckBox(QStringLiteral("Prv"), true);
        auto& mgn = *new AutoCheckBox(QStringLiteral("Mgn"));
        layout->addWidget(&prv);
        layout->addWidget(&mgn);
        window.show();
        QVERIFY(QTest::qWaitForWindowExposed(&window));
        std::vector<int> states;
        for (int i = 0; i < 4; ++i) {
            QTest::mouseClick(&prv, Qt::LeftButton);
            states.push_back(prv.State());
        }
        QCOMPARE(states, (std::vector<int>{1, 2, 0, 1}));
        prv.setFocus();
        QTest::keyClick(&prv, Qt::Key_Space);
        QCOMPARE(prv.State(), BST_INDETERMINATE);
        states.clear();
        for (int i = 0; i < 3; ++i) {
            QTest::mouseClick(&mgn, Qt::LeftButton);
            states.push_back(mgn.State());
        }
        QCOMPARE(states, (std::vector<int>{1, 0, 1}));
    }

    void HeldButtonLooksPressedAndStaysAButton()
    {
        QWidget window;
        auto* layout = new QVBoxLayout(&window);
        auto& held = *new HeldButton(QStringLiteral("&Abort"));
        auto& plain = *new QPushButton(QStringLiteral("&Abort"));
        auto& other = *new QLineEdit;
        layout->addWidget(&held);
        layout->addWidget(&plain);
        layout->addWidget(&other);
        window.show();
        QVERIFY(QTest::qWaitForWindowExposed(&window));
        other.setFocus();
        QTest::qWait(20);
        QCOMPARE(held.size(), plain.size());
        const QImage up = OnScreen(&held);
        QVERIFY(up == OnScreen(&plain));

        // Held: the look of a button pressed down, and still a button.
        int clicks = 0;
        QObject::connect(&held, &QPushButton::clicked, [&clicks] { ++clicks; });
        held.SetHeld(true);
        plain.setDown(true);
        QTest::qWait(20);
        const QImage down = OnScreen(&plain);
        QVERIFY(down != up);
        QVERIFY(OnScreen(&held) == down);
        const QString file = QStringLiteral(VELMO_BINARY_DIR "/velmo-held-button.png");
        QVERIFY(OnScreen(&window).save(file));
        qInfo("screenshot: %s", qPrintable(file));
        QVERIFY(!held.isCheckable());
        QCOMPARE(QAccessible::queryAccessibleInterface(&held)->role(), QAccessible::Button);
        // A click still clicks, and neither it nor the focus moving away
        // lets the button up.
        QTest::mouseClick(&held, Qt::LeftButton);
        QCOMPARE(clicks, 1);
        QVERIFY(!held.isChecked());
        other.setFocus();
        QTest::qWait(20);
        QVERIFY(held.Held());
        QVERIFY(OnScreen(&held) == down);
        held.SetHeld(false);
        QTest::qWait(20);
        QVERIFY(OnScreen(&held) == up);
    }

    void RadioGroupGivesTheIndexInTemplateOrder()
    {
        QWidget window;
        auto* layout = new QVBoxLayout(&window);
        RadioGroup group(&window);
        QRadioButton* radios[4];
        const unsigned ids[] = {1804, 1805, 1806, 1807};
        const char* captions[] = {"Hard", "Normal", "Soft", "Custom"};
        for (int i = 0; i < 4; ++i) {
            radios[i] = new QRadioButton(QString::fromLatin1(captions[i]));
            SetControlId(radios[i], ids[i]);
            layout->addWidget(radios[i]);
            QCOMPARE(group.Add(radios[i]), i);
        }
        window.show();
        QVERIFY(QTest::qWaitForWindowExposed(&window));
        QCOMPARE(group.CheckedIndex(), -1);
        QTest::mouseClick(radios[2], Qt::LeftButton);
        QCOMPARE(group.CheckedIndex(), 2);
        int value = 99;
        QVERIFY(RunDataExchange(&window, true, [&](CDataExchange& dx) { DDX_Radio(dx, 1804, value); }));
        QCOMPARE(value, 2);
        value = -1;
        RunDataExchange(&window, false, [&](CDataExchange& dx) { DDX_Radio(dx, 1804, value); });
        QCOMPARE(group.CheckedIndex(), -1);
        for (QRadioButton* r : radios)
            QVERIFY(!r->isChecked());
        value = 3;
        RunDataExchange(&window, false, [&](CDataExchange& dx) { DDX_Radio(dx, 1804, value); });
        QVERIFY(radios[3]->isChecked());
        QTest::mouseClick(radios[0], Qt::LeftButton);
        QVERIFY(!radios[3]->isChecked());
        QCOMPARE(group.CheckedIndex(), 0);
    }

    void ExchangeShowsAndReadsTheFrameworksTexts()
    {
        ExchangeDialog dialog;
        Record record{-37, -1.5f, 1.8f};
        QVERIFY(RunDataExchange(&dialog.window, false, [&](CDataExchange& dx) { ExchangeRecord(dx, record); }));
        QCOMPARE(dialog.contrast->text(), QStringLiteral("-37"));
        QCOMPARE(dialog.sensitize->text(), QStringLiteral("-1.5"));
        QCOMPARE(dialog.gamma->text(), QStringLiteral("1.8"));
        dialog.contrast->setText(QStringLiteral(" 12 "));
        dialog.gamma->setText(QStringLiteral("2.2"));
        RecordingMessages messages;
        QVERIFY(RunDataExchange(&dialog.window, true, [&](CDataExchange& dx) { ExchangeRecord(dx, record); }));
        QCOMPARE(record.contrast, 12);
        QCOMPARE(record.gamma, 2.2f);
        QVERIFY(messages.calls.empty());
        // Check boxes and sliders by id; a missing control is skipped.
        AutoCheckBox* vivid = new AutoCheckBox(QStringLiteral("Vivid"), true, &dialog.window);
        SetControlId(vivid, 1202);
        TrackBar* slider = new TrackBar(Qt::Horizontal, &dialog.window);
        SetControlId(slider, 2108);
        slider->SetRange(-100, 100);
        int vividState = 2, position = 40, missing = 7;
        RunDataExchange(&dialog.window, false, [&](CDataExchange& dx) {
            DDX_Check(dx, 1202, vividState);
            DDX_Slider(dx, 2108, position);
            DDX_Check(dx, 4444, missing);
        });
        QCOMPARE(vivid->checkState(), Qt::PartiallyChecked);
        QCOMPARE(slider->value(), 40);
        vivid->SetState(BST_CHECKED);
        slider->SetPos(-20);
        QVERIFY(RunDataExchange(&dialog.window, true, [&](CDataExchange& dx) {
            DDX_Check(dx, 1202, vividState);
            DDX_Slider(dx, 2108, position);
            DDX_Check(dx, 4444, missing);
        }));
        QCOMPARE(vividState, 1);
        QCOMPARE(position, -20);
        QCOMPARE(missing, 7);
    }

    void RefusedEntryKeepsTheFocusAndStopsTheExchange_data()
    {
        QTest::addColumn<QString>("contrast");
        QTest::addColumn<QString>("sensitize");
        QTest::addColumn<unsigned>("failingId");
        QTest::addColumn<QString>("message");
        QTest::newRow("not an integer") << "abc" << "1" << 1609u << "Please enter an integer.";
        QTest::newRow("integer out of range") << "150" << "1" << 1609u
                                              << "Please enter an integer between -100 and 100.";
        QTest::newRow("not a number") << "10" << "1,5" << 1622u << "Please enter a number.";
        QTest::newRow("number out of range") << "10" << "4" << 1622u
                                             << "Please enter a number between -5 and 3.";
    }
    void RefusedEntryKeepsTheFocusAndStopsTheExchange()
    {
        QFETCH(QString, contrast);
        QFETCH(QString, sensitize);
        QFETCH(unsigned, failingId);
        QFETCH(QString, message);
        ExchangeDialog dialog;
        QVERIFY(QTest::qWaitForWindowActive(&dialog.window));
        dialog.gamma->setFocus();
        dialog.contrast->setText(contrast);
        dialog.sensitize->setText(sensitize);
        dialog.gamma->setText(QStringLiteral("2.2"));
        Record record{0, 0.5f, 1.0f};
        RecordingMessages messages;
        QVERIFY(!RunDataExchange(&dialog.window, true, [&](CDataExchange& dx) { ExchangeRecord(dx, record); }));
        QCOMPARE(messages.calls.size(), size_t(1));
        QCOMPARE(QString::fromStdString(messages.calls[0].text), message);
        QCOMPARE(messages.calls[0].type, unsigned(MB_OK | MB_ICONEXCLAMATION));
        QLineEdit* failing = qobject_cast<QLineEdit*>(FindControl(&dialog.window, failingId));
        QCOMPARE(QApplication::focusWidget(), failing);
        QCOMPARE(failing->selectedText(), failing->text());
        // The controls after the refused one were not read.
        QCOMPARE(record.gamma, 1.0f);
        if (failingId == 1609)
            QCOMPARE(record.sensitize, 0.5f);
    }
};

VELMO_KIT_TEST(KitControlsTest);

} // namespace velmo::test

#include "KitControlsTest.moc"
