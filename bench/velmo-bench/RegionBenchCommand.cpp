// velmo-bench bench-region [FILE.RAF] [--threads N] [--nr] [--repeat N] [--passes]:
// megapixels per second of a full-size region development (size mode 0) of
// the file, or without one of a synthetic two-frame 2048 x 1540 image, with the default parameters and with noise
// reduction on, on one thread and on all cores; --passes adds the time of
// each pass.
#include "bench/velmo-bench/Commands.h"

#include "develop/passes/DevelopRegion.h"
#include "document/VelmoDoc.h"
#include "params/ParamFields.h"
#include "platform/core/ParallelRows.h"
#include "platform/core/SettingsStore.h"

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <memory>
#include <random>
#include <string>
#include <utility>
#include <vector>

namespace {

constexpr int kWidth = 2048;
constexpr int kHeight = 1540;

// Gradients, a grid of rectangles, a few discs and sensor-like noise; the
// second frame is the same scene four stops darker with its own noise.
void FillSyntheticImage(velmo::CVelmoDoc& doc)
{
    velmo::RawImage img = doc.Image();
    img.imageWidth = kWidth;
    img.imageHeight = kHeight;
    img.whiteLevel = 16383;
    img.maxGreen = 16000;
    img.bayerFlag = 0;
    std::mt19937 rng(20090401);
    std::normal_distribution<float> noise(0.0f, 1.0f);
    const size_t samples = size_t(kWidth) * kHeight * 3;
    img.mainImage.resize(samples);
    img.secondFrame.resize(samples);
    for (int y = 0; y < kHeight; ++y) {
        for (int x = 0; x < kWidth; ++x) {
            float scene[3];
            for (int c = 0; c < 3; ++c)
                scene[c] = 800.0f + 9000.0f * float(x) / kWidth + 2500.0f * float(c) * float(y) / kHeight;
            if (((x / 128) + (y / 96)) % 2 == 0) {
                scene[0] *= 1.4f;
                scene[2] *= 0.6f;
            }
            for (int d = 0; d < 4; ++d) {
                const float cx = 300.0f + 480.0f * float(d), cy = 400.0f + 220.0f * float(d % 3);
                if (std::hypot(float(x) - cx, float(y) - cy) < 150.0f)
                    scene[1] = 15500.0f; // clipped highlights for the S/R mix
            }
            for (int c = 0; c < 3; ++c) {
                const size_t at = (size_t(y) * kWidth + size_t(x)) * 3 + size_t(c);
                const float s = scene[c] + noise(rng) * std::sqrt(scene[c]) * 2.0f;
                const float r = scene[c] / 16.0f + noise(rng) * 6.0f;
                img.mainImage[at] = uint16_t(std::clamp(s, 0.0f, 16383.0f));
                img.secondFrame[at] = uint16_t(std::clamp(r, 0.0f, 16383.0f));
            }
        }
    }
    doc.AdoptImage(std::move(img));
}

// Notes when each pass starts, to split a run's time by pass.
class PassClock final : public velmo::IProgress {
public:
    int Report(int percent, const char* label) override
    {
        const auto now = std::chrono::steady_clock::now();
        std::string name = percent == -2 ? "(allocating)" : percent == -1 ? "(end)" : label ? label : "";
        if (marks.empty() || marks.back().first != name)
            marks.emplace_back(name, now);
        return 0;
    }
    void Print() const
    {
        for (size_t i = 0; i + 1 < marks.size(); ++i)
            std::printf("      %-20s %7.1f ms\n", marks[i].first.c_str(),
                        std::chrono::duration<double, std::milli>(marks[i + 1].second - marks[i].second).count());
    }
    std::vector<std::pair<std::string, std::chrono::steady_clock::time_point>> marks;
};

struct Timing {
    double seconds = 0;
    std::vector<uint16_t> image;
    PassClock clock;
};

Timing Time(velmo::CVelmoDoc& doc, int threads, int repeat)
{
    velmo::SetWorkerThreads(threads);
    Timing best;
    best.seconds = 1e30;
    for (int i = 0; i < repeat; ++i) {
        const auto start = std::chrono::steady_clock::now();
        velmo::DevelopStatus status{};
        PassClock clock;
        std::vector<uint16_t> image =
            doc.DevelopRegion(0, 0, doc.Image().imageWidth, doc.Image().imageHeight, 2 * doc.Image().imageWidth, 2 * doc.Image().imageHeight, &clock,
                              &status);
        const double s = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
        if (status != velmo::DevelopStatus::Ok || image.empty()) {
            std::fprintf(stderr, "velmo-bench bench-region: development failed (%d)\n", int(status));
            std::exit(1);
        }
        if (s < best.seconds) {
            best.seconds = s;
            best.image = std::move(image);
            best.clock = clock;
        }
    }
    return best;
}

int Run(const std::vector<std::string>& args)
{
    int threads = 0; // 0: one thread and all cores
    int repeat = 2;
    bool nrOnly = false;
    bool passes = false;
    std::string file;
    for (size_t i = 0; i < args.size(); ++i) {
        if (args[i] == "--threads" && i + 1 < args.size()) {
            threads = std::atoi(args[++i].c_str());
            if (threads < 1) {
                std::fprintf(stderr, "velmo-bench bench-region: --threads needs a count of 1 or more\n");
                return 2;
            }
        } else if (args[i] == "--repeat" && i + 1 < args.size()) {
            repeat = std::max(1, std::atoi(args[++i].c_str()));
        } else if (args[i] == "--passes") {
            passes = true;
        } else if (args[i] == "--nr") {
            nrOnly = true;
        } else if (file.empty() && !args[i].empty() && args[i][0] != '-') {
            file = args[i];
        } else {
            std::fprintf(stderr, "velmo-bench bench-region: unknown argument '%s'\n", args[i].c_str());
            return 2;
        }
    }

    // The defaults, not the user's stored records or switches.
    velmo::InstallSettings(std::make_shared<velmo::MemorySettingsStore>());
    velmo::CVelmoDoc doc;
    doc.Edit().SetSwitch(velmo::SwitchId::UseOldUI, 0);
    doc.Edit().SetSwitch(velmo::SwitchId::UseOldNR, 0);
    if (!file.empty()) {
        if (!doc.OnOpenDocument(file)) {
            std::fprintf(stderr, "velmo-bench bench-region: cannot open %s\n", file.c_str());
            return 1;
        }
        doc.StopWorker();
    } else {
        doc.StopWorker();
        doc.SetCameraFamily(0);
        doc.SetDefaultParameters();
        doc.Edit().SetSwitch(velmo::SwitchId::UseRafWB, 0); // no RAF presets in a synthetic image
        FillSyntheticImage(doc);
        doc.Edit().SetField(velmo::ParamField::twoFrames, 1);
        doc.Edit().SetField(velmo::ParamField::honeycomb, 1);
    }
    doc.SetSizeMode(0);

    const int w = doc.Image().imageWidth, h = doc.Image().imageHeight;
    const double megapixels = 2.0 * w * 2.0 * h / 1e6;
    std::printf("bench-region: %s, %d x %d source%s, size mode 0, %d x %d output (%.2f MP), best of %d\n",
                file.empty() ? "synthetic image" : file.c_str(), w, h, doc.Image().secondFrame.empty() ? "" : " with two frames",
                2 * w, 2 * h, megapixels, repeat);
    std::vector<int> counts;
    if (threads > 0) {
        counts.push_back(threads);
    } else {
        velmo::SetWorkerThreads(0);
        counts = {1, velmo::WorkerThreads()};
    }

    for (bool nr : {false, true}) {
        if (nrOnly && !nr)
            continue;
        doc.Edit().SetField(velmo::ParamField::bNR, nr ? 1 : 0);
        std::vector<uint16_t> reference;
        for (int n : counts) {
            const Timing t = Time(doc, n, repeat);
            const char* same = "";
            if (reference.empty())
                reference = t.image;
            else
                same = t.image == reference ? "  (same bytes as 1 thread)" : "  (DIFFERS from 1 thread)";
            std::printf("  %-24s %2d thread%s  %7.3f s  %7.2f MP/s%s\n",
                        nr ? "noise reduction on" : "default parameters", n, n == 1 ? " " : "s", t.seconds,
                        megapixels / t.seconds, same);
            if (passes)
                t.clock.Print();
        }
    }
    velmo::SetWorkerThreads(0);
    return 0;
}

velmo::bench::RegisterCommand reg("bench-region", "[FILE.RAF] [--threads N] [--nr] [--repeat N] [--passes]", &Run);

} // namespace
