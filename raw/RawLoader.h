// The RAW load: a .RAF file or a .BAY dump turned into a RawImage with the
// camera's rules (EXR modes, dynamic range), the frames placed and
// demosaiced, and the load-time previews and white-balance estimates.
//
// Two steps, so that the caller can keep its open picture while the file is
// read and checked, and let it go only once the file can be read:
//   RawLoader loader(path, bay);
//   if (!loader.Check(previous, tables, progress)) -> loader.Error()
//   ... the caller closes its picture ...
//   if (!loader.Build(maps, tables, progress))     -> loader.Error()
//   RawImage image = loader.TakeImage();
// LoadRawImage runs both at once.
#pragma once

#include "exif/ExifParser.h"
#include "platform/core/Progress.h"
#include "raw/LoadTimings.h"
#include "raw/Placement.h"
#include "raw/RafContainer.h"
#include "raw/RawImage.h"
#include "raw/WhiteBalanceData.h"

#include <string>

namespace velmo {

// Why a load failed: the text the user is told (empty: nothing to tell, as
// after a stop) and what exactly is wrong.
struct RawLoadError {
    std::string message;
    std::string detail;
};

class RawLoader {
public:
    // bay: a headerless .BAY dump rather than a RAF file.
    RawLoader(std::string path, bool bay);

    // Reads and checks the file: the container, the raw data and every frame
    // the header announces. previous gives what a load keeps of the image
    // before it (the white-balance presets with the user's custom row, their
    // unit and the lens factor); tables are read for the maker note's
    // white-balance row. False with Error() set when the file cannot be read.
    bool Check(const RawImage& previous, const FamilyWhiteBalanceTables& tables, IProgress& progress);

    // After Check: places and demosaics the frames and makes the previews
    // into the sample maps taken from maps (moved out of it). The family's
    // auto row of tables is estimated on the way. False with Error() set;
    // the image then holds the sample maps and what the load kept.
    bool Build(RawImage& maps, FamilyWhiteBalanceTables& tables, IProgress& progress);

    // The image built (or, after a failed Build, the maps and kept settings).
    RawImage TakeImage() { return std::move(image); }
    const RawImage& Image() const { return image; }
    const RawLoadError& Error() const { return error; }
    // The frames the file holds as far as the header and the camera's rules
    // tell (1 or 2), and the camera's Exif settings.
    int Frames() const { return frames; }
    const ExifCameraValues& Camera() const { return raf.camera; }
    // Not empty when the file ends inside a frame: the picture was loaded,
    // short, and the user is to be told.
    const std::string& Warning() const { return warning; }
    // Build got past the demosaicing (the sensor type of the image is final).
    bool Demosaiced() const { return demosaiced; }
    // The stages so far; previews covers the preview maps.
    const LoadTimings& Timings() const { return timings; }

private:
    bool Fail(std::string message, std::string detail = {});

    std::string path;
    bool bay;
    RawImage image;
    RafContainer raf;
    PlacementInput in;
    CBufferedFile file;
    int frames = 1;
    std::string warning;
    bool demosaiced = false;
    RawLoadError error;
    LoadTimings timings;
};

// Both steps at once, for a caller with no picture to keep (tests, tools):
// the image built, or the error. previous as for Check; its sample maps are
// reused.
struct RawLoadResult {
    bool loaded = false;
    RawImage image;
    RawLoadError error;
    int frames = 1;
    ExifCameraValues camera;
    std::string warning;
};
RawLoadResult LoadRawImage(const std::string& path, bool bay, RawImage previous, FamilyWhiteBalanceTables& tables,
                           IProgress& progress);

} // namespace velmo
