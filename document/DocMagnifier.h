// The document's side of the magnifier: rendering the square of its image
// (or of its preview copy) around the magnifier centre.
#pragma once

#include "develop/preview/Magnifier.h"

namespace velmo {

class CVelmoDoc;

// RenderMagnifier over doc's image, its preview copy and its camera family.
DevelopStatus RenderMagnifier(const CVelmoDoc& doc, const DevelopContext& ctx, const MagnifierRequest& request,
                              const DisplayTransform* transform, IProgress& progress, MagnifierRender& out);

} // namespace velmo
