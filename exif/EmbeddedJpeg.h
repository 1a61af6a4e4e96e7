// The JPEG preview embedded in a RAF file, decoded and scaled into a caller's
// 24-bit pixel area.
#pragma once

#include <cstddef>
#include <cstdint>
#include <span>
#include <string>

namespace velmo {

// The area's pixels begin this many bytes after its start (room for the
// caller's own bitmap header, which is not written here).
inline constexpr size_t kEmbeddedJpegHeaderRoom = 40;
// Previews larger than this many pixels are refused.
inline constexpr uint64_t kEmbeddedJpegMaxPixels = 64ull << 20;

// Bytes an area of outW x outH pixels needs.
constexpr size_t EmbeddedJpegAreaSize(int outW, int outH)
{
    return kEmbeddedJpegHeaderRoom + 3 * static_cast<size_t>(outW > 0 ? outW : 0) * static_cast<size_t>(outH > 0 ? outH : 0);
}

// Decodes the embedded JPEG of the RAF file at path (its offset is the u32
// at header offset 0x54) and scales it nearest-neighbour into area: outH rows
// of 3 x outW bytes in B, G, R order without padding, the top of the picture
// first. Area row m takes picture row H-1-((outH-1-m) x H / outH) and column i
// takes picture column i x W / outW. Returns 1 on success, 0 when the file
// cannot be opened, is not a RAF file, has no decodable 3-component preview
// or area is too small; the area is then left as it was.
int LoadEmbeddedJpeg(const std::string& path, std::span<uint8_t> area, int outW, int outH);

} // namespace velmo
