// Files for the RAW load's tests, shared by the loader's tests (tests/raw)
// and the document's (tests/document): flat fields of each sensor layout,
// the dynamic-range rules of the S200EXR and S100FS and broken sizes.
#pragma once

#include "raw/RafContainer.h"
#include "support/PlacementOracle.h"
#include "support/RafBuilder.h"

#include <gtest/gtest.h>

#include <array>
#include <functional>
#include <ostream>
#include <string>
#include <utility>
#include <vector>

namespace velmo::test {

// Every pixel of a frame (width x height, R, G, B) holds rgb.
inline ::testing::AssertionResult Flat(const char* what, const std::vector<uint16_t>& frame, int width, int height,
                                const uint16_t (&rgb)[3])
{
    if (frame.size() < size_t(width) * size_t(height) * 3)
        return ::testing::AssertionFailure() << what << ": only " << frame.size() << " samples";
    for (int r = 0; r < height; ++r)
        for (int c = 0; c < width; ++c)
            for (int ch = 0; ch < 3; ++ch) {
                const uint16_t v = frame[(size_t(r) * size_t(width) + size_t(c)) * 3 + size_t(ch)];
                if (v != rgb[ch])
                    return ::testing::AssertionFailure() << what << " (row " << r << ", column " << c << ", channel "
                                                         << ch << "): " << v << ", expected " << rgb[ch];
            }
    return ::testing::AssertionSuccess();
}

inline test::PlacementScene FlatScene(const uint16_t (&values)[2][3])
{
    const std::array<std::array<uint16_t, 3>, 2> v{{{values[0][0], values[0][1], values[0][2]},
                                                     {values[1][0], values[1][1], values[1][2]}}};
    return [v](int frame, int, int, int colour) { return v[size_t(frame)][size_t(colour)]; };
}

struct FlatCase {
    const char* name;
    test::PlacementCase file;
    uint16_t values[2][3];      // R, G, B of the file's first and second frame
    uint16_t main[3];           // the main image after the load
    uint16_t second[3];         // the second frame after the load (none: all 0)
    int white;
    int peak;                   // the largest G of the main frame as placed (the file's first frame)
    int sizeFactor;             // 2 when the EXR SN rebuild doubles the size
};

inline void PrintTo(const FlatCase& c, std::ostream* os) { *os << c.name; }

inline test::PlacementCase File(const char* model, int rawRows, bool compressed = false, char digit = '1')
{
    test::PlacementCase c;
    c.name = model;
    c.model = model;
    c.rawRows = rawRows;
    c.compressed = compressed;
    c.exrModeDigit = digit;
    return c;
}

inline test::PlacementCase Derived(test::PlacementCase c)
{
    c.storeSecondFrame = false;
    return c;
}

inline test::PlacementCase Bay()
{
    test::PlacementCase c;
    c.name = "BAY";
    c.bay = true;
    return c;
}

// The black level of 512 turns 300 into 0 and 700 into 188, and the white
// level 16384 into 15872; an EXR DR shot ends with the file's second frame
// as the main image; the derived S5Pro frame is the main image / 16.
inline const FlatCase kFlatCases[] = {
    {"S200EXRMode1", File("FinePix S200EXR", 18), {{300, 700, 5000}, {}}, {0, 188, 4488}, {}, 15872, 188, 1},
    {"S200EXRMode2", File("FinePix S200EXR", 18, true, '2'), {{300, 700, 5000}, {1000, 2000, 3000}},
     {488, 1488, 2488}, {0, 188, 4488}, 15872, 188, 1},
    {"S200EXRMode3", File("FinePix S200EXR", 18, false, '3'), {{900, 1800, 2700}, {900, 1800, 2700}},
     {388, 1288, 2188}, {}, 15872, 1288, 2},
    {"S100FS", File("FinePix S100FS", 22), {{300, 700, 5000}, {}}, {0, 188, 4488}, {}, 15872, 188, 1},
    {"S2Pro", File("FinePixS2Pro", 0), {{1000, 2000, 3000}, {}}, {1000, 2000, 3000}, {}, 4096, 2000, 1},
    {"S5500", File("FinePix S5500", 22), {{1000, 2000, 3000}, {}}, {1000, 2000, 3000}, {}, 16384, 2000, 1},
    {"S5ProDerivedSecond", Derived(File("FinePix S5Pro", 0)), {{4000, 8000, 2000}, {}}, {4000, 8000, 2000},
     {250, 500, 125}, 16384, 8000, 1},
    {"S20ProCompressed", File("FinePix S20Pro", 16, true), {{4000, 8000, 2000}, {300, 600, 150}},
     {4000, 8000, 2000}, {300, 600, 150}, 16384, 8000, 1},
    {"BayDump", Bay(), {{50, 100, 150}, {}}, {50, 100, 150}, {}, 255, 100, 1},
};

struct DrCase {
    const char* name;
    const char* model;
    char digit;
    int iso;                 // tag 0x8827
    std::vector<std::pair<uint16_t, uint32_t>> makerNote; // tags 0x1402, 0x1403, 0x140B
    int exrMode, drShift, exrExtra;
    bool secondFrame;        // after the load
};

inline void PrintTo(const DrCase& c, std::ostream* os) { *os << c.name; }

inline const DrCase kDrCases[] = {
    {"S200EXRHr100", "FinePix S200EXR", '1', 100, {{0x1403, 100}}, 1, 0, 0, false},
    {"S200EXRHr200", "FinePix S200EXR", '1', 100, {{0x1403, 200}}, 1, 1, 0, false},
    {"S200EXRHr400", "FinePix S200EXR", '1', 100, {{0x1403, 400}}, 1, 2, 0, false},
    {"S200EXRHr800", "FinePix S200EXR", '1', 100, {{0x1403, 800}}, 1, 4, 0, false},
    {"S200EXRSettingFrom140B", "FinePix S200EXR", '1', 100, {{0x140B, 400}}, 1, 2, 0, false},
    {"S200EXR1403Before140B", "FinePix S200EXR", '1', 100, {{0x1403, 200}, {0x140B, 800}}, 1, 1, 0, false},
    {"S200EXRDrIso100Setting200", "FinePix S200EXR", '2', 100, {{0x1403, 200}}, 2, 0, 8, true},
    {"S200EXRDrIso200Setting200", "FinePix S200EXR", '2', 200, {{0x1403, 200}}, 2, 0, 4, true},
    {"S200EXRDrSetting800", "FinePix S200EXR", '2', 100, {{0x1403, 800}}, 2, 1, 4, true},
    {"S200EXRSn400", "FinePix S200EXR", '3', 400, {{0x1403, 400}}, 3, 2, 0, false},
    {"S200EXROtherDigit", "FinePix S200EXR", '7', 100, {{0x1403, 800}}, 1, 0, 0, false},
    // Values beyond any camera's are not taken over as numbers.
    {"S200EXRHugeSetting", "FinePix S200EXR", '1', 100, {{0x1403, 0xFFFFFFFFu}}, 1, 0, 0, false},
    {"S100FSManual100", "FinePix S100FS", '1', 400, {{0x1402, 1}, {0x1403, 100}}, 0, 0, 0, false},
    {"S100FSManual200", "FinePix S100FS", '1', 400, {{0x1402, 1}, {0x1403, 200}}, 0, 1, 0, false},
    {"S100FSManual400", "FinePix S100FS", '1', 100, {{0x1402, 1}, {0x1403, 400}}, 0, 2, 0, false},
    {"S100FSIso3200", "FinePix S100FS", '1', 3200, {{0x1402, 0}}, 0, 0, 0, false},
    {"S100FSIso100", "FinePix S100FS", '1', 100, {}, 0, 0, 0, false},
    {"S100FSIso200", "FinePix S100FS", '1', 200, {}, 0, 1, 0, false},
    {"S100FSIso400", "FinePix S100FS", '1', 400, {}, 0, 2, 0, false},
    {"S100FSFilmMode", "FinePix S100FS", '1', 400, {{0x1402, 32768}}, 0, 2, 0, false},
    {"S100FSHugeIso", "FinePix S100FS", '1', -1, {}, 0, 2, 0, false},
};

struct BrokenCase {
    const char* name;
    std::function<void(test::RafFileSpec&)> edit;
    RafError error;
};

inline const BrokenCase kBrokenSizes[] = {
    {"less than one raw row",
     [](test::RafFileSpec& s) {
         s.model = "FinePix S7000";
         s.frames = {std::vector<uint16_t>(4000, 100)};
     },
     RafError::RawDataMissing},
    {"margins taller than the data",
     [](test::RafFileSpec& s) {
         s.model = "FinePix S5000";
         s.rawRows = 3;
     },
     RafError::RawDataMissing},
    {"odd height", [](test::RafFileSpec& s) { s.rawRows = 15; }, RafError::RawDataMissing},
    {"odd height, compressed",
     [](test::RafFileSpec& s) {
         s.model = "FinePix S9000";
         s.compressed = true;
         s.rawRows = 9;
     },
     RafError::RawDataMissing},
    {"odd height after the EXR margins",
     [](test::RafFileSpec& s) {
         s.model = "FinePix S200EXR";
         s.rawRows = 5;
     },
     RafError::RawDataMissing},
    {"odd height of a two-frame EXR shot",
     [](test::RafFileSpec& s) {
         s.model = "FinePix S200EXR";
         s.exrModeDigit = '3';
         s.rawRows = 7;
     },
     RafError::RawDataMissing},
    {"data length beyond the file", [](test::RafFileSpec& s) { s.faults.directory[0x68] = 0x7FFFFFF0; },
     RafError::RawDataMissing},
    {"file cut inside the rows the data length claims",
     [](test::RafFileSpec& s) {
         s.rawRows = 40;
         s.faults.patch = [](std::vector<uint8_t>& b, const test::RafLayout& at) {
             b.resize(at.dataOffset + at.dataLength / 4);
         };
     },
     RafError::RawDataMissing},
    {"length word larger than the stream",
     [](test::RafFileSpec& s) {
         s.compressed = true;
         s.faults.lengthWord = 7616 * 20;
     },
     RafError::UnpackFailed},
    {"huge length word",
     [](test::RafFileSpec& s) {
         s.compressed = true;
         s.faults.lengthWord = 0xFFFFFFF0u;
     },
     RafError::UnpackFailed},
    {"fixed height with stripped data",
     [](test::RafFileSpec& s) {
         s.model = "FinePix S5Pro";
         s.frames = {std::vector<uint16_t>(11, 7), std::vector<uint16_t>(11, 8)};
     },
     RafError::RawDataMissing},
};

// The recipe of a dynamic-range case.
inline test::RafFileSpec DrRecipe(const DrCase& c)
{
    test::RafFileSpec recipe;
    recipe.model = c.model;
    recipe.exrModeDigit = c.digit;
    recipe.rawRows = c.model == std::string("FinePix S100FS") ? 16 : 18;
    test::ExifBlockSpec exif = test::FujiExifSpec(c.model, true, std::string("Digital Camera ") + c.model + " Ver1.00");
    exif.exif.Remove(0x8827);
    if (c.iso >= 0)
        exif.exif.Short(0x8827, uint16_t(c.iso));
    else
        exif.exif.Long(0x8827, 0xFFFFFFFFu);
    for (const auto& [tag, value] : c.makerNote) {
        if (value > 0xFFFF)
            exif.makerNote.Long(tag, value);
        else
            exif.makerNote.Short(tag, uint16_t(value));
    }
    recipe.exif = exif;
    return recipe;
}

// The recipe a broken case starts from: a plain S5600 file.
inline test::RafFileSpec BrokenRecipe(const BrokenCase& c)
{
    test::RafFileSpec recipe;
    recipe.model = "FinePix S5600";
    recipe.rawRows = 16;
    c.edit(recipe);
    return recipe;
}

} // namespace velmo::test
