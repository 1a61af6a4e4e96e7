// The camera's TIFF/Exif block made ready for one output file: copied from
// the RAW file's Exif (never patched in place), checked entry by entry, and
// patched for the output's size, orientation and colour space.
#pragma once

#include "exif/ExifParser.h"

#include <cstddef>
#include <cstdint>
#include <span>
#include <vector>

namespace velmo {

// The camera's Exif as found in the RAW file: the buffer that was parsed (the
// RAF header) and the parser's positions in it. Writers validate the
// positions and patch a copy; the buffer itself is never changed.
struct ExifSource {
    std::span<const uint8_t> buffer;
    const ExifTagIndex* index = nullptr;
};

struct CameraExif {
    // The TIFF block from its byte-order mark up to the camera's thumbnail
    // data (or the end of the Exif segment when it has none). Empty: there is
    // no Exif to write, or it could not be made valid.
    std::vector<uint8_t> tiff;
    bool littleEndian = true;
    uint32_t ifd0 = 0;       // offset of IFD0 in tiff
    uint16_t ifd0Count = 0;  // its entries, every one inside tiff
    size_t ifd0NextField = 0; // offset of IFD0's next-IFD field
    // IFD1 describes a thumbnail that begins right after tiff: appending a
    // JPEG there and setting its length makes a valid Exif thumbnail.
    bool thumbnailLinkable = false;
    size_t thumbnailLengthValue = 0; // value field of JpegInterchangeFormatLength
    bool patchedWidth = false, patchedHeight = false;

    bool Empty() const { return tiff.empty(); }
    // IFD0's 12-byte entries, in the block's byte order.
    std::span<const uint8_t> Ifd0Entries() const;
    // Cuts IFD1 off the chain (for outputs that carry no thumbnail).
    void UnlinkIfd1();
    // Writes the thumbnail's length into IFD1 (only when linkable).
    bool SetThumbnailLength(uint32_t length);
    uint16_t Get16(size_t at) const;
    uint32_t Get32(size_t at) const;
    void Put16(size_t at, uint16_t v);
    void Put32(size_t at, uint32_t v);
};

// Finds the camera's block in source and prepares its copy for an output of
// width x height. The index gives where the block starts and where the
// thumbnail data begins (both checked against the bytes); the entries to
// patch are found by walking the copy: ExifImageWidth and ExifImageHeight
// set where they exist, every Orientation set to 1 (the pixels are written
// turned) and ColorSpace set to uncalibrated (0xFFFF) when the output is not
// sRGB, and every ASCII value cut after its text with one terminating NUL
// (the camera's NUL and blank padding dropped, so that TIFF readers read it
// cleanly; Exif readers show the same text). The result is empty when source has no Exif, or when IFD0 or one of
// its sub-IFDs has an entry whose data lies outside the copied bytes. An IFD1
// that is damaged is cut off the chain.
CameraExif PrepareCameraExif(const ExifSource& source, int width, int height, bool srgb);

} // namespace velmo
