#include "raw/LoadPreviews.h"

#include "exif/EmbeddedJpeg.h"
#include "platform/core/ParallelRows.h"
#include "raw/RawImage.h"

#include <algorithm>
#include <cmath>

namespace velmo {

namespace {

using C = FamilyWhiteBalanceTable::Column;

float Clamp01(float v) { return v < 0.0f ? 0.0f : v > 1.0f ? 1.0f : v; }

// Sample ch of pixel (r, c) of a placed frame: past a row's end is the next
// row, past the buffer 0.
uint16_t Sample(std::span<const uint16_t> img, int w, int r, int c, int ch)
{
    const long long i = (static_cast<long long>(r) * w + c) * 3 + ch;
    return i >= 0 && static_cast<size_t>(i) < img.size() ? img[size_t(i)] : 0;
}

float Bilinear(std::span<const uint16_t> img, int w, int iy, int ix, float fx, float fy, int ch)
{
    const float top = Sample(img, w, iy, ix + 1, ch) * fx + Sample(img, w, iy, ix, ch) * (1 - fx);
    const float bottom = Sample(img, w, iy + 1, ix + 1, ch) * fx + Sample(img, w, iy + 1, ix, ch) * (1 - fx);
    return top * (1 - fy) + bottom * fy;
}

int Progress(IProgress& p, const char* label, int y, int h) { return (y % 64 == 0) ? p.Report(y * 100 / h, label) : 0; }

// body(y) for rows 0..rows-1 on all cores, 64 rows at a time with the
// progress of the first row of each batch before it, as a row loop that
// reports every 64th row does; false when the progress said stop. Each row
// writes only its own output.
template <class Body>
bool ForRows(int rows, const char* label, IProgress& progress, Body body)
{
    for (int start = 0; start < rows; start += 64) {
        if (Progress(progress, label, start, rows))
            return false;
        const int end = std::min(rows, start + 64);
        ParallelRows(end - start, 4, [&](int b, int e) {
            for (int y = start + b; y < start + e; ++y)
                body(y);
        });
    }
    return true;
}

} // namespace

bool MakePreviewMaps(const DemosaicedFrames& frames, const float daylight[3], const float ratio[3], float white,
                     std::vector<uint16_t>& map1, std::vector<uint16_t>& map2, IProgress& progress,
                     PreviewWhiteBalanceSums& sums)
{
    const int W = frames.width, H = frames.height;
    if (W <= 0 || H <= 0 || frames.main.empty())
        return true;
    const int h = std::max(1, std::min(kPreviewHeight, int(int64_t(H) * kPreviewWidth / W)));
    const int top = (kPreviewHeight - h) / 2;

    // The terms of the two sums for every sample value up to the white level
    // (computed as below, so the same floats), instead of two powers per
    // sample; values above it are computed where they occur.
    auto term1 = [&](uint16_t v, int ch) { return Clamp01(std::pow(daylight[ch] * (v / white), 0.5555556f)); };
    auto term2 = [&](uint16_t v, int ch) { return Clamp01(std::pow((v / white) * ratio[ch], 0.5555556f)); };
    const int tableSize = int(std::min(white, 65535.0f)) + 1;
    std::vector<float> table1(size_t(tableSize) * 3), table2(size_t(tableSize) * 3);
    for (int v = 0; v < tableSize; ++v)
        for (int ch = 0; ch < 3; ++ch) {
            table1[size_t(v) * 3 + size_t(ch)] = term1(uint16_t(v), ch);
            table2[size_t(v) * 3 + size_t(ch)] = term2(uint16_t(v), ch);
        }

    double* s1 = sums.daylight;
    double* s2 = sums.family;
    for (int y = 0; y < h; ++y) {
        if (velmo::Progress(progress, "make preview1", y, h))
            return false;
        const float sy = float(y) * float(H) / float(h);
        const int iy = int(sy);
        const float fy = sy - float(iy);
        uint16_t* out = &map1[size_t(y + top) * kPreviewWidth * 3];
        for (int x = 0; x < kPreviewWidth; ++x) {
            const float sx = float(x) * float(W) * 0.001953125f;
            const int ix = int(sx);
            const float fx = sx - float(ix);
            for (int ch = 0; ch < 3; ++ch) {
                const auto v = uint16_t(Bilinear(frames.main, W, iy, ix, fx, fy, ch));
                out[x * 3 + ch] = v;
                const bool listed = v < tableSize;
                s1[ch] += listed ? table1[size_t(v) * 3 + size_t(ch)] : term1(v, ch);
                s2[ch] += listed ? table2[size_t(v) * 3 + size_t(ch)] : term2(v, ch);
            }
        }
        if (!frames.second.empty()) {
            uint16_t* out2 = &map2[size_t(y + top) * kPreviewWidth * 3];
            const int r = int(int64_t(y) * H / h);
            for (int x = 0; x < kPreviewWidth; ++x) {
                const int c = int(int64_t(x) * W / kPreviewWidth);
                for (int ch = 0; ch < 3; ++ch)
                    out2[x * 3 + ch] =
                        uint16_t((Sample(frames.second, W, r, c, ch) + Sample(frames.second, W, r, c + 1, ch) +
                                  Sample(frames.second, W, r + 1, c, ch) + Sample(frames.second, W, r + 1, c + 1, ch)) /
                                 4);
            }
        }
    }
    return true;
}

bool MakeFullPreviewMaps(const DemosaicedFrames& frames, int fullWidth, int fullHeight, std::vector<uint16_t>& map1,
                         std::vector<uint16_t>& map2, IProgress& progress)
{
    std::fill(map1.begin(), map1.end(), 0);
    std::fill(map2.begin(), map2.end(), 0);
    const int W = frames.width, H = frames.height;
    if (W <= 0 || H <= 0 || frames.main.empty() || fullWidth <= 0 || fullHeight <= 0)
        return true;
    const int h2 = std::max(1, std::min(fullHeight, int(int64_t(H) * fullWidth / W)));
    const int top2 = (fullHeight - h2) / 2;
    return ForRows(h2, "make preview2", progress, [&](int y) {
        const float sy = float(H) * float(y) / float(h2);
        const int iy = int(sy);
        const float fy = sy - float(iy);
        uint16_t* out = &map1[size_t(y + top2) * fullWidth * 3];
        uint16_t* out2 = &map2[size_t(y + top2) * fullWidth * 3];
        for (int x = 0; x < fullWidth; ++x) {
            const float sx = float(x) * float(W) / float(fullWidth);
            const int ix = int(sx);
            const float fx = sx - float(ix);
            for (int ch = 0; ch < 3; ++ch) {
                out[x * 3 + ch] = uint16_t(Bilinear(frames.main, W, iy, ix, fx, fy, ch));
                if (!frames.second.empty())
                    out2[x * 3 + ch] = Sample(frames.second, W, iy, ix, ch);
            }
        }
    });
}

bool AsShotFactors(const std::string& path, HueModel model, float factors[3])
{
    std::vector<uint8_t> area(EmbeddedJpegAreaSize(kPreviewWidth, kPreviewHeight));
    if (!LoadEmbeddedJpeg(path, area, kPreviewWidth, kPreviewHeight))
        return false;
    float linear[256];
    for (int v = 0; v < 256; ++v)
        linear[v] = std::pow(v / 255.0f, 1.8f);
    double sum[3] = {0, 0, 0}; // R, G, B
    const uint8_t* px = area.data() + kEmbeddedJpegHeaderRoom;
    for (int i = 0; i < kPreviewWidth * kPreviewHeight; ++i, px += 3)
        for (int ch = 0; ch < 3; ++ch)
            sum[ch] += linear[px[2 - ch]];
    float a[3];
    for (int ch = 0; ch < 3; ++ch)
        a[ch] = float(sum[ch] / 196608.0);
    const float Y = (4 * a[1] + 2 * a[0] + a[2]) / 7.0f;
    if (!(Y > 0.0f))
        return false;
    float h = 0, s = 0, l = 0, r = 1, g = 1, b = 1;
    RGBToHSI(a[0] / Y, a[1] / Y, a[2] / Y, &h, &s, &l, model);
    HSIToRGB(h, s / 1.2f, l, &r, &g, &b, model);
    g *= 0.95f;
    factors[0] = r;
    factors[1] = g;
    factors[2] = b;
    return true;
}

void DeriveFamilyPresetRows(const RafWhiteBalancePresets& presets, FamilyWhiteBalanceTable& family)
{
    const uint16_t* d = presets.rows[1];
    // Without a daylight preset the rows cannot be derived: they stay as they are.
    if (d[0] == 0 || d[1] == 0 || d[3] == 0)
        return;
    const int32_t* f0 = family.rows[0];
    for (int i = 0; i < 3; ++i) {
        const uint16_t* p = presets.rows[7 + i];
        int32_t* row = family.rows[10 + i];
        row[C::R] = uint16_t(int64_t(p[1]) * f0[C::R] / d[1]);
        row[C::G] = uint16_t(int64_t(p[0]) * f0[C::G] / d[0]);
        row[C::B] = uint16_t(int64_t(p[3]) * f0[C::B] / d[3]);
    }
}

namespace {

DemosaicedFrames FramesOf(const RawImage& img)
{
    DemosaicedFrames frames;
    frames.main = img.mainImage;
    frames.second = img.secondFrame;
    frames.width = img.imageWidth;
    frames.height = img.imageHeight;
    return frames;
}

} // namespace

bool MakePreview1(RawImage& img, FamilyWhiteBalanceTable& family, IProgress& progress)
{
    std::fill(img.previewMap1.begin(), img.previewMap1.end(), 0);
    std::fill(img.previewMap2.begin(), img.previewMap2.end(), 0);
    const int W = img.imageWidth, H = img.imageHeight;
    if (W <= 0 || H <= 0 || img.mainImage.empty())
        return true;

    const int32_t* f0 = family.rows[0];
    const float ratio[3] = {f0[C::R2] ? float(f0[C::R]) / float(f0[C::R2]) : 1.0f,
                            f0[C::G2] ? float(f0[C::G]) / float(f0[C::G2]) : 1.0f,
                            f0[C::B2] ? float(f0[C::B]) / float(f0[C::B2]) : 1.0f};
    std::copy(ratio, ratio + 3, img.wbGain);
    img.inverseGamma = 0.5555556f;
    const uint16_t* d = img.rafPresets.rows[1];
    const float u = img.wbUnit ? float(img.wbUnit) : 1.0f;
    const float daylight[3] = {d[1] / u, (d[0] + d[2]) / 2.0f / u, d[3] / u};
    const float white = img.whiteLevel ? float(img.whiteLevel) : 65535.0f;

    PreviewWhiteBalanceSums sums;
    if (!MakePreviewMaps(FramesOf(img), daylight, ratio, white, img.previewMap1, img.previewMap2, progress, sums))
        return false;
    const double* s1 = sums.daylight;
    const double* s2 = sums.family;

    // The auto preset: the camera's daylight scaled to a grey mean. The
    // divisors are fixed, also for letterboxed pictures.
    float t[3];
    for (int ch = 0; ch < 3; ++ch) {
        t[ch] = float(s1[ch] / 786432.0);
        if (t[ch] == 0.0f)
            t[ch] = 1.0f;
    }
    const float m = (t[0] + t[1] + t[2]) / 3.0f;
    auto word = [](float v) { return uint16_t(std::clamp(v, 0.0f, 65535.0f)); };
    uint16_t* row10 = img.rafPresets.rows[RafWhiteBalancePresets::kAutoRow];
    row10[0] = word(daylight[1] / t[1] * m * u);
    row10[1] = word(daylight[0] / t[0] * m * u);
    row10[2] = row10[0];
    row10[3] = word(daylight[2] / t[2] * m * u);

    // The family's auto row; a black picture leaves the row as it was.
    float mx[3];
    for (int ch = 0; ch < 3; ++ch)
        mx[ch] = float(s2[ch] / 196608.0);
    const float Y = (4 * mx[1] + 2 * mx[0] + mx[2]) / 7.0f;
    if (Y > 0.0f) {
        int32_t* row6 = family.rows[FamilyWhiteBalanceTable::kAutoRow];
        for (int ch = 0; ch < 3; ++ch) {
            const float p = std::pow(mx[ch] / Y, 1.8f);
            if (p > 0.0f && std::isfinite(p))
                row6[C::R + ch] = int32_t(std::clamp(f0[C::R2 + ch] * ratio[ch] / p, -2e9f, 2e9f));
        }
    }
    return true;
}

bool MakePreview2(RawImage& img, IProgress& progress)
{
    return MakeFullPreviewMaps(FramesOf(img), img.fullWidth, img.fullHeight, img.fullMap1, img.fullMap2, progress);
}

} // namespace velmo
