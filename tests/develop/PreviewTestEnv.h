// Shared by the preview and worker tests: a document with a synthetic image
// in its sample maps, and a document host that records, from any thread,
// what the worker posts.
#pragma once

#include "develop/preview/FullPreviewBitmap.h"
#include "document/VelmoDoc.h"
#include "support/TestEnv.h"

#include <algorithm>
#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <functional>
#include <mutex>
#include <string>
#include <thread>
#include <utility>
#include <vector>

namespace velmo::test {

// A scene for the maps: gradients, a white patch (all channels at the white
// level) at the top left, a black patch beside it and a coloured bar.
inline void FillSceneMap(std::vector<uint16_t>& map, int width, int rows, uint16_t white, float scale)
{
    map.assign(size_t(width) * size_t(rows) * 3, 0);
    for (int y = 0; y < rows; ++y) {
        for (int x = 0; x < width; ++x) {
            const float u = float(x) / float(width), v = float(y) / float(rows);
            float rgb[3] = {0.05f + 0.8f * u, 0.1f + 0.7f * v, 0.3f + 0.4f * u * v};
            if (u < 0.125f && v < 0.125f)
                rgb[0] = rgb[1] = rgb[2] = 1.0f;
            else if (u >= 0.125f && u < 0.25f && v < 0.125f)
                rgb[0] = rgb[1] = rgb[2] = 0.0f;
            else if (v > 0.6f && v < 0.7f)
                rgb[2] = 0.9f;
            uint16_t* p = map.data() + (size_t(y) * size_t(width) + size_t(x)) * 3;
            for (int c = 0; c < 3; ++c)
                p[c] = uint16_t(std::min(float(white), rgb[c] * scale * float(white)));
        }
    }
}

// Gives doc a 2048 x 1536 image of family `family` (imageHeight as given)
// whose sample maps hold the scene, with a full preview of fullW x fullH.
// White balance off, so that no camera presets are needed. Call before the
// worker is resumed.
inline void PrepareSyntheticDocument(CVelmoDoc& doc, int fullW, int fullH, bool twoFrames = false,
                                     int imageHeight = 1536, int family = 0)
{
    RawImage img;
    img.cameraFamily = family;
    img.imageWidth = 2048;
    img.imageHeight = imageHeight;
    img.whiteLevel = 16383;
    img.maxGreen = 16000;
    img.mainImage.assign(3, 1);
    if (twoFrames)
        img.secondFrame.assign(3, 1);
    img.fullWidth = fullW;
    img.fullHeight = fullH;
    FillSceneMap(img.previewMap1, CVelmoDoc::kPreviewWidth, CVelmoDoc::kPreviewHeight + 1, img.whiteLevel, 1.0f);
    FillSceneMap(img.fullMap1, fullW, fullH + 1, img.whiteLevel, 1.0f);
    FillSceneMap(img.previewMap2, CVelmoDoc::kPreviewWidth, CVelmoDoc::kPreviewHeight + 1, img.whiteLevel, 0.0625f);
    FillSceneMap(img.fullMap2, fullW, fullH + 1, img.whiteLevel, 0.0625f);
    doc.AdoptImage(std::move(img));
    doc.Edit().ModifyParams([&](DevParams& p) {
        p.twoFrames = twoFrames ? 1 : 0;
        p.whiteBalance = -1;
        p.rotate = 0;
    });
    doc.SetSizeMode(2);
}

// Records the worker's posts (any thread) and the views' hand-overs.
class WorkerHost : public CDocHost {
public:
    struct Report {
        int percent;
        std::string label;
    };

    bool HasMainWindow() const override { return mainWindow; }
    ScreenSize DesktopSize() const override { return {1024, 768}; }
    ScreenSize FullScreenSize() const override { return fullScreen; }
    IProgress& LoadProgress() override { return uiProgress; }

    void PostWorkerProgress(int percent, const std::string& label) override
    {
        std::function<void(int, const std::string&)> hook;
        {
            std::lock_guard lock(mutex);
            reports.push_back({percent, label});
            hook = onProgress;
        }
        if (hook)
            hook(percent, label);
    }
    void PostFullPreviewReady() override
    {
        std::lock_guard lock(mutex);
        ++readyCount;
        changed.notify_all();
    }
    void SetFullSizeBitmap(std::shared_ptr<const DisplayImage> image) override { shown = std::move(image); }
    void SetPreviewProfile(int icc) override { previewProfiles.push_back(icc); }

    int Ready() const
    {
        std::lock_guard lock(mutex);
        return readyCount;
    }
    std::vector<Report> Reports() const
    {
        std::lock_guard lock(mutex);
        return reports;
    }
    void SetProgressHook(std::function<void(int, const std::string&)> hook)
    {
        std::lock_guard lock(mutex);
        onProgress = std::move(hook);
    }
    // Waits until `count` readies have been posted; false after the timeout.
    bool WaitForReady(int count, std::chrono::milliseconds timeout = std::chrono::seconds(60))
    {
        std::unique_lock lock(mutex);
        return changed.wait_for(lock, timeout, [&] { return readyCount >= count; });
    }

    // Reports on the user-interface thread.
    class UiProgress final : public IProgress {
    public:
        int Report(int percent, const char* label) override
        {
            calls.push_back({percent, label ? label : ""});
            return answer;
        }
        std::vector<WorkerHost::Report> calls;
        int answer = 0;
    };

    bool mainWindow = true;
    ScreenSize fullScreen{4096, 4096};
    UiProgress uiProgress;
    std::shared_ptr<const DisplayImage> shown;
    std::vector<int> previewProfiles;

private:
    mutable std::mutex mutex;
    std::condition_variable changed;
    int readyCount = 0;
    std::vector<Report> reports;
    std::function<void(int, const std::string&)> onProgress;
};

// Waits until the worker has nothing running or pending.
inline bool WaitForWorkerIdle(const CVelmoDoc& doc, std::chrono::milliseconds timeout = std::chrono::seconds(60))
{
    const auto end = std::chrono::steady_clock::now() + timeout;
    while (!doc.WorkerIdle()) {
        if (std::chrono::steady_clock::now() > end)
            return false;
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
    return true;
}

} // namespace velmo::test
