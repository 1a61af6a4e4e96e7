#include "develop/output/TiffWriter.h"

#include "exif/CameraExif.h"

#include <algorithm>
#include <array>
#include <bit>
#include <cstring>
#include <new>
#include <vector>

namespace velmo {

namespace {

constexpr uint16_t kShort = 3;
constexpr uint16_t kLong = 4;
constexpr uint16_t kRational = 5;
constexpr uint16_t kUndefined = 7;
constexpr uint16_t kTagIccProfile = 34675;

struct Entry {
    uint16_t tag;
    std::array<uint8_t, 12> bytes;
};

class Encoder {
public:
    explicit Encoder(bool le) : littleEndian(le) {}
    void Put16(uint8_t* p, uint16_t v) const
    {
        p[0] = uint8_t(littleEndian ? v : v >> 8);
        p[1] = uint8_t(littleEndian ? v >> 8 : v);
    }
    void Put32(uint8_t* p, uint32_t v) const
    {
        for (int i = 0; i < 4; ++i)
            p[i] = uint8_t(v >> (littleEndian ? 8 * i : 24 - 8 * i));
    }
    uint16_t Get16(const uint8_t* p) const
    {
        return littleEndian ? uint16_t(p[0] | (p[1] << 8)) : uint16_t((p[0] << 8) | p[1]);
    }
    // A SHORT value sits in the first two bytes of the value field.
    Entry Make(uint16_t tag, uint16_t type, uint32_t count, uint32_t value) const
    {
        Entry e{tag, {}};
        Put16(e.bytes.data(), tag);
        Put16(e.bytes.data() + 2, type);
        Put32(e.bytes.data() + 4, count);
        if (type == kShort && count == 1)
            Put16(e.bytes.data() + 8, uint16_t(value));
        else
            Put32(e.bytes.data() + 8, value);
        return e;
    }
    Entry Integer(uint16_t tag, uint32_t value) const
    {
        return value <= 0xFFFF ? Make(tag, kShort, 1, value) : Make(tag, kLong, 1, value);
    }
    bool littleEndian;
};

// Camera IFD0 tags that describe the camera's own image data; the output's
// entries replace them, and those it does not have would mislead a reader.
bool IsImageStructureTag(uint16_t tag)
{
    switch (tag) {
    case 254: case 255: case 256: case 257: case 258: case 259: case 262: case 266: case 273: case 274:
    case 277: case 278: case 279: case 284: case 317: case 320: case 322: case 323: case 324: case 325:
    case 338: case 339: case 340: case 341: case 513: case 514: case 529: case 530: case kTagIccProfile:
        return true;
    default:
        return false;
    }
}

WriteResult Write(const std::string& path, const OutputImage& image, bool sixteenBit, const OutputMetadata& meta,
                  IProgress& progress)
{
    if (!image.IsValid())
        return WriteResult::Failure(WriteStatus::InvalidInput, "the image has no pixels to write");
    const uint64_t bytesPerSample = sixteenBit ? 2 : 1;
    const uint64_t rowBytes = uint64_t(image.width) * 3 * bytesPerSample;
    const uint64_t pixelBytes = rowBytes * uint64_t(image.height);

    const CameraExif exif = PrepareCameraExif(meta.exif, image.width, image.height, meta.srgb);
    const bool le = exif.Empty() ? true : exif.littleEndian;
    const Encoder enc(le);
    const std::span<const uint8_t> icc = meta.iccProfile;

    // Classic TIFF addresses everything with 32-bit offsets.
    const uint64_t estimate = exif.tiff.size() + 8 + pixelBytes + icc.size() + 32 + 12 * (16 + uint64_t(exif.ifd0Count));
    if (estimate > 0xFFFFFFFFull)
        return WriteResult::Failure(WriteStatus::InvalidInput, "the image is too large for a TIFF file");

    OutputFile out;
    if (WriteResult r = out.Open(path); !r.Ok())
        return r;

    if (exif.Empty()) {
        const uint8_t head[8] = {'I', 'I', 42, 0, 0, 0, 0, 0};
        out.Write(head, sizeof head);
    } else {
        out.Write(exif.tiff.data(), exif.tiff.size());
    }

    out.PadToEven();
    const uint64_t stripOffset = out.Position();
    std::vector<uint16_t> samples(size_t(image.width) * 3);
    std::vector<uint8_t> row(static_cast<size_t>(rowBytes));
    // Rows that are already the file's bytes (16-bit in this machine's byte
    // order, not turned) go to the file as they are.
    const bool asStored = sixteenBit && le == (std::endian::native == std::endian::little) && image.rotate == 0 &&
                          !image.previewSize;
    for (int y = 0; y < image.height && !out.Failed(); ++y) {
        if (y % 64 == 0)
            progress.Report(int(int64_t(y) * 100 / image.height), "Writing TIFF");
        if (asStored) {
            out.Write(image.rgb.data() + image.SampleIndex(y, 0), static_cast<size_t>(rowBytes));
            continue;
        }
        image.Row(y, samples.data());
        if (sixteenBit) {
            for (size_t i = 0; i < samples.size(); ++i)
                enc.Put16(row.data() + 2 * i, samples[i]);
        } else {
            for (size_t i = 0; i < samples.size(); ++i)
                row[i] = uint8_t(samples[i] >> 8);
        }
        out.Write(row.data(), row.size());
    }

    out.PadToEven();
    const uint64_t iccOffset = out.Position();
    if (!icc.empty())
        out.Write(icc.data(), icc.size());

    // 72 dpi for readers that need a resolution, unless the camera's IFD0 has one.
    out.PadToEven();
    const uint64_t resolutionOffset = out.Position();
    uint8_t resolution[16];
    for (int i = 0; i < 2; ++i) {
        enc.Put32(resolution + 8 * i, 72);
        enc.Put32(resolution + 8 * i + 4, 1);
    }
    out.Write(resolution, sizeof resolution);
    const uint64_t bitsOffset = out.Position();
    uint8_t bits[6];
    for (int i = 0; i < 3; ++i)
        enc.Put16(bits + 2 * i, sixteenBit ? 16 : 8);
    out.Write(bits, sizeof bits);
    const uint64_t ifdOffset = out.Position();

    std::vector<Entry> entries = {
        enc.Integer(256, uint32_t(image.width)),
        enc.Integer(257, uint32_t(image.height)),
        enc.Make(258, kShort, 3, uint32_t(bitsOffset)),
        enc.Make(259, kShort, 1, 1),
        enc.Make(262, kShort, 1, 2),
        enc.Make(273, kLong, 1, uint32_t(stripOffset)),
        enc.Make(274, kShort, 1, 1),
        enc.Make(277, kShort, 1, 3),
        enc.Integer(278, uint32_t(image.height)),
        enc.Make(279, kLong, 1, uint32_t(pixelBytes)),
        enc.Make(284, kShort, 1, 1),
    };
    if (!icc.empty())
        entries.push_back(enc.Make(kTagIccProfile, kUndefined, uint32_t(icc.size()), uint32_t(iccOffset)));
    const std::span<const uint8_t> camera = exif.Ifd0Entries();
    for (size_t at = 0; at + 12 <= camera.size(); at += 12) {
        Entry e{enc.Get16(camera.data() + at), {}};
        std::memcpy(e.bytes.data(), camera.data() + at, 12);
        if (!IsImageStructureTag(e.tag))
            entries.push_back(e);
    }
    entries.push_back(enc.Make(282, kRational, 1, uint32_t(resolutionOffset)));
    entries.push_back(enc.Make(283, kRational, 1, uint32_t(resolutionOffset + 8)));
    entries.push_back(enc.Make(296, kShort, 1, 2));
    // Ascending tags, one entry per tag: the image's own come first and win,
    // then the camera's, then the default resolution.
    std::stable_sort(entries.begin(), entries.end(), [](const Entry& a, const Entry& b) { return a.tag < b.tag; });
    entries.erase(std::unique(entries.begin(), entries.end(),
                              [](const Entry& a, const Entry& b) { return a.tag == b.tag; }),
                  entries.end());

    uint8_t count[2];
    enc.Put16(count, uint16_t(entries.size()));
    out.Write(count, sizeof count);
    for (const Entry& e : entries)
        out.Write(e.bytes.data(), e.bytes.size());
    const uint8_t next[4] = {0, 0, 0, 0};
    out.Write(next, sizeof next);

    uint8_t offset[4];
    enc.Put32(offset, uint32_t(ifdOffset));
    out.WriteAt(4, offset, sizeof offset);
    progress.Report(-1, nullptr);
    return out.Commit();
}

} // namespace

WriteResult WriteTiffFile(const std::string& path, const OutputImage& image, bool sixteenBit,
                          const OutputMetadata& meta, IProgress& progress)
{
    try {
        return Write(path, image, sixteenBit, meta, progress);
    } catch (const std::bad_alloc&) {
        progress.Report(-1, nullptr);
        return WriteResult::Failure(WriteStatus::OutOfMemory, "not enough memory to write the TIFF file");
    }
}

} // namespace velmo
