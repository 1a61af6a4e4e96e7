// The rules of saving: output names, output sizes, the crop through the
// rotation and the texts of a save.
#include "develop/output/SaveDocument.h"

#include "raw/PreviewSize.h"
#include "res/StringTable.h"

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <sys/stat.h>

namespace velmo {

const char kSaveLensEmptyText[] =
    "The lens correction leaves no picture in the area to save.\nNothing was written.";
const char kSaveOutOfMemoryText[] = "There is not enough memory to develop the image.\nNothing was written.";

namespace {

constexpr unsigned kWasSavedString = 61219; // " was saved."

bool FileExists(const std::string& path)
{
    struct stat st;
    return ::stat(path.c_str(), &st) == 0;
}

bool IsAsciiLetter(char c)
{
    return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z');
}

} // namespace

const char* OutputExtension(OutputFileKind kind)
{
    using K = OutputFileKind;
    switch (kind) {
    case K::Psd16: case K::Psd8: return "PSD";
    case K::Tiff16: case K::Tiff8: return "TIF";
    case K::Jpeg: return "JPG";
    case K::Parameters: return "VMR";
    case K::SelectiveColors: return "VMC";
    case K::LensCorrection: return "VML";
    case K::WhiteBalance: return "VMW";
    case K::ToneCurve: return "VMT";
    case K::CropFrame: return "VMF";
    case K::CurrentFormat: break;
    }
    return nullptr;
}

OutputSize OutputSizeFor(int sizeMode, int w, int h, int rotate)
{
    int64_t ow = 0, oh = 0;
    const int64_t W = std::max(w, 0), H = std::max(h, 0);
    switch (sizeMode) {
    case 0: ow = 2 * W; oh = 2 * H; break;
    case 1: ow = 3 * W / 2; oh = 3 * H / 2; break;
    case 2: case 8: ow = W; oh = H; break;
    case 9: ow = 3 * W / 4; oh = 3 * H / 4; break;
    case 10: ow = W / 2; oh = H / 2; break;
    case 3: case 11: ow = kPreviewWidth; oh = kPreviewHeight; break;
    default: return {};
    }
    if (ow > INT32_MAX || oh > INT32_MAX)
        return {};
    OutputSize s{int(ow), int(oh)};
    if (rotate == 1 || rotate == 2)
        std::swap(s.width, s.height);
    return s;
}

std::string MakeOutputFileName(const std::string& path, OutputFileKind kind, OutputFormat format, int sizeMode,
                               bool increment, const std::function<bool(const std::string&)>& exists)
{
    if (kind == OutputFileKind::CurrentFormat)
        kind = FileKindOf(format);
    const char* ext = OutputExtension(kind);
    if (!ext)
        ext = OutputExtension(OutputFileKind::Psd16);
    std::string stem = path;
    const size_t n = stem.size();
    if (n > 4 && stem[n - 4] == '.' && IsAsciiLetter(stem[n - 3]) && IsAsciiLetter(stem[n - 2]) &&
        IsAsciiLetter(stem[n - 1]))
        stem.resize(n - 4);
    if (IsOutputKind(kind) && IsPreviewSizeMode(sizeMode))
        stem += "_t";
    std::string name = stem + "." + ext;
    if (kind == OutputFileKind::Parameters || !increment)
        return name;
    const auto& test = exists ? exists : std::function<bool(const std::string&)>(FileExists);
    for (int counter = 1; test(name) && counter < 1000000; ++counter) {
        char suffix[32];
        std::snprintf(suffix, sizeof suffix, "_%d.", counter);
        name = stem + suffix + ext;
    }
    return name;
}

SaveCrop CropForSave(const Rect& crop, bool hasCrop, int rotate, int imageWidth, int imageHeight)
{
    const int64_t W = std::max(imageWidth, 0), H = std::max(imageHeight, 0);
    if (!hasCrop)
        return {0, 0, int(W), int(H)};
    const int64_t L = crop.left, T = crop.top, R = crop.right, B = crop.bottom;
    int64_t x0, y0, x1, y1;
    switch (rotate) {
    case 1: x0 = T; y0 = H - R - 1; x1 = B; y1 = H - L - 1; break;
    case 2: x0 = W - B - 1; y0 = L; x1 = W - T - 1; y1 = R; break;
    default: x0 = L; y0 = T; x1 = R; y1 = B; break;
    }
    x0 = std::clamp<int64_t>(x0, 0, W);
    y0 = std::clamp<int64_t>(y0, 0, H);
    x1 = std::min(x1, W);
    y1 = std::min(y1, H);
    SaveCrop c;
    c.x = int(x0);
    c.y = int(y0);
    c.width = int(std::max<int64_t>(x1 - x0, 0));
    c.height = int(std::max<int64_t>(y1 - y0, 0));
    return c;
}

std::string SavedText(const std::string& name, double seconds)
{
    char time[48];
    std::snprintf(time, sizeof time, "(%.2fsec.)", seconds);
    std::string text = name;
    text += LoadString(kWasSavedString);
    text += time;
    return text;
}

} // namespace velmo
