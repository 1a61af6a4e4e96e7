#include "platform/core/PrivateProfile.h"

#include "platform/core/IniFile.h"
#include "platform/core/PassRunner.h"

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <cfloat>
#include <charconv>
#include <cmath>
#include <cstdint>
#include <cstring>
#include <fcntl.h>
#include <memory>
#include <mutex>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>

namespace velmo {

namespace {

// Serialises the read-modify-write of the write functions inside the process.
std::mutex& WriteMutex()
{
    static std::mutex mutex;
    return mutex;
}

constexpr uint64_t kMaxProfileFileSize = uint64_t{64} << 20; // as IniFile::Load

std::atomic<uint64_t> parses{0};

// The file's text parsed for lookups; an empty index for a file that is
// missing, unreadable, not a regular file or too large.
std::shared_ptr<const IniIndex> ParseFile(const std::string& path)
{
    static const auto empty = std::make_shared<const IniIndex>(std::string_view());
    // O_NONBLOCK so that a FIFO at the path cannot block the open.
    const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK);
    if (fd < 0)
        return empty;
    struct stat st {};
    if (::fstat(fd, &st) != 0 || !S_ISREG(st.st_mode) || uint64_t(st.st_size) > kMaxProfileFileSize) {
        ::close(fd);
        return empty;
    }
    const size_t size = size_t(st.st_size);
    auto text = std::make_unique_for_overwrite<char[]>(size);
    if (size >= kPrefaultBytes)
        PrefaultPages(text.get(), size);
    size_t done = 0;
    while (done < size) {
        const ssize_t n = ::read(fd, text.get() + done, size - done);
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0)
            break; // shrunk meanwhile: what was read
        done += size_t(n);
    }
    ::close(fd);
    parses.fetch_add(1, std::memory_order_relaxed);
    return std::make_shared<const IniIndex>(std::move(text), done);
}

// The files whose reads are pinned by a PrivateProfileReadScope, with their
// parse once made.
class PinnedFiles {
public:
    void Pin(const std::string& path)
    {
        std::lock_guard lock(mutex);
        for (Entry& e : entries)
            if (e.path == path) {
                ++e.scopes;
                return;
            }
        entries.push_back({path, 1, nullptr});
    }
    void Unpin(const std::string& path)
    {
        std::lock_guard lock(mutex);
        for (size_t i = 0; i < entries.size(); ++i)
            if (entries[i].path == path && --entries[i].scopes == 0) {
                entries.erase(entries.begin() + std::ptrdiff_t(i));
                return;
            }
    }
    // A write changed path: a pinned parse is made again at the next read.
    void Forget(const std::string& path)
    {
        std::lock_guard lock(mutex);
        for (Entry& e : entries)
            if (e.path == path)
                e.index.reset();
    }
    std::shared_ptr<const IniIndex> Index(const std::string& path)
    {
        {
            std::lock_guard lock(mutex);
            const Entry* e = Find(path);
            if (!e)
                return ParseFile(path);
            if (e->index)
                return e->index;
        }
        // Parsed outside the lock; the first parse to arrive is kept.
        std::shared_ptr<const IniIndex> parsed = ParseFile(path);
        std::lock_guard lock(mutex);
        Entry* e = Find(path);
        if (!e)
            return parsed;
        if (!e->index)
            e->index = std::move(parsed);
        return e->index;
    }

private:
    struct Entry {
        std::string path;
        int scopes;
        std::shared_ptr<const IniIndex> index;
    };
    Entry* Find(const std::string& path)
    {
        for (Entry& e : entries)
            if (e.path == path)
                return &e;
        return nullptr;
    }

    std::mutex mutex;
    std::vector<Entry> entries; // guarded by mutex
};

PinnedFiles& Pinned()
{
    static PinnedFiles pinned;
    return pinned;
}

// Loads path, applies change and saves when it changed the document. An
// existing file that cannot be read is never replaced.
template <typename Change>
bool ModifyFile(const std::string& path, Change change)
{
    std::lock_guard lock(WriteMutex());
    IniFile doc;
    if (doc.Load(path) == IniLoadResult::Error)
        return false;
    if (!change(doc))
        return true;
    const bool saved = doc.Save(path);
    Pinned().Forget(path);
    return saved;
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

bool IsDigit(char c)
{
    return c >= '0' && c <= '9';
}

// The decimal order of magnitude of a number's text (digits, optional point
// and fraction, optional exponent): tells an overflow from an underflow.
long long DecimalMagnitude(std::string_view num)
{
    size_t i = 0;
    long long intDigits = 0;
    long long leadingZeros = 0;
    bool nonZero = false;
    for (; i < num.size() && IsDigit(num[i]); ++i)
        if (nonZero || num[i] != '0') {
            nonZero = true;
            ++intDigits;
        }
    if (i < num.size() && num[i] == '.')
        for (++i; i < num.size() && IsDigit(num[i]); ++i)
            if (!nonZero) {
                if (num[i] == '0')
                    ++leadingZeros;
                else
                    nonZero = true;
            }
    long long magnitude = intDigits > 0 ? intDigits - 1 : -(leadingZeros + 1);
    if (i < num.size() && (num[i] == 'e' || num[i] == 'E')) {
        ++i;
        bool negative = false;
        if (i < num.size() && (num[i] == '+' || num[i] == '-'))
            negative = num[i++] == '-';
        long long exponent = 0;
        for (; i < num.size() && IsDigit(num[i]); ++i)
            exponent = std::min(exponent * 10 + (num[i] - '0'), 1000000000LL);
        magnitude += negative ? -exponent : exponent;
    }
    return magnitude;
}

} // namespace

int GetPrivateProfileInt(std::string_view section, std::string_view key, int defaultValue, const std::string& path)
{
    const auto index = Pinned().Index(path);
    const std::optional<std::string_view> value = index->Get(section, key);
    // An empty value counts as absent, as in Windows.
    if (!value || value->empty())
        return defaultValue;
    return ParseProfileInt(*value);
}

std::string GetPrivateProfileString(std::string_view section, std::string_view key, std::string_view defaultValue,
                                    const std::string& path)
{
    return GetPrivateProfileValue(section, key, path).value_or(std::string(defaultValue));
}

std::optional<std::string> GetPrivateProfileValue(std::string_view section, std::string_view key,
                                                  const std::string& path)
{
    const auto index = Pinned().Index(path);
    const std::optional<std::string_view> value = index->Get(section, key);
    if (!value)
        return std::nullopt;
    return std::string(*value);
}

uint64_t PrivateProfileFileParses()
{
    return parses.load(std::memory_order_relaxed);
}

PrivateProfileReadScope::PrivateProfileReadScope(std::string file) : path(std::move(file))
{
    Pinned().Pin(path);
}

PrivateProfileReadScope::~PrivateProfileReadScope()
{
    Pinned().Unpin(path);
}

bool WritePrivateProfileString(std::string_view section, std::string_view key, std::optional<std::string_view> value,
                               const std::string& path)
{
    if (!IniFile::IsValidSection(section) || !IniFile::IsValidKey(key) || (value && !IniFile::IsValidValue(*value)))
        return false;
    return ModifyFile(path, [&](IniFile& doc) { return value ? doc.Set(section, key, *value) : doc.Remove(section, key); });
}

bool WritePrivateProfileInt(std::string_view section, std::string_view key, int value, const std::string& path)
{
    return WritePrivateProfileString(section, key, std::to_string(value), path);
}

bool GetPrivateProfileStruct(std::string_view section, std::string_view key, void* data, size_t size,
                             const std::string& path)
{
    if (data == nullptr && size > 0)
        return false;
    const auto index = Pinned().Index(path);
    const std::optional<std::string_view> text = index->GetRaw(section, key);
    if (!text || text->size() % 2 != 0 || text->size() < 2 || (text->size() - 2) / 2 != size)
        return false;
    std::vector<uint8_t> bytes(size + 1);
    unsigned sum = 0;
    for (size_t i = 0; i <= size; ++i) {
        int high = HexDigit((*text)[2 * i]);
        int low = HexDigit((*text)[2 * i + 1]);
        if (high < 0 || low < 0)
            return false;
        bytes[i] = static_cast<uint8_t>(high * 16 + low);
        if (i < size)
            sum += bytes[i];
    }
    if (static_cast<uint8_t>(sum) != bytes[size])
        return false;
    if (size > 0)
        std::memcpy(data, bytes.data(), size);
    return true;
}

bool WritePrivateProfileStruct(std::string_view section, std::string_view key, const void* data, size_t size,
                               const std::string& path)
{
    if ((data == nullptr && size > 0) || size > (SIZE_MAX - 2) / 2)
        return false;
    static const char kHex[] = "0123456789ABCDEF";
    const auto* bytes = static_cast<const uint8_t*>(data);
    std::string text;
    text.reserve(2 * size + 2);
    unsigned sum = 0;
    for (size_t i = 0; i < size; ++i) {
        text += kHex[bytes[i] >> 4];
        text += kHex[bytes[i] & 0xF];
        sum += bytes[i];
    }
    text += kHex[(sum >> 4) & 0xF];
    text += kHex[sum & 0xF];
    return WritePrivateProfileString(section, key, std::string_view(text), path);
}

std::string FormatFloatF(double value)
{
    // printf would write "nan" or "inf", which no reader of these files can
    // use; such a value is stored as 0.
    if (!std::isfinite(value))
        value = 0.0;
    char buffer[400]; // DBL_MAX in fixed notation takes 316 characters
    auto result = std::to_chars(buffer, buffer + sizeof buffer, value, std::chars_format::fixed, 6);
    return std::string(buffer, result.ptr);
}

double ParseFloat(std::string_view text)
{
    size_t i = 0;
    while (i < text.size() && (text[i] == ' ' || (text[i] >= '\t' && text[i] <= '\r')))
        ++i;
    bool negative = false;
    if (i < text.size() && (text[i] == '+' || text[i] == '-'))
        negative = text[i++] == '-';
    std::string_view number = text.substr(i);
    // Only decimal numbers: "inf" and "nan" read as no number.
    if (number.empty() || !(IsDigit(number.front()) || number.front() == '.'))
        return 0.0;
    double value = 0.0;
    auto [end, error] = std::from_chars(number.data(), number.data() + number.size(), value, std::chars_format::general);
    if (error == std::errc::result_out_of_range)
        value = DecimalMagnitude(number.substr(0, static_cast<size_t>(end - number.data()))) > 0 ? DBL_MAX : 0.0;
    else if (error != std::errc())
        return 0.0;
    return negative ? -value : value;
}

} // namespace velmo
