#include "document/DocMagnifier.h"

#include "develop/colour/ColorManagement.h"
#include "develop/context/DevelopContext.h"
#include "document/VelmoDoc.h"

#include <algorithm>
#include <memory>

namespace velmo {

DevelopStatus RenderMagnifier(const CVelmoDoc& doc, const DevelopContext& ctx, const MagnifierRequest& request,
                              const DisplayTransform* transform, IProgress& progress, MagnifierRender& out)
{
    MagnifierSource source;
    const RawImage& img = doc.Image();
    if (doc.HasImage()) {
        source.image.sPlane = img.mainImage;
        source.image.rPlane = img.secondFrame;
        source.image.width = img.imageWidth;
        source.image.height = img.imageHeight;
        source.image.whiteLevel = img.whiteLevel != 0 ? img.whiteLevel : ctx.whiteLevel;
        source.image.bayer = img.bayerFlag != 0;
    }
    source.previewCopy = doc.Preview16();
    source.cameraFamily = doc.CameraFamily();
    return RenderMagnifier(source, ctx, request, transform, progress, out);
}

void CVelmoDoc::UpdateMagnifier()
{
    if (!HasImage())
        return;
    UpdateMagnifier(PrepareDevelopment());
}

DevelopStatus CVelmoDoc::UpdateMagnifier(const DevelopContext& ctx, IProgress* progress)
{
    if (!HasImage())
        return DevelopStatus::InvalidInput;
    MagnifierRequest request;
    request.size = edit.Switch(SwitchId::MagnifierSize);
    request.centreX = magnifierX;
    request.centreY = magnifierY;
    request.keepInside = magnifierKeepInside;
    magnifierKeepInside = false;

    // Held for the whole run: a change of colour settings meanwhile cannot free it.
    const std::shared_ptr<const DisplayTransform> transform = colors->Transform(ctx.params.ICC);
    MagnifierRender render;
    const DevelopStatus status =
        RenderMagnifier(*this, ctx, request, transform.get(), progress ? *progress : progressChannel, render);
    colors->ReportFallbackOnce();
    if (status != DevelopStatus::Ok)
        return status; // the previous image stays

    render.image.profile = colors->ProfileForDisplay(ctx.params.ICC);
    render.image.colorManaged = colors->GuiConvertsColors();
    magnifierImage = std::make_shared<const DisplayImage>(std::move(render.image));
    if (histogram.size() >= size_t(2) * kHistogramBins)
        std::copy(render.histogram.begin(), render.histogram.end(), histogram.begin() + kHistogramBins);
    fringeRed += render.fringe.red;
    fringeBlue += render.fringe.blue;
    if (render.hasOrigin) {
        magnifierOriginX = render.originX;
        magnifierOriginY = render.originY;
    }
    magnifierStale = false;
    imageListeners.Notify(DocImageEvent::MagnifierRendered);
    return DevelopStatus::Ok;
}

} // namespace velmo
