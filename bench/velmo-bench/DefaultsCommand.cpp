// velmo-bench defaults --family N: the family's default record as
// parameter-file keys.
#include "bench/velmo-bench/Commands.h"

#include "document/VelmoDoc.h"
#include "params/DevParams.h"
#include "params/ParamKeys.h"
#include "platform/core/SettingsStore.h"

#include <cstdio>
#include <cstdlib>
#include <memory>

namespace {

int RunDefaults(const std::vector<std::string>& args)
{
    int family = 0;
    for (size_t i = 0; i < args.size(); ++i) {
        if (args[i] == "--family" && i + 1 < args.size()) {
            family = std::atoi(args[++i].c_str());
        } else {
            std::fprintf(stderr, "velmo-bench defaults: unknown argument '%s'\n", args[i].c_str());
            return 2;
        }
    }
    if (family < 0 || family >= velmo::kCameraFamilyCount) {
        std::fprintf(stderr, "velmo-bench defaults: family must be 0..%d\n", velmo::kCameraFamilyCount - 1);
        return 2;
    }
    // The defaults, not the user's stored records.
    velmo::InstallSettings(std::make_shared<velmo::MemorySettingsStore>());
    velmo::CVelmoDoc doc;
    doc.SetCameraFamily(family);
    doc.SetDefaultParameters();
    for (const auto& line : velmo::FormatParamKeys(doc.Edit()))
        std::printf("%s\n", line.c_str());
    return 0;
}

velmo::bench::RegisterCommand reg("defaults", "--family N", &RunDefaults);

} // namespace
