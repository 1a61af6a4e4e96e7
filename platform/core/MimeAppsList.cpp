#include "platform/core/MimeAppsList.h"

#include <algorithm>
#include <cstddef>

namespace velmo {

namespace {

std::string_view TrimBlanks(std::string_view s)
{
    while (!s.empty() && (s.front() == ' ' || s.front() == '\t'))
        s.remove_prefix(1);
    while (!s.empty() && (s.back() == ' ' || s.back() == '\t'))
        s.remove_suffix(1);
    return s;
}

} // namespace

MimeAppsList::MimeAppsList(std::string_view text)
{
    while (!text.empty()) {
        const size_t newline = text.find('\n');
        std::string_view body = text.substr(0, newline);
        size_t endingSize = newline == std::string_view::npos ? 0 : 1;
        if (endingSize == 1 && !body.empty() && body.back() == '\r') {
            body.remove_suffix(1);
            endingSize = 2;
        }
        Line line;
        line.body.assign(body.data(), body.size());
        line.ending.assign(text.data() + body.size(), endingSize);
        text.remove_prefix(body.size() + endingSize);
        lines.push_back(std::move(line));
    }
}

std::optional<std::string_view> MimeAppsList::SectionName(std::string_view body)
{
    body = TrimBlanks(body);
    if (body.size() < 2 || body.front() != '[' || body.back() != ']')
        return std::nullopt;
    return body.substr(1, body.size() - 2);
}

std::optional<std::pair<std::string_view, size_t>> MimeAppsList::Entry(std::string_view body)
{
    const std::string_view trimmed = TrimBlanks(body);
    if (trimmed.empty() || trimmed.front() == '#' || trimmed.front() == '[')
        return std::nullopt;
    const size_t equals = body.find('=');
    if (equals == std::string_view::npos)
        return std::nullopt;
    size_t value = equals + 1;
    while (value < body.size() && (body[value] == ' ' || body[value] == '\t'))
        ++value;
    return std::make_pair(TrimBlanks(body.substr(0, equals)), value);
}

std::string MimeAppsList::NewLineEnding() const
{
    return !lines.empty() && lines.front().ending == "\r\n" ? "\r\n" : "\n";
}

std::optional<std::string> MimeAppsList::Get(std::string_view section, std::string_view key) const
{
    bool inSection = false;
    for (const Line& line : lines) {
        if (auto name = SectionName(line.body)) {
            inSection = *name == section;
            continue;
        }
        if (!inSection)
            continue;
        if (auto entry = Entry(line.body); entry && entry->first == key)
            return line.body.substr(entry->second);
    }
    return std::nullopt;
}

bool MimeAppsList::Set(std::string_view section, std::string_view key, std::string_view value)
{
    bool inSection = false;
    size_t sectionHeader = lines.size();
    size_t insertAt = lines.size();
    for (size_t i = 0; i < lines.size(); ++i) {
        Line& line = lines[i];
        if (auto name = SectionName(line.body)) {
            inSection = *name == section;
            if (inSection && sectionHeader == lines.size()) {
                sectionHeader = i;
                insertAt = i + 1;
            }
            continue;
        }
        if (!inSection)
            continue;
        if (auto entry = Entry(line.body)) {
            if (entry->first == key) {
                if (std::string_view(line.body).substr(entry->second) == value)
                    return false;
                line.body = line.body.substr(0, entry->second) + std::string(value);
                return true;
            }
            if (sectionHeader != lines.size() && i > sectionHeader)
                insertAt = std::max(insertAt, i + 1);
        }
    }
    const std::string ending = NewLineEnding();
    const std::string body = std::string(key) + "=" + std::string(value);
    if (sectionHeader == lines.size()) {
        if (!lines.empty() && lines.back().ending.empty())
            lines.back().ending = ending;
        std::string header;
        header.append(1, '[').append(section).append(1, ']');
        lines.push_back({header, ending});
        lines.push_back({body, ending});
        return true;
    }
    // Inserting after a last line without a line ending gives it one.
    if (insertAt == lines.size() && !lines.empty() && lines.back().ending.empty())
        lines.back().ending = ending;
    lines.insert(lines.begin() + std::ptrdiff_t(insertAt), Line{body, ending});
    return true;
}

bool MimeAppsList::Remove(std::string_view section, std::string_view key)
{
    // Headers of the sections a line was removed from (indices stay valid:
    // lines are only removed after them).
    std::vector<size_t> touched;
    std::optional<size_t> header;
    for (size_t i = 0; i < lines.size();) {
        if (auto name = SectionName(lines[i].body)) {
            header = *name == section ? std::optional<size_t>(i) : std::nullopt;
            ++i;
            continue;
        }
        if (header) {
            if (auto entry = Entry(lines[i].body); entry && entry->first == key) {
                lines.erase(lines.begin() + std::ptrdiff_t(i));
                if (touched.empty() || touched.back() != *header)
                    touched.push_back(*header);
                continue;
            }
        }
        ++i;
    }
    for (auto it = touched.rbegin(); it != touched.rend(); ++it) {
        const size_t h = *it;
        if (h + 1 == lines.size() || SectionName(lines[h + 1].body))
            lines.erase(lines.begin() + std::ptrdiff_t(h));
    }
    return !touched.empty();
}

std::string MimeAppsList::Text() const
{
    std::string text;
    for (const Line& line : lines)
        text += line.body + line.ending;
    return text;
}

} // namespace velmo
