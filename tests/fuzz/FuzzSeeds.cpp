// Writes seed corpora for the fuzzers with the test-file builders:
//   FuzzSeeds DIR  ->  DIR/raf/* (whole RAF files), DIR/exif/* (Exif buffers),
//   DIR/pipeline/* (small RAF files of every layout, plain and compressed),
//   DIR/side/* (a kind byte and a parameter or feature file), DIR/icc/*
//   (profiles) and DIR/jpeg/* (embedded JPEG previews)
#include "params/EditState.h"
#include "params/FeatureFiles.h"
#include "params/ParameterFile.h"
#include "res/IccProfiles.h"
#include "tests/support/ExifBuilder.h"
#include "tests/support/PlacementOracle.h"
#include "tests/support/RafBuilder.h"

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

using namespace velmo::test;

namespace {

int count = 0;

void Save(const std::string& dir, const std::string& name, const std::vector<uint8_t>& bytes)
{
    if (WriteFile(dir + "/" + name, bytes))
        ++count;
}

std::vector<uint8_t> Header(const std::vector<uint8_t>& raf)
{
    return std::vector<uint8_t>(raf.begin(), raf.begin() + static_cast<ptrdiff_t>(std::min<size_t>(raf.size(), 4096)));
}

std::vector<uint8_t> ReadAll(const std::string& path)
{
    std::ifstream in(path, std::ios::binary);
    return std::vector<uint8_t>(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

// Small files of every layout that the whole pipeline loads: the models
// whose height follows the data length at a few rows, the fixed-height ones
// compressed with flat frames (which pack into a few hundred bytes), the EXR
// modes, double-width rows and the derived S5Pro frame.
void PipelineSeeds(const std::string& dir)
{
    int n = 0;
    auto save = [&](PlacementCase c, const char* what) {
        const std::vector<uint8_t> bytes = BuildPlacementFile(c).bytes;
        Save(dir, std::string(what) + std::to_string(n++) + ".raf", bytes);
    };
    const PlacementScene flat = [](int frame, int, int, int colour) {
        return uint16_t(frame == 0 ? 1200 + 900 * colour : 150 + 100 * colour);
    };
    for (const std::string& model : AllModelNames())
        for (bool compressed : {false, true}) {
            PlacementCase c;
            c.name = model;
            c.model = model;
            c.compressed = compressed;
            c.rawRows = 8;
            const velmo::CameraModelInfo* m = velmo::FindCameraModel(model.c_str());
            if (!m)
                continue;
            if (m->fixedRawHeight > 0) {
                if (!compressed)
                    continue; // a full plain frame is megabytes
                c.scene = flat;
            }
            save(c, "layout");
        }
    for (char digit : {'1', '2', '3'})
        for (bool compressed : {false, true}) {
            PlacementCase c;
            c.model = "FinePix S200EXR";
            c.rawRows = 8;
            c.exrModeDigit = digit;
            c.compressed = compressed;
            save(c, "exr");
        }
    PlacementCase wide;
    wide.model = "FinePix S5600";
    wide.rawRows = 8;
    wide.doubleWidth = true;
    save(wide, "double-width");
    PlacementCase derived;
    derived.model = "FinePix S5Pro";
    derived.compressed = true;
    derived.storeSecondFrame = false;
    derived.scene = flat;
    save(derived, "derived");
    PlacementCase cut;
    cut.model = "FinePix S20Pro";
    cut.rawRows = 8;
    cut.keepSamples = 8 * 2 * 1472 + 700;
    save(cut, "cut");
}

// A kind byte (its value modulo 5: 0 .VMR, 1 .VMT, 2 .VMC, 3 .VML, 4 .VMW;
// divided by 5, the output format) and a file the program writes, with
// every feature block, once for each output format.
void SideFileSeeds(const std::string& dir)
{
    using namespace velmo;
    const std::string scratch = dir + "/.scratch";
    EditState edit;
    FreeCurveStore curve{};
    for (int channel = 0; channel < 4; ++channel) {
        FreeCurveRecord& r = curve.channel[channel];
        r.count = 3;
        for (int i = 0; i < 3; ++i)
            r.points[i] = {uint16_t(127 * i), uint16_t(i == 1 ? 100 + 20 * channel : 127 * i)};
    }
    edit.SetFreeCurve(curve);
    SelectiveColorTable colors{};
    colors.rows[2][1] = 40;
    edit.SetSelectiveColors(colors);
    LensCorrectionSettings lens = edit.Lens();
    lens.distortion = 30;
    edit.SetLens(lens);
    for (FeatureKind kind : {FeatureKind::FreeCurve, FeatureKind::SelectiveColors, FeatureKind::LensCorrection})
        edit.SetFeature(kind, true);
    int n = 0;
    auto save = [&](uint8_t kind, bool written) {
        std::vector<uint8_t> bytes = ReadAll(scratch);
        std::filesystem::remove(scratch);
        if (!written)
            return;
        bytes.insert(bytes.begin(), kind);
        for (uint8_t format = 0; format < 5; ++format) {
            bytes[0] = uint8_t(kind + 5 * format);
            Save(dir, "side" + std::to_string(n++) + ".bin", bytes);
        }
    };
    save(0, WriteParameterFile(edit, scratch));
    save(1, WriteFreeCurveFile(scratch, 1, curve));
    save(2, WriteSelectiveColorFile(scratch, 1, colors));
    save(3, WriteLensCorrectionFile(scratch, 1, lens));
    save(4, WriteWhiteBalanceKeys(edit.Params(), scratch));
}

void ProfileSeeds(const std::string& dir)
{
    for (int i = 0; i < velmo::kBuiltInIccProfileCount; ++i) {
        const velmo::BuiltInIccProfile& p = velmo::kBuiltInIccProfiles[i];
        const std::vector<uint8_t> bytes(p.data, p.data + p.size);
        Save(dir, "builtin" + std::to_string(i) + ".icc", bytes);
        Save(dir, "cut" + std::to_string(i) + ".icc",
             std::vector<uint8_t>(bytes.begin(), bytes.begin() + std::ptrdiff_t(bytes.size() / 2)));
    }
}

// The embedded previews the builder writes: RGB, grey and CMYK, with the
// camera's Exif block in front.
void JpegSeeds(const std::string& dir)
{
    int n = 0;
    for (int components : {3, 1, 4})
        for (bool littleEndian : {true, false}) {
            RafFileSpec recipe;
            recipe.model = "FinePix S5600";
            recipe.rawRows = 4;
            recipe.previewWidth = 16;
            recipe.previewHeight = 12;
            recipe.previewComponents = components;
            recipe.exifLittleEndian = littleEndian;
            RafLayout at;
            const std::vector<uint8_t> raf = BuildRaf(recipe, &at);
            Save(dir, "preview" + std::to_string(n++) + ".jpg",
                 std::vector<uint8_t>(raf.begin() + std::ptrdiff_t(at.jpegOffset),
                                      raf.begin() + std::ptrdiff_t(at.jpegOffset + at.jpegLength)));
        }
}

} // namespace

int main(int argc, char** argv)
{
    if (argc != 2) {
        std::fprintf(stderr, "usage: FuzzSeeds DIR\n");
        return 2;
    }
    const std::string root = argv[1];
    const std::string rafDir = root + "/raf", exifDir = root + "/exif";
    for (const char* sub : {"raf", "exif", "pipeline", "side", "icc", "jpeg"})
        std::filesystem::create_directories(root + "/" + sub);
    PipelineSeeds(root + "/pipeline");
    SideFileSeeds(root + "/side");
    ProfileSeeds(root + "/icc");
    JpegSeeds(root + "/jpeg");

    // Small files of the models whose height follows the data length.
    const char* models[] = {"FinePix S7000", "FinePix S6500", "FinePix S200EXR", "FinePix S100FS", "IS-1",
                            "FinePix S5600", "FinePix F810 ", "FinePix S5000", "FinePix S5100", "FinePix S20Pro"};
    int n = 0;
    for (const char* model : models)
        for (bool compressed : {false, true}) {
            RafFileSpec recipe;
            recipe.model = model;
            recipe.compressed = compressed;
            recipe.rawRows = 2;
            recipe.previewWidth = 8;
            recipe.previewHeight = 8;
            recipe.exifLittleEndian = (n % 2) == 0;
            if (n % 3 == 0)
                recipe.customWhiteBalances = {{300, 500, 300, 700}, {310, 510, 310, 710}};
            recipe.unitWord = 1200;
            std::vector<uint8_t> raf = BuildRaf(recipe);
            Save(rafDir, "model" + std::to_string(n) + ".raf", raf);
            Save(exifDir, "header" + std::to_string(n) + ".bin", Header(raf));
            ++n;
        }
    // Fixed-height models with their raw data cut to a few bytes.
    for (const char* model : {"FinePix S5Pro", "FinePix F700 ", "FinePixS2Pro"}) {
        RafFileSpec recipe;
        recipe.model = model;
        recipe.frames = {std::vector<uint16_t>(64, 100), std::vector<uint16_t>(64, 200)};
        Save(rafDir, "fixed" + std::to_string(n++) + ".raf", BuildRaf(recipe));
    }
    // A few broken ones.
    RafFileSpec broken;
    broken.model = "FinePix S9600";
    broken.compressed = true;
    broken.rawRows = 2;
    broken.faults.lengthWord = 100;
    Save(rafDir, "overlong.raf", BuildRaf(broken));
    broken.faults = {};
    broken.faults.corruptStream = true;
    Save(rafDir, "corrupt.raf", BuildRaf(broken));
    broken.faults = {};
    broken.faults.recordCount = 1000;
    Save(rafDir, "records.raf", BuildRaf(broken));

    // Bare Exif blocks, both byte orders, with every kind of sub-block.
    for (bool le : {true, false}) {
        ExifBlockSpec recipe = FujiExifSpec("FinePix S5Pro", le, "RAW FILE COMPRESSOR");
        recipe.ifd0.Rationals(0x013E, {{313, 1000}, {329, 1000}});
        recipe.ifd1.Long(0x0201, 0x200).Long(0x0202, 0x80);
        recipe.exif.Undefined(0x9286, std::vector<uint8_t>(24, 'c'));
        recipe.makerNote.Short(0x1023, 5).Rational(0x1011, 1, 3).Undefined(0x1422, {0, 0, 1, 0});
        Save(exifDir, std::string("block-") + (le ? "II" : "MM") + ".bin", BuildExifBlock(recipe));
    }
    std::printf("%d seed files in %s\n", count, root.c_str());
    return 0;
}
