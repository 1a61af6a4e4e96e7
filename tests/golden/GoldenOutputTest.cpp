// Golden outputs: the bundled sample and a builder file of every sensor
// layout the reader knows, opened through the document and saved in every
// output format at two size modes, on 1 and on 8 threads. Every output file
// must match, byte for byte, the checksum recorded in kGolden below; the
// files hold no time stamp or path, so the whole file is checksummed.
//
// The inputs are pinned as well (their own checksums are in the table), so a
// change of the sample or of the test-file builders shows as such and not as
// a change of the development.
//
// Re-recording, only after a change that is meant to change the outputs:
//   VELMO_GOLDEN_PRINT=1 build/release/tests/velmo_engine_tests --gtest_filter='*Golden*' | grep '^    {"'
// prints every checksum as a row of kGolden instead of comparing it (a
// difference between 1 and 8 threads still fails); paste the rows over
// kGolden's. The Release and the sanitizer builds give the same bytes.
//
// Only the document's own entries are used: OnOpenDocument for the RAW file
// and for a parameter file (the non-default development settings, feature
// blocks included), the output options and OnSaveDocument.
#include "document/VelmoDoc.h"
#include "platform/core/ParallelRows.h"
#include "platform/core/PrivateProfile.h"
#include "platform/core/SettingsStore.h"
#include "support/PlacementOracle.h"
#include "support/RafBuilder.h"
#include "support/TestEnv.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <iterator>
#include <cinttypes>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <functional>
#include <map>
#include <string>
#include <vector>

namespace velmo {
namespace {

// ---------------------------------------------------------------------------
// Checksums

// A 64-bit checksum over 8-byte little-endian words (the last one
// zero-padded) and the length: an FNV-style multiply with an xor-shift that
// carries the high bits down, so that every bit of the file reaches every
// bit of the sum. Eight bytes a step keep the gigabytes of outputs quick to
// check (also under the sanitizers).
class Checksum64 {
public:
    void Add(const uint8_t* data, size_t n)
    {
        size_t i = 0;
        for (; i < n && filled != 0; ++i)
            Byte(data[i]);
        for (; i + 8 <= n; i += 8) {
            uint64_t w = 0;
            for (int k = 0; k < 8; ++k)
                w |= uint64_t(data[i + size_t(k)]) << (8 * k);
            h = Mix(h, w);
        }
        for (; i < n; ++i)
            Byte(data[i]);
        length += n;
    }
    uint64_t Value() const
    {
        const uint64_t last = filled != 0 ? Mix(h, pending) : h;
        return Mix(last, length);
    }

private:
    static uint64_t Mix(uint64_t h, uint64_t w)
    {
        h = (h ^ w) * 0x100000001B3ull;
        return h ^ (h >> 29);
    }
    void Byte(uint8_t b)
    {
        pending |= uint64_t(b) << (8 * filled);
        if (++filled == 8) {
            h = Mix(h, pending);
            pending = 0;
            filled = 0;
        }
    }

    uint64_t h = 0xCBF29CE484222325ull;
    uint64_t pending = 0;
    int filled = 0;
    uint64_t length = 0;
};

// The checksum of a whole file, and its size; false when it cannot be read.
bool FileChecksum(const std::string& path, uint64_t* sum, uint64_t* size)
{
    std::ifstream in(path, std::ios::binary);
    if (!in)
        return false;
    Checksum64 h;
    std::vector<char> chunk(size_t(1) << 20);
    uint64_t total = 0;
    while (in) {
        in.read(chunk.data(), std::streamsize(chunk.size()));
        const size_t n = size_t(in.gcount());
        h.Add(reinterpret_cast<const uint8_t*>(chunk.data()), n);
        total += n;
    }
    *sum = h.Value();
    *size = total;
    return true;
}

// ---------------------------------------------------------------------------
// Builder files: a scene placed through the exact inverse of the reader's
// placement (tests/support/PlacementOracle.h), so each layout gets the same
// picture: a sky-to-ground gradient, six colour bars, a patch that clips in
// the main frame (but not in the second frame, 4 stops down), fine stripes,
// a grey wedge and a little deterministic noise.

struct SceneFrame {
    int width = 1, height = 1;
    float black = 0, white = 16383;
};

float SceneNoise(int frame, int row, int column, int colour)
{
    uint32_t h = 0x811C9DC5u;
    for (int v : {frame, row, column, colour}) {
        h ^= uint32_t(v);
        h *= 0x01000193u;
        h ^= h >> 15;
    }
    return float(h & 0xFFFF) / 65535.0f - 0.5f;
}

uint16_t SceneSample(const SceneFrame& f, int frame, int row, int column, int colour)
{
    const float u = (float(column) + 0.5f) / float(f.width);
    const float v = (float(row) + 0.5f) / float(f.height);
    float rgb[3];
    if (v < 0.45f) {
        const float t = v / 0.45f;
        rgb[0] = 0.06f + 0.20f * t, rgb[1] = 0.12f + 0.22f * t, rgb[2] = 0.35f + 0.10f * t;
    } else {
        const float t = (v - 0.45f) / 0.55f;
        rgb[0] = 0.10f - 0.05f * t, rgb[1] = 0.20f - 0.10f * t, rgb[2] = 0.05f;
    }
    // Six colour bars across the middle.
    if (v > 0.30f && v < 0.55f && u > 0.05f && u < 0.65f) {
        static const float bars[6][3] = {{0.60f, 0.05f, 0.04f}, {0.70f, 0.60f, 0.05f}, {0.07f, 0.45f, 0.09f},
                                         {0.06f, 0.40f, 0.50f}, {0.04f, 0.08f, 0.55f}, {0.50f, 0.07f, 0.45f}};
        const int bar = std::min(5, int((u - 0.05f) / 0.10f));
        std::copy(bars[bar], bars[bar] + 3, rgb);
    }
    // A highlight that clips in the main frame.
    const float du = (u - 0.82f) * float(f.width) / float(f.height), dv = v - 0.25f;
    if (du * du + dv * dv < 0.04f) {
        rgb[0] = 3.0f, rgb[1] = 2.8f, rgb[2] = 2.4f;
    }
    // Fine stripes, one to three pixels apart.
    if (v > 0.62f && v < 0.80f && u > 0.05f && u < 0.50f) {
        const int period = 2 + int((u - 0.05f) / 0.15f);
        const bool line = (column % period) == 0 || ((column + row) % (period + 1)) == 0;
        rgb[0] = rgb[1] = rgb[2] = line ? 0.02f : 0.60f;
    }
    // A grey wedge of eight steps.
    if (v > 0.84f && u > 0.55f && u < 0.95f) {
        const int step = std::min(7, int((u - 0.55f) / 0.05f));
        rgb[0] = rgb[1] = rgb[2] = 0.01f + 0.13f * float(step);
    }
    float value = rgb[colour];
    if (frame == 1)
        value /= 16.0f;
    const float range = f.white - f.black;
    float raw = f.black + value * range + range * 0.004f * SceneNoise(frame, row, column, colour);
    raw = std::clamp(raw, 1.0f, f.white);
    return uint16_t(raw + 0.5f);
}

// A builder file: the model row, the rows of models whose height follows the
// data length, and what the header says.
struct BuilderFile {
    const char* model = "";
    int rawRows = 0;
    bool compressed = false;
    bool bay = false;
    bool doubleWidth = false;
    bool storeSecondFrame = true;
    char exrModeDigit = '1';
    const char* formatCode = "";
};

// Writes the file of b as path; false when it cannot be written.
bool WriteBuilderFile(const BuilderFile& b, const std::string& path)
{
    test::PlacementCase c;
    c.name = path;
    c.model = b.model;
    c.bay = b.bay;
    c.compressed = b.compressed;
    c.rawRows = b.rawRows;
    c.doubleWidth = b.doubleWidth;
    c.storeSecondFrame = b.storeSecondFrame;
    c.exrModeDigit = b.exrModeDigit;
    c.formatCode = b.formatCode;
    const CameraModelInfo* m = b.bay ? &test::BayDumpModel() : FindCameraModel(b.model);
    if (!m)
        return false;
    SceneFrame frame;
    frame.width = m->Width();
    frame.height = (m->fixedRawHeight > 0 ? m->fixedRawHeight : b.rawRows) - m->topMargin - m->bottomMargin;
    frame.black = m->subtractBlackLevel ? float(m->blackLevel) : 0.0f;
    frame.white = float(m->whiteLevel);
    c.scene = [frame](int f, int row, int column, int colour) { return SceneSample(frame, f, row, column, colour); };
    const test::PlacementFile file = test::BuildPlacementFile(c);
    return !file.bytes.empty() && test::WriteFile(path, file.bytes);
}

// ---------------------------------------------------------------------------
// Development settings: parameter files as the program writes them (section
// "Settings", the record keys, the feature blocks as private-profile
// structs), and the palette switches of the settings store.

using Keys = std::vector<std::pair<const char*, const char*>>;

struct ParameterSet {
    Keys keys;                    // record keys of the parameter file
    bool lens = false;            // "DistorionSettings" block, enabled
    bool selectiveColors = false; // "ColorTable" block, enabled
    bool freeCurve = false;       // "FreeCurve" block, enabled
    Keys switches;                // settings-store switches read when the document is made
    int jpegQuality = 85;
    int jpegProgressive = 0;
};

// Lens block, the file form: distortion, chromatic red, chromatic blue,
// vignetting amount and midpoint, stretch x and y, radial exponent x 100.
const int32_t kLensBlock[8] = {45, 12, -9, 35, 20, 4, -3, 230};

// Selective colours: nine ranges (reds, yellows, greens, cyans, blues,
// magentas, whites, greys, blacks) by red, green, blue, black percent.
const int32_t kColorTableBlock[9][4] = {{10, -20, -10, 5},  {0, 10, -30, 0},  {-15, 20, 0, 0},
                                        {-20, 0, 15, 0},     {5, -10, 25, -5}, {20, -15, 10, 0},
                                        {0, 0, -5, -10},     {3, 0, -3, 0},    {0, 0, 0, 15}};

// Free curve: per channel (master, red, green, blue) the point count, the
// straight-segments flag and 16 points (x, y), values x 65535.
struct CurveBlock {
    uint16_t count, linear;
    uint16_t points[16][2];
};
static_assert(sizeof(CurveBlock) == 68);

std::vector<CurveBlock> FreeCurveBlock()
{
    std::vector<CurveBlock> curves(4);
    for (CurveBlock& c : curves) {
        c = {};
        c.count = 2;
        c.points[0][0] = 0, c.points[0][1] = 0;
        c.points[1][0] = 65535, c.points[1][1] = 65535;
    }
    // An S-shaped master curve, a spline.
    curves[0].count = 4;
    const uint16_t master[4][2] = {{0, 0}, {16000, 11000}, {48000, 54000}, {65535, 65535}};
    std::copy(&master[0][0], &master[0][0] + 8, &curves[0].points[0][0]);
    // Red lifted in the shadows with straight segments; blue lowered at the top.
    curves[1].count = 3;
    curves[1].linear = 1;
    const uint16_t red[3][2] = {{0, 1500}, {30000, 33000}, {65535, 65535}};
    std::copy(&red[0][0], &red[0][0] + 6, &curves[1].points[0][0]);
    curves[3].count = 3;
    const uint16_t blue[3][2] = {{0, 0}, {40000, 38000}, {65535, 62000}};
    std::copy(&blue[0][0], &blue[0][0] + 6, &curves[3].points[0][0]);
    return curves;
}

// Writes the parameter file of p; false when it cannot be written.
bool WriteParameterSet(const ParameterSet& p, const std::string& path)
{
    constexpr const char* S = "Settings";
    bool ok = WritePrivateProfileString(S, "version", "71", path);
    for (const auto& [key, value] : p.keys)
        ok = ok && WritePrivateProfileString(S, key, value, path);
    ok = ok && WritePrivateProfileString(S, "DistorionSettings_flag", p.lens ? "1" : "0", path);
    if (p.lens)
        ok = ok && WritePrivateProfileStruct(S, "DistorionSettings", kLensBlock, sizeof kLensBlock, path);
    ok = ok && WritePrivateProfileString(S, "ColorTable_flag", p.selectiveColors ? "1" : "0", path);
    if (p.selectiveColors)
        ok = ok && WritePrivateProfileStruct(S, "ColorTable", kColorTableBlock, sizeof kColorTableBlock, path);
    ok = ok && WritePrivateProfileString(S, "FreeCurve_flag", p.freeCurve ? "1" : "0", path);
    if (p.freeCurve) {
        const std::vector<CurveBlock> curves = FreeCurveBlock();
        ok = ok && WritePrivateProfileStruct(S, "FreeCurve", curves.data(), curves.size() * sizeof(CurveBlock), path);
    }
    return ok;
}

const ParameterSet kDefaults;

// Most passes at once: custom sharpening, bilateral noise reduction, the
// colour-noise window with its threshold, colour temperature, vivid colour
// and the green enhancer, Adobe RGB, turned right, and all three feature
// tables; a progressive JPEG of quality 95.
const ParameterSet kTuned = {
    {{"gamma", "2.200000"},
     {"sensitize", "0.500000"},
     {"whiteBalance", "12"},
     {"wbTempt", "4300"},
     {"contrast", "20"},
     {"brightness", "-10"},
     {"saturation", "140"},
     {"hue", "8"},
     {"sharpness", "3"},
     {"soften", "20"},
     {"harden", "60"},
     {"rotate", "1"},
     {"iEnhColor", "2"},
     {"iEnhGreen", "1"},
     {"iColorNR", "3"},
     {"iColorNRthreshold", "25"},
     {"ICC", "1"},
     {"bGammaLog", "0"},
     {"bNR", "1"},
     {"NR1", "2"},
     {"NR2", "70"},
     {"NR3", "120"},
     {"NR4", "20"}},
    true,
    true,
    true,
    {},
    95,
    1,
};

// Two frames mixed linearly above a threshold, a custom white balance with
// fine tuning, the log tone curve, hard sharpening, Wide Gamut RGB, turned
// left.
const ParameterSet kLinearSR = {
    {{"gamma", "1.600000"},
     {"sensitize", "-0.700000"},
     {"whiteBalance", "11"},
     {"typeSR", "6"},
     {"linearSR", "55"},
     {"gammaSR2", "0.850000"},
     {"mixSR", "30"},
     {"sharpness", "0"},
     {"rotate", "2"},
     {"ICC", "3"},
     {"bGammaLog", "1"},
     {"customWBv", "71"},
     {"customWB1", "4096"},
     {"customWB2", "3400"},
     {"customWB3", "5200"},
     {"WBfineTuneR", "10"},
     {"WBfineTuneG", "-5"},
     {"WBfineTuneB", "3"},
     {"WBfineTune", "1"}},
    false,
    false,
    false,
    {},
    85,
    0,
};

// The weighted S/R mix, the older (median) noise reduction with the wider
// colour window of its strong setting, HSV hues, soft sharpening and FinePix
// RGB, with the lens correction.
const ParameterSet kMedianMix = {
    {{"typeSR", "2"},
     {"mixSR", "40"},
     {"gammaSR", "1.400000"},
     {"sharpness", "2"},
     {"bNR", "2"},
     {"NR1", "3"},
     {"NR2", "60"},
     {"saturation", "160"},
     {"hue", "-12"},
     {"iColorNR", "5"},
     {"iColorNRthreshold", "0"},
     {"ICC", "2"}},
    true,
    false,
    false,
    {{"UseOldNR", "1"}, {"UseHLS", "0"}},
    60,
    0,
};

// ---------------------------------------------------------------------------
// The cases.

struct GoldenCase {
    const char* name;
    bool sample = false;    // the bundled sample instead of a builder file
    BuilderFile file;
    const ParameterSet* params = &kDefaults;
    int sizes[2] = {0, 2};  // size modes (bits 0-2; the Bayer bit follows the sensor)
};

void PrintTo(const GoldenCase& c, std::ostream* os) { *os << c.name; }

BuilderFile Raf(const char* model, int rawRows, bool compressed)
{
    BuilderFile b;
    b.model = model;
    b.rawRows = rawRows;
    b.compressed = compressed;
    return b;
}

BuilderFile With(BuilderFile b, const std::function<void(BuilderFile&)>& edit)
{
    edit(b);
    return b;
}

// Small frames (96 raw rows) carry the costly settings (lens correction,
// noise reduction); the sensors of a fixed size (the sample, F700, S3Pro,
// S2Pro and the dump: millions of pixels) get the default or the S/R
// settings, to keep the run short. Between them the cases cover every size
// mode: x2, x3/2 and x1 of honeycomb sensors, x1, x3/4 and x1/2 of Bayer ones.
const GoldenCase kCases[] = {
    // The bundled sample: paired rows, the S and R frames stored, plain.
    {"Sample", true, {}, &kDefaults, {0, 2}},
    {"SampleLinearSR", true, {}, &kLinearSR, {2, 1}},
    // SuperCCD, one frame: plain, compressed with a black level, rows of twice the width.
    {"S7000Plain", false, Raf("FinePix S7000", 96, false), &kTuned, {0, 1}},
    {"S100FSCompressed", false, Raf("FinePix S100FS", 96, true), &kDefaults, {1, 2}},
    {"S5600DoubleWidth", false, With(Raf("FinePix S5600", 96, false), [](BuilderFile& b) { b.doubleWidth = true; }),
     &kMedianMix, {0, 2}},
    // SuperCCD, two frames: interleaved rows (plain), two blocks (compressed), a fixed height.
    {"S20ProPlain", false, Raf("FinePix S20Pro", 96, false), &kLinearSR, {0, 2}},
    {"S20ProCompressed", false, Raf("FinePix S20Pro", 96, true), &kMedianMix, {1, 2}},
    {"F700Plain", false, Raf("FinePix F700 ", 0, false), &kDefaults, {2, 1}},
    // 16-bit Bayer.
    {"S5500Plain", false, Raf("FinePix S5500", 96, false), &kTuned, {0, 2}},
    {"S5100Compressed", false, Raf("FinePix S5100", 96, true), &kDefaults, {0, 1}},
    // EXR: HR (one frame), DR (two frames), SN (two half frames made one).
    {"S200EXRMode1Compressed", false, Raf("FinePix S200EXR", 96, true), &kDefaults, {0, 2}},
    {"S200EXRMode2Plain", false, With(Raf("FinePix S200EXR", 96, false), [](BuilderFile& b) { b.exrModeDigit = '2'; }),
     &kLinearSR, {0, 1}},
    {"S200EXRMode2Compressed", false,
     With(Raf("FinePix S200EXR", 96, true), [](BuilderFile& b) { b.exrModeDigit = '2'; }), &kMedianMix, {1, 2}},
    {"S200EXRMode3Compressed", false,
     With(Raf("FinePix S200EXR", 64, true), [](BuilderFile& b) { b.exrModeDigit = '3'; }), &kTuned, {0, 2}},
    // Paired rows with the second frame derived from the first (layout bit 0).
    {"S3ProDerivedSecond", false,
     With(Raf("FinePix S3Pro", 0, false), [](BuilderFile& b) { b.storeSecondFrame = false; }), &kDefaults, {2, 1}},
    // The rotated layout.
    {"S2ProPlain", false, Raf("FinePixS2Pro", 0, false), &kDefaults, {2, 1}},
    // The 8-bit dump.
    {"BayDump", false, With(Raf("", 0, false), [](BuilderFile& b) { b.bay = true; }), &kDefaults, {2, 1}},
};

// ---------------------------------------------------------------------------
// The recorded outputs. Keys: "<case>/input" for the RAW file itself, and
// "<case>/<size>/<format>" for the outputs.

struct GoldenEntry {
    const char* key;
    uint64_t sum;
};

const GoldenEntry kGolden[] = {
    {"Sample/input", 0x9C7C5F7F0FBC74C2ull},
    {"Sample/x1/JPEG", 0x1C4CCE2B51C7F192ull},
    {"Sample/x1/PSD16", 0x806AA30F87368C2Dull},
    {"Sample/x1/PSD8", 0x42682BBF25BE7CDCull},
    {"Sample/x1/TIFF16", 0xC53589EDE9831C10ull},
    {"Sample/x1/TIFF8", 0xA22343401DF88D88ull},
    {"Sample/x2/JPEG", 0x9A8434B4B4741742ull},
    {"Sample/x2/PSD16", 0x0B80690D3653F888ull},
    {"Sample/x2/PSD8", 0xBA911CA81A110FCEull},
    {"Sample/x2/TIFF16", 0xFDE7A4267386FDADull},
    {"Sample/x2/TIFF8", 0xAAD2D8DB94418840ull},
    {"SampleLinearSR/input", 0x9C7C5F7F0FBC74C2ull},
    {"SampleLinearSR/x1/JPEG", 0xD769B4C4BA78B596ull},
    {"SampleLinearSR/x1/PSD16", 0x26D4312C801432D2ull},
    {"SampleLinearSR/x1/PSD8", 0xA0262EC798FA5C89ull},
    {"SampleLinearSR/x1/TIFF16", 0xBB458AD3E1B4F087ull},
    {"SampleLinearSR/x1/TIFF8", 0x7818C855DC752549ull},
    {"SampleLinearSR/x3_2/JPEG", 0x93F0B4965A6DCEE4ull},
    {"SampleLinearSR/x3_2/PSD16", 0x5E72CCE10FF28468ull},
    {"SampleLinearSR/x3_2/PSD8", 0x9ED95252A60CF644ull},
    {"SampleLinearSR/x3_2/TIFF16", 0x61922D96AE8EEC7Dull},
    {"SampleLinearSR/x3_2/TIFF8", 0x49C2C4E436986531ull},
    {"S7000Plain/input", 0x3239D42B1B5B22EBull},
    {"S7000Plain/x2/JPEG", 0x6AB00ED6B1411C16ull},
    {"S7000Plain/x2/PSD16", 0x3A6D375B0AD5AD84ull},
    {"S7000Plain/x2/PSD8", 0x9EF6DF80E268694Eull},
    {"S7000Plain/x2/TIFF16", 0x63B21A1F3D85B2BAull},
    {"S7000Plain/x2/TIFF8", 0x3E56A7CA456786A5ull},
    {"S7000Plain/x3_2/JPEG", 0xFF3BB0E443ECCE77ull},
    {"S7000Plain/x3_2/PSD16", 0x7B6A5825C45163FBull},
    {"S7000Plain/x3_2/PSD8", 0xE522375517D89657ull},
    {"S7000Plain/x3_2/TIFF16", 0x021AA578E1165236ull},
    {"S7000Plain/x3_2/TIFF8", 0x95CE39EA446EE685ull},
    {"S100FSCompressed/input", 0xFD2F69A15501B0BDull},
    {"S100FSCompressed/x1/JPEG", 0xFD78749A87F15563ull},
    {"S100FSCompressed/x1/PSD16", 0xCA40D888D1BA3610ull},
    {"S100FSCompressed/x1/PSD8", 0x4806480B655AFCC8ull},
    {"S100FSCompressed/x1/TIFF16", 0xB36E2061982AE2B6ull},
    {"S100FSCompressed/x1/TIFF8", 0x797E74B8A2148942ull},
    {"S100FSCompressed/x3_2/JPEG", 0x7E7EFE0B80EF18B9ull},
    {"S100FSCompressed/x3_2/PSD16", 0xD9FDC6D414B502F4ull},
    {"S100FSCompressed/x3_2/PSD8", 0xA2B241E34BB9EA4Dull},
    {"S100FSCompressed/x3_2/TIFF16", 0xAF8F9331BCFE6BDDull},
    {"S100FSCompressed/x3_2/TIFF8", 0xBD872C438E78FF18ull},
    {"S5600DoubleWidth/input", 0x64DB680B9A0F0A82ull},
    {"S5600DoubleWidth/x1/JPEG", 0xFEC685FE9B70364Bull},
    {"S5600DoubleWidth/x1/PSD16", 0xB55F1A9ACEE849ADull},
    {"S5600DoubleWidth/x1/PSD8", 0xFF813421AE25F3B0ull},
    {"S5600DoubleWidth/x1/TIFF16", 0x90D6012007909C1Dull},
    {"S5600DoubleWidth/x1/TIFF8", 0x7593DDEDF5E2E8A8ull},
    {"S5600DoubleWidth/x2/JPEG", 0x6CFA026D661441A8ull},
    {"S5600DoubleWidth/x2/PSD16", 0x233DCC808DF2E446ull},
    {"S5600DoubleWidth/x2/PSD8", 0xBA43186B7117E014ull},
    {"S5600DoubleWidth/x2/TIFF16", 0xC45CF3A972B21A0Eull},
    {"S5600DoubleWidth/x2/TIFF8", 0x0A968113BCBE8F9Dull},
    {"S20ProPlain/input", 0x7990C8CEC25FD818ull},
    {"S20ProPlain/x1/JPEG", 0xF2D072216DD5F809ull},
    {"S20ProPlain/x1/PSD16", 0x9277F7C14D7D3A6Eull},
    {"S20ProPlain/x1/PSD8", 0x69893BA20003A59Aull},
    {"S20ProPlain/x1/TIFF16", 0xB31A90777AAF8398ull},
    {"S20ProPlain/x1/TIFF8", 0x893DC4344341C144ull},
    {"S20ProPlain/x2/JPEG", 0x57083638FEB549E8ull},
    {"S20ProPlain/x2/PSD16", 0x6AEC9F94101112D9ull},
    {"S20ProPlain/x2/PSD8", 0xA761E693F386E48Aull},
    {"S20ProPlain/x2/TIFF16", 0xAA99BC188DCF4548ull},
    {"S20ProPlain/x2/TIFF8", 0x129F1BAFEFD461E3ull},
    {"S20ProCompressed/input", 0xD752ACEE1E642019ull},
    {"S20ProCompressed/x1/JPEG", 0x1A42903F93E34885ull},
    {"S20ProCompressed/x1/PSD16", 0xE55F9FC0A456E677ull},
    {"S20ProCompressed/x1/PSD8", 0xEF9B202FFEAA9BB3ull},
    {"S20ProCompressed/x1/TIFF16", 0xE29523FD8ABA397Eull},
    {"S20ProCompressed/x1/TIFF8", 0xECCD34D01ED8A552ull},
    {"S20ProCompressed/x3_2/JPEG", 0xE6569D6D790FCBA2ull},
    {"S20ProCompressed/x3_2/PSD16", 0x6A1042D50D78DE7Eull},
    {"S20ProCompressed/x3_2/PSD8", 0x472ADC1129E39D94ull},
    {"S20ProCompressed/x3_2/TIFF16", 0xF5286FCE85F912BAull},
    {"S20ProCompressed/x3_2/TIFF8", 0x3FC997638744F897ull},
    {"F700Plain/input", 0x2EFC342105C6DC53ull},
    {"F700Plain/x1/JPEG", 0x45283323503E8A73ull},
    {"F700Plain/x1/PSD16", 0x9EFEF565A8080776ull},
    {"F700Plain/x1/PSD8", 0x8E43411F3497B636ull},
    {"F700Plain/x1/TIFF16", 0xCC6AE1B4ECA5A4B1ull},
    {"F700Plain/x1/TIFF8", 0x36534ED40E285FC0ull},
    {"F700Plain/x3_2/JPEG", 0xA2DEB147F65BF494ull},
    {"F700Plain/x3_2/PSD16", 0xCE7FFE38509ECBB9ull},
    {"F700Plain/x3_2/PSD8", 0x25F6B54F1F97EAF3ull},
    {"F700Plain/x3_2/TIFF16", 0xFF35847B676BCB21ull},
    {"F700Plain/x3_2/TIFF8", 0xA8BA9DA87E9A2DCAull},
    {"S5500Plain/input", 0x5D9D0F66722DBD54ull},
    {"S5500Plain/x1/JPEG", 0x2E78185F3F00255Cull},
    {"S5500Plain/x1/PSD16", 0xEEE1D362A5CD930Eull},
    {"S5500Plain/x1/PSD8", 0xD8345C7312B9B69Cull},
    {"S5500Plain/x1/TIFF16", 0xA7F802034774E849ull},
    {"S5500Plain/x1/TIFF8", 0xAD0D91C9753B58F3ull},
    {"S5500Plain/x1_2/JPEG", 0xEB481FFAA07BAAB7ull},
    {"S5500Plain/x1_2/PSD16", 0x97A71CFAEE014A08ull},
    {"S5500Plain/x1_2/PSD8", 0xF7864F1633AEBE9Bull},
    {"S5500Plain/x1_2/TIFF16", 0xD1DACEC6E6703319ull},
    {"S5500Plain/x1_2/TIFF8", 0x256FE00B60ACF04Aull},
    {"S5100Compressed/input", 0xDA6C02C7EDC3290Aull},
    {"S5100Compressed/x1/JPEG", 0xB6D67850517159E0ull},
    {"S5100Compressed/x1/PSD16", 0x18E65FA5167AEE94ull},
    {"S5100Compressed/x1/PSD8", 0xE82EA060B0A8DA42ull},
    {"S5100Compressed/x1/TIFF16", 0x2A15969438FA2197ull},
    {"S5100Compressed/x1/TIFF8", 0x27E58CFE0ADAF960ull},
    {"S5100Compressed/x3_4/JPEG", 0xB1D60D8349F3714Aull},
    {"S5100Compressed/x3_4/PSD16", 0xC09DFFCCE10131D7ull},
    {"S5100Compressed/x3_4/PSD8", 0x486A524D47983C13ull},
    {"S5100Compressed/x3_4/TIFF16", 0x22E273FBDA18BBA5ull},
    {"S5100Compressed/x3_4/TIFF8", 0xA2147637C7677DB6ull},
    {"S200EXRMode1Compressed/input", 0x2A128C4E1F9058D0ull},
    {"S200EXRMode1Compressed/x1/JPEG", 0x1B83C88F016E3D01ull},
    {"S200EXRMode1Compressed/x1/PSD16", 0x1567DFC837E0DE5Dull},
    {"S200EXRMode1Compressed/x1/PSD8", 0x1F7946AC36ABA254ull},
    {"S200EXRMode1Compressed/x1/TIFF16", 0x159BEBF88CDDD590ull},
    {"S200EXRMode1Compressed/x1/TIFF8", 0x7CCC48DC6A6C658Dull},
    {"S200EXRMode1Compressed/x1_2/JPEG", 0x36262E992759B1CBull},
    {"S200EXRMode1Compressed/x1_2/PSD16", 0xE1AE2C80AB8897A9ull},
    {"S200EXRMode1Compressed/x1_2/PSD8", 0x1A3798515269166Bull},
    {"S200EXRMode1Compressed/x1_2/TIFF16", 0xC62A863AF1B43DCEull},
    {"S200EXRMode1Compressed/x1_2/TIFF8", 0x64E0641F13AF8B4Aull},
    {"S200EXRMode2Plain/input", 0xDFFDB5982A6AE09Dull},
    {"S200EXRMode2Plain/x1/JPEG", 0x4A63B041C817C8B9ull},
    {"S200EXRMode2Plain/x1/PSD16", 0x3FA23F9C8D034333ull},
    {"S200EXRMode2Plain/x1/PSD8", 0xFBC0454555908357ull},
    {"S200EXRMode2Plain/x1/TIFF16", 0xD77EA64FF1A94CC8ull},
    {"S200EXRMode2Plain/x1/TIFF8", 0xE2E631C99A3D6DA9ull},
    {"S200EXRMode2Plain/x3_4/JPEG", 0x3FBA1D52CEFDC448ull},
    {"S200EXRMode2Plain/x3_4/PSD16", 0x16595B6CD98281BDull},
    {"S200EXRMode2Plain/x3_4/PSD8", 0x3B5DF1956649E1EFull},
    {"S200EXRMode2Plain/x3_4/TIFF16", 0xD731B9B90853E540ull},
    {"S200EXRMode2Plain/x3_4/TIFF8", 0x462A4A880D68A1A0ull},
    {"S200EXRMode2Compressed/input", 0xFE3697B59600F3D3ull},
    {"S200EXRMode2Compressed/x1_2/JPEG", 0xB5D5052F41BC9406ull},
    {"S200EXRMode2Compressed/x1_2/PSD16", 0xEE9C68B3CB0217F4ull},
    {"S200EXRMode2Compressed/x1_2/PSD8", 0xADCDB89F179864A4ull},
    {"S200EXRMode2Compressed/x1_2/TIFF16", 0x43C62E70DBB7C51Dull},
    {"S200EXRMode2Compressed/x1_2/TIFF8", 0x3EF92619D060023Full},
    {"S200EXRMode2Compressed/x3_4/JPEG", 0x6C0057D3C21EAC46ull},
    {"S200EXRMode2Compressed/x3_4/PSD16", 0x0E5974DB6EB4FBB2ull},
    {"S200EXRMode2Compressed/x3_4/PSD8", 0x33F7C1E52B01ED65ull},
    {"S200EXRMode2Compressed/x3_4/TIFF16", 0x9C3E6FCCF9BA1FB5ull},
    {"S200EXRMode2Compressed/x3_4/TIFF8", 0xF527A36BC2FA59AFull},
    {"S200EXRMode3Compressed/input", 0x21282BA0BE71042Eull},
    {"S200EXRMode3Compressed/x1/JPEG", 0xAC0B10BE68D04365ull},
    {"S200EXRMode3Compressed/x1/PSD16", 0x70937F399A6EBC34ull},
    {"S200EXRMode3Compressed/x1/PSD8", 0xFBCEDC75A30BB0B8ull},
    {"S200EXRMode3Compressed/x1/TIFF16", 0x2C3D8B58E28AD3C6ull},
    {"S200EXRMode3Compressed/x1/TIFF8", 0x37EAFA12F5F07F43ull},
    {"S200EXRMode3Compressed/x1_2/JPEG", 0xCD41986AB0A68BD7ull},
    {"S200EXRMode3Compressed/x1_2/PSD16", 0x0C9B3E186BF78187ull},
    {"S200EXRMode3Compressed/x1_2/PSD8", 0x0BEDAAC96B3079A5ull},
    {"S200EXRMode3Compressed/x1_2/TIFF16", 0xC1E1846C8D8CE706ull},
    {"S200EXRMode3Compressed/x1_2/TIFF8", 0x57E75D4A67812C00ull},
    {"S3ProDerivedSecond/input", 0xF68AC40D021BB540ull},
    {"S3ProDerivedSecond/x1/JPEG", 0x512A59003333543Full},
    {"S3ProDerivedSecond/x1/PSD16", 0x1DB8D12CE0688C4Full},
    {"S3ProDerivedSecond/x1/PSD8", 0x56E4CCAE672063AEull},
    {"S3ProDerivedSecond/x1/TIFF16", 0xC27E353A3B5E109Eull},
    {"S3ProDerivedSecond/x1/TIFF8", 0xD9E0D698DCB3DB1Bull},
    {"S3ProDerivedSecond/x3_2/JPEG", 0xD8A55A006068E491ull},
    {"S3ProDerivedSecond/x3_2/PSD16", 0xFC56E061E4AEAB71ull},
    {"S3ProDerivedSecond/x3_2/PSD8", 0x2C70A99D1EA4F958ull},
    {"S3ProDerivedSecond/x3_2/TIFF16", 0xE5BD1899BA268CF5ull},
    {"S3ProDerivedSecond/x3_2/TIFF8", 0x20ADC62224D638B4ull},
    {"S2ProPlain/input", 0xEFC4555C5E63D8C3ull},
    {"S2ProPlain/x1/JPEG", 0xB20B5C3E58B6DF75ull},
    {"S2ProPlain/x1/PSD16", 0x60DCC4AD95D7582Dull},
    {"S2ProPlain/x1/PSD8", 0xC793B11BF3F2B3E8ull},
    {"S2ProPlain/x1/TIFF16", 0xFE1527AB99790435ull},
    {"S2ProPlain/x1/TIFF8", 0xB8C535A7785E762Eull},
    {"S2ProPlain/x3_2/JPEG", 0xF5650BD9839B6670ull},
    {"S2ProPlain/x3_2/PSD16", 0x43B77A704DAB8CE6ull},
    {"S2ProPlain/x3_2/PSD8", 0x03E4D2CFE43FBDDAull},
    {"S2ProPlain/x3_2/TIFF16", 0x9DD01120DD9012FEull},
    {"S2ProPlain/x3_2/TIFF8", 0xFA7D7B27DA88D6D0ull},
    {"BayDump/input", 0x83F90A6F7B83D311ull},
    {"BayDump/x1_2/JPEG", 0x020E2CBB1AAF3528ull},
    {"BayDump/x1_2/PSD16", 0x5BD592C16A5ED718ull},
    {"BayDump/x1_2/PSD8", 0xAB91BB30E254BDF8ull},
    {"BayDump/x1_2/TIFF16", 0x84463BDAFFD48B9Dull},
    {"BayDump/x1_2/TIFF8", 0x2C0014B378E7AFEDull},
    {"BayDump/x3_4/JPEG", 0x9455335F245BB995ull},
    {"BayDump/x3_4/PSD16", 0xE6914497D6C64405ull},
    {"BayDump/x3_4/PSD8", 0x2240F14DE15B253Cull},
    {"BayDump/x3_4/TIFF16", 0xBEE20E9C01FB965Cull},
    {"BayDump/x3_4/TIFF8", 0x257B32DBAE1D7F25ull},
};

bool PrintMode()
{
    const char* v = std::getenv("VELMO_GOLDEN_PRINT");
    return v && *v && std::string(v) != "0";
}

const std::map<std::string, uint64_t>& GoldenTable()
{
    static const std::map<std::string, uint64_t> table = [] {
        std::map<std::string, uint64_t> t;
        for (const GoldenEntry& e : kGolden)
            t[e.key] = e.sum;
        return t;
    }();
    return table;
}

std::string Hex(uint64_t v)
{
    char text[32];
    std::snprintf(text, sizeof text, "0x%016" PRIX64 "ull", v);
    return text;
}

// Compares one checksum with the table (or prints its row).
void CheckGolden(const std::string& key, uint64_t sum,
                 const char* difference = "the output differs from the recorded one")
{
    if (PrintMode()) {
        std::printf("    {\"%s\", %s},\n", key.c_str(), Hex(sum).c_str());
        std::fflush(stdout);
        return;
    }
    const auto& table = GoldenTable();
    const auto it = table.find(key);
    if (it == table.end()) {
        ADD_FAILURE() << key << ": no recorded checksum (" << Hex(sum)
                      << "); record with VELMO_GOLDEN_PRINT=1";
        return;
    }
    EXPECT_EQ(Hex(sum), Hex(it->second)) << key << ": " << difference;
}

const char* const kFormatNames[] = {"PSD16", "PSD8", "TIFF16", "TIFF8", "JPEG"};
const char* const kExtensions[] = {"PSD", "PSD", "TIF", "TIF", "JPG"};

const char* SizeName(int sizeMode)
{
    switch (sizeMode) {
    case 0: return "x2";
    case 1: return "x3_2";
    case 2: return "x1";
    case 8: return "x1";
    case 9: return "x3_4";
    case 10: return "x1_2";
    default: return "?";
    }
}

#if defined(__SANITIZE_ADDRESS__) || defined(__SANITIZE_THREAD__)
constexpr bool kSanitized = true;
#elif defined(__has_feature)
#if __has_feature(address_sanitizer) || __has_feature(thread_sanitizer)
constexpr bool kSanitized = true;
#else
constexpr bool kSanitized = false;
#endif
#else
constexpr bool kSanitized = false;
#endif

#if defined(__SANITIZE_THREAD__)
constexpr bool kThreadSanitized = true;
#elif defined(__has_feature)
#if __has_feature(thread_sanitizer)
constexpr bool kThreadSanitized = true;
#else
constexpr bool kThreadSanitized = false;
#endif
#else
constexpr bool kThreadSanitized = false;
#endif

// Sensors of a fixed size (the sample included): millions of pixels.
bool IsLarge(const GoldenCase& c)
{
    if (c.sample || c.file.bay)
        return true;
    const CameraModelInfo* m = FindCameraModel(c.file.model);
    return m && m->fixedRawHeight > 0;
}

std::string SamplePath()
{
    for (const std::string& candidate : {std::string(VELMO_BINARY_DIR) + "/velmo-sample.RAF",
                                         std::string(VELMO_SOURCE_DIR) + "/build/release/velmo-sample.RAF"})
        if (std::filesystem::exists(candidate))
            return candidate;
    return {};
}

class Golden : public ::testing::TestWithParam<GoldenCase> {
protected:
    void TearDown() override
    {
        SetWorkerThreads(0);
        // A document made on empty settings puts the process-wide palette
        // switches back to their defaults.
        if (!GetParam().params->switches.empty()) {
            test::ScopedSettings settings;
            CVelmoDoc fresh;
        }
    }

    test::TempDir dir;
};

TEST_P(Golden, OutputsMatchTheRecordedChecksums)
{
    const GoldenCase& c = GetParam();
    ASSERT_FALSE(dir.path().empty());

    std::string input;
    if (c.sample) {
        input = SamplePath();
        ASSERT_FALSE(input.empty()) << "the build writes velmo-sample.RAF (target velmo-sample)";
    } else {
        input = dir.File(c.file.bay ? "shot.BAY" : "shot.RAF");
        ASSERT_TRUE(WriteBuilderFile(c.file, input));
    }
    uint64_t inputSum = 0, inputSize = 0;
    ASSERT_TRUE(FileChecksum(input, &inputSum, &inputSize));
    CheckGolden(std::string(c.name) + "/input", inputSum,
                "the input file changed (sample or test-file builder), so its outputs will differ too");

    std::string parameterFile, resetFile;
    if (c.params != &kDefaults) {
        parameterFile = dir.File("settings.VMR");
        ASSERT_TRUE(WriteParameterSet(*c.params, parameterFile));
        // Turns the feature tables off again (they are process-wide).
        resetFile = dir.File("reset.VMR");
        ASSERT_TRUE(WriteParameterSet(kDefaults, resetFile));
    }

    // Output key -> checksum, per thread count. Under a sanitizer the large
    // frames are developed on 8 threads only (the Release build checks them
    // on 1 thread too), to keep that run short.
    std::vector<int> threadCounts = {1, 8};
    if (kSanitized && IsLarge(c))
        threadCounts = {8};
    std::vector<std::map<std::string, uint64_t>> sums(threadCounts.size());
    for (size_t t = 0; t < threadCounts.size(); ++t) {
        SCOPED_TRACE(std::to_string(threadCounts[t]) + " threads");
        SetWorkerThreads(threadCounts[t]);
        test::ScopedSettings settings;
        for (const auto& [key, value] : c.params->switches)
            settings.store().WriteProfileInt(kSettingsSection, key, std::atoi(value));
        test::RecordingMessages messages;
        CVelmoDoc doc;
        ASSERT_TRUE(doc.OnOpenDocument(input)) << (messages.calls.empty() ? "" : messages.calls[0].text);
        doc.StopWorker(); // no background full preview competing for the cores
        struct Reset {
            CVelmoDoc& doc;
            const std::string& file;
            ~Reset()
            {
                if (!file.empty())
                    doc.OnOpenDocument(file);
            }
        } reset{doc, resetFile};
        if (!parameterFile.empty())
            doc.OnOpenDocument(parameterFile); // applies the settings (and opens no image)
        doc.SetIncrementFileNumber(false);
        { OutputOptions o = doc.Output(); o.jpegQuality = c.params->jpegQuality; doc.SetOutputOptions(o); }
        { OutputOptions o = doc.Output(); o.jpegProgressive = c.params->jpegProgressive; doc.SetOutputOptions(o); }
        const std::string target = dir.File("out.RAF");
        // ThreadSanitizer looks for races between the rows that the cores
        // share, which every size shows alike: a large frame is developed
        // there at the smaller of its two sizes only (the larger code; the
        // other builds check both sizes).
        std::vector<int> sizes(std::begin(c.sizes), std::end(c.sizes));
        if (kThreadSanitized && IsLarge(c))
            sizes = {std::max(c.sizes[0], c.sizes[1])};
        for (int size : sizes) {
            doc.SetSizeMode((doc.Output().sizeMode & 8) | size);
            const std::string sizeName = SizeName(doc.Output().sizeMode);
            for (int format = 0; format < 5; ++format) {
                doc.SetOutputFormat(OutputFormat(format));
                ASSERT_TRUE(doc.OnSaveDocument(target))
                    << sizeName << " " << kFormatNames[format] << ": "
                    << (messages.calls.empty() ? "" : messages.calls.back().text);
                const std::string written = dir.File(std::string("out.") + kExtensions[format]);
                uint64_t sum = 0, bytes = 0;
                ASSERT_TRUE(FileChecksum(written, &sum, &bytes)) << written;
                ASSERT_GT(bytes, 0u);
                std::filesystem::remove(written);
                sums[t][sizeName + "/" + kFormatNames[format]] = sum;
            }
        }
        EXPECT_TRUE(messages.calls.empty()) << messages.calls[0].text;
    }

    for (const auto& [key, sum] : sums[0]) {
        for (size_t t = 1; t < sums.size(); ++t)
            EXPECT_EQ(Hex(sums[t][key]), Hex(sum))
                << c.name << "/" << key << ": " << threadCounts[t] << " threads differ from " << threadCounts[0];
        CheckGolden(std::string(c.name) + "/" + key, sum);
    }
}

std::string CaseName(const ::testing::TestParamInfo<GoldenCase>& info) { return info.param.name; }

INSTANTIATE_TEST_SUITE_P(EveryLayout, Golden, ::testing::ValuesIn(kCases), CaseName);

} // namespace
} // namespace velmo
