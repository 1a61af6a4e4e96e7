#include "develop/output/JpegWriter.h"

#include "exif/CameraExif.h"

#include <algorithm>
#include <csetjmp>
#include <cstdio>
#include <cstring>
#include <new>
#include <vector>

#include <jerror.h>
#include <jpeglib.h>

namespace velmo {

namespace {

constexpr int kThumbnailSide = 160;
constexpr int kThumbnailQuality = 25;
constexpr size_t kMaxMarkerData = 65533;
constexpr size_t kIccHeadBytes = 14; // "ICC_PROFILE\0", sequence number, count
constexpr size_t kMaxIccChunk = kMaxMarkerData - kIccHeadBytes;
constexpr int kIccMarker = JPEG_APP0 + 2;
constexpr int kExifMarker = JPEG_APP0 + 1;

// Everything below that libjpeg can jump out of holds only plain data: the
// error handler longjmps back to Compress, and no object with a destructor
// lives between the two.

using SinkFn = bool (*)(void* context, const uint8_t* data, size_t size);

struct ErrorManager {
    jpeg_error_mgr pub; // first, so that libjpeg's pointer is ours
    std::jmp_buf jump;
    char message[JMSG_LENGTH_MAX];
};

struct Destination {
    jpeg_destination_mgr pub; // first
    SinkFn sink;
    void* context;
    JOCTET buffer[65536];
};

extern "C" void OnJpegError(j_common_ptr cinfo)
{
    ErrorManager* err = reinterpret_cast<ErrorManager*>(cinfo->err);
    (*cinfo->err->format_message)(cinfo, err->message);
    std::longjmp(err->jump, 1);
}

extern "C" void OnJpegMessage(j_common_ptr) {}

extern "C" void InitDestination(j_compress_ptr cinfo)
{
    Destination* d = reinterpret_cast<Destination*>(cinfo->dest);
    d->pub.next_output_byte = d->buffer;
    d->pub.free_in_buffer = sizeof d->buffer;
}

extern "C" boolean EmptyDestination(j_compress_ptr cinfo)
{
    Destination* d = reinterpret_cast<Destination*>(cinfo->dest);
    if (!d->sink(d->context, d->buffer, sizeof d->buffer))
        ERREXIT(cinfo, JERR_FILE_WRITE);
    d->pub.next_output_byte = d->buffer;
    d->pub.free_in_buffer = sizeof d->buffer;
    return TRUE;
}

extern "C" void TermDestination(j_compress_ptr cinfo)
{
    Destination* d = reinterpret_cast<Destination*>(cinfo->dest);
    const size_t used = sizeof d->buffer - d->pub.free_in_buffer;
    if (used > 0 && !d->sink(d->context, d->buffer, used))
        ERREXIT(cinfo, JERR_FILE_WRITE);
}

bool FileSink(void* context, const uint8_t* data, size_t size)
{
    try {
        return static_cast<OutputFile*>(context)->Write(data, size);
    } catch (...) {
        return false;
    }
}

bool MemorySink(void* context, const uint8_t* data, size_t size)
{
    try {
        auto* v = static_cast<std::vector<uint8_t>*>(context);
        v->insert(v->end(), data, data + size);
        return true;
    } catch (...) {
        return false;
    }
}

struct Marker {
    int code;
    const uint8_t* data;
    unsigned length;
};

// One compression: the pixels of image scaled to width x height by nearest
// neighbour (a copy when the sizes agree), the markers after SOI, the
// encoded stream into sink.
struct Pass {
    const OutputImage* image = nullptr;
    int width = 0, height = 0;
    int quality = 85;
    bool progressive = false;
    bool fullChroma = false;
    const Marker* markers = nullptr;
    size_t markerCount = 0;
    SinkFn sink = nullptr;
    void* sinkContext = nullptr;
    uint16_t* samples = nullptr; // image->width x 3
    JSAMPLE* row = nullptr;      // width x 3
    Destination* destination = nullptr;
    IProgress* progress = nullptr;
    const char* label = nullptr; // progress label, or none
    char message[JMSG_LENGTH_MAX] = {};
};

void FillRow(const Pass& p, int y)
{
    const OutputImage& image = *p.image;
    if (p.width == image.width && p.height == image.height) {
        image.Row(y, p.samples);
        for (int i = 0; i < 3 * p.width; ++i)
            p.row[i] = JSAMPLE(p.samples[i] >> 8);
        return;
    }
    const int sy = std::min(int(int64_t(y) * image.height / p.height), image.height - 1);
    for (int x = 0; x < p.width; ++x) {
        const int sx = std::min(int(int64_t(x) * image.width / p.width), image.width - 1);
        const uint16_t* s = image.rgb.data() + image.SampleIndex(sy, sx);
        p.row[3 * x] = JSAMPLE(s[0] >> 8);
        p.row[3 * x + 1] = JSAMPLE(s[1] >> 8);
        p.row[3 * x + 2] = JSAMPLE(s[2] >> 8);
    }
}

bool Compress(Pass& p)
{
    jpeg_compress_struct cinfo;
    ErrorManager err;
    std::memset(&cinfo, 0, sizeof cinfo);
    std::memset(&err, 0, sizeof err);
    cinfo.err = jpeg_std_error(&err.pub);
    err.pub.error_exit = OnJpegError;
    err.pub.output_message = OnJpegMessage;
    err.pub.trace_level = 0;
    if (setjmp(err.jump)) {
        std::memcpy(p.message, err.message, sizeof p.message);
        jpeg_destroy_compress(&cinfo);
        return false;
    }
    jpeg_create_compress(&cinfo);
    Destination* d = p.destination;
    d->pub.init_destination = InitDestination;
    d->pub.empty_output_buffer = EmptyDestination;
    d->pub.term_destination = TermDestination;
    d->sink = p.sink;
    d->context = p.sinkContext;
    cinfo.dest = &d->pub;

    cinfo.image_width = JDIMENSION(p.width);
    cinfo.image_height = JDIMENSION(p.height);
    cinfo.input_components = 3;
    cinfo.in_color_space = JCS_RGB;
    jpeg_set_defaults(&cinfo);
    jpeg_default_colorspace(&cinfo);
    cinfo.write_JFIF_header = FALSE;
    jpeg_set_quality(&cinfo, p.quality, FALSE);
    if (p.fullChroma) {
        cinfo.comp_info[0].h_samp_factor = 1;
        cinfo.comp_info[0].v_samp_factor = 1;
    }
    if (p.progressive)
        jpeg_simple_progression(&cinfo);

    jpeg_start_compress(&cinfo, TRUE);
    for (size_t i = 0; i < p.markerCount; ++i)
        jpeg_write_marker(&cinfo, p.markers[i].code, p.markers[i].data, p.markers[i].length);
    for (int y = 0; y < p.height; ++y) {
        if (p.label && y % 64 == 0)
            p.progress->Report(int(int64_t(y) * 100 / p.height), p.label);
        FillRow(p, y);
        JSAMPROW rows[1] = {p.row};
        jpeg_write_scanlines(&cinfo, rows, 1);
    }
    jpeg_finish_compress(&cinfo);
    jpeg_destroy_compress(&cinfo);
    return true;
}

WriteResult Write(const std::string& path, const OutputImage& image, const OutputMetadata& meta,
                  const JpegSettings& settings, IProgress& progress)
{
    if (!image.IsValid())
        return WriteResult::Failure(WriteStatus::InvalidInput, "the image has no pixels to write");
    if (image.width > JPEG_MAX_DIMENSION || image.height > JPEG_MAX_DIMENSION)
        return WriteResult::Failure(WriteStatus::InvalidInput, "the image is too large for a JPEG file");

    const std::vector<std::vector<uint8_t>> icc = IccProfileSegments(meta.iccProfile);
    if (!meta.iccProfile.empty() && icc.empty())
        return WriteResult::Failure(WriteStatus::InvalidInput, "the ICC profile is too large for a JPEG file");

    std::vector<uint16_t> samples(size_t(image.width) * 3);
    std::vector<JSAMPLE> row(size_t(image.width) * 3);
    std::vector<Destination> destination(1);

    // APP1: "Exif\0\0", the camera block and, when IFD1 can describe it, the
    // thumbnail right after the block, where IFD1 says it begins.
    std::vector<uint8_t> app1;
    CameraExif exif = PrepareCameraExif(meta.exif, image.width, image.height, meta.srgb);
    if (!exif.Empty()) {
        std::vector<uint8_t> thumbnail;
        if (exif.thumbnailLinkable) {
            Pass t;
            t.image = &image;
            JpegThumbnailSize(image.width, image.height, &t.width, &t.height);
            t.quality = kThumbnailQuality;
            t.sink = MemorySink;
            t.sinkContext = &thumbnail;
            std::vector<JSAMPLE> thumbRow(size_t(t.width) * 3);
            t.samples = samples.data();
            t.row = thumbRow.data();
            t.destination = destination.data();
            t.progress = &progress;
            if (!Compress(t))
                return WriteResult::Failure(WriteStatus::EncoderFailed,
                                            std::string("the thumbnail could not be encoded: ") + t.message);
            if (6 + exif.tiff.size() + thumbnail.size() > kMaxMarkerData)
                thumbnail.clear(); // cannot happen at 160 pixels; stay valid all the same
        }
        if (thumbnail.empty())
            exif.UnlinkIfd1();
        else
            exif.SetThumbnailLength(uint32_t(thumbnail.size()));
        if (6 + exif.tiff.size() <= kMaxMarkerData) {
            app1 = {'E', 'x', 'i', 'f', 0, 0};
            app1.insert(app1.end(), exif.tiff.begin(), exif.tiff.end());
            app1.insert(app1.end(), thumbnail.begin(), thumbnail.end());
        }
    }

    std::vector<Marker> markers;
    if (!app1.empty())
        markers.push_back({kExifMarker, app1.data(), unsigned(app1.size())});
    markers.push_back({JPEG_COM, reinterpret_cast<const uint8_t*>(kJpegComment), unsigned(sizeof kJpegComment)});
    for (const auto& segment : icc)
        markers.push_back({kIccMarker, segment.data(), unsigned(segment.size())});

    OutputFile out;
    if (WriteResult r = out.Open(path); !r.Ok())
        return r;
    Pass m;
    m.image = &image;
    m.width = image.width;
    m.height = image.height;
    m.quality = std::clamp(settings.quality, 1, 100);
    m.progressive = settings.progressive;
    m.fullChroma = true;
    m.markers = markers.data();
    m.markerCount = markers.size();
    m.sink = FileSink;
    m.sinkContext = &out;
    m.samples = samples.data();
    m.row = row.data();
    m.destination = destination.data();
    m.progress = &progress;
    m.label = "Writing JPEG";
    const bool encoded = Compress(m);
    progress.Report(-1, nullptr);
    if (!encoded) {
        if (out.Failed())
            return out.Error();
        return WriteResult::Failure(WriteStatus::EncoderFailed, std::string("JPEG encoder: ") + m.message);
    }
    return out.Commit();
}

} // namespace

void JpegThumbnailSize(int width, int height, int* thumbWidth, int* thumbHeight)
{
    int64_t w = kThumbnailSide;
    int64_t h = width > 0 ? int64_t(height) * kThumbnailSide / width : kThumbnailSide;
    if (h > kThumbnailSide) {
        h = kThumbnailSide;
        w = height > 0 ? int64_t(width) * kThumbnailSide / height : kThumbnailSide;
    }
    *thumbWidth = int(std::max<int64_t>(w, 1));
    *thumbHeight = int(std::max<int64_t>(h, 1));
}

std::vector<std::vector<uint8_t>> IccProfileSegments(std::span<const uint8_t> profile)
{
    std::vector<std::vector<uint8_t>> segments;
    if (profile.empty())
        return segments;
    const size_t count = (profile.size() + kMaxIccChunk - 1) / kMaxIccChunk;
    if (count > 255)
        return segments;
    for (size_t i = 0; i < count; ++i) {
        const size_t begin = i * kMaxIccChunk;
        const size_t n = std::min(kMaxIccChunk, profile.size() - begin);
        std::vector<uint8_t> s = {'I', 'C', 'C', '_', 'P', 'R', 'O', 'F', 'I', 'L', 'E', 0};
        s.push_back(uint8_t(i + 1));
        s.push_back(uint8_t(count));
        s.insert(s.end(), profile.begin() + ptrdiff_t(begin), profile.begin() + ptrdiff_t(begin + n));
        segments.push_back(std::move(s));
    }
    return segments;
}

WriteResult WriteJpegFile(const std::string& path, const OutputImage& image, const OutputMetadata& meta,
                          const JpegSettings& settings, IProgress& progress)
{
    try {
        return Write(path, image, meta, settings, progress);
    } catch (const std::bad_alloc&) {
        progress.Report(-1, nullptr);
        return WriteResult::Failure(WriteStatus::OutOfMemory, "not enough memory to write the JPEG file");
    }
}

} // namespace velmo
