// Writes seed corpora for the fuzzers with the test-file builders:
//   FuzzSeeds DIR  ->  DIR/raf/* (whole RAF files) and DIR/exif/* (Exif buffers)
#include "tests/support/ExifBuilder.h"
#include "tests/support/RafBuilder.h"

#include <cstdio>
#include <filesystem>
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

} // namespace

int main(int argc, char** argv)
{
    if (argc != 2) {
        std::fprintf(stderr, "usage: FuzzSeeds DIR\n");
        return 2;
    }
    const std::string root = argv[1];
    const std::string rafDir = root + "/raf", exifDir = root + "/exif";
    std::filesystem::create_directories(rafDir);
    std::filesystem::create_directories(exifDir);

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
