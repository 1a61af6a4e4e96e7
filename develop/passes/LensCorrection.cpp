#include "develop/passes/LensCorrection.h"

#include "platform/core/PixelMath.h"

#include <algorithm>
#include <cmath>
#include <limits>
#include <new>

namespace velmo {

namespace {

constexpr double kLensPi = 3.1415927410125732; // pi in single precision
constexpr int kFisheyeDefaultAngle = 140;
constexpr int kMinRowsPerChunk = 8;

double Clamp(double v, double lo, double hi)
{
    return v < lo ? lo : (v > hi ? hi : v);
}

int ClampInt(int v, int lo, int hi)
{
    return v < lo ? lo : (v > hi ? hi : v);
}

// A position already inside 0..n-1 as the tap below it.
int FloorTap(double v)
{
    return static_cast<int>(std::floor(v));
}

double KernelWeight(LensResampling mode, double d)
{
    d = std::fabs(d);
    switch (mode) {
    case LensResampling::Cubic:
        return Cubic(d);
    case LensResampling::Lanczos2:
        return Lanczos2(d);
    case LensResampling::Lanczos3:
        return Lanczos3(d);
    default:
        return 0.0;
    }
}

// One channel of the area at (x, y), which lie inside the area.
float Sample(const RgbPlane& area, int ch, double x, double y, LensResampling mode)
{
    const int w = area.width;
    const int h = area.height;
    auto at = [&](int tx, int ty) -> float {
        tx = ClampInt(tx, 0, w - 1);
        ty = ClampInt(ty, 0, h - 1);
        return static_cast<float>(area.Pixel(tx, ty)[ch]);
    };
    const int x0 = FloorTap(x);
    const int y0 = FloorTap(y);
    switch (mode) {
    case LensResampling::Nearest:
        return at(FloorTap(x + 0.5), FloorTap(y + 0.5));
    case LensResampling::Bilinear: {
        const float fx = static_cast<float>(x - x0);
        const float fy = static_cast<float>(y - y0);
        const float top = at(x0, y0) * (1.0f - fx) + at(x0 + 1, y0) * fx;
        const float bottom = at(x0, y0 + 1) * (1.0f - fx) + at(x0 + 1, y0 + 1) * fx;
        return top * (1.0f - fy) + bottom * fy;
    }
    default: {
        // Separable 4 x 4 taps, weights as they come (not normalised).
        double wx[4], wy[4];
        for (int i = 0; i < 4; ++i) {
            wx[i] = KernelWeight(mode, x - double(x0 - 1 + i));
            wy[i] = KernelWeight(mode, y - double(y0 - 1 + i));
        }
        double sum = 0.0;
        for (int j = 0; j < 4; ++j)
            for (int i = 0; i < 4; ++i)
                sum += wx[i] * wy[j] * at(x0 - 1 + i, y0 - 1 + j);
        return static_cast<float>(sum);
    }
    }
}

uint16_t Store(float v)
{
    if (!(v > 0.0f))
        return 0; // also NaN
    if (v >= 65535.0f)
        return 65535;
    return static_cast<uint16_t>(v);
}

} // namespace

LensCorrectionSettings SanitizeLensCorrection(LensCorrectionSettings s)
{
    if (s.fisheyeAngle == 0) {
        s.fisheyeAngle = kFisheyeDefaultAngle;
        s.fisheyeScale = 100;
    }
    s.fisheyeAngle = ClampInt(s.fisheyeAngle, 1, 179);
    if (s.fisheyeScale <= 0)
        s.fisheyeScale = 1;
    s.vignetteMidpoint = ClampInt(s.vignetteMidpoint, -100, 100);
    if (s.coefficient < 1)
        s.coefficient = 1;
    return s;
}

void LensSetup(const LensCorrectionSettings& settings, double k, double sx, double sy, float* rmax, float* scale,
               double width, double height, LensState* state)
{
    state->p = settings.coefficient / 100.0;
    const double w = sx != 1.0 ? width * std::max(sx, 2.0 - sx) : width;
    const double h = sy != 1.0 ? height * std::max(sy, 2.0 - sy) : height;
    *rmax = static_cast<float>(std::sqrt(w * w + h * h) * 0.5);
    if (k > 0.0) {
        const double half = std::min(w, h) * 0.5 / *rmax;
        // A distortion that pulls the half-frame edge to the centre scales
        // without bound (the picture is then empty); no division by zero.
        const double shrunk = half - std::pow(half, state->p) * k;
        *scale = shrunk != 0.0 ? static_cast<float>(half / shrunk) : std::numeric_limits<float>::infinity();
    } else {
        *scale = static_cast<float>(1.0 / (1.0 - k));
    }
    state->fisheye = (settings.flags & kLensFisheyeFlag) != 0;
    if (state->fisheye) {
        const double sf = settings.fisheyeScale / 100.0;
        state->theta = settings.fisheyeAngle * 0.5 * kLensPi / 180.0;
        state->a = 1.0 / std::tan(state->theta);
        *scale = static_cast<float>(sf);
        *rmax = static_cast<float>(w * 0.5 / sf);
    }
}

void LensMap(const LensState& state, double* x, double* y, double* radius, int width, int height, double k,
             double sx, double sy, float scale, float rmax)
{
    const double cx = width * sx * 0.5;
    const double cy = height * sy * 0.5;
    const double maxX = width > 0 ? width - 1 : 0;
    const double maxY = height > 0 ? height - 1 : 0;
    const double dx = *x - cx;
    const double dy = *y - cy;
    const double tx = std::trunc(dx);
    const double ty = std::trunc(dy);
    double r = std::sqrt(dx * dx + dy * dy);
    double mx = cx;
    double my = cy;
    *radius = 0.0;
    if (r != 0.0) {
        r /= rmax;
        *radius = r;
        double v;
        if (state.fisheye)
            v = std::atan(r / state.a) / state.theta * k;
        else // pow(r, 2) is r * r exactly; the quadratic default is worth the shortcut
            v = r - (state.p == 2.0 ? r * r : std::pow(r, state.p)) * k;
        mx = cx + tx * scale * v / r;
        my = cy + ty * scale * v / r;
        if (!std::isfinite(mx) || !std::isfinite(my)) {
            mx = cx;
            my = cy;
        }
    }
    if (!std::isfinite(mx))
        mx = 0.0;
    if (!std::isfinite(my))
        my = 0.0;
    *x = Clamp(mx, 0.0, maxX);
    *y = Clamp(my, 0.0, maxY);
}

bool LensModel::Usable() const
{
    return std::isfinite(rmax) && rmax > 0.0f && std::isfinite(scale) && scale > 0.0f;
}

void LensModel::Map(double kc, double* x, double* y, double* radius) const
{
    LensMap(state, x, y, radius, width, height, kc, sx, sy, scale, rmax);
}

double LensModel::Radius(double x, double y) const
{
    const double dx = x - width * sx * 0.5;
    const double dy = y - height * sy * 0.5;
    return std::sqrt(dx * dx + dy * dy) / rmax;
}

float LensModel::Gain(double radius) const
{
    if (amount == 0.0f)
        return 1.0f;
    return 1.0f + amount * std::pow(static_cast<float>(radius), exponent);
}

LensModel MakeLensModel(const LensCorrectionSettings& settings, int width, int height)
{
    LensModel m;
    m.settings = SanitizeLensCorrection(settings);
    const LensCorrectionSettings& s = m.settings;
    const bool fisheye = (s.flags & kLensFisheyeFlag) != 0;
    m.k = fisheye ? 1.0 : s.distortion * 0.001;
    m.kRed = m.k + s.chromaRed * 0.0001;
    m.kBlue = m.k + s.chromaBlue * 0.0001;
    m.geometry = m.k != 0.0 || m.kRed != 0.0 || m.kBlue != 0.0;
    m.amount = static_cast<float>(s.vignetteAmount / 100.0);
    const int mid = s.vignetteMidpoint == 100 ? 99 : s.vignetteMidpoint;
    // Midpoint -100 gives log 0: the exponent is 0 and the gain even.
    m.exponent = static_cast<float>(std::log(0.5) / std::log(mid / 200.0 + 0.5));
    m.sx = 1.0 + s.stretchX * 0.0025;
    m.sy = 1.0 + s.stretchY * 0.0025;
    m.width = width;
    m.height = height;
    LensSetup(s, m.k, m.sx, m.sy, &m.rmax, &m.scale, double(width), double(height), &m.state);
    return m;
}

DevelopStatus ApplyLensCorrection(const RgbPlane& area, int areaX, int areaY, int outX, int outY, int outW, int outH,
                                  const LensModel& lens, IProgress& progress, RgbPlane& result)
{
    result = RgbPlane{};
    if (outW <= 0 || outH <= 0 || area.width <= 0 || area.height <= 0 ||
        area.rgb.size() < size_t(area.width) * size_t(area.height) * 3)
        return DevelopStatus::InvalidInput;
    if (!lens.geometry &&
        (areaX != outX || areaY != outY || area.width != outW || area.height != outH))
        return DevelopStatus::InvalidInput;

    progress.Report(-2, kAllocatingMemory);
    RgbPlane out;
    out.width = outW;
    out.height = outH;
    if (!TryAssign(out.rgb, uint64_t(outW) * uint64_t(outH) * 3, uint16_t(0)))
        return DevelopStatus::OutOfMemory;

    const double maxX = area.width - 1;
    const double maxY = area.height - 1;
    const bool done = RunRowPass(progress, "PASS8", outH, kMinRowsPerChunk, [&](int begin, int end) {
        for (int row = begin; row < end; ++row) {
            uint16_t* dst = out.Pixel(0, row);
            const double py = double(outY) + row;
            for (int col = 0; col < outW; ++col, dst += 3) {
                const double px = double(outX) + col;
                double radius = 0.0;
                float v[3];
                if (lens.geometry) {
                    double gx = px, gy = py;
                    lens.Map(lens.k, &gx, &gy, &radius);
                    double rx = px, ry = py, unused = 0.0;
                    lens.Map(lens.kRed, &rx, &ry, &unused);
                    double bx = px, by = py;
                    lens.Map(lens.kBlue, &bx, &by, &unused);
                    const double xs[3] = {rx, gx, bx};
                    const double ys[3] = {ry, gy, by};
                    for (int ch = 0; ch < 3; ++ch) {
                        const double sx = Clamp(xs[ch] - areaX, 0.0, maxX);
                        const double sy = Clamp(ys[ch] - areaY, 0.0, maxY);
                        v[ch] = Sample(area, ch, sx, sy, lens.resampling);
                    }
                } else {
                    radius = lens.Radius(px, py);
                    const uint16_t* src = area.Pixel(col, row);
                    for (int ch = 0; ch < 3; ++ch)
                        v[ch] = static_cast<float>(src[ch]);
                }
                const float gain = lens.Gain(radius);
                for (int ch = 0; ch < 3; ++ch)
                    dst[ch] = Store(v[ch] * gain);
            }
        }
    });
    progress.Report(-1, nullptr);
    if (!done)
        return DevelopStatus::Aborted;
    result = std::move(out);
    return DevelopStatus::Ok;
}

} // namespace velmo
