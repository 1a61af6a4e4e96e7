// velmo-bench develop FILE.RAF -o OUT [--format tiff16|tiff8|psd16|psd8|jpeg]
//     [--size full|9/16|quarter|preview] [--params FILE.VMR] [--threads N]
// Opens a RAW file, develops it and saves it through the document's own
// routines (OnOpenDocument, OnSaveDocument), and prints the time of each
// stage: open, parameters, preview (preview size only), development (each
// pass) and writing. The output name follows the save's rules: OUT's
// extension is replaced by the format's ("_t" for the preview size).
// --params takes any side file the program opens (.VMR, .VMT, .VML, .VMC,
// .VMW, .ICC); one that the program refuses ends the run with exit status 1
// before anything is saved, as does a RAW file that cannot be opened.
#include "bench/velmo-bench/Commands.h"

#include "develop/output/SaveDocument.h"
#include "document/VelmoDoc.h"
#include "platform/core/ParallelRows.h"
#include "platform/core/SettingsStore.h"

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <sys/stat.h>
#include <memory>
#include <string>
#include <utility>
#include <vector>

namespace {

using Clock = std::chrono::steady_clock;

double Ms(Clock::duration d) { return std::chrono::duration<double, std::milli>(d).count(); }

// Notes when each labelled stage of the save starts: the passes of the
// development, then "Writing ...".
class StageClock final : public velmo::IProgress {
public:
    int Report(int percent, const char* label) override
    {
        if (percent < 0 || !label || !*label)
            return 0;
        if (marks.empty() || marks.back().first != label)
            marks.emplace_back(label, Clock::now());
        return 0;
    }
    std::vector<std::pair<std::string, Clock::time_point>> marks;
};

// A host whose progress channel is the stage clock (reports reach it only
// while a main window "exists"), and which keeps the status text.
class BenchHost final : public velmo::CDocHost {
public:
    bool HasMainWindow() const override { return true; }
    // A one-shot conversion: no screen-sized preview maps.
    bool ShowsFullPreview() const override { return false; }
    velmo::IProgress& LoadProgress() override { return clock; }
    void SetStatusText(const std::string& text) override { status = text; }
    // The document adds a side file to its recent list only once it applied it.
    void AddToRecentList(velmo::RecentListKind, const std::string&) override { ++sideFilesApplied; }
    StageClock clock;
    std::string status;
    int sideFilesApplied = 0;
};

struct Choice {
    const char* name;
    int value;
};

const Choice kFormats[] = {{"psd16", 0}, {"psd8", 1}, {"tiff16", 2}, {"tiff8", 3}, {"jpeg", 4}};
const Choice kSizes[] = {{"full", 0}, {"9/16", 1}, {"quarter", 2}, {"preview", 3}};

template <size_t N>
bool Pick(const Choice (&choices)[N], const std::string& name, int* value)
{
    for (const Choice& c : choices)
        if (name == c.name) {
            *value = c.value;
            return true;
        }
    return false;
}

int Usage(const char* why)
{
    std::fprintf(stderr, "velmo-bench develop: %s\n", why);
    std::fprintf(stderr,
                 "usage: velmo-bench develop FILE.RAF -o OUT [--format tiff16|tiff8|psd16|psd8|jpeg] "
                 "[--size full|9/16|quarter|preview] [--params FILE.VMR] [--threads N]\n");
    return 2;
}

int Run(const std::vector<std::string>& args)
{
    std::string input, output, params;
    int format = 2, size = 0, threads = 0;
    for (size_t i = 0; i < args.size(); ++i) {
        const std::string& a = args[i];
        const bool hasValue = i + 1 < args.size();
        if (a == "-o" && hasValue) {
            output = args[++i];
        } else if (a == "--format" && hasValue) {
            if (!Pick(kFormats, args[++i], &format))
                return Usage("unknown format");
        } else if (a == "--size" && hasValue) {
            if (!Pick(kSizes, args[++i], &size))
                return Usage("unknown size");
        } else if (a == "--params" && hasValue) {
            params = args[++i];
        } else if (a == "--threads" && hasValue) {
            threads = std::atoi(args[++i].c_str());
            if (threads < 1)
                return Usage("--threads needs a count of 1 or more");
        } else if (input.empty() && !a.empty() && a[0] != '-') {
            input = a;
        } else {
            return Usage(("unexpected argument '" + a + "'").c_str());
        }
    }
    if (input.empty() || output.empty())
        return Usage("a RAW file and -o OUT are needed");

    // The defaults, not the user's stored records or switches.
    velmo::InstallSettings(std::make_shared<velmo::MemorySettingsStore>());
    if (threads > 0)
        velmo::SetWorkerThreads(threads);
    BenchHost host;
    velmo::CVelmoDoc doc(&host);

    auto start = Clock::now();
    if (!doc.OnOpenDocument(input)) {
        std::fprintf(stderr, "velmo-bench develop: %s could not be opened\n", input.c_str());
        return 1;
    }
    doc.StopWorker(); // the background preview would compete for the cores
    std::printf("open        %9.1f ms  %s: %d x %d, camera family %d%s\n", Ms(Clock::now() - start), input.c_str(),
                doc.Image().imageWidth, doc.Image().imageHeight, doc.CameraFamily(), doc.Image().bayerFlag ? ", Bayer" : "");

    if (!params.empty()) {
        struct stat st;
        if (::stat(params.c_str(), &st) != 0 || !S_ISREG(st.st_mode)) {
            std::fprintf(stderr, "velmo-bench develop: no parameter file %s\n", params.c_str());
            return 1;
        }
        start = Clock::now();
        const velmo::DevParams before = doc.Edit().Params();
        const int applied = host.sideFilesApplied;
        // A side file updates the state and returns false; one that is
        // refused (or a RAW file in its place) stops the run: nothing is saved.
        if (doc.OnOpenDocument(params) || host.sideFilesApplied == applied) {
            std::fprintf(stderr, "velmo-bench develop: %s was refused; nothing was saved\n", params.c_str());
            return 1;
        }
        std::printf("parameters  %9.1f ms  %s%s\n", Ms(Clock::now() - start), params.c_str(),
                    doc.Edit().Params() == before ? " (nothing changed)" : "");
    }

    doc.SetOutputFormat(velmo::OutputFormat(format));
    doc.SetSizeMode((doc.Output().sizeMode & 8) | size);
    doc.SetIncrementFileNumber(false);

    if (velmo::IsPreviewSizeMode(doc.Output().sizeMode)) {
        start = Clock::now();
        std::vector<uint8_t> bits(size_t(velmo::CVelmoDoc::kPreviewWidth) * velmo::CVelmoDoc::kPreviewHeight * 3);
        doc.DevelopPreview(bits.data());
        std::printf("preview     %9.1f ms\n", Ms(Clock::now() - start));
    }

    host.clock.marks.clear();
    start = Clock::now();
    const bool saved = doc.OnSaveDocument(output);
    const auto end = Clock::now();
    const auto& marks = host.clock.marks;
    Clock::time_point writing = end;
    for (const auto& m : marks)
        if (m.first.rfind("Writing", 0) == 0) {
            writing = m.second;
            break;
        }
    const Clock::time_point developStart = marks.empty() ? start : std::min(start, marks.front().second);
    std::printf("develop     %9.1f ms  %d threads\n", Ms(writing - developStart), velmo::WorkerThreads());
    for (size_t i = 0; i < marks.size(); ++i) {
        if (marks[i].first.rfind("Writing", 0) == 0)
            break;
        const auto next = i + 1 < marks.size() ? marks[i + 1].second : writing;
        std::printf("  %-10s%9.1f ms\n", marks[i].first.c_str(), Ms(next - marks[i].second));
    }
    std::printf("write       %9.1f ms\n", Ms(end - writing));
    if (!saved) {
        std::fprintf(stderr, "velmo-bench develop: nothing was saved\n");
        return 1;
    }
    std::printf("saved       %s\n", host.status.c_str());
    return 0;
}

velmo::bench::RegisterCommand reg("develop",
                                  "FILE.RAF -o OUT [--format tiff16|tiff8|psd16|psd8|jpeg] "
                                  "[--size full|9/16|quarter|preview] [--params FILE.VMR] [--threads N]",
                                  &Run);

} // namespace
