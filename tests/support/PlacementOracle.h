// Raw data written as the exact inverse of the loader's placement rules.
// Every value placement must put into a frame is computed first, from
// (frame, row, column, colour), and then written at the one place of the file
// that each layout reads it from; every other file sample (margins, skipped
// rows, the rows a layout never reads) carries a filler code of its own file
// position. So the predicted frames hold every placed value, and a sample
// read from the wrong place, or for the wrong colour, shows as a mismatch.
#pragma once

#include "raw/CameraModels.h"
#include "raw/Placement.h"
#include "tests/support/RafBuilder.h"

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

namespace velmo::test {

// The 16-bit sample a file carries for the value that belongs at (row,
// column) of frame (0 main, 1 second) in colour 0 (R), 1 (G) or 2 (B); a
// SuperCCD site's R-or-B sample has the colour of its site ((row + column)
// even: R). Never 0, so that a value that was not read shows as one.
uint16_t PlacementCode(int frame, int row, int column, int colour);
// The same for the 8-bit samples of a .BAY dump (1 .. 255).
uint8_t PlacementCode8(int row, int column, int colour);

// A picture to place instead of the codes: the sample of (frame, row,
// column, colour) as above.
using PlacementScene = std::function<uint16_t(int frame, int row, int column, int colour)>;

// One file to place: the model and what its header and records say.
struct PlacementCase {
    std::string name;            // for test names and messages
    std::string model;           // header model text ("" with bay)
    bool bay = false;            // an 8-bit .BAY dump instead of a RAF file
    bool compressed = false;
    int rawRows = 0;             // raw height of models whose height follows the data length
    int extraSamples = 0;        // samples after the last whole raw row (L not a multiple of a row)
    std::string formatCode;      // "" as the builder chooses ("2201" for S3Pro/S5Pro)
    bool storeSecondFrame = true; // two-frame images: the file holds the second frame
    char exrModeDigit = '1';     // header byte 0x1B of "FinePix S200EXR"
    bool doubleWidth = false;    // SuperCCD: record 0x100 announces rows of twice the raw width
    size_t keepSamples = 0;      // plain files: the file ends after this many samples of raw data
                                 // (0: all of it); placement reads the rest as 0
    PlacementScene scene;        // unset: PlacementCode (.BAY: PlacementCode8)
};

// What placement must produce, in the loader's frame layout (width x
// (height + 2) pixels of R, G, B plus three spare samples, spare rows zero).
struct PlacementPrediction {
    const CameraModelInfo* model = nullptr;
    PlacementInput input;        // what the loader hands to PlaceRawData
    int width = 0;
    int height = 0;
    int exrBits = 0;             // the layout bits the two-frame detection sets
    std::vector<uint16_t> main;
    std::vector<uint16_t> second; // empty for one frame
    uint16_t maxGreen = 0;
    uint16_t minMain = 0;
    uint16_t minSecond = 0;
};

struct PlacementFile {
    std::vector<uint8_t> bytes;  // the whole RAF or .BAY file
    PlacementPrediction expected;
};

// The model row the loader uses for .BAY dumps (2080 x 1546 bytes, Bayer).
const CameraModelInfo& BayDumpModel();

// The recipe whose raw data is the case's inverse placement (for tests
// that change other parts of the file). Fills expected.
RafFileSpec PlacementRecipe(const PlacementCase& c, PlacementPrediction& expected);
// The file of the case and what placing it gives.
PlacementFile BuildPlacementFile(const PlacementCase& c);

} // namespace velmo::test
