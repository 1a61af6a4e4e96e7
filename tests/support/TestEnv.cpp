#include "support/TestEnv.h"

#include <cstdlib>
#include <filesystem>

namespace velmo::test {

EditLog::EditLog(EditState& state)
{
    token = state.Subscribe([this, &state](const EditChange& change) {
        changes.push_back(change);
        if (change.target == EditTarget::Feature && change.toggled)
            toggles.emplace_back(change.feature, state.FeatureOn(change.feature));
    });
}

int EditLog::Count(EditTarget target) const
{
    int n = 0;
    for (const EditChange& c : changes)
        n += c.target == target ? 1 : 0;
    return n;
}

std::vector<FeatureKind> EditLog::Tables() const
{
    std::vector<FeatureKind> tables;
    for (const EditChange& c : changes)
        if (c.target == EditTarget::FreeCurve || c.target == EditTarget::Lens || c.target == EditTarget::SelectiveColors)
            tables.push_back(c.feature);
    return tables;
}

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
