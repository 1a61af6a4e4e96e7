#include "tests/support/JpegCodec.h"

#include <cstdio>
#include <cstdlib>

#include <jpeglib.h>

namespace velmo::test {

std::vector<uint8_t> EncodeJpeg(int width, int height, int components, const std::vector<uint8_t>& pixels,
                                const std::vector<uint8_t>& app1, int quality)
{
    jpeg_compress_struct cinfo;
    jpeg_error_mgr error;
    cinfo.err = jpeg_std_error(&error);
    jpeg_create_compress(&cinfo);
    unsigned char* data = nullptr;
    unsigned long size = 0;
    jpeg_mem_dest(&cinfo, &data, &size);
    cinfo.image_width = static_cast<JDIMENSION>(width);
    cinfo.image_height = static_cast<JDIMENSION>(height);
    cinfo.input_components = components;
    cinfo.in_color_space = components == 1 ? JCS_GRAYSCALE : components == 4 ? JCS_CMYK : JCS_RGB;
    jpeg_set_defaults(&cinfo);
    jpeg_set_quality(&cinfo, quality, TRUE);
    cinfo.write_JFIF_header = FALSE;
    if (components == 3) {
        // No chroma subsampling, so that flat test colours decode exactly.
        for (int c = 0; c < 3; ++c) {
            cinfo.comp_info[c].h_samp_factor = 1;
            cinfo.comp_info[c].v_samp_factor = 1;
        }
    }
    jpeg_start_compress(&cinfo, TRUE);
    if (!app1.empty())
        jpeg_write_marker(&cinfo, JPEG_APP0 + 1, app1.data(), static_cast<unsigned>(app1.size()));
    const size_t stride = static_cast<size_t>(width) * static_cast<size_t>(components);
    while (cinfo.next_scanline < cinfo.image_height) {
        JSAMPROW row = const_cast<JSAMPROW>(pixels.data() + cinfo.next_scanline * stride);
        jpeg_write_scanlines(&cinfo, &row, 1);
    }
    jpeg_finish_compress(&cinfo);
    jpeg_destroy_compress(&cinfo);
    std::vector<uint8_t> out(data, data + size);
    std::free(data);
    return out;
}

std::vector<uint8_t> DecodeJpegRgb(const std::vector<uint8_t>& jpeg, int* width, int* height)
{
    jpeg_decompress_struct cinfo;
    jpeg_error_mgr error;
    cinfo.err = jpeg_std_error(&error);
    jpeg_create_decompress(&cinfo);
    jpeg_mem_src(&cinfo, jpeg.data(), static_cast<unsigned long>(jpeg.size()));
    jpeg_read_header(&cinfo, TRUE);
    cinfo.out_color_space = JCS_RGB;
    jpeg_start_decompress(&cinfo);
    *width = static_cast<int>(cinfo.output_width);
    *height = static_cast<int>(cinfo.output_height);
    const size_t stride = static_cast<size_t>(cinfo.output_width) * 3;
    std::vector<uint8_t> rgb(stride * cinfo.output_height);
    while (cinfo.output_scanline < cinfo.output_height) {
        JSAMPROW row = rgb.data() + cinfo.output_scanline * stride;
        jpeg_read_scanlines(&cinfo, &row, 1);
    }
    jpeg_finish_decompress(&cinfo);
    jpeg_destroy_decompress(&cinfo);
    return rgb;
}

std::vector<uint8_t> GradientPicture(int width, int height, int components)
{
    std::vector<uint8_t> p(static_cast<size_t>(width) * static_cast<size_t>(height) * static_cast<size_t>(components));
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x) {
            uint8_t* px = &p[(static_cast<size_t>(y) * width + x) * components];
            for (int c = 0; c < components; ++c)
                px[c] = static_cast<uint8_t>(c == 0 ? (x * 255) / (width > 1 ? width - 1 : 1)
                                             : c == 1 ? (y * 255) / (height > 1 ? height - 1 : 1)
                                                      : 96);
        }
    return p;
}

} // namespace velmo::test
