#include "develop/output/OutputImage.h"

namespace velmo {

bool OutputImage::IsValid() const
{
    if (width <= 0 || height <= 0)
        return false;
    uint64_t needed;
    if (previewSize) {
        if (width > PreviewStride())
            return false;
        needed = (uint64_t(height - 1) * uint64_t(PreviewStride()) + uint64_t(width)) * 3;
    } else {
        needed = uint64_t(width) * uint64_t(height) * 3;
    }
    return rgb.size() >= needed;
}

void OutputImage::Row(int row, uint16_t* out) const
{
    if (!previewSize && rotate == 0) {
        const uint16_t* in = rgb.data() + SampleIndex(row, 0);
        for (size_t i = 0; i < size_t(width) * 3; ++i)
            out[i] = in[i];
        return;
    }
    for (int x = 0; x < width; ++x) {
        const uint16_t* in = rgb.data() + SampleIndex(row, x);
        out[3 * x] = in[0];
        out[3 * x + 1] = in[1];
        out[3 * x + 2] = in[2];
    }
}

void OutputImage::ChannelRow(int row, int channel, uint16_t* out) const
{
    for (int x = 0; x < width; ++x)
        out[x] = rgb[SampleIndex(row, x) + size_t(channel)];
}

} // namespace velmo
