#include "res/LanguageFile.h"

#include "res/ResourceIds.h"
#include "res/StringTable.h"

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <fstream>

namespace velmo {

namespace {

// Far more than every text of the program in any language.
constexpr size_t kMaxLanguageFileSize = 4u << 20;

bool IsBlank(char c)
{
    return c == ' ' || c == '\t';
}

std::string_view Trim(std::string_view s)
{
    while (!s.empty() && IsBlank(s.front()))
        s.remove_prefix(1);
    while (!s.empty() && IsBlank(s.back()))
        s.remove_suffix(1);
    return s;
}

// The next blank-separated word of s, removed from s.
std::string_view NextWord(std::string_view& s)
{
    s = Trim(s);
    size_t end = 0;
    while (end < s.size() && !IsBlank(s[end]))
        ++end;
    const std::string_view word = s.substr(0, end);
    s.remove_prefix(end);
    return word;
}

// A decimal number below limit.
std::optional<unsigned> ParseId(std::string_view word, unsigned limit)
{
    if (word.empty() || word.size() > 9)
        return std::nullopt;
    unsigned value = 0;
    for (char c : word) {
        if (c < '0' || c > '9')
            return std::nullopt;
        value = value * 10 + unsigned(c - '0');
    }
    if (value >= limit)
        return std::nullopt;
    return value;
}

bool IsValidUtf8(std::string_view s)
{
    size_t i = 0;
    while (i < s.size()) {
        const auto c = static_cast<unsigned char>(s[i]);
        size_t extra;
        unsigned minimum;
        unsigned value;
        if (c < 0x80) {
            ++i;
            continue;
        } else if ((c & 0xE0) == 0xC0) {
            extra = 1, minimum = 0x80, value = c & 0x1Fu;
        } else if ((c & 0xF0) == 0xE0) {
            extra = 2, minimum = 0x800, value = c & 0x0Fu;
        } else if ((c & 0xF8) == 0xF0) {
            extra = 3, minimum = 0x10000, value = c & 0x07u;
        } else {
            return false;
        }
        if (i + extra >= s.size())
            return false;
        for (size_t k = 1; k <= extra; ++k) {
            const auto next = static_cast<unsigned char>(s[i + k]);
            if ((next & 0xC0) != 0x80)
                return false;
            value = (value << 6) | (next & 0x3Fu);
        }
        if (value < minimum || value > 0x10FFFF || (value >= 0xD800 && value <= 0xDFFF))
            return false;
        i += extra + 1;
    }
    return true;
}

// The text of a value: quotes removed, escapes decoded.
std::string DecodeValue(std::string_view raw)
{
    raw = Trim(raw);
    if (raw.size() >= 2 && raw.front() == '"' && raw.back() == '"')
        raw = raw.substr(1, raw.size() - 2);
    std::string text;
    text.reserve(raw.size());
    for (size_t i = 0; i < raw.size(); ++i) {
        if (raw[i] != '\\' || i + 1 == raw.size()) {
            text += raw[i];
            continue;
        }
        switch (raw[i + 1]) {
        case 'n': text += '\n'; ++i; break;
        case 't': text += '\t'; ++i; break;
        case '\\': text += '\\'; ++i; break;
        case '"': text += '"'; ++i; break;
        default: text += '\\'; break; // kept as written
        }
    }
    return text;
}

size_t CountOf(std::string_view s, char c)
{
    return size_t(std::count(s.begin(), s.end(), c));
}

} // namespace

LanguageFile ParseLanguageFile(std::string_view contents)
{
    LanguageFile file;
    if (contents.size() >= 3 && std::memcmp(contents.data(), "\xEF\xBB\xBF", 3) == 0)
        contents.remove_prefix(3);
    int lineNumber = 0;
    while (!contents.empty()) {
        const size_t newline = contents.find('\n');
        std::string_view line = contents.substr(0, newline);
        contents.remove_prefix(newline == std::string_view::npos ? contents.size() : newline + 1);
        ++lineNumber;
        if (!line.empty() && line.back() == '\r')
            line.remove_suffix(1);
        const std::string_view trimmed = Trim(line);
        if (trimmed.empty() || trimmed.front() == '#')
            continue;

        auto problem = [&file, lineNumber](const std::string& what) {
            file.problems.push_back("line " + std::to_string(lineNumber) + ": " + what);
        };
        const size_t equals = line.find('=');
        if (equals == std::string_view::npos) {
            problem("no '=' in the line");
            continue;
        }
        std::string_view key = line.substr(0, equals);
        const std::string_view kind = NextWord(key);
        const std::string_view first = NextWord(key);
        const std::string_view second = NextWord(key);
        const bool extraWords = !Trim(key).empty();
        std::optional<unsigned> id;
        if (kind == "string" && second.empty()) {
            if (auto n = ParseId(first, kMenuTextBase))
                id = *n;
        } else if (kind == "menu" && second.empty()) {
            if (auto n = ParseId(first, 0x10000))
                id = MenuText(*n);
        } else if (kind == "text" && second.empty()) {
            if (auto n = ParseId(first, 0x10000))
                id = kPopupTextBase + *n;
        } else if (kind == "dialog" && second.empty()) {
            if (auto n = ParseId(first, 0x10000))
                id = DialogCaption(*n);
        } else if (kind == "control") {
            auto dialog = ParseId(first, 0x8000);
            auto control = ParseId(second, 0x10000);
            if (dialog && control)
                id = ControlCaption(*dialog, *control);
        }
        if (!id || extraWords) {
            problem("not a key: " + std::string(Trim(line.substr(0, equals))));
            continue;
        }
        const std::string_view raw = line.substr(equals + 1);
        if (!IsValidUtf8(raw)) {
            problem(LanguageKeyName(*id) + ": the text is not UTF-8");
            continue;
        }
        if (file.texts.count(*id) != 0)
            problem(LanguageKeyName(*id) + " given again; the later text counts");
        file.texts[*id] = DecodeValue(raw);
    }
    return file;
}

std::optional<LanguageFile> ReadLanguageFile(const std::string& path)
{
    std::ifstream in(path, std::ios::binary);
    if (!in)
        return std::nullopt;
    std::string contents;
    char buffer[16384];
    while (in.read(buffer, sizeof buffer) || in.gcount() > 0) {
        contents.append(buffer, size_t(in.gcount()));
        if (contents.size() > kMaxLanguageFileSize)
            return std::nullopt;
    }
    if (in.bad())
        return std::nullopt;
    return ParseLanguageFile(contents);
}

std::string LanguageKeyName(unsigned id)
{
    if (id >= kControlCaptionBase)
        return "control " + std::to_string((id >> 16) & 0x7FFF) + " " + std::to_string(id & 0xFFFF);
    if (id >= kDialogCaptionBase)
        return "dialog " + std::to_string(id - kDialogCaptionBase);
    if (id >= kPopupTextBase)
        return "text " + std::to_string(id - kPopupTextBase);
    if (id >= kMenuTextBase)
        return "menu " + std::to_string(id - kMenuTextBase);
    return "string " + std::to_string(id);
}

std::string LanguageFileLine(unsigned id, std::string_view text)
{
    std::string value;
    for (char c : text) {
        switch (c) {
        case '\n': value += "\\n"; break;
        case '\t': value += "\\t"; break;
        case '\\': value += "\\\\"; break;
        default: value += c; break;
        }
    }
    const bool quote = !text.empty() && (IsBlank(text.front()) || IsBlank(text.back()) ||
                                         (text.front() == '"' && text.back() == '"'));
    return LanguageKeyName(id) + " = " + (quote ? "\"" + value + "\"" : value);
}

std::vector<std::string> FormatConversions(std::string_view text)
{
    std::vector<std::string> conversions;
    for (size_t i = 0; i < text.size(); ++i) {
        if (text[i] != '%')
            continue;
        size_t k = i + 1;
        if (k < text.size() && text[k] == '%') {
            i = k;
            continue;
        }
        // Argument number, flags, width, precision, length, conversion.
        auto digits = [&] {
            while (k < text.size() && text[k] >= '0' && text[k] <= '9')
                ++k;
        };
        const size_t numberStart = k;
        digits();
        if (!(k < text.size() && text[k] == '$' && k > numberStart))
            k = numberStart;
        else
            ++k;
        while (k < text.size() && std::strchr("-+ #0'", text[k]) != nullptr)
            ++k;
        if (k < text.size() && text[k] == '*')
            ++k;
        else
            digits();
        if (k < text.size() && text[k] == '.') {
            ++k;
            if (k < text.size() && text[k] == '*')
                ++k;
            else
                digits();
        }
        while (k < text.size() && std::strchr("hlLqjzZt", text[k]) != nullptr)
            ++k;
        if (k < text.size() && std::strchr("diouxXeEfFgGaAcCsSpnm", text[k]) != nullptr) {
            conversions.emplace_back(text.substr(i, k + 1 - i));
            i = k;
            continue;
        }
        // Not a conversion printf knows: a placeholder such as "%1" (the data
        // exchange's messages) or a lone '%'. It counts with its digits, so
        // that a translation keeps it too.
        size_t end = i + 1;
        while (end < text.size() && text[end] >= '0' && text[end] <= '9')
            ++end;
        conversions.emplace_back(text.substr(i, end - i));
        i = end - 1;
    }
    return conversions;
}

std::map<unsigned, std::string> AcceptedTranslations(const std::map<unsigned, std::string>& texts,
                                                     std::vector<std::string>* problems)
{
    std::map<unsigned, std::string> accepted;
    auto refuse = [problems](unsigned id, const char* why) {
        if (problems != nullptr)
            problems->push_back(LanguageKeyName(id) + ": " + why + "; the English text is used");
    };
    for (const auto& [id, text] : texts) {
        const char* english = EnglishString(id);
        if (english == nullptr) {
            if (problems != nullptr)
                problems->push_back(LanguageKeyName(id) + ": this build has no such text");
            continue;
        }
        if (FormatConversions(text) != FormatConversions(english)) {
            refuse(id, "its % conversions differ from the English text's");
            continue;
        }
        if (CountOf(english, '|') != 0 && CountOf(text, '|') != CountOf(english, '|')) {
            refuse(id, "its list has another number of items than the English one");
            continue;
        }
        accepted.emplace(id, text);
    }
    return accepted;
}

bool BelongsToThisBuild(const LanguageFile& file)
{
    const auto stamp = file.texts.find(IDS_BUILD_STAMP);
    const auto name = file.texts.find(IDS_LANGUAGE_NAME);
    const char* ownStamp = EnglishString(IDS_BUILD_STAMP);
    return ownStamp != nullptr && stamp != file.texts.end() && stamp->second == ownStamp &&
           name != file.texts.end() && !name->second.empty();
}

std::string LanguageFilePath(const std::string& base, int langId)
{
    char digits[16];
    std::snprintf(digits, sizeof digits, "%04x", unsigned(langId) & 0xFFFFu);
    return base + digits + kLanguageFileExtension;
}

std::string LanguageFileBase(const std::string& programPath)
{
    const size_t slash = programPath.rfind('/');
    const size_t dot = programPath.rfind('.');
    const size_t nameStart = slash == std::string::npos ? 0 : slash + 1;
    if (dot != std::string::npos && dot > nameStart)
        return programPath.substr(0, dot);
    return programPath;
}

std::optional<int> LanguageIdOfFile(const std::string& baseName, const std::string& fileName)
{
    const std::string extension = kLanguageFileExtension;
    if (fileName.size() != baseName.size() + 4 + extension.size() || fileName.compare(0, baseName.size(), baseName) != 0)
        return std::nullopt;
    int langId = 0;
    for (size_t i = baseName.size(); i < baseName.size() + 4; ++i) {
        const char c = fileName[i];
        if (c >= '0' && c <= '9')
            langId = langId * 16 + (c - '0');
        else if (c >= 'a' && c <= 'f')
            langId = langId * 16 + (c - 'a' + 10);
        else
            return std::nullopt; // upper case too: loading asks for lower-case digits
    }
    if (langId == 0 || fileName.compare(baseName.size() + 4, std::string::npos, extension) != 0)
        return std::nullopt;
    return langId;
}

} // namespace velmo
