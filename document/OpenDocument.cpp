// Opening files: the dispatch by extension and the RAW load.
#include "develop/colour/ColorManagement.h"
#include "document/VelmoDoc.h"
#include "params/ParamFields.h"
#include "platform/core/MessageBox.h"
#include "platform/core/PrivateProfile.h"
#include "raw/BufferedFile.h"
#include "raw/Demosaic.h"
#include "raw/InterpolateExr.h"
#include "raw/Placement.h"
#include "raw/RafContainer.h"
#include "res/StringTable.h"

#include <algorithm>
#include <cctype>
#include <chrono>
#include <cmath>
#include <cstring>
#include <fstream>
#include <sys/stat.h>

namespace velmo {

namespace {

constexpr uint64_t kBayFileLength = 3217760;

// The raw Bayer dump of the .BAY files: no header, 8-bit samples.
const CameraModelInfo& BayModel()
{
    static const CameraModelInfo model{
        {}, 2080, 1546, 0, 0, 0, 0, 0, SensorLayout::Bayer, false, 255, 0, false, 3, FrameRule::One,
        kDefaultFocalLengthFactor, kDefaultWhiteBalanceUnit};
    return model;
}

// An Exif number as an int; what no camera writes (not finite, or beyond
// a million) counts as absent.
int ExifInt(const ExifTagIndex& index, uint32_t tag)
{
    const float v = index.Value(tag);
    return std::isfinite(v) && std::fabs(v) <= 1e6f ? int(v) : 0;
}

double SecondsSince(std::chrono::steady_clock::time_point& mark)
{
    const auto now = std::chrono::steady_clock::now();
    const double s = std::chrono::duration<double>(now - mark).count();
    mark = now;
    return s;
}

std::string Extension(const std::string& path)
{
    std::string ext = path.size() >= 4 ? path.substr(path.size() - 4) : path;
    for (char& c : ext)
        c = char(std::toupper(static_cast<unsigned char>(c)));
    return ext;
}

bool FileExists(const std::string& path)
{
    struct stat st;
    return stat(path.c_str(), &st) == 0 && S_ISREG(st.st_mode);
}

// What a load keeps of the image before it: the white-balance presets (the
// reader keeps the user's custom row), their unit and the lens factor (a BAY
// dump has none of its own).
void CopyLoadSettings(const RawImage& from, RawImage& to)
{
    to.rafPresets = from.rafPresets;
    to.wbUnit = from.wbUnit;
    to.focalLengthFactor = from.focalLengthFactor;
}

// The sample maps, reused by the next image.
void MoveSampleMaps(RawImage& from, RawImage& to)
{
    to.previewMap1 = std::move(from.previewMap1);
    to.previewMap2 = std::move(from.previewMap2);
    to.fullMap1 = std::move(from.fullMap1);
    to.fullMap2 = std::move(from.fullMap2);
    to.fullWidth = from.fullWidth;
    to.fullHeight = from.fullHeight;
}

// A new image that takes over from `from` what a load keeps.
RawImage CarryOver(RawImage& from)
{
    RawImage img;
    MoveSampleMaps(from, img);
    CopyLoadSettings(from, img);
    return img;
}

} // namespace

bool CVelmoDoc::OnOpenDocument(const std::string& path)
{
    // A side file is read key by key (by the document, the parameter and
    // feature readers and the view's crop reader): one parse serves them all.
    const PrivateProfileReadScope readOnce(path);
    const std::string ext = Extension(path);
    if (ext == ".ICM" || ext == ".ICC") {
        OpenUserProfile(path);
        return false;
    }
    // Side files apply to the current state; the document keeps its image,
    // path and title.
    if (ext == ".VMF") {
        OpenCropFrameFile(path);
        return false;
    }
    if (ext == ".VMR") {
        OpenParameterFile(path);
        return false;
    }
    if (ext == ".VMT") {
        OpenFeatureFile(FeatureKind::FreeCurve, path);
        return false;
    }
    if (ext == ".VMC") {
        OpenFeatureFile(FeatureKind::SelectiveColors, path);
        return false;
    }
    if (ext == ".VML") {
        OpenFeatureFile(FeatureKind::LensCorrection, path);
        return false;
    }
    if (ext == ".VMW") {
        OpenWhiteBalanceFile(path);
        return false;
    }
    if (ext == ".BAY")
        return LoadRaw(path, true);
    if (ext == ".RAF")
        return LoadRaw(path, false);
    ShowMessageId(61215, MB_OK | MB_ICONEXCLAMATION);
    return false;
}

bool CVelmoDoc::OpenUserProfile(const std::string& path)
{
    if (!FileExists(path))
        return false;
    // Only an RGB profile that LittleCMS opens is accepted (message 61233
    // otherwise); the previous user profile stays until one is.
    if (Colors().OpenUserProfile(path) != ProfileStatus::Accepted)
        return false;
    host->AddToRecentList(RecentListKind::ColorProfile, path);
    paths.otherColorProfile = path;
    // The pictures show through the new profile at once.
    SetOutputColorSpace(4);
    return true;
}

bool CVelmoDoc::LoadRaw(const std::string& path, bool bay)
{
    auto mark = std::chrono::steady_clock::now();
    const auto start = mark;
    LoadTimings timings;

    // The image is built aside and handed over whole once it is complete.
    // The file is read and checked first (container, raw data, frames),
    // while the open picture stays: a file that cannot be read leaves the
    // picture, the edit state, the crop, the paths and the stored records
    // as they were.
    RawImage img;
    CopyLoadSettings(image, img);
    // The host's channel, which also answers a stop asked of the document.
    class LoadChannel final : public IProgress {
    public:
        LoadChannel(IProgress& hostChannel, const std::atomic<int>& stop) : inner(hostChannel), stopRequest(stop) {}
        int Report(int percent, const char* label) override
        {
            const int answer = inner.Report(percent, label);
            return answer != 0 ? answer : stopRequest.load();
        }

    private:
        IProgress& inner;
        const std::atomic<int>& stopRequest;
    } progress(host->LoadProgress(), stopRequest);
    auto refuse = [&](const std::string& message) {
        if (!message.empty())
            ShowMessage(message, MB_OK | MB_ICONEXCLAMATION);
        progress.Report(-1, "");
        return false;
    };

    CBufferedFile file;
    if (!file.Open(path))
        return refuse(RafErrorText(RafError::CannotOpen));
    img.fileLength = int(std::min<uint64_t>(file.GetLength(), INT32_MAX));

    RafContainer raf;
    PlacementInput in;
    int frames = 1;
    if (bay) {
        img.bayerFlag = 1;
        if (file.GetLength() != kBayFileLength)
            return refuse(LoadString(61216));
        img.model = &BayModel();
        img.cameraFamily = 3;
        in.model = img.model;
        in.rawWidth = img.model->rawWidth;
        in.rawHeight = img.model->fixedRawHeight;
        in.exrMode = 1;
        in.bytesPerSample1 = true;
        file.Seek(2080);
    } else {
        RafReadOptions options;
        options.familyTable = [this](int family) { return &familyWb[FamilyTableIndex(family)]; };
        const RafStatus status = ReadRafContainer(file, raf, img.rafPresets, options);
        timings.read = SecondsSince(mark);
        img.header = raf.header;
        if (!status)
            return refuse(status.message);
        img.rafFlag = 1;
        img.cfaRecords = raf.records;
        img.model = raf.model;
        img.cameraFamily = raf.cameraFamily;
        img.wbUnit = raf.whiteBalanceUnit;
        img.focalLengthFactor = raf.focalLengthFactor;
        img.exifIndex = raf.exifIndex;
        img.exifLines = raf.exifLines;
        img.bayerFlag = img.model->IsBayer() ? 1 : 0;
        frames = raf.Frames();

        const ExifTagIndex& exif = img.exifIndex;
        if (img.model->frames == FrameRule::ByExrMode) {
            const int iso = ExifInt(exif, 0x8827);
            const int setting = exif.Has(0x1403) ? ExifInt(exif, 0x1403) : ExifInt(exif, 0x140B);
            img.dynamicRange = setting;
            img.exrModeDigit = raf.exrModeDigit;
            img.exrMode = 1;
            frames = 1;
            switch (img.exrModeDigit) {
            case 1: img.drShift = (setting / 100) >> 1; break;
            case 2:
                frames = 2;
                img.exrMode = 2;
                img.drShift = setting == 800 ? 1 : 0;
                img.exrExtra = (iso == 100 && setting == 200) ? 8 : 4;
                break;
            case 3:
                frames = 2;
                img.exrMode = 3;
                img.drShift = (setting / 100) >> 1;
                break;
            default: break;
            }
        } else if (img.model->PrimaryName() == "FinePix S100FS") {
            const int iso = ExifInt(exif, 0x8827);
            const int mode = ExifInt(exif, 0x1402);
            const int setting = ExifInt(exif, 0x1403);
            img.drShift = 2;
            if (mode == 1) {
                if (setting == 100)
                    img.drShift = 0;
                else if (setting == 200)
                    img.drShift = 1;
            } else if (iso == 3200 || iso == 100) {
                img.drShift = 0;
            } else if (iso == 200) {
                img.drShift = 1;
            } else if (mode == 32768) {
                img.drShift = 2;
            }
        }
        if (img.model->frames == FrameRule::ByFormatCode)
            frames = ::velmo::DetectExrMode(img) ? 2 : 1;

        SecondsSince(mark);
        const RafStatus data = OpenRawData(file, raf, &progress);
        timings.unpack = SecondsSince(mark);
        if (!data)
            return refuse(data.message);
        in.model = img.model;
        in.rawWidth = img.model->rawWidth;
        in.rawHeight = img.model->RawHeight(raf.cfaDataLength);
        in.doubleWidth = raf.pairedRows && img.model->layout == SensorLayout::SuperCcd;
        in.noSecondFrame = (img.exrBits & 1) != 0;
        in.compressed = raf.compressed;
        in.exrMode = img.exrMode;
    }
    in.frames = frames;
    const CameraModelInfo* model = img.model;

    // Every frame the header announces must be in the file; one that the
    // file ends inside reads short, and the user is told once it is loaded.
    FrameDataCheck frameData;
    if (!bay) {
        frameData = CheckFrameData(raf, in);
        if (frameData.status == FrameDataStatus::Missing)
            return refuse(FrameDataMessage(frameData, path));
    }

    const int height = in.rawHeight - model->topMargin - model->bottomMargin;
    if (height <= 0 || (height & 1) || model->Width() <= 0)
        return refuse(RafErrorText(RafError::RawDataMissing));

    // The file can be read: the open picture goes, and the new one takes
    // over its sample maps. A load that fails from here on (a damaged block
    // found while placing, a stop, a lack of memory) leaves no image and the
    // family whose record the document holds, so that no other family's
    // stored record is overwritten.
    loadTimings = timings;
    DeleteContents();
    if (host->HasMainWindow())
        host->RecalcLayout();
    StopWorker();
    MoveSampleMaps(image, img);
    auto fail = [&](const std::string& message) {
        RawImage empty = CarryOver(img);
        empty.cameraFamily = image.cameraFamily;
        image = std::move(empty);
        return refuse(message);
    };

    PlacedFrames placed;
    SecondsSince(mark);
    const RafStatus placedStatus = PlaceRawData(file, bay ? nullptr : &raf, in, placed, progress);
    loadTimings.place = SecondsSince(mark) - placed.secondUnpackSeconds;
    loadTimings.unpack += placed.secondUnpackSeconds;
    if (!placedStatus)
        return fail(placedStatus.message);
    img.imageWidth = placed.width;
    img.imageHeight = placed.height;
    img.mainImage = std::move(placed.main);
    img.secondFrame = std::move(placed.second);
    img.whiteLevel = model->whiteLevel;
    img.maxGreen = placed.maxGreen;

    // Demosaicing, the EXR frames, the sensor type and the black level.
    const int e = (img.exrMode != 0 || bay) ? 1 : 0;
    if (img.bayerFlag) {
        if (!InterpolateBayer({img.mainImage.data(), img.imageWidth, img.imageHeight}, e, progress) ||
            (!img.secondFrame.empty() &&
             !InterpolateBayer({img.secondFrame.data(), img.imageWidth, img.imageHeight}, e, progress)))
            return fail("");
        if (img.exrMode > 1 && !img.secondFrame.empty())
            std::swap(img.mainImage, img.secondFrame);
        if (img.exrMode > 2 && !::velmo::InterpolateExr(img, progress))
            return fail(RafErrorText(RafError::RawDataMissing));
    }
    outputOptions.sizeMode = (outputOptions.sizeMode & 7) | (img.bayerFlag ? 8 : 0);
    if (model->subtractBlackLevel) {
        progress.Report(-2, "Adjusting black level");
        const int black = model->blackLevel;
        SubtractBlackLevel({img.mainImage.data(), img.imageWidth, img.imageHeight}, black);
        if (!img.secondFrame.empty() && img.exrMode != 0)
            SubtractBlackLevel({img.secondFrame.data(), img.imageWidth, img.imageHeight}, black);
        img.whiteLevel = uint16_t(img.whiteLevel - std::min<int>(img.whiteLevel, black));
        img.maxGreen = uint16_t(img.maxGreen - std::min<int>(img.maxGreen, black));
    }
    if (!img.bayerFlag) {
        if (!InterpolateSuperCcd({img.mainImage.data(), img.imageWidth, img.imageHeight}, false, progress) ||
            (!img.secondFrame.empty() &&
             !InterpolateSuperCcd({img.secondFrame.data(), img.imageWidth, img.imageHeight}, true, progress)))
            return fail("");
    }

    loadTimings.demosaic = SecondsSince(mark);
    if (!MakePreview1(img, progress) || !MakePreview2(img, progress))
        return fail("");

    ReplaceImage(std::move(img));
    ApplyCameraSettings(path, bay, frames, raf.camera);
    loadTimings.previews = SecondsSince(mark);
    loadTimings.total = std::chrono::duration<double>(mark - start).count();

    progress.Report(-1, "");
    paths.source = path;
    paths.parameters.clear();
    imageListeners.Notify(DocImageEvent::Loaded);
    ResumeWorker();
    if (frameData.status == FrameDataStatus::Short)
        ShowMessage(FrameDataMessage(frameData, path), MB_OK | MB_ICONEXCLAMATION);
    return true;
}

void CVelmoDoc::ApplyCameraSettings(const std::string& path, bool bay, int frames, const ExifCameraValues& camera)
{
    // The camera's settings over the family's stored record.
    LoadParameterRecord();
    edit.ModifyParams([&](DevParams& p) {
        p.twoFrames = frames == 2 ? 1 : 0;
        if (bay) {
            p.whiteBalance = 6;
            p.sharpness = 1;
        } else {
            p.sharpness = camera.sharpness;
            p.whiteBalance = edit.UseRafWB() ? 0 : camera.whiteBalanceRow;
            p.exifOrientation = camera.orientation;
            if (image.model->frames == FrameRule::ByFormatCode)
                p.twoFrames = DetectExrMode();
        }
    });
    SetWhiteBalance(edit.Params().whiteBalance, 0, -1);
    DeriveFamilyPresetRows();
    edit.ModifyParams([&](DevParams& p) {
        if (!bay) {
            p.rotate = p.exifOrientation == 6 ? 1 : p.exifOrientation == 8 ? 2 : 0;
            p.cameraWhiteBalance = camera.whiteBalanceRow;
            p.cameraSharpness = p.sharpness;
        }
        // The EXR half-frames became one frame.
        if (image.bayerFlag && image.exrMode > 2)
            p.twoFrames = 0;
        if (image.drShift != 0)
            p.twoFrames = 1;
    });
    if (image.rafFlag)
        MakeAsShot(path);
    if (!bay) {
        cameraLens = {camera.modelName, camera.focalLength};
        imageListeners.Notify(DocImageEvent::LensInfoChanged);
    }
}

} // namespace velmo
