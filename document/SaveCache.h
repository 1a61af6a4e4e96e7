// The last developed image of a save and what it was made of: a save
// develops again only when the record, the crop or the size mode differ.
#pragma once

#include "params/DevParams.h"
#include "platform/core/Rect.h"

#include <cstdint>
#include <cstring>
#include <vector>

namespace velmo {

struct SaveCache {
    std::vector<uint16_t> image; // R, G, B per pixel; empty: nothing cached
    DevParams record{};          // the record the image was developed with
    Rect crop;                   // the developed rectangle of the demosaiced image
    int sizeMode = -1;

    SaveCache()
    {
        std::memset(&record, 0, sizeof record);
        record.wbTempt = 5500;
    }
    bool Empty() const { return image.empty(); }
    bool Holds(const DevParams& r, const Rect& c, int mode) const
    {
        return !image.empty() && record == r && sizeMode == mode && crop.left == c.left && crop.top == c.top &&
               crop.right == c.right && crop.bottom == c.bottom;
    }
    // The image goes; the key stays (a later save compares the record with it).
    void Drop() { image = {}; }
};

} // namespace velmo
