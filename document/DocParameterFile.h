// The document's side of parameter files: reading one into the live
// record and the feature tables, with the palettes and the frame following.
#pragma once

#include <string>

namespace velmo {

class CVelmoDoc;

// Reads a parameter file into the document's edit state (its record, the
// feature tables and flags):
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
bool ReadParameterFile(const std::string& path, CVelmoDoc& doc);

} // namespace velmo
