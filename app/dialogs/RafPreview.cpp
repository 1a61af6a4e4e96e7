#include "app/dialogs/RafPreview.h"

#include "exif/EmbeddedJpeg.h"

#include <sys/stat.h>

#include <algorithm>
#include <cctype>
#include <cstdio>
#include <cstring>
#include <memory>

namespace velmo {

namespace {

bool HasRafExtension(const std::string& path)
{
    if (path.size() < 4)
        return false;
    std::string tail = path.substr(path.size() - 4);
    for (char& c : tail)
        c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    return tail == ".RAF";
}

struct FileCloser {
    void operator()(std::FILE* file) const { std::fclose(file); }
};

// The first bytes of path (fewer when the file is shorter; none when it
// cannot be read).
std::vector<uint8_t> ReadHead(const std::string& path, size_t count)
{
    std::vector<uint8_t> head(count);
    std::unique_ptr<std::FILE, FileCloser> file(std::fopen(path.c_str(), "rb"));
    if (!file)
        return {};
    head.resize(std::fread(head.data(), 1, head.size(), file.get()));
    return head;
}

} // namespace

RafPreview ReadRafPreview(const std::string& path, int width, int height, bool embeddedPreview)
{
    RafPreview preview;
    const size_t w = static_cast<size_t>(std::max(width, 0));
    const size_t h = static_cast<size_t>(std::max(height, 0));
    preview.pixels.assign(w * h * 3, 0);
    preview.raf = HasRafExtension(path);
    if (!preview.raf)
        return preview;

    struct stat info {};
    if (::stat(path.c_str(), &info) != 0) {
        preview.replaceText = false;
        return preview;
    }
    if (!S_ISREG(info.st_mode))
        return preview;

    if (embeddedPreview && w > 0 && h > 0) {
        std::vector<uint8_t> area(EmbeddedJpegAreaSize(width, height), 0);
        if (LoadEmbeddedJpeg(path, area, width, height) == 1) {
            std::memcpy(preview.pixels.data(), area.data() + kEmbeddedJpegHeaderRoom, preview.pixels.size());
            preview.picture = true;
        }
    }

    const std::vector<uint8_t> head = ReadHead(path, kPreviewExifBytes);
    if (!head.empty()) {
        ExifTagIndex index;
        ExifCameraValues camera;
        ParseExif(head, preview.lines, index, camera);
    }
    return preview;
}

std::string ExifPaneText(const ExifTextLines& lines, const std::vector<size_t>& shown)
{
    std::string text;
    bool first = true;
    for (size_t i : shown) {
        if (i >= lines.size())
            continue;
        if (!first)
            text += '\n';
        text += lines[i];
        first = false;
    }
    return text;
}

size_t FirstLineAfterToggle(const std::vector<size_t>& oldShown, const std::vector<size_t>& newShown, size_t oldFirst)
{
    if (newShown.empty())
        return 0;
    if (oldShown.empty())
        return 0;
    const size_t entry = oldShown[std::min(oldFirst, oldShown.size() - 1)];
    for (size_t k = 0; k < newShown.size(); ++k)
        if (newShown[k] >= entry)
            return k;
    return newShown.size() - 1;
}

} // namespace velmo
