// What the document asks of the program around it. The GUI implements this
// with its frame, views and palettes; the headless harness and the tests use
// the defaults or record the calls.
#pragma once

#include "platform/core/Progress.h"

#include <string>

namespace velmo {

struct ScreenSize {
    int width;
    int height;
};

class CDocHost {
public:
    virtual ~CDocHost() = default;

    // The main window exists (palettes, views and layout can be reached).
    virtual bool HasMainWindow() const { return false; }
    // The desktop the full preview is sized for.
    virtual ScreenSize DesktopSize() const { return {1920, 1080}; }

    // CDocument::UpdateAllViews(NULL, 0, NULL).
    virtual void UpdateAllViews() {}
    // The frame lays itself out again after the image turned.
    virtual void RecalcLayout() {}
    // The active view hands its crop frame to the document again.
    virtual void ResendCropFrame() {}
    // The histogram palette and the view's histogram display are cleared.
    virtual void ClearHistograms() {}
    // The "&Noise Reduction" check box of the parameters palette in use takes the focus.
    virtual void FocusNoiseReductionControl() {}

    // The progress channel of long operations on the user-interface thread.
    virtual IProgress& LoadProgress() { return NoProgress(); }

    // From the worker thread: a progress report (percent, label) and the
    // announcement that the full preview is ready.
    virtual void PostWorkerProgress(int /*percent*/, const std::string& /*label*/) {}
    virtual void PostFullPreviewReady() {}
};

// A host with every default: no window, a 1920 x 1080 desktop.
CDocHost& HeadlessHost();

} // namespace velmo
