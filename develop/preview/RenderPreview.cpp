#include "develop/preview/RenderPreview.h"

#include "develop/colour/ColorManagement.h"
#include "develop/passes/LensCorrection.h"

#include <algorithm>
#include <cmath>

namespace velmo {

namespace {

constexpr int kColorRowsPerChunk = 4;
constexpr int kLumaRowsPerChunk = 8;
constexpr int kOutputRowsPerChunk = 4;

int Turn(int rotate) { return (rotate == 1 || rotate == 2) ? rotate : 0; }

int PreviewCentre(int amount)
{
    const double a = std::clamp(amount, 0, 100) / 100.0;
    return static_cast<int>(1000.0 - 1000.0 * std::pow(a, 0.2)) / 6;
}

// One 3 x 3 pass over a luma plane: corners weigh 1, edge neighbours 5 (24
// in all); taps outside the picture take the nearest edge sample.
template <class Combine>
bool LumaKernelPass(const std::vector<int32_t>& in, std::vector<int32_t>& out, int width, int height,
                    IProgress& progress, Combine combine)
{
    return RunRowPass(progress, "Make preview3", height, kLumaRowsPerChunk, [&](int begin, int end) {
        for (int y = begin; y < end; ++y) {
            const int32_t* up = in.data() + size_t(std::max(y - 1, 0)) * width;
            const int32_t* mid = in.data() + size_t(y) * width;
            const int32_t* down = in.data() + size_t(std::min(y + 1, height - 1)) * width;
            int32_t* dst = out.data() + size_t(y) * width;
            for (int x = 0; x < width; ++x) {
                const int l = std::max(x - 1, 0);
                const int r = std::min(x + 1, width - 1);
                const int64_t corners = int64_t(up[l]) + up[r] + down[l] + down[r];
                const int64_t edges = int64_t(up[x]) + down[x] + mid[l] + mid[r];
                dst[x] = static_cast<int32_t>(combine(int64_t(mid[x]), corners + 5 * edges));
            }
        }
    });
}

// Luma softening and sharpening of the full preview; it only darkens: each
// pixel keeps its colour and takes the filtered luma, at most its own.
DevelopStatus SharpenLuma(std::vector<uint16_t>& work, int width, int height, const DevelopContext& ctx,
                          IProgress& progress)
{
    const size_t pixels = size_t(width) * size_t(height);
    std::vector<int32_t> luma, filtered, scratch;
    progress.Report(-2, kAllocatingMemory);
    if (!TryAssign(luma, pixels, 0) || !TryAssign(filtered, pixels, 0))
        return DevelopStatus::OutOfMemory;
    const bool lumaDone = RunRowPass(progress, "Make preview2", height, kLumaRowsPerChunk, [&](int begin, int end) {
        for (size_t i = size_t(begin) * width; i < size_t(end) * width; ++i) {
            const uint16_t* p = work.data() + i * 3;
            luma[i] = 2 * int32_t(p[0]) + 4 * int32_t(p[1]) + int32_t(p[2]);
        }
    });
    if (!lumaDone)
        return DevelopStatus::Aborted;
    filtered = luma;

    const PreviewSharpen c = PreviewSharpenCentres(ctx.params.sharpness, ctx.params.soften, ctx.params.harden);
    if (c.soften != kPreviewKernelOff) {
        if (!TryAssign(scratch, pixels, 0))
            return DevelopStatus::OutOfMemory;
        const int64_t cs = c.soften;
        if (!LumaKernelPass(filtered, scratch, width, height, progress,
                            [cs](int64_t l, int64_t sum) { return (cs * l + sum) / (cs + 24); }))
            return DevelopStatus::Aborted;
        filtered.swap(scratch);
    }
    if (c.harden != kPreviewKernelOff) {
        if (!TryAssign(scratch, pixels, 0))
            return DevelopStatus::OutOfMemory;
        const int64_t ch = c.harden;
        if (!LumaKernelPass(filtered, scratch, width, height, progress,
                            [ch](int64_t l, int64_t sum) { return ((ch + 24) * l - sum) / ch; }))
            return DevelopStatus::Aborted;
        filtered.swap(scratch);
    }

    const bool done = RunRowPass(progress, "Make preview3", height, kLumaRowsPerChunk, [&](int begin, int end) {
        for (size_t i = size_t(begin) * width; i < size_t(end) * width; ++i) {
            uint16_t* p = work.data() + i * 3;
            float f = luma[i] != 0 ? static_cast<float>(filtered[i]) / static_cast<float>(luma[i]) : 0.0f;
            f = Clamp01(f);
            for (int ch = 0; ch < 3; ++ch)
                p[ch] = static_cast<uint16_t>(static_cast<float>(p[ch]) * f);
        }
    });
    return done ? DevelopStatus::Ok : DevelopStatus::Aborted;
}

// One channel of the work plane at (x, y) by bilinear interpolation, taps
// clamped to columns 0..width-1 and rows top..bottom.
float SampleBilinear(const std::vector<uint16_t>& work, int width, int top, int bottom, int ch, double x, double y)
{
    const int x0 = static_cast<int>(std::floor(x));
    const int y0 = static_cast<int>(std::floor(y));
    const float fx = static_cast<float>(x - x0);
    const float fy = static_cast<float>(y - y0);
    auto at = [&](int tx, int ty) {
        tx = std::clamp(tx, 0, width - 1);
        ty = std::clamp(ty, top, bottom);
        return static_cast<float>(work[(size_t(ty) * size_t(width) + size_t(tx)) * 3 + size_t(ch)]);
    };
    const float upper = at(x0, y0) * (1.0f - fx) + at(x0 + 1, y0) * fx;
    const float lower = at(x0, y0 + 1) * (1.0f - fx) + at(x0 + 1, y0 + 1) * fx;
    return upper * (1.0f - fy) + lower * fy;
}

} // namespace

int PreviewOutputWidth(const PreviewOptions& o, int rotate) { return Turn(rotate) ? o.height : o.width; }
int PreviewOutputHeight(const PreviewOptions& o, int rotate) { return Turn(rotate) ? o.width : o.height; }

PreviewBand LetterboxBand(int cameraFamily, int imageWidth, int imageHeight, int width, int height)
{
    PreviewBand band;
    band.bandHeight = height;
    if ((cameraFamily != 1 && cameraFamily != 7) || imageWidth <= 0 || imageHeight <= 0)
        return band;
    const float z = static_cast<float>(imageHeight) * static_cast<float>(width) / static_cast<float>(imageWidth);
    // A picture at least as tall as the frame fills it.
    if (!(z < static_cast<float>(height)))
        return band;
    band.bandHeight = static_cast<int>(z);
    band.firstRow = (height - band.bandHeight) / 2;
    return band;
}

PreviewSharpen PreviewSharpenCentres(int sharpness, int soften, int harden)
{
    int s = 0, h = 0;
    switch (sharpness) {
    case 0: h = 20; break;
    case 1: h = 5; break;
    case 2: s = 20; break;
    case 3:
        s = soften;
        h = harden;
        break;
    default: break;
    }
    PreviewSharpen c;
    c.soften = PreviewCentre(s);
    // A centre of 0 would leave only the neighbour term and turn flat areas
    // black; 1 keeps the pixel's own luma in the result.
    c.harden = std::max(PreviewCentre(h), 1);
    return c;
}

std::array<uint16_t, 256 * 3> ToneResponse(const DevelopContext& ctx, bool clipWarning)
{
    std::array<uint16_t, 256 * 3> table{};
    for (int i = 0; i < 256; ++i) {
        float r = static_cast<float>(i) / 255.0f, g = r, b = r;
        ctx.ColorPixel(&r, &g, &b);
        uint16_t v[3] = {ToU16(r), ToU16(g), ToU16(b)};
        ctx.ToneColorPixel(&v[0], &v[1], &v[2]);
        if (clipWarning)
            ApplyClipWarning(&v[0], &v[1], &v[2]);
        std::copy(v, v + 3, table.begin() + i * 3);
    }
    return table;
}

DevelopStatus RenderPreview(const PreviewJob& job, IProgress& progress, const PreviewOutput& out)
{
    const PreviewSource& src = job.source;
    const PreviewOptions& opt = job.options;
    const DevelopContext& ctx = job.ctx;
    const int width = opt.width;
    const int height = opt.height;
    if (out.bits == nullptr || src.sMap == nullptr || width <= 0 || height <= 0 || width > src.mapWidth ||
        height >= src.mapRows)
        return DevelopStatus::InvalidInput;

    // "Make preview1": the colour pass into a 16-bit work plane.
    progress.Report(-2, kAllocatingMemory);
    std::vector<uint16_t> work;
    if (!TryAssign(work, uint64_t(width) * uint64_t(height) * 3, uint16_t(0)))
        return DevelopStatus::OutOfMemory;
    const float white = static_cast<float>(ctx.whiteLevel);
    const bool hasR = src.rMap != nullptr && ctx.hasSecondFrame;
    const bool colorDone = RunRowPass(progress, "Make preview1", height, kColorRowsPerChunk, [&](int begin, int end) {
        for (int row = begin; row < end; ++row) {
            const size_t at = size_t(row) * size_t(src.mapWidth) * 3;
            const uint16_t* sp = src.sMap + at;
            const uint16_t* rp = hasR ? src.rMap + at : nullptr;
            uint16_t* o = work.data() + size_t(row) * size_t(width) * 3;
            for (int c = 0; c < width; ++c, sp += 3, o += 3) {
                float s[3] = {sp[0] / white, sp[1] / white, sp[2] / white};
                float r[3];
                const bool withR = rp != nullptr && ctx.params.twoFrames != 0;
                if (withR) {
                    const uint16_t* q = rp + size_t(c) * 3;
                    r[0] = q[0] / white;
                    r[1] = q[1] / white;
                    r[2] = q[2] / white;
                }
                ctx.ColorSRPixel(s, withR ? r : nullptr);
                o[0] = ToU16(s[0]);
                o[1] = ToU16(s[1]);
                o[2] = ToU16(s[2]);
                ctx.ToneColorPixel(&o[0], &o[1], &o[2]);
                if (opt.clipWarning)
                    ApplyClipWarning(&o[0], &o[1], &o[2]);
            }
        }
    });
    if (!colorDone)
        return DevelopStatus::Aborted;

    if (opt.sharpen) {
        const DevelopStatus s = SharpenLuma(work, width, height, ctx, progress);
        if (s != DevelopStatus::Ok)
            return s;
    }

    // "Make preview": the letterbox band, the turn, the display conversion,
    // the 8-bit picture and its histograms.
    const int rotate = Turn(ctx.params.rotate);
    const int outW = PreviewOutputWidth(opt, rotate);
    const int outH = PreviewOutputHeight(opt, rotate);
    const PreviewBand band = LetterboxBand(src.cameraFamily, src.imageWidth, src.imageHeight, width, height);
    // The lens works on the picture's own frame: width x Z from the band's
    // first row.
    LensModel lens;
    bool lensOn = false;
    if (ctx.lensCorrectionOn) {
        lens = MakeLensModel(ctx.lens, width, band.bandHeight);
        lensOn = lens.Active() && lens.Usable();
    }
    const int bandTop = band.firstRow;
    const int bandBottom = std::min(height - 1, band.firstRow + band.bandHeight - 1);
    const DisplayTransform* transform = job.transform.get();
    const int chunkRows = RowChunkSize(outH, kOutputRowsPerChunk);
    std::vector<ByteHistogram> partial(size_t(RowChunkCount(outH, kOutputRowsPerChunk)));
    const bool outputDone = RunRowPass(progress, "Make preview", outH, kOutputRowsPerChunk, [&](int begin, int end) {
        ByteHistogram& hist = partial[size_t(begin / chunkRows)];
        std::vector<uint16_t> line(size_t(outW) * 3);
        for (int yo = begin; yo < end; ++yo) {
            for (int xo = 0; xo < outW; ++xo) {
                int c = xo, r = yo;
                if (rotate == 1) {
                    r = height - 1 - xo;
                    c = yo;
                } else if (rotate == 2) {
                    r = xo;
                    c = width - 1 - yo;
                }
                uint16_t* d = line.data() + size_t(xo) * 3;
                if (band.IsBlack(r, height)) {
                    d[0] = d[1] = d[2] = 0;
                } else if (lensOn) {
                    const double px = c, py = r - bandTop;
                    double radius = 0.0;
                    float v[3];
                    if (lens.geometry) {
                        double gx = px, gy = py, rx = px, ry = py, bx = px, by = py, unused = 0.0;
                        lens.Map(lens.k, &gx, &gy, &radius);
                        lens.Map(lens.kRed, &rx, &ry, &unused);
                        lens.Map(lens.kBlue, &bx, &by, &unused);
                        v[0] = SampleBilinear(work, width, bandTop, bandBottom, 0, rx, ry + bandTop);
                        v[1] = SampleBilinear(work, width, bandTop, bandBottom, 1, gx, gy + bandTop);
                        v[2] = SampleBilinear(work, width, bandTop, bandBottom, 2, bx, by + bandTop);
                    } else {
                        radius = lens.Radius(px, py);
                        const uint16_t* p = work.data() + (size_t(r) * size_t(width) + size_t(c)) * 3;
                        v[0] = p[0];
                        v[1] = p[1];
                        v[2] = p[2];
                    }
                    const float gain = lens.Gain(radius);
                    for (int ch = 0; ch < 3; ++ch)
                        d[ch] = ToU16(v[ch] / 65535.0f * gain);
                } else {
                    const uint16_t* p = work.data() + (size_t(r) * size_t(width) + size_t(c)) * 3;
                    d[0] = p[0];
                    d[1] = p[1];
                    d[2] = p[2];
                }
            }
            const size_t rowAt = size_t(yo) * size_t(outW) * 3;
            if (out.copy16 != nullptr)
                std::copy(line.begin(), line.end(), out.copy16 + rowAt);
            if (transform != nullptr)
                transform->Apply(line.data(), line.data(), size_t(outW));
            uint8_t* bits = out.bits + rowAt;
            for (int xo = 0; xo < outW; ++xo) {
                const uint16_t* d = line.data() + size_t(xo) * 3;
                const uint8_t r8 = uint8_t(d[0] >> 8), g8 = uint8_t(d[1] >> 8), b8 = uint8_t(d[2] >> 8);
                bits[xo * 3 + 0] = b8;
                bits[xo * 3 + 1] = g8;
                bits[xo * 3 + 2] = r8;
            }
            hist.AddBgr(bits, size_t(outW));
        }
    });
    if (!outputDone)
        return DevelopStatus::Aborted;

    if (out.histograms != nullptr) {
        ByteHistogram total;
        for (const ByteHistogram& h : partial)
            total.Add(h);
        *out.histograms = total;
    }
    progress.Report(-1, nullptr);
    return DevelopStatus::Ok;
}

} // namespace velmo
