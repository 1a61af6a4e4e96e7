// velmo-bench batch FILE.RAF [--copies N] [--format tiff16|tiff8|psd16|psd8|jpeg] [--threads N] [--keep DIR]
// Converts N copies (20 by default) of FILE.RAF through the batch runner
// (the batch dialog's engine: one document, a thread of its own) and the
// same copies one file at a time by "velmo-bench develop" (a process per
// file), both at full size into the same format (16-bit TIFF by default),
// and prints the files per second of each. The copies and outputs go to a
// temporary folder, removed at the end unless --keep names one.
#include "bench/velmo-bench/Commands.h"

#include "document/BatchConvert.h"
#include "document/VelmoDoc.h"
#include "platform/core/ParallelRows.h"
#include "platform/core/SettingsStore.h"

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <memory>
#include <fcntl.h>
#include <spawn.h>
#include <string>
#include <sys/wait.h>
#include <unistd.h>
#include <vector>

extern char** environ;

namespace {

namespace fs = std::filesystem;
using Clock = std::chrono::steady_clock;

struct FormatChoice {
    const char* name;
    velmo::OutputFormat format;
    const char* extension;
};
const FormatChoice kFormats[] = {{"psd16", velmo::OutputFormat::Psd16, ".PSD"},
                                 {"psd8", velmo::OutputFormat::Psd8, ".PSD"},
                                 {"tiff16", velmo::OutputFormat::Tiff16, ".TIF"},
                                 {"tiff8", velmo::OutputFormat::Tiff8, ".TIF"},
                                 {"jpeg", velmo::OutputFormat::Jpeg, ".JPG"}};

int Usage(const char* why)
{
    std::fprintf(stderr, "velmo-bench batch: %s\n", why);
    std::fprintf(stderr, "usage: velmo-bench batch FILE.RAF [--copies N] [--format tiff16|tiff8|psd16|psd8|jpeg] "
                         "[--threads N] [--keep DIR]\n");
    return 2;
}

std::string SelfPath()
{
    std::error_code ec;
    const fs::path self = fs::read_symlink("/proc/self/exe", ec);
    return ec ? std::string("velmo-bench") : self.string();
}

// Runs the program with args, its output discarded; its exit status.
int RunQuietly(const std::vector<std::string>& args)
{
    std::vector<char*> argv;
    for (const std::string& a : args)
        argv.push_back(const_cast<char*>(a.c_str()));
    argv.push_back(nullptr);
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, 1, "/dev/null", O_WRONLY, 0);
    pid_t pid = 0;
    const int spawned = posix_spawn(&pid, argv[0], &actions, nullptr, argv.data(), environ);
    posix_spawn_file_actions_destroy(&actions);
    if (spawned != 0)
        return -1;
    int status = 0;
    if (waitpid(pid, &status, 0) != pid)
        return -1;
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

double Seconds(Clock::duration d) { return std::chrono::duration<double>(d).count(); }

int Run(const std::vector<std::string>& args)
{
    std::string input, keep, formatName = "tiff16";
    int copies = 20, threads = 0;
    for (size_t i = 0; i < args.size(); ++i) {
        const std::string& a = args[i];
        const bool hasValue = i + 1 < args.size();
        if (a == "--copies" && hasValue) {
            copies = std::atoi(args[++i].c_str());
            if (copies < 1)
                return Usage("--copies needs a count of 1 or more");
        } else if (a == "--format" && hasValue) {
            formatName = args[++i];
        } else if (a == "--threads" && hasValue) {
            threads = std::atoi(args[++i].c_str());
            if (threads < 1)
                return Usage("--threads needs a count of 1 or more");
        } else if (a == "--keep" && hasValue) {
            keep = args[++i];
        } else if (input.empty() && !a.empty() && a[0] != '-') {
            input = a;
        } else {
            return Usage(("unexpected argument '" + a + "'").c_str());
        }
    }
    if (input.empty())
        return Usage("a RAW file is needed");
    const FormatChoice* format = nullptr;
    for (const FormatChoice& f : kFormats)
        if (formatName == f.name)
            format = &f;
    if (format == nullptr)
        return Usage("unknown format");

    std::error_code ec;
    fs::path work = keep.empty() ? fs::temp_directory_path() / ("velmo-bench-batch-" + std::to_string(::getpid()))
                                 : fs::path(keep);
    fs::create_directories(work / "single", ec);
    fs::create_directories(work / "batch", ec);
    std::vector<std::string> inputs;
    for (int i = 0; i < copies; ++i) {
        char name[32];
        std::snprintf(name, sizeof name, "COPY%04d.RAF", i + 1);
        const fs::path copy = work / name;
        if (!fs::copy_file(input, copy, fs::copy_options::overwrite_existing, ec)) {
            std::fprintf(stderr, "velmo-bench batch: cannot copy %s to %s\n", input.c_str(), copy.c_str());
            return 1;
        }
        inputs.push_back(copy.string());
    }
    auto cleanUp = [&] {
        if (keep.empty())
            fs::remove_all(work, ec);
    };

    // One file at a time, a process each, as "velmo-bench develop" does it.
    const std::string self = SelfPath();
    int singleFailures = 0;
    auto start = Clock::now();
    for (const std::string& in : inputs) {
        const std::string out = (work / "single" / fs::path(in).filename()).string();
        std::vector<std::string> cmd = {self, "develop", in, "-o", out, "--format", format->name};
        if (threads > 0) {
            cmd.push_back("--threads");
            cmd.push_back(std::to_string(threads));
        }
        if (RunQuietly(cmd) != 0)
            ++singleFailures;
    }
    const double singleSeconds = Seconds(Clock::now() - start);

    // The batch runner over the same files, with the same defaults.
    velmo::InstallSettings(std::make_shared<velmo::MemorySettingsStore>());
    if (threads > 0)
        velmo::SetWorkerThreads(threads);
    int batchDone = 0, batchFailures = 0;
    double batchSeconds = 0;
    {
        velmo::CVelmoDoc user;
        user.StopWorker();
        user.SetOutputFormat(format->format);
        user.SetSizeMode(user.Output().sizeMode & 8);
        user.SetIncrementFileNumber(false);
        velmo::BatchOptions options;
        options.outputDir = (work / "batch").string();
        velmo::BatchRunner runner;
        velmo::BatchRunner::Events events;
        events.fileFinished = [&](const velmo::BatchFileResult& r) {
            if (r.outcome == velmo::BatchOutcome::Done)
                ++batchDone;
            else {
                ++batchFailures;
                std::fprintf(stderr, "Err:%s %s\n", r.input.c_str(), r.message.c_str());
            }
        };
        start = Clock::now();
        runner.Start(user, inputs, options, events);
        runner.Wait();
        batchSeconds = Seconds(Clock::now() - start);
    }

    const int singleDone = copies - singleFailures;
    std::printf("%d copies of %s to %s at full size, %d threads\n", copies, input.c_str(), format->name,
                velmo::WorkerThreads());
    std::printf("develop one at a time  %8.2f s  %6.3f files/s  %8.1f ms/file  (%d done)\n", singleSeconds,
                singleDone / singleSeconds, 1000.0 * singleSeconds / copies, singleDone);
    std::printf("batch runner           %8.2f s  %6.3f files/s  %8.1f ms/file  (%d done)\n", batchSeconds,
                batchDone / batchSeconds, 1000.0 * batchSeconds / copies, batchDone);
    std::printf("batch / single per file %.3f\n", batchSeconds / singleSeconds);
    cleanUp();
    return singleFailures == 0 && batchFailures == 0 && batchDone == copies ? 0 : 1;
}

velmo::bench::RegisterCommand reg("batch",
                                  "FILE.RAF [--copies N] [--format tiff16|tiff8|psd16|psd8|jpeg] [--threads N] "
                                  "[--keep DIR]",
                                  &Run);

} // namespace
