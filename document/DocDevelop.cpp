// The document's side of development: making the run context, developing
// regions and full-size rectangles of its image and rebuilding EXR
// signal-to-noise shots.
#include "develop/passes/DevelopFull.h"
#include "develop/passes/DevelopRegion.h"
#include "document/VelmoDoc.h"

namespace velmo {

DevelopImageInfo CVelmoDoc::ImageInfo() const
{
    DevelopImageInfo info;
    info.family = &FamilyTable();
    info.presets = &image.rafPresets;
    info.temperatureReference = &familyWb[1];
    info.wbUnit = image.wbUnit;
    info.drShift = image.drShift;
    info.whiteLevel = image.whiteLevel;
    info.maxGreen = image.maxGreen;
    info.exrBits = image.exrBits;
    info.exrMode = image.exrMode;
    info.exrExtra = image.exrExtra;
    info.bayer = image.bayerFlag != 0;
    info.hasSecondFrame = !image.secondFrame.empty();
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

namespace {

// The demosaiced image of img as a source of region development.
RegionSource SourceOf(const RawImage& img, uint16_t whiteLevel)
{
    RegionSource source;
    source.sPlane = img.mainImage;
    source.rPlane = img.secondFrame;
    source.width = img.imageWidth;
    source.height = img.imageHeight;
    source.whiteLevel = img.whiteLevel != 0 ? img.whiteLevel : whiteLevel;
    source.bayer = img.bayerFlag != 0;
    return source;
}

} // namespace

std::vector<uint16_t> CVelmoDoc::DevelopRegion(int x, int y, int w, int h, int outW, int outH, IProgress* progress,
                                               DevelopStatus* status) const
{
    DevelopStatus st = DevelopStatus::OutOfMemory;
    RgbPlane result;
    try {
        const DevelopContext ctx = PrepareDevelopment();
        const RegionSource source = SourceOf(image, ctx.whiteLevel);
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

DevelopStatus CVelmoDoc::DevelopFull(const DevelopContext& ctx, int x, int y, int w, int h, RgbPlane& out,
                                     IProgress* progress) const
{
    return ::velmo::DevelopFull(SourceOf(image, ctx.whiteLevel), FullRect{x, y, w, h}, ctx,
                                progress ? *progress : Host().LoadProgress(), out);
}

DevelopStatus CVelmoDoc::DevelopFull(int x, int y, int w, int h, RgbPlane& out, IProgress* progress) const
{
    out = RgbPlane{};
    if (!HasImage())
        return DevelopStatus::InvalidInput;
    try {
        const DevelopContext ctx = PrepareDevelopment();
        return DevelopFull(ctx, x, y, w, h, out, progress);
    } catch (const std::bad_alloc&) {
        out = RgbPlane{};
        return DevelopStatus::OutOfMemory;
    }
}

} // namespace velmo
