// Private-profile INI files with the Windows semantics that parameter and
// feature files rely on: section and key names compared without case, the
// first of duplicate sections and keys read, every read taking a default, a
// write replacing one key in place and keeping every other section, key and
// line, integers as "%d" and floats as "%f" written and parsed independently
// of the locale. Every read sees the file as it is at that moment, unless a
// PrivateProfileReadScope holds the file: then its reads share one parse.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace velmo {

// The value's integer (optional sign, decimal digits; 0 when there are none),
// or defaultValue when the key is absent.
int GetPrivateProfileInt(std::string_view section, std::string_view key, int defaultValue,
                         const std::string& path);
std::string GetPrivateProfileString(std::string_view section, std::string_view key,
                                    std::string_view defaultValue, const std::string& path);
// The value (quotes removed as for the string read); nullopt when the key is
// absent.
std::optional<std::string> GetPrivateProfileValue(std::string_view section, std::string_view key,
                                                  const std::string& path);
// How many times a profile file was read and parsed by the reads above (for
// tests and benchmarks).
uint64_t PrivateProfileFileParses();

// While it lives, the reads of path share one parse of the file, made at the
// first read (and again after a write to path through this module): a load
// that reads a parameter file key by key parses it once and sees one version
// of it. Scopes of the same path nest.
class PrivateProfileReadScope {
public:
    explicit PrivateProfileReadScope(std::string path);
    ~PrivateProfileReadScope();
    PrivateProfileReadScope(const PrivateProfileReadScope&) = delete;
    PrivateProfileReadScope& operator=(const PrivateProfileReadScope&) = delete;

private:
    std::string path;
};
// value = nullopt deletes the key. Returns false when the file cannot be written.
bool WritePrivateProfileString(std::string_view section, std::string_view key,
                               std::optional<std::string_view> value, const std::string& path);
// Writes value formatted "%d".
bool WritePrivateProfileInt(std::string_view section, std::string_view key, int value,
                            const std::string& path);

// The struct form of feature blocks: the bytes as two upper-case hex digits
// each, then one checksum byte (the sum of the bytes modulo 256) likewise.
// A value of another length or with a wrong checksum is not read (false,
// data untouched).
bool GetPrivateProfileStruct(std::string_view section, std::string_view key, void* data, size_t size,
                             const std::string& path);
bool WritePrivateProfileStruct(std::string_view section, std::string_view key, const void* data,
                               size_t size, const std::string& path);

// "%f" with a decimal point whatever the locale.
std::string FormatFloatF(double value);
// atof's rule (leading blanks, the longest number prefix, 0 when none) with a
// decimal point whatever the locale.
double ParseFloat(std::string_view text);

} // namespace velmo
