// Files the dialog tests show: a RAF file from the builder with a coloured
// 160 x 120 preview, the same file cut short at chosen places, and files of
// random bytes with a RAF name.
#pragma once

#include "tests/support/RafBuilder.h"

#include <cstdint>
#include <string>
#include <vector>

namespace velmo::test {

inline constexpr int kScenePreviewWidth = 160;
inline constexpr int kScenePreviewHeight = 120;

// RGB rows, top first: blue sky, green field, a red disc and a yellow square.
std::vector<uint8_t> ScenePicture(int width, int height);

// dir/name written by the RAF builder (FinePix S5600) with the scene as its
// embedded preview; "" on failure.
std::string WriteSceneRaf(const std::string& dir, const std::string& name);
// The bytes of that file.
std::vector<uint8_t> SceneRafBytes();
// Where the builder put the parts of that file.
RafLayout SceneLayout();

// The places a scene file is cut at: inside the header, before the preview,
// inside the Exif block, inside the preview's pixels, after the preview.
struct CutFile {
    std::string name;
    size_t length;
};
std::vector<CutFile> SceneCuts();

// length random bytes (fixed seed).
std::vector<uint8_t> RandomBytes(size_t length, uint32_t seed);

} // namespace velmo::test
