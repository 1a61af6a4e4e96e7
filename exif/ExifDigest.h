// The Exif text shown by the Exif palette and the open dialog: all lines, or
// the lines whose names are in the digest list.
#pragma once

#include "exif/ExifParser.h"

#include <string>
#include <string_view>
#include <vector>

namespace velmo {

// The names listed when the setting "DigestExif" is missing or empty.
inline constexpr const char* kDefaultDigestNames =
    "Model|DateTime|ExposureBiasValue|ExposureTime|FNumber|ExposureProgram|ISOSpeedRatings|MeteringMode|"
    "FocalLength|White Balance|Focus mode|Picture Mode|Flash Mode|Lens|EXR mode|D-RANGE VALUE|D-RANGE|"
    "D-RANGE Mode||";

// Splits a '|' list from the start until an empty piece (the closing "||")
// or the end of the text.
std::vector<std::string> SplitDigestNames(std::string_view text);

// The digest list of this program run: read from "DigestExif" of section
// "Settings" on the first call, the built-in list when that is missing or
// empty; later changes of the setting take effect after a restart.
const std::vector<std::string>& DigestNames();

// lines null: "". all: every line followed by "\r\n". Otherwise, for each
// line in order and each name in order, the line and "\r\n" when it begins
// with the name followed by ':'.
std::string ExifDigest(const ExifTextLines* lines, bool all);
// The indices of the lines that text shows, in its order (a line whose name
// is listed twice appears twice).
std::vector<size_t> ExifDigestLines(const ExifTextLines& lines, bool all, const std::vector<std::string>& names);
std::string ExifDigest(const ExifTextLines* lines, bool all, const std::vector<std::string>& names);

} // namespace velmo
