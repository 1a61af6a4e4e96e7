#include "platform/core/SettingsStore.h"

#include "platform/core/IniFile.h"

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <filesystem>
#include <map>
#include <mutex>
#include <pwd.h>
#include <sys/stat.h>
#include <unistd.h>
#include <variant>

namespace velmo {

namespace {

// In the file store a binary value is written "hex:" followed by two
// upper-case hex digits per byte; any other value is text. A text that would
// read back otherwise (blanks at its ends, surrounding quotes, or starting
// with the binary prefix) is written inside double quotes, which the reader
// removes.
constexpr std::string_view kBinaryPrefix = "hex:";

bool IsBinaryText(std::string_view raw)
{
    return raw.size() >= kBinaryPrefix.size() && EqualsNoCase(raw.substr(0, kBinaryPrefix.size()), kBinaryPrefix);
}

std::string EncodeText(std::string_view value)
{
    bool quote = TrimBlanks(value).size() != value.size() || IsBinaryText(value) ||
                 (value.size() >= 2 && (value.front() == '"' || value.front() == '\'') && value.back() == value.front());
    if (!quote)
        return std::string(value);
    std::string quoted;
    quoted.reserve(value.size() + 2);
    quoted.append("\"").append(value).append("\"");
    return quoted;
}

std::string EncodeBinary(const uint8_t* data, size_t size)
{
    static const char kHex[] = "0123456789ABCDEF";
    std::string text(kBinaryPrefix);
    text.reserve(kBinaryPrefix.size() + 2 * size);
    for (size_t i = 0; i < size; ++i) {
        text += kHex[data[i] >> 4];
        text += kHex[data[i] & 0xF];
    }
    return text;
}

int HexDigit(char c)
{
    if (c >= '0' && c <= '9')
        return c - '0';
    if (c >= 'A' && c <= 'F')
        return c - 'A' + 10;
    if (c >= 'a' && c <= 'f')
        return c - 'a' + 10;
    return -1;
}

bool DecodeBinary(std::string_view raw, std::vector<uint8_t>& out)
{
    if (!IsBinaryText(raw))
        return false;
    std::string_view hex = raw.substr(kBinaryPrefix.size());
    if (hex.size() % 2 != 0)
        return false;
    std::vector<uint8_t> bytes(hex.size() / 2);
    for (size_t i = 0; i < bytes.size(); ++i) {
        int high = HexDigit(hex[2 * i]);
        int low = HexDigit(hex[2 * i + 1]);
        if (high < 0 || low < 0)
            return false;
        bytes[i] = static_cast<uint8_t>(high * 16 + low);
    }
    out = std::move(bytes);
    return true;
}

int IntFromText(std::string_view text, int defaultValue)
{
    return text.empty() ? defaultValue : ParseProfileInt(text);
}

struct NoCaseLess {
    using is_transparent = void;
    bool operator()(std::string_view a, std::string_view b) const
    {
        size_t n = std::min(a.size(), b.size());
        for (size_t i = 0; i < n; ++i) {
            unsigned char x = static_cast<unsigned char>(a[i]);
            unsigned char y = static_cast<unsigned char>(b[i]);
            if (x >= 'A' && x <= 'Z')
                x = static_cast<unsigned char>(x - 'A' + 'a');
            if (y >= 'A' && y <= 'Z')
                y = static_cast<unsigned char>(y - 'A' + 'a');
            if (x != y)
                return x < y;
        }
        return a.size() < b.size();
    }
};

bool SyncPath(const std::string& path, int flags)
{
    int fd = ::open(path.c_str(), flags | O_CLOEXEC);
    if (fd < 0)
        return false;
    bool ok = ::fsync(fd) == 0;
    ::close(fd);
    return ok;
}

} // namespace

bool SettingsStore::GetProfileBinaryExact(std::string_view section, std::string_view key, void* out, size_t size)
{
    std::vector<uint8_t> bytes;
    if ((out == nullptr && size > 0) || !GetProfileBinary(section, key, bytes) || bytes.size() != size)
        return false;
    if (size > 0)
        std::memcpy(out, bytes.data(), size);
    return true;
}

// ---- MemorySettingsStore ----

struct MemorySettingsStore::Impl {
    using Value = std::variant<int, std::string, std::vector<uint8_t>>;
    using Section = std::map<std::string, Value, NoCaseLess>;

    std::mutex mutex;
    std::map<std::string, Section, NoCaseLess> sections;

    const Value* Find(std::string_view section, std::string_view key) const
    {
        auto s = sections.find(section);
        if (s == sections.end())
            return nullptr;
        auto k = s->second.find(key);
        return k == s->second.end() ? nullptr : &k->second;
    }
    void Put(std::string_view section, std::string_view key, Value value)
    {
        auto s = sections.find(section);
        if (s == sections.end())
            s = sections.emplace(std::string(section), Section{}).first;
        auto k = s->second.find(key);
        if (k == s->second.end())
            s->second.emplace(std::string(key), std::move(value));
        else
            k->second = std::move(value);
    }
};

MemorySettingsStore::MemorySettingsStore() : impl(std::make_unique<Impl>()) {}
MemorySettingsStore::~MemorySettingsStore() = default;

int MemorySettingsStore::GetProfileInt(std::string_view section, std::string_view key, int defaultValue)
{
    std::lock_guard lock(impl->mutex);
    const Impl::Value* value = impl->Find(section, key);
    if (value == nullptr)
        return defaultValue;
    if (const int* number = std::get_if<int>(value))
        return *number;
    if (const std::string* text = std::get_if<std::string>(value))
        return IntFromText(*text, defaultValue);
    return defaultValue;
}

std::string MemorySettingsStore::GetProfileString(std::string_view section, std::string_view key,
                                                  std::string_view defaultValue)
{
    std::lock_guard lock(impl->mutex);
    const Impl::Value* value = impl->Find(section, key);
    if (value == nullptr)
        return std::string(defaultValue);
    if (const int* number = std::get_if<int>(value))
        return std::to_string(*number);
    if (const std::string* text = std::get_if<std::string>(value))
        return *text;
    return std::string(defaultValue);
}

bool MemorySettingsStore::GetProfileBinary(std::string_view section, std::string_view key, std::vector<uint8_t>& out)
{
    std::lock_guard lock(impl->mutex);
    const Impl::Value* value = impl->Find(section, key);
    const auto* bytes = value ? std::get_if<std::vector<uint8_t>>(value) : nullptr;
    if (bytes == nullptr)
        return false;
    out = *bytes;
    return true;
}

bool MemorySettingsStore::WriteProfileInt(std::string_view section, std::string_view key, int value)
{
    std::lock_guard lock(impl->mutex);
    impl->Put(section, key, value);
    return true;
}

bool MemorySettingsStore::WriteProfileString(std::string_view section, std::string_view key, std::string_view value)
{
    std::lock_guard lock(impl->mutex);
    impl->Put(section, key, std::string(value));
    return true;
}

bool MemorySettingsStore::WriteProfileBinary(std::string_view section, std::string_view key, const void* data,
                                             size_t size)
{
    if (data == nullptr && size > 0)
        return false;
    const auto* bytes = static_cast<const uint8_t*>(data);
    std::vector<uint8_t> copy(bytes, bytes + size);
    std::lock_guard lock(impl->mutex);
    impl->Put(section, key, std::move(copy));
    return true;
}

bool MemorySettingsStore::DeleteValue(std::string_view section, std::string_view key)
{
    std::lock_guard lock(impl->mutex);
    auto s = impl->sections.find(section);
    if (s != impl->sections.end()) {
        auto k = s->second.find(key);
        if (k != s->second.end())
            s->second.erase(k);
    }
    return true;
}

bool MemorySettingsStore::DeleteSection(std::string_view section)
{
    std::lock_guard lock(impl->mutex);
    auto s = impl->sections.find(section);
    if (s != impl->sections.end())
        impl->sections.erase(s);
    return true;
}

// ---- FileSettingsStore ----

// The document in memory mirrors the file. Before each access the file is
// read again and parsed anew when its bytes changed (another instance wrote
// it). A write that cannot be saved stays in memory (dirty) so that this
// session keeps its settings, and goes to disk with the next successful
// save. An existing file that cannot be read is never replaced.
struct FileSettingsStore::Impl {
    std::string path;
    std::mutex mutex;
    IniFile doc;
    std::string seenText; // the file's bytes that doc was parsed from or saved as
    bool seenExists = false;
    bool dirty = false;
    bool unreadable = false;

    void Refresh()
    {
        if (dirty)
            return;
        std::string text;
        bool missing = false;
        if (!ReadWholeFile(path, text, missing)) {
            unreadable = !missing;
            if (missing) {
                doc = IniFile();
                seenExists = false;
            }
            return;
        }
        unreadable = false;
        if (seenExists && text == seenText)
            return;
        doc = IniFile::Parse(text);
        seenText = std::move(text);
        seenExists = true;
    }

    bool Save(bool sync)
    {
        if (unreadable) {
            dirty = true;
            return false;
        }
        std::error_code error;
        std::filesystem::path parent = std::filesystem::path(path).parent_path();
        if (!parent.empty())
            std::filesystem::create_directories(parent, error);
        std::string text = doc.Serialize();
        if (error || !WriteFileAtomically(path, text, sync)) {
            dirty = true;
            return false;
        }
        dirty = false;
        seenText = std::move(text);
        seenExists = true;
        return true;
    }

    template <typename Change>
    bool Modify(Change change)
    {
        std::lock_guard lock(mutex);
        Refresh();
        if (!change(doc))
            return !dirty || Save(false);
        return Save(false);
    }

    std::optional<std::string> Raw(std::string_view section, std::string_view key)
    {
        Refresh();
        return doc.GetRaw(section, key);
    }
};

FileSettingsStore::FileSettingsStore(std::string path) : impl(std::make_unique<Impl>())
{
    impl->path = std::move(path);
    std::lock_guard lock(impl->mutex);
    impl->Refresh();
}

FileSettingsStore::~FileSettingsStore() = default;

std::string FileSettingsStore::DefaultPath()
{
    std::string base;
    const char* config = std::getenv("XDG_CONFIG_HOME");
    if (config != nullptr && config[0] == '/') {
        base = config;
    } else {
        const char* home = std::getenv("HOME");
        if (home == nullptr || home[0] == '\0') {
            const passwd* user = ::getpwuid(::getuid());
            home = user != nullptr ? user->pw_dir : nullptr;
        }
        base = std::string(home != nullptr ? home : ".") + "/.config";
    }
    return base + "/" + kCompanyKey + "/" + kApplicationName + ".ini";
}

const std::string& FileSettingsStore::Path() const
{
    return impl->path;
}

int FileSettingsStore::GetProfileInt(std::string_view section, std::string_view key, int defaultValue)
{
    std::lock_guard lock(impl->mutex);
    std::optional<std::string> raw = impl->Raw(section, key);
    if (!raw || IsBinaryText(*raw))
        return defaultValue;
    return IntFromText(*impl->doc.Get(section, key), defaultValue);
}

std::string FileSettingsStore::GetProfileString(std::string_view section, std::string_view key,
                                                std::string_view defaultValue)
{
    std::lock_guard lock(impl->mutex);
    std::optional<std::string> raw = impl->Raw(section, key);
    if (!raw || IsBinaryText(*raw))
        return std::string(defaultValue);
    return *impl->doc.Get(section, key);
}

bool FileSettingsStore::GetProfileBinary(std::string_view section, std::string_view key, std::vector<uint8_t>& out)
{
    std::lock_guard lock(impl->mutex);
    std::optional<std::string> raw = impl->Raw(section, key);
    return raw && DecodeBinary(*raw, out);
}

bool FileSettingsStore::WriteProfileInt(std::string_view section, std::string_view key, int value)
{
    if (!IniFile::IsValidSection(section) || !IniFile::IsValidKey(key))
        return false;
    std::string text = std::to_string(value);
    return impl->Modify([&](IniFile& doc) { return doc.Set(section, key, text); });
}

bool FileSettingsStore::WriteProfileString(std::string_view section, std::string_view key, std::string_view value)
{
    if (!IniFile::IsValidSection(section) || !IniFile::IsValidKey(key) || !IniFile::IsValidValue(value))
        return false;
    std::string text = EncodeText(value);
    return impl->Modify([&](IniFile& doc) { return doc.Set(section, key, text); });
}

bool FileSettingsStore::WriteProfileBinary(std::string_view section, std::string_view key, const void* data,
                                           size_t size)
{
    if ((data == nullptr && size > 0) || size > (SIZE_MAX - kBinaryPrefix.size()) / 2 ||
        !IniFile::IsValidSection(section) || !IniFile::IsValidKey(key))
        return false;
    std::string text = EncodeBinary(static_cast<const uint8_t*>(data), size);
    return impl->Modify([&](IniFile& doc) { return doc.Set(section, key, text); });
}

bool FileSettingsStore::DeleteValue(std::string_view section, std::string_view key)
{
    return impl->Modify([&](IniFile& doc) { return doc.Remove(section, key); });
}

bool FileSettingsStore::DeleteSection(std::string_view section)
{
    return impl->Modify([&](IniFile& doc) { return doc.RemoveSection(section); });
}

bool FileSettingsStore::Flush()
{
    std::lock_guard lock(impl->mutex);
    if (impl->dirty)
        return impl->Save(true);
    struct stat st {};
    if (::stat(impl->path.c_str(), &st) != 0)
        return errno == ENOENT;
    std::string dir = std::filesystem::path(impl->path).parent_path().string();
    return SyncPath(impl->path, O_RDONLY) && SyncPath(dir.empty() ? "." : dir, O_RDONLY | O_DIRECTORY);
}

// ---- The process-wide store ----

namespace {

struct InstalledStore {
    std::mutex mutex;
    std::shared_ptr<SettingsStore> current;
    // Stores replaced by InstallSettings live on, so that a reference that
    // Settings() returned before stays valid.
    std::vector<std::shared_ptr<SettingsStore>> retired;
};

InstalledStore& Installed()
{
    static InstalledStore installed;
    return installed;
}

} // namespace

SettingsStore& Settings()
{
    InstalledStore& installed = Installed();
    std::lock_guard lock(installed.mutex);
    if (!installed.current)
        installed.current = std::make_shared<MemorySettingsStore>();
    return *installed.current;
}

void InstallSettings(std::shared_ptr<SettingsStore> store)
{
    InstalledStore& installed = Installed();
    std::lock_guard lock(installed.mutex);
    if (installed.current)
        installed.retired.push_back(std::move(installed.current));
    installed.current = store ? std::move(store) : std::make_shared<MemorySettingsStore>();
}

} // namespace velmo
