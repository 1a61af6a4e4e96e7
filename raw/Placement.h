// Placement of the file's sensor rows into the document's frames: per layout
// (SuperCCD rows, double-width rows, paired rows, the rotated layout, 16-bit
// Bayer and 8-bit .BAY dumps), one frame or two.
#pragma once

#include "platform/core/Progress.h"
#include "raw/BufferedFile.h"
#include "raw/CameraModels.h"
#include "raw/RafContainer.h"

#include <cstdint>
#include <string>
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

// What the file holds of the frames its header announces, beyond the first
// (OpenRawData has checked that one).
enum class FrameDataStatus {
    Complete,
    // A later frame of a plain file begins in the file, but the file ends
    // inside it: its rows read short (what is missing reads as 0).
    Short,
    // A later frame has no data in the file, its compressed block lies
    // outside the file, or the directory gives it less than a frame.
    Missing,
};

struct FrameDataCheck {
    FrameDataStatus status = FrameDataStatus::Complete;
    int frame = 0;      // the frame concerned, 1 for the first (0 when complete)
    std::string detail; // what exactly is missing (logs, velmo-bench info)
};

// Checks every frame that placing in (its frames, layout and compression)
// reads against the file and its directory.
FrameDataCheck CheckFrameData(const RafContainer& raf, const PlacementInput& in);

// The message for a frame check that is not Complete: a missing frame
// refuses the file, a short one is a warning (the picture is kept).
std::string FrameDataMessage(const FrameDataCheck& check, const std::string& path);

// Allocates a frame of the loader's layout; false when it is too large.
bool AllocateFrame(std::vector<uint16_t>& frame, int width, int height);

// Places the rows read from file (positioned at the raw data) into out.
// A second compressed block is unpacked through raf when two frames need it.
// Rows cut short by the end of the data read as zero. Progress "Loading".
RafStatus PlaceRawData(CBufferedFile& file, const RafContainer* raf, const PlacementInput& in, PlacedFrames& out,
                       IProgress& progress);

} // namespace velmo
