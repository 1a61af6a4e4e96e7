// Encodes small pictures as JPEG with libjpeg for test files, and decodes
// them again as the reference for what a reader should see.
#pragma once

#include <cstdint>
#include <vector>

namespace velmo::test {

// pixels: height rows of width x components bytes (1 grey, 3 RGB, 4 CMYK).
// app1, when not empty, is written as the APP1 marker right after SOI (no
// JFIF header, as cameras write it). quality 100 keeps flat colours exact.
std::vector<uint8_t> EncodeJpeg(int width, int height, int components, const std::vector<uint8_t>& pixels,
                                const std::vector<uint8_t>& app1 = {}, int quality = 95);

// Decodes to RGB rows (3 bytes per pixel, top row first); empty on failure.
std::vector<uint8_t> DecodeJpegRgb(const std::vector<uint8_t>& jpeg, int* width, int* height);

// A smooth test picture: R rises along x, G along y, B is constant.
std::vector<uint8_t> GradientPicture(int width, int height, int components);

} // namespace velmo::test
