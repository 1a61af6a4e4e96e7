#include "exif/ExifDigest.h"

#include "platform/core/SettingsStore.h"

namespace velmo {

std::vector<std::string> SplitDigestNames(std::string_view text)
{
    std::vector<std::string> names;
    size_t start = 0;
    while (start < text.size()) {
        size_t bar = text.find('|', start);
        std::string_view piece = text.substr(start, bar == std::string_view::npos ? std::string_view::npos : bar - start);
        if (piece.empty())
            break;
        names.emplace_back(piece);
        if (bar == std::string_view::npos)
            break;
        start = bar + 1;
    }
    return names;
}

const std::vector<std::string>& DigestNames()
{
    static const std::vector<std::string> names = [] {
        std::string text = Settings().GetProfileString(kSettingsSection, "DigestExif", "");
        return SplitDigestNames(text.empty() ? std::string_view(kDefaultDigestNames) : std::string_view(text));
    }();
    return names;
}

std::vector<size_t> ExifDigestLines(const ExifTextLines& lines, bool all, const std::vector<std::string>& names)
{
    std::vector<size_t> shown;
    for (size_t i = 0; i < lines.size(); ++i) {
        const std::string& line = lines[i];
        if (all) {
            shown.push_back(i);
            continue;
        }
        for (const std::string& name : names)
            if (line.size() > name.size() && line.compare(0, name.size(), name) == 0 && line[name.size()] == ':')
                shown.push_back(i);
    }
    return shown;
}

std::string ExifDigest(const ExifTextLines* lines, bool all, const std::vector<std::string>& names)
{
    std::string text;
    if (!lines)
        return text;
    for (size_t i : ExifDigestLines(*lines, all, names)) {
        text += (*lines)[i];
        text += "\r\n";
    }
    return text;
}

std::string ExifDigest(const ExifTextLines* lines, bool all)
{
    if (!lines)
        return {};
    static const std::vector<std::string> none;
    return ExifDigest(lines, all, all ? none : DigestNames());
}

} // namespace velmo
