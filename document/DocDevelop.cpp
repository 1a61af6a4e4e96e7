// The document's side of development: making the run context, developing
// regions and full-size rectangles of its image and rebuilding EXR
// signal-to-noise shots.
#include "develop/passes/DevelopFull.h"
#include "develop/passes/DevelopRegion.h"
#include "document/VelmoDoc.h"
#include "raw/InterpolateExr.h"

namespace velmo {

DevelopImageInfo CVelmoDoc::ImageInfo() const
{
    DevelopImageInfo info;
    info.family = &FamilyTable();
    info.presets = &rafPresets;
    info.wbUnit = wbUnit;
    info.drShift = drShift;
    info.whiteLevel = whiteLevel;
    info.maxGreen = maxGreen;
    info.exrBits = exrBits;
    info.exrMode = exrMode;
    info.exrExtra = exrExtra;
    info.bayer = bayerFlag != 0;
    info.hasSecondFrame = !secondFrame.empty();
    return info;
}

DevelopContext CVelmoDoc::PrepareDevelopment(const DevParams& record) const
{
    return MakeDevelopContext(record, edit, ImageInfo(), outputOptions.sizeMode, developTables);
}

DevelopContext CVelmoDoc::PrepareDevelopment() const
{
    return PrepareDevelopment(edit.Params());
}

bool CVelmoDoc::InterpolateExr(IProgress& progress)
{
    if (imageWidth <= 0 || imageHeight <= 0)
        return false;
    const uint64_t samples = uint64_t(imageWidth) * uint64_t(imageHeight) * 3;
    if (mainImage.size() < samples || secondFrame.size() < samples)
        return false;
    std::vector<uint16_t> plane = InterpolateExrPlanes(mainImage, secondFrame, imageWidth, imageHeight, progress);
    if (plane.empty())
        return false;
    mainImage = std::move(plane);
    secondFrame.clear();
    secondFrame.shrink_to_fit();
    imageWidth *= 2;
    imageHeight *= 2;
    return true;
}

std::vector<uint16_t> CVelmoDoc::DevelopRegion(int x, int y, int w, int h, int outW, int outH, IProgress* progress,
                                               DevelopStatus* status) const
{
    DevelopStatus st = DevelopStatus::OutOfMemory;
    RgbPlane result;
    try {
        const DevelopContext ctx = PrepareDevelopment();
        RegionSource source;
        source.sPlane = mainImage;
        source.rPlane = secondFrame;
        source.width = imageWidth;
        source.height = imageHeight;
        source.whiteLevel = whiteLevel != 0 ? whiteLevel : ctx.whiteLevel;
        source.bayer = bayerFlag != 0;
        RegionRect rect{x, y, w, h, outW, outH};
        st = ::velmo::DevelopRegion(source, rect, outputOptions.sizeMode, ctx, progress ? *progress : NoProgress(),
                                    result);
    } catch (const std::bad_alloc&) {
        result = RgbPlane{};
    }
    if (status)
        *status = st;
    return std::move(result.rgb);
}

DevelopStatus CVelmoDoc::DevelopFull(const DevelopContext& ctx, int x, int y, int w, int h, RgbPlane& image,
                                     IProgress* progress) const
{
    RegionSource source;
    source.sPlane = mainImage;
    source.rPlane = secondFrame;
    source.width = imageWidth;
    source.height = imageHeight;
    source.whiteLevel = whiteLevel != 0 ? whiteLevel : ctx.whiteLevel;
    source.bayer = bayerFlag != 0;
    return ::velmo::DevelopFull(source, FullRect{x, y, w, h}, ctx, progress ? *progress : Host().LoadProgress(),
                                image);
}

DevelopStatus CVelmoDoc::DevelopFull(int x, int y, int w, int h, RgbPlane& image, IProgress* progress) const
{
    image = RgbPlane{};
    if (!HasImage())
        return DevelopStatus::InvalidInput;
    try {
        const DevelopContext ctx = PrepareDevelopment();
        return DevelopFull(ctx, x, y, w, h, image, progress);
    } catch (const std::bad_alloc&) {
        image = RgbPlane{};
        return DevelopStatus::OutOfMemory;
    }
}

} // namespace velmo
