// Saving: the output-name rules, the output size of each size mode, the
// crop through the rotation, and the messages of a failed save. The
// document's save routine (CVelmoDoc::OnSaveDocument) uses these; they are
// free functions so that each rule can be checked on its own.
#pragma once

#include "params/OutputOptions.h"
#include "platform/core/Rect.h"

#include <functional>
#include <string>

namespace velmo {

// What the name builder names: an output in the current format or in one of
// the formats (the values are the format codes), or a side file.
enum class OutputFileKind : int {
    CurrentFormat = -1,
    Psd16 = 0,
    Psd8 = 1,
    Tiff16 = 2,
    Tiff8 = 3,
    Jpeg = 4,
    Parameters = -2,      // .VMR
    SelectiveColors = -3, // .VMC
    LensCorrection = -4,  // .VML
    WhiteBalance = -5,    // .VMW
    ToneCurve = -6,       // .VMT
    CropFrame = -7,       // .VMF
};
// The output of a format.
constexpr OutputFileKind FileKindOf(OutputFormat format) { return OutputFileKind(int(format)); }
// Outputs (the current format or a format), as opposed to side files.
constexpr bool IsOutputKind(OutputFileKind kind) { return int(kind) >= -1; }

// "PSD" (Psd16, Psd8), "TIF" (Tiff16, Tiff8), "JPG" (Jpeg), "VMR" ... "VMF"
// (the side files); nullptr for CurrentFormat or any other value.
const char* OutputExtension(OutputFileKind kind);

struct OutputSize {
    int width = 0;
    int height = 0;
};

// The output size of a w x h crop of the demosaiced image: 0 2w x 2h,
// 1 3w/2 x 3h/2, 2 and 8 w x h, 9 3w/4 x 3h/4, 10 w/2 x h/2, 3 and 11 the
// 512 x 384 preview; exchanged when rotate is 1 or 2. 0 x 0 for other modes.
OutputSize OutputSizeFor(int sizeMode, int w, int h, int rotate);

// The name of an output or side file for path:
// 1. CurrentFormat is format;
// 2. a final "." and three letters are dropped;
// 3. outputs in preview-size mode get "_t";
// 4. the kind's extension is appended (PSD for a format out of range);
// 5. except for parameter files, while increment is on and a file
//    of that name exists, "_1", "_2", ... is tried before the extension.
// exists defaults to a test for an existing file.
std::string MakeOutputFileName(const std::string& path, OutputFileKind kind, OutputFormat format, int sizeMode,
                               bool increment, const std::function<bool(const std::string&)>& exists = {});

// The rectangle of the demosaiced image that a save develops.
struct SaveCrop {
    int x = 0, y = 0, width = 0, height = 0;
};

// Maps the crop (left, top, right, bottom in image pixels, display
// orientation) back through the rotation: none x0 = L, y0 = T, x1 = R,
// y1 = B; rotate 1 x0 = T, y0 = H - R - 1, x1 = B, y1 = H - L - 1; rotate 2
// x0 = W - B - 1, y0 = L, x1 = W - T - 1, y1 = R. Negative origins become 0,
// the rectangle is cut to the image, and the size is x1 - x0 by y1 - y0, at
// least 0. Without a crop it is the whole image.
SaveCrop CropForSave(const Rect& crop, bool hasCrop, int rotate, int imageWidth, int imageHeight);

// The status-bar text of a finished save: name, " was saved." and the time.
std::string SavedText(const std::string& name, double seconds);

// Texts shown when a save cannot produce a file.
extern const char kSaveLensEmptyText[];
extern const char kSaveOutOfMemoryText[];

} // namespace velmo
