// The document's side of the feature files: loading a lens or
// selective-colour file into the edit state with the palettes following,
// and the recent list of each feature.
#pragma once

#include "document/DocHost.h"
#include "params/EditState.h"

#include <string>

namespace velmo {

class CVelmoDoc;

// Reads the lens block into the edit state's record and lets the lens
// palettes reload it. False (nothing changed) when the block cannot be read.
// The enable flag stored in the file is not read here.
bool LoadLensCorrectionFile(CVelmoDoc& doc, const std::string& path);
// Reads "ColorTable" into the edit state's table and lets the colour
// palettes show the row of their selected range. False (nothing changed)
// when the block cannot be read. The stored enable flag is not read here.
bool LoadSelectiveColorFile(CVelmoDoc& doc, const std::string& path);

// The recent list of a feature's files.
RecentListKind RecentListOf(FeatureKind kind);

} // namespace velmo
