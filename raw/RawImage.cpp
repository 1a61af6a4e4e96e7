#include "raw/RawImage.h"

#include "platform/core/PassRunner.h"

#include <cstring>
#include <utility>

namespace velmo {

void RawImage::FreeFrames()
{
    mainImage = {};
    secondFrame = {};
    header = {};
    cfaRecords = {};
}

int DetectExrMode(RawImage& img)
{
    int result = 1;
    img.exrBits = 0;
    const std::vector<uint8_t>& header = img.header;
    if (header.size() >= 136) {
        const char* kind = reinterpret_cast<const char*>(header.data()) + 24;
        if (std::memcmp(kind, "2002", 4) == 0) {
            result = 0;
        } else if (std::memcmp(kind, "2201", 4) == 0) {
            uint32_t v;
            std::memcpy(&v, header.data() + 132, 4);
            img.exrBits = 2 + (v == 0 ? 1 : 0);
        } else if (std::memcmp(kind, "2203", 4) == 0) {
            img.exrBits = 2;
            result = 0;
        }
    }
    return result;
}

int ExrFrames(const RawImage& img)
{
    RawImage probe;
    probe.header = img.header;
    return DetectExrMode(probe);
}

void CopyLoadSettings(const RawImage& from, RawImage& to)
{
    to.rafPresets = from.rafPresets;
    to.wbUnit = from.wbUnit;
    to.focalLengthFactor = from.focalLengthFactor;
}

void MoveSampleMaps(RawImage& from, RawImage& to)
{
    to.previewMap1 = std::move(from.previewMap1);
    to.previewMap2 = std::move(from.previewMap2);
    to.fullMap1 = std::move(from.fullMap1);
    to.fullMap2 = std::move(from.fullMap2);
    to.fullWidth = from.fullWidth;
    to.fullHeight = from.fullHeight;
}

RawImage CarryOver(RawImage& from)
{
    RawImage img;
    MoveSampleMaps(from, img);
    CopyLoadSettings(from, img);
    return img;
}

RawImage EmptyImage(int cameraFamily, int fullWidth, int fullHeight)
{
    RawImage img;
    img.cameraFamily = cameraFamily;
    img.previewMap1.assign(kPreviewMapSamples, 0);
    img.previewMap2.assign(kPreviewMapSamples, 0);
    if (fullWidth != 0 || fullHeight != 0) {
        img.fullWidth = fullWidth;
        img.fullHeight = fullHeight;
        const size_t fullSamples = size_t(fullWidth) * size_t(fullHeight + 1) * 3;
        AssignPlane(img.fullMap1, fullSamples, uint16_t(0));
        AssignPlane(img.fullMap2, fullSamples, uint16_t(0));
    }
    return img;
}

void CloseImage(RawImage& img)
{
    img.FreeFrames();
    img.exifLines.clear();
    img.exifIndex = ExifTagIndex{};
}

bool FramesSwappable(const RawImage& img)
{
    return img.secondFrame.size() == img.mainImage.size() && !img.secondFrame.empty();
}

bool SwapFrames(RawImage& img)
{
    if (!FramesSwappable(img))
        return false;
    std::swap(img.mainImage, img.secondFrame);
    // The maps of both preview sizes, so that the full preview shows the
    // same frame as the small one.
    std::swap(img.previewMap1, img.previewMap2);
    std::swap(img.fullMap1, img.fullMap2);
    return true;
}

} // namespace velmo
