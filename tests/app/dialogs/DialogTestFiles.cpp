#include "tests/app/dialogs/DialogTestFiles.h"

#include <random>

namespace velmo::test {

std::vector<uint8_t> ScenePicture(int width, int height)
{
    std::vector<uint8_t> rgb(size_t(width) * size_t(height) * 3);
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x) {
            uint8_t* p = &rgb[(size_t(y) * size_t(width) + size_t(x)) * 3];
            const double u = double(x) / width;
            const double v = double(y) / height;
            if (v < 0.6) { // sky, lighter toward the horizon
                p[0] = uint8_t(70 + 100 * v);
                p[1] = uint8_t(120 + 100 * v);
                p[2] = 230;
            } else { // field
                p[0] = uint8_t(40 + 40 * u);
                p[1] = uint8_t(150 - 60 * (v - 0.6));
                p[2] = 50;
            }
            const double dx = u - 0.3;
            const double dy = (v - 0.35) * height / width;
            if (dx * dx + dy * dy < 0.012) { // red disc
                p[0] = 220;
                p[1] = 40;
                p[2] = 40;
            }
            if (u > 0.6 && u < 0.8 && v > 0.55 && v < 0.85) { // yellow square
                p[0] = 240;
                p[1] = 210;
                p[2] = 30;
            }
        }
    return rgb;
}

namespace {

RafFileSpec SceneRecipe()
{
    RafFileSpec recipe;
    recipe.previewWidth = kScenePreviewWidth;
    recipe.previewHeight = kScenePreviewHeight;
    recipe.previewPixels = ScenePicture(kScenePreviewWidth, kScenePreviewHeight);
    recipe.previewQuality = 100;
    return recipe;
}

} // namespace

std::string WriteSceneRaf(const std::string& dir, const std::string& name)
{
    const std::string path = dir + "/" + name;
    return WriteRaf(path, SceneRecipe()) ? path : std::string();
}

std::vector<uint8_t> SceneRafBytes()
{
    return BuildRaf(SceneRecipe());
}

RafLayout SceneLayout()
{
    RafLayout layout;
    BuildRaf(SceneRecipe(), &layout);
    return layout;
}

std::vector<CutFile> SceneCuts()
{
    const RafLayout layout = SceneLayout();
    return {
        {"cut-in-header.RAF", 60},
        {"cut-before-preview.RAF", layout.jpegOffset},
        {"cut-in-exif.RAF", layout.exifOffset + 40},
        {"cut-in-preview.RAF", layout.jpegOffset + layout.jpegLength / 2},
        {"cut-after-preview.RAF", layout.jpegOffset + layout.jpegLength},
    };
}

std::vector<uint8_t> RandomBytes(size_t length, uint32_t seed)
{
    std::mt19937 random(seed);
    std::vector<uint8_t> bytes(length);
    for (uint8_t& b : bytes)
        b = uint8_t(random() & 0xFF);
    return bytes;
}

} // namespace velmo::test
