// The document: one RAW image at a time with everything derived from it, the
// edit state, the output options and the background worker.
//
// A front over a few parts with private state: the loaded image (RawImage),
// the edit state (EditState: the parameter record, the feature tables and
// flags, the switches), the preview worker (PreviewWorker) and the save cache
// (SaveCache), beside the document's own settings (paths, output options,
// crop, magnifier, histograms). The view and the palettes read through const
// accessors, change the document through its methods, and follow the edit
// state (Edit().Subscribe) and the image and what is derived from it
// (Subscribe, document/DocImageEvents.h) through listeners.
#pragma once

#include "develop/colour/ColorManagement.h"
#include "develop/context/MakeContext.h"
#include "develop/output/SaveDocument.h"
#include "develop/preview/AutoChromatic.h"
#include "document/DocHost.h"
#include "document/DocImageEvents.h"
#include "document/DocValues.h"
#include "document/SaveCache.h"
#include "exif/ExifParser.h"
#include "exif/WhiteBalanceTables.h"
#include "params/DevParams.h"
#include "params/EditState.h"
#include "params/OutputOptions.h"
#include "platform/core/Progress.h"
#include "platform/core/Rect.h"
#include "raw/CameraModels.h"
#include "raw/LoadTimings.h"
#include "raw/RawImage.h"
#include "raw/WhiteBalanceData.h"

#include <atomic>
#include <chrono>
#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace velmo {

struct DevelopContext;
struct RgbPlane;
class IProgress;
class ColorManager;
struct DisplayImage;
struct FullPreviewImage;
struct PreviewJob;
class PreviewWorker;
class RunCount;
struct WriteResult;
enum class DevelopStatus : int;

// The full-preview size for a desktop: at least 1024 x 768 and 4:3 or taller.
ScreenSize FullPreviewSize(ScreenSize desktop);

// The camera's lens as the last RAF load read it from the Exif data.
struct CameraLens {
    std::string modelName;
    float focalLength = 0.0f; // millimetres
};

// The document's remembered paths.
struct DocumentPaths {
    std::string source;           // the RAW image
    std::string parameters;       // .VMR
    std::string lens;             // .VML
    std::string selectiveColors;  // .VMC
    std::string toneCurve;        // .VMT
    std::string whiteBalance;     // .VMW
    std::string displayProfile;   // "UseLittleCMSprofile"
    std::string otherColorProfile; // "OtherColorProfile"
};

class CVelmoDoc {
public:
    static constexpr int kPreviewWidth = ::velmo::kPreviewWidth;
    static constexpr int kPreviewHeight = ::velmo::kPreviewHeight;
    static constexpr int kHistogramSources = 3;
    static constexpr int kHistogramBins = 1024;

    explicit CVelmoDoc(CDocHost* host = nullptr);
    ~CVelmoDoc();
    CVelmoDoc(const CVelmoDoc&) = delete;
    CVelmoDoc& operator=(const CVelmoDoc&) = delete;

    // Framework overrides.
    void DeleteContents();
    bool OnNewDocument() { return true; }
    void OnCloseDocument() { DeleteContents(); }

    // --- The parts -----------------------------------------------------------
    // The loaded image; frames empty when none is loaded.
    const RawImage& Image() const { return image; }
    // Replaces the image whole (built by raw/, see raw/RawLoader.h), how
    // tests and tools hand over a synthetic image; the document takes the
    // image's camera family. The worker is stopped (and stays paused until
    // ResumeWorker), the full preview and the cached developed image are
    // dropped; the record is left as it is. The listeners are told Loaded.
    void AdoptImage(RawImage newImage);
    // The image's listeners: Loaded, Closed, a developed preview, a new
    // selection histogram, a rendered or moved magnifier square.
    [[nodiscard]] DocImageSubscription Subscribe(DocImageListener listener) const
    {
        return imageListeners.Subscribe(std::move(listener));
    }
    // The edit state: the parameter record, the feature tables and flags and
    // the switches. Writers go through its methods, which tell its listeners
    // (params/EditState.h).
    EditState& Edit() { return edit; }
    const EditState& Edit() const { return edit; }
    // The background worker, for its state (idle, paused, the abort request).
    const PreviewWorker& Worker() const { return *worker; }

    // --- Background worker (document/FullPreviewWorker.cpp) ----------------------
    // It builds the full preview whenever none exists, the worker is not
    // paused and an image is loaded outside preview-size mode. StopWorker
    // asks a running build to stop, pauses the worker and returns once it is
    // idle; the pause stays until ResumeWorker, which hands the worker the
    // current state to build from. Both on the user-interface thread only.
    void StopWorker();
    // The same, waiting at most limit: false when a build still runs then
    // (it stays asked to stop and cannot publish; the pause stays).
    bool StopWorker(std::chrono::milliseconds limit);
    void ResumeWorker();
    // The pause of modal dialogs: no new build starts while it is set (a
    // running one goes on).
    void SetDialogPause(bool paused);
    // No build running and none waiting to run.
    bool WorkerIdle() const;
    // The full preview is stale (parameters, crop or size changed): it is
    // dropped with any job not yet started. Call with the worker stopped.
    void DropFullPreview();
    // The published full preview; null while none is complete.
    std::shared_ptr<const FullPreviewImage> FullPreview() const;
    // Counts a preview development in progress for as long as the returned
    // object lives (one at a time is what the pause protocol allows).
    RunCount CountDevelopment();
    int DevelopmentsRunning() const;
    int MostDevelopmentsAtOnce() const;

    // The progress channel of long operations: percent 0..100 with a label,
    // -1 erases the display, -2 shows the label alone. On the worker the
    // report is posted to the host and the abort request is returned; on the
    // user-interface thread it goes to the host's channel (when the main
    // window exists) and the stop request (RequestStop) is returned. ProgressChannel is the same as an
    // IProgress.
    int Progress(int percent, const char* label, int area = -1);
    IProgress& ProgressChannel();
    // Progress reports on the user-interface thread pump pending messages
    // (while a long command of the user-interface thread runs).
    bool PumpsMessages() const { return pumpMessages.load() != 0; }

    // --- Preview development (document/DocPreview.cpp) --------------------------
    // MakePreview develops width x height (the 512 x 384 preview, or the
    // full-preview size) from the sample maps into bits: blue, green, red
    // bytes, turned by `rotate` (height x width then). Returns bits, or null
    // without an image or maps, for another size, or when the progress
    // channel asked to stop. For the view (the user-interface path) it also
    // keeps the tone response, the preview histograms and the 16-bit copy
    // (the palettes follow the edit state by themselves).
    uint8_t* MakePreview(uint8_t* bits, int width, int height, bool forView);
    // The view's entry after a parameter change: pauses the worker, develops
    // the 512 x 384 preview into bits (512 x 384 x 3 bytes), drops the stale
    // full preview and cached image and lets the worker start again. The
    // listeners are told PreviewDeveloped. The first preview of an image
    // also renders its magnifier square once the magnifier has a centre (the
    // previous image's square went with it).
    void DevelopPreview(uint8_t* bits);
    // The full preview scaled for the view (handed to the host too); null
    // without a full preview or while a developed image is cached.
    std::shared_ptr<const DisplayImage> MakeFullPreviewBitmap();
    // The output size of a width x height image in the current size mode;
    // modes without a factor leave the outputs untouched.
    void OutputToImageSize(int width, int height, int* outWidth, int* outHeight) const;
    // The selection histogram (source 2 of the histogram block) of a
    // rectangle in preview units, bounds inclusive, taken from the full
    // preview; all zeros for a reversed rectangle or without a full preview.
    // Both forms tell the listeners SelectionHistogram.
    void ComputeRegionHistogram(int x0, int y0, int x1, int y1);
    // The same from the view's 8-bit preview (width x height pixels of blue,
    // green, red bytes), the rectangle clamped to it; while no full preview
    // is shown.
    void ComputePreviewHistogram(const uint8_t* bgr, int width, int height, int x0, int y0, int x1, int y1);

    // --- Histograms, tone response, 16-bit preview copy ------------------------------
    // 3 sources (0 preview, 1 magnifier, 2 selection) x 1024 bins: per source
    // 256 counts each of red, green, blue and luminosity.
    const std::vector<int32_t>& Histogram() const { return histogram; }
    // 256 entries of R, G, B: the tone pipeline's output for the grey i/255.
    const std::vector<uint16_t>& ToneResponse() const { return toneResponse; }
    // The 512 x 384 preview as u16 R, G, B, in display orientation.
    const std::vector<uint16_t>& Preview16() const { return preview16; }
    // Replaces that copy (what the last preview development left); the
    // magnifier and preview-size saves read it.
    void SetPreview16(std::vector<uint16_t> copy) { preview16 = std::move(copy); }

    // --- Colour management ---------------------------------------------------------
    // The profile table, the display choice and the display transform.
    ColorManager& Colors() { return *colors; }
    const ColorManager& Colors() const { return *colors; }
    // The display choice. The worker is stopped before the transform is
    // dropped; the full preview is rebuilt and the host refreshes. A value
    // out of range is ignored.
    void OnDisplayChoice(DisplayChoice choice);
    // Reads the display profile named by the display-profile path; false
    // (nothing changed) when it cannot be read or is not an RGB profile.
    bool LoadOtherColorProfile();
    // "Open ColorProfile..." once its dialog chose path: the profile
    // becomes the display profile and choice 5. A profile that cannot be
    // used is refused with a message; path and choice stay as they were.
    bool OpenDisplayProfile(const std::string& path);
    // One pixel of the output colour space for the display (the magnifier):
    // in itself when the GUI converts or no transform can be built.
    const uint16_t* TransformPixel(const uint16_t in[3], uint16_t out[3]);

    // --- Parameter record -------------------------------------------------------
    // The camera family whose defaults and stored record the document uses
    // (a load sets it from the camera model).
    int CameraFamily() const { return cameraFamily; }
    void SetCameraFamily(int family) { cameraFamily = family; }
    void SetDefaultParameters();
    void LoadParameterRecord();
    // The live record becomes its family's stored record (not for a host
    // that keeps no settings: a batch's document).
    void SaveParameterRecord();
    void SetWhiteBalance(int preset, int redevelop, int temperature);
    void SetVividColor(int level, int redevelop);
    void SetTypeSR(int type, int redevelop);
    int IsPortrait() const { return edit.Params().rotate; }
    void UpdateCustomWhiteBalance();
    // Decides from the RAF header whether the image has two frames (1) or
    // not (0); the load set the EXR bits from the same header.
    int DetectExrMode() const;
    // The white-balance tables of every family (normalised at construction,
    // rows derived by loads and by the white-balance settings).
    const FamilyWhiteBalanceTables& FamilyTables() const { return familyWb; }
    void SetFamilyTables(const FamilyWhiteBalanceTables& tables) { familyWb = tables; }
    const FamilyWhiteBalanceTable& FamilyTable() const { return familyWb[FamilyTableIndex(cameraFamily)]; }

    // --- Parameter commands (document/DocParameterCommands.cpp) -------------------
    // The refresh after the edit state changed: everything that shows it
    // shows all of it again and drops an apply still waiting for its
    // countdown (the edit state's Refresh, which both parameters palettes
    // follow), the views develop again, and the magnifier is rendered again
    // when "CheckMGN" is set (once a held refresh is let go).
    void OnParametersChanged();
    // Developing now after an edit in a palette, the command any palette
    // calls: every palette first writes back what its user typed and has not
    // applied yet (the edit state's Commit), then the refresh.
    void ApplyEdits();
    // While a slider is dragged with "Prv" checked, the magnifier's refresh
    // waits for the end of the drag (it takes far longer than the preview);
    // letting go renders it once when one was held back.
    void HoldMagnifier(bool hold);
    // The turn of the picture; FromExif takes it from the Exif orientation
    // (8 left, 6 right, anything else none). A value beyond these changes
    // nothing. A new turn lays the frame out again, updates the views and
    // hands the crop frame over again.
    void SetRotation(Rotation rotation);
    // The output size: the size mode (the Bayer-type bit kept), set with the
    // worker stopped; the cached image goes, the frame lays itself out again
    // (and shows the new size) and the magnifier follows when "CheckMGN" is
    // set. A value beyond the four sizes changes nothing.
    void OnOutputSize(OutputScale scale);
    // How long OnOutputSize waits for a running full-preview build to stop.
    static constexpr std::chrono::milliseconds kWorkerStopLimit{5000};
    // iEnhGreen; with redevelop the views update.
    void SetGreenEnhancer(int level, bool redevelop);
    // soften and harden, or sharpness; with render the magnifier follows
    // once it has a centre.
    void SetSoftenHarden(int soften, int harden, bool render);
    void SetSharpnessLevel(int level, bool render);
    // The soften and harden amounts of the record's sharpness preset: Hard
    // (0, 20), Normal (0, 5), Soft (20, 0), Custom the record's own, else (0, 0).
    void GetSharpnessPreset(int* soften, int* harden) const;
    // A sharpness preset command (0 Hard .. 3 Custom): the record's
    // sharpness; the full preview is built again and the magnifier follows
    // once it has a centre. False for another value.
    bool SetSharpnessPreset(int preset);
    // Neutral parameters (Ctrl+Shift+R): no white balance, gamma 1, contrast,
    // brightness, hue and S/R mix 0, saturation 100, normal sharpness; the
    // colour temperature, the S/R type and the feature flags stay; refresh.
    void NeutralReset();
    // The second frame becomes the main image and the other way round, with
    // their sample maps; refresh. False (nothing changed) without a second
    // frame.
    bool SwapFrames();
    // honeycomb toggled; the magnifier follows and the status bar says
    // "HoneyCum:On" or "HoneyCum:off". Nothing without an image.
    void ToggleHoneycomb();
    // "Use old WB": "UseRafWB" toggled, the white-balance lists refilled, the
    // family defaults under the new switch, the palettes reset and refreshed.
    void ToggleUseRafWB();
    // "Use old NR": "UseOldNR" toggled; the magnifier is rendered again.
    void ToggleUseOldNR();
    // "Use old saturation": "UseHLS" toggled; refresh.
    void ToggleUseHLS();
    // The output colour space (0 sRGB .. 3 Wide Gamut RGB, 4 the user
    // profile) of the record: the preview, the magnifier and the full
    // preview take its profile; when LittleCMS converts, the transform is
    // built again and the pictures are developed again. False (nothing
    // changed) for another value.
    bool SetOutputColorSpace(int icc);
    // "MagnifierSize" (256 or 512; the magnifier palette follows the switch):
    // the square is rendered again at the new size. False for another size.
    bool SetMagnifierSize(int size);
    // The full preview is built again from the current state (after a change
    // that only it shows).
    void RefreshFullPreview();
    // A stop asked from another thread (the batch's Abort) of the load or
    // save that runs outside the worker: the progress channel answers it, so
    // a RAW load and the development passes give up cleanly at their next
    // report (a file being written is finished). Stays until cleared.
    void RequestStop(bool on) { stopRequest.store(on ? 1 : 0); }

    // --- Development ------------------------------------------------------------
    // The read-only context of one development run on the live record, or on
    // another record (a snapshot, a batch record) with the rest of the
    // current state (develop/context/MakeContext.h).
    DevelopContext PrepareDevelopment() const;
    DevelopContext PrepareDevelopment(const DevParams& record) const;
    // What a development needs to know of the loaded image.
    DevelopImageInfo ImageInfo() const;
    // The tables derived from the edit state (tone tables, free-curve table).
    DevelopTables& Tables() const { return developTables; }
    // Develops the source rectangle (x, y, w, h) at outW x outH in the
    // current size mode (develop/passes/DevelopRegion.h): R, G, B u16 per pixel, or
    // empty when aborted or out of memory (*status tells which).
    std::vector<uint16_t> DevelopRegion(int x, int y, int w, int h, int outW, int outH,
                                        IProgress* progress = nullptr, DevelopStatus* status = nullptr) const;
    // Develops the image rectangle (x, y, w, h) at the output scale of the
    // current size mode, through the lens correction when it is on
    // (develop/passes/DevelopFull.h), into out. The status tells an abort, a lack
    // of memory, no image or an empty rectangle, and a lens setting that
    // leaves no picture apart; out is empty unless it is Ok. Progress goes
    // to the host's channel unless another is given. The second form develops
    // with a context of the caller's (a parameter snapshot, trial lens values).
    DevelopStatus DevelopFull(int x, int y, int w, int h, RgbPlane& out, IProgress* progress = nullptr) const;
    DevelopStatus DevelopFull(const DevelopContext& ctx, int x, int y, int w, int h, RgbPlane& out,
                              IProgress* progress = nullptr) const;

    // --- Output options and saving (document/DocSave.cpp) --------------------------
    const OutputOptions& Output() const { return outputOptions; }
    // Replaces the output options (format, JPEG quality, progressive, size
    // mode with its Bayer-type bit) as given.
    void SetOutputOptions(const OutputOptions& options);
    // One of them: the output format and the size mode (bits 0-2 the size,
    // bit 3 a Bayer-type sensor), as given.
    void SetOutputFormat(OutputFormat format) { outputOptions.format = int32_t(format); }
    void SetSizeMode(int sizeMode) { outputOptions.sizeMode = sizeMode; }
    // "Increment file number": outputs never overwrite a file.
    bool IncrementFileNumber() const { return incrementFileNumber != 0; }
    void SetIncrementFileNumber(bool on) { incrementFileNumber = on ? 1 : 0; }
    // "Highlight/Shadow Warning".
    bool ClipWarning() const { return clipWarning != 0; }
    void SetClipWarning(bool on) { clipWarning = on ? 1 : 0; }
    // OnSaveDocument writes the cropped image in the current format and size
    // mode under MakeOutputFileName of path (the current format), developing only when
    // the record differs from the one of the cached image or nothing is
    // cached; false, with a message unless it was an empty crop or an abort,
    // when no file was written. OnFileSaveAs asks the host for a path and a
    // format first.
    bool OnSaveDocument(const std::string& path);
    bool OnFileSaveAs();
    // The file the last successful save wrote.
    const std::string& LastSavedPath() const { return lastSavedPath; }
    // The developed image cached by the last save and its key.
    const SaveCache& Cache() const { return saveCache; }
    bool HasCachedImage() const { return !saveCache.Empty(); }
    // The next save develops again.
    void DropCachedImage() { saveCache.Drop(); }
    // The output or side-file name for path (develop/output/SaveDocument.h):
    // the output in the current format or in a format, or a side file.
    std::string MakeOutputFileName(const std::string& path, OutputFileKind kind) const;
    std::string MakeOutputFileName(const std::string& path, OutputFormat format) const
    {
        return MakeOutputFileName(path, FileKindOf(format));
    }
    // The writers with the document's Exif, output profile, rotation, size
    // mode and JPEG options (width x height already turned). A failure is
    // shown as a message and returns false; *result tells the details.
    bool WriteTiff(const std::string& fileName, const std::vector<uint16_t>& pixels, bool sixteenBit, int width,
                   int height, WriteResult* result = nullptr);
    bool WritePsd(const std::string& fileName, const std::vector<uint16_t>& pixels, bool sixteenBit, int width,
                  int height, WriteResult* result = nullptr);
    bool WriteJpeg(const std::string& fileName, const std::vector<uint16_t>& pixels, int width, int height,
                   WriteResult* result = nullptr);

    // The caption of an output size (none: the current size): the pixel size
    // a save in that size writes, the crop included; *isCurrent tells
    // whether it is the current size.
    std::string FormatOutputSize(std::optional<OutputScale> scale, bool* isCurrent, int style) const;

    // --- Crop -----------------------------------------------------------------------
    // The crop frame in crop units (2048 x 1536, or 1536 x 2048 turned) and
    // the same in image pixels (left, top, right, bottom, display orientation)
    // that saving cuts out; all 0 = no crop.
    const Rect& CropUnits() const { return cropRect; }
    const Rect& CropImage() const { return cropImage; }
    // The view's crop frame in both forms; a cached developed image is
    // dropped (it no longer matches the crop).
    void SetCrop(const Rect& units, const Rect& imagePixels);

    // --- Paths ----------------------------------------------------------------------
    const DocumentPaths& Paths() const { return paths; }
    const std::string& SourcePath() const { return paths.source; }
    void SetPaths(const DocumentPaths& newPaths) { paths = newPaths; }

    // Opens a file by its extension: a RAW image (.RAF, .BAY) or a side file
    // applied to the current state. True only for a RAW image loaded.
    bool OnOpenDocument(const std::string& path);
    // The lens of the last RAF load (its listeners are told LensInfoChanged).
    const CameraLens& Lens() const { return cameraLens; }
    // How long each stage of the last RAW load took.
    const LoadTimings& Timings() const { return loadTimings; }

    // Parameter and feature files (document/DocParameterFile.cpp, document/DocFeatureFiles.cpp).
    // The load commands hand the chosen path to OnOpenDocument; the save
    // commands write the file, add it to its recent list and remember it,
    // or report the failure and change nothing. They return whether the file
    // was written. The GUI's file dialogs choose the paths.
    void OnLoadParameters(const std::string& path);
    // To the remembered parameter file, else beside the source image with the
    // parameters extension (false without either).
    bool OnSaveParameters();
    bool OnSaveParametersAs(const std::string& path);
    void OnLoadToneCurve(const std::string& path);
    bool OnSaveToneCurveAs(const std::string& path);
    void OnLoadLensCorrection(const std::string& path);
    bool OnSaveLensCorrectionAs(const std::string& path);
    void OnLoadSelectiveColors(const std::string& path);
    bool OnSaveSelectiveColorsAs(const std::string& path);
    void OnLoadSpotWhiteBalance(const std::string& path);
    bool OnSaveSpotWhiteBalance(const std::string& path);
    // Reads struct "FreeCurve" into the edit state and rebuilds the curves;
    // false (nothing changed) when it cannot be read.
    bool LoadFreeCurve(const std::string& path);
    // Switches a feature's enable flag and lets the palettes follow.
    void ToggleFeature(FeatureKind kind);

    // Spot white balance from the mean colour of an area of the demosaiced
    // image: a rectangle or a 5 x 5 block at a point of the preview frame, or
    // a point of the magnifier. False when nothing changed.
    bool SpotWhiteBalanceRect(int ax, int ay, int bx, int by);
    bool SpotWhiteBalancePoint(int px, int py);
    bool SpotWhiteBalanceFromMagnifier(int px, int py);

    // --- Magnifier (document/DocMagnifier.cpp) -------------------------------------
    // Renders the square around the magnifier centre at "MagnifierSize",
    // keeps the image, the magnifier histograms (source 1), the fringe sums
    // and the origin, and tells the listeners MagnifierRendered. Nothing
    // without an image; an aborted or failed development keeps the previous
    // image. The
    // second form renders with a context of the caller's (trial lens values)
    // and returns the status.
    void UpdateMagnifier();
    DevelopStatus UpdateMagnifier(const DevelopContext& ctx, IProgress* progress = nullptr);
    // The magnifier centre in the unturned 512 x 384 preview frame; -1 -1
    // before the first. Setting it tells the listeners MagnifierMoved.
    int MagnifierX() const { return magnifierX; }
    int MagnifierY() const { return magnifierY; }
    void SetMagnifierCentre(int x, int y);
    // The next rendering keeps its square inside the picture (then clears it).
    void KeepMagnifierInside() { magnifierKeepInside = true; }
    bool MagnifierKeepsInside() const { return magnifierKeepInside; }
    // Image position of the square's top-left corner at its last rendering.
    int MagnifierOriginX() const { return magnifierOriginX; }
    int MagnifierOriginY() const { return magnifierOriginY; }
    void SetMagnifierOrigin(int x, int y)
    {
        magnifierOriginX = x;
        magnifierOriginY = y;
    }
    // The last rendering (null before the first).
    const std::shared_ptr<const DisplayImage>& MagnifierImage() const { return magnifierImage; }
    // Sums of |R - G| and |B - G| over the shown magnifier pixels, added by
    // every rendering until reset.
    FringeSums Fringe() const { return {fringeRed, fringeBlue}; }
    void ResetFringe() { fringeRed = fringeBlue = 0; }
    // The automatic correction (document/AutoChromaticCorrect.h): searches the red and
    // blue chromatic-aberration values that minimise the fringes along the
    // picture's border and writes them into the lens record; the GUI's part
    // goes through the host's chromatic-search hooks.
    void OnAutoChromaticCorrect();

    // The load's last steps on the family tables (document/LoadPreviews.cpp):
    // the "as shot" row from the embedded JPEG of path (false when it cannot
    // be decoded) and the family rows 10-12 from the camera's auto and first
    // two custom presets.
    bool MakeAsShot(const std::string& path);
    void DeriveFamilyPresetRows();

    CDocHost& Host() const { return *host; }
    bool HasImage() const { return image.HasFrames(); }

private:
    void ResetToDefaults();
    // AdoptImage without telling the listeners (the loader tells them once
    // the load is complete) and without taking the image's family.
    void ReplaceImage(RawImage newImage);
    // The preview-size image of a save from the 16-bit preview copy, darkened
    // outside the crop; false without a preview copy.
    bool MakePreviewSizeImage(int x0, int y0, int width, int height, bool hasCrop);
    bool LoadRaw(const std::string& path, bool bay);
    // The load's steps after the image is built: the family's record and the
    // camera's settings over it, the white-balance rows and the estimate of
    // the embedded JPEG.
    void ApplyCameraSettings(const std::string& path, bool bay, int frames, const ExifCameraValues& camera);
    bool OpenUserProfile(const std::string& path);
    // Side-file branches of OnOpenDocument (document/OpenSideFiles.cpp); true when
    // the file was applied.
    bool OpenCropFrameFile(const std::string& path);
    bool OpenParameterFile(const std::string& path);
    bool OpenFeatureFile(FeatureKind kind, const std::string& path);
    bool OpenWhiteBalanceFile(const std::string& path);
    bool SaveParametersTo(const std::string& path);
    bool SaveFeatureFile(FeatureKind kind, const std::string& path);
    void ReadColorSettings();
    FamilyWhiteBalanceTable& FamilyTableToWrite() { return familyWb[FamilyTableIndex(cameraFamily)]; }
    // The job of the next full preview from the current state; null when
    // none is to be built. Called under the worker's lock.
    std::shared_ptr<const PreviewJob> MakeFullPreviewJob() const;
    // The job of one preview development from the current state; sharpen
    // applies to the full-preview size only.
    PreviewJob MakePreviewJob(int width, int height, bool sharpen) const;

    // Progress as an IProgress for the development routines.
    class DocProgress final : public IProgress {
    public:
        explicit DocProgress(CVelmoDoc& d) : doc(d) {}
        int Report(int percent, const char* label) override { return doc.Progress(percent, label, -1); }

    private:
        CVelmoDoc& doc;
    };

    CDocHost* host;
    EditState edit;
    RawImage image;
    // The family whose defaults, stored record and white-balance table are
    // used; a load takes the camera's.
    int cameraFamily = 0;
    SaveCache saveCache;
    FamilyWhiteBalanceTables familyWb;
    mutable DevelopTables developTables;
    std::unique_ptr<ColorManager> colors;
    DocProgress progressChannel{*this};

    DocumentPaths paths;
    OutputOptions outputOptions;
    int incrementFileNumber = 1;
    int clipWarning = 0;
    std::atomic<int> stopRequest{0};
    std::atomic<int> pumpMessages{0};
    // The screen-sized full preview this document builds (from the desktop at
    // construction: at least 1024 x 768, 4:3 or taller).
    ScreenSize fullFrame{0, 0};
    LoadTimings loadTimings;
    CameraLens cameraLens;
    std::string lastSavedPath;

    Rect cropRect;
    Rect cropImage;
    int magnifierOriginX = 0;
    int magnifierOriginY = 0;
    int magnifierX = -1;
    int magnifierY = -1;
    std::shared_ptr<const DisplayImage> magnifierImage;
    // The image changed since the square was rendered: the next preview
    // development renders it again.
    bool magnifierStale = false;
    int64_t fringeRed = 0;
    int64_t fringeBlue = 0;
    bool magnifierKeepInside = false;
    bool magnifierHeld = false;    // HoldMagnifier
    bool magnifierPending = false; // a refresh waits for the end of the hold
    std::vector<int32_t> histogram;
    std::vector<uint16_t> toneResponse;
    std::vector<uint16_t> preview16;

    // Not state of the document: subscribing through a const document is allowed.
    mutable DocImageListeners imageListeners;

    // Started last, so that it never sees a half-built document.
    std::unique_ptr<PreviewWorker> worker;
};

// The size captions of string 61231, split once.
const std::vector<std::string>& SizeLabels();

} // namespace velmo
