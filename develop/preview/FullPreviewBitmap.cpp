#include "develop/preview/FullPreviewBitmap.h"

#include "develop/passes/DevelopFull.h"
#include "develop/preview/Histogram.h"
#include "develop/preview/RenderPreview.h"
#include "platform/core/PassRunner.h"

#include <algorithm>

namespace velmo {

namespace {

constexpr int kScaleRowsPerChunk = 8;

// Shows the reports but never asks to stop: scaling is not abortable.
class ReportOnly final : public IProgress {
public:
    explicit ReportOnly(IProgress& p) : inner(p) {}
    int Report(int percent, const char* label) override
    {
        inner.Report(percent, label);
        return 0;
    }

private:
    IProgress& inner;
};

} // namespace

bool OutputSizeForMode(int sizeMode, int width, int height, int* outWidth, int* outHeight)
{
    return FullOutputSize(width, height, sizeMode, outWidth, outHeight);
}

void FullPreviewTargetSize(int sizeMode, int imageWidth, int imageHeight, bool rotated, int* width, int* height)
{
    int w = imageWidth, h = imageHeight;
    if (sizeMode == 3 || sizeMode == 11) {
        w = kPreviewWidth;
        h = kPreviewHeight;
    } else {
        OutputSizeForMode(sizeMode, imageWidth, imageHeight, &w, &h);
    }
    w += w & 1;
    h += h & 1;
    if (rotated)
        std::swap(w, h);
    *width = w;
    *height = h;
}

DisplayImage ScaleFullPreview(const FullPreviewImage& preview, int width, int height, IProgress& progress)
{
    DisplayImage image;
    const int sw = preview.width, sh = preview.height;
    if (width <= 0 || height <= 0 || sw <= 0 || sh <= 0 || preview.bgr.size() < size_t(sw) * size_t(sh) * 3)
        return image;
    image.width = width;
    image.height = height;
    image.stride = DisplayStride(width);
    if (!TryAssign(image.bgr, uint64_t(image.stride) * uint64_t(height), uint8_t(0)))
        return DisplayImage{};

    ReportOnly report(progress);
    const uint8_t* src = preview.bgr.data();
    auto at = [&](int row, int col) { return src + (size_t(row) * size_t(sw) + size_t(col)) * 3; };
    RunRowPass(report, "making FullPreview", height, kScaleRowsPerChunk, [&](int begin, int end) {
        for (int i = begin; i < end; ++i) {
            const float v = static_cast<float>(i) * static_cast<float>(sh) / static_cast<float>(height);
            const int row = std::min(static_cast<int>(v), sh - 1);
            const int row1 = std::min(row + 1, sh - 1);
            const float fv = v - static_cast<float>(static_cast<int>(v));
            uint8_t* out = image.bgr.data() + size_t(i) * size_t(image.stride);
            for (int k = 0; k < width; ++k) {
                const float u = static_cast<float>(k) * static_cast<float>(sw) / static_cast<float>(width);
                const int col = std::min(static_cast<int>(u), sw - 1);
                const int col1 = std::min(col + 1, sw - 1);
                const float fu = u - static_cast<float>(static_cast<int>(u));
                const uint8_t* p00 = at(row, col);
                const uint8_t* p01 = at(row, col1);
                const uint8_t* p10 = at(row1, col);
                const uint8_t* p11 = at(row1, col1);
                for (int ch = 0; ch < 3; ++ch) {
                    const float lower = (p10[ch] * (1.0f - fu) + p11[ch] * fu) * fv;
                    const float upper = (p00[ch] * (1.0f - fu) + p01[ch] * fu) * (1.0f - fv);
                    out[k * 3 + ch] = static_cast<uint8_t>(std::clamp(lower + upper, 0.0f, 255.0f));
                }
            }
        }
    });
    return image;
}

std::array<int32_t, 1024> RegionHistogram(const FullPreviewImage& preview, int x0, int y0, int x1, int y1)
{
    const int W = preview.width, H = preview.height;
    if (W <= 0 || H <= 0 || preview.bgr.size() < size_t(W) * size_t(H) * 3 || x1 < x0 || y1 < y0)
        return {};
    const int refW = preview.rotated ? kPreviewHeight : kPreviewWidth;
    const int refH = preview.rotated ? kPreviewWidth : kPreviewHeight;
    auto mapX = [&](int x) { return int(std::clamp<int64_t>(int64_t(x) * W / refW, 0, W - 1)); };
    auto mapY = [&](int y) { return int(std::clamp<int64_t>(int64_t(y) * H / refH, 0, H - 1)); };
    return SelectionHistogram(preview.bgr.data(), W, H, mapX(x0), mapY(y0), mapX(x1), mapY(y1));
}

} // namespace velmo
