#include "develop/output/PsdWriter.h"

#include "exif/CameraExif.h"

#include <new>
#include <vector>

namespace velmo {

namespace {

constexpr uint16_t kExifResource = 0x0422;
constexpr uint16_t kIccResource = 0x040F;

void Put16(std::vector<uint8_t>& b, uint16_t v)
{
    b.push_back(uint8_t(v >> 8));
    b.push_back(uint8_t(v));
}

void Put32(std::vector<uint8_t>& b, uint32_t v)
{
    for (int i = 3; i >= 0; --i)
        b.push_back(uint8_t(v >> (8 * i)));
}

uint64_t Padded(uint64_t n) { return n + (n & 1); }

// "8BIM", the id, an empty name (two zero bytes) and the data length.
void ResourceHead(std::vector<uint8_t>& b, uint16_t id, uint32_t length)
{
    b.insert(b.end(), {'8', 'B', 'I', 'M'});
    Put16(b, id);
    Put16(b, 0);
    Put32(b, length);
}

WriteResult Write(const std::string& path, const OutputImage& image, bool sixteenBit, const OutputMetadata& meta,
                  IProgress& progress)
{
    if (!image.IsValid())
        return WriteResult::Failure(WriteStatus::InvalidInput, "the image has no pixels to write");
    if (image.width > kMaxPsdSide || image.height > kMaxPsdSide)
        return WriteResult::Failure(WriteStatus::InvalidInput,
                                    "the image is larger than a Photoshop document can be (30000 pixels a side)");

    // The thumbnail is not carried, so IFD1 that describes it is cut off.
    CameraExif exif = PrepareCameraExif(meta.exif, image.width, image.height, meta.srgb);
    exif.UnlinkIfd1();
    const std::span<const uint8_t> icc = meta.iccProfile;
    if (icc.size() > 0x7FFFFFFF)
        return WriteResult::Failure(WriteStatus::InvalidInput, "the ICC profile is too large");

    uint64_t resources = 0;
    if (!exif.Empty())
        resources += 12 + Padded(exif.tiff.size());
    if (!icc.empty())
        resources += 12 + Padded(icc.size());

    std::vector<uint8_t> head;
    head.insert(head.end(), {'8', 'B', 'P', 'S'});
    Put16(head, 1);
    head.insert(head.end(), 6, 0);
    Put16(head, 3);
    Put32(head, uint32_t(image.height));
    Put32(head, uint32_t(image.width));
    Put16(head, sixteenBit ? 16 : 8);
    Put16(head, 3);
    Put32(head, 0);
    Put32(head, uint32_t(resources));

    OutputFile out;
    if (WriteResult r = out.Open(path); !r.Ok())
        return r;
    out.Write(head.data(), head.size());
    head.clear();
    if (!exif.Empty()) {
        ResourceHead(head, kExifResource, uint32_t(exif.tiff.size()));
        out.Write(head.data(), head.size());
        out.Write(exif.tiff.data(), exif.tiff.size());
        out.PadToEven();
        head.clear();
    }
    if (!icc.empty()) {
        ResourceHead(head, kIccResource, uint32_t(icc.size()));
        out.Write(head.data(), head.size());
        out.Write(icc.data(), icc.size());
        out.PadToEven();
        head.clear();
    }
    // No layer and mask information; raw image data.
    const uint8_t tail[6] = {0, 0, 0, 0, 0, 0};
    out.Write(tail, sizeof tail);

    const int64_t totalRows = 3 * int64_t(image.height);
    std::vector<uint16_t> samples(size_t(image.width));
    std::vector<uint8_t> row(size_t(image.width) * (sixteenBit ? 2 : 1));
    for (int c = 0; c < 3 && !out.Failed(); ++c) {
        for (int y = 0; y < image.height && !out.Failed(); ++y) {
            if (y % 64 == 0)
                progress.Report(int((y + int64_t(c) * image.height) * 100 / totalRows), "Writing PSD");
            image.ChannelRow(y, c, samples.data());
            if (sixteenBit) {
                for (size_t i = 0; i < samples.size(); ++i) {
                    row[2 * i] = uint8_t(samples[i] >> 8);
                    row[2 * i + 1] = uint8_t(samples[i]);
                }
            } else {
                for (size_t i = 0; i < samples.size(); ++i)
                    row[i] = uint8_t(samples[i] >> 8);
            }
            out.Write(row.data(), row.size());
        }
    }
    return out.Commit();
}

} // namespace

WriteResult WritePsdFile(const std::string& path, const OutputImage& image, bool sixteenBit,
                         const OutputMetadata& meta, IProgress& progress)
{
    try {
        return Write(path, image, sixteenBit, meta, progress);
    } catch (const std::bad_alloc&) {
        return WriteResult::Failure(WriteStatus::OutOfMemory, "not enough memory to write the PSD file");
    }
}

} // namespace velmo
