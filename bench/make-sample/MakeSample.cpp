// velmo-make-sample OUTPUT.RAF [--compressed | --header CAMERA.RAF]: writes
// the sample RAF file that the harness opens when no file is given. It is a synthetic
// "FinePix S5Pro" shot at full size with both frames stored: the S frame
// and the R frame at 1/16 of its sensitivity, each with its own sensor
// noise. The scene: a sky gradient with a sun that clips in the S frame but
// not in the R frame, coloured shapes with sharp edges, groups of fine
// lines, a grey step wedge and a meadow below a hilly horizon. The embedded
// JPEG preview is the same scene, developed with daylight white balance.
// With --header the frames go into a real camera file's header instead (the
// benchmark file): see WriteIntoCameraHeader.
#include "tests/support/JpegCodec.h"
#include "tests/support/PlacementOracle.h"
#include "tests/support/RafBuilder.h"

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

namespace {

using velmo::test::PlacementCase;

constexpr char kModel[] = "FinePix S5Pro";
constexpr float kClip = 16383.0f;
// The camera's daylight preset (G, R, G, B): raw R and B of a grey are G
// divided by these gains.
constexpr float kGainR = 601.0f / 384.0f;
constexpr float kGainB = 515.0f / 384.0f;

struct Rgb {
    float r, g, b;
};

struct Point {
    float u, v;
};

Rgb Mix(Rgb a, Rgb b, float t) { return {a.r + (b.r - a.r) * t, a.g + (b.g - a.g) * t, a.b + (b.b - a.b) * t}; }

// The scene in white-balanced linear light (1.0 = the S frame's clip), at
// (u, v) with u across and v down, both 0..1, for a picture of aspect a.
class Scene {
public:
    explicit Scene(float aspect) : a(aspect) {}

    Rgb At(float u, float v) const
    {
        Rgb c = Background(u, v);
        // The sun and its glow: four times the clip at the core.
        const float sun = Distance(u, v, 0.80f, 0.15f);
        if (sun < 0.045f)
            c = {4.0f, 3.9f, 3.6f};
        else
            c = Add(c, 0.55f * std::exp(-(sun - 0.045f) / 0.06f), {1.0f, 0.9f, 0.7f});

        // Coloured shapes with sharp edges.
        if (Distance(u, v, 0.17f, 0.40f) < 0.10f) {
            c = {0.55f, 0.05f, 0.04f};
            if (Distance(u, v, 0.145f, 0.37f) < 0.012f)
                c = {2.5f, 2.4f, 2.3f}; // a specular highlight on the red disc
        }
        if (u > 0.31f && u < 0.43f && v > 0.29f && v < 0.50f)
            c = {0.07f, 0.42f, 0.09f};
        if (InTriangle(u, v, {0.47f, 0.52f}, {0.58f, 0.52f}, {0.525f, 0.28f}))
            c = {0.04f, 0.09f, 0.55f};
        if (u > 0.61f && u < 0.74f && v > 0.36f && v < 0.52f)
            c = {0.72f, 0.60f, 0.05f};
        if (u > 0.76f && u < 0.80f && v > 0.30f && v < 0.52f)
            c = {0.08f, 0.45f, 0.55f}; // a cyan post
        if (u > 0.82f && u < 0.93f && v > 0.42f && v < 0.52f)
            c = {0.50f, 0.08f, 0.45f}; // a magenta box

        // Groups of fine lines on a light panel.
        if (v > 0.62f && v < 0.80f && u > 0.05f && u < 0.60f)
            c = Lines(u, v);
        // The grey step wedge: eleven patches from black to white.
        if (v > 0.84f && v < 0.95f && u > 0.05f && u < 0.95f) {
            const int step = std::min(10, int((u - 0.05f) / 0.9f * 11.0f));
            const float y = 0.005f + 0.895f * std::pow(float(step) / 10.0f, 2.2f);
            c = {y, y, y};
        }
        return c;
    }

    // The picture is width x height pixels; lines are laid out in pixels.
    int width = 1, height = 1;

private:
    float a;

    static Rgb Add(Rgb c, float k, Rgb d) { return {c.r + k * d.r, c.g + k * d.g, c.b + k * d.b}; }

    float Distance(float u, float v, float cu, float cv) const
    {
        const float du = (u - cu) * a, dv = v - cv;
        return std::sqrt(du * du + dv * dv);
    }

    static bool InTriangle(float u, float v, Point p0, Point p1, Point p2)
    {
        auto side = [&](Point p, Point q) { return (q.u - p.u) * (v - p.v) - (q.v - p.v) * (u - p.u); };
        const float d0 = side(p0, p1), d1 = side(p1, p2), d2 = side(p2, p0);
        return (d0 >= 0 && d1 >= 0 && d2 >= 0) || (d0 <= 0 && d1 <= 0 && d2 <= 0);
    }

    Rgb Background(float u, float v) const
    {
        const float horizon = 0.58f - 0.035f * std::sin(u * 7.0f) - 0.02f * std::sin(u * 17.0f + 1.0f);
        if (v < horizon) {
            const float t = std::pow(v / horizon, 1.4f);
            return Mix({0.08f, 0.16f, 0.40f}, {0.40f, 0.50f, 0.64f}, t);
        }
        const float t = (v - horizon) / (1.0f - horizon);
        return Mix({0.10f, 0.17f, 0.05f}, {0.05f, 0.09f, 0.03f}, t);
    }

    // Dark lines on a light panel: vertical, horizontal and diagonal groups
    // one, two and three pixels apart, and a fan of converging lines.
    Rgb Lines(float u, float v) const
    {
        const Rgb light{0.62f, 0.62f, 0.60f}, dark{0.03f, 0.03f, 0.03f};
        const int x = int(u * float(width)), y = int(v * float(height));
        const int group = int((u - 0.05f) / 0.55f * 5.0f);
        const int period = 2 + (v > 0.71f ? 1 : 0) + (v > 0.755f ? 1 : 0);
        bool line = false;
        switch (group) {
        case 0: line = x % period == 0; break;
        case 1: line = y % period == 0; break;
        case 2: line = (x + y) % (period + 1) == 0; break;
        case 3: line = (x - y + 4 * height) % (period + 1) == 0; break;
        default: {
            // Rays from a point left of the group, closing in to the right.
            const float cu = 0.48f * a, cv = 0.71f;
            const float angle = std::atan2(v - cv, u * a - cu);
            line = std::fmod(std::fabs(angle) * 120.0f, 2.0f) < 1.0f;
            break;
        }
        }
        return line ? dark : light;
    }
};

// A deterministic noise sample of about unit deviation for one site.
float Noise(int frame, int row, int column, int colour)
{
    uint32_t h = 2166136261u;
    for (int v : {frame, row, column, colour}) {
        h ^= uint32_t(v);
        h *= 16777619u;
        h ^= h >> 15;
        h *= 0x2C1B3C6Du;
        h ^= h >> 12;
    }
    float sum = 0;
    for (int i = 0; i < 4; ++i) {
        sum += float((h >> (8 * i)) & 0xFF) / 255.0f;
    }
    return (sum - 2.0f) * 1.7320508f;
}

// Raw sample of a frame (0 S, 1 R) from the balanced scene value of a colour.
uint16_t RawSample(float balanced, int colour, int frame, int row, int column)
{
    const float gain = colour == 0 ? kGainR : colour == 2 ? kGainB : 1.0f;
    float v = balanced * kClip / gain;
    if (frame == 1)
        v /= 16.0f;
    // Shot noise and read noise; the R pixels are the noisier ones.
    const float sigma = std::sqrt(std::max(v, 0.0f)) * 0.6f + (frame == 1 ? 4.0f : 2.5f);
    v += sigma * Noise(frame, row, column, colour);
    return uint16_t(std::clamp(v + 0.5f, 0.0f, kClip));
}

uint8_t Srgb(float linear)
{
    const float v = std::clamp(linear, 0.0f, 1.0f);
    const float s = v <= 0.0031308f ? 12.92f * v : 1.055f * std::pow(v, 1.0f / 2.4f) - 0.055f;
    return uint8_t(std::lround(s * 255.0f));
}

uint32_t Get32BE(const std::vector<uint8_t>& b, size_t at)
{
    return uint32_t(b[at]) << 24 | uint32_t(b[at + 1]) << 16 | uint32_t(b[at + 2]) << 8 | uint32_t(b[at + 3]);
}

void Put32BE(std::vector<uint8_t>& b, size_t at, uint32_t v)
{
    for (int i = 0; i < 4; ++i)
        b[at + size_t(i)] = uint8_t(v >> (24 - 8 * i));
}

// The samples outside the image (margins, top and bottom rows) read as the
// sensor's dark level with its noise, as in a camera file, so that other
// programs that look at the masked area see a plausible black.
void DarkenMargins(std::vector<uint16_t>& samples, const velmo::CameraModelInfo& model, int frame)
{
    const int rowLen = 2 * model.rawWidth;
    const int rows = int(samples.size() / size_t(rowLen));
    for (int r = 0; r < rows; ++r)
        for (int s = 0; s < rowLen; ++s) {
            const int pair = s / 2;
            const bool inside = r >= model.topMargin && r < rows - model.bottomMargin && pair >= model.leftMargin &&
                                pair < model.rawWidth - model.rightMargin;
            if (!inside)
                samples[size_t(r) * size_t(rowLen) + size_t(s)] = RawSample(0.0f, s % 2 == 0 ? 0 : 1, frame, r, pair);
        }
}

// A real camera file's header (all of it before the directory's CFA data
// offset, 0x64) followed by the S frame there and the R frame right after
// it, as little-endian u16 samples; the directory (big-endian u32) gets the
// CFA data length of one frame (0x68) and the R frame's offset (0x80) and
// length (0x84).
bool WriteIntoCameraHeader(const std::string& headerPath, const std::string& output,
                           const std::vector<std::vector<uint16_t>>& frames, size_t frameSamples)
{
    FILE* in = std::fopen(headerPath.c_str(), "rb");
    if (!in) {
        std::fprintf(stderr, "velmo-make-sample: cannot open %s\n", headerPath.c_str());
        return false;
    }
    std::vector<uint8_t> file;
    uint8_t chunk[65536];
    for (size_t n; (n = std::fread(chunk, 1, sizeof chunk, in)) > 0;)
        file.insert(file.end(), chunk, chunk + n);
    std::fclose(in);

    const size_t frameBytes = 2 * frameSamples;
    const uint32_t offset = file.size() >= 0x90 ? Get32BE(file, 0x64) : 0;
    if (offset < 0x90 || offset > file.size() || frames.size() != 2 || frames[0].size() != frameSamples ||
        frames[1].size() != frameSamples || uint64_t(offset) + 2 * frameBytes > 0xFFFFFFFFu) {
        std::fprintf(stderr, "velmo-make-sample: %s has no usable CFA data offset at 0x64\n", headerPath.c_str());
        return false;
    }
    file.resize(offset);
    for (const auto& frame : frames)
        for (uint16_t v : frame) {
            file.push_back(uint8_t(v & 0xFF));
            file.push_back(uint8_t(v >> 8));
        }
    Put32BE(file, 0x68, uint32_t(frameBytes));
    Put32BE(file, 0x80, uint32_t(offset + frameBytes));
    Put32BE(file, 0x84, uint32_t(frameBytes));
    return velmo::test::WriteFile(output, file);
}

} // namespace

int main(int argc, char** argv)
{
    std::string output, header;
    bool compressed = false;
    bool usage = false;
    constexpr char kUsage[] = "usage: velmo-make-sample OUTPUT.RAF [--compressed | --header CAMERA.RAF]\n";
    for (int i = 1; i < argc; ++i) {
        if (std::strcmp(argv[i], "--help") == 0 || std::strcmp(argv[i], "-h") == 0) {
            std::fputs(kUsage, stdout);
            return 0;
        }
        if (std::strcmp(argv[i], "--compressed") == 0)
            compressed = true;
        else if (std::strcmp(argv[i], "--header") == 0 && i + 1 < argc)
            header = argv[++i];
        else if (output.empty() && argv[i][0] != '-')
            output = argv[i];
        else
            usage = true;
    }
    if (output.empty() || usage || (compressed && !header.empty())) {
        std::fputs(kUsage, stderr);
        return 2;
    }
    const velmo::CameraModelInfo* model = velmo::FindCameraModel(kModel);
    if (!model)
        return 1;
    const int width = model->Width();
    const int height = model->fixedRawHeight - model->topMargin - model->bottomMargin;
    Scene scene(float(width) / float(height));
    scene.width = width;
    scene.height = height;

    // The scene at every site, computed once per pixel for both frames.
    std::vector<Rgb> picture(size_t(width) * size_t(height));
    for (int r = 0; r < height; ++r)
        for (int c = 0; c < width; ++c)
            picture[size_t(r) * size_t(width) + size_t(c)] =
                scene.At((float(c) + 0.5f) / float(width), (float(r) + 0.5f) / float(height));

    PlacementCase sample;
    sample.name = "sample";
    sample.model = kModel;
    sample.compressed = compressed;
    sample.formatCode = "2201";
    sample.scene = [&](int frame, int row, int column, int colour) {
        const Rgb& p = picture[size_t(row) * size_t(width) + size_t(column)];
        const float v = colour == 0 ? p.r : colour == 1 ? p.g : p.b;
        return RawSample(v, colour, frame, row, column);
    };
    velmo::test::PlacementPrediction placed;
    velmo::test::RafFileSpec recipe = velmo::test::PlacementRecipe(sample, placed);
    recipe.unitWord = 300; // record 0x9700 as the camera writes it: unit 220 with both frames

    // The embedded preview: the scene with daylight white balance, in sRGB.
    recipe.previewWidth = 480;
    recipe.previewHeight = 320;
    recipe.previewQuality = 90;
    recipe.previewPixels.resize(size_t(recipe.previewWidth) * size_t(recipe.previewHeight) * 3);
    for (int y = 0; y < recipe.previewHeight; ++y)
        for (int x = 0; x < recipe.previewWidth; ++x) {
            const int c = x * width / recipe.previewWidth, r = y * height / recipe.previewHeight;
            const Rgb& p = picture[size_t(r) * size_t(width) + size_t(c)];
            uint8_t* out = &recipe.previewPixels[(size_t(y) * size_t(recipe.previewWidth) + size_t(x)) * 3];
            out[0] = Srgb(p.r);
            out[1] = Srgb(p.g);
            out[2] = Srgb(p.b);
        }

    // Written under a temporary name, so that an interrupted build leaves no half file.
    const std::string temporary = output + ".part";
    bool written = false;
    if (header.empty()) {
        written = velmo::test::WriteRaf(temporary, recipe);
    } else {
        for (size_t f = 0; f < recipe.frames.size(); ++f)
            DarkenMargins(recipe.frames[f], *model, int(f));
        written = WriteIntoCameraHeader(header, temporary, recipe.frames,
                                        size_t(2) * size_t(model->rawWidth) * size_t(model->fixedRawHeight));
    }
    if (!written || std::rename(temporary.c_str(), output.c_str()) != 0) {
        std::fprintf(stderr, "velmo-make-sample: cannot write %s\n", output.c_str());
        std::remove(temporary.c_str());
        return 1;
    }
    return 0;
}
