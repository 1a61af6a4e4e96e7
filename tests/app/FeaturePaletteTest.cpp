// The free-curve, lens-correction and selective-colours editors: the curve
// editor driven by real mouse events, its table against the splines, the
// lens controls in normal and fisheye mode across both hosts (the tool
// palette and the tabbed palette's page) and through a lens file, the
// colour-map pick, the enable flags shared by both hosts, the automatic
// chromatic-aberration search started from the lens palette, and
// screenshots of the three palettes.
#include "app/MainFrame.h"
#include "app/dialogs/ProcessingDlg.h"
#include "app/palettes/FeaturePages.h"
#include "app/palettes/FeaturePalettes.h"
#include "app/palettes/FreeCurvePanel.h"
#include "app/palettes/LensPanel.h"
#include "app/palettes/ParamTabBar.h"
#include "app/palettes/SelColorPanel.h"
#include "develop/context/FreeCurves.h"
#include "document/VelmoDoc.h"
#include "params/FeatureFiles.h"
#include "platform/core/SettingsStore.h"
#include "platform/gui/AutoCheckBox.h"
#include "platform/gui/DialogFont.h"
#include "platform/gui/SpinButton.h"
#include "platform/gui/StatusProgress.h"
#include "platform/gui/DeferredApply.h"
#include "platform/gui/TrackBar.h"
#include "platform/gui/TrackBarCodes.h"
#include "res/ResourceIds.h"
#include "tests/app/AppTest.h"
#include "tests/app/AppTestEnv.h"
#include "tests/app/dialogs/DialogTestUtil.h"
#include "tests/support/RafBuilder.h"
#include "tests/support/TestEnv.h"

#include <QAbstractButton>
#include <QComboBox>
#include <QSlider>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QTest>
#include <QTimer>

#include <algorithm>
#include <cmath>

namespace velmo::test {

namespace {

// A document host that counts the developments the editors ask for (each
// updates the views).
class DevelopCountingHost final : public RecordingHost {
public:
    void UpdateAllViews() override { ++developments; }
    int developments = 0;
};

// Both hosts of one feature on one document: the tool palette's panel and
// the tabbed palette's page (with the palette's countdown and apply counted).
struct TwoHosts {
    DevelopCountingHost host;
    CVelmoDoc doc{&host};
    int pageArms = 0;
    int pageApplies = 0;
    std::unique_ptr<CFeaturePanel> palette;
    std::unique_ptr<QWidget> page;

    explicit TwoHosts(FeatureKind kind)
    {
        // The tables as a first start has them (a document stores its
        // tables in the settings when it goes).
        doc.Edit().SetFreeCurvePoints(IdentityFreeCurvePoints());
        doc.Edit().SetLens(DefaultLensCorrection());
        doc.Edit().SetSelectiveColors(SelectiveColorTable{});
        switch (kind) {
        case FeatureKind::FreeCurve: palette = std::make_unique<CFreeCurvePanel>(doc, IDD_FREECURVE_BAR, nullptr); break;
        case FeatureKind::LensCorrection: palette = std::make_unique<CLensPanel>(doc, IDD_LENS_BAR, nullptr); break;
        case FeatureKind::SelectiveColors:
            palette = std::make_unique<CSelColorPanel>(doc, IDD_SELCOLOR_BAR, nullptr);
            break;
        }
        FeaturePageHost pageHost;
        pageHost.armCountdown = [this] { ++pageArms; };
        pageHost.applyNow = [this] {
            ++pageApplies;
            doc.OnParametersChanged();
        };
        page = MakeFeaturePage(kind, doc, pageHost, nullptr);
        palette->resize(palette->sizeHint().expandedTo(QSize(300, 300)));
        palette->show();
        page->resize(page->sizeHint().expandedTo(QSize(300, 300)));
        page->show();
        QVERIFY(QTest::qWaitForWindowExposed(palette.get()));
    }
    CFeaturePanel& Page() const { return *dynamic_cast<CFeaturePanel*>(page.get()); }
};

// The pixel of curve position (x, y) on a plot (x = px / w, y = 1 - py / h).
QPoint PlotPixel(const CCurvePlot& plot, double x, double y)
{
    const QRect r = plot.PlotRect();
    return {r.left() + int(std::lround(x * r.width())), r.top() + int(std::lround((1 - y) * r.height()))};
}

void MoveTo(CCurvePlot& plot, QPoint p)
{
    QTest::mouseMove(&plot, p);
}

void ClickAt(CCurvePlot& plot, QPoint p)
{
    MoveTo(plot, p);
    QTest::mousePress(&plot, Qt::LeftButton, Qt::NoModifier, p);
    QTest::mouseRelease(&plot, Qt::LeftButton, Qt::NoModifier, p);
}

void DragFromTo(CCurvePlot& plot, QPoint from, QPoint to)
{
    MoveTo(plot, from);
    QTest::mousePress(&plot, Qt::LeftButton, Qt::NoModifier, from);
    MoveTo(plot, to);
    QTest::mouseRelease(&plot, Qt::LeftButton, Qt::NoModifier, to);
}

bool Save(QWidget& window, const QString& name)
{
    const QImage image = window.grab().toImage();
    const QString file = QStringLiteral(VELMO_BINARY_DIR "/") + name;
    qInfo("screenshot: %s (%dx%d)", qPrintable(file), image.width(), image.height());
    return image.save(file);
}

// Keeps the process-wide dialog font for the test's life.
class ScopedDialogFont {
public:
    explicit ScopedDialogFont(const DialogFontSetting& setting) : saved(DialogFont()) { DialogFont() = setting; }
    ~ScopedDialogFont() { DialogFont() = saved; }

private:
    DialogFontSetting saved;
};

} // namespace

class FeaturePaletteTest : public QObject {
    Q_OBJECT

private slots:
    void PlotPositionsAndReadouts()
    {
        struct Case {
            int px, py, w, h;
            std::optional<std::pair<double, double>> position;
            const char* readout;
        } cases[] = {
            {0, 0, 256, 256, std::pair{0.0, 1.0}, "  0/255"},
            {128, 64, 256, 256, std::pair{0.5, 0.75}, "127/191"},
            // The 2-pixel margin clamps to the edges.
            {-2, 257, 256, 256, std::pair{0.0, 0.0}, "  0/  0"},
            {257, -1, 256, 256, std::pair{255.0 / 256, 1.0}, "254/255"},
            // Farther out, or on a plot without area: no position.
            {-3, 10, 256, 256, std::nullopt, ""},
            {10, 259, 256, 256, std::nullopt, ""},
            {0, 0, 0, 256, std::nullopt, ""},
            {0, 0, 256, 0, std::nullopt, ""},
        };
        for (const Case& c : cases) {
            const std::optional<CurvePosition> p = PlotPosition(c.px, c.py, c.w, c.h);
            QCOMPARE(p.has_value(), c.position.has_value());
            if (!p)
                continue;
            QCOMPARE(p->x, c.position->first);
            QCOMPARE(p->y, c.position->second);
            QCOMPARE(QString::fromStdString(CurveReadout(*p)), QString::fromLatin1(c.readout));
        }
    }

    void CurveEditingWithTheMouse()
    {
        TwoHosts hosts(FeatureKind::FreeCurve);
        auto& panel = static_cast<CFreeCurvePanel&>(*hosts.palette);
        auto& page = static_cast<CFreeCurvePanel&>(hosts.Page());
        CCurvePlot& plot = *panel.Plot();
        FreeCurveEditor& editor = panel.Editor();

        // Switched off, the plot takes no clicks.
        ClickAt(plot, PlotPixel(plot, 0.5, 0.5));
        QCOMPARE(editor.Count(), 2);
        ClickCheckBox(*panel.EnableCheck());
        QVERIFY(hosts.doc.Edit().FeatureOn(FeatureKind::FreeCurve));
        const int afterEnable = hosts.host.developments;
        QCOMPARE(afterEnable, 1);

        // The cursor tells what a click would do; the readout follows.
        MoveTo(plot, PlotPixel(plot, 0.3, 0.3));
        QCOMPARE(plot.cursor().shape(), Qt::CrossCursor);
        MoveTo(plot, PlotPixel(plot, 0.3, 0.6));
        QCOMPARE(plot.cursor().shape(), Qt::ArrowCursor);
        MoveTo(plot, PlotPixel(plot, 1.0, 1.0));
        QCOMPARE(plot.cursor().shape(), Qt::SizeAllCursor);
        QCOMPARE(panel.ApexList()->currentRow(), 1);
        QCOMPARE(panel.Readout()->text(), QStringLiteral("254/255"));

        // A click off the curve adds nothing; fourteen clicks on the line
        // fill the channel to sixteen points; the seventeenth is refused.
        ClickAt(plot, PlotPixel(plot, 0.5, 0.7));
        QCOMPARE(editor.Count(), 2);
        for (int k = 1; k <= 14; ++k) {
            const double x = k / 15.0;
            ClickAt(plot, PlotPixel(plot, x, x));
        }
        QCOMPARE(editor.Count(), 16);
        QVERIFY(panel.Countdown().Pending());
        ClickAt(plot, PlotPixel(plot, 0.5 / 15.0, 0.5 / 15.0));
        QCOMPARE(editor.Count(), 16);
        // The other host shows the same points at once.
        QCOMPARE(page.ApexList()->count(), 16);

        // Drag point 5 up; then onto its right neighbour's x: refused.
        const double x5 = editor.Xs()[5];
        DragFromTo(plot, PlotPixel(plot, x5, editor.Ys()[5]), PlotPixel(plot, x5, x5 + 0.1));
        QVERIFY(std::fabs(editor.Ys()[5] - (x5 + 0.1)) < 0.01);
        QVERIFY(std::fabs(page.Editor().Curve(0, editor.Xs()[5]) - editor.Ys()[5]) < 1e-9);
        const std::vector<double> before = editor.Xs();
        DragFromTo(plot, PlotPixel(plot, x5, editor.Ys()[5]), PlotPixel(plot, editor.Xs()[6] + 0.01, 0.5));
        QVERIFY(editor.Xs() == before);

        // Del removes a middle point chosen in the list; the ends stay.
        panel.ApexList()->setCurrentRow(3);
        QVERIFY(panel.DeleteButton()->isEnabled());
        QTest::mouseClick(panel.DeleteButton(), Qt::LeftButton);
        QCOMPARE(editor.Count(), 15);
        panel.ApexList()->setCurrentRow(0);
        QVERIFY(!panel.DeleteButton()->isEnabled());
        QVERIFY(!editor.DeleteSelected());
        QCOMPARE(editor.Count(), 15);

        // The countdown develops once; a channel switch develops nothing and
        // keeps its own points.
        while (panel.Countdown().Pending())
            panel.Timer().Tick();
        const int developed = hosts.host.developments;
        QCOMPARE(developed, afterEnable + 1);
        panel.ChannelCombo()->setCurrentIndex(2);
        emit panel.ChannelCombo()->activated(2);
        QCOMPARE(editor.Channel(), 2);
        QCOMPARE(editor.Count(), 2);
        QCOMPARE(hosts.host.developments, developed);
        QVERIFY(!panel.Countdown().Pending());
        panel.ChannelCombo()->setCurrentIndex(0);
        emit panel.ChannelCombo()->activated(0);

        // "Reset All": the identity everywhere, developed at once.
        QTest::mouseClick(panel.ResetAllButton(), Qt::LeftButton);
        QVERIFY(hosts.doc.Edit().FreeCurvePointSet() == IdentityFreeCurvePoints());
        QCOMPARE(hosts.host.developments, developed + 1);
        QCOMPARE(page.ApexList()->count(), 2);
    }

    void CurveTableFollowsTheSplines()
    {
        TwoHosts hosts(FeatureKind::FreeCurve);
        auto& panel = static_cast<CFreeCurvePanel&>(*hosts.palette);
        FreeCurveEditor& editor = panel.Editor();
        // A lifted master curve and a straight-segment red curve, edited as
        // the mouse does.
        editor.Press({0.25, 0.25});
        editor.Release();
        editor.Press({0.75, 0.75});
        editor.Release();
        editor.SetSelection(1);
        QVERIFY(editor.Press({0.25, 0.25}));
        QVERIFY(editor.DragTo({0.25, 0.4}));
        editor.Release();
        editor.SetChannel(1);
        QVERIFY(editor.Press({0.6, 0.6}));
        QVERIFY(editor.DragTo({0.6, 0.45}));
        editor.Release();
        editor.SetLinear(true);

        const FreeCurvePoints& points = hosts.doc.Edit().FreeCurvePointSet();
        std::array<CSpline, 4> splines;
        for (size_t c = 0; c < 4; ++c) {
            splines[c].SetPoints(points.x[c], points.y[c]);
            splines[c].linear = points.linear[c];
            splines[c].Solve();
        }
        QCOMPARE(splines[1].linear, 1);
        const std::shared_ptr<const FreeCurveLut> lut = MakeFreeCurveLut(points);
        int worst = 0;
        for (int i = 0; i < FreeCurveLut::kSize; i += 97) {
            const double m = std::clamp(splines[0].Evaluate(i / 65535.0), 0.0, 1.0);
            for (int c = 0; c < 3; ++c) {
                const int expected = int(std::clamp(splines[size_t(c) + 1].Evaluate(m), 0.0, 1.0) * 65535 + 0.5);
                worst = std::max(worst, std::abs(int(lut->channel[c][i]) - expected));
            }
        }
        // Single-precision rounding at most.
        QVERIFY2(worst <= 1, qPrintable(QString::number(worst)));
        // The lifted master reaches the table.
        QVERIFY(lut->channel[2][16384] > 16384 + 6000);
        // The store follows the points, rounded.
        const FreeCurveRecord& red = hosts.doc.Edit().FreeCurve().channel[1];
        QCOMPARE(int(red.count), 3);
        QCOMPARE(int(red.linear), 1);
        QCOMPARE(int(red.points[1].x), int(0.6 * 65535 + 0.5));
        QCOMPARE(int(red.points[1].y), int(0.45 * 65535 + 0.5));
    }

    void EnableFlagShowsInTheOtherHost()
    {
        for (FeatureKind kind : {FeatureKind::FreeCurve, FeatureKind::LensCorrection, FeatureKind::SelectiveColors}) {
            TwoHosts hosts(kind);
            CFeaturePanel& page = hosts.Page();
            ClickCheckBox(*hosts.palette->EnableCheck());
            QVERIFY(hosts.doc.Edit().FeatureOn(kind));
            QCOMPARE(page.EnableCheck()->State(), BST_CHECKED);
            QCOMPARE(hosts.host.developments, 1);
            // From the page, through the palette's apply.
            ClickCheckBox(*page.EnableCheck());
            QVERIFY(!hosts.doc.Edit().FeatureOn(kind));
            QCOMPARE(hosts.palette->EnableCheck()->State(), BST_UNCHECKED);
            QCOMPARE(hosts.pageApplies, 1);
            // A command toggles it: both show it.
            hosts.doc.ToggleFeature(kind);
            QCOMPARE(hosts.palette->EnableCheck()->State(), BST_CHECKED);
            QCOMPARE(page.EnableCheck()->State(), BST_CHECKED);
        }
    }

    void SliderDragDevelopsByThePrvSwitch()
    {
        // "Prv" checked: every thumb move develops; otherwise only the end of
        // the drag. Switched off: the table changes and nothing develops.
        struct Case {
            FeatureKind kind;
            int prv;
            bool on;
            int duringDrag, afterRelease;
        } cases[] = {
            {FeatureKind::SelectiveColors, kPrvLive, true, 2, 3},
            {FeatureKind::SelectiveColors, kPrvOnRelease, true, 0, 1},
            {FeatureKind::SelectiveColors, kPrvDeferred, true, 0, 1},
            {FeatureKind::SelectiveColors, kPrvLive, false, 0, 0},
            {FeatureKind::LensCorrection, kPrvLive, true, 2, 3},
            {FeatureKind::LensCorrection, kPrvOnRelease, true, 0, 1},
            {FeatureKind::LensCorrection, kPrvLive, false, 0, 0},
        };
        for (const Case& c : cases) {
            TwoHosts hosts(c.kind);
            hosts.doc.Edit().SetSwitch(SwitchId::CheckPrv, c.prv);
            hosts.doc.Edit().SetFeature(c.kind, c.on);
            ControlUnit* unit = c.kind == FeatureKind::LensCorrection
                                    ? static_cast<CLensPanel&>(*hosts.palette).Unit(LensControl::ChromaRed)
                                    : static_cast<CSelColorPanel&>(*hosts.palette).Unit(SelectiveColorTable::Red);
            TrackBar* slider = unit->Slider();
            const QPoint thumb = slider->ThumbRect().center();
            QTest::mousePress(slider, Qt::LeftButton, {}, thumb);
            QTest::mouseMove(slider, thumb + QPoint(20, 0));
            QTest::mouseMove(slider, thumb + QPoint(40, 0));
            QCOMPARE(hosts.host.developments, c.duringDrag);
            QTest::mouseRelease(slider, Qt::LeftButton, {}, thumb + QPoint(40, 0));
            QCOMPARE(hosts.host.developments, c.afterRelease);
            QVERIFY(!hosts.palette->Countdown().Pending());
            // The value reached the edit state, and the other host shows it.
            const int value = c.kind == FeatureKind::LensCorrection
                                  ? hosts.doc.Edit().Lens().chromaRed
                                  : hosts.doc.Edit().SelectiveColors().rows[0][SelectiveColorTable::Red];
            QVERIFY(value > 0);
            QCOMPARE(value, slider->value());
            ControlUnit* other = c.kind == FeatureKind::LensCorrection
                                     ? static_cast<CLensPanel&>(hosts.Page()).Unit(LensControl::ChromaRed)
                                     : static_cast<CSelColorPanel&>(hosts.Page()).Unit(SelectiveColorTable::Red);
            QCOMPARE(other->Edit()->text(), QString::number(value));
        }
    }

    void LensSettingsOfEachStoredSize()
    {
        LensCorrectionSettings stored{7, 1, 2, 3, 4, 5, 6, 250, kLensFisheyeFlag, 120, 80};
        struct Case {
            size_t bytes;
            bool fisheye;
            int distortionShown, coefficientShown;
        } cases[] = {
            {44, true, 120, 80},  // the whole record: fisheye angle and scale
            {40, true, 120, 100}, // all but the scale, which keeps 100
            {32, false, 0, 200},  // any other size: the defaults
        };
        for (const Case& c : cases) {
            TwoHosts hosts(FeatureKind::LensCorrection);
            MemorySettingsStore settings;
            settings.WriteProfileBinary(kSettingsSection, "DistorionSettings", &stored, c.bytes);
            hosts.doc.Edit().LoadSettings(settings);
            for (CFeaturePanel* host : {hosts.palette.get(), &hosts.Page()}) {
                auto& lens = static_cast<CLensPanel&>(*host);
                QCOMPARE(lens.FisheyeCheck()->State() == BST_CHECKED, c.fisheye);
                ControlUnit* distortion = lens.Unit(LensControl::Distortion);
                QCOMPARE(distortion->Edit()->text(), QString::number(c.distortionShown));
                QCOMPARE(distortion->Slider()->minimum(), c.fisheye ? 50 : -500);
                QCOMPARE(distortion->Slider()->maximum(), c.fisheye ? 179 : 500);
                QCOMPARE(lens.Unit(LensControl::Coefficient)->Edit()->text(), QString::number(c.coefficientShown));
                QCOMPARE(lens.Unit(LensControl::Coefficient)->Slider()->maximum(), c.fisheye ? 300 : 400);
            }
        }
    }

    // A typed value outside the range the program reads its field back in
    // (from the settings and from files) is refused as the parameter
    // controls refuse theirs: it never reaches the edit state, so it is
    // neither saved nor developed, and the apply shows the range message
    // with the edit focused. The bounds themselves are taken.
    void TypedValuesOutsideTheirRangesAreRefused()
    {
        using T = SelectiveColorTable;
        struct Case {
            const char* name;
            FeatureKind kind;
            bool fisheye;
            int control; // a LensControl or a selective-colour column
            const char* typed;
            int min, max;
            int bound; // typed afterwards: taken
        };
        const Case cases[] = {
            {"stretch X", FeatureKind::LensCorrection, false, int(LensControl::StretchX), "9999", -100, 100, -100},
            {"distortion", FeatureKind::LensCorrection, false, int(LensControl::Distortion), "600", -500, 500, 500},
            {"coefficient", FeatureKind::LensCorrection, false, int(LensControl::Coefficient), "50", 100, 400, 100},
            {"fisheye angle", FeatureKind::LensCorrection, true, int(LensControl::Distortion), "180", 50, 179, 179},
            {"fisheye scale", FeatureKind::LensCorrection, true, int(LensControl::Coefficient), "301", 0, 300, 0},
            {"red of a colour range", FeatureKind::SelectiveColors, false, T::Red, "150", -100, 100, 100},
            {"black of a colour range", FeatureKind::SelectiveColors, false, T::Black, "-101", -100, 100, -100},
        };
        for (const Case& c : cases) {
            for (const bool onPage : {false, true}) {
                const std::string what = std::string(c.name) + (onPage ? " on the page" : " in the palette");
                RecordingMessages messages;
                TwoHosts hosts(c.kind);
                CFeaturePanel& host = onPage ? hosts.Page() : *hosts.palette;
                ClickCheckBox(*host.EnableCheck());
                ControlUnit* unit = nullptr;
                std::function<int()> stored;
                if (c.kind == FeatureKind::LensCorrection) {
                    auto& lens = static_cast<CLensPanel&>(host);
                    if (c.fisheye)
                        ClickCheckBox(*lens.FisheyeCheck());
                    unit = lens.Unit(LensControl(c.control));
                    stored = [&hosts, control = LensControl(c.control)] {
                        return int(LensValue(hosts.doc.Edit().Lens(), control));
                    };
                } else {
                    unit = static_cast<CSelColorPanel&>(host).Unit(T::Column(c.control));
                    stored = [&hosts, column = c.control] { return int(hosts.doc.Edit().SelectiveColors().rows[0][column]); };
                }
                const int developed = hosts.host.developments;
                const int pageApplies = hosts.pageApplies;
                messages.calls.clear();

                // Only what lies in the range reaches the edit state while
                // typing (here the first digits of the typed value).
                unit->Edit()->clear();
                QTest::keyClicks(unit->Edit(), c.typed);
                const int held = stored();
                QVERIFY2(held >= c.min && held <= c.max, (what + ": " + std::to_string(held)).c_str());
                host.ApplyNow();
                QCOMPARE(messages.calls.size(), size_t(1));
                QCOMPARE(messages.calls[0].text, "Please enter an integer between " + std::to_string(c.min) + " and " +
                                                     std::to_string(c.max) + ".");
                QVERIFY2(host.window()->focusWidget() == unit->Edit(), what.c_str());
                QCOMPARE(unit->Edit()->selectedText(), QString::fromLatin1(c.typed));
                QVERIFY2(hosts.host.developments == developed && hosts.pageApplies == pageApplies, what.c_str());
                QCOMPARE(stored(), held);

                unit->Edit()->clear();
                QTest::keyClicks(unit->Edit(), QString::number(c.bound));
                QCOMPARE(stored(), c.bound);
                host.ApplyNow();
                QCOMPARE(messages.calls.size(), size_t(1));
                QVERIFY2(hosts.host.developments > developed, what.c_str());
            }
        }
    }

    void FisheyeRoundTripAcrossHostsAndALensFile()
    {
        TwoHosts hosts(FeatureKind::LensCorrection);
        auto& palette = static_cast<CLensPanel&>(*hosts.palette);
        auto& page = static_cast<CLensPanel&>(hosts.Page());
        ClickCheckBox(*palette.EnableCheck());
        // Normal mode values first, typed in the palette.
        palette.Unit(LensControl::Distortion)->Edit()->clear();
        QTest::keyClicks(palette.Unit(LensControl::Distortion)->Edit(), "-120");
        QCOMPARE(hosts.doc.Edit().Lens().distortion, -120);
        QCOMPARE(page.Unit(LensControl::Distortion)->Edit()->text(), QStringLiteral("-120"));
        QCOMPARE(page.Unit(LensControl::Distortion)->Slider()->value(), -120);

        // Fisheye on in the page: both show the angle and the scale.
        ClickCheckBox(*page.FisheyeCheck());
        QVERIFY(IsFisheye(hosts.doc.Edit().Lens()));
        for (CLensPanel* lens : {&palette, &page}) {
            QCOMPARE(lens->FisheyeCheck()->State(), BST_CHECKED);
            QCOMPARE(lens->Unit(LensControl::Distortion)->Edit()->text(), QStringLiteral("100"));
            QCOMPARE(lens->Unit(LensControl::Distortion)->Slider()->maximum(), 179);
            QCOMPARE(lens->Unit(LensControl::Coefficient)->Edit()->text(), QStringLiteral("100"));
            // The captions say what the two controls edit now.
            QCOMPARE(lens->Unit(LensControl::Distortion)->Label()->text(), QStringLiteral("Angle"));
            QCOMPARE(lens->Unit(LensControl::Coefficient)->Edit()->accessibleName(), QStringLiteral("Scale"));
        }
        // The angle by the palette's slider (End: its maximum).
        const int developed = hosts.host.developments;
        QTest::keyClick(palette.Unit(LensControl::Distortion)->Slider(), Qt::Key_End);
        QCOMPARE(hosts.doc.Edit().Lens().fisheyeAngle, 179);
        QCOMPARE(hosts.doc.Edit().Lens().distortion, -120);
        QCOMPARE(page.Unit(LensControl::Distortion)->Edit()->text(), QStringLiteral("179"));
        // The end of the key press develops at once.
        QCOMPARE(hosts.host.developments, developed + 1);

        // Through a lens file: the file keeps the lens values, the fisheye
        // mode and its fields stay as they are in both hosts.
        TempDir dir;
        const std::string path = dir.File("fisheye.VML");
        QVERIFY(hosts.doc.OnSaveLensCorrectionAs(path));
        LensEditor(hosts.doc.Edit()).SetFisheye(false);
        QCOMPARE(palette.Unit(LensControl::Distortion)->Edit()->text(), QStringLiteral("-120"));
        LensEditor(hosts.doc.Edit()).SetValue(LensControl::Distortion, 33);
        LensEditor(hosts.doc.Edit()).SetFisheye(true);
        hosts.doc.OnLoadLensCorrection(path);
        const LensCorrectionSettings& loaded = hosts.doc.Edit().Lens();
        QCOMPARE(loaded.distortion, -120);
        QVERIFY(IsFisheye(loaded));
        QCOMPARE(loaded.fisheyeAngle, 179);
        for (CLensPanel* lens : {&palette, &page}) {
            QCOMPARE(lens->FisheyeCheck()->State(), BST_CHECKED);
            QCOMPARE(lens->Unit(LensControl::Distortion)->Edit()->text(), QStringLiteral("179"));
        }
        // Off again: the distortion comes back in both.
        ClickCheckBox(*palette.FisheyeCheck());
        QCOMPARE(page.Unit(LensControl::Distortion)->Edit()->text(), QStringLiteral("-120"));
        QCOMPARE(page.Unit(LensControl::Distortion)->Slider()->minimum(), -500);
        QCOMPARE(page.Unit(LensControl::Distortion)->Label()->text(), QStringLiteral("Distortion"));
    }

    // The lens captions follow the document's RAF loads by themselves, in
    // the palette and in the tabbed palette's page, with no window around.
    void LensCaptionsFollowTheLoad()
    {
        TempDir dir;
        const std::string path = dir.File("lens.RAF");
        QVERIFY(WriteRaf(path, RafFileSpec{}));
        auto hosts = std::make_unique<TwoHosts>(FeatureKind::LensCorrection);
        auto& palette = static_cast<CLensPanel&>(*hosts->palette);
        auto& page = static_cast<CLensPanel&>(hosts->Page());
        QVERIFY(hosts->doc.OnOpenDocument(path));
        for (CLensPanel* lens : {&palette, &page}) {
            QCOMPARE(lens->ModelCaption()->text(), QStringLiteral("ModelName:FinePix S5600"));
            QVERIFY(lens->FocalLengthCaption()->text().startsWith(QStringLiteral("FocalLength:70.000")));
        }
        // A panel that went before the document is not told of later loads.
        hosts->palette.reset();
        QVERIFY(hosts->doc.OnOpenDocument(path));
        hosts.reset();
    }

    void ColorMapPicksARange()
    {
        using T = SelectiveColorTable;
        struct Case {
            int x, y;
            std::optional<int> range;
        } cases[] = {
            {5, 0, T::Blacks},     {50, 29, T::Blacks},  // the top quarter
            {5, 119, T::Whites},   {100, 100, T::Whites}, // the bottom sixth
            {2, 60, T::Reds},      {119, 60, T::Reds},    // hue 0 at both ends
            {20, 60, T::Yellows},  {40, 60, T::Greens}, {60, 60, T::Cyans},
            {80, 60, T::Blues},    {100, 60, T::Magentas},
            {-1, 60, std::nullopt}, {120, 60, std::nullopt}, {10, 120, std::nullopt},
        };
        for (const Case& c : cases)
            QVERIFY2(PickColorRange(c.x, c.y, 120, 120) == c.range, qPrintable(QStringLiteral("%1,%2").arg(c.x).arg(c.y)));
        QVERIFY(!PickColorRange(0, 0, 0, 0));
        // The swatch of a range: with the HLS model the intensity is halved,
        // so Whites show mid grey.
        struct Swatch {
            int range;
            HueModel model;
            StripColor colour;
        } swatches[] = {
            {T::Whites, HueModel::HLS, {127, 127, 127}}, {T::Whites, HueModel::HSV, {255, 255, 255}},
            {T::Reds, HueModel::HSV, {255, 0, 0}},       {T::Blues, HueModel::HSV, {0, 0, 255}},
            {T::Blacks, HueModel::HLS, {0, 0, 0}},
        };
        for (const Swatch& w : swatches)
            QVERIFY2(RangeSwatchColor(w.range, w.model) == w.colour, qPrintable(QString::number(w.range)));

        // A click on the map chooses the range in the list; the values shown
        // are that range's.
        TwoHosts hosts(FeatureKind::SelectiveColors);
        auto& panel = static_cast<CSelColorPanel&>(*hosts.palette);
        SelectiveColorTable table;
        table.rows[T::Blues][T::Red] = 42;
        hosts.doc.Edit().SetSelectiveColors(table);
        CColorStrip* map = panel.Strip(IDC_SELCOLOR_MAP);
        QTest::mouseClick(map, Qt::LeftButton, Qt::NoModifier, QPoint(map->width() * 80 / 120, map->height() / 2));
        QCOMPARE(panel.RangeCombo()->currentIndex(), int(T::Blues));
        QCOMPARE(panel.Unit(T::Red)->Edit()->text(), QStringLiteral("42"));
    }

    void SelectiveColourEditsReachTheOtherHost()
    {
        using T = SelectiveColorTable;
        TwoHosts hosts(FeatureKind::SelectiveColors);
        auto& palette = static_cast<CSelColorPanel&>(*hosts.palette);
        auto& page = static_cast<CSelColorPanel&>(hosts.Page());
        // Switched off: a slider changes the table only; the strips stay blank.
        QTest::keyClick(palette.Unit(T::Green)->Slider(), Qt::Key_Home);
        QCOMPARE(hosts.doc.Edit().SelectiveColors().rows[T::Reds][T::Green], -100);
        QCOMPARE(hosts.host.developments, 0);
        QVERIFY(!palette.Countdown().Pending());
        QVERIFY(palette.Strip(IDC_SELCOLOR_MAP)->Cells().empty());
        QCOMPARE(page.Unit(T::Green)->Edit()->text(), QStringLiteral("-100"));
        // On: typing arms the countdown, which develops once.
        ClickCheckBox(*page.EnableCheck());
        QCOMPARE(palette.Strip(IDC_SELCOLOR_MAP)->Cells().size(), size_t(kStripCells * kStripCells));
        const int developed = hosts.host.developments;
        page.Unit(T::Black)->Edit()->clear();
        QTest::keyClicks(page.Unit(T::Black)->Edit(), "25");
        QCOMPARE(hosts.doc.Edit().SelectiveColors().rows[T::Reds][T::Black], 25);
        QCOMPARE(palette.Unit(T::Black)->Slider()->value(), 25);
        QVERIFY(hosts.pageArms > 0);
        QCOMPARE(hosts.host.developments, developed);
        // The adjusted hue strip differs from the plain one at red.
        QVERIFY(palette.Strip(IDC_SELCOLOR_HUE_AFTER)->Cells()[0] != palette.Strip(IDC_SELCOLOR_HUE_BEFORE)->Cells()[0]);
        // Reset clears every range.
        palette.ChooseRange(T::Blues);
        palette.ResetFeature();
        QVERIFY(hosts.doc.Edit().SelectiveColors() == SelectiveColorTable{});
        QCOMPARE(page.Unit(T::Black)->Edit()->text(), QStringLiteral("0"));
        QCOMPARE(hosts.host.developments, developed + 1);
    }

    void AutoChromaticFromTheLensPalette()
    {
        TempDir dir;
        AppRun::Setup setup;
        setup.arguments = {WriteSceneRaf(dir.path(), "CA.RAF", 432)};
        AppRun run(setup);
        CMainFrame& frame = run.Frame();
        CVelmoDoc& doc = run.Doc();
        QVERIFY(doc.HasImage());
        auto* lensBar = dynamic_cast<CLensBar*>(frame.Palette(ID_VIEW_LENS));
        QVERIFY(lensBar != nullptr);
        frame.ExecuteCommand(ID_VIEW_LENS);
        // The lens information of the load.
        QVERIFY(lensBar->LensPanel()->ModelCaption()->text().startsWith(QStringLiteral("ModelName:")));
        QVERIFY(lensBar->LensPanel()->FocalLengthCaption()->text().endsWith(QStringLiteral("mm")));
        // Start values the search moves away from.
        LensEditor(doc.Edit()).SetChroma(37, -41);
        bool sawDialog = false;
        QTimer poll;
        poll.setInterval(5);
        QObject::connect(&poll, &QTimer::timeout, [&] { sawDialog = sawDialog || frame.ProcessingDialog() != nullptr; });
        poll.start();
        QTest::mouseClick(lensBar->LensPanel()->AutoButton(), Qt::LeftButton);
        poll.stop();
        QVERIFY(sawDialog);
        QVERIFY(frame.ProcessingDialog() == nullptr);
        // Run to its end, not aborted.
        QVERIFY2(frame.MessagePane()->Message().startsWith(QStringLiteral("Auto chrmatic correction(")),
                 qPrintable(frame.MessagePane()->Message()));
        QVERIFY(doc.Edit().FeatureOn(FeatureKind::LensCorrection));
        // The search starts at 0 and 0, not at the values it found set; the
        // palette shows what it found.
        const LensCorrectionSettings& lens = doc.Edit().Lens();
        QVERIFY(!(lens.chromaRed == 37 && lens.chromaBlue == -41));
        QCOMPARE(lensBar->LensPanel()->Unit(LensControl::ChromaRed)->Edit()->text(), QString::number(lens.chromaRed));
        QCOMPARE(lensBar->LensPanel()->Unit(LensControl::ChromaBlue)->Slider()->value(), lens.chromaBlue);
        QCOMPARE(lensBar->LensPanel()->EnableCheck()->State(), BST_CHECKED);
    }

    // In the program: a stretch of 9999 typed on the tabbed palette's Lens
    // page and applied with Enter is refused there, and what the next start
    // finds is the lens record this run held, not one clamped on reading.
    void ARefusedLensValueIsTheSameInTheNextRun()
    {
        TempDir dir;
        AppRun::Setup setup;
        setup.settingsPath = dir.File("Velmo.ini");
        setup.arguments = {WriteSceneRaf(dir.path(), "DSCF0003.RAF", 432)};
        LensCorrectionSettings held{};
        {
            AppRun run(setup);
            CMainFrame& frame = run.Frame();
            auto* tabbed = dynamic_cast<CParamTabBar*>(frame.Palette(ID_VIEW_PARAMTAB));
            QVERIFY(tabbed != nullptr);
            auto* page = dynamic_cast<CLensPanel*>(dynamic_cast<CFeaturePanel*>(tabbed->FeaturePage(FeatureKind::LensCorrection)));
            QVERIFY(page != nullptr);
            frame.ExecuteCommand(ID_LENS_ENABLE);
            QCOMPARE(tabbed->CurrentPage(), 4);
            NumberEdit* edit = page->Unit(LensControl::StretchX)->Edit();
            edit->clear();
            QTest::keyClicks(edit, "9999");
            run.Messages().calls.clear();
            QTest::keyClick(edit, Qt::Key_Return);
            QCOMPARE(run.Messages().calls.size(), size_t(1));
            QCOMPARE(run.Messages().calls[0].text, std::string("Please enter an integer between -100 and 100."));
            held = run.Doc().Edit().Lens();
            QVERIFY(kLensPercentRange.Contains(held.stretchX));
            run.Quit();
        }
        AppRun again(setup);
        QVERIFY(again.Doc().Edit().Lens() == held);
    }

    void TablesAndFisheyeModeSurviveARestart()
    {
        using T = SelectiveColorTable;
        TempDir dir;
        AppRun::Setup setup;
        setup.settingsPath = dir.File("Velmo.ini");
        {
            AppRun run(setup);
            CMainFrame& frame = run.Frame();
            CLensPanel& lens = *dynamic_cast<CLensBar*>(frame.Palette(ID_VIEW_LENS))->LensPanel();
            ClickCheckBox(*lens.FisheyeCheck());
            lens.Unit(LensControl::Distortion)->Edit()->clear();
            QTest::keyClicks(lens.Unit(LensControl::Distortion)->Edit(), "140");
            CSelColorPanel& colours = *dynamic_cast<CSelColorBar*>(frame.Palette(ID_VIEW_SELCOLOR))->ColorPanel();
            colours.ChooseRange(T::Greens);
            colours.Unit(T::Red)->Edit()->clear();
            QTest::keyClicks(colours.Unit(T::Red)->Edit(), "-15");
            FreeCurveEditor& curve = dynamic_cast<CFreeCurveBar*>(frame.Palette(ID_VIEW_FREECURVE))->CurvePanel()->Editor();
            curve.SetChannel(3);
            QVERIFY(curve.Press({0.5, 0.5}));
            QVERIFY(curve.DragTo({0.5, 0.6}));
            curve.Release();
            ClickCheckBox(*lens.EnableCheck());
            run.Quit();
        }
        AppRun again(setup);
        CMainFrame& frame = again.Frame();
        const EditState& edit = again.Doc().Edit();
        // The fisheye mode of the stored record stays, in the palette too.
        CLensPanel& lens = *dynamic_cast<CLensBar*>(frame.Palette(ID_VIEW_LENS))->LensPanel();
        QVERIFY(IsFisheye(edit.Lens()));
        QCOMPARE(edit.Lens().fisheyeAngle, 140);
        QCOMPARE(lens.FisheyeCheck()->State(), BST_CHECKED);
        QCOMPARE(lens.Unit(LensControl::Distortion)->Edit()->text(), QStringLiteral("140"));
        QCOMPARE(edit.SelectiveColors().rows[T::Greens][T::Red], -15);
        QCOMPARE(int(edit.FreeCurve().channel[3].count), 3);
        QCOMPARE(int(edit.FreeCurve().channel[3].points[1].y), int(0.6 * 65535 + 0.5));
        // The enable flags are never stored.
        QVERIFY(!edit.FeatureOn(FeatureKind::LensCorrection));
        QCOMPARE(lens.EnableCheck()->State(), BST_UNCHECKED);
    }

    void TabbedPaletteShowsTheSameEditors()
    {
        using T = SelectiveColorTable;
        TempDir dir;
        AppRun::Setup setup;
        setup.arguments = {WriteSceneRaf(dir.path(), "DSCF0002.RAF", 432)};
        AppRun run(setup);
        CMainFrame& frame = run.Frame();
        CVelmoDoc& doc = run.Doc();
        auto* tabbed = dynamic_cast<CParamTabBar*>(frame.Palette(ID_VIEW_PARAMTAB));
        QVERIFY(tabbed != nullptr);
        auto pageOf = [&](FeatureKind kind) { return dynamic_cast<CFeaturePanel*>(tabbed->FeaturePage(kind)); };
        auto* curvePage = dynamic_cast<CFreeCurvePanel*>(pageOf(FeatureKind::FreeCurve));
        auto* lensPage = dynamic_cast<CLensPanel*>(pageOf(FeatureKind::LensCorrection));
        auto* colourPage = dynamic_cast<CSelColorPanel*>(pageOf(FeatureKind::SelectiveColors));
        QVERIFY(curvePage != nullptr && lensPage != nullptr && colourPage != nullptr);
        CSelColorPanel& colourPalette = *dynamic_cast<CSelColorBar*>(frame.Palette(ID_VIEW_SELCOLOR))->ColorPanel();

        // The menu command turns the feature on: the page shows, both checks follow.
        frame.ExecuteCommand(ID_SELCOLOR_ENABLE);
        QCOMPARE(tabbed->CurrentPage(), 5);
        QCOMPARE(colourPage->EnableCheck()->State(), BST_CHECKED);
        QCOMPARE(colourPalette.EnableCheck()->State(), BST_CHECKED);
        // A value typed on the page shows in the palette; the palette's
        // reset clears it on the page.
        colourPage->ChooseRange(T::Cyans);
        colourPage->Unit(T::Blue)->Edit()->clear();
        QTest::keyClicks(colourPage->Unit(T::Blue)->Edit(), "33");
        QCOMPARE(doc.Edit().SelectiveColors().rows[T::Cyans][T::Blue], 33);
        colourPalette.ChooseRange(T::Cyans);
        QCOMPARE(colourPalette.Unit(T::Blue)->Edit()->text(), QStringLiteral("33"));
        colourPalette.ResetFeature();
        QCOMPARE(colourPage->Unit(T::Blue)->Edit()->text(), QStringLiteral("0"));

        // The tool palette's enable check shows on the page at once.
        CLensPanel& lensPalette = *dynamic_cast<CLensBar*>(frame.Palette(ID_VIEW_LENS))->LensPanel();
        ClickCheckBox(*lensPalette.EnableCheck());
        QCOMPARE(lensPage->EnableCheck()->State(), BST_CHECKED);
        ClickCheckBox(*lensPage->FisheyeCheck());
        QCOMPARE(lensPalette.FisheyeCheck()->State(), BST_CHECKED);
        QCOMPARE(lensPalette.Unit(LensControl::Coefficient)->Slider()->maximum(), 300);
        // The page shows the lens of the load too.
        QVERIFY(lensPage->ModelCaption()->text().startsWith(QStringLiteral("ModelName:FinePix")));

        // "&Reset" of the tabbed palette on the Curve tab resets the shown channel only.
        frame.ExecuteCommand(ID_FREECURVE_ENABLE);
        QCOMPARE(tabbed->CurrentPage(), 3);
        FreeCurvePoints points = IdentityFreeCurvePoints();
        points.x[0] = {0, 0.5, 1};
        points.y[0] = {0, 0.6, 1};
        points.x[2] = {0, 0.5, 1};
        points.y[2] = {0, 0.4, 1};
        doc.Edit().SetFreeCurvePoints(points);
        QCOMPARE(curvePage->ApexList()->count(), 3);
        tabbed->OnReset();
        QCOMPARE(int(doc.Edit().FreeCurvePointSet().x[0].size()), 2);
        QCOMPARE(int(doc.Edit().FreeCurvePointSet().x[2].size()), 3);

        for (int page : {3, 4, 5}) {
            tabbed->show();
            tabbed->ShowPage(page);
            tabbed->resize(tabbed->sizeHint().expandedTo(QSize(320, 560)));
            ProcessEvents(50);
            QVERIFY(Save(*tabbed, QStringLiteral("tabbed-page-%1.png").arg(page)));
        }
    }

    void ScreenshotsOfTheThreePalettes()
    {
        const struct {
            DialogFontSetting font;
            const char* suffix;
        } fonts[] = {{{}, "default"}, {{"DejaVu Serif", 14}, "large"}};
        QSize lensSize;
        for (const auto& f : fonts) {
            ScopedDialogFont scoped(f.font);
            TempDir dir;
            AppRun::Setup setup;
            setup.presets = [&f](SettingsStore& s) {
                s.WriteProfileString(kSettingsSection, "FontName", f.font.faceName);
                s.WriteProfileInt(kSettingsSection, "FontSize", f.font.pointSize);
            };
            setup.arguments = {WriteSceneRaf(dir.path(), "DSCF0001.RAF", 432)};
            AppRun run(setup);
            CMainFrame& frame = run.Frame();
            CVelmoDoc& doc = run.Doc();
            for (FeatureKind k : {FeatureKind::FreeCurve, FeatureKind::LensCorrection, FeatureKind::SelectiveColors})
                doc.Edit().SetFeature(k, true);
            FreeCurvePoints points = IdentityFreeCurvePoints();
            points.x[0] = {0, 0.3, 0.7, 1};
            points.y[0] = {0, 0.36, 0.76, 1};
            points.x[3] = {0, 0.5, 1};
            points.y[3] = {0, 0.45, 1};
            doc.Edit().SetFreeCurvePoints(points);
            SelectiveColorTable table;
            table.rows[SelectiveColorTable::Blues][SelectiveColorTable::Red] = 60;
            table.rows[SelectiveColorTable::Reds][SelectiveColorTable::Black] = -40;
            doc.Edit().SetSelectiveColors(table);
            for (unsigned id : {ID_VIEW_FREECURVE, ID_VIEW_LENS, ID_VIEW_SELCOLOR}) {
                CPaletteDock* dock = frame.Palette(id);
                dock->ApplyFont();
                dock->show();
                dock->adjustSize();
                ProcessEvents(50);
                QVERIFY(QTest::qWaitForWindowExposed(dock));
                // Every control names itself and has its tip.
                for (QWidget* w : dock->widget()->findChildren<QWidget*>()) {
                    const bool control = qobject_cast<QAbstractButton*>(w) != nullptr ||
                                         qobject_cast<QLineEdit*>(w) != nullptr || qobject_cast<QComboBox*>(w) != nullptr ||
                                         qobject_cast<QSlider*>(w) != nullptr || qobject_cast<QListWidget*>(w) != nullptr;
                    // The arrows of a spin are its parts: the spin has the tip.
                    if (!control || w->parentWidget() == nullptr || qobject_cast<QComboBox*>(w->parentWidget()) != nullptr ||
                        dynamic_cast<SpinButton*>(w->parentWidget()) != nullptr)
                        continue;
                    QVERIFY2(!w->accessibleName().isEmpty(), w->metaObject()->className());
                    QVERIFY2(!w->toolTip().isEmpty(), qPrintable(w->accessibleName() + QLatin1Char(' ') + w->metaObject()->className()));
                }
                QStringList clipped = ClippedControls(*dock->widget());
                QVERIFY2(clipped.isEmpty(), qPrintable(clipped.join(QStringLiteral(", "))));
                const QString name = QStringLiteral("palette-%1-%2.png").arg(dock->objectName(), QString::fromLatin1(f.suffix));
                QVERIFY(Save(*dock, name));
                if (id == ID_VIEW_LENS) {
                    // The larger font gives a larger palette.
                    if (lensSize.isValid())
                        QVERIFY(dock->height() > lensSize.height());
                    lensSize = dock->size();
                }
            }
            // The curve plot at a narrow dock width still takes the mouse.
            auto* curve = dynamic_cast<CFreeCurveBar*>(frame.Palette(ID_VIEW_FREECURVE));
            curve->resize(180, curve->height());
            ProcessEvents(20);
            CCurvePlot& plot = *curve->CurvePanel()->Plot();
            QVERIFY(plot.PlotRect().width() > 50);
            const double before = curve->CurvePanel()->Editor().Count();
            ClickAt(plot, PlotPixel(plot, 0.5, curve->CurvePanel()->Editor().Curve(0, 0.5)));
            QCOMPARE(double(curve->CurvePanel()->Editor().Count()), before + 1);
        }
    }
};

VELMO_APP_TEST(FeaturePaletteTest);

} // namespace velmo::test

#include "FeaturePaletteTest.moc"
