#include "app/dialogs/FileDialogRules.h"

#include <cctype>

namespace velmo {

namespace {

std::string Trimmed(std::string_view text)
{
    size_t begin = 0;
    size_t end = text.size();
    while (begin < end && std::isspace(static_cast<unsigned char>(text[begin])))
        ++begin;
    while (end > begin && std::isspace(static_cast<unsigned char>(text[end - 1])))
        --end;
    return std::string(text.substr(begin, end - begin));
}

std::vector<std::string_view> Split(std::string_view text, char separator)
{
    std::vector<std::string_view> parts;
    size_t start = 0;
    for (;;) {
        const size_t at = text.find(separator, start);
        parts.push_back(text.substr(start, at == std::string_view::npos ? std::string_view::npos : at - start));
        if (at == std::string_view::npos)
            return parts;
        start = at + 1;
    }
}

std::string CaseVariant(const std::string& pattern, bool upper)
{
    std::string out = pattern;
    for (char& c : out)
        c = static_cast<char>(upper ? std::toupper(static_cast<unsigned char>(c))
                                    : std::tolower(static_cast<unsigned char>(c)));
    return out;
}

void AddOnce(std::vector<std::string>& list, const std::string& item)
{
    for (const std::string& present : list)
        if (present == item)
            return;
    list.push_back(item);
}

// Without trailing separators, the root becoming "".
std::string_view WithoutTrailingSeparators(std::string_view path)
{
    while (!path.empty() && path.back() == '/')
        path.remove_suffix(1);
    return path;
}

} // namespace

std::vector<FileTypeFilter> ParseFileTypeFilter(std::string_view filter)
{
    std::vector<FileTypeFilter> types;
    const std::vector<std::string_view> parts = Split(filter, '|');
    for (size_t i = 0; i < parts.size(); i += 2) {
        if (parts[i].empty())
            break;
        FileTypeFilter type;
        type.display = std::string(parts[i]);
        if (i + 1 < parts.size())
            for (std::string_view pattern : Split(parts[i + 1], ';')) {
                std::string p = Trimmed(pattern);
                if (!p.empty())
                    type.patterns.push_back(std::move(p));
            }
        if (type.patterns.empty())
            type.patterns.push_back("*");
        types.push_back(std::move(type));
    }
    return types;
}

std::string QtNameFilter(const FileTypeFilter& type)
{
    std::string name = type.display;
    std::string listed;
    for (size_t i = 0; i < type.patterns.size(); ++i)
        listed += (i ? ";" : "") + type.patterns[i];
    const std::string tail = "(" + listed + ")";
    if (name.size() >= tail.size() && name.compare(name.size() - tail.size(), tail.size(), tail) == 0)
        name = Trimmed(std::string_view(name).substr(0, name.size() - tail.size()));

    std::vector<std::string> patterns;
    for (const std::string& pattern : type.patterns) {
        AddOnce(patterns, pattern);
        AddOnce(patterns, CaseVariant(pattern, true));
        AddOnce(patterns, CaseVariant(pattern, false));
    }
    std::string out = name + " (";
    for (size_t i = 0; i < patterns.size(); ++i)
        out += (i ? " " : "") + patterns[i];
    return out + ")";
}

std::string FileTypeExtension(const FileTypeFilter& type)
{
    if (type.patterns.empty())
        return {};
    const std::string& pattern = type.patterns.front();
    if (pattern.size() < 3 || pattern.compare(0, 2, "*.") != 0)
        return {};
    const std::string extension = pattern.substr(1);
    if (extension.find_first_of("*?[]/. ", 1) != std::string::npos)
        return {};
    return extension;
}

size_t ExtensionDot(std::string_view path)
{
    const size_t slash = path.rfind('/');
    const size_t nameStart = slash == std::string_view::npos ? 0 : slash + 1;
    const size_t dot = path.rfind('.');
    if (dot == std::string_view::npos || dot <= nameStart)
        return std::string_view::npos;
    return dot;
}

std::string NameForFileType(const std::string& name, const std::string& extension)
{
    if (extension.empty() || name.empty() || name.back() == '/')
        return name;
    const size_t dot = ExtensionDot(name);
    return (dot == std::string::npos ? name : name.substr(0, dot)) + extension;
}

std::string WithTypeExtension(const std::string& path, const std::string& extension)
{
    if (extension.empty() || path.empty() || path.back() == '/' || ExtensionDot(path) != std::string::npos)
        return path;
    return path + extension;
}

std::string FolderLeft(const std::string& lastFolder, const std::string& currentFolder)
{
    const std::string_view last = WithoutTrailingSeparators(lastFolder);
    const std::string_view current = WithoutTrailingSeparators(currentFolder);
    if (last.size() <= current.size() + 1 || last.substr(0, current.size()) != current || last[current.size()] != '/')
        return {};
    return std::string(last.substr(current.size() + 1));
}

} // namespace velmo
