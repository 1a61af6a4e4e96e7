#include "exif/CameraExif.h"

#include "platform/core/ByteReader.h"

#include <algorithm>
#include <map>
#include <string>
#include <string_view>

namespace velmo {

namespace {

constexpr uint16_t kTagOrientation = 0x0112;
constexpr uint16_t kTagThumbnailOffset = 0x0201;
constexpr uint16_t kTagThumbnailLength = 0x0202;
constexpr uint16_t kTagExifIfd = 0x8769;
constexpr uint16_t kTagGpsIfd = 0x8825;
constexpr uint16_t kTagInteropIfd = 0xA005;
constexpr uint16_t kTagColorSpace = 0xA001;
constexpr uint16_t kTagExifImageWidth = 0xA002;
constexpr uint16_t kTagExifImageHeight = 0xA003;
constexpr uint16_t kTagCopyright = 0x8298;
constexpr uint16_t kTypeAscii = 2;
constexpr uint16_t kTypeShort = 3;
constexpr uint16_t kTypeLong = 4;

// Bytes of one value of a TIFF field type; 0 for types a reader skips.
uint64_t TypeSize(uint16_t type)
{
    switch (type) {
    case 1: case 2: case 6: case 7: return 1;
    case 3: case 8: return 2;
    case 4: case 9: case 11: case 13: return 4;
    case 5: case 10: case 12: return 8;
    default: return 0;
    }
}

// One IFD of the copy: its entries by tag (the first entry of each tag) and
// its next-IFD field.
struct Ifd {
    std::map<uint16_t, size_t> entries;
    size_t nextField = 0;
};

class Walker {
public:
    explicit Walker(const CameraExif& exif) : e(exif), r(exif.tiff.data(), exif.tiff.size()) {}

    // True when the IFD at offset and the data of all its entries lie
    // inside the copy.
    bool Walk(uint32_t offset, Ifd& ifd) const
    {
        uint16_t count = 0;
        if (offset < 8 || !r.U16(offset, e.littleEndian, count))
            return false;
        const uint64_t entries = uint64_t(offset) + 2;
        if (!r.Has(int64_t(entries), uint64_t(count) * 12 + 4))
            return false;
        for (uint32_t i = 0; i < count; ++i) {
            const size_t at = size_t(entries + uint64_t(i) * 12);
            const uint16_t tag = e.Get16(at);
            const uint16_t type = e.Get16(at + 2);
            const uint64_t bytes = uint64_t(e.Get32(at + 4)) * TypeSize(type);
            if (bytes > 4 && !r.Has(int64_t(e.Get32(at + 8)), bytes))
                return false;
            ifd.entries.emplace(tag, at);
        }
        ifd.nextField = size_t(entries + uint64_t(count) * 12);
        return true;
    }

    // The sub-IFD linked by tag from parent; true when there is none.
    bool WalkLinked(const Ifd& parent, uint16_t tag, Ifd& child) const
    {
        const auto it = parent.entries.find(tag);
        return it == parent.entries.end() || Walk(e.Get32(it->second + 8), child);
    }

private:
    const CameraExif& e;
    ByteReader r;
};

bool IsSingleInteger(const CameraExif& e, size_t entry)
{
    const uint16_t type = e.Get16(entry + 2);
    return (type == kTypeShort || type == kTypeLong) && e.Get32(entry + 4) == 1;
}

// Sets a SHORT or LONG entry of count 1; a SHORT becomes a LONG when the
// value does not fit.
void SetInteger(CameraExif& e, size_t entry, uint32_t value)
{
    if (e.Get16(entry + 2) == kTypeShort && value <= 0xFFFF) {
        e.Put16(entry + 8, uint16_t(value));
        e.Put16(entry + 10, 0);
    } else {
        e.Put16(entry + 2, kTypeLong);
        e.Put32(entry + 8, value);
    }
}

std::string TrimmedBlanks(std::string_view text)
{
    const size_t last = text.find_last_not_of(' ');
    return std::string(last == std::string_view::npos ? std::string_view() : text.substr(0, last + 1));
}

// An ASCII entry written with one terminating NUL. Cameras pad their text
// fields with NULs (and the copyright with blanks up to a fixed size);
// TIFF readers warn about a NUL inside a value. The text is what Exif
// readers show: up to the first NUL; for the copyright the photographer's
// part, blanks trimmed, and the editor's part after the first NUL when
// there is one. Only shortens: a value without any NUL stays as it is.
void TrimAsciiEntry(CameraExif& e, size_t entry, bool copyright)
{
    const uint32_t count = e.Get32(entry + 4);
    if (count == 0)
        return;
    const size_t at = count <= 4 ? entry + 8 : size_t(e.Get32(entry + 8));
    if (at > e.tiff.size() || e.tiff.size() - at < count)
        return;
    const std::string_view old(reinterpret_cast<const char*>(e.tiff.data() + at), count);
    const size_t nul = old.find('\0');
    if (nul == std::string_view::npos)
        return;
    std::string text(old.substr(0, nul));
    if (copyright) {
        text = TrimmedBlanks(text);
        std::string_view rest = old.substr(nul + 1);
        rest = rest.substr(0, rest.find('\0'));
        const std::string editor = TrimmedBlanks(rest);
        if (!editor.empty()) {
            // The photographer's part is a blank when only the editor is named.
            text = (text.empty() ? std::string(" ") : text) + '\0' + editor;
        }
    }
    text += '\0';
    if (text.size() >= count)
        return;
    e.Put32(entry + 4, uint32_t(text.size()));
    if (text.size() <= 4) {
        uint8_t inline4[4] = {0, 0, 0, 0};
        std::copy(text.begin(), text.end(), inline4);
        std::copy(inline4, inline4 + 4, e.tiff.begin() + ptrdiff_t(entry + 8));
    } else {
        std::copy(text.begin(), text.end(), e.tiff.begin() + ptrdiff_t(at));
    }
}

// The end of the Exif data: the end of its APP1 segment when the signature
// sits in one, else the end of the buffer.
size_t ExifEnd(const ByteReader& r, int64_t signature)
{
    uint8_t m0 = 0, m1 = 0;
    uint16_t length = 0;
    if (signature >= 4 && r.U8(signature - 4, m0) && r.U8(signature - 3, m1) && m0 == 0xFF && m1 == 0xE1 &&
        r.U16(signature - 2, false, length)) {
        const uint64_t end = uint64_t(signature - 2) + length;
        return size_t(std::min<uint64_t>(end, r.Size()));
    }
    return r.Size();
}

} // namespace

uint16_t CameraExif::Get16(size_t at) const
{
    return ByteReader(tiff.data(), tiff.size()).U16Or0(int64_t(at), littleEndian);
}

uint32_t CameraExif::Get32(size_t at) const
{
    return ByteReader(tiff.data(), tiff.size()).U32Or0(int64_t(at), littleEndian);
}

void CameraExif::Put16(size_t at, uint16_t v)
{
    if (at + 2 > tiff.size())
        return;
    tiff[at] = uint8_t(littleEndian ? v : v >> 8);
    tiff[at + 1] = uint8_t(littleEndian ? v >> 8 : v);
}

void CameraExif::Put32(size_t at, uint32_t v)
{
    if (at + 4 > tiff.size())
        return;
    for (int i = 0; i < 4; ++i)
        tiff[at + size_t(i)] = uint8_t(v >> (littleEndian ? 8 * i : 24 - 8 * i));
}

std::span<const uint8_t> CameraExif::Ifd0Entries() const
{
    if (Empty())
        return {};
    return std::span<const uint8_t>(tiff).subspan(size_t(ifd0) + 2, size_t(ifd0Count) * 12);
}

void CameraExif::UnlinkIfd1()
{
    if (!Empty())
        Put32(ifd0NextField, 0);
    thumbnailLinkable = false;
}

bool CameraExif::SetThumbnailLength(uint32_t length)
{
    if (!thumbnailLinkable)
        return false;
    Put16(thumbnailLengthValue - 6, kTypeLong);
    Put32(thumbnailLengthValue, length);
    return true;
}

CameraExif PrepareCameraExif(const ExifSource& source, int width, int height, bool srgb)
{
    CameraExif none;
    CameraExif e;
    if (!source.index || source.index->exifSignature < 0)
        return none;
    const ExifTagIndex& index = *source.index;
    const ByteReader r(source.buffer);
    const int64_t signature = index.exifSignature;
    const int64_t tiffBase = signature + 6;
    const uint8_t* head = r.Bytes(signature, 14);
    if (!head || head[0] != 'E' || head[1] != 'x' || head[2] != 'i' || head[3] != 'f' || head[4] != 0 ||
        head[5] != 0)
        return none;
    if (head[6] == 'I' && head[7] == 'I' && head[8] == 42 && head[9] == 0)
        e.littleEndian = true;
    else if (head[6] == 'M' && head[7] == 'M' && head[8] == 0 && head[9] == 42)
        e.littleEndian = false;
    else
        return none;

    // The copy ends where the camera's thumbnail begins when the index's
    // thumbnail entry really says so; otherwise at the end of the Exif data.
    const size_t end = ExifEnd(r, signature);
    if (end < size_t(tiffBase) + 8)
        return none;
    size_t cut = end;
    bool hasThumbnail = false;
    if (index.thumbnailPointerEntry > 0 && index.thumbnailData > tiffBase + 8 && size_t(index.thumbnailData) <= end) {
        uint16_t tag = 0;
        uint32_t value = 0;
        if (r.U16(index.thumbnailPointerEntry, e.littleEndian, tag) && tag == kTagThumbnailOffset &&
            r.U32(index.thumbnailPointerEntry + 8, e.littleEndian, value) &&
            int64_t(value) + tiffBase == index.thumbnailData) {
            cut = size_t(index.thumbnailData);
            hasThumbnail = true;
        }
    }
    e.tiff.assign(source.buffer.begin() + tiffBase, source.buffer.begin() + int64_t(cut));

    const Walker walker(e);
    Ifd ifd0, exif, gps, interop;
    e.ifd0 = e.Get32(4);
    if (!walker.Walk(e.ifd0, ifd0) || !walker.WalkLinked(ifd0, kTagExifIfd, exif) ||
        !walker.WalkLinked(ifd0, kTagGpsIfd, gps) || !walker.WalkLinked(exif, kTagInteropIfd, interop))
        return none;
    e.ifd0Count = e.Get16(e.ifd0);
    e.ifd0NextField = ifd0.nextField;

    Ifd ifd1;
    const uint32_t ifd1Offset = e.Get32(e.ifd0NextField);
    if (ifd1Offset != 0 && !walker.Walk(ifd1Offset, ifd1)) {
        e.UnlinkIfd1();
        ifd1 = {};
    }
    if (hasThumbnail && ifd1Offset != 0) {
        const auto pointer = ifd1.entries.find(kTagThumbnailOffset);
        const auto length = ifd1.entries.find(kTagThumbnailLength);
        if (pointer != ifd1.entries.end() && length != ifd1.entries.end() && IsSingleInteger(e, length->second) &&
            e.Get32(pointer->second + 8) == e.tiff.size()) {
            e.thumbnailLinkable = true;
            e.thumbnailLengthValue = length->second + 8;
        }
    }

    for (const Ifd* ifd : {&ifd0, &exif, &gps, &interop, &ifd1})
        for (const auto& [tag, entry] : ifd->entries)
            if (e.Get16(entry + 2) == kTypeAscii)
                TrimAsciiEntry(e, entry, ifd == &ifd0 && tag == kTagCopyright);
    for (const Ifd* ifd : {&ifd0, &ifd1}) {
        const auto it = ifd->entries.find(kTagOrientation);
        if (it != ifd->entries.end() && IsSingleInteger(e, it->second))
            SetInteger(e, it->second, 1);
    }
    if (const auto it = exif.entries.find(kTagExifImageWidth);
        it != exif.entries.end() && IsSingleInteger(e, it->second) && width > 0) {
        SetInteger(e, it->second, uint32_t(width));
        e.patchedWidth = true;
    }
    if (const auto it = exif.entries.find(kTagExifImageHeight);
        it != exif.entries.end() && IsSingleInteger(e, it->second) && height > 0) {
        SetInteger(e, it->second, uint32_t(height));
        e.patchedHeight = true;
    }
    if (const auto it = exif.entries.find(kTagColorSpace);
        !srgb && it != exif.entries.end() && IsSingleInteger(e, it->second))
        SetInteger(e, it->second, 0xFFFF);
    return e;
}

} // namespace velmo
