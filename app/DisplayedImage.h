// A developed picture as the screen shows it.
#pragma once

#include <QImage>

#include <cstdint>
#include <vector>

namespace velmo {

struct DisplayImage;

// The picture of bits (blue, green, red rows, `stride` bytes apart) as the
// screen shows it: converted from the profile when the GUI converts, else
// taken as sRGB. A deep copy.
QImage DisplayedImage(const uint8_t* bits, int width, int height, int stride, const std::vector<uint8_t>* profile,
                      bool convert);
// The same for a picture of the document (null image for an empty one).
QImage DisplayedImage(const DisplayImage& image);

} // namespace velmo
