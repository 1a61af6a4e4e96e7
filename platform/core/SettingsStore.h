// The application's settings store, in place of the registry's profile
// functions. Values live in sections ("Settings", "Recent File List", ...)
// under the company key "ORBEK" and the application name.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

namespace velmo {

inline constexpr const char* kCompanyKey = "ORBEK";
inline constexpr const char* kApplicationName = "Velmo";
inline constexpr const char* kSettingsSection = "Settings";

class SettingsStore {
public:
    virtual ~SettingsStore() = default;

    virtual int GetProfileInt(std::string_view section, std::string_view key, int defaultValue) = 0;
    virtual std::string GetProfileString(std::string_view section, std::string_view key,
                                         std::string_view defaultValue = {}) = 0;
    // False when the value is absent or not a binary value.
    virtual bool GetProfileBinary(std::string_view section, std::string_view key,
                                  std::vector<uint8_t>& out) = 0;

    virtual bool WriteProfileInt(std::string_view section, std::string_view key, int value) = 0;
    virtual bool WriteProfileString(std::string_view section, std::string_view key,
                                    std::string_view value) = 0;
    virtual bool WriteProfileBinary(std::string_view section, std::string_view key,
                                    const void* data, size_t size) = 0;

    virtual bool DeleteValue(std::string_view section, std::string_view key) = 0;
    virtual bool DeleteSection(std::string_view section) = 0;
    // Makes every write durable (the persistent store syncs its file).
    virtual bool Flush() = 0;

    // A binary value read back with another size than the caller's object is
    // treated as absent: out is left as it was and false is returned.
    bool GetProfileBinaryExact(std::string_view section, std::string_view key, void* out, size_t size);
};

// Values in memory only: for tests and for the headless harness.
class MemorySettingsStore final : public SettingsStore {
public:
    MemorySettingsStore();
    ~MemorySettingsStore() override;
    int GetProfileInt(std::string_view section, std::string_view key, int defaultValue) override;
    std::string GetProfileString(std::string_view section, std::string_view key,
                                 std::string_view defaultValue = {}) override;
    bool GetProfileBinary(std::string_view section, std::string_view key, std::vector<uint8_t>& out) override;
    bool WriteProfileInt(std::string_view section, std::string_view key, int value) override;
    bool WriteProfileString(std::string_view section, std::string_view key, std::string_view value) override;
    bool WriteProfileBinary(std::string_view section, std::string_view key, const void* data,
                            size_t size) override;
    bool DeleteValue(std::string_view section, std::string_view key) override;
    bool DeleteSection(std::string_view section) override;
    bool Flush() override { return true; }

private:
    struct Impl;
    std::unique_ptr<Impl> impl;
};

// Values in an INI file of our own ($XDG_CONFIG_HOME/ORBEK/Velmo.ini by
// default). Every write rewrites the file atomically (temporary file, then
// rename), so a crash never leaves a half-written store.
class FileSettingsStore final : public SettingsStore {
public:
    explicit FileSettingsStore(std::string path = DefaultPath());
    ~FileSettingsStore() override;
    static std::string DefaultPath();
    const std::string& Path() const;

    int GetProfileInt(std::string_view section, std::string_view key, int defaultValue) override;
    std::string GetProfileString(std::string_view section, std::string_view key,
                                 std::string_view defaultValue = {}) override;
    bool GetProfileBinary(std::string_view section, std::string_view key, std::vector<uint8_t>& out) override;
    bool WriteProfileInt(std::string_view section, std::string_view key, int value) override;
    bool WriteProfileString(std::string_view section, std::string_view key, std::string_view value) override;
    bool WriteProfileBinary(std::string_view section, std::string_view key, const void* data,
                            size_t size) override;
    bool DeleteValue(std::string_view section, std::string_view key) override;
    bool DeleteSection(std::string_view section) override;
    bool Flush() override;

private:
    struct Impl;
    std::unique_ptr<Impl> impl;
};

// The process-wide store the application's profile functions use. Until one
// is installed, a MemorySettingsStore serves.
SettingsStore& Settings();
void InstallSettings(std::shared_ptr<SettingsStore> store);

} // namespace velmo
