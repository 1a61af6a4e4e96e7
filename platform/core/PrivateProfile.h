// Private-profile INI files with the Windows semantics that parameter and
// feature files rely on: section and key names compared without case, every
// read taking a default, a write replacing one key in place and keeping every
// other section, key and line, integers as "%d" and floats as "%f" written
// and parsed independently of the locale.
#pragma once

#include <cstddef>
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
