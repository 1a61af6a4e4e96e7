// Writes RAF files for tests and benchmarks, laid out as the cameras write
// them: the header with the magic, the format code and the model, the offset
// directory, an embedded JPEG carrying an Exif block with a FUJIFILM maker
// note, the CFA header records and the raw data, plain or bzip2-compressed
// (a length word, little-endian for "FinePix S5000", then the stream), with a
// second compressed block for two-frame files. Broken files on request.
#pragma once

#include "raw/CameraModels.h"
#include "tests/support/ExifBuilder.h"

#include <array>
#include <cstdint>
#include <functional>
#include <map>
#include <optional>
#include <string>
#include <utility>
#include <vector>

namespace velmo::test {

struct RafLayout;

using PresetWords = std::array<uint16_t, 4>; // G, R, G, B as the reader stores them

// Ways to break a file.
struct RafFaults {
    std::optional<uint64_t> truncateTo;          // cut the finished file
    std::optional<uint32_t> recordCount;         // the count word of the CFA header records
    std::optional<uint32_t> customCount;         // the count word of record 0x2F00
    std::optional<uint16_t> lastRecordSize;      // the size field of the last record
    std::optional<uint32_t> lengthWord;          // the compressed data's length word
    bool corruptStream = false;                  // damage the middle of the first bzip2 stream
    bool cutStream = false;                      // drop the end of the first stream (no end marker)
    std::map<size_t, uint32_t> directory;        // header offset (0x54 ... 0x8C) -> value written
    // The last edit of the whole file, knowing where things are.
    std::function<void(std::vector<uint8_t>&, const RafLayout&)> patch;
};

struct RafFileSpec {
    // Header model field; the model table row it selects decides the defaults below.
    std::string model = "FinePix S5600";
    std::string formatCode;          // "" = "2201" for the two-frame-detecting models, else "2001"
    char exrModeDigit = '1';         // header byte 0x1B for "FinePix S200EXR"

    // Exif block of the embedded JPEG. exif unset: FujiExifSpec(model, exifLittleEndian, software).
    bool exifLittleEndian = true;
    std::optional<std::string> software; // unset: "RAW FILE COMPRESSOR Ver1.00" when compressed,
                                         // else "Digital Camera <model> Ver1.00"
    std::optional<ExifBlockSpec> exif;
    bool writeExif = true;

    // The embedded preview.
    int previewWidth = 32;
    int previewHeight = 24;
    int previewComponents = 3;        // 1 grey, 3 RGB, 4 CMYK
    std::vector<uint8_t> previewPixels; // empty: GradientPicture
    int previewQuality = 95;

    // CFA header records.
    bool writeDimensionRecord = true;
    std::optional<uint16_t> recordWidth;  // record 0x100; unset: twice the raw width for paired rows
    std::map<uint16_t, PresetWords> presets = DefaultPresets();
    std::vector<PresetWords> customWhiteBalances; // record 0x2F00 when not empty (row words)
    std::optional<uint16_t> unitWord;     // record 0x9700's first word (no record when unset)
    // Records the reader skips, as cameras write them.
    std::vector<std::pair<uint16_t, std::vector<uint8_t>>> extraRecords = {{0x111, {0x05, 0x90, 0x10, 0xA0}},
                                                                            {0x121, {0x05, 0xA0, 0x10, 0xC0}}};

    // Raw data: the u16 samples of each frame in file order. Empty: frames of
    // DefaultFrame for the model. Plain files store the frames one after the
    // other (the second frame's place goes to directory entries 12 and 13);
    // compressed files store frame 0 in the first block and frame 1 in the
    // second block.
    bool compressed = false;
    std::vector<std::vector<uint16_t>> frames;
    int frameCount = 0;   // for the default frames; 0: as the model and format code say
    int rawRows = 16;     // raw height for the default frames of models whose height follows the data length
    std::optional<bool> bigEndianSamples; // unset: big-endian only for the rotated layout

    RafFaults faults;

    static std::map<uint16_t, PresetWords> DefaultPresets();
};

// Where the builder put things (byte offsets in the file).
struct RafLayout {
    size_t jpegOffset = 0, jpegLength = 0;
    size_t exifOffset = 0;            // of "Exif" in the file (0 without Exif)
    size_t recordsOffset = 0, recordsLength = 0;
    size_t dataOffset = 0, dataLength = 0;
    size_t secondOffset = 0, secondLength = 0;
    uint32_t unpackedLength = 0;      // bytes of frame 0 (the CFA data length L)
};

std::vector<uint8_t> BuildRaf(const RafFileSpec& recipe, RafLayout* layout = nullptr);
bool WriteRaf(const std::string& path, const RafFileSpec& recipe, RafLayout* layout = nullptr);
bool WriteFile(const std::string& path, const std::vector<uint8_t>& bytes);

// The model row of recipe.model (nullptr for unknown models).
const CameraModelInfo* SpecModel(const RafFileSpec& recipe);
// Frames of a file of that recipe when recipe.frames is empty.
int DefaultFrameCount(const RafFileSpec& recipe);
// A frame of samples covering the whole CFA data of the model: rawRows raw
// rows for models whose height follows the data length, the fixed height
// otherwise. Values follow a pattern that depends on the frame index.
std::vector<uint16_t> DefaultFrame(const CameraModelInfo& model, int rawRows, int frameIndex);

// The model texts of every row of the model table (one per name).
std::vector<std::string> AllModelNames();

} // namespace velmo::test
