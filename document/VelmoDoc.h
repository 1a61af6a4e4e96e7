// The document: one RAW image at a time with everything derived from it, the
// development parameters, the output options and the background worker.
#pragma once

#include "document/DocHost.h"
#include "document/LoadTimings.h"
#include "exif/ExifParser.h"
#include "exif/WhiteBalanceTables.h"
#include "develop/context/MakeContext.h"
#include "params/DevParams.h"
#include "params/EditState.h"
#include "params/OutputOptions.h"
#include "platform/core/Progress.h"
#include "platform/core/Rect.h"
#include "raw/CameraModels.h"
#include "raw/WhiteBalanceData.h"

#include <atomic>
#include <condition_variable>
#include <cstdint>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

namespace velmo {

struct DevelopContext;
struct RgbPlane;
class IProgress;
class ColorManager;
struct DisplayImage;
struct FullPreviewImage;
struct PreviewJob;
struct WriteResult;
enum class DevelopStatus : int;

// The full-preview size for a desktop: at least 1024 x 768 and 4:3 or taller.
ScreenSize FullPreviewSize(ScreenSize desktop);

class CVelmoDoc {
public:
    static constexpr int kPreviewWidth = 512;
    static constexpr int kPreviewHeight = 384;
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

    // Background worker (document/FullPreviewWorker.cpp). It builds the full
    // preview whenever none exists, the worker is not paused and an image is
    // loaded outside preview-size mode. StopWorker asks a running build to
    // stop, pauses the worker and returns once it is idle; the pause stays
    // until ResumeWorker, which hands the worker the current state to build
    // from. Both on the user-interface thread only.
    void StopWorker();
    void ResumeWorker();
    // The pause of modal dialogs: no new build starts while it is set (a
    // running one goes on).
    void SetDialogPause(bool paused);
    // No build running and none waiting to run.
    bool WorkerIdle() const;
    // The full preview is stale (parameters, crop or size changed): it is
    // dropped with any job not yet started. Call with the worker stopped.
    void DropFullPreview();
    static int DevelopThreadProc(CVelmoDoc* doc);
    int FullPreviewWorker();
    // The published full preview; null while none is complete.
    std::shared_ptr<const FullPreviewImage> FullPreview() const;

    // The progress channel of long operations: percent 0..100 with a label,
    // -1 erases the display, -2 shows the label alone. On the worker the
    // report is posted to the host and the abort request is returned; on the
    // user-interface thread it goes to the host's channel (when the main
    // window exists) and 0 is returned. ProgressChannel is the same as an
    // IProgress.
    int Progress(int percent, const char* label, int area = -1);
    IProgress& ProgressChannel();

    // Preview development (document/DocPreview.cpp). MakePreview develops
    // width x height (the 512 x 384 preview, or the full-preview size) from
    // the sample maps into bits: blue, green, red bytes, turned by `rotate`
    // (height x width then). Returns bits, or null without an image or maps,
    // for another size, or when the progress channel asked to stop. With
    // refreshPalettes (the user-interface path) it also refreshes the
    // palettes, the tone response, the preview histograms and the 16-bit
    // copy.
    uint8_t* MakePreview(uint8_t* bits, int width, int height, bool refreshPalettes);
    // The view's entry after a parameter change: pauses the worker, develops
    // the 512 x 384 preview into bits (512 x 384 x 3 bytes), drops the stale
    // full preview and cached image and lets the worker start again.
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
    void ComputeRegionHistogram(int x0, int y0, int x1, int y1);

    // Colour management: the profile table, the display choice and the
    // display transform.
    ColorManager& Colors() { return *colors; }
    const ColorManager& Colors() const { return *colors; }
    // The display choice (commands 2710-2716): 0 the GUI converts, 1..4 a
    // built-in profile, 5 the display profile file. The worker is stopped
    // before the transform is dropped; the full preview is rebuilt and the
    // host refreshes. Values outside 0..5 are ignored.
    void OnDisplayChoice(int choice);
    // Reads the display profile named by displayProfilePath; false (nothing
    // changed) when it cannot be read or is not an RGB profile.
    bool LoadOtherColorProfile();
    // "Open ColorProfile..." (2717) once its dialog chose path: the profile
    // becomes the display profile and choice 5. A profile that cannot be
    // used is refused with a message; path and choice stay as they were.
    bool OpenDisplayProfile(const std::string& path);
    // One pixel of the output colour space for the display (the magnifier):
    // in itself when the GUI converts or no transform can be built.
    const uint16_t* TransformPixel(const uint16_t in[3], uint16_t out[3]);

    // Parameter record.
    void SetDefaultParameters();
    void LoadParameterRecord();
    void SaveParameterRecord();
    void SetWhiteBalance(int preset, int redevelop, int temperature);
    void SetVividColor(int level, int redevelop);
    void SetTypeSR(int type, int redevelop);
    int IsPortrait() const { return edit.Params().rotate; }
    void UpdateCustomWhiteBalance();
    // Decides from the RAF header whether the image has two frames (1) or
    // not (0); sets the EXR bits.
    int DetectExrMode();
    // The read-only context of one development run on the live record, or on
    // another record (a snapshot, a batch record) with the rest of the
    // current state (develop/context/MakeContext.h).
    DevelopContext PrepareDevelopment() const;
    DevelopContext PrepareDevelopment(const DevParams& record) const;
    // What a development needs to know of the loaded image.
    DevelopImageInfo ImageInfo() const;
    // The tables derived from the edit state (tone tables, free-curve table).
    DevelopTables& Tables() const { return developTables; }
    // Replaces the two EXR half-frames by one checkerboard-filled frame of
    // twice the width and height. False (nothing changed) without two frames
    // of the image size.
    bool InterpolateExr(IProgress& progress);
    // Develops the source rectangle (x, y, w, h) at outW x outH in the
    // current size mode (develop/passes/DevelopRegion.h): R, G, B u16 per pixel, or
    // empty when aborted or out of memory (*status tells which).
    std::vector<uint16_t> DevelopRegion(int x, int y, int w, int h, int outW, int outH,
                                        IProgress* progress = nullptr, DevelopStatus* status = nullptr) const;
    // Develops the image rectangle (x, y, w, h) at the output scale of the
    // current size mode, through the lens correction when it is on
    // (develop/passes/DevelopFull.h), into image. The status tells an abort, a lack
    // of memory, no image or an empty rectangle, and a lens setting that
    // leaves no picture apart; image is empty unless it is Ok. Progress goes
    // to the host's channel unless another is given. The second form develops
    // with a context of the caller's (a parameter snapshot, trial lens values).
    DevelopStatus DevelopFull(int x, int y, int w, int h, RgbPlane& image, IProgress* progress = nullptr) const;
    DevelopStatus DevelopFull(const DevelopContext& ctx, int x, int y, int w, int h, RgbPlane& image,
                              IProgress* progress = nullptr) const;

    // Saving (document/DocSave.cpp). OnSaveDocument writes the cropped
    // image in the current format and size mode under MakeOutputFileName of
    // path (kind -1), developing only when the record differs from the
    // snapshot or nothing is cached; false, with a message unless it was an
    // empty crop or an abort, when no file was written. OnFileSaveAs asks the
    // host for a path and a format first.
    bool OnSaveDocument(const std::string& path);
    bool OnFileSaveAs();
    // The output or side-file name for path: kind -1 the current format,
    // 0..4 a format, -2..-7 the side files (develop/output/SaveDocument.h).
    std::string MakeOutputFileName(const std::string& path, int kind) const;
    // The writers with the document's Exif, output profile, rotation, size
    // mode and JPEG options (width x height already turned). A failure is
    // shown as a message and returns false; *result tells the details.
    bool WriteTiff(const std::string& fileName, const std::vector<uint16_t>& image, bool sixteenBit, int width,
                   int height, WriteResult* result = nullptr);
    bool WritePsd(const std::string& fileName, const std::vector<uint16_t>& image, bool sixteenBit, int width,
                  int height, WriteResult* result = nullptr);
    bool WriteJpeg(const std::string& fileName, const std::vector<uint16_t>& image, int width, int height,
                   WriteResult* result = nullptr);

    // The caption of an output-size command (33510-33513, -1 the current size).
    std::string FormatOutputSize(int sizeCommand, bool* isCurrent, int style) const;
    void OnNoiseReduction();

    // Opens a file by its extension: a RAW image (.RAF, .BAY) or a side file
    // applied to the current state. True only for a RAW image loaded.
    bool OnOpenDocument(const std::string& path);

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
    // Reads struct "FreeCurve" into the process-wide store and rebuilds the
    // curves; false (nothing changed) when it cannot be read.
    bool LoadFreeCurve(const std::string& path);
    // Switches a feature's enable flag and lets the palettes follow.
    void ToggleFeature(FeatureKind kind);

    // The edit state: the parameter record, the feature tables and flags and
    // the switches. Writers go through its methods, which tell its listeners
    // (params/EditState.h).
    EditState& Edit() { return edit; }
    const EditState& Edit() const { return edit; }

    // Spot white balance from the mean colour of an area of the demosaiced
    // image: a rectangle or a 5 x 5 block at a point of the preview frame, or
    // a point of the magnifier. False when nothing changed.
    bool SpotWhiteBalanceRect(int ax, int ay, int bx, int by);
    bool SpotWhiteBalancePoint(int px, int py);
    bool SpotWhiteBalanceFromMagnifier(int px, int py);

    // Magnifier (document/DocMagnifier.cpp): renders the square around the
    // magnifier centre at "MagnifierSize", keeps the image, the magnifier
    // histograms (source 1), the fringe sums and the origin, and hands the
    // image to the host. Nothing without an image; an aborted or failed
    // development keeps the previous image. The second form renders with a
    // context of the caller's (trial lens values) and returns the status.
    void UpdateMagnifier();
    DevelopStatus UpdateMagnifier(const DevelopContext& ctx, IProgress* progress = nullptr);
    // Command 2701 (document/AutoChromaticCorrect.h): searches the red and
    // blue chromatic-aberration values that minimise the fringes along the
    // picture's border and writes them into the lens record; the GUI's part
    // goes through the host's chromatic-search hooks.
    void OnAutoChromaticCorrect();

    // Load-time previews and white-balance estimates (after demosaicing).
    bool MakePreview1(IProgress& progress);
    bool MakePreview2(IProgress& progress);
    // The "as shot" estimate from the embedded JPEG; false when it cannot be decoded.
    bool MakeAsShot(const std::string& path);
    // Family rows 10-12 from the camera's auto and first two custom presets.
    void DeriveFamilyPresetRows();

    CDocHost& Host() const { return *host; }
    bool HasImage() const { return !mainImage.empty(); }
    FamilyWhiteBalanceTable& FamilyTable() { return familyWb[FamilyTableIndex(cameraFamily)]; }
    const FamilyWhiteBalanceTable& FamilyTable() const { return familyWb[FamilyTableIndex(cameraFamily)]; }

    // --- Paths -----------------------------------------------------------
    std::string sourcePath;
    std::string parameterPath;   // .VMR
    std::string lensPath;        // .VML
    std::string selectiveColorPath; // .VMC
    std::string toneCurvePath;   // .VMT
    std::string whiteBalancePath; // .VMW
    std::string displayProfilePath; // "UseLittleCMSprofile"
    std::string otherColorProfile;  // "OtherColorProfile"

    // --- Output and colour management -------------------------------------
    OutputOptions outputOptions;
    int incrementFileNumber = 1;
    int clipWarning = 0; // "Highlight/Shadow Warning"

    // --- Worker flags (shared with the worker thread) -----------------------
    std::atomic<int> quitFlag{0};
    std::atomic<int> abortRequest{0};
    std::atomic<int> busyFlag{0};
    std::atomic<int> pauseFlag{0};
    std::atomic<int> pauseFlag2{0};
    // Progress reports on the user-interface thread pump pending messages.
    std::atomic<int> pumpFlag{0};
    // Preview developments running now and the most ever at once (one is
    // all the pause protocol allows).
    std::atomic<int> developmentsRunning{0};
    std::atomic<int> developmentsPeak{0};

    // --- Image ---------------------------------------------------------------
    int rafFlag = 0;
    int bayerFlag = 0;
    int exrBits = 0;  // layout bits; bit 0: the file holds no second frame
    int exrMode = 0;  // 0 none, 1 HR, 2 DR, 3 SN
    std::vector<uint8_t> header;     // the RAF header, 4096 bytes
    std::vector<uint8_t> cfaRecords; // the CFA header records
    std::vector<uint16_t> mainImage;  // R, G, B per pixel
    std::vector<uint16_t> secondFrame;
    std::vector<uint16_t> previewMap1; // 512 x 385 pixels of u16 R, G, B
    std::vector<uint16_t> previewMap2;
    std::vector<uint16_t> fullMap1;    // fullWidth x (fullHeight + 1)
    std::vector<uint16_t> fullMap2;
    int fullWidth = 0;
    int fullHeight = 0;
    std::vector<uint16_t> developedImage; // the cached developed image
    int fileLength = 0;
    int imageWidth = 0;
    int imageHeight = 0;
    uint16_t whiteLevel = 0;
    int exrModeDigit = 0;
    int dynamicRange = 0;
    int exrExtra = 0;
    int drShift = 0;
    float wbGain[3] = {1.0f, 1.0f, 1.0f};
    float inverseGamma = 0.5555556f;

    // --- Camera and Exif --------------------------------------------------
    const CameraModelInfo* model = nullptr;
    float focalLengthFactor = kDefaultFocalLengthFactor;
    uint16_t maxGreen = 0;
    ExifTagIndex exifIndex;
    ExifTextLines exifLines;

    // --- White balance ---------------------------------------------------
    int cameraFamily = 0;
    uint16_t wbUnit = kDefaultWhiteBalanceUnit;
    RafWhiteBalancePresets rafPresets;
    FamilyWhiteBalanceTables familyWb;
    LoadTimings loadTimings; // of the last RAW load

    // --- Parameters ----------------------------------------------------------
    // The record the cached developed image was made with.
    DevParams snapshot{};

    // --- View state ------------------------------------------------------------
    Rect cropRect;
    // The crop in image pixels (left, top, right, bottom, display orientation)
    // that saving cuts out; all 0 = no crop.
    Rect cropImage;
    std::string lastSavedPath; // the file the last successful save wrote
    // What the cached developed image was made of (besides the snapshot):
    // a save develops again when the crop or the size mode differs.
    Rect developedCrop;
    int developedSizeMode = -1;
    // Image position of the magnifier square's top-left corner at its last rendering.
    int magnifierOriginX = 0;
    int magnifierOriginY = 0;
    int magnifierX = -1;
    int magnifierY = -1;
    // The last magnifier rendering (null before the first).
    std::shared_ptr<const DisplayImage> magnifierImage;
    // Sums of |R - G| and |B - G| over the shown magnifier pixels, added by
    // every rendering and reset by their reader.
    int64_t fringeRed = 0;
    int64_t fringeBlue = 0;
    // The next rendering keeps its square inside the picture (then clears it).
    bool magnifierKeepInside = false;
    std::vector<int32_t> histogram;     // 3 sources x 1024 bins
    std::vector<uint16_t> toneResponse; // 256 entries of R, G, B
    std::vector<uint16_t> preview16;    // the 512 x 384 preview as u16 R, G, B, in display orientation

private:
    void ResetToDefaults();
    // The preview-size image of a save from the 16-bit preview copy, darkened
    // outside the crop; false without a preview copy.
    bool MakePreviewSizeImage(int x0, int y0, int width, int height, bool hasCrop);
    bool LoadRaw(const std::string& path, bool bay);
    bool OpenUserProfile(const std::string& path);
    // Side-file branches of OnOpenDocument (document/OpenSideFiles.cpp); true when
    // the file was applied.
    bool OpenCropFrameFile(const std::string& path);
    bool OpenParameterFile(const std::string& path);
    bool OpenFeatureFile(FeatureKind kind, const std::string& path);
    bool OpenWhiteBalanceFile(const std::string& path);
    bool SaveParametersTo(const std::string& path);
    bool SaveFeatureFile(FeatureKind kind, const std::string& path);
    void StartWorker();
    void WaitWhileBusy();
    void ReadColorSettings();
    // The job of the next full preview from the current state; null when
    // none is to be built. Under workerMutex.
    std::shared_ptr<const PreviewJob> MakeFullPreviewJobLocked();
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
    mutable DevelopTables developTables;
    std::unique_ptr<ColorManager> colors;
    DocProgress progressChannel{*this};
    std::thread worker;
    mutable std::mutex workerMutex;
    std::condition_variable workerIdle; // busy went to 0
    std::condition_variable workerWake; // a job, the pause or the quit flag changed
    // Guarded by workerMutex:
    std::shared_ptr<const PreviewJob> pendingJob;
    std::shared_ptr<const FullPreviewImage> fullPreview;
};

// The size captions of string 61231, split once.
const std::vector<std::string>& SizeLabels();

} // namespace velmo
