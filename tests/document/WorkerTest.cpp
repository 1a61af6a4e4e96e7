// The background worker's protocol. These tests also run under
// ThreadSanitizer (./test.sh, suites named Worker*).
#include "develop/colour/ColorManagement.h"
#include "develop/preview/FullPreviewBitmap.h"
#include "develop/preview/PreviewWorker.h"
#include "develop/preview/RenderPreview.h"
#include "document/VelmoDoc.h"
#include "support/RafBuilder.h"
#include "support/TestEnv.h"
#include "tests/develop/PreviewTestEnv.h"

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <cstring>
#include <memory>
#include <numeric>
#include <random>
#include <thread>
#include <vector>

namespace velmo {
namespace {

using Bytes = std::vector<uint8_t>;
using namespace std::chrono_literals;

constexpr int kFullW = 256;
constexpr int kFullH = 192;

// Holds the worker inside its first report of a build ("Make preview1" at
// 0 %) until the build is asked to stop or the gate opens.
class BuildGate {
public:
    explicit BuildGate(test::WorkerHost& workerHost) : host(workerHost) {}
    ~BuildGate() { Open(); host.SetProgressHook(nullptr); }

    void Install(const CVelmoDoc& doc)
    {
        host.SetProgressHook([this, &doc](int percent, const std::string& label) {
            if (percent != 0 || label != "Make preview1")
                return;
            ++entered;
            const auto end = std::chrono::steady_clock::now() + 60s;
            while (!open.load() && !doc.Worker().AbortRequested() && std::chrono::steady_clock::now() < end)
                std::this_thread::sleep_for(200us);
        });
    }
    void Open() { open = true; }
    // Waits until `count` builds have reached the gate.
    bool WaitEntered(int count)
    {
        const auto end = std::chrono::steady_clock::now() + 60s;
        while (entered.load() < count) {
            if (std::chrono::steady_clock::now() > end)
                return false;
            std::this_thread::sleep_for(200us);
        }
        return true;
    }

    std::atomic<int> entered{0};

private:
    test::WorkerHost& host;
    std::atomic<bool> open{false};
};

class WorkerFixture : public ::testing::Test {
protected:
    void SetUp() override
    {
        doc = std::make_unique<CVelmoDoc>(&host);
        test::PrepareSyntheticDocument(*doc, kFullW, kFullH);
    }
    void TearDown() override { doc.reset(); }

    Bytes DevelopPreview()
    {
        Bytes bits(size_t(CVelmoDoc::kPreviewWidth) * CVelmoDoc::kPreviewHeight * 3);
        doc->DevelopPreview(bits.data());
        return bits;
    }
    // The full preview of the current parameters, developed here (with the
    // worker idle).
    Bytes DirectFullPreview()
    {
        Bytes bits(size_t(kFullW) * kFullH * 3);
        EXPECT_NE(doc->MakePreview(bits.data(), kFullW, kFullH, false), nullptr);
        return bits;
    }

    test::ScopedSettings settings;
    test::RecordingMessages messages;
    test::WorkerHost host;
    std::unique_ptr<CVelmoDoc> doc;
};

TEST_F(WorkerFixture, OneReadyPerStableParameterSet)
{
    for (int i = 0; i < 3; ++i) {
        doc->Edit().SetField(ParamField::hue, 10 * i);
        DevelopPreview();
        ASSERT_TRUE(host.WaitForReady(i + 1));
        ASSERT_TRUE(test::WaitForWorkerIdle(*doc));
        EXPECT_EQ(host.Ready(), i + 1);
        const auto full = doc->FullPreview();
        ASSERT_NE(full, nullptr);
        EXPECT_EQ(full->bgr, DirectFullPreview()) << i;
    }
    // A burst of changes: each aborts or follows the one before, and the
    // last one's full preview is what stays.
    const int before = host.Ready();
    for (int i = 0; i < 6; ++i) {
        doc->Edit().SetField(ParamField::hue, 40 + i);
        DevelopPreview();
    }
    ASSERT_TRUE(test::WaitForWorkerIdle(*doc));
    EXPECT_GE(host.Ready() - before, 1);
    EXPECT_LE(host.Ready() - before, 6);
    ASSERT_NE(doc->FullPreview(), nullptr);
    EXPECT_EQ(doc->FullPreview()->bgr, DirectFullPreview());
    // Nothing changed: resuming builds nothing more.
    const int settled = host.Ready();
    doc->StopWorker();
    doc->ResumeWorker();
    EXPECT_TRUE(doc->WorkerIdle());
    EXPECT_EQ(host.Ready(), settled);
}

TEST_F(WorkerFixture, ParameterChangeDuringABuildCancelsItWithNothingPublished)
{
    const Bytes oldParams = DirectFullPreview();
    BuildGate gate(host);
    gate.Install(*doc);
    doc->ResumeWorker();
    ASSERT_TRUE(gate.WaitEntered(1));

    doc->Edit().SetField(ParamField::hue, 40);
    DevelopPreview(); // stops the build held at the gate, starts the next
    ASSERT_TRUE(gate.WaitEntered(2));
    EXPECT_EQ(doc->FullPreview(), nullptr);
    EXPECT_EQ(host.Ready(), 0);
    // The cancelled build erased the progress display.
    const auto reports = host.Reports();
    bool erased = false;
    for (const auto& r : reports)
        erased = erased || r.percent == -1;
    EXPECT_TRUE(erased);

    gate.Open();
    ASSERT_TRUE(host.WaitForReady(1));
    ASSERT_TRUE(test::WaitForWorkerIdle(*doc));
    EXPECT_EQ(host.Ready(), 1);
    const Bytes newParams = DirectFullPreview();
    EXPECT_NE(newParams, oldParams);
    EXPECT_EQ(doc->FullPreview()->bgr, newParams);
}

TEST(WorkerLifetime, DestroyingTheDocumentDuringABuild)
{
    test::ScopedSettings settings;
    test::WorkerHost host;
    {
        BuildGate gate(host); // outlives the document and so its worker
        CVelmoDoc doc(&host);
        test::PrepareSyntheticDocument(doc, kFullW, kFullH);
        gate.Install(doc);
        doc.ResumeWorker();
        ASSERT_TRUE(gate.WaitEntered(1));
        // The destructor raises abort, which releases the gate, and joins.
    }
    EXPECT_EQ(host.Ready(), 0);

    // At random moments of a build.
    std::mt19937 rng(20090401);
    for (int i = 0; i < 20; ++i) {
        CVelmoDoc doc(&host);
        test::PrepareSyntheticDocument(doc, kFullW, kFullH);
        doc.ResumeWorker();
        std::this_thread::sleep_for(std::chrono::microseconds(rng() % 3000));
    }
}

TEST_F(WorkerFixture, RandomPauseCyclesNeverOverlapTwoDevelopments)
{
    std::mt19937 rng(1234);
    int stops = 0;
    for (int i = 0; i < 300; ++i) {
        switch (rng() % 8) {
        case 0: // a preview development of the view
            doc->Edit().SetField(ParamField::hue, i % 50);
            DevelopPreview();
            break;
        case 1:
        case 2:
        case 3: { // another development on the user-interface thread
            doc->StopWorker();
            ++stops;
            EXPECT_FALSE(doc->Worker().Busy());
            {
                const RunCount count = doc->CountDevelopment();
                std::this_thread::sleep_for(std::chrono::microseconds(rng() % 300));
            }
            doc->DropFullPreview();
            doc->ResumeWorker();
            break;
        }
        case 4: // a modal dialog
            doc->SetDialogPause(true);
            std::this_thread::sleep_for(std::chrono::microseconds(rng() % 300));
            doc->SetDialogPause(false);
            break;
        default: // the worker gets time to build
            std::this_thread::sleep_for(std::chrono::microseconds(rng() % 2000));
            break;
        }
    }
    ASSERT_TRUE(test::WaitForWorkerIdle(*doc));
    EXPECT_GT(stops, 0);
    EXPECT_GT(host.Ready(), 0);
    EXPECT_EQ(doc->DevelopmentsRunning(), 0);
    EXPECT_EQ(doc->MostDevelopmentsAtOnce(), 1);
}

TEST_F(WorkerFixture, TheCounterSeesAnOverlap)
{
    // Developing beside a running build, without stopping it, is what the
    // protocol rules out; the counter must see it.
    BuildGate gate(host);
    gate.Install(*doc);
    doc->ResumeWorker();
    ASSERT_TRUE(gate.WaitEntered(1));
    {
        const RunCount count = doc->CountDevelopment();
        EXPECT_EQ(doc->MostDevelopmentsAtOnce(), 2);
    }
    gate.Open();
    ASSERT_TRUE(host.WaitForReady(1));
    ASSERT_TRUE(test::WaitForWorkerIdle(*doc));
}

TEST_F(WorkerFixture, PreviewSizeModeAndDialogPauseBuildNothing)
{
    doc->SetSizeMode(3);
    DevelopPreview();
    EXPECT_TRUE(doc->WorkerIdle());
    EXPECT_EQ(doc->FullPreview(), nullptr);

    doc->SetSizeMode(2);
    doc->SetDialogPause(true);
    DevelopPreview();
    EXPECT_FALSE(doc->WorkerIdle()); // a build waits for the dialog
    std::this_thread::sleep_for(20ms);
    EXPECT_EQ(host.Ready(), 0);
    doc->SetDialogPause(false);
    ASSERT_TRUE(host.WaitForReady(1));
    ASSERT_TRUE(test::WaitForWorkerIdle(*doc));
    EXPECT_NE(doc->FullPreview(), nullptr);
}

TEST_F(WorkerFixture, ProgressPostsOnTheWorkerAndReturnsZeroOnTheUserInterfaceThread)
{
    DevelopPreview();
    ASSERT_TRUE(host.WaitForReady(1));
    ASSERT_TRUE(test::WaitForWorkerIdle(*doc));
    const auto reports = host.Reports();
    ASSERT_FALSE(reports.empty());
    std::vector<std::string> passes;
    for (const auto& r : reports)
        if (r.percent >= 0 && (passes.empty() || passes.back() != r.label))
            passes.push_back(r.label);
    EXPECT_EQ(passes, (std::vector<std::string>{"Make preview1", "Make preview2", "Make preview3", "Make preview"}));
    EXPECT_EQ(reports.back().percent, -1);

    // On the user-interface thread reports go to the host's channel and
    // never ask to stop, whatever the abort request or the channel say.
    const size_t before = host.uiProgress.calls.size();
    host.uiProgress.answer = 1;
    doc->StopWorker(); // raises the abort request
    ASSERT_TRUE(doc->Worker().AbortRequested());
    EXPECT_EQ(doc->Progress(50, "PASS8", -1), 0);
    EXPECT_EQ(doc->ProgressChannel().Report(7, nullptr), 0);
    ASSERT_EQ(host.uiProgress.calls.size(), before + 2);
    EXPECT_EQ(host.uiProgress.calls[before].label, "PASS8");
    EXPECT_EQ(host.uiProgress.calls[before].percent, 50);
}

TEST(WorkerProgress, WithoutAMainWindowOnlyTheReadyIsPosted)
{
    test::ScopedSettings settings;
    test::WorkerHost host;
    host.mainWindow = false;
    CVelmoDoc doc(&host);
    test::PrepareSyntheticDocument(doc, kFullW, kFullH);
    Bytes bits(size_t(CVelmoDoc::kPreviewWidth) * CVelmoDoc::kPreviewHeight * 3);
    doc.DevelopPreview(bits.data());
    ASSERT_TRUE(host.WaitForReady(1));
    ASSERT_TRUE(test::WaitForWorkerIdle(doc));
    EXPECT_TRUE(host.Reports().empty());
    EXPECT_EQ(doc.Progress(10, "x", -1), 0);
    EXPECT_TRUE(host.uiProgress.calls.empty());
}

TEST_F(WorkerFixture, FullPreviewBitmapForTheView)
{
    DevelopPreview();
    ASSERT_TRUE(host.WaitForReady(1));
    ASSERT_TRUE(test::WaitForWorkerIdle(*doc));
    host.fullScreen = {200, 150};
    auto image = doc->MakeFullPreviewBitmap();
    ASSERT_NE(image, nullptr);
    EXPECT_EQ(host.shown, image);
    EXPECT_EQ(image->width, 200);
    EXPECT_EQ(image->height, 150);
    EXPECT_EQ(image->stride, 600);
    EXPECT_EQ(image->bgr.size(), size_t(600) * 150);
    EXPECT_TRUE(image->colorManaged);
    EXPECT_EQ(*image->profile, *doc->Colors().Profiles().Slot(doc->Edit().Params().ICC));
    // The screen allows more than the full preview has: its own size.
    host.fullScreen = {4096, 4096};
    image = doc->MakeFullPreviewBitmap();
    ASSERT_NE(image, nullptr);
    EXPECT_EQ(image->width, kFullW);
    EXPECT_EQ(image->height, kFullH);
    EXPECT_EQ(0, std::memcmp(image->Row(10), doc->FullPreview()->bgr.data() + size_t(10) * kFullW * 3, kFullW * 3));
    // The selection histogram of one pixel.
    doc->ComputeRegionHistogram(5, 5, 5, 5);
    EXPECT_EQ(std::accumulate(doc->Histogram().begin() + 2048, doc->Histogram().begin() + 2304, int64_t(0)), 196608);
    // No bitmap while a developed image is cached (a preview-size save
    // caches the preview copy).
    {
        test::TempDir dir;
        const int sizeMode = doc->Output().sizeMode;
        doc->SetSizeMode(3);
        ASSERT_TRUE(doc->OnSaveDocument(dir.File("shot.RAF")));
        doc->SetSizeMode(sizeMode);
        ASSERT_TRUE(doc->HasCachedImage());
        EXPECT_EQ(doc->MakeFullPreviewBitmap(), nullptr);
        doc->DropCachedImage();
    }

    // Converted by LittleCMS: tagged sRGB, the profile still carried; the
    // user-profile space shows with the user profile when there is one.
    ASSERT_TRUE(doc->Colors().SetDisplayChoice(DisplayChoice::Srgb));
    doc->Edit().SetField(ParamField::rotate, 1);
    DevelopPreview();
    ASSERT_TRUE(host.WaitForReady(2));
    ASSERT_TRUE(test::WaitForWorkerIdle(*doc));
    ASSERT_TRUE(doc->FullPreview()->rotated);
    EXPECT_EQ(doc->FullPreview()->width, kFullH);
    image = doc->MakeFullPreviewBitmap();
    ASSERT_NE(image, nullptr);
    EXPECT_FALSE(image->colorManaged);
    EXPECT_EQ(image->width, kFullH);
    EXPECT_EQ(image->height, kFullW);
}

// The 3:2 cameras' full preview holds the picture in a 4:3 frame between
// black bands: the bitmap for a smaller output keeps the frame's shape
// (the view draws it over a frame of that shape) instead of squeezing the
// frame into the picture's 3:2; other cameras keep the output size.
TEST(WorkerBitmap, ThreeTwoPictureKeepsItsFrame)
{
    struct Case {
        const char* label;
        int family;
        int rotate;
        int width, height;
    } cases[] = {
        {"3:2 camera", 7, 0, 1024, 768},
        {"3:2 camera turned", 1, 1, 768, 1024},
        {"4:3 camera with the same picture", 0, 0, 1024, 682},
    };
    for (const Case& c : cases) {
        test::ScopedSettings settings;
        test::WorkerHost host;
        CVelmoDoc doc(&host);
        test::PrepareSyntheticDocument(doc, 1280, 960, false, 1365, c.family);
        doc.SetSizeMode(10); // half the 2048 x 1365 picture: 1024 x 682
        doc.Edit().SetField(ParamField::rotate, c.rotate);
        Bytes bits(size_t(CVelmoDoc::kPreviewWidth) * CVelmoDoc::kPreviewHeight * 3);
        doc.DevelopPreview(bits.data());
        ASSERT_TRUE(host.WaitForReady(1)) << c.label;
        ASSERT_TRUE(test::WaitForWorkerIdle(doc)) << c.label;
        host.fullScreen = {4096, 4096};
        const auto image = doc.MakeFullPreviewBitmap();
        ASSERT_NE(image, nullptr) << c.label;
        EXPECT_EQ(image->width, c.width) << c.label;
        EXPECT_EQ(image->height, c.height) << c.label;
    }
}

TEST(WorkerLoad, ARawFileGetsItsFullPreviewAfterLoading)
{
    test::ScopedSettings settings;
    test::TempDir dir;
    test::RecordingMessages messages;
    test::WorkerHost host;
    const std::string path = dir.File("shot.RAF");
    ASSERT_TRUE(test::WriteRaf(path, test::RafFileSpec{}));
    CVelmoDoc doc(&host);
    ASSERT_TRUE(doc.OnOpenDocument(path)) << (messages.calls.empty() ? "" : messages.calls[0].text);
    ASSERT_TRUE(host.WaitForReady(1));
    ASSERT_TRUE(test::WaitForWorkerIdle(doc));
    const auto full = doc.FullPreview();
    ASSERT_NE(full, nullptr);
    EXPECT_EQ(full->width, doc.Image().fullWidth);
    EXPECT_EQ(full->height, doc.Image().fullHeight);
    // Opening the next file stops the worker and drops the old preview.
    ASSERT_TRUE(doc.OnOpenDocument(path));
    ASSERT_TRUE(host.WaitForReady(2));
    ASSERT_TRUE(test::WaitForWorkerIdle(doc));
    EXPECT_NE(doc.FullPreview(), full);
    EXPECT_EQ(doc.MostDevelopmentsAtOnce(), 1);
}

} // namespace
} // namespace velmo
