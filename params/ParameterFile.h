// Parameter files (.VMR): the whole development set-up of an image, key by
// key in the one section "Settings" — the record, the white-balance keys,
// "UseRafWB", the enabled feature blocks, the source image's path and the
// crop frame.
#pragma once

#include "params/DevParams.h"

#include <string>

namespace velmo {

class EditState;

// Writes "version" to "UseRafWB" in file order for the edit state's record,
// free-curve flag and "UseRafWB", then the block of each enabled feature
// with its "_flag" key (lens correction, selective colours, free curve).
// Keys an existing file holds are updated where they stand; blocks of
// disabled features are left as an earlier save wrote them. False when the
// file cannot be written.
bool WriteParameterFile(const EditState& edit, const std::string& path);

// The parameter file beside an image: the path without a three-letter
// extension, plus ".VMR". Never numbered: saving overwrites it.
std::string ParameterFileNameFor(const std::string& sourcePath);

} // namespace velmo
