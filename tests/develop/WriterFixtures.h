// Shared inputs of the writer tests: a picture whose every sample is known,
// the rotation the writers must apply, and a camera Exif block laid out as
// in a RAF header (APP1 segment, IFD1 thumbnail entries, zero padding to
// the header's 4096 bytes).
#pragma once

#include "develop/output/OutputImage.h"
#include "exif/ExifParser.h"
#include "support/ExifBuilder.h"
#include "support/ExternalTool.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

namespace velmo::test {

// Smooth ramps (so that JPEG keeps them close) with low bytes that differ
// from sample to sample (so that 16-bit paths are checked exactly).
inline std::vector<uint16_t> RampPicture(int w, int h)
{
    std::vector<uint16_t> rgb(size_t(w) * size_t(h) * 3);
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x) {
            uint16_t* p = rgb.data() + (size_t(y) * size_t(w) + size_t(x)) * 3;
            p[0] = uint16_t(2000 + x * 60000 / std::max(w - 1, 1) + (x * 7 + y) % 97);
            p[1] = uint16_t(3000 + y * 58000 / std::max(h - 1, 1) + (x + y * 5) % 89);
            p[2] = uint16_t(40000 - (x + y) * 30000 / std::max(w + h - 2, 1) + (x * 3 + y * 11) % 83);
        }
    return rgb;
}

// The output (display) picture of an unrotated w x h source turned by
// rotate: 1 turns right (the first output row is the first source column
// read from the bottom up), 2 turns left.
inline std::vector<uint16_t> Turned(const std::vector<uint16_t>& src, int w, int h, int rotate, int* outW,
                                    int* outH)
{
    if (rotate == 0) {
        *outW = w;
        *outH = h;
        return src;
    }
    *outW = h;
    *outH = w;
    std::vector<uint16_t> out(src.size());
    for (int oy = 0; oy < w; ++oy)
        for (int ox = 0; ox < h; ++ox) {
            const int sx = rotate == 1 ? oy : w - 1 - oy;
            const int sy = rotate == 1 ? h - 1 - ox : ox;
            for (int c = 0; c < 3; ++c)
                out[(size_t(oy) * size_t(h) + size_t(ox)) * 3 + size_t(c)] =
                    src[(size_t(sy) * size_t(w) + size_t(sx)) * 3 + size_t(c)];
        }
    return out;
}

inline std::vector<uint16_t> HighBytes(const std::vector<uint16_t>& v)
{
    std::vector<uint16_t> out(v.size());
    for (size_t i = 0; i < v.size(); ++i)
        out[i] = uint16_t(v[i] >> 8);
    return out;
}

// A camera Exif block inside a 4096-byte header buffer, and the parser's
// index of it.
struct CameraExifFixture {
    std::vector<uint8_t> buffer;
    ExifTagIndex index;
    size_t exifOffset = 0; // of "Exif" in buffer

    ExifSource Source() const { return {buffer, &index}; }
};

struct CameraExifRecipe {
    bool littleEndian = true;
    bool thumbnailEntries = true;  // IFD1 JpegInterchangeFormat and its length
    bool widthEntry = true;        // ExifImageWidth in the Exif IFD
    size_t thumbnailBytes = 300;   // camera thumbnail bytes after the block
    size_t bufferSize = 4096;
    // Edits of the block before it is placed (an IFD0 entry pointing out, ...).
    void (*edit)(ExifBlockSpec&) = nullptr;
};

inline CameraExifFixture MakeCameraExif(const CameraExifRecipe& r = {})
{
    ExifBlockSpec recipe = FujiExifSpec("FinePix S5Pro", r.littleEndian, "Digital Camera FinePix S5Pro Ver1.06");
    if (!r.widthEntry)
        recipe.exif.Remove(0xA002);
    if (r.thumbnailEntries) {
        recipe.ifd1.Raw(0x0201, kExifLong, 1, 0);
        recipe.ifd1.Long(0x0202, uint32_t(r.thumbnailBytes));
    }
    if (r.edit)
        r.edit(recipe);
    std::vector<uint8_t> block = BuildExifBlock(recipe);
    if (r.thumbnailEntries) {
        // The thumbnail begins right after the block (offsets from the TIFF header).
        recipe.ifd1.Find(0x0201)->valueField = uint32_t(block.size() - 6);
        block = BuildExifBlock(recipe);
    }
    CameraExifFixture f;
    const size_t app1Length = 2 + block.size() + r.thumbnailBytes;
    f.buffer = {0xFF, 0xD8, 0xFF, 0xE1, uint8_t(app1Length >> 8), uint8_t(app1Length)};
    f.exifOffset = f.buffer.size();
    f.buffer.insert(f.buffer.end(), block.begin(), block.end());
    for (size_t i = 0; i < r.thumbnailBytes; ++i)
        f.buffer.push_back(i < 2 ? (i == 0 ? 0xFF : 0xD8) : uint8_t(i * 31));
    f.buffer.resize(std::max(f.buffer.size(), r.bufferSize), 0);
    f.buffer.resize(r.bufferSize);
    ExifTextLines lines;
    ExifCameraValues camera;
    f.index.Clear();
    ParseExif(f.buffer, lines, f.index, camera);
    return f;
}

// Records every progress report.
class RecordingProgress final : public IProgress {
public:
    int Report(int percent, const char* label) override
    {
        calls.emplace_back(percent, label ? label : "");
        return 0;
    }
    std::vector<std::pair<int, std::string>> calls;
};

// Skips the test when a reader is not installed (cmake/install-deps.sh installs them).
#define VELMO_REQUIRE_TOOL(name)                                                   \
    do {                                                                           \
        if (!::velmo::test::HasTool(name))                                         \
            GTEST_SKIP() << name << " is not installed (cmake/install-deps.sh)";   \
    } while (0)

} // namespace velmo::test
