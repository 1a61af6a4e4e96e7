#include "raw/InterpolateExr.h"

#include "platform/core/Progress.h"
#include "raw/Demosaic.h"
#include "raw/RawImage.h"

namespace velmo {

std::vector<uint16_t> InterpolateExrPlanes(const std::vector<uint16_t>& frame0, const std::vector<uint16_t>& frame1,
                                           int width, int height, IProgress& progress)
{
    if (width <= 0 || height <= 0)
        return {};
    const uint64_t framePixels = uint64_t(width) * uint64_t(height);
    if (frame0.size() / 3 < framePixels || frame1.size() / 3 < framePixels)
        return {};
    const int W = 2 * width;
    const int H = 2 * height;
    // Laid out like every placed frame: two spare rows and three spare samples.
    const uint64_t samples = uint64_t(W) * uint64_t(H + 2) * 3 + 3;

    progress.Report(-2, "Allocating memory");
    std::vector<uint16_t> out(samples, 0);
    auto px = [&](int x, int y) { return out.data() + (size_t(y) * size_t(W) + size_t(x)) * 3; };

    const std::vector<uint16_t>* frames[2] = {&frame0, &frame1};
    for (int i = 0; i < 2; ++i) {
        const uint16_t* src = frames[i]->data();
        for (int y = 0; y < height; ++y) {
            if (y % 64 == 0)
                progress.Report((y + i * height) * 50 / height, "InterpolateEXR-1");
            for (int x = 0; x < width; ++x) {
                const uint16_t* s = src + (size_t(y) * size_t(width) + size_t(x)) * 3;
                uint16_t* d = px(2 * x + i, 2 * y + i);
                d[0] = s[0];
                d[1] = s[1];
                d[2] = s[2];
            }
        }
    }

    // Interior holes: the four neighbours of a hole are always written
    // points, so the fill reads only the checkerboard and rows are independent.
    auto fillInterior = [&](int x, int y) {
        const uint16_t* left = px(x - 1, y);
        const uint16_t* right = px(x + 1, y);
        const uint16_t* up = px(x, y - 1);
        const uint16_t* down = px(x, y + 1);
        int v[15];
        for (int k = 0; k < 3; ++k) {
            v[4 * k] = left[k];
            v[4 * k + 1] = right[k];
            v[4 * k + 2] = up[k];
            v[4 * k + 3] = down[k];
        }
        ChooseDirections3(v);
        uint16_t* d = px(x, y);
        for (int k = 0; k < 3; ++k)
            d[k] = static_cast<uint16_t>(v[12 + k]);
    };
    for (int y = 1; y < H - 1; ++y) {
        if (y % 128 == 1)
            progress.Report(50 + y * 50 / H, "InterpolateEXR-2");
        // Odd rows: even columns from 2; even rows: odd columns from 1.
        for (int x = (y & 1) ? 2 : 1; x < W - 1; x += 2)
            fillInterior(x, y);
    }

    auto mean3 = [&](int x, int y, const uint16_t* a, const uint16_t* b, const uint16_t* c) {
        uint16_t* d = px(x, y);
        for (int k = 0; k < 3; ++k)
            d[k] = static_cast<uint16_t>((int(a[k]) + b[k] + c[k]) / 3);
    };
    auto mean2 = [&](int x, int y, const uint16_t* a, const uint16_t* b) {
        uint16_t* d = px(x, y);
        for (int k = 0; k < 3; ++k)
            d[k] = static_cast<uint16_t>((int(a[k]) + b[k]) >> 1);
    };
    // Top row: odd columns before the last.
    for (int x = 1; x < W - 1; x += 2)
        mean3(x, 0, px(x, 1), px(x - 1, 0), px(x + 1, 0));
    // Left column: odd rows before the last.
    for (int y = 1; y < H - 1; y += 2)
        mean3(0, y, px(0, y - 1), px(0, y + 1), px(1, y));
    // Right column: even rows after the first.
    for (int y = 2; y < H - 1; y += 2)
        mean3(W - 1, y, px(W - 1, y - 1), px(W - 1, y + 1), px(W - 2, y));
    // Bottom row: even columns after the first.
    for (int x = 2; x < W - 1; x += 2)
        mean3(x, H - 1, px(x, H - 2), px(x - 1, H - 1), px(x + 1, H - 1));
    // The two corner holes.
    mean2(W - 1, 0, px(W - 1, 1), px(W - 2, 0));
    mean2(0, H - 1, px(0, H - 2), px(1, H - 1));
    return out;
}

bool InterpolateExr(RawImage& img, IProgress& progress)
{
    if (img.imageWidth <= 0 || img.imageHeight <= 0)
        return false;
    const uint64_t samples = uint64_t(img.imageWidth) * uint64_t(img.imageHeight) * 3;
    if (img.mainImage.size() < samples || img.secondFrame.size() < samples)
        return false;
    std::vector<uint16_t> plane =
        InterpolateExrPlanes(img.mainImage, img.secondFrame, img.imageWidth, img.imageHeight, progress);
    if (plane.empty())
        return false;
    img.mainImage = std::move(plane);
    img.secondFrame.clear();
    img.secondFrame.shrink_to_fit();
    img.imageWidth *= 2;
    img.imageHeight *= 2;
    return true;
}

} // namespace velmo
