// velmo-bench params-load [--mb N] [--repeat N]: the time the program takes
// to open a large parameter file (.VMR) through the document's open routine.
// The file, written to a temporary directory, holds N MB (50 by default) of
// keys the program does not know in its "Settings" section, followed by
// every key a parameter file holds with all three feature blocks, so that
// each of the program's keys is read from the far end of the file.
#include "bench/velmo-bench/Commands.h"

#include "document/VelmoDoc.h"
#include "params/EditState.h"
#include "params/ParameterFile.h"
#include "platform/core/PrivateProfile.h"
#include "platform/core/SettingsStore.h"

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <filesystem>
#include <fstream>
#include <memory>
#include <sstream>
#include <string>
#include <vector>

namespace {

using Clock = std::chrono::steady_clock;

double Ms(Clock::duration d) { return std::chrono::duration<double, std::milli>(d).count(); }

// The processor time of the whole process (all threads), in milliseconds.
double CpuMs()
{
    timespec t{};
    clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &t);
    return double(t.tv_sec) * 1e3 + double(t.tv_nsec) / 1e6;
}

int Run(const std::vector<std::string>& args)
{
    int mb = 50;
    int repeat = 3;
    for (size_t i = 0; i < args.size(); ++i) {
        if (args[i] == "--mb" && i + 1 < args.size()) {
            mb = std::atoi(args[++i].c_str());
        } else if (args[i] == "--repeat" && i + 1 < args.size()) {
            repeat = std::atoi(args[++i].c_str());
        } else {
            std::fprintf(stderr, "velmo-bench params-load: unknown argument '%s'\n", args[i].c_str());
            return 2;
        }
    }
    if (mb < 1 || mb > 60 || repeat < 1) {
        std::fprintf(stderr, "velmo-bench params-load: --mb takes 1..60 (the reader's limit is 64 MiB), --repeat 1 "
                             "or more\n");
        return 2;
    }

    velmo::InstallSettings(std::make_shared<velmo::MemorySettingsStore>());
    std::string pattern = (std::filesystem::temp_directory_path() / "velmo-params-XXXXXX").string();
    if (::mkdtemp(pattern.data()) == nullptr) {
        std::perror("velmo-bench params-load: mkdtemp");
        return 1;
    }
    const std::filesystem::path dir = pattern;
    const std::string keysPath = (dir / "keys.VMR").string();
    const std::string path = (dir / "large.VMR").string();

    // The program's own keys, all feature blocks included.
    velmo::CVelmoDoc doc;
    for (velmo::FeatureKind kind :
         {velmo::FeatureKind::LensCorrection, velmo::FeatureKind::SelectiveColors, velmo::FeatureKind::FreeCurve})
        doc.Edit().SetFeature(kind, true);
    if (!velmo::WriteParameterFile(doc.Edit(), keysPath)) {
        std::fprintf(stderr, "velmo-bench params-load: cannot write %s\n", keysPath.c_str());
        return 1;
    }
    std::ifstream keysIn(keysPath, std::ios::binary);
    std::stringstream keys;
    keys << keysIn.rdbuf();
    std::string ownKeys = keys.str();
    ownKeys.erase(0, ownKeys.find('\n') + 1); // without its section line

    {
        std::ofstream out(path, std::ios::binary);
        out << "[Settings]\r\n";
        const size_t target = size_t(mb) << 20;
        char line[96];
        size_t written = 12;
        for (int i = 0; written + ownKeys.size() < target; ++i) {
            const int n = std::snprintf(line, sizeof line, "unknownKey%08d=%08d the rest of a line nobody reads\r\n",
                                        i, i);
            out.write(line, n);
            written += size_t(n);
        }
        out << ownKeys;
        if (!out) {
            std::fprintf(stderr, "velmo-bench params-load: cannot write %s\n", path.c_str());
            return 1;
        }
    }
    const double megabytes = double(std::filesystem::file_size(path)) / double(1 << 20);

    std::vector<double> times, cpu;
    uint64_t parses = 0;
    for (int i = 0; i < repeat; ++i) {
        doc.SetDefaultParameters();
        const uint64_t before = velmo::PrivateProfileFileParses();
        const double cpuStart = CpuMs();
        const auto start = Clock::now();
        doc.OnOpenDocument(path);
        times.push_back(Ms(Clock::now() - start));
        cpu.push_back(CpuMs() - cpuStart);
        parses = velmo::PrivateProfileFileParses() - before;
    }
    std::sort(times.begin(), times.end());
    std::sort(cpu.begin(), cpu.end());
    std::printf("params-load: %.1f MB parameter file, %s\n", megabytes, path.c_str());
    std::printf("  open (ReadParameterFile and its feature blocks)  %8.1f ms  (best of %d; median %.1f ms; "
                "processor time %.1f ms), %llu parse%s\n",
                times.front(), repeat, times[times.size() / 2], cpu.front(), static_cast<unsigned long long>(parses),
                parses == 1 ? "" : "s");

    std::error_code ignored;
    std::filesystem::remove_all(dir, ignored);
    return 0;
}

velmo::bench::RegisterCommand reg("params-load", "[--mb N] [--repeat N]", &Run);

} // namespace
