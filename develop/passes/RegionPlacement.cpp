// PASS1 and PASS2 of a region development: the colour step of every sample,
// its placement on the output grid and the honeycomb filling.
#include "develop/context/DevelopContext.h"
#include "develop/passes/RegionPasses.h"

#include <algorithm>

namespace velmo {

namespace {

constexpr int kSampleRowsPerChunk = 2;
constexpr int kPlaceRowsPerChunk = 8;

int FloorDiv(int a, int b)
{
    const int q = a / b;
    return (a % b != 0 && (a < 0) != (b < 0)) ? q - 1 : q;
}

// The samples that feed one output coordinate along one axis, with their
// weights in quarters.
struct AxisTaps {
    int count = 0;
    int source[2] = {0, 0};
    int weight[2] = {0, 0};

    void Add(int s, int w, int sourceSize)
    {
        if (s >= 0 && s < sourceSize) {
            source[count] = s;
            weight[count] = w;
            ++count;
        }
    }
};

// Mode 1 (x3/2): even source 2i gives 1/4, 1, 1/4 at 3i-1, 3i, 3i+1; odd
// 2i+1 gives 3/4, 3/4 at 3i+1, 3i+2. Mode 9 (x3/4): 4i gives 3/4 at 3i; 4i+1
// 1/4 at 3i and 1/2 at 3i+1; 4i+2 1/2 at 3i+1 and 1/4 at 3i+2; 4i+3 3/4 at
// 3i+2. Gathered: the taps of output coordinate o.
AxisTaps TapsFor(int o, int sizeMode, int sourceSize)
{
    const int i = FloorDiv(o, 3);
    const int m = o - 3 * i;
    AxisTaps t;
    if (sizeMode == 1) {
        if (m == 0) {
            t.Add(2 * i, 4, sourceSize);
        } else if (m == 1) {
            t.Add(2 * i, 1, sourceSize);
            t.Add(2 * i + 1, 3, sourceSize);
        } else {
            t.Add(2 * i + 1, 3, sourceSize);
            t.Add(2 * i + 2, 1, sourceSize);
        }
    } else {
        if (m == 0) {
            t.Add(4 * i, 3, sourceSize);
            t.Add(4 * i + 1, 1, sourceSize);
        } else if (m == 1) {
            t.Add(4 * i + 1, 2, sourceSize);
            t.Add(4 * i + 2, 2, sourceSize);
        } else {
            t.Add(4 * i + 2, 1, sourceSize);
            t.Add(4 * i + 3, 3, sourceSize);
        }
    }
    return t;
}

// Taps for coordinates -1 .. size-1 (index o + 1): -1 is where the shifted
// green of output 0 comes from.
std::vector<AxisTaps> AxisTable(int outSize, int sizeMode, int sourceSize)
{
    std::vector<AxisTaps> table(size_t(outSize) + 1);
    for (int o = -1; o < outSize; ++o)
        table[size_t(o + 1)] = TapsFor(o, sizeMode, sourceSize);
    return table;
}

uint16_t Splat(const RgbPlane& s, const AxisTaps& tx, const AxisTaps& ty, int channel)
{
    uint32_t sum = 0;
    for (int a = 0; a < ty.count; ++a)
        for (int b = 0; b < tx.count; ++b) {
            const uint32_t v = s.Pixel(tx.source[b], ty.source[a])[channel];
            sum += (v * uint32_t(tx.weight[b] * ty.weight[a])) >> 4;
        }
    // The weights at one point sum to at most 1, so the sum fits.
    return static_cast<uint16_t>(sum);
}

inline uint16_t Mean(uint16_t a, uint16_t b)
{
    return static_cast<uint16_t>((uint32_t(a) + uint32_t(b)) >> 1);
}

} // namespace

bool IsRegionSizeMode(int sizeMode)
{
    return (sizeMode >= 0 && sizeMode <= 2) || (sizeMode >= 8 && sizeMode <= 10);
}

int SourceExtent(int rectSize, int outSize, int sizeMode)
{
    if (rectSize <= 0 || outSize <= 0)
        return 0;
    const int64_t o = outSize;
    int64_t need = o;
    switch (sizeMode) {
    case 0:
        need = (o + 1) / 2;
        break;
    case 1:
        need = 2 * ((o - 1) / 3) + 3;
        break;
    case 9:
        need = 4 * ((o - 1) / 3) + 4;
        break;
    case 10:
        need = 2 * o;
        break;
    default:
        break;
    }
    return static_cast<int>(std::min<int64_t>(rectSize, need));
}

DevelopStatus DevelopSamples(const RegionSource& source, const RegionRect& rect, int sampleW, int sampleH,
                             const DevelopContext& ctx, IProgress& progress, RgbPlane& samples)
{
    progress.Report(-2, kAllocatingMemory);
    samples.width = sampleW;
    samples.height = sampleH;
    if (!TryAssign(samples.rgb, uint64_t(sampleW) * uint64_t(sampleH) * 3, uint16_t(0)))
        return DevelopStatus::OutOfMemory;

    const float white = static_cast<float>(source.whiteLevel);
    const bool hasR = !source.rPlane.empty();
    // The columns of the rectangle that lie inside the image.
    const int64_t firstCol = std::max<int64_t>(0, -int64_t(rect.x));
    const int64_t endCol = std::min<int64_t>(sampleW, int64_t(source.width) - rect.x);

    const bool done = RunRowPass(progress, "PASS1", sampleH, kSampleRowsPerChunk, [&](int begin, int end) {
        for (int r = begin; r < end; ++r) {
            const int64_t sy = int64_t(rect.y) + r;
            if (sy < 0 || sy >= source.height)
                continue;
            uint16_t* out = samples.Pixel(0, r);
            for (int64_t c = firstCol; c < endCol; ++c) {
                const size_t at = (size_t(sy) * size_t(source.width) + size_t(rect.x + c)) * 3;
                const uint16_t* sp = source.sPlane.data() + at;
                float s[3] = {sp[0] / white, sp[1] / white, sp[2] / white};
                float rr[3];
                const bool withR = hasR && ctx.params.twoFrames != 0;
                if (withR) {
                    const uint16_t* rp = source.rPlane.data() + at;
                    rr[0] = rp[0] / white;
                    rr[1] = rp[1] / white;
                    rr[2] = rp[2] / white;
                }
                ctx.ColorSRPixel(s, withR ? rr : nullptr);
                uint16_t* o = out + size_t(c) * 3;
                o[0] = ToU16(s[0]);
                o[1] = ToU16(s[1]);
                o[2] = ToU16(s[2]);
            }
        }
    });
    return done ? DevelopStatus::Ok : DevelopStatus::Aborted;
}

void PlaceSamples(const RgbPlane& s, int sizeMode, RgbPlane& work)
{
    const int W = work.width;
    const int H = work.height;
    const int sw = s.width;
    const int sh = s.height;
    auto sample = [&](int c, int r) -> const uint16_t* {
        return (c >= 0 && c < sw && r >= 0 && r < sh) ? s.Pixel(c, r) : nullptr;
    };

    std::vector<AxisTaps> tapsX, tapsY;
    if (sizeMode == 1 || sizeMode == 9) {
        tapsX = AxisTable(W, sizeMode, sw);
        tapsY = AxisTable(H, sizeMode, sh);
    }

    ParallelRows(H, kPlaceRowsPerChunk, [&](int begin, int end) {
        for (int y = begin; y < end; ++y) {
            for (int x = 0; x < W; ++x) {
                uint16_t* o = work.Pixel(x, y);
                switch (sizeMode) {
                case 0: // red and blue at (2c, 2r), green at (2c + 1, 2r + 1)
                    if ((x & 1) == 0 && (y & 1) == 0) {
                        if (const uint16_t* v = sample(x / 2, y / 2)) {
                            o[0] = v[0];
                            o[2] = v[2];
                        }
                    } else if ((x & 1) == 1 && (y & 1) == 1) {
                        if (const uint16_t* v = sample(x / 2, y / 2))
                            o[1] = v[1];
                    }
                    break;
                case 2: // red and blue at (c, r), green at (c + 1, r + 1)
                    if (const uint16_t* v = sample(x, y)) {
                        o[0] = v[0];
                        o[2] = v[2];
                    }
                    if (const uint16_t* v = sample(x - 1, y - 1))
                        o[1] = v[1];
                    break;
                case 8:
                    if (const uint16_t* v = sample(x, y)) {
                        o[0] = v[0];
                        o[1] = v[1];
                        o[2] = v[2];
                    }
                    break;
                case 10:
                    for (int c = 0; c < 3; ++c) {
                        uint32_t sum = 0;
                        for (int dy = 0; dy < 2; ++dy)
                            for (int dx = 0; dx < 2; ++dx)
                                if (const uint16_t* v = sample(2 * x + dx, 2 * y + dy))
                                    sum += v[c] >> 2;
                        o[c] = static_cast<uint16_t>(sum);
                    }
                    break;
                case 1: {
                    const AxisTaps& tx = tapsX[size_t(x) + 1];
                    const AxisTaps& ty = tapsY[size_t(y) + 1];
                    o[0] = Splat(s, tx, ty, 0);
                    o[2] = Splat(s, tx, ty, 2);
                    // Green one output pixel right and down.
                    o[1] = Splat(s, tapsX[size_t(x)], tapsY[size_t(y)], 1);
                    break;
                }
                case 9: {
                    const AxisTaps& tx = tapsX[size_t(x) + 1];
                    const AxisTaps& ty = tapsY[size_t(y) + 1];
                    for (int c = 0; c < 3; ++c)
                        o[c] = Splat(s, tx, ty, c);
                    break;
                }
                default:
                    break;
                }
            }
        }
    });
}

DevelopStatus FillHoneycomb(RgbPlane& work, int sourceW, int sourceH, int sizeMode, bool bayer, bool honeycomb,
                            IProgress& progress)
{
    const int W = work.width;
    const int H = work.height;
    if (W <= 0 || H <= 0)
        return DevelopStatus::Ok;

    // Step 1, size mode 0: the points between the written grid. Every read is
    // a grid point and every write is not, so the source rows are
    // independent; each writes its own rows (or other channels of a shared
    // row).
    if (sizeMode == 0) {
        const int rows = std::min(sourceH, H / 2 + 1);
        const int cols = std::min(sourceW, W / 2 + 1);
        const bool done = RunRowPass(progress, "PASS2", rows, kPlaceRowsPerChunk, [&](int begin, int end) {
            for (int n = begin; n < end; ++n) {
                const int Y = 2 * n;
                const bool lastRow = n == sourceH - 1;
                for (int i = 0; i < cols; ++i) {
                    const int X = 2 * i;
                    const bool lastCol = i == sourceW - 1;
                    // At the right edge of the buffer the missing right
                    // neighbour is replaced by the left one.
                    auto right = [&](int y) { return work.Pixel(X + 2 < W ? X + 2 : X, y); };
                    if (X + 1 < W && Y < H) {
                        const uint16_t* l = work.Pixel(X, Y);
                        const uint16_t* r = right(Y);
                        uint16_t* o = work.Pixel(X + 1, Y);
                        o[0] = Mean(l[0], r[0]);
                        o[2] = Mean(l[2], r[2]);
                    }
                    if (!lastRow && Y + 2 < H) {
                        const uint16_t* a = work.Pixel(X, Y);
                        const uint16_t* b = work.Pixel(X, Y + 2);
                        if (X < W) {
                            uint16_t* o = work.Pixel(X, Y + 1);
                            o[0] = Mean(a[0], b[0]);
                            o[2] = Mean(a[2], b[2]);
                        }
                        if (X + 1 < W) {
                            const uint16_t* ar = right(Y);
                            const uint16_t* br = right(Y + 2);
                            uint16_t* o = work.Pixel(X + 1, Y + 1);
                            o[0] = Mean(Mean(a[0], ar[0]), Mean(b[0], br[0]));
                            o[2] = Mean(Mean(a[2], ar[2]), Mean(b[2], br[2]));
                        }
                    }
                    // Green on its own grid, one point right and down; the
                    // points right of the last column are skipped.
                    if (!lastCol && X + 3 < W && Y + 1 < H)
                        work.Pixel(X + 2, Y + 1)[1] = Mean(work.Pixel(X + 1, Y + 1)[1], work.Pixel(X + 3, Y + 1)[1]);
                    if (!lastRow && Y + 3 < H) {
                        if (X + 1 < W)
                            work.Pixel(X + 1, Y + 2)[1] =
                                Mean(work.Pixel(X + 1, Y + 1)[1], work.Pixel(X + 1, Y + 3)[1]);
                        if (X + 3 < W)
                            work.Pixel(X + 2, Y + 2)[1] =
                                Mean(Mean(work.Pixel(X + 1, Y + 1)[1], work.Pixel(X + 3, Y + 1)[1]),
                                     Mean(work.Pixel(X + 1, Y + 3)[1], work.Pixel(X + 3, Y + 3)[1]));
                    }
                }
            }
        });
        if (!done)
            return DevelopStatus::Aborted;
    }

    if (bayer)
        return DevelopStatus::Ok;

    // Step 2: the borders that the shifted green and the grid leave empty.
    if (H >= 2) {
        for (int x = 0; x < W; ++x) {
            work.Pixel(x, 0)[1] = work.Pixel(x, 1)[1];
            uint16_t* last = work.Pixel(x, H - 1);
            const uint16_t* above = work.Pixel(x, H - 2);
            last[0] = above[0];
            last[2] = above[2];
        }
    }
    if (W >= 2) {
        for (int y = 0; y < H; ++y) {
            work.Pixel(0, y)[1] = work.Pixel(1, y)[1];
            uint16_t* last = work.Pixel(W - 1, y);
            const uint16_t* before = work.Pixel(W - 2, y);
            last[0] = before[0];
            last[2] = before[2];
        }
    }

    // Step 3: a 2 x 2 box filter of green. Done in place in row-major order it
    // reads only points not yet filtered (right and below), so it is computed
    // from a copy with the same result.
    if (sizeMode != 0 && honeycomb && W >= 2 && H >= 2) {
        progress.Report(-2, kAllocatingMemory);
        std::vector<uint16_t> green;
        if (!TryAssign(green, uint64_t(W) * uint64_t(H), uint16_t(0)))
            return DevelopStatus::OutOfMemory;
        for (size_t i = 0; i < green.size(); ++i)
            green[i] = work.rgb[i * 3 + 1];
        const bool done = RunRowPass(progress, "PASS2", H - 1, kPlaceRowsPerChunk, [&](int begin, int end) {
            for (int y = begin; y < end; ++y) {
                const uint16_t* g0 = green.data() + size_t(y) * W;
                const uint16_t* g1 = g0 + W;
                for (int x = 0; x < W - 1; ++x)
                    work.Pixel(x, y)[1] = static_cast<uint16_t>(
                        (uint32_t(g0[x]) + g0[x + 1] + g1[x] + g1[x + 1]) >> 2);
            }
        });
        if (!done)
            return DevelopStatus::Aborted;
    }
    return DevelopStatus::Ok;
}

} // namespace velmo
