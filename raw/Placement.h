// Placement of the file's sensor rows into the document's frames: per layout
// (SuperCCD rows, double-width rows, paired rows, the rotated layout, 16-bit
// Bayer and 8-bit .BAY dumps), one frame or two.
#pragma once

#include "platform/core/Progress.h"
#include "raw/BufferedFile.h"
#include "raw/CameraModels.h"
#include "raw/RafContainer.h"

#include <cstdint>
#include <vector>

namespace velmo {

struct PlacedFrames {
    int width = 0;
    int height = 0;
    // width x (height + 2) pixels of R, G, B plus three spare samples, zero-filled.
    std::vector<uint16_t> main;
    std::vector<uint16_t> second; // empty for one-frame images
    uint16_t maxGreen = 0;        // the largest G of the main frame
    uint16_t minMain = 0;         // the smallest sample of each frame
    uint16_t minSecond = 0;
    double secondUnpackSeconds = 0; // time spent unpacking a second compressed block
};

struct PlacementInput {
    const CameraModelInfo* model = nullptr;
    int rawWidth = 0;
    int rawHeight = 0;
    int frames = 1;           // 1 or 2
    bool doubleWidth = false; // SuperCCD rows of 2W samples (record 0x100)
    bool noSecondFrame = false; // paired rows: the second frame is derived from the first
    bool compressed = false;
    int exrMode = 0;          // Bayer phase: red rows are odd when non-zero
    bool bytesPerSample1 = false; // .BAY: one byte per sample
};

// Allocates a frame of the loader's layout; false when it is too large.
bool AllocateFrame(std::vector<uint16_t>& frame, int width, int height);

// Places the rows read from file (positioned at the raw data) into out.
// A second compressed block is unpacked through raf when two frames need it.
// Rows cut short by the end of the data read as zero. Progress "Loading".
RafStatus PlaceRawData(CBufferedFile& file, const RafContainer* raf, const PlacementInput& in, PlacedFrames& out,
                       IProgress& progress);

} // namespace velmo
