#include "raw/Placement.h"

#include "platform/core/PassRunner.h"
#include "res/ResourceIds.h"
#include "res/StringTable.h"

#include <algorithm>
#include <chrono>
#include <cstdarg>
#include <cstdio>
#include <cstring>

namespace velmo {

namespace {

constexpr uint64_t kMaxFramePixels = 64ull << 20;

class RowReader {
public:
    RowReader(CBufferedFile& f, bool big, bool byteSamples) : file(f), bigEndian(big), bytes(byteSamples) {}

    // Reads the bytes of n samples, kept until the next read; what the data
    // does not hold reads as zero. Sample(i) is the i-th of them.
    void ReadRaw(size_t n)
    {
        const size_t width = bytes ? 1 : 2;
        raw.assign(n * width, 0);
        size_t got = 0;
        while (got < raw.size()) {
            const uint32_t chunk = uint32_t(std::min<size_t>(raw.size() - got, 1u << 30));
            const uint32_t r = file.Read(raw.data() + got, chunk);
            if (r == 0)
                break;
            got += r;
        }
    }
    uint16_t Sample(size_t i) const
    {
        if (bytes)
            return raw[i];
        if (bigEndian)
            return uint16_t(raw[2 * i] << 8 | raw[2 * i + 1]);
        return uint16_t(raw[2 * i] | raw[2 * i + 1] << 8);
    }

    // Reads n samples; what the data does not hold reads as zero.
    const std::vector<uint16_t>& Read(size_t n)
    {
        ReadRaw(n);
        samples.resize(n);
        for (size_t i = 0; i < n; ++i)
            samples[i] = Sample(i);
        return samples;
    }
    void Skip(size_t rows, size_t samplesPerRow)
    {
        for (size_t i = 0; i < rows; ++i)
            Read(samplesPerRow);
    }

private:
    CBufferedFile& file;
    bool bigEndian, bytes;
    std::vector<uint8_t> raw;
    std::vector<uint16_t> samples;
};

struct Target {
    std::vector<uint16_t>& px;
    int w;
    uint16_t* At(int r, int c) { return &px[(size_t(r) * w + c) * 3]; }
};

// A row of (R-or-B, G) pairs read from sample `first` on: pair left + c goes
// to pixel (r, c).
void PlacePairs(Target& t, int r, const RowReader& rows, size_t first, int left, int width)
{
    for (int c = 0; c < width; ++c) {
        uint16_t* p = t.At(r, c);
        const size_t at = first + 2 * size_t(left + c);
        p[0] = p[2] = rows.Sample(at);
        p[1] = rows.Sample(at + 1);
    }
}

bool ReportRow(IProgress& p, int r, int h) { return r % 64 == 0 && p.Report(r * 100 / std::max(h, 1), "Loading"); }

std::string Printf(const char* format, ...) __attribute__((format(printf, 1, 2)));

std::string Printf(const char* format, ...)
{
    char text[512];
    va_list args;
    va_start(args, format);
    std::vsnprintf(text, sizeof text, format, args);
    va_end(args);
    return text;
}

unsigned long long Ull(uint64_t v) { return static_cast<unsigned long long>(v); }

FrameDataCheck FrameCheck(FrameDataStatus status, std::string detail)
{
    return {status, 2, std::move(detail)};
}

} // namespace

FrameDataCheck CheckFrameData(const RafContainer& raf, const PlacementInput& in)
{
    if (in.frames < 2 || !in.model)
        return {};
    const CameraModelInfo& m = *in.model;
    // The paired-row layout may derive the second frame from the first.
    if (m.layout == SensorLayout::PairedRows && in.noSecondFrame)
        return {};
    if (m.layout == SensorLayout::Rotated || (m.layout == SensorLayout::SuperCcd && in.doubleWidth))
        return {};

    const uint32_t blockOffset = raf.directory.SecondBlockOffset();
    const uint32_t blockLength = raf.directory.SecondBlockLength();
    if (in.compressed) {
        // A bzip2 stream cannot be read short: the whole block must be there.
        if (blockLength < 4)
            return FrameCheck(FrameDataStatus::Missing,
                              Printf("the directory gives the second frame no compressed block (%u bytes at %u)",
                                     blockLength, blockOffset));
        if (blockOffset > raf.fileLength || blockLength > raf.fileLength - blockOffset)
            return FrameCheck(FrameDataStatus::Missing,
                              Printf("the second frame's compressed block (%u bytes at %u) runs past the end of "
                                     "the file of %llu bytes",
                                     blockLength, blockOffset, Ull(raf.fileLength)));
        return {};
    }

    // Plain data: the frames follow one another from the data start (the
    // SuperCCD rows of two frames interleave), as placement reads them.
    const uint64_t W = uint64_t(std::max(in.rawWidth, 0));
    const uint64_t rows = uint64_t(std::max(in.rawHeight, 0));
    const uint64_t top = uint64_t(m.topMargin), bottom = uint64_t(m.bottomMargin);
    const uint64_t height = rows > top + bottom ? rows - top - bottom : 0;
    uint64_t first = 0, total = 0; // bytes that one frame, and all frames, read
    switch (m.layout) {
    case SensorLayout::SuperCcd:
        first = 4 * W * (top + height);
        total = 4 * W * top + 8 * W * height;
        break;
    case SensorLayout::PairedRows:
        first = 4 * W * rows;
        total = first + 4 * W * (top + height);
        break;
    case SensorLayout::Bayer:
        first = 2 * W * rows;
        total = first + 2 * W * (top + height);
        break;
    case SensorLayout::Rotated: return {};
    }
    const uint64_t needed = total - first;
    if (blockLength != 0 && blockLength < needed)
        return FrameCheck(FrameDataStatus::Missing,
                          Printf("the directory gives the second frame %u bytes; a frame of this model needs %llu",
                                 blockLength, Ull(needed)));
    if (blockLength != 0 && blockOffset >= raf.fileLength)
        return FrameCheck(FrameDataStatus::Missing,
                          Printf("the directory places the second frame at %u, past the end of the file of %llu "
                                 "bytes",
                                 blockOffset, Ull(raf.fileLength)));
    const uint64_t available = raf.fileLength > raf.dataStart ? raf.fileLength - raf.dataStart : 0;
    if (available <= first)
        return FrameCheck(FrameDataStatus::Missing,
                          Printf("the file ends %llu bytes into the raw data; the second frame would begin after "
                                 "%llu",
                                 Ull(available), Ull(first)));
    if (available < total)
        return FrameCheck(FrameDataStatus::Short,
                          Printf("the file holds %llu of the second frame's %llu bytes", Ull(available - first),
                                 Ull(needed)));
    return {};
}

std::string FrameDataMessage(const FrameDataCheck& check, const std::string& path)
{
    switch (check.status) {
    case FrameDataStatus::Complete: return {};
    case FrameDataStatus::Short: return FormatString(IDS_RAF_CUT_SHORT, {path});
    case FrameDataStatus::Missing: return FormatString(IDS_RAF_SECOND_FRAME_MISSING, {path});
    }
    return {};
}

bool AllocateFrame(std::vector<uint16_t>& frame, int width, int height)
{
    if (width <= 0 || height <= 0 || uint64_t(width) * uint64_t(height + 2) > kMaxFramePixels)
        return false;
    AssignPlane(frame, size_t(width) * size_t(height + 2) * 3 + 3, uint16_t(0));
    return true;
}

RafStatus PlaceRawData(CBufferedFile& file, const RafContainer* raf, const PlacementInput& in, PlacedFrames& out,
                       IProgress& progress)
{
    const CameraModelInfo& m = *in.model;
    const int W = in.rawWidth;
    const int width = W - m.leftMargin - m.rightMargin;
    const int height = in.rawHeight - m.topMargin - m.bottomMargin;
    const RafStatus failed{RafError::RawDataMissing, RafErrorText(RafError::RawDataMissing),
                           "image size out of range"};
    out = {};
    out.width = width;
    out.height = height;
    const bool two = in.frames == 2;
    if (!AllocateFrame(out.main, width, height) || (two && !AllocateFrame(out.second, width, height)))
        return failed;

    RowReader rows(file, m.layout == SensorLayout::Rotated, in.bytesPerSample1);
    const int left = m.leftMargin, top = m.topMargin, bottom = m.bottomMargin;
    auto unpackSecond = [&]() -> RafStatus {
        if (!in.compressed || !raf)
            return {};
        const auto start = std::chrono::steady_clock::now();
        RafStatus s = OpenSecondFrameBlock(file, *raf, &progress);
        out.secondUnpackSeconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
        return s;
    };
    const RafStatus aborted{RafError::RawDataMissing, "", "aborted"};

    switch (m.layout) {
    case SensorLayout::SuperCcd: {
        Target t{out.main, width};
        if (in.doubleWidth) {
            rows.Skip(size_t(top), size_t(2) * W);
            for (int r = 0; r < height; ++r) {
                if (ReportRow(progress, r, height))
                    return aborted;
                rows.ReadRaw(size_t(2) * W);
                PlacePairs(t, r, rows, 0, left, width);
            }
            break;
        }
        auto placeRow = [&](Target& dst, int r, bool green) {
            const auto& s = rows.Read(size_t(W));
            for (int c = 0; c < width; ++c) {
                uint16_t* p = dst.At(r, c);
                if (green)
                    p[1] = s[size_t(left + c)];
                else
                    p[0] = p[2] = s[size_t(left + c)];
            }
        };
        Target t2{out.second, width};
        const bool interleaved = two && !in.compressed;
        rows.Skip(size_t(2) * top, size_t(W));
        for (int r = 0; r < height; ++r) {
            if (ReportRow(progress, r, height))
                return aborted;
            placeRow(t, r, false);
            if (interleaved)
                placeRow(t2, r, false);
            placeRow(t, r, true);
            if (interleaved)
                placeRow(t2, r, true);
        }
        if (two && in.compressed) {
            if (RafStatus s = unpackSecond(); !s)
                return s;
            rows.Skip(size_t(2) * top, size_t(W));
            for (int r = 0; r < height; ++r) {
                if (ReportRow(progress, r, height))
                    return aborted;
                placeRow(t2, r, false);
                placeRow(t2, r, true);
            }
        }
        break;
    }
    case SensorLayout::PairedRows: {
        // 64 rows per read and progress step, placed on all cores.
        auto placeFrame = [&](std::vector<uint16_t>& frame) {
            Target t{frame, width};
            const size_t rowLength = size_t(2) * W;
            rows.Skip(size_t(top), rowLength);
            for (int start = 0; start < height; start += 64) {
                if (ReportRow(progress, start, height))
                    return false;
                const int n = std::min(64, height - start);
                rows.ReadRaw(size_t(n) * rowLength);
                ParallelRows(n, 4, [&](int b, int e) {
                    for (int i = b; i < e; ++i)
                        PlacePairs(t, start + i, rows, size_t(i) * rowLength, left, width);
                });
            }
            rows.Skip(size_t(bottom), rowLength);
            return true;
        };
        if (!placeFrame(out.main))
            return aborted;
        if (two) {
            if (!in.noSecondFrame) {
                if (RafStatus s = unpackSecond(); !s)
                    return s;
                if (!placeFrame(out.second))
                    return aborted;
            } else {
                const size_t n = size_t(width) * height * 3;
                for (size_t i = 0; i < n; ++i)
                    out.second[i] = uint16_t(out.main[i] >> 4);
            }
        }
        break;
    }
    case SensorLayout::Rotated: {
        Target t{out.main, width};
        const int rawRows = in.rawHeight;
        rows.Skip(size_t(m.rightMargin), size_t(2) * rawRows);
        for (int k = 0; k < width; ++k) {
            if (ReportRow(progress, k, width))
                return aborted;
            const auto& s = rows.Read(size_t(2) * rawRows);
            const int x = width - 1 - k;
            for (int r = 0; r < height; ++r) {
                const size_t i = size_t(top + r);
                if (x + 1 < width) {
                    uint16_t* p = t.At(r, x + 1);
                    p[0] = p[2] = s[2 * i];
                }
                t.At(r, x)[1] = s[2 * i + 1];
            }
        }
        for (int r = 0; r < height; ++r) {
            const int other = r ^ 1;
            if (other < height && width > 1) {
                uint16_t* p = t.At(r, 0);
                p[0] = p[2] = t.At(other, 1)[0];
            }
        }
        break;
    }
    case SensorLayout::Bayer: {
        const int e = in.exrMode != 0 ? 1 : 0;
        const int perRow = W;
        auto placeFrame = [&](std::vector<uint16_t>& frame) {
            Target t{frame, width};
            rows.Skip(size_t(top), size_t(perRow));
            for (int r = 0; r < height; ++r) {
                if (ReportRow(progress, r, height))
                    return false;
                const auto& s = rows.Read(size_t(perRow));
                for (int c = 0; c < width; ++c) {
                    const int ch = ((r + c) & 1) == 0 ? 1 : ((r & 1) == e ? 0 : 2);
                    t.At(r, c)[ch] = s[size_t(left + c)];
                }
            }
            rows.Skip(size_t(bottom), size_t(perRow));
            return true;
        };
        if (!placeFrame(out.main))
            return aborted;
        if (two) {
            if (RafStatus s = unpackSecond(); !s)
                return s;
            if (!placeFrame(out.second))
                return aborted;
        }
        break;
    }
    }

    // The smallest sample and the largest G, over rows on all cores.
    struct Extremes {
        uint16_t low = 0xFFFF, green = 0;
    };
    auto scan = [&](const std::vector<uint16_t>& f, uint16_t& mn, bool green) {
        Extremes e;
        ParallelReduceRows(
            height, 16, Extremes{},
            [&](int begin, int end) {
                Extremes part;
                const uint16_t* p = f.data() + size_t(begin) * width * 3;
                const uint16_t* last = f.data() + size_t(end) * width * 3;
                for (; p < last; p += 3) {
                    part.low = std::min({part.low, p[0], p[1], p[2]});
                    part.green = std::max(part.green, p[1]);
                }
                return part;
            },
            [](Extremes a, Extremes b) { return Extremes{std::min(a.low, b.low), std::max(a.green, b.green)}; }, &e);
        mn = e.low;
        if (green)
            out.maxGreen = std::max(out.maxGreen, e.green);
    };
    scan(out.main, out.minMain, true);
    if (two)
        scan(out.second, out.minSecond, false);
    return {};
}

} // namespace velmo
