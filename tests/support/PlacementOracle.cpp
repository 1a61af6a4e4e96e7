#include "tests/support/PlacementOracle.h"

#include <algorithm>
#include <map>
#include <memory>
#include <mutex>
#include <tuple>

namespace velmo::test {

namespace {

using namespace std::string_view_literals;

constexpr std::string_view kBayName[] = {"BAY"sv};

// The loader's frame layout.
void Allocate(std::vector<uint16_t>& frame, int w, int h) { frame.assign(size_t(w) * size_t(h + 2) * 3 + 3, 0); }

struct FrameRef {
    std::vector<uint16_t>& px;
    int w;
    uint16_t* At(int r, int c) const { return px.data() + (size_t(r) * size_t(w) + size_t(c)) * 3; }
};

// The colour of a SuperCCD site and of a Bayer site (e = 1: red rows are odd).
int SiteColour(int r, int c) { return ((r + c) & 1) == 0 ? 0 : 2; }
int BayerColour(int r, int c, int e) { return ((r + c) & 1) == 0 ? 1 : ((r & 1) == e ? 0 : 2); }

// A file stream whose samples all carry filler codes of their own position
// until the placed values are written over them.
std::vector<uint16_t> FillerStream(size_t samples, int stream, bool bytes)
{
    std::vector<uint16_t> s(samples);
    for (size_t i = 0; i < samples; ++i)
        s[i] = bytes ? PlacementCode8(-1 - int(i >> 12), int(i & 0xFFF), 3)
                     : PlacementCode(2 + stream, int(i >> 12), int(i & 0xFFF), 3);
    return s;
}

// What does not depend on how the file stores the frames: the samples of
// every frame the layout can hold, in file order, and the placed frames.
struct SensorData {
    int width = 0, height = 0, rawHeight = 0;
    std::vector<std::vector<uint16_t>> streams; // the file's parts (see SensorStreams)
    std::vector<uint16_t> main, second;
};

using SensorKey = std::tuple<std::string, bool, int, int, bool, int, bool, size_t>;

// A SuperCCD sensor stored plainly with two frames interleaves them row by
// row: one stream of both frames (split in two for the builder). Every
// other layout keeps one stream per frame. keep > 0: a plain file whose data
// ends after keep samples; what lies beyond is placed as 0.
SensorData MakeSensorData(const CameraModelInfo& m, int rawH, int frames, int extraSamples, bool doubleWidth, int e,
                          bool interleaved, bool bay, size_t keep, const PlacementScene& scene)
{
    SensorData d;
    const int W = m.rawWidth;
    const int width = m.Width();
    const int height = rawH - m.topMargin - m.bottomMargin;
    const int left = m.leftMargin, top = m.topMargin;
    d.width = width;
    d.height = height;
    d.rawHeight = rawH;
    Allocate(d.main, width, height);
    if (frames == 2)
        Allocate(d.second, width, height);
    FrameRef frame[2] = {{d.main, width}, {d.second, width}};
    auto setPair = [&](int f, int r, int c, uint16_t rb, uint16_t g) {
        uint16_t* p = frame[f].At(r, c);
        p[0] = p[2] = rb;
        p[1] = g;
    };
    auto value = [&scene](int f, int r, int c, int colour) {
        return scene ? scene(f, r, c, colour) : PlacementCode(f, r, c, colour);
    };
    auto codes = [&value](int f, int r, int c) { return std::pair{value(f, r, c, SiteColour(r, c)), value(f, r, c, 1)}; };
    // The value placement finds at sample i of the file's data.
    auto read = [keep](size_t i, uint16_t v) { return keep == 0 || i < keep ? v : uint16_t(0); };

    switch (m.layout) {
    case SensorLayout::SuperCcd:
        if (doubleWidth) {
            // One file row of 2W samples, (R-or-B, G) pairs, per raw row.
            const size_t rowLen = size_t(2) * W;
            d.streams.push_back(FillerStream(size_t(rawH) * rowLen, 0, false));
            for (int r = 0; r < height; ++r)
                for (int c = 0; c < width; ++c) {
                    const auto [rb, g] = codes(0, r, c);
                    const size_t at = size_t(top + r) * rowLen + 2 * size_t(left + c);
                    d.streams[0][at] = rb;
                    d.streams[0][at + 1] = g;
                    setPair(0, r, c, read(at, rb), read(at + 1, g));
                }
        } else if (frames == 2 && interleaved) {
            // Per output row four file rows of W: R-or-B of the main image and
            // of the second frame, then G of each.
            const size_t frameSamples = size_t(rawH) * 2 * W;
            std::vector<uint16_t> s = FillerStream(2 * frameSamples, 0, false);
            for (int f = 0; f < 2; ++f)
                for (int r = 0; r < height; ++r)
                    for (int c = 0; c < width; ++c) {
                        const auto [rb, g] = codes(f, r, c);
                        const size_t row = size_t(2) * top + size_t(4) * r;
                        const size_t rbAt = (row + f) * W + size_t(left + c);
                        const size_t gAt = (row + 2 + f) * W + size_t(left + c);
                        s[rbAt] = rb;
                        s[gAt] = g;
                        setPair(f, r, c, read(rbAt, rb), read(gAt, g));
                    }
            d.streams.emplace_back(s.begin(), s.begin() + std::ptrdiff_t(frameSamples));
            d.streams.emplace_back(s.begin() + std::ptrdiff_t(frameSamples), s.end());
        } else {
            // Two file rows of W per output row, R-or-B then G; each frame on its own.
            const size_t frameSamples = size_t(rawH) * 2 * W;
            for (int f = 0; f < frames; ++f) {
                d.streams.push_back(FillerStream(frameSamples, f, false));
                for (int r = 0; r < height; ++r)
                    for (int c = 0; c < width; ++c) {
                        const auto [rb, g] = codes(f, r, c);
                        const size_t at = size_t(2) * size_t(top + r) * W + size_t(left + c);
                        d.streams[f][at] = rb;
                        d.streams[f][at + W] = g;
                        const size_t base = f * frameSamples;
                        setPair(f, r, c, read(base + at, rb), read(base + at + W, g));
                    }
            }
        }
        break;
    case SensorLayout::PairedRows:
        // One file row of W (R-or-B, G) pairs per raw row, top and bottom rows included.
        for (int f = 0; f < frames; ++f) {
            const size_t rowLen = size_t(2) * W;
            const size_t base = f * size_t(rawH) * rowLen;
            d.streams.push_back(FillerStream(size_t(rawH) * rowLen, f, false));
            for (int r = 0; r < height; ++r)
                for (int c = 0; c < width; ++c) {
                    const auto [rb, g] = codes(f, r, c);
                    const size_t at = size_t(top + r) * rowLen + 2 * size_t(left + c);
                    d.streams[f][at] = rb;
                    d.streams[f][at + 1] = g;
                    setPair(f, r, c, read(base + at, rb), read(base + at + 1, g));
                }
        }
        break;
    case SensorLayout::Rotated: {
        // One file row per image column, from the right (after rightMargin
        // skipped rows): raw-height (R-or-B, G) pairs. The row of column x
        // holds the G samples of column x and the R-or-B samples of x + 1.
        const size_t rowLen = size_t(2) * rawH;
        const int skipped = m.rightMargin;
        d.streams.push_back(FillerStream(size_t(W) * rowLen, 0, false));
        auto& s = d.streams[0];
        for (int r = 0; r < height; ++r)
            for (int x = 0; x < width; ++x) {
                const auto [rb, g] = codes(0, r, x);
                const size_t pair = 2 * size_t(top + r);
                const size_t gAt = size_t(skipped + width - 1 - x) * rowLen + pair + 1;
                s[gAt] = g;
                frame[0].At(r, x)[1] = read(gAt, g);
                if (x >= 1) {
                    const size_t rbAt = size_t(skipped + width - x) * rowLen + pair;
                    s[rbAt] = rb;
                    frame[0].At(r, x)[0] = frame[0].At(r, x)[2] = read(rbAt, rb);
                }
            }
        // Column 0 has no file sample of its own: it takes R of column 1 of
        // the neighbouring row (row 0 from row 1, row 1 from row 0).
        for (int r = 0; r < height; ++r) {
            uint16_t* p = frame[0].At(r, 0);
            p[0] = p[2] = frame[0].At(r ^ 1, 1)[0];
        }
        break;
    }
    case SensorLayout::Bayer: {
        // One file row of W samples per raw row; a .BAY dump has one row
        // before the image that is never read.
        const size_t skip = bay ? size_t(W) : 0;
        const size_t frameSamples = skip + size_t(rawH) * W;
        for (int f = 0; f < frames; ++f) {
            d.streams.push_back(FillerStream(frameSamples, f, bay));
            for (int r = 0; r < height; ++r)
                for (int c = 0; c < width; ++c) {
                    const int ch = BayerColour(r, c, e);
                    const uint16_t v = !bay  ? value(f, r, c, ch)
                                       : scene ? std::min<uint16_t>(scene(f, r, c, ch), 255)
                                               : PlacementCode8(r, c, ch);
                    const size_t at = skip + size_t(top + r) * W + size_t(left + c);
                    d.streams[f][at] = v;
                    frame[f].At(r, c)[ch] = read(f * frameSamples + at, v);
                }
        }
        break;
    }
    }
    if (extraSamples > 0 && !d.streams.empty()) {
        const std::vector<uint16_t> tail = FillerStream(size_t(extraSamples), 5, bay);
        d.streams[0].insert(d.streams[0].end(), tail.begin(), tail.end());
    }
    return d;
}

// Full-size sensors take a while to write: each is made once per run.
const SensorData& CachedSensorData(const SensorKey& key, const CameraModelInfo& m, int rawH, int frames,
                                   int extraSamples, bool doubleWidth, int e, bool interleaved, bool bay, size_t keep)
{
    static const PlacementScene codes;
    static std::mutex mutex;
    static std::map<SensorKey, std::unique_ptr<SensorData>> cache;
    std::lock_guard lock(mutex);
    auto& slot = cache[key];
    if (!slot)
        slot = std::make_unique<SensorData>(MakeSensorData(m, rawH, frames, extraSamples, doubleWidth, e, interleaved, bay, keep, codes));
    return *slot;
}

} // namespace

uint16_t PlacementCode(int frame, int row, int column, int colour)
{
    uint32_t h = 0x9E3779B9u;
    for (int v : {frame, row, column, colour}) {
        h ^= uint32_t(v) + 0x7F4A7C15u + (h << 6) + (h >> 2);
        h *= 0x85EBCA6Bu;
        h ^= h >> 13;
    }
    h *= 0xC2B2AE35u;
    h ^= h >> 16;
    return uint16_t(h % 65535u + 1u);
}

uint8_t PlacementCode8(int row, int column, int colour)
{
    return uint8_t(PlacementCode(7, row, column, colour) % 255u + 1u);
}

const CameraModelInfo& BayDumpModel()
{
    static const CameraModelInfo model{kBayName, 2080, 1546, 0, 0, 0, 0, 0, SensorLayout::Bayer, false, 255, 0, false, 3,
                                       FrameRule::One, kDefaultFocalLengthFactor, 64};
    return model;
}

RafFileSpec PlacementRecipe(const PlacementCase& c, PlacementPrediction& x)
{
    x = {};
    RafFileSpec recipe;
    recipe.model = c.model;
    recipe.compressed = c.compressed;
    recipe.formatCode = c.formatCode;
    recipe.exrModeDigit = c.exrModeDigit;
    const CameraModelInfo* m = c.bay ? &BayDumpModel() : FindCameraModel(c.model.c_str());
    x.model = m;
    if (!m)
        return recipe;
    const int rawH = m->fixedRawHeight > 0 ? m->fixedRawHeight : c.rawRows;
    recipe.rawRows = rawH;

    // Frames, EXR mode and layout bits as the header tells them.
    int frames = 1;
    int exrMode = 0;
    switch (m->frames) {
    case FrameRule::One: break;
    case FrameRule::Two: frames = 2; break;
    case FrameRule::ByExrMode:
        exrMode = (c.exrModeDigit == '2' || c.exrModeDigit == '3') ? c.exrModeDigit - '0' : 1;
        frames = exrMode == 1 ? 1 : 2;
        break;
    case FrameRule::ByFormatCode: {
        const std::string code = c.formatCode.empty() ? "2201" : c.formatCode;
        frames = (code == "2002" || code == "2203") ? 1 : 2;
        if (code == "2201")
            x.exrBits = c.storeSecondFrame ? 2 : 3;
        else if (code == "2203")
            x.exrBits = 2;
        break;
    }
    }
    const bool derived = frames == 2 && m->layout == SensorLayout::PairedRows && (x.exrBits & 1) != 0;
    const bool interleaved = m->layout == SensorLayout::SuperCcd && !c.compressed;
    const int e = (exrMode != 0 || c.bay) ? 1 : 0;
    // The sensor data holds every frame the model can store.
    const int sensorFrames = (m->frames == FrameRule::One || m->frames == FrameRule::ByExrMode) ? frames : 2;
    const size_t keep = c.compressed ? 0 : c.keepSamples;
    const SensorKey key{c.bay ? "BAY" : c.model, c.doubleWidth, rawH, c.extraSamples, interleaved, sensorFrames,
                        e == 1, keep};
    SensorData own;
    if (c.scene)
        own = MakeSensorData(*m, rawH, sensorFrames, c.extraSamples, c.doubleWidth, e, interleaved, c.bay, keep, c.scene);
    const SensorData& d =
        c.scene ? own
                : CachedSensorData(key, *m, rawH, sensorFrames, c.extraSamples, c.doubleWidth, e, interleaved, c.bay, keep);

    x.input.model = m;
    x.input.rawWidth = m->rawWidth;
    x.input.rawHeight = rawH;
    x.input.frames = frames;
    x.input.doubleWidth = c.doubleWidth;
    x.input.noSecondFrame = derived;
    x.input.compressed = c.compressed;
    x.input.exrMode = c.bay ? 1 : exrMode; // a dump has the red rows of an EXR shot
    x.input.bytesPerSample1 = c.bay;
    x.width = d.width;
    x.height = d.height;
    x.main = d.main;
    if (frames == 2 && !c.doubleWidth) {
        if (derived) {
            // The second frame is the main image four stops down.
            Allocate(x.second, d.width, d.height);
            const size_t n = size_t(d.width) * size_t(d.height) * 3;
            for (size_t i = 0; i < n; ++i)
                x.second[i] = uint16_t(x.main[i] >> 4);
        } else {
            x.second = d.second;
        }
    } else if (frames == 2) {
        Allocate(x.second, d.width, d.height); // rows of twice the width hold no second frame
    }

    // The file holds the streams of the stored frames (both halves of an
    // interleaved pair, which are one frame's data length each).
    const size_t stored = frames == 2 && !derived && !c.doubleWidth ? 2 : 1;
    for (size_t i = 0; i < stored && i < d.streams.size(); ++i)
        recipe.frames.push_back(d.streams[i]);
    if (c.doubleWidth)
        recipe.recordWidth = uint16_t(2 * m->rawWidth);
    if (keep > 0)
        recipe.faults.patch = [keep](std::vector<uint8_t>& bytes, const RafLayout& at) {
            bytes.resize(std::min(bytes.size(), at.dataOffset + 2 * keep));
        };

    auto scan = [&](const std::vector<uint16_t>& f, uint16_t& mn, uint16_t* maxGreen) {
        const size_t n = size_t(d.width) * size_t(d.height) * 3;
        mn = 0xFFFF;
        for (size_t i = 0; i < n; ++i) {
            mn = std::min(mn, f[i]);
            if (maxGreen && i % 3 == 1)
                *maxGreen = std::max(*maxGreen, f[i]);
        }
    };
    scan(x.main, x.minMain, &x.maxGreen);
    if (!x.second.empty())
        scan(x.second, x.minSecond, nullptr);
    return recipe;
}

PlacementFile BuildPlacementFile(const PlacementCase& c)
{
    PlacementFile out;
    RafFileSpec recipe = PlacementRecipe(c, out.expected);
    if (c.bay) {
        if (!recipe.frames.empty())
            for (uint16_t v : recipe.frames[0])
                out.bytes.push_back(uint8_t(v));
    } else {
        out.bytes = BuildRaf(recipe);
    }
    return out;
}

} // namespace velmo::test
