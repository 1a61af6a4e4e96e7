#include "platform/core/IniFile.h"

#include "platform/core/PassRunner.h"

#include <algorithm>
#include <atomic>
#include <cstdint>
#include <cerrno>
#include <climits>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace velmo {

namespace {

constexpr size_t kMaxFileSize = size_t{64} << 20;
constexpr std::string_view kUtf8Bom = "\xEF\xBB\xBF";

bool IsBlank(char c)
{
    return c == ' ' || c == '\t' || c == '\r' || c == '\n' || c == '\v' || c == '\f';
}

char LowerAscii(char c)
{
    return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c;
}

std::string_view StripQuotes(std::string_view value)
{
    if (value.size() >= 2 && (value.front() == '"' || value.front() == '\'') && value.back() == value.front())
        return value.substr(1, value.size() - 2);
    return value;
}

bool HasLineBreak(std::string_view text)
{
    return text.find_first_of("\r\n") != std::string_view::npos;
}

std::string DirectoryOf(const std::string& path)
{
    size_t slash = path.rfind('/');
    if (slash == std::string::npos)
        return ".";
    if (slash == 0)
        return "/";
    return path.substr(0, slash);
}

bool WriteAll(int fd, std::string_view data)
{
    while (!data.empty()) {
        ssize_t n = ::write(fd, data.data(), data.size());
        if (n < 0) {
            if (errno == EINTR)
                continue;
            return false;
        }
        data.remove_prefix(static_cast<size_t>(n));
    }
    return true;
}

} // namespace

std::string_view TrimBlanks(std::string_view text)
{
    while (!text.empty() && IsBlank(text.front()))
        text.remove_prefix(1);
    while (!text.empty() && IsBlank(text.back()))
        text.remove_suffix(1);
    return text;
}

bool EqualsNoCase(std::string_view a, std::string_view b)
{
    if (a.size() != b.size())
        return false;
    for (size_t i = 0; i < a.size(); ++i)
        if (LowerAscii(a[i]) != LowerAscii(b[i]))
            return false;
    return true;
}

int ParseProfileInt(std::string_view text)
{
    size_t i = 0;
    while (i < text.size() && IsBlank(text[i]))
        ++i;
    bool negative = false;
    if (i < text.size() && (text[i] == '+' || text[i] == '-')) {
        negative = text[i] == '-';
        ++i;
    }
    long long magnitude = 0;
    const long long limit = negative ? -static_cast<long long>(INT_MIN) : INT_MAX;
    for (; i < text.size() && text[i] >= '0' && text[i] <= '9'; ++i) {
        magnitude = magnitude * 10 + (text[i] - '0');
        if (magnitude > limit)
            magnitude = limit;
    }
    return static_cast<int>(negative ? -magnitude : magnitude);
}

bool ReadWholeFile(const std::string& path, std::string& out, bool& missing)
{
    missing = false;
    // O_NONBLOCK so that a FIFO at the path cannot block the open.
    int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK);
    if (fd < 0) {
        missing = errno == ENOENT || errno == ENOTDIR;
        return false;
    }
    struct stat st {};
    bool ok = ::fstat(fd, &st) == 0 && S_ISREG(st.st_mode) && static_cast<uint64_t>(st.st_size) <= kMaxFileSize;
    std::string data;
    if (ok) {
        data.resize(static_cast<size_t>(st.st_size));
        size_t done = 0;
        while (done < data.size()) {
            ssize_t n = ::read(fd, data.data() + done, data.size() - done);
            if (n < 0 && errno == EINTR)
                continue;
            if (n <= 0)
                break; // shrunk meanwhile: keep what was read
            done += static_cast<size_t>(n);
        }
        data.resize(done);
        // A file that grew while being read is taken up to its old size.
    }
    ::close(fd);
    if (ok)
        out = std::move(data);
    return ok;
}

bool WriteFileAtomically(const std::string& path, std::string_view data, bool sync)
{
    if (path.empty())
        return false;
    static std::atomic<unsigned> counter{0};

    struct stat target {};
    bool haveTarget = ::stat(path.c_str(), &target) == 0;
    if (haveTarget && !S_ISREG(target.st_mode))
        return false;

    std::string temp;
    int fd = -1;
    for (int attempt = 0; attempt < 100 && fd < 0; ++attempt) {
        temp = path + "." + std::to_string(::getpid()) + "." + std::to_string(counter.fetch_add(1)) + ".tmp";
        fd = ::open(temp.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
        if (fd < 0 && errno != EEXIST)
            return false;
    }
    if (fd < 0)
        return false;

    bool ok = WriteAll(fd, data);
    if (ok && haveTarget)
        ok = ::fchmod(fd, target.st_mode & 07777) == 0;
    if (ok && sync)
        ok = ::fsync(fd) == 0;
    if (::close(fd) != 0)
        ok = false;
    if (ok)
        ok = ::rename(temp.c_str(), path.c_str()) == 0;
    if (!ok) {
        ::unlink(temp.c_str());
        return false;
    }
    if (sync) {
        int dir = ::open(DirectoryOf(path).c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
        if (dir < 0)
            return false;
        bool synced = ::fsync(dir) == 0;
        ::close(dir);
        return synced;
    }
    return true;
}

IniLineView ParseIniLine(std::string_view body, bool inSection)
{
    IniLineView line;
    if (body.substr(0, kUtf8Bom.size()) == kUtf8Bom)
        body.remove_prefix(kUtf8Bom.size());
    body = TrimBlanks(body);
    if (!body.empty() && body.front() == '[') {
        size_t close = body.rfind(']');
        if (close != std::string_view::npos) {
            line.kind = IniLineView::Kind::Section;
            line.name = TrimBlanks(body.substr(1, close - 1));
        }
    } else if (inSection && !body.empty() && body.front() != ';') {
        size_t eq = body.find('=');
        if (eq != std::string_view::npos) {
            line.kind = IniLineView::Kind::Key;
            line.name = TrimBlanks(body.substr(0, eq));
            line.value = TrimBlanks(body.substr(eq + 1));
        }
    }
    return line;
}

IniFile::Line IniFile::ParseLine(std::string text, bool inSection)
{
    Line line;
    const IniLineView view = ParseIniLine(text, inSection);
    if (view.kind == IniLineView::Kind::Section) {
        line.kind = LineKind::Section;
        line.name = std::string(view.name);
    } else if (view.kind == IniLineView::Kind::Key) {
        line.kind = LineKind::Key;
        line.name = std::string(view.name);
        line.value = std::string(view.value);
    }
    line.text = std::move(text);
    return line;
}

namespace {

// FNV-1a over the name with ASCII letters lowered.
uint64_t NameHash(std::string_view name, uint64_t seed = 0xcbf29ce484222325ull)
{
    uint64_t h = seed;
    for (char c : name) {
        h ^= static_cast<unsigned char>(LowerAscii(c));
        h *= 0x100000001b3ull;
    }
    return h;
}

uint64_t KeyHash(uint32_t section, std::string_view name)
{
    return NameHash(name, 0xcbf29ce484222325ull ^ (uint64_t(section) * 0x9E3779B97F4A7C15ull));
}

// Names in the order ASCII letters lowered give.
int CompareNoCase(std::string_view a, std::string_view b)
{
    const size_t n = std::min(a.size(), b.size());
    for (size_t i = 0; i < n; ++i) {
        const unsigned char x = static_cast<unsigned char>(LowerAscii(a[i]));
        const unsigned char y = static_cast<unsigned char>(LowerAscii(b[i]));
        if (x != y)
            return x < y ? -1 : 1;
    }
    return a.size() == b.size() ? 0 : (a.size() < b.size() ? -1 : 1);
}

// Large fresh blocks have their pages mapped at once rather than one fault
// at a time.
template <class T>
void Reserve(std::vector<T>& v, size_t count)
{
    std::vector<T> fresh;
    fresh.reserve(count);
    if (count * sizeof(T) >= kPrefaultBytes)
        PrefaultPages(fresh.data(), count * sizeof(T));
    v.swap(fresh);
}

// Doubles a vector's room.
template <class T>
void Grow(std::vector<T>& v)
{
    std::vector<T> grown;
    Reserve(grown, std::max<size_t>(1024, 2 * v.capacity()));
    grown.assign(v.begin(), v.end());
    v.swap(grown);
}

} // namespace

IniIndex::IniIndex(std::string_view copy) : data(std::make_unique_for_overwrite<char[]>(copy.size()))
{
    std::copy(copy.begin(), copy.end(), data.get());
    text = std::string_view(data.get(), copy.size());
    Build();
}

IniIndex::IniIndex(std::unique_ptr<char[]> bytes, size_t size) : data(std::move(bytes)), text(data.get(), size)
{
    Build();
}

// One pass over the lines records the section headers and the key lines;
// then both are sorted by hash (ties by name and file order) and only the
// first of each name is kept. Sorting rather than a hash table keeps the
// work at n log n whatever names a file holds, and walks memory in order.
void IniIndex::Build()
{
    // Offsets into the text are 32-bit; the readers cap files far below.
    if (text.size() > UINT32_MAX)
        text = {};
    // Lines as IniFile::Parse splits them.
    constexpr uint32_t kNoSection = UINT32_MAX;
    uint32_t current = kNoSection;
    std::string_view rest = text;
    while (!rest.empty()) {
        const size_t end = rest.find('\n');
        std::string_view raw = rest.substr(0, end);
        rest.remove_prefix(end == std::string_view::npos ? rest.size() : end + 1);
        if (!raw.empty() && raw.back() == '\r')
            raw.remove_suffix(1);
        const IniLineView line = ParseIniLine(raw, current != kNoSection);
        if (line.kind == IniLineView::Kind::Section) {
            current = uint32_t(sections.size());
            sections.push_back({NameHash(line.name), current, Offset(line.name), uint32_t(line.name.size())});
        } else if (line.kind == IniLineView::Kind::Key) {
            if (keys.size() == keys.capacity())
                Grow(keys);
            keys.push_back({0, current, Offset(line.name), uint32_t(line.name.size()), Offset(line.value),
                            uint32_t(line.value.size())});
        }
    }

    // The first header of each name; the keys under the others are never read.
    auto sectionOrder = [this](const Entry& a, const Entry& b) {
        if (a.hash != b.hash)
            return a.hash < b.hash;
        const int c = CompareNoCase(Text(a), Text(b));
        return c != 0 ? c < 0 : a.order < b.order;
    };
    auto sameName = [this](const Entry& a, const Entry& b) {
        return a.hash == b.hash && EqualsNoCase(Text(a), Text(b));
    };
    std::vector<bool> firstOfName(sections.size(), false);
    std::sort(sections.begin(), sections.end(), sectionOrder);
    sections.erase(std::unique(sections.begin(), sections.end(), sameName), sections.end());
    for (const Entry& e : sections)
        firstOfName[e.order] = true;
    keys.erase(std::remove_if(keys.begin(), keys.end(), [&](const Key& k) { return !firstOfName[k.section]; }),
               keys.end());

    // Keys by section and name; the first line of each is the one found.
    for (Key& k : keys)
        k.hash = KeyHash(k.section, Text(k));
    std::sort(keys.begin(), keys.end(), [this](const Key& a, const Key& b) {
        if (a.hash != b.hash)
            return a.hash < b.hash;
        if (a.section != b.section)
            return a.section < b.section;
        const int c = CompareNoCase(Text(a), Text(b));
        return c != 0 ? c < 0 : a.nameOffset < b.nameOffset;
    });
    keys.erase(std::unique(keys.begin(), keys.end(),
                           [this](const Key& a, const Key& b) {
                               return a.hash == b.hash && a.section == b.section && EqualsNoCase(Text(a), Text(b));
                           }),
               keys.end());
}

uint32_t IniIndex::Offset(std::string_view part) const
{
    return uint32_t(part.data() - text.data());
}

std::optional<std::string_view> IniIndex::GetRaw(std::string_view section, std::string_view key) const
{
    section = TrimBlanks(section);
    const uint64_t sectionHash = NameHash(section);
    auto s = std::lower_bound(sections.begin(), sections.end(), sectionHash,
                              [](const Entry& e, uint64_t h) { return e.hash < h; });
    for (; s != sections.end() && s->hash == sectionHash; ++s)
        if (EqualsNoCase(Text(*s), section))
            break;
    if (s == sections.end() || s->hash != sectionHash)
        return std::nullopt;
    key = TrimBlanks(key);
    const uint64_t keyHash = KeyHash(s->order, key);
    auto k = std::lower_bound(keys.begin(), keys.end(), keyHash, [](const Key& e, uint64_t h) { return e.hash < h; });
    for (; k != keys.end() && k->hash == keyHash; ++k)
        if (k->section == s->order && EqualsNoCase(Text(*k), key))
            return text.substr(k->valueOffset, k->valueLength);
    return std::nullopt;
}

std::optional<std::string_view> IniIndex::Get(std::string_view section, std::string_view key) const
{
    const std::optional<std::string_view> raw = GetRaw(section, key);
    if (!raw)
        return std::nullopt;
    return StripQuotes(*raw);
}

IniFile IniFile::Parse(std::string_view text)
{
    IniFile doc;
    bool inSection = false;
    while (!text.empty()) {
        size_t end = text.find('\n');
        std::string_view raw = text.substr(0, end);
        text.remove_prefix(end == std::string_view::npos ? text.size() : end + 1);
        if (!raw.empty() && raw.back() == '\r')
            raw.remove_suffix(1);
        Line line = ParseLine(std::string(raw), inSection);
        if (line.kind == LineKind::Section)
            inSection = true;
        doc.lines.push_back(std::move(line));
    }
    return doc;
}

IniLoadResult IniFile::Load(const std::string& path)
{
    std::string text;
    bool missing = false;
    if (!ReadWholeFile(path, text, missing)) {
        if (!missing)
            return IniLoadResult::Error;
        lines.clear();
        return IniLoadResult::Missing;
    }
    *this = Parse(text);
    return IniLoadResult::Loaded;
}

std::string IniFile::Serialize() const
{
    std::string out;
    for (const Line& line : lines) {
        out += line.text;
        out += "\r\n";
    }
    return out;
}

bool IniFile::Save(const std::string& path, bool sync) const
{
    return WriteFileAtomically(path, Serialize(), sync);
}

size_t IniFile::FindSection(std::string_view section) const
{
    section = TrimBlanks(section);
    for (size_t i = 0; i < lines.size(); ++i)
        if (lines[i].kind == LineKind::Section && EqualsNoCase(lines[i].name, section))
            return i;
    return std::string::npos;
}

size_t IniFile::SectionEnd(size_t header) const
{
    size_t i = header + 1;
    while (i < lines.size() && lines[i].kind != LineKind::Section)
        ++i;
    return i;
}

size_t IniFile::FindKey(std::string_view section, std::string_view key) const
{
    size_t header = FindSection(section);
    if (header == std::string::npos)
        return std::string::npos;
    key = TrimBlanks(key);
    size_t end = SectionEnd(header);
    for (size_t i = header + 1; i < end; ++i)
        if (lines[i].kind == LineKind::Key && EqualsNoCase(lines[i].name, key))
            return i;
    return std::string::npos;
}

std::optional<std::string> IniFile::GetRaw(std::string_view section, std::string_view key) const
{
    size_t i = FindKey(section, key);
    if (i == std::string::npos)
        return std::nullopt;
    return lines[i].value;
}

std::optional<std::string> IniFile::Get(std::string_view section, std::string_view key) const
{
    size_t i = FindKey(section, key);
    if (i == std::string::npos)
        return std::nullopt;
    return std::string(StripQuotes(lines[i].value));
}

bool IniFile::Set(std::string_view section, std::string_view key, std::string_view value)
{
    if (!IsValidSection(section) || !IsValidKey(key) || !IsValidValue(value))
        return false;
    section = TrimBlanks(section);
    key = TrimBlanks(key);

    size_t header = FindSection(section);
    if (header == std::string::npos) {
        if (!lines.empty() && !TrimBlanks(lines.back().text).empty())
            lines.push_back(ParseLine({}, true));
        std::string name;
        name.reserve(section.size() + 2);
        name.append("[").append(section).append("]");
        lines.push_back(ParseLine(name, false));
        lines.push_back(ParseLine(std::string(key) + "=" + std::string(value), true));
        return true;
    }
    size_t found = FindKey(section, key);
    if (found != std::string::npos) {
        std::string text = lines[found].name + "=" + std::string(value);
        if (text == lines[found].text)
            return false;
        lines[found] = ParseLine(std::move(text), true);
        return true;
    }
    size_t insertAt = header + 1;
    size_t end = SectionEnd(header);
    for (size_t i = header + 1; i < end; ++i)
        if (lines[i].kind == LineKind::Key)
            insertAt = i + 1;
    lines.insert(lines.begin() + static_cast<std::ptrdiff_t>(insertAt),
                 ParseLine(std::string(key) + "=" + std::string(value), true));
    return true;
}

bool IniFile::Remove(std::string_view section, std::string_view key)
{
    size_t i = FindKey(section, key);
    if (i == std::string::npos)
        return false;
    lines.erase(lines.begin() + static_cast<std::ptrdiff_t>(i));
    return true;
}

bool IniFile::RemoveSection(std::string_view section)
{
    bool changed = false;
    for (size_t header = FindSection(section); header != std::string::npos; header = FindSection(section)) {
        lines.erase(lines.begin() + static_cast<std::ptrdiff_t>(header),
                    lines.begin() + static_cast<std::ptrdiff_t>(SectionEnd(header)));
        changed = true;
    }
    return changed;
}

bool IniFile::HasSection(std::string_view section) const
{
    return FindSection(section) != std::string::npos;
}

std::vector<std::string> IniFile::Sections() const
{
    std::vector<std::string> names;
    for (const Line& line : lines) {
        if (line.kind != LineKind::Section)
            continue;
        bool seen = false;
        for (const std::string& name : names)
            seen = seen || EqualsNoCase(name, line.name);
        if (!seen)
            names.push_back(line.name);
    }
    return names;
}

std::vector<std::string> IniFile::Keys(std::string_view section) const
{
    std::vector<std::string> names;
    size_t header = FindSection(section);
    if (header == std::string::npos)
        return names;
    size_t end = SectionEnd(header);
    for (size_t i = header + 1; i < end; ++i) {
        if (lines[i].kind != LineKind::Key)
            continue;
        bool seen = false;
        for (const std::string& name : names)
            seen = seen || EqualsNoCase(name, lines[i].name);
        if (!seen)
            names.push_back(lines[i].name);
    }
    return names;
}

bool IniFile::IsValidSection(std::string_view section)
{
    section = TrimBlanks(section);
    return !section.empty() && section.find(']') == std::string_view::npos && !HasLineBreak(section) &&
           section.find('\0') == std::string_view::npos;
}

bool IniFile::IsValidKey(std::string_view key)
{
    key = TrimBlanks(key);
    return !key.empty() && key.find('=') == std::string_view::npos && key.front() != '[' && key.front() != ';' &&
           !HasLineBreak(key) && key.find('\0') == std::string_view::npos;
}

bool IniFile::IsValidValue(std::string_view value)
{
    return !HasLineBreak(value) && value.find('\0') == std::string_view::npos;
}

} // namespace velmo
