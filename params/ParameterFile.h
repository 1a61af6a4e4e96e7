// Parameter files (.VMR): the whole development set-up of an image, key by
// key in the one section "Settings" — the record, the white-balance keys,
// "UseRafWB", the enabled feature blocks, the source image's path and the
// crop frame.
#pragma once

#include "params/DevParams.h"

#include <string>

namespace velmo {

class CVelmoDoc;

// Writes "version" to "UseRafWB" in file order, then the block of each
// enabled feature with its "_flag" key (lens correction, selective colours,
// free curve). Keys an existing file holds are updated where they stand;
// blocks of disabled features are left as an earlier save wrote them.
// False when the file cannot be written.
bool WriteParameterFile(const DevParams& record, const std::string& path);

// Reads a parameter file into record (the document's live record) and the
// feature tables:
//  1. "UseRafWB": when it differs from the switch, the switch flips, the
//     palettes refill their white-balance lists and the parameters return to
//     the family defaults (the frame's Reset), before the other keys apply;
//  2. easySR = 0, so a file without "easySR" gives 0;
//  3. the record keys, each defaulting to the current value (floats through
//     their "%f" text); then the white-balance keys with their version rule;
//     every value out of range keeps the value it had before the read;
//  4. each feature's enable flag from its "_flag" key (default 0); when set,
//     its block is loaded (the lens block also in its 28-byte form, with
//     coefficient 200). A block that cannot be read leaves its table as it
//     was and the feature off.
// False, with nothing changed, when the file cannot be read. The caller reads
// the crop keys, applies the rotation and refreshes.
bool ReadParameterFile(DevParams& record, const std::string& path, CVelmoDoc& doc);

// The parameter file beside an image: the path without a three-letter
// extension, plus ".VMR". Never numbered: saving overwrites it.
std::string ParameterFileNameFor(const std::string& sourcePath);

} // namespace velmo
