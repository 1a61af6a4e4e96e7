// The Exif and maker-note parser. One walker and one tag table serve IFD0,
// IFD1, the Exif sub-IFD, the interoperability IFD and the FUJIFILM maker
// note; entries of every block are dispatched by tag number alone.
#pragma once

#include "exif/WhiteBalanceTables.h"

#include <cstddef>
#include <cstdint>
#include <map>
#include <span>
#include <string>
#include <vector>

namespace velmo {

// One human-readable line per recognised entry ("Name:value"), plus header
// lines that mark each sub-block, in walk order.
using ExifTextLines = std::vector<std::string>;

// The tag-to-value map and the places of selected entries in the parsed
// buffer (byte offsets from the start of the buffer given to the parser), so
// that writers can copy the camera's Exif block and patch it in place.
struct ExifTagIndex {
    // Value of the last entry seen with each tag (all blocks share the map):
    // the rational for RATIONAL and SRATIONAL entries, else the 32-bit value.
    std::map<uint32_t, float> tags;

    int exifSignature = -1;          // offset of "Exif"; -1 none
    int exifImageWidthEntry = 0;     // entry of ExifImageWidth (0xA002)
    int exifImageHeightEntry = 0;    // entry of ExifImageHeight (0xA003)
    int thumbnailPointerEntry = 0;   // entry of JpegInterchangeFormat (0x0201)
    int thumbnailData = 0;           // that entry's value + block base: the thumbnail data
    int thumbnailLengthEntry = 0;    // entry of JpegInterchangeFormatLength (0x0202)
    int colorSpaceEntry = 0;         // entry of ColorSpace (0xA001)
    float focalLengthFactor = 0.0f;  // 35-mm factor; set by the caller, read by the parse
    int softwareLine = 0;            // index in the lines of the "Software:" line
    int orientationValue = 0;        // value field of the Orientation entry (entry + 8)

    // Byte order of the TIFF block, and of the block holding the Orientation
    // entry (values patched in place must be written in these orders).
    bool littleEndian = false;
    bool orientationLittleEndian = false;

    ExifTagIndex() { Clear(); }
    void Clear();
    bool Has(uint32_t tag) const { return tags.count(tag) != 0; }
    // The tag's value, or fallback when no entry had the tag.
    float Value(uint32_t tag, float fallback = 0.0f) const;
};

// What the parse tells the development defaults and the lens palette.
struct ExifCameraValues {
    int sharpness = 1;        // 0 hard, 1 normal, 2 soft
    // Row of the family white-balance table matching the camera's setting;
    // written only by the maker note's white-balance entry.
    int whiteBalanceRow = FamilyWhiteBalanceTable::kAsShotRow;
    int orientation = 0;      // Exif orientation of IFD0 (0 when absent)
    std::string modelName;    // the Model text
    float focalLength = 0.0f; // FocalLength in millimetres
};

// Limits of the walk over hostile data.
inline constexpr int kExifMaxBlocks = 64;       // IFDs walked, chains included
inline constexpr int kExifMaxEntries = 8192;    // entries decoded in all blocks
inline constexpr int kExifMaxListedValues = 256; // values of one multi-value line

// Finds the "Exif" block in buffer and walks it. Returns 1 when a signature
// was found and walked, 0 when none was found. Before searching it empties
// lines and resets sharpness (1), orientation (0), modelName and focalLength;
// whiteBalanceRow keeps the caller's value unless the maker note sets it. The
// index is neither cleared nor reset: the caller clears it first. The
// white-balance row is searched in whiteBalanceTable (none: only Auto and
// custom settings give a row).
int ParseExif(std::span<const uint8_t> buffer, ExifTextLines& lines, ExifTagIndex& index,
              ExifCameraValues& camera, const FamilyWhiteBalanceTable* whiteBalanceTable = nullptr);

// The text of all values of the entry at entryOffset ("%d ", "%.3f ", ...),
// read in the given byte order with offsets relative to base.
std::string FormatTiffValues(std::span<const uint8_t> buffer, int64_t base, int64_t entryOffset,
                             bool littleEndian);

} // namespace velmo
