// Values at the ends of what the program sets, on the parameters palettes:
// neutral reset's "no white balance" shows no preset on either palette,
// survives an Apply and the next start; the easy mix's 240 and the
// exponents' 0 and 16 are shown, applied as they are and typed; a typed value
// beyond what is stored is refused with the range message
// (velmo-kept-*.png in the build folder).
#include "app/palettes/ParamBar.h"
#include "app/palettes/ParamTabBar.h"
#include "document/VelmoDoc.h"
#include "params/EditState.h"
#include "params/ParamFields.h"
#include "platform/gui/DataExchange.h"
#include "res/ResourceIds.h"
#include "tests/app/AppTest.h"
#include "tests/app/AppTestEnv.h"

#include <QComboBox>
#include <QImage>
#include <QLineEdit>
#include <QTest>

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

QComboBox* WhiteBalanceList(CParamControls& controls)
{
    return qobject_cast<QComboBox*>(controls.Control(IDC_WB_COMBO));
}

// Neither palette shows a preset; the temperature controls are off.
void ExpectNoPresetShown(CMainFrame& frame, const char* when)
{
    for (CParamControls* controls : {&Tabbed(frame).Controls(), &Classic(frame).Controls()}) {
        QComboBox* list = WhiteBalanceList(*controls);
        QVERIFY2(list != nullptr, when);
        QVERIFY2(list->count() == 13, when);
        QVERIFY2(list->currentIndex() == -1, when);
        QVERIFY2(list->currentText().isEmpty(), when);
        QVERIFY2(!controls->Unit(F::wbTempt)->Edit()->isEnabled(), when);
    }
}

void SaveShot(const QWidget& w, const char* name)
{
    const QImage shot = OnScreen(&w);
    const QString file = QStringLiteral(VELMO_BINARY_DIR "/") + QLatin1String(name);
    qInfo("screenshot: %s (%dx%d)", qPrintable(file), shot.width(), shot.height());
    QVERIFY(shot.save(file));
}

} // namespace

class KeptValuesTest : public QObject {
    Q_OBJECT

private slots:
    void NeutralResetShowsNoPresetAndSurvivesTheNextStart()
    {
        TempDir dir;
        const std::string settingsPath = dir.File("Velmo.ini");
        {
            AppRun::Setup setup;
            setup.settingsPath = settingsPath;
            setup.arguments = {SampleRafPath(dir.path())};
            AppRun run(setup);
            QVERIFY(run.Doc().HasImage());
            CMainFrame& frame = run.Frame();
            frame.resize(1400, 1000);
            Tabbed(frame).show();
            ProcessEvents(50);
            run.Frame().ExecuteCommand(ID_NEUTRAL_RESET);
            ProcessEvents(50);
            QCOMPARE(run.Doc().Edit().Params().whiteBalance, -1);
            ExpectNoPresetShown(frame, "after neutral reset");
            // An Apply of the palette keeps it: the empty list is no preset.
            Tabbed(frame).Controls().Unit(F::contrast)->Edit()->setText(QStringLiteral("12"));
            Tabbed(frame).OnApply();
            ProcessEvents(50);
            QCOMPARE(run.Doc().Edit().Params().contrast, 12);
            QCOMPARE(run.Doc().Edit().Params().whiteBalance, -1);
            QVERIFY(run.Messages().calls.empty());
            SaveShot(frame, "velmo-kept-neutral-reset.png");
            run.Quit();
        }
        // Started again, without an image (opening one takes the camera's
        // white balance, as a load always does).
        AppRun::Setup again;
        again.settingsPath = settingsPath;
        AppRun run(again);
        QCOMPARE(run.Doc().Edit().Params().whiteBalance, -1);
        QCOMPARE(run.Doc().Edit().Params().contrast, 12);
        Tabbed(run.Frame()).show();
        ProcessEvents(50);
        ExpectNoPresetShown(run.Frame(), "after the next start");
        SaveShot(run.Frame(), "velmo-kept-neutral-reset-restarted.png");
    }

    void EndValuesAreShownAppliedAndTyped()
    {
        AppRun run;
        CVelmoDoc& doc = run.Doc();
        CParamTabBar& tabbed = Tabbed(run.Frame());
        tabbed.show();
        ProcessEvents(50);
        run.Messages().calls.clear();
        doc.Edit().ModifyParams([](DevParams& p) {
            p.twoFrames = 1;
            p.easySR = 1;
            p.mixSR = 240;
            p.gamma = 0.0f;
            p.gammaSR = 16.0f;
            p.gammaSR2 = 0.0f;
        });
        doc.OnParametersChanged();
        ProcessEvents(20);
        CParamControls& controls = tabbed.Controls();
        QCOMPARE(controls.Unit(F::mixSR)->Edit()->text(), QStringLiteral("240"));
        // The slider stands at its end for a value beyond it.
        QCOMPARE(controls.Unit(F::mixSR)->Slider()->value(), 100);
        QCOMPARE(controls.Unit(F::gamma)->Slider()->value(), 1);
        QCOMPARE(controls.Unit(F::gammaSR)->Slider()->value(), 4096);
        tabbed.ShowPage(1);
        ProcessEvents(20);
        SaveShot(tabbed, "velmo-kept-end-values.png");

        // Applied with another edit: all kept, nothing refused.
        controls.Unit(F::contrast)->Edit()->setText(QStringLiteral("7"));
        tabbed.OnApply();
        QVERIFY(run.Messages().calls.empty());
        QCOMPARE(doc.Edit().Params().contrast, 7);
        QCOMPARE(doc.Edit().Params().mixSR, 240);
        QCOMPARE(doc.Edit().Params().gamma, 0.0f);
        QCOMPARE(doc.Edit().Params().gammaSR, 16.0f);
        QCOMPARE(doc.Edit().Params().gammaSR2, 0.0f);

        // Typed: the ends are taken, one beyond is refused with the range.
        QLineEdit* mix = controls.Unit(F::mixSR)->Edit();
        mix->setText(QStringLiteral("0"));
        tabbed.OnApply();
        QCOMPARE(doc.Edit().Params().mixSR, 0);
        mix->setText(QStringLiteral("240"));
        tabbed.OnApply();
        QCOMPARE(doc.Edit().Params().mixSR, 240);
        QVERIFY(run.Messages().calls.empty());
        mix->setText(QStringLiteral("241"));
        tabbed.OnApply();
        QCOMPARE(int(run.Messages().calls.size()), 1);
        QCOMPARE(run.Messages().calls[0].text, FormatMessage2(AFX_IDP_PARSE_INT_RANGE, "0", "240"));
        QCOMPARE(doc.Edit().Params().mixSR, 240);
        mix->setText(QStringLiteral("240"));

        run.Messages().calls.clear();
        QLineEdit* gamma = controls.Unit(F::gamma)->Edit();
        gamma->setText(QStringLiteral("16"));
        tabbed.OnApply();
        QCOMPARE(doc.Edit().Params().gamma, 16.0f);
        gamma->setText(QStringLiteral("16.5"));
        tabbed.OnApply();
        QCOMPARE(int(run.Messages().calls.size()), 1);
        QCOMPARE(run.Messages().calls[0].text,
                 FormatMessage2(AFX_IDP_PARSE_REAL_RANGE, FormatFloatText(0.0f), FormatFloatText(16.0f)));
        QCOMPARE(doc.Edit().Params().gamma, 16.0f);
    }
};

VELMO_APP_TEST(KeptValuesTest);

} // namespace velmo::test

#include "KeptValuesTest.moc"
