// Builds Exif blocks ("Exif\0\0" + a TIFF structure) for tests: IFD0, the
// Exif sub-IFD, a FUJIFILM maker note in its own little-endian frame, the
// interoperability IFD and IFD1, in either byte order. Entries can also be
// written with raw value fields and counts to make broken blocks.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <utility>
#include <vector>

namespace velmo::test {

enum ExifFieldType : uint16_t {
    kExifByte = 1, kExifAscii = 2, kExifShort = 3, kExifLong = 4, kExifRational = 5, kExifSByte = 6,
    kExifUndefined = 7, kExifSShort = 8, kExifSLong = 9, kExifSRational = 10,
};

struct ExifEntrySpec {
    uint16_t tag = 0;
    uint16_t type = 0;
    // Typed payload, encoded in the block's byte order when the block is built.
    std::vector<int64_t> numbers;                      // BYTE, SHORT, LONG and the signed types
    std::vector<std::pair<int64_t, int64_t>> rationals; // RATIONAL, SRATIONAL
    std::vector<uint8_t> bytes;                        // ASCII (NUL included) and UNDEFINED
    // Broken entries: a count and a value field written as they are.
    std::optional<uint32_t> count;
    std::optional<uint32_t> valueField;
};

struct ExifIfdSpec {
    std::vector<ExifEntrySpec> entries;
    // The next-IFD pointer as written (default: the chain the builder lays out).
    std::optional<uint32_t> nextIfd;

    ExifIfdSpec& Ascii(uint16_t tag, const std::string& text);
    ExifIfdSpec& Byte(uint16_t tag, uint8_t value);
    ExifIfdSpec& Short(uint16_t tag, uint16_t value);
    ExifIfdSpec& Shorts(uint16_t tag, std::vector<int64_t> values);
    ExifIfdSpec& Long(uint16_t tag, uint32_t value);
    ExifIfdSpec& SLong(uint16_t tag, int32_t value);
    ExifIfdSpec& Rational(uint16_t tag, uint32_t numerator, uint32_t denominator);
    ExifIfdSpec& Rationals(uint16_t tag, std::vector<std::pair<int64_t, int64_t>> values);
    ExifIfdSpec& SRational(uint16_t tag, int32_t numerator, int32_t denominator);
    ExifIfdSpec& Undefined(uint16_t tag, std::vector<uint8_t> bytes);
    // An entry with a raw count and value field (an offset, for example).
    ExifIfdSpec& Raw(uint16_t tag, uint16_t type, uint32_t count, uint32_t valueField);
    // Removes every entry with the tag.
    ExifIfdSpec& Remove(uint16_t tag);
    ExifEntrySpec* Find(uint16_t tag);
};

struct ExifBlockSpec {
    bool littleEndian = true;  // "II" or "MM"
    ExifIfdSpec ifd0;
    ExifIfdSpec exif;          // linked from IFD0 by 0x8769 when not empty
    ExifIfdSpec makerNote;     // FUJIFILM maker note, linked from the Exif IFD by 0x927C when not empty
    ExifIfdSpec interop;       // linked from the Exif IFD by 0xA005 when not empty
    ExifIfdSpec ifd1;          // chained after IFD0 when not empty
};

// Where the builder put things, as offsets from the start of the block
// (the "E" of "Exif").
struct ExifBlockLayout {
    size_t tiffStart = 6;
    size_t ifd0 = 0, exif = 0, makerNote = 0, interop = 0, ifd1 = 0;
    // Entry offsets by (ifd index 0 ifd0, 1 exif, 2 maker note, 3 interop, 4 ifd1, entry index).
    std::vector<std::vector<size_t>> entryOffsets;
};

std::vector<uint8_t> BuildExifBlock(const ExifBlockSpec& recipe, ExifBlockLayout* layout = nullptr);

// A camera-like block: IFD0 with Make "FUJIFILM" and the model, Exif values of
// a 1/250 s, F8, ISO 100, 70 mm shot, a FUJIFILM maker note (Version, Quality,
// Sharpness, White Balance, focus, picture mode, dynamic range, the lens
// 28-70 mm F2.8), the interoperability IFD and IFD1 with Orientation.
ExifBlockSpec FujiExifSpec(const std::string& model, bool littleEndian, const std::string& software);

} // namespace velmo::test
