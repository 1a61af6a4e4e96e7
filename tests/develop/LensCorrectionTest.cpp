#include "develop/passes/LensCorrection.h"
#include "params/LensCorrectionSettings.h"
#include "platform/core/ParallelRows.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdlib>
#include <random>
#include <string>
#include <utility>
#include <vector>

namespace velmo {
namespace {

LensCorrectionSettings Zero()
{
    return LensCorrectionSettings{0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0};
}

LensCorrectionSettings Defaults()
{
    return DefaultLensCorrection();
}

RgbPlane RandomPlane(int w, int h, unsigned seed)
{
    RgbPlane p;
    p.width = w;
    p.height = h;
    p.rgb.resize(size_t(w) * h * 3);
    std::mt19937 rng(seed);
    std::uniform_int_distribution<int> d(0, 65535);
    for (uint16_t& v : p.rgb)
        v = uint16_t(d(rng));
    return p;
}

RgbPlane FlatPlane(int w, int h, uint16_t value)
{
    RgbPlane p;
    p.width = w;
    p.height = h;
    p.rgb.assign(size_t(w) * h * 3, value);
    return p;
}

class StopAt final : public IProgress {
public:
    explicit StopAt(std::string l) : label(std::move(l)) {}
    int Report(int percent, const char* l) override
    {
        reports.emplace_back(percent, l ? l : "");
        if (l && label == l)
            stopped = true;
        return stopped ? 1 : 0;
    }
    std::string label;
    bool stopped = false;
    std::vector<std::pair<int, std::string>> reports;
};

DevelopStatus Pass(const RgbPlane& area, const LensModel& lens, RgbPlane& out, IProgress& progress = NoProgress())
{
    return ApplyLensCorrection(area, 0, 0, 0, 0, area.width, area.height, lens, progress, out);
}

// ---------------------------------------------------------------------------
// The record's numbers

TEST(LensModel, NumbersFromTheRecord)
{
    LensCorrectionSettings s = Defaults();
    s.distortion = 120;
    s.chromaRed = 10;
    s.chromaBlue = -25;
    s.vignetteAmount = 40;
    s.vignetteMidpoint = 100; // taken as 99
    s.stretchX = 40;
    s.stretchY = -20;
    const LensModel m = MakeLensModel(s, 1000, 800);
    EXPECT_DOUBLE_EQ(m.k, 0.12);
    EXPECT_NEAR(m.kRed, 0.121, 1e-12);
    EXPECT_NEAR(m.kBlue, 0.1175, 1e-12);
    EXPECT_TRUE(m.geometry);
    EXPECT_FLOAT_EQ(m.amount, 0.4f);
    EXPECT_NEAR(m.exponent, std::log(0.5) / std::log(0.995), 1e-4);
    EXPECT_DOUBLE_EQ(m.sx, 1.1);
    EXPECT_DOUBLE_EQ(m.sy, 0.95);
    EXPECT_DOUBLE_EQ(m.state.p, 2.0);

    // coefficient 200, distortion 0, red 10: geometry through red alone.
    LensCorrectionSettings red = Defaults();
    red.chromaRed = 10;
    const LensModel r = MakeLensModel(red, 1000, 800);
    EXPECT_TRUE(r.geometry);
    EXPECT_EQ(r.k, 0.0);
    EXPECT_NEAR(r.kRed, 0.001, 1e-12);
    EXPECT_FLOAT_EQ(r.scale, 1.0f);

    // Midpoint 0: exponent 1.
    EXPECT_FLOAT_EQ(MakeLensModel(Defaults(), 100, 100).exponent, 1.0f);
    EXPECT_FALSE(MakeLensModel(Defaults(), 100, 100).Active());
    EXPECT_FALSE(MakeLensModel(Zero(), 100, 100).Active());
}

TEST(LensModel, BadValuesAreBroughtIntoRange)
{
    struct Case {
        const char* what;
        LensCorrectionSettings in;
        int angle, scale, midpoint, coefficient;
    };
    auto with = [](auto set) {
        LensCorrectionSettings s = DefaultLensCorrection();
        set(s);
        return s;
    };
    const Case cases[] = {
        {"fisheye scale 0", with([](auto& s) { s.fisheyeScale = 0; }), 100, 1, 0, 200},
        {"fisheye scale -30", with([](auto& s) { s.fisheyeScale = -30; }), 100, 1, 0, 200},
        {"fisheye angle 0", with([](auto& s) { s.fisheyeAngle = 0, s.fisheyeScale = 37; }), 140, 100, 0, 200},
        {"fisheye angle 180", with([](auto& s) { s.fisheyeAngle = 180; }), 179, 100, 0, 200},
        {"fisheye angle -5", with([](auto& s) { s.fisheyeAngle = -5; }), 1, 100, 0, 200},
        {"midpoint -150", with([](auto& s) { s.vignetteMidpoint = -150; }), 100, 100, -100, 200},
        {"midpoint 400", with([](auto& s) { s.vignetteMidpoint = 400; }), 100, 100, 100, 200},
        {"coefficient 0", with([](auto& s) { s.coefficient = 0; }), 100, 100, 0, 1},
        {"coefficient -300", with([](auto& s) { s.coefficient = -300; }), 100, 100, 0, 1},
    };
    for (const Case& c : cases) {
        const LensCorrectionSettings s = SanitizeLensCorrection(c.in);
        EXPECT_EQ(s.fisheyeAngle, c.angle) << c.what;
        EXPECT_EQ(s.fisheyeScale, c.scale) << c.what;
        EXPECT_EQ(s.vignetteMidpoint, c.midpoint) << c.what;
        EXPECT_EQ(s.coefficient, c.coefficient) << c.what;

        // Whatever the value, the model gives numbers, in fisheye mode too.
        LensCorrectionSettings on = c.in;
        on.vignetteAmount = 50;
        on.distortion = 80;
        for (int flags : {0, kLensFisheyeFlag}) {
            on.flags = flags;
            const LensModel m = MakeLensModel(on, 640, 480);
            ASSERT_TRUE(m.Usable()) << c.what;
            for (double px : {0.0, 1.0, 320.0, 500.5, 639.0}) {
                double x = px, y = px * 0.75, radius = 0;
                m.Map(m.kRed, &x, &y, &radius);
                EXPECT_TRUE(std::isfinite(x) && std::isfinite(y)) << c.what;
                EXPECT_TRUE(x >= 0 && x <= 639 && y >= 0 && y <= 479) << c.what;
                EXPECT_TRUE(std::isfinite(m.Gain(radius))) << c.what;
            }
        }
    }
    // Midpoint -100 gives an even gain of 1 + amount; no NaN at the centre.
    LensCorrectionSettings flat = Defaults();
    flat.vignetteMidpoint = -100;
    flat.vignetteAmount = 50;
    const LensModel m = MakeLensModel(flat, 100, 100);
    EXPECT_FLOAT_EQ(m.Gain(0.0), 1.5f);
    EXPECT_FLOAT_EQ(m.Gain(0.7), 1.5f);
}

// ---------------------------------------------------------------------------
// LensSetup and LensMap against values worked out by hand

TEST(LensMap, DistortionMovesPointsWhereTheFormulaSays)
{
    LensCorrectionSettings s = Defaults();
    s.distortion = 100; // k = 0.1, quadratic term
    const LensModel m = MakeLensModel(s, 1000, 800);
    // rmax = half the diagonal; scale = h / (h - h^2 k), h = 400 / rmax.
    EXPECT_FLOAT_EQ(m.rmax, 640.31244f);
    EXPECT_NEAR(m.scale, 1.0666319, 1e-6);

    struct Case {
        double x, y, mx, my, radius;
    } cases[] = {
        {500, 400, 500, 400, 0.0},                       // the centre stays
        {900, 400, 899.99998, 400, 0.62469503},          // half the short side maps onto itself
        {100, 700, 106.66322, 695.00259, 0.78086879},    // pulled towards the centre
        {-300, 400, 0, 400, 1.24939},                    // beyond the frame: clamped
    };
    for (const Case& c : cases) {
        double x = c.x, y = c.y, radius = -1;
        m.Map(m.k, &x, &y, &radius);
        EXPECT_NEAR(x, c.mx, 1e-4) << c.x << "," << c.y;
        EXPECT_NEAR(y, c.my, 1e-4) << c.x << "," << c.y;
        EXPECT_NEAR(radius, c.radius, 1e-5) << c.x << "," << c.y;
    }

    // k <= 0: scale 1 / (1 - k).
    s.distortion = -250;
    EXPECT_NEAR(MakeLensModel(s, 1000, 800).scale, 1.0 / 1.25, 1e-6);
    // A horizontal stretch widens the frame and moves the centre.
    s.distortion = 0;
    s.stretchX = 100; // sx = 1.25
    const LensModel st = MakeLensModel(s, 1000, 800);
    EXPECT_FLOAT_EQ(st.rmax, float(std::sqrt(1250.0 * 1250.0 + 800.0 * 800.0) * 0.5));
    EXPECT_DOUBLE_EQ(st.Radius(625.0, 400.0), 0.0);
}

TEST(LensMap, FisheyeMapsPointsByTheAngle)
{
    LensCorrectionSettings s = Defaults();
    s.flags = kLensFisheyeFlag;
    s.fisheyeAngle = 140;
    s.fisheyeScale = 100;
    const LensModel m = MakeLensModel(s, 1000, 800);
    EXPECT_DOUBLE_EQ(m.k, 1.0);
    EXPECT_FLOAT_EQ(m.rmax, 500.0f);
    EXPECT_FLOAT_EQ(m.scale, 1.0f);
    struct Case {
        double x, y, mx, my;
    } cases[] = {
        {500, 400, 500, 400},                  // centre
        {750, 400, 885.34009, 400},            // r = 0.5: atan(r / A) / theta
        {900, 700, 900, 700},                  // r = 1 keeps its place
        {500, 100, 500, 0},                    // -19.7: clamped to the frame
        {0, 0, 86.50676, 69.20541},            // beyond r = 1: pulled in
    };
    for (const Case& c : cases) {
        double x = c.x, y = c.y, radius = 0;
        m.Map(m.k, &x, &y, &radius);
        EXPECT_NEAR(x, c.mx, 1e-4) << c.x << "," << c.y;
        EXPECT_NEAR(y, c.my, 1e-4) << c.x << "," << c.y;
    }

    // Angle 0 develops as 140 degrees at 100 %, like the case above.
    s.fisheyeAngle = 0;
    s.fisheyeScale = 5;
    const LensModel zero = MakeLensModel(s, 1000, 800);
    EXPECT_EQ(zero.settings.fisheyeAngle, 140);
    EXPECT_EQ(zero.settings.fisheyeScale, 100);
    double x = 750, y = 400, radius = 0;
    zero.Map(zero.k, &x, &y, &radius);
    EXPECT_NEAR(x, 885.34009, 1e-4);
}

// ---------------------------------------------------------------------------
// PASS8

TEST(LensPass, ChromaticAberrationMovesOnlyItsChannel)
{
    // An even frame: the centre is a whole pixel, so channels with a
    // coefficient of 0 map onto their own pixels.
    const RgbPlane area = RandomPlane(64, 48, 1);
    for (int channel : {0, 2}) {
        LensCorrectionSettings s = Defaults();
        (channel == 0 ? s.chromaRed : s.chromaBlue) = 80;
        const LensModel m = MakeLensModel(s, 64, 48);
        RgbPlane out;
        ASSERT_EQ(Pass(area, m, out), DevelopStatus::Ok);
        int changed = 0;
        for (size_t i = 0; i < out.rgb.size(); ++i) {
            if (int(i % 3) == channel) {
                changed += out.rgb[i] != area.rgb[i];
            } else {
                ASSERT_EQ(out.rgb[i], area.rgb[i]) << "channel " << i % 3 << " moved with " << channel;
            }
        }
        EXPECT_GT(changed, int(out.rgb.size() / 3 / 2)) << channel;
    }
}

TEST(LensPass, ABrightPointLandsWhereTheMapSays)
{
    // One bright green sample in a dark area: after the lens pass the
    // brightest output pixel is the one whose mapped position is that sample.
    // With k > 0 the frame's scale keeps the point at half the short side in
    // place (r = h = 0.6 here): points inside it move in, points outside out.
    // With k < 0 every point inside the corners moves out.
    const int w = 120, h = 90; // centre (60, 45), rmax 75
    struct Case {
        int distortion;
        int sx, sy;
        bool outward;
    } cases[] = {{300, 75, 50, false}, {300, 110, 80, true}, {-200, 75, 50, true}, {-200, 20, 20, true}};
    for (const Case& c : cases) {
        LensCorrectionSettings s = Defaults();
        s.distortion = c.distortion;
        const LensModel m = MakeLensModel(s, w, h);
        RgbPlane area = FlatPlane(w, h, 0);
        area.Pixel(c.sx, c.sy)[1] = 60000;
        RgbPlane out;
        ASSERT_EQ(Pass(area, m, out), DevelopStatus::Ok);
        int bx = -1, by = -1, best = -1;
        for (int y = 0; y < h; ++y)
            for (int x = 0; x < w; ++x)
                if (out.Pixel(x, y)[1] > best)
                    best = out.Pixel(x, y)[1], bx = x, by = y;
        ASSERT_GT(best, 15000);
        double mx = bx, my = by, radius = 0;
        m.Map(m.k, &mx, &my, &radius);
        EXPECT_LT(std::fabs(mx - c.sx), 1.0) << c.distortion << " " << c.sx;
        EXPECT_LT(std::fabs(my - c.sy), 1.0) << c.distortion << " " << c.sx;
        const double before = std::hypot(c.sx - 60.0, c.sy - 45.0);
        const double after = std::hypot(bx - 60.0, by - 45.0);
        EXPECT_GT(std::fabs(after - before), 1.0) << c.distortion << " " << c.sx;
        EXPECT_EQ(after > before, c.outward) << c.distortion << " " << c.sx;
    }
}

TEST(LensPass, VignettingBrightensCornersByTheAmount)
{
    struct Case {
        int amount, midpoint;
        double exponent;
    } cases[] = {{50, 0, 1.0}, {-30, 0, 1.0}, {40, 100, std::log(0.5) / std::log(0.995)},
                 {60, -50, std::log(0.5) / std::log(0.25)}};
    for (const Case& c : cases) {
        LensCorrectionSettings s = Defaults();
        s.vignetteAmount = c.amount;
        s.vignetteMidpoint = c.midpoint;
        const LensModel m = MakeLensModel(s, 80, 60);
        ASSERT_FALSE(m.geometry);
        RgbPlane out;
        ASSERT_EQ(Pass(FlatPlane(80, 60, 20000), m, out), DevelopStatus::Ok);
        // The centre keeps its value; the corner (0, 0) is at radius 1.
        EXPECT_EQ(out.Pixel(40, 30)[0], 20000) << c.amount;
        const int corner = int(20000.0 * (1.0 + c.amount / 100.0));
        EXPECT_NEAR(out.Pixel(0, 0)[1], corner, 1) << c.amount << " " << c.midpoint;
        // Half-way out: 1 + amount x 0.5^exponent.
        const double r = m.Radius(20.0, 30.0);
        EXPECT_NEAR(out.Pixel(20, 30)[2], 20000.0 * (1.0 + c.amount / 100.0 * std::pow(r, c.exponent)), 2.0)
            << c.amount << " " << c.midpoint;
    }
    // Large gains clamp at white.
    LensCorrectionSettings s = Defaults();
    s.vignetteAmount = 1000;
    RgbPlane out;
    ASSERT_EQ(Pass(FlatPlane(80, 60, 20000), MakeLensModel(s, 80, 60), out), DevelopStatus::Ok);
    EXPECT_EQ(out.Pixel(0, 0)[0], 65535);
}

TEST(LensPass, EveryResamplingModeKeepsPixelsOnTheGrid)
{
    // Every coefficient 0 but the geometry path forced: on an even frame each
    // position maps onto its own pixel, so every mode gives the area back.
    const RgbPlane area = RandomPlane(40, 30, 2);
    LensModel m = MakeLensModel(Defaults(), 40, 30);
    m.geometry = true;
    for (LensResampling mode : {LensResampling::Nearest, LensResampling::Bilinear, LensResampling::Cubic,
                                LensResampling::Lanczos2, LensResampling::Lanczos3}) {
        m.resampling = mode;
        RgbPlane out;
        ASSERT_EQ(Pass(area, m, out), DevelopStatus::Ok);
        if (mode == LensResampling::Lanczos2 || mode == LensResampling::Lanczos3) {
            // Single-precision pi leaves the outer taps a hair off 0 and the
            // weights are not normalised: at most a unit lower.
            for (size_t i = 0; i < out.rgb.size(); ++i)
                ASSERT_LE(std::abs(int(out.rgb[i]) - int(area.rgb[i])), 1) << int(mode) << " at " << i;
        } else {
            EXPECT_EQ(out.rgb, area.rgb) << int(mode);
        }
    }
}

TEST(LensPass, SameBytesOnOneThreadAndAllCores)
{
    const RgbPlane area = RandomPlane(200, 150, 3);
    LensCorrectionSettings barrel = Defaults();
    barrel.distortion = 90;
    barrel.chromaRed = 30;
    barrel.chromaBlue = -20;
    barrel.vignetteAmount = 35;
    barrel.stretchX = 12;
    LensCorrectionSettings fisheye = barrel;
    fisheye.flags = kLensFisheyeFlag;
    fisheye.fisheyeAngle = 120;
    for (const LensCorrectionSettings& s : {barrel, fisheye}) {
        for (LensResampling mode : {LensResampling::Bilinear, LensResampling::Lanczos3}) {
            LensModel m = MakeLensModel(s, 200, 150);
            m.resampling = mode;
            SetWorkerThreads(1);
            RgbPlane one;
            ASSERT_EQ(Pass(area, m, one), DevelopStatus::Ok);
            for (int threads : {0, 3}) {
                SetWorkerThreads(threads);
                RgbPlane many;
                ASSERT_EQ(Pass(area, m, many), DevelopStatus::Ok);
                EXPECT_EQ(many.rgb, one.rgb) << "threads " << WorkerThreads();
            }
        }
    }
    SetWorkerThreads(0);
}

TEST(LensPass, AbortGivesNoImage)
{
    LensCorrectionSettings s = Defaults();
    s.distortion = 50;
    StopAt progress("PASS8");
    RgbPlane out;
    EXPECT_EQ(Pass(RandomPlane(50, 300, 4), MakeLensModel(s, 50, 300), out, progress), DevelopStatus::Aborted);
    EXPECT_TRUE(progress.stopped);
    EXPECT_TRUE(out.rgb.empty());
    EXPECT_EQ(progress.reports.front(), (std::pair<int, std::string>{-2, "Allocating memory"}));
    EXPECT_EQ(progress.reports.back().first, -1);
}

TEST(LensPass, BadAreasAreRefused)
{
    LensCorrectionSettings s = Defaults();
    s.vignetteAmount = 10;
    const LensModel vignette = MakeLensModel(s, 20, 20);
    RgbPlane out;
    // Without geometry the area must be the rectangle itself.
    EXPECT_EQ(ApplyLensCorrection(FlatPlane(20, 20, 1), 0, 0, 1, 0, 20, 20, vignette, NoProgress(), out),
              DevelopStatus::InvalidInput);
    EXPECT_EQ(ApplyLensCorrection(FlatPlane(20, 20, 1), 0, 0, 0, 0, 21, 20, vignette, NoProgress(), out),
              DevelopStatus::InvalidInput);
    RgbPlane shortPlane = FlatPlane(20, 20, 1);
    shortPlane.rgb.resize(10);
    EXPECT_EQ(ApplyLensCorrection(shortPlane, 0, 0, 0, 0, 20, 20, vignette, NoProgress(), out),
              DevelopStatus::InvalidInput);
    EXPECT_TRUE(out.rgb.empty());
}

} // namespace
} // namespace velmo
