// The kit's plain rules, without widgets: number texts as the data exchange
// reads and shows them, the apply countdown, the slider gate, the exponent
// mapping and the own spin steps, the up-down and check-box rules, and the
// conversions of a control row.
#include "platform/gui/AutoCheckBox.h"
#include "platform/gui/ControlUnit.h"
#include "platform/gui/DataExchange.h"
#include "platform/gui/DeferredApply.h"
#include "params/ExponentMapping.h"
#include "platform/gui/SpinButton.h"
#include "platform/gui/TrackBarCodes.h"
#include "res/ResourceIds.h"
#include "tests/platform_gui/KitTest.h"

#include <QTest>

#include <cmath>
#include <limits>
#include <optional>

namespace velmo::test {

class KitRulesTest : public QObject {
    Q_OBJECT

private slots:
    void IntTextIsReadAsTheFrameworkReadsIt_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<bool>("valid");
        QTest::addColumn<int>("value");
        QTest::newRow("plain") << "5" << true << 5;
        QTest::newRow("blanks around") << " \t42 \t" << true << 42;
        QTest::newRow("negative") << "-7" << true << -7;
        QTest::newRow("plus") << "+5" << true << 5;
        QTest::newRow("zero") << "0" << true << 0;
        QTest::newRow("leading zeros") << "-05" << true << -5;
        QTest::newRow("int max") << "2147483647" << true << std::numeric_limits<int>::max();
        QTest::newRow("int min") << "-2147483648" << true << std::numeric_limits<int>::min();
        QTest::newRow("empty") << "" << false << 0;
        QTest::newRow("blanks") << "   " << false << 0;
        QTest::newRow("minus zero") << "-0" << false << 0;
        QTest::newRow("sign only") << "-" << false << 0;
        QTest::newRow("letters") << "abc" << false << 0;
        QTest::newRow("trailing letter") << "5x" << false << 0;
        QTest::newRow("two numbers") << "5 5" << false << 0;
        QTest::newRow("decimal") << "1.5" << false << 0;
        QTest::newRow("hex") << "0x10" << false << 0;
        QTest::newRow("above int") << "2147483648" << false << 0;
        QTest::newRow("below int") << "-2147483649" << false << 0;
        QTest::newRow("huge") << "99999999999999999999999" << false << 0;
    }
    void IntTextIsReadAsTheFrameworkReadsIt()
    {
        QFETCH(QString, text);
        QFETCH(bool, valid);
        QFETCH(int, value);
        const std::optional<int> parsed = ParseIntText(text.toStdString());
        QCOMPARE(parsed.has_value(), valid);
        if (valid)
            QCOMPARE(*parsed, value);
    }

    void FloatTextIsReadAsTheFrameworkReadsIt_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<bool>("valid");
        QTest::addColumn<float>("value");
        QTest::newRow("decimal") << "1.8" << true << 1.8f;
        QTest::newRow("no integer part") << " .5 " << true << 0.5f;
        QTest::newRow("exponent") << "-2e-1" << true << -0.2f;
        QTest::newRow("plus") << "+3" << true << 3.0f;
        QTest::newRow("zero") << "0" << true << 0.0f;
        QTest::newRow("zero point zero") << "0.0" << true << 0.0f;
        QTest::newRow("trailing point") << "1." << true << 1.0f;
        QTest::newRow("blanks") << "\t16 " << true << 16.0f;
        QTest::newRow("point zero") << ".0" << false << 0.0f;
        QTest::newRow("minus zero") << "-0.0" << false << 0.0f;
        QTest::newRow("empty") << "" << false << 0.0f;
        QTest::newRow("comma") << "1,5" << false << 0.0f;
        QTest::newRow("two points") << "1.5.2" << false << 0.0f;
        QTest::newRow("two signs") << "+-1" << false << 0.0f;
        QTest::newRow("bare exponent") << "1e" << false << 0.0f;
        QTest::newRow("nan") << "nan" << false << 0.0f;
        QTest::newRow("inf") << "inf" << false << 0.0f;
        QTest::newRow("beyond double") << "1e400" << false << 0.0f;
        QTest::newRow("beyond float") << "1e39" << false << 0.0f;
        QTest::newRow("hex float") << "0x1p3" << false << 0.0f;
    }
    void FloatTextIsReadAsTheFrameworkReadsIt()
    {
        QFETCH(QString, text);
        QFETCH(bool, valid);
        QFETCH(float, value);
        const std::optional<float> parsed = ParseFloatText(text.toStdString());
        QCOMPARE(parsed.has_value(), valid);
        if (valid)
            QCOMPARE(*parsed, value);
    }

    void NumbersAreShownInTheFrameworksFormats()
    {
        // "%d" and "%.*g" with FLT_DIG (6) significant digits.
        QCOMPARE(FormatIntText(-100), std::string("-100"));
        const struct {
            float value;
            const char* text;
        } floats[] = {
            {1.8f, "1.8"},         {0.99f, "0.99"},      {12.0f, "12"},       {0.0f, "0"},
            {-0.3f, "-0.3"},       {1e-5f, "1e-05"},     {1234567.0f, "1.23457e+06"},
            {2.123456789f, "2.12346"},
        };
        for (const auto& f : floats)
            QCOMPARE(FormatFloatText(f.value), std::string(f.text));
        // What is shown reads back as the same float.
        for (float v : {1.8f, 0.01f, 10.5f, -4.9f, 2.2f})
            QCOMPARE(*ParseFloatText(FormatFloatText(v)), v);
    }

    void RangeMessagesNameTheBounds()
    {
        QCOMPARE(FormatMessage2(AFX_IDP_PARSE_INT_RANGE, FormatIntText(-100), FormatIntText(100)),
                 std::string("Please enter an integer between -100 and 100."));
        QCOMPARE(FormatMessage2(AFX_IDP_PARSE_REAL_RANGE, FormatFloatText(-5.0f), FormatFloatText(3.0f)),
                 std::string("Please enter a number between -5 and 3."));
    }

    void CountdownAppliesOnceAfterTheLastEdit()
    {
        // a: an edit arms the countdown, c: an apply cancels it, t: a 500 ms
        // tick. expected: per tick, whether it applies.
        const struct {
            const char* events;
            const char* expected;
        } cases[] = {
            {"tttt", "0000"},             // nothing pending
            {"atttt", "0001"},            // two seconds after the edit
            {"atttttt", "000100"},        // once only
            {"ataatatttt", "000001"},     // three digits in a second: after the last one
            {"atcttttt", "000000"},       // applied at once: the pending one is dropped
            {"attttatttt", "00010001"},   // a later edit applies again
        };
        for (const auto& c : cases) {
            ApplyCountdown countdown;
            std::string applied;
            for (const char* e = c.events; *e != 0; ++e) {
                if (*e == 'a')
                    countdown.Arm();
                else if (*e == 'c')
                    countdown.Cancel();
                else
                    applied += countdown.Tick() ? '1' : '0';
            }
            QVERIFY2(applied == c.expected, c.events);
            QCOMPARE(countdown.Remaining(), 0);
        }
    }

    // What the countdown takes of a typed text: a whole value within the
    // edit's range; a number on its way ("-", "1.") and a text the exchange
    // refuses wait for the user to go on or to leave the edit.
    void CountdownTakesOnlyAWholeValue_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<bool>("isFloat");
        QTest::addColumn<bool>("ranged");
        QTest::addColumn<double>("min");
        QTest::addColumn<double>("max");
        QTest::addColumn<bool>("ready");
        auto add = [](const char* name, const char* text, bool isFloat, bool ready) {
            QTest::newRow(name) << text << isFloat << false << 0.0 << 0.0 << ready;
        };
        auto ranged = [](const char* name, const char* text, bool isFloat, double lo, double hi, bool ready) {
            QTest::newRow(name) << text << isFloat << true << lo << hi << ready;
        };
        add("int minus", "-", false, false);
        add("int empty", "", false, false);
        add("int plus", "+", false, false);
        add("int blanks", "  ", false, false);
        add("int minus zero", "-0", false, false);
        add("int minus point", "-.", false, false);
        add("int 12", "12", false, true);
        add("int -3", "-3", false, true);
        add("int +5", "+5", false, true);
        add("int 0", "0", false, true);
        add("int blanks around", " 7 ", false, true);
        add("int decimal", "1.5", false, false);
        add("int letters", "abc", false, false);
        ranged("int in range", "-100", false, -100, 100, true);
        ranged("int above range", "101", false, -100, 100, false);
        ranged("int below range", "-101", false, -100, 100, false);
        ranged("int on the way to the range", "25", false, 2500, 9500, false);
        add("float minus", "-", true, false);
        add("float empty", "", true, false);
        add("float plus", "+", true, false);
        add("float minus point", "-.", true, false);
        add("float point", ".", true, false);
        add("float trailing point", "1.", true, false);
        add("float trailing point and blank", "-2. ", true, false);
        add("float exponent mark", "1e", true, false);
        add("float exponent sign", "1e-", true, false);
        add("float 1.5", "1.5", true, true);
        add("float -3", "-3", true, true);
        add("float 12", "12", true, true);
        add("float point five", ".5", true, true);
        add("float minus point five", "-.5", true, true);
        add("float exponent", "2e-1", true, true);
        add("float comma", "1,5", true, false);
        ranged("float in range", "-5", true, -5, 3, true);
        ranged("float above range", "4", true, -5, 3, false);
        ranged("float below range", "-5.01", true, -5, 3, false);
    }
    void CountdownTakesOnlyAWholeValue()
    {
        QFETCH(QString, text);
        QFETCH(bool, isFloat);
        QFETCH(bool, ranged);
        QFETCH(double, min);
        QFETCH(double, max);
        QFETCH(bool, ready);
        const std::optional<ValueRange> range = ranged ? std::optional<ValueRange>(ValueRange{min, max}) : std::nullopt;
        QCOMPARE(TypedValueReady(text.toStdString(), isFloat ? ValueType::Float : ValueType::Int, range), ready);
    }

    void SliderGateFollowsPrv()
    {
        // Per "Prv" state, per code 0..8: i ignored, A applied at once,
        // D deferred to the countdown.
        const struct {
            int prv;
            const char* codes;
        } table[] = {
            {kPrvDeferred, "iiiiiiiiD"},
            {kPrvLive, "iiiiiAiiA"},
            {kPrvOnRelease, "iiiiiiiiA"},
        };
        for (const auto& row : table)
            for (int code = TB_LINEUP; code <= TB_ENDTRACK; ++code)
                for (bool changed : {true, false}) {
                    ApplyCountdown countdown;
                    countdown.Arm();
                    countdown.Tick(); // a typed value is pending: 3 ticks left
                    int reads = 0, applies = 0;
                    const SliderGateResult result = RunSliderGate(
                        code, row.prv, countdown,
                        [&] {
                            ++reads;
                            return changed;
                        },
                        [&] { ++applies; });
                    const char expected = row.codes[code];
                    const QByteArray what = QByteArray("prv ") + QByteArray::number(row.prv) + " code " +
                                            QByteArray::number(code) + (changed ? " changed" : " unchanged");
                    if (expected == 'i') {
                        QVERIFY2(result == SliderGateResult::Ignored, what);
                        QVERIFY2(reads == 0 && countdown.Remaining() == 3, what);
                    } else if (!changed) {
                        // Nothing further: the pending value still gets applied.
                        QVERIFY2(result == SliderGateResult::Unchanged, what);
                        QVERIFY2(applies == 0 && countdown.Remaining() == 3, what);
                    } else if (expected == 'A') {
                        QVERIFY2(result == SliderGateResult::Applied, what);
                        QVERIFY2(applies == 1 && countdown.Remaining() == 0, what);
                    } else {
                        QVERIFY2(result == SliderGateResult::Deferred, what);
                        QVERIFY2(applies == 0 && countdown.Remaining() == ApplyCountdown::kTicks, what);
                    }
                }
    }

    void ExponentSliderMapping()
    {
        QCOMPARE(ExponentToPosition(1.0f), 2049);
        QCOMPARE(ExponentToPosition(1.8f), 2921);
        QCOMPARE(PositionToExponent(2921), 1.80f);
        QCOMPARE(PositionToExponent(2048), 0.99f);
        QCOMPARE(PositionToExponent(4096), 12.0f);
        QCOMPARE(PositionToExponent(1), 0.0f);
        // The ends: 12 and more sit at the slider's end; 0 at its start.
        QCOMPARE(ExponentToPosition(0.0f), 1);
        QCOMPARE(ExponentToPosition(12.0f), 4096);
        for (float v : {12.5f, 13.0f, 16.0f, 100.0f, std::numeric_limits<float>::infinity()})
            QCOMPARE(ExponentToPosition(v), 4096);
        QCOMPARE(ExponentToPosition(-1.0f), 1);
        QCOMPARE(ExponentToPosition(std::numeric_limits<float>::quiet_NaN()), 1);
        // Positions beyond the range give the end values, never log(0).
        for (int p : {4097, 5000, std::numeric_limits<int>::max()})
            QCOMPARE(PositionToExponent(p), 12.0f);
        for (int p : {0, -5, std::numeric_limits<int>::min()})
            QCOMPARE(PositionToExponent(p), 0.0f);
        // Every position gives a value that maps back onto the slider.
        for (int p = kExponentSliderMin; p <= kExponentSliderMax; ++p) {
            const float v = PositionToExponent(p);
            QVERIFY(std::isfinite(v) && v >= 0.0f && v <= 12.0f);
            const int back = ExponentToPosition(v);
            QVERIFY(back >= kExponentSliderMin && back <= kExponentSliderMax);
        }
    }

    void OwnSpinSteps()
    {
        // Up on a spin without a range gives delta -1 and increases the value.
        QCOMPARE(ExponentSpinValue(0.0f, -1), 0.01f);
        QCOMPARE(ExponentSpinValue(10.0f, -1), 10.5f);
        QCOMPARE(ExponentSpinValue(10.0f, 1), 9.5f);
        QCOMPARE(ExponentSpinValue(0.0f, 1), 0.0f);   // clamped at 0
        QCOMPARE(ExponentSpinValue(16.0f, -1), 16.0f); // clamped at 16
        QCOMPARE(ExponentSpinValue(1e30f, -1), 16.0f);
        QCOMPARE(ExponentSpinValue(std::numeric_limits<float>::quiet_NaN(), -1), 0.0f);
        QCOMPARE(SensitizeSpinValue(0.0f, 1), 0.1f);
        QCOMPARE(SensitizeSpinValue(-1.0f, -5), -1.5f);
        QCOMPARE(SensitizeSpinValue(2.95f, 1), 3.0f);
        QCOMPARE(SensitizeSpinValue(-5.0f, -1), -5.0f);
    }

    void UpDownRules()
    {
        const UpDownRange defaults;
        QCOMPARE(UpDownDelta(defaults, true), -1); // reversed 100..0
        QCOMPARE(UpDownDelta(defaults, false), 1);
        QCOMPARE(UpDownDelta(UpDownRange{-100, 100}, true), 1);
        QCOMPARE(UpDownDelta(UpDownRange{-100, 100}, true, 5), 5);
        QCOMPARE(UpDownOffset(defaults, 50, -1), std::optional<int>(49));
        QCOMPARE(UpDownOffset(defaults, 0, -1), std::optional<int>());
        QCOMPARE(UpDownOffset(UpDownRange{-100, 100}, 98, 5), std::optional<int>(100));
        QCOMPARE(UpDownOffset(UpDownRange{-100, 100}, 100, 1), std::optional<int>());
        QCOMPARE(UpDownAcceleration(0), 1);
        QCOMPARE(UpDownAcceleration(1999), 1);
        QCOMPARE(UpDownAcceleration(2000), 5);
        QCOMPARE(UpDownAcceleration(5000), 20);
    }

    void CheckBoxCycles()
    {
        QCOMPARE(NextAuto3State(BST_UNCHECKED), BST_CHECKED);
        QCOMPARE(NextAuto3State(BST_CHECKED), BST_INDETERMINATE);
        QCOMPARE(NextAuto3State(BST_INDETERMINATE), BST_UNCHECKED);
        QCOMPARE(NextAutoCheckState(BST_UNCHECKED), BST_CHECKED);
        QCOMPARE(NextAutoCheckState(BST_CHECKED), BST_UNCHECKED);
    }

    void RowConversions()
    {
        ControlRow temperature;
        temperature.sliderMin = 25;
        temperature.sliderMax = 95;
        temperature.scale = 100;
        QCOMPARE(RowValueToPosition(temperature, 5549), 55);
        QCOMPARE(RowPositionToValue(temperature, 56), 5600.0);

        ControlRow sensitize;
        sensitize.type = ValueType::Float;
        sensitize.scale = 10;
        QCOMPARE(RowValueToPosition(sensitize, -4.0f), -40);
        QCOMPARE(RowValueToPosition(sensitize, 0.7f), 7);
        QCOMPARE(RowValueToPosition(sensitize, 1e30f), std::numeric_limits<int>::max());
        QCOMPARE(float(RowPositionToValue(sensitize, 30)), 3.0f);
        QCOMPARE(float(RowPositionToValue(sensitize, -3)), -0.3f);

        ControlRow gamma;
        gamma.type = ValueType::Float;
        gamma.mapping = SliderMapping::Exponent;
        QCOMPARE(RowValueToPosition(gamma, 1.8f), 2921);
        QCOMPARE(float(RowPositionToValue(gamma, 2921)), 1.8f);

        ControlRow contrast;
        QCOMPARE(RowValueToPosition(contrast, -37), -37);
        QCOMPARE(RowPositionToValue(contrast, 12), 12.0);
    }
};

VELMO_KIT_TEST(KitRulesTest);

} // namespace velmo::test

#include "KitRulesTest.moc"
