// An INI document that keeps every line of its file (comments, blank lines,
// unknown sections, their order), so that writing it back changes only the
// keys that were set or removed. Section and key names compare without ASCII
// case; the first of duplicate sections or keys is the one read and written.
// Files are read with CRLF or LF line ends and written with CRLF.
#pragma once

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace velmo {

enum class IniLoadResult { Loaded, Missing, Error };

// One line as INI reads see it (a byte order mark at its start and the
// blanks around it ignored): a section header "[name]", a key line
// "name=value" (only after a section header, not starting with ';'), or
// anything else. name and value are trimmed and point into the line.
struct IniLineView {
    enum class Kind { Other, Section, Key };
    Kind kind = Kind::Other;
    std::string_view name;
    std::string_view value;
};
IniLineView ParseIniLine(std::string_view line, bool inSection);

class IniFile {
public:
    static IniFile Parse(std::string_view text);
    // Replaces the document by the file's contents. Missing leaves an empty
    // document; Error (unreadable, not a regular file, too large) leaves the
    // document as it was.
    IniLoadResult Load(const std::string& path);
    std::string Serialize() const;
    // Writes the document atomically (see WriteFileAtomically).
    bool Save(const std::string& path, bool sync = false) const;

    // The value with surrounding blanks trimmed and one pair of matching
    // surrounding quotes (' or ") removed; nullopt when the key is absent.
    std::optional<std::string> Get(std::string_view section, std::string_view key) const;
    // The value with blanks trimmed, quotes kept.
    std::optional<std::string> GetRaw(std::string_view section, std::string_view key) const;
    // Sets key=value: an existing key keeps its line and its spelling, a new
    // key follows the last key of its section, a new section goes to the end
    // of the file. Returns whether the document changed; names or values that
    // are not valid (see below) change nothing.
    bool Set(std::string_view section, std::string_view key, std::string_view value);
    bool Remove(std::string_view section, std::string_view key);
    // Removes every section of that name with all its lines.
    bool RemoveSection(std::string_view section);

    bool HasSection(std::string_view section) const;
    std::vector<std::string> Sections() const;
    std::vector<std::string> Keys(std::string_view section) const;
    bool Empty() const { return lines.empty(); }

    // Names are trimmed of blanks before use. A section name must not be
    // empty nor hold ']' or a line break; a key name must not be empty, hold
    // '=' or a line break, nor start with '[' or ';'; a value must not hold a
    // line break or a NUL byte. Such text could not be read back as written.
    static bool IsValidSection(std::string_view section);
    static bool IsValidKey(std::string_view key);
    static bool IsValidValue(std::string_view value);

private:
    enum class LineKind { Other, Section, Key };
    struct Line {
        std::string text;
        LineKind kind = LineKind::Other;
        std::string name;  // section or key name, trimmed
        std::string value; // key value, trimmed
    };
    static Line ParseLine(std::string text, bool inSection);
    // First line index of the first section named so, or npos.
    size_t FindSection(std::string_view section) const;
    // End (exclusive) of the section whose header is at index header.
    size_t SectionEnd(size_t header) const;
    size_t FindKey(std::string_view section, std::string_view key) const;

    std::vector<Line> lines;
};

// A read-only INI text for lookups, parsed once: the same lines, names and
// values as IniFile reads, the first of duplicate sections and keys winning,
// found by a search over sorted names rather than by a walk over the lines.
class IniIndex {
public:
    // Indexes a copy of text.
    explicit IniIndex(std::string_view text);
    // Indexes the size bytes of data, which it keeps.
    IniIndex(std::unique_ptr<char[]> data, size_t size);
    IniIndex(const IniIndex&) = delete;
    IniIndex& operator=(const IniIndex&) = delete;

    // As IniFile::Get and IniFile::GetRaw.
    std::optional<std::string_view> Get(std::string_view section, std::string_view key) const;
    std::optional<std::string_view> GetRaw(std::string_view section, std::string_view key) const;

private:
    // Names and values are offsets into the text: no allocation per line.
    struct Entry { // a section header
        uint64_t hash;
        uint32_t order; // of the header in the file
        uint32_t nameOffset, nameLength;
    };
    struct Key {
        uint64_t hash; // of the section's order and the name
        uint32_t section;
        uint32_t nameOffset, nameLength;
        uint32_t valueOffset, valueLength;
    };
    void Build();
    uint32_t Offset(std::string_view part) const;
    template <class T>
    std::string_view Text(const T& e) const
    {
        return text.substr(e.nameOffset, e.nameLength);
    }

    std::unique_ptr<char[]> data;
    std::string_view text;      // data's bytes
    std::vector<Entry> sections; // the first header of each name, by hash
    std::vector<Key> keys;       // the first line of each key, by hash
};

// Blanks that INI reads trim around names and values.
std::string_view TrimBlanks(std::string_view text);
bool EqualsNoCase(std::string_view a, std::string_view b);

// The integer rule of the profile functions: leading blanks, an optional
// sign, decimal digits (0 when there are none), saturated to the int range.
int ParseProfileInt(std::string_view text);

// Reads a whole regular file (at most 64 MiB). missing is set when the file
// does not exist; returns false for missing or unreadable files.
bool ReadWholeFile(const std::string& path, std::string& out, bool& missing);
// Writes data to a temporary file beside path, then renames it over path.
// An existing file's permission bits are kept. sync additionally flushes
// the file and its directory to disk. On failure the old file is intact and
// no temporary file is left.
bool WriteFileAtomically(const std::string& path, std::string_view data, bool sync);

} // namespace velmo
