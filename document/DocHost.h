// What the document asks of the program around it. The GUI implements this
// with its frame, views and palettes; the headless harness and the tests use
// the defaults or record the calls. Palettes that edit or show the edit
// state follow it through its listeners (params/EditState.h), and what the
// views and palettes show of the image (previews, histograms, tone response,
// Exif lines, the magnifier square, the lens captions) follows the document's listeners
// (document/DocImageEvents.h), not this interface.
#pragma once

#include "params/EditState.h"
#include "platform/core/Progress.h"

#include <memory>
#include <string>

namespace velmo {

struct DisplayImage;

struct ScreenSize {
    int width;
    int height;
};

// The application's recent lists beside the framework's own.
enum class RecentListKind { Parameters, WhiteBalance, SelectiveColors, LensCorrection, ToneCurve, ColorProfile, CropFrame };

class CDocHost {
public:
    virtual ~CDocHost() = default;

    // The main window exists (palettes, views and layout can be reached).
    virtual bool HasMainWindow() const { return false; }
    // The desktop the full preview is sized for.
    virtual ScreenSize DesktopSize() const { return {1920, 1080}; }
    // The host shows the full preview. One that converts files without a
    // window for the picture answers false: the document then neither keeps
    // nor builds the screen-sized preview maps.
    virtual bool ShowsFullPreview() const { return true; }
    // The document keeps the user's settings: each family's stored parameter
    // record when its contents go, its settings when it goes. One that only
    // converts files for a batch answers false: the document then reads the
    // stored records and writes none, so that nothing a run overrides
    // reaches them.
    virtual bool KeepsSettings() const { return true; }

    // CDocument::UpdateAllViews(NULL, 0, NULL).
    virtual void UpdateAllViews() {}
    // The frame lays itself out again after the image turned.
    virtual void RecalcLayout() {}
    // The active view hands its crop frame to the document again.
    virtual void ResendCropFrame() {}
    // The active view rebuilds its picture from the preview it developed
    // last, with the profile it was given last (the output colour space
    // changed while the GUI converts colours).
    virtual void UpdatePreviewBitmap() {}

    // The progress channel of long operations on the user-interface thread.
    virtual IProgress& LoadProgress() { return NoProgress(); }

    // From the worker thread: a progress report (percent, label) and the
    // announcement that the full preview is ready.
    virtual void PostWorkerProgress(int /*percent*/, const std::string& /*label*/) {}
    virtual void PostFullPreviewReady() {}

    // --- Saving ------------------------------------------------------------------
    // The first pane of the status bar ("... was saved.(0.52sec.)").
    virtual void SetStatusText(const std::string& /*text*/) {}
    // The "Save As output" dialog: defaultName and the format list (filter)
    // with format selected, under title. True on OK, with the chosen path and
    // the 0-based index of the file type chosen in format.
    virtual bool ChooseOutputFile(const std::string& /*defaultName*/, const std::string& /*filter*/,
                                  const std::string& /*title*/, int& /*format*/, std::string& /*path*/)
    {
        return false;
    }

    // --- Preview development -------------------------------------------------
    // The active view's preview takes the profile of output colour space icc
    // (the document's Colors().ProfileForDisplay(icc); tagged as sRGB when
    // Colors().GuiConvertsColors() is false, the pixels being converted).
    virtual void SetPreviewProfile(int /*icc*/) {}
    // The largest full-preview bitmap the frame shows.
    virtual ScreenSize FullScreenSize() const { return DesktopSize(); }
    // The view takes the scaled full preview (it may keep the image).
    virtual void SetFullSizeBitmap(std::shared_ptr<const DisplayImage> /*image*/) {}

    // --- Side files ------------------------------------------------------------
    // The application adds path to one of its recent lists.
    virtual void AddToRecentList(RecentListKind /*kind*/, const std::string& /*path*/) {}
    // The active view reads its crop frame from the crop keys of path
    // (CropAspectRatio, CropSelect0.x ...) and hands it to the document; it
    // adds path to the crop-frame list when the frame read is selected.
    // Returns whether a view read the file.
    virtual bool ReadCropSettings(const std::string& /*path*/) { return false; }
    // The active view writes its crop keys into path. Returns false only when
    // the file could not be written (no view or no frame is not a failure).
    virtual bool WriteCropSettings(const std::string& /*path*/) { return true; }
    // The application opens path as File Open does (the framework's
    // OpenDocumentFile, which ends in the document's OnOpenDocument). Returns
    // whether it handled the request; false lets the document open the file
    // itself.
    virtual bool OpenDocumentFile(const std::string& /*path*/) { return false; }

    // --- Automatic chromatic-aberration correction ---------------------------
    // Before the search: save the bar layout under "DockingBarState2", show
    // the magnifier palette floated at the main window's top-left corner,
    // create the processing dialog and disable the main window.
    virtual void BeginChromaticSearch() {}
    // Before each render: the processing dialog shows percent; returns true
    // once its Abort button was pressed (messages are pumped meanwhile).
    virtual bool ChromaticSearchProgress(int /*percent*/) { return false; }
    // After the search (the status text is set): enable the main window,
    // destroy the dialog and restore the bar layout from "DockingBarState2".
    virtual void EndChromaticSearch() {}
};

// A host with every default: no window, a 1920 x 1080 desktop.
CDocHost& HeadlessHost();

} // namespace velmo
