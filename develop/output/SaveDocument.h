// Saving: the output-name rules, the output size of each size mode, the
// crop through the rotation, and the messages of a failed save. The
// document's save routine (CVelmoDoc::OnSaveDocument) uses these; they are
// free functions so that each rule can be checked on its own.
#pragma once

#include "platform/core/Rect.h"

#include <functional>
#include <string>

namespace velmo {

// Output formats (OutputOptions::format) and the side-file kinds that share
// the name builder.
enum OutputKind : int {
    kKindCurrentFormat = -1,
    kKindParameters = -2,     // .VMR
    kKindSelectiveColors = -3, // .VMC
    kKindLensCorrection = -4, // .VML
    kKindWhiteBalance = -5,   // .VMW
    kKindToneCurve = -6,      // .VMT
    kKindCropFrame = -7,      // .VMF
};

// "PSD" (0, 1), "TIF" (2, 3), "JPG" (4), "VMR" ... "VMF" (-2 ... -7);
// nullptr for any other kind.
const char* OutputExtension(int kind);

inline bool IsPreviewSizeMode(int sizeMode) { return (sizeMode & 7) == 3; }

struct OutputSize {
    int width = 0;
    int height = 0;
};

// The output size of a w x h crop of the demosaiced image: 0 2w x 2h,
// 1 3w/2 x 3h/2, 2 and 8 w x h, 9 3w/4 x 3h/4, 10 w/2 x h/2, 3 and 11 the
// 512 x 384 preview; exchanged when rotate is 1 or 2. 0 x 0 for other modes.
OutputSize OutputSizeFor(int sizeMode, int w, int h, int rotate);

// The name of an output or side file for path:
// 1. kind -1 is the current format;
// 2. a final "." and three letters are dropped;
// 3. outputs (kind >= 0) in preview-size mode get "_t";
// 4. the kind's extension is appended;
// 5. except for parameter files (kind -2), while increment is on and a file
//    of that name exists, "_1", "_2", ... is tried before the extension.
// exists defaults to a test for an existing file.
std::string MakeOutputFileName(const std::string& path, int kind, int format, int sizeMode, bool increment,
                               const std::function<bool(const std::string&)>& exists = {});

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
