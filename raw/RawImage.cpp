#include "raw/RawImage.h"

#include <cstring>

namespace velmo {

void RawImage::FreeFrames()
{
    mainImage = {};
    secondFrame = {};
    header = {};
    cfaRecords = {};
}

int DetectExrMode(RawImage& img)
{
    int result = 1;
    img.exrBits = 0;
    const std::vector<uint8_t>& header = img.header;
    if (header.size() >= 136) {
        const char* kind = reinterpret_cast<const char*>(header.data()) + 24;
        if (std::memcmp(kind, "2002", 4) == 0) {
            result = 0;
        } else if (std::memcmp(kind, "2201", 4) == 0) {
            uint32_t v;
            std::memcpy(&v, header.data() + 132, 4);
            img.exrBits = 2 + (v == 0 ? 1 : 0);
        } else if (std::memcmp(kind, "2203", 4) == 0) {
            img.exrBits = 2;
            result = 0;
        }
    }
    return result;
}

} // namespace velmo
