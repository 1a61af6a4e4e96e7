// The document's side of the previews and white-balance estimates prepared
// at the end of a RAW load: its maps, its white-balance gains and the rows of
// its preset tables.
#include "document/VelmoDoc.h"
#include "raw/LoadPreviews.h"

#include <algorithm>
#include <cmath>
#include <cstring>

namespace velmo {

namespace {

using C = FamilyWhiteBalanceTable::Column;

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

bool CVelmoDoc::MakePreview1(RawImage& img, IProgress& progress)
{
    std::fill(img.previewMap1.begin(), img.previewMap1.end(), 0);
    std::fill(img.previewMap2.begin(), img.previewMap2.end(), 0);
    const int W = img.imageWidth, H = img.imageHeight;
    if (W <= 0 || H <= 0 || img.mainImage.empty())
        return true;

    FamilyWhiteBalanceTable& family = familyWb[FamilyTableIndex(img.cameraFamily)];
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

bool CVelmoDoc::MakePreview1(IProgress& progress)
{
    StopWorker();
    DropFullPreview();
    return MakePreview1(image, progress);
}

bool CVelmoDoc::MakePreview2(IProgress& progress)
{
    StopWorker();
    DropFullPreview();
    return MakePreview2(image, progress);
}

bool CVelmoDoc::MakePreview2(RawImage& img, IProgress& progress)
{
    return MakeFullPreviewMaps(FramesOf(img), img.fullWidth, img.fullHeight, img.fullMap1, img.fullMap2, progress);
}

bool CVelmoDoc::MakeAsShot(const std::string& path)
{
    float factors[3];
    if (!AsShotFactors(path, edit.Hue(), factors))
        return false;
    const float r = factors[0], g = factors[1], b = factors[2];
    const int32_t* f6 = FamilyTable().rows[FamilyWhiteBalanceTable::kAutoRow];
    const double v[3] = {double(f6[C::R]) * r, double(f6[C::G]) * g, double(f6[C::B]) * b};
    // What is not a number keeps the row as it was; the rest stays in range.
    if (!std::isfinite(v[0]) || !std::isfinite(v[1]) || !std::isfinite(v[2]))
        return false;
    int32_t* row8 = FamilyTableToWrite().rows[FamilyWhiteBalanceTable::kAsShotRow];
    for (int ch = 0; ch < 3; ++ch)
        row8[C::R + ch] = int32_t(std::clamp(v[ch], double(INT32_MIN), double(INT32_MAX)));
    return true;
}

void CVelmoDoc::DeriveFamilyPresetRows()
{
    ::velmo::DeriveFamilyPresetRows(image.rafPresets, FamilyTableToWrite());
}

} // namespace velmo
