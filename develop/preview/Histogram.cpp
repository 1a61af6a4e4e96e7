#include "develop/preview/Histogram.h"

#include <algorithm>

namespace velmo {

void ByteHistogram::AddBgr(const uint8_t* bgr, size_t pixels)
{
    for (size_t i = 0; i < pixels; ++i, bgr += 3)
        Add(bgr[2], bgr[1], bgr[0]);
}

void ByteHistogram::Add(const ByteHistogram& other)
{
    for (size_t i = 0; i < counts.size(); ++i)
        counts[i] += other.counts[i];
}

std::array<int32_t, kHistogramBins> SelectionHistogram(const uint8_t* bgr, int width, int height, int x0, int y0,
                                                       int x1, int y1)
{
    std::array<int32_t, kHistogramBins> bins{};
    if (bgr == nullptr || width <= 0 || height <= 0 || x1 < x0 || y1 < y0)
        return bins;
    x0 = std::clamp(x0, 0, width - 1);
    x1 = std::clamp(x1, 0, width - 1);
    y0 = std::clamp(y0, 0, height - 1);
    y1 = std::clamp(y1, 0, height - 1);
    ByteHistogram h;
    for (int y = y0; y <= y1; ++y)
        h.AddBgr(bgr + (size_t(y) * size_t(width) + size_t(x0)) * 3, size_t(x1 - x0 + 1));
    const int64_t n = int64_t(x1 - x0 + 1) * int64_t(y1 - y0 + 1);
    const float scale = float(kPreviewPixelCount) / static_cast<float>(n);
    for (size_t i = 0; i < bins.size(); ++i)
        bins[i] = static_cast<int32_t>(std::min(static_cast<float>(h.counts[i]) * scale, 2147483520.0f));
    return bins;
}

} // namespace velmo
