// The document's view of the program: the main frame, its view and
// palettes, the status bar and the application's recent lists. The worker
// thread's reports are delivered on the user-interface thread.
#pragma once

#include "document/DocHost.h"

#include "platform/gui/ThreadHandOff.h"

#include <atomic>
#include <memory>

namespace velmo {

class CMainFrame;
class CVelmoApp;
class CVelmoDoc;

class AppDocHost final : public CDocHost {
public:
    explicit AppDocHost(CVelmoApp& app);

    // The frame once it exists; nullptr before and after it.
    void SetFrame(CMainFrame* mainFrame) { frame.store(mainFrame); }
    CMainFrame* Frame() const { return frame.load(); }
    void SetDocument(CVelmoDoc* document) { doc = document; }

    bool HasMainWindow() const override { return frame.load() != nullptr; }
    ScreenSize DesktopSize() const override;
    ScreenSize FullScreenSize() const override;

    void UpdateAllViews() override;
    void RecalcLayout() override;
    IProgress& LoadProgress() override { return progress; }
    void PostWorkerProgress(int percent, const std::string& label) override;
    void PostFullPreviewReady() override;

    void SetStatusText(const std::string& text) override;
    bool ChooseOutputFile(const std::string& defaultName, const std::string& filter, const std::string& title,
                          int& format, std::string& path) override;
    void SetFullSizeBitmap(std::shared_ptr<const DisplayImage> image) override;

    void ResendCropFrame() override;
    void SetPreviewProfile(int icc) override;
    bool ReadCropSettings(const std::string& path) override;
    bool WriteCropSettings(const std::string& path) override;

    void UpdatePreviewBitmap() override;

    void AddToRecentList(RecentListKind kind, const std::string& path) override;
    bool OpenDocumentFile(const std::string& path) override;

    void BeginChromaticSearch() override;
    bool ChromaticSearchProgress(int percent) override;
    void EndChromaticSearch() override;

private:
    // The user-interface thread's channel: draws into the status bar and
    // pumps pending events while the document asks for it; never stops.
    class StatusBarProgress final : public IProgress {
    public:
        explicit StatusBarProgress(AppDocHost& owner) : host(owner) {}
        int Report(int percent, const char* label) override;

    private:
        AppDocHost& host;
    };

    CVelmoApp& app;
    std::atomic<CMainFrame*> frame{nullptr};
    CVelmoDoc* doc = nullptr;
    StatusBarProgress progress{*this};
    // The worker's reports, run on this host's thread.
    std::unique_ptr<ThreadHandOff> handOff = std::make_unique<ThreadHandOff>();
};

} // namespace velmo
