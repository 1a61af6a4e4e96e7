// The document's side of development: the run context of its current state.
#pragma once

#include "develop/context/DevelopContext.h"

namespace velmo {

class CVelmoDoc;

// The context of a run on the document's current state (its live parameters).
DevelopContext MakeDevelopContext(const CVelmoDoc& doc);
// The same with another parameter record (batch conversion, snapshots).
DevelopContext MakeDevelopContext(const CVelmoDoc& doc, const DevParams& params);

} // namespace velmo
