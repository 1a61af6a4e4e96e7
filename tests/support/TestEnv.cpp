#include "support/TestEnv.h"

#include <cstdlib>
#include <filesystem>

namespace velmo::test {

ScopedSettings::ScopedSettings() : store_(std::make_shared<MemorySettingsStore>())
{
    InstallSettings(store_);
}

ScopedSettings::~ScopedSettings()
{
    InstallSettings(std::make_shared<MemorySettingsStore>());
}

RecordingMessages::RecordingMessages(int a) : answer(a)
{
    InstallMessageBoxHost(this);
}

RecordingMessages::~RecordingMessages()
{
    InstallMessageBoxHost(nullptr);
}

int RecordingMessages::Show(const std::string& text, unsigned type)
{
    calls.push_back({text, type});
    return answer;
}

TempDir::TempDir()
{
    std::string pattern = (std::filesystem::temp_directory_path() / "velmo-test-XXXXXX").string();
    if (char* made = mkdtemp(pattern.data()))
        path_ = made;
}

TempDir::~TempDir()
{
    std::error_code ec;
    if (!path_.empty())
        std::filesystem::remove_all(path_, ec);
}

} // namespace velmo::test
