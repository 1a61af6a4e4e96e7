// What the open dialog shows for the selected file, without widgets: the
// RAF file's embedded JPEG preview scaled into the preview area and the Exif
// lines of its first 4096 bytes, and the text of the Exif pane.
#pragma once

#include "exif/ExifParser.h"

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace velmo {

// The bytes of the file the Exif parser reads.
inline constexpr size_t kPreviewExifBytes = 4096;

struct RafPreview {
    // The name ends in ".RAF" (any case).
    bool raf = false;
    // pixels hold the embedded preview; otherwise they are black.
    bool picture = false;
    // width x height pixels, 3 bytes each in B, G, R order, top row first.
    std::vector<uint8_t> pixels;
    // The Exif pane takes lines (emptied for other files and for RAF files
    // that cannot be read); false leaves the pane as it was (a RAF name
    // that does not exist).
    bool replaceText = true;
    ExifTextLines lines;
};

// The preview of path for an area of width x height pixels. The embedded
// JPEG is decoded only when embeddedPreview is set. Files that cannot be
// read, are cut short or hold random bytes give a black picture and the
// lines that could be parsed (none for most); nothing is thrown.
RafPreview ReadRafPreview(const std::string& path, int width, int height, bool embeddedPreview);

// The text of the Exif pane: the shown lines (all, or the digest) joined
// with line breaks.
std::string ExifPaneText(const ExifTextLines& lines, const std::vector<size_t>& shown);

// The line to show first after "All" was toggled: the first shown line
// that comes at or after the entry that was first before (oldShown[oldFirst]),
// the last line when none does, 0 when nothing is shown.
size_t FirstLineAfterToggle(const std::vector<size_t>& oldShown, const std::vector<size_t>& newShown, size_t oldFirst);

} // namespace velmo
