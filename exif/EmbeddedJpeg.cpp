#include "exif/EmbeddedJpeg.h"

#include <sys/stat.h>

#include <csetjmp>
#include <cstdio>
#include <cstring>
#include <new>
#include <vector>

#include <jpeglib.h>

namespace velmo {

namespace {

constexpr char kMagic[] = "FUJIFILMCCD-RAW";
constexpr size_t kMagicLength = 15;
constexpr size_t kJpegOffsetField = 0x54;

struct ErrorManager {
    jpeg_error_mgr pub;
    std::jmp_buf jump;
};

[[noreturn]] void ErrorExit(j_common_ptr cinfo)
{
    std::longjmp(reinterpret_cast<ErrorManager*>(cinfo->err)->jump, 1);
}

void SilentMessage(j_common_ptr) {}

struct FileCloser {
    std::FILE* file;
    ~FileCloser()
    {
        if (file)
            std::fclose(file);
    }
};

// The picture row that area row m shows.
unsigned SourceRow(int m, int outH, unsigned height)
{
    uint64_t n = static_cast<uint64_t>(outH - 1 - m);
    uint64_t k = n * height / static_cast<uint64_t>(outH);
    return height - 1 - static_cast<unsigned>(k);
}

// Decodes from file into out (outH rows of 3 x outW bytes, B, G, R). libjpeg
// reports fatal errors by a long jump back here, so no object with a
// destructor may live in this function.
bool DecodeScaled(std::FILE* file, uint8_t* out, int outW, int outH)
{
    jpeg_decompress_struct cinfo;
    ErrorManager error;
    cinfo.err = jpeg_std_error(&error.pub);
    error.pub.error_exit = ErrorExit;
    error.pub.output_message = SilentMessage;
    if (setjmp(error.jump)) {
        jpeg_destroy_decompress(&cinfo);
        return false;
    }
    jpeg_create_decompress(&cinfo);
    jpeg_stdio_src(&cinfo, file);
    if (jpeg_read_header(&cinfo, TRUE) != JPEG_HEADER_OK ||
        static_cast<uint64_t>(cinfo.image_width) * cinfo.image_height > kEmbeddedJpegMaxPixels) {
        jpeg_destroy_decompress(&cinfo);
        return false;
    }
    // Greyscale previews are expanded to RGB; others that cannot be are refused.
    cinfo.out_color_space = JCS_RGB;
    jpeg_start_decompress(&cinfo);
    const unsigned width = cinfo.output_width;
    const unsigned height = cinfo.output_height;
    if (cinfo.output_components != 3 || width == 0 || height == 0) {
        jpeg_destroy_decompress(&cinfo);
        return false;
    }
    JSAMPARRAY line = (*cinfo.mem->alloc_sarray)(reinterpret_cast<j_common_ptr>(&cinfo), JPOOL_IMAGE,
                                                 width * 3, 1);
    int m = 0;
    for (unsigned y = 0; y < height; ++y) {
        if (jpeg_read_scanlines(&cinfo, line, 1) != 1)
            break;
        for (; m < outH && SourceRow(m, outH, height) == y; ++m) {
            uint8_t* dst = out + static_cast<size_t>(m) * 3 * static_cast<size_t>(outW);
            for (int i = 0; i < outW; ++i) {
                const size_t column = static_cast<uint64_t>(i) * width / static_cast<uint64_t>(outW);
                const JSAMPLE* src = line[0] + 3 * column;
                dst[3 * i + 0] = src[2];
                dst[3 * i + 1] = src[1];
                dst[3 * i + 2] = src[0];
            }
        }
    }
    const bool complete = m == outH;
    if (complete)
        jpeg_finish_decompress(&cinfo);
    jpeg_destroy_decompress(&cinfo);
    return complete;
}

} // namespace

int LoadEmbeddedJpeg(const std::string& path, std::span<uint8_t> area, int outW, int outH)
{
    if (outW <= 0 || outH <= 0 || area.size() < EmbeddedJpegAreaSize(outW, outH))
        return 0;
    FileCloser closer{std::fopen(path.c_str(), "rb")};
    if (!closer.file)
        return 0;

    uint8_t head[256];
    const size_t got = std::fread(head, 1, sizeof head, closer.file);
    if (got < kJpegOffsetField + 4 || std::memcmp(head, kMagic, kMagicLength) != 0)
        return 0;
    const uint32_t offset = (uint32_t(head[kJpegOffsetField]) << 24) | (uint32_t(head[kJpegOffsetField + 1]) << 16) |
                            (uint32_t(head[kJpegOffsetField + 2]) << 8) | uint32_t(head[kJpegOffsetField + 3]);
    struct stat st {};
    if (fstat(fileno(closer.file), &st) != 0 || offset == 0 || static_cast<uint64_t>(offset) >= static_cast<uint64_t>(st.st_size))
        return 0;
    if (fseeko(closer.file, static_cast<off_t>(offset), SEEK_SET) != 0)
        return 0;

    std::vector<uint8_t> pixels;
    try {
        pixels.resize(EmbeddedJpegAreaSize(outW, outH) - kEmbeddedJpegHeaderRoom);
    } catch (const std::bad_alloc&) {
        return 0;
    }
    if (!DecodeScaled(closer.file, pixels.data(), outW, outH))
        return 0;
    std::memcpy(area.data() + kEmbeddedJpegHeaderRoom, pixels.data(), pixels.size());
    return 1;
}

} // namespace velmo
