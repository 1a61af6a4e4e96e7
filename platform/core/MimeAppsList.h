// A freedesktop mimeapps.list (or any desktop-entry style key file) edited
// line by line: a change touches the one line of its key, so that every
// other line, comment and blank stays byte for byte as the user left it.
#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace velmo {

inline constexpr const char* kDefaultApplicationsSection = "Default Applications";

class MimeAppsList {
public:
    explicit MimeAppsList(std::string_view text = {});

    // The value of key in the first section named section that has it
    // (blanks after '=' skipped, the rest of the line as written).
    std::optional<std::string> Get(std::string_view section, std::string_view key) const;
    // Sets key's value: on its line when there is one (the text before the
    // value kept), else as a new line after the section's last entry, else in
    // a new section at the end. True when the text changed.
    bool Set(std::string_view section, std::string_view key, std::string_view value);
    // Removes every line of key in sections named section; a section left
    // without any line is removed with it. True when the text changed.
    bool Remove(std::string_view section, std::string_view key);

    std::string Text() const;

private:
    struct Line {
        std::string body;   // without the line ending
        std::string ending; // "\n", "\r\n" or "" (a last line without one)
    };
    // The section name of a header line, nullopt for other lines.
    static std::optional<std::string_view> SectionName(std::string_view body);
    // The key of an entry line and the offset of its value, nullopt for others.
    static std::optional<std::pair<std::string_view, size_t>> Entry(std::string_view body);
    std::string NewLineEnding() const;

    std::vector<Line> lines;
};

} // namespace velmo
