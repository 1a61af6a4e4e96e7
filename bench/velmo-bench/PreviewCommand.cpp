// velmo-bench preview FILE|--synthetic [-o out.ppm] [--repeat N] [--threads N]
//     [--screen WxH]:
// the time of the 512 x 384 preview developed through DevelopPreview, at
// default parameters, with the GUI converting colours and with LittleCMS
// converting to sRGB, on one thread and on all cores; then the screen-sized
// full preview, developed directly and by the background worker. The full
// preview is sized for a desktop of --screen pixels (1920 x 1080 by default).
// -o writes the last preview as a binary PPM.
#include "bench/velmo-bench/Commands.h"

#include "develop/colour/ColorManagement.h"
#include "develop/output/OutputFile.h"
#include "develop/preview/RenderPreview.h"
#include "document/VelmoDoc.h"
#include "params/ParamFields.h"
#include "platform/core/ParallelRows.h"
#include "platform/core/SettingsStore.h"
#include "raw/LoadPreviews.h"

#include <algorithm>
#include <chrono>
#include <condition_variable>
#include <cstdio>
#include <cstdlib>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

namespace {

using Clock = std::chrono::steady_clock;

double Ms(Clock::duration d) { return std::chrono::duration<double, std::milli>(d).count(); }

// Headless, with the worker's "ready" announcement observable.
class BenchHost final : public velmo::CDocHost {
public:
    explicit BenchHost(velmo::ScreenSize screen) : desktop(screen) {}
    velmo::ScreenSize DesktopSize() const override { return desktop; }
    void PostFullPreviewReady() override
    {
        std::lock_guard lock(mutex);
        ++ready;
        changed.notify_all();
    }
    bool WaitForReady(int count)
    {
        std::unique_lock lock(mutex);
        return changed.wait_for(lock, std::chrono::seconds(60), [&] { return ready >= count; });
    }
    int Ready()
    {
        std::lock_guard lock(mutex);
        return ready;
    }

private:
    velmo::ScreenSize desktop;
    std::mutex mutex;
    std::condition_variable changed;
    int ready = 0;
};

// A 2048 x 1536 scene: gradients, a grid of tinted squares and clipped discs.
void LoadSyntheticImage(velmo::CVelmoDoc& doc)
{
    constexpr int W = 2048, H = 1536;
    velmo::RawImage img = doc.Image(); // with the document's sample maps
    img.imageWidth = W;
    img.imageHeight = H;
    img.whiteLevel = 16383;
    img.maxGreen = 16000;
    img.mainImage.resize(size_t(W) * H * 3);
    for (int y = 0; y < H; ++y)
        for (int x = 0; x < W; ++x) {
            float v[3];
            for (int c = 0; c < 3; ++c)
                v[c] = 600.0f + 9000.0f * float(x) / W + 3000.0f * float(c) * float(y) / H;
            if (((x / 128) + (y / 96)) % 2 == 0) {
                v[0] *= 1.4f;
                v[2] *= 0.6f;
            }
            const float dx = float(x % 512) - 256.0f, dy = float(y % 512) - 256.0f;
            if (dx * dx + dy * dy < 80.0f * 80.0f)
                v[0] = v[1] = v[2] = 16383.0f;
            uint16_t* p = img.mainImage.data() + (size_t(y) * W + size_t(x)) * 3;
            for (int c = 0; c < 3; ++c)
                p[c] = uint16_t(std::min(v[c], 16383.0f));
        }
    velmo::FamilyWhiteBalanceTables tables = doc.FamilyTables();
    velmo::MakePreview1(img, tables[velmo::FamilyTableIndex(img.cameraFamily)], velmo::NoProgress());
    velmo::MakePreview2(img, velmo::NoProgress());
    doc.SetFamilyTables(tables);
    doc.AdoptImage(std::move(img));
}

// Written as the program writes its outputs: to a temporary file beside
// path, renamed only when complete, so a failure leaves no partial file.
velmo::WriteResult WritePpm(const std::string& path, const std::vector<uint8_t>& bgr, int width, int height)
{
    velmo::OutputFile out;
    if (velmo::WriteResult opened = out.Open(path); !opened.Ok())
        return opened;
    char header[64];
    const int n = std::snprintf(header, sizeof header, "P6\n%d %d\n255\n", width, height);
    out.Write(header, size_t(n));
    std::vector<uint8_t> rgb(bgr.size());
    for (size_t i = 0; i + 2 < bgr.size(); i += 3) {
        rgb[i] = bgr[i + 2];
        rgb[i + 1] = bgr[i + 1];
        rgb[i + 2] = bgr[i];
    }
    out.Write(rgb.data(), rgb.size());
    return out.Commit();
}

struct Stats {
    double best = 0, median = 0;
};

template <class Fn>
Stats Time(int repeat, Fn fn)
{
    std::vector<double> ms;
    for (int i = 0; i < repeat; ++i) {
        const auto start = Clock::now();
        fn();
        ms.push_back(Ms(Clock::now() - start));
    }
    std::sort(ms.begin(), ms.end());
    return {ms.front(), ms[ms.size() / 2]};
}

int Run(const std::vector<std::string>& args)
{
    std::string file, out;
    bool synthetic = false;
    int repeat = 20;
    int threads = 0;
    velmo::ScreenSize screen{1920, 1080};
    for (size_t i = 0; i < args.size(); ++i) {
        if (args[i] == "-o" && i + 1 < args.size()) {
            out = args[++i];
        } else if (args[i] == "--repeat" && i + 1 < args.size()) {
            repeat = std::max(1, std::atoi(args[++i].c_str()));
        } else if (args[i] == "--threads" && i + 1 < args.size()) {
            threads = std::atoi(args[++i].c_str());
            if (threads < 1) {
                std::fprintf(stderr, "velmo-bench preview: --threads needs a count of 1 or more\n");
                return 2;
            }
        } else if (args[i] == "--screen" && i + 1 < args.size()) {
            int w = 0, h = 0;
            char end = 0;
            if (std::sscanf(args[++i].c_str(), "%dx%d%c", &w, &h, &end) != 2 || w < 1 || h < 1 || w > 16384 ||
                h > 16384) {
                std::fprintf(stderr, "velmo-bench preview: --screen needs WIDTHxHEIGHT, e.g. 1920x1080\n");
                return 2;
            }
            screen = {w, h};
        } else if (args[i] == "--synthetic") {
            synthetic = true;
        } else if (!args[i].empty() && args[i][0] != '-' && file.empty()) {
            file = args[i];
        } else {
            std::fprintf(stderr, "velmo-bench preview: unknown argument '%s'\n", args[i].c_str());
            return 2;
        }
    }
    if (file.empty() == !synthetic) {
        std::fprintf(stderr, "velmo-bench preview: give a RAW file or --synthetic\n");
        return 2;
    }

    // The defaults, not the user's stored records or switches.
    velmo::InstallSettings(std::make_shared<velmo::MemorySettingsStore>());
    BenchHost host(screen);
    velmo::CVelmoDoc doc(&host);
    if (synthetic) {
        doc.Edit().SetSwitch(velmo::SwitchId::UseRafWB, 0); // no camera presets in a synthetic image
        doc.SetDefaultParameters();
        LoadSyntheticImage(doc);
    } else if (!doc.OnOpenDocument(file)) {
        std::fprintf(stderr, "velmo-bench preview: cannot open '%s'\n", file.c_str());
        return 1;
    }
    doc.StopWorker();
    std::printf("preview: %s, image %d x %d, camera family %d, screen %d x %d, full preview %d x %d, best and "
                "median of %d\n",
                synthetic ? "synthetic" : file.c_str(), doc.Image().imageWidth, doc.Image().imageHeight, doc.CameraFamily(),
                screen.width, screen.height, doc.Image().fullWidth, doc.Image().fullHeight, repeat);

    std::vector<int> counts;
    if (threads > 0) {
        counts.push_back(threads);
    } else {
        velmo::SetWorkerThreads(0);
        counts = {1, velmo::WorkerThreads()};
    }

    const int sizeMode = doc.Output().sizeMode;
    std::vector<uint8_t> bits(size_t(velmo::CVelmoDoc::kPreviewWidth) * velmo::CVelmoDoc::kPreviewHeight * 3);
    for (int choice : {0, 1}) {
        doc.Colors().SetDisplayChoice(velmo::DisplayChoice(choice));
        for (int n : counts) {
            velmo::SetWorkerThreads(n);
            // The worker kept out (preview-size mode builds no full preview).
            doc.SetSizeMode(3);
            doc.DevelopPreview(bits.data());
            const Stats alone = Time(repeat, [&] { doc.DevelopPreview(bits.data()); });
            // As the view sees it: each call first stops the full-preview
            // build that the one before started.
            doc.SetSizeMode(sizeMode);
            doc.DevelopPreview(bits.data());
            const Stats busy = Time(repeat, [&] { doc.DevelopPreview(bits.data()); });
            doc.StopWorker();
            std::printf("  DevelopPreview 512 x 384  %-22s %2d thread%s  %7.2f ms  (median %6.2f; with the worker "
                        "to stop %6.2f)\n",
                        choice == 0 ? "GUI converts colours" : "LittleCMS to sRGB", n, n == 1 ? " " : "s", alone.best,
                        alone.median, busy.median);
        }
    }

    std::vector<uint8_t> full(size_t(doc.Image().fullWidth) * doc.Image().fullHeight * 3);
    for (int choice : {0, 1}) {
        doc.Colors().SetDisplayChoice(velmo::DisplayChoice(choice));
        for (int n : counts) {
            velmo::SetWorkerThreads(n);
            const Stats s = Time(std::max(1, repeat / 4),
                                 [&] { doc.MakePreview(full.data(), doc.Image().fullWidth, doc.Image().fullHeight, false); });
            std::printf("  full preview %d x %d      %-22s %2d thread%s  %7.2f ms  (median %6.2f)\n", doc.Image().fullWidth,
                        doc.Image().fullHeight, choice == 0 ? "GUI converts colours" : "LittleCMS to sRGB", n,
                        n == 1 ? " " : "s", s.best, s.median);
        }
    }

    // The worker's build after a parameter change, until it posts "ready".
    velmo::SetWorkerThreads(0);
    doc.Colors().SetDisplayChoice(velmo::DisplayChoice::GuiConverts);
    doc.SetSizeMode(sizeMode);
    if ((sizeMode & 7) != 3) {
        const int before = host.Ready();
        const auto start = Clock::now();
        doc.DevelopPreview(bits.data());
        if (host.WaitForReady(before + 1))
            std::printf("  worker: DevelopPreview to full preview ready  %7.2f ms\n", Ms(Clock::now() - start));
        else
            std::printf("  worker: no full preview within 60 s\n");
    }

    doc.Colors().SetDisplayChoice(velmo::DisplayChoice::GuiConverts);
    doc.StopWorker();
    doc.DevelopPreview(bits.data());
    if (!out.empty()) {
        const bool turned = doc.Edit().Params().rotate == 1 || doc.Edit().Params().rotate == 2;
        const int w = turned ? velmo::CVelmoDoc::kPreviewHeight : velmo::CVelmoDoc::kPreviewWidth;
        const int h = turned ? velmo::CVelmoDoc::kPreviewWidth : velmo::CVelmoDoc::kPreviewHeight;
        if (const velmo::WriteResult written = WritePpm(out, bits, w, h); !written.Ok()) {
            std::fprintf(stderr, "velmo-bench preview: %s\n", velmo::DescribeWriteFailure(written, out).c_str());
            return 1;
        }
        std::printf("  wrote %s (%d x %d)\n", out.c_str(), w, h);
    }
    return 0;
}

velmo::bench::RegisterCommand reg("preview", "FILE|--synthetic [-o out.ppm] [--repeat N] [--threads N] [--screen WxH]",
                                  &Run);

} // namespace
