// Opening files: the dispatch by extension and the RAW load.
#include "develop/colour/ColorManagement.h"
#include "document/VelmoDoc.h"
#include "params/ParamFields.h"
#include "platform/core/MessageBox.h"
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

} // namespace

bool CVelmoDoc::OnOpenDocument(const std::string& path)
{
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
    otherColorProfile = path;
    edit.SetField(ParamField::ICC, 4);
    return true;
}

bool CVelmoDoc::LoadRaw(const std::string& path, bool bay)
{
    auto mark = std::chrono::steady_clock::now();
    const auto start = mark;
    loadTimings = {};
    rafFlag = 0;
    if (!bay)
        bayerFlag = 0;
    exrMode = 0;
    DeleteContents();
    if (host->HasMainWindow())
        host->RecalcLayout();
    // A failed load keeps the family whose record the document holds, so
    // that no other family's stored record is overwritten.
    const int previousFamily = cameraFamily;
    const DevParams previousParams = edit.Params();
    cameraFamily = 0;
    drShift = exrModeDigit = dynamicRange = exrExtra = 0;
    exrBits = 0;
    model = nullptr;
    maxGreen = 0;
    imageWidth = imageHeight = 0;
    exifIndex.Clear();
    exifLines.clear();
    StopWorker();

    IProgress& progress = host->LoadProgress();
    auto fail = [&](const std::string& message) {
        if (!message.empty())
            ShowMessage(message, MB_OK | MB_ICONEXCLAMATION);
        mainImage = {};
        secondFrame = {};
        imageWidth = imageHeight = 0;
        cameraFamily = previousFamily;
        edit.SetParams(previousParams);
        rafFlag = 0;
        progress.Report(-1, "");
        return false;
    };

    CBufferedFile file;
    if (!file.Open(path))
        return fail(RafErrorText(RafError::CannotOpen));
    fileLength = int(std::min<uint64_t>(file.GetLength(), INT32_MAX));

    RafContainer raf;
    PlacementInput in;
    int frames = 1;
    if (bay) {
        bayerFlag = 1;
        if (file.GetLength() != kBayFileLength)
            return fail(LoadString(61216));
        model = &BayModel();
        cameraFamily = 3;
        in.model = model;
        in.rawWidth = model->rawWidth;
        in.rawHeight = model->fixedRawHeight;
        in.exrMode = 1;
        in.bytesPerSample1 = true;
        file.Seek(2080);
    } else {
        RafReadOptions options;
        options.familyTable = [this](int family) { return &familyWb[FamilyTableIndex(family)]; };
        const RafStatus status = ReadRafContainer(file, raf, rafPresets, options);
        loadTimings.read = SecondsSince(mark);
        header = raf.header;
        if (!status)
            return fail(status.message);
        rafFlag = 1;
        cfaRecords = raf.records;
        model = raf.model;
        cameraFamily = raf.cameraFamily;
        wbUnit = raf.whiteBalanceUnit;
        focalLengthFactor = raf.focalLengthFactor;
        exifIndex = raf.exifIndex;
        exifLines = raf.exifLines;
        bayerFlag = model->IsBayer() ? 1 : 0;
        frames = raf.Frames();

        if (model->frames == FrameRule::ByExrMode) {
            const int iso = ExifInt(exifIndex, 0x8827);
            const int setting = exifIndex.Has(0x1403) ? ExifInt(exifIndex, 0x1403) : ExifInt(exifIndex, 0x140B);
            dynamicRange = setting;
            exrModeDigit = raf.exrModeDigit;
            exrMode = 1;
            frames = 1;
            switch (exrModeDigit) {
            case 1: drShift = (setting / 100) >> 1; break;
            case 2:
                frames = 2;
                exrMode = 2;
                drShift = setting == 800 ? 1 : 0;
                exrExtra = (iso == 100 && setting == 200) ? 8 : 4;
                break;
            case 3:
                frames = 2;
                exrMode = 3;
                drShift = (setting / 100) >> 1;
                break;
            default: break;
            }
        } else if (model->PrimaryName() == "FinePix S100FS") {
            const int iso = ExifInt(exifIndex, 0x8827);
            const int mode = ExifInt(exifIndex, 0x1402);
            const int setting = ExifInt(exifIndex, 0x1403);
            drShift = 2;
            if (mode == 1) {
                if (setting == 100)
                    drShift = 0;
                else if (setting == 200)
                    drShift = 1;
            } else if (iso == 3200 || iso == 100) {
                drShift = 0;
            } else if (iso == 200) {
                drShift = 1;
            } else if (mode == 32768) {
                drShift = 2;
            }
        }
        if (model->frames == FrameRule::ByFormatCode)
            frames = DetectExrMode() ? 2 : 1;

        SecondsSince(mark);
        const RafStatus data = OpenRawData(file, raf, &progress);
        loadTimings.unpack = SecondsSince(mark);
        if (!data)
            return fail(data.message);
        in.model = model;
        in.rawWidth = model->rawWidth;
        in.rawHeight = model->RawHeight(raf.cfaDataLength);
        in.doubleWidth = raf.pairedRows && model->layout == SensorLayout::SuperCcd;
        in.noSecondFrame = (exrBits & 1) != 0;
        in.compressed = raf.compressed;
        in.exrMode = exrMode;
    }
    in.frames = frames;

    const int height = in.rawHeight - model->topMargin - model->bottomMargin;
    if (height <= 0 || (height & 1) || model->Width() <= 0)
        return fail(RafErrorText(RafError::RawDataMissing));

    PlacedFrames placed;
    SecondsSince(mark);
    const RafStatus placedStatus = PlaceRawData(file, bay ? nullptr : &raf, in, placed, progress);
    loadTimings.place = SecondsSince(mark) - placed.secondUnpackSeconds;
    loadTimings.unpack += placed.secondUnpackSeconds;
    if (!placedStatus)
        return fail(placedStatus.message);
    imageWidth = placed.width;
    imageHeight = placed.height;
    mainImage = std::move(placed.main);
    secondFrame = std::move(placed.second);
    whiteLevel = model->whiteLevel;
    maxGreen = placed.maxGreen;

    // The camera's settings over the family's stored record.
    LoadParameterRecord();
    edit.ModifyParams([&](DevParams& p) {
        p.twoFrames = frames == 2 ? 1 : 0;
        if (bay) {
            p.whiteBalance = 6;
            p.sharpness = 1;
        } else {
            p.sharpness = raf.camera.sharpness;
            p.whiteBalance = edit.UseRafWB() ? 0 : raf.camera.whiteBalanceRow;
            p.exifOrientation = raf.camera.orientation;
            if (model->frames == FrameRule::ByFormatCode)
                p.twoFrames = DetectExrMode();
        }
    });
    SetWhiteBalance(edit.Params().whiteBalance, 0, -1);
    DeriveFamilyPresetRows();
    if (!bay) {
        edit.ModifyParams([&](DevParams& p) {
            p.rotate = p.exifOrientation == 6 ? 1 : p.exifOrientation == 8 ? 2 : 0;
            p.cameraWhiteBalance = raf.camera.whiteBalanceRow;
            p.cameraSharpness = p.sharpness;
        });
    }

    // Demosaicing, the EXR frames, the sensor type and the black level.
    const int e = (exrMode != 0 || bay) ? 1 : 0;
    if (bayerFlag) {
        if (!InterpolateBayer({mainImage.data(), imageWidth, imageHeight}, e, progress) ||
            (!secondFrame.empty() && !InterpolateBayer({secondFrame.data(), imageWidth, imageHeight}, e, progress)))
            return fail("");
        if (exrMode > 1 && !secondFrame.empty())
            std::swap(mainImage, secondFrame);
        if (exrMode > 2) {
            if (!InterpolateExr(progress))
                return fail(RafErrorText(RafError::RawDataMissing));
            edit.SetField(ParamField::twoFrames, 0);
        }
    }
    outputOptions.sizeMode = (outputOptions.sizeMode & 7) | (bayerFlag ? 8 : 0);
    if (model->subtractBlackLevel) {
        progress.Report(-2, "Adjusting black level");
        const int black = model->blackLevel;
        SubtractBlackLevel({mainImage.data(), imageWidth, imageHeight}, black);
        if (!secondFrame.empty() && exrMode != 0)
            SubtractBlackLevel({secondFrame.data(), imageWidth, imageHeight}, black);
        whiteLevel = uint16_t(whiteLevel - std::min<int>(whiteLevel, black));
        maxGreen = uint16_t(maxGreen - std::min<int>(maxGreen, black));
    }
    if (!bayerFlag) {
        if (!InterpolateSuperCcd({mainImage.data(), imageWidth, imageHeight}, false, progress) ||
            (!secondFrame.empty() && !InterpolateSuperCcd({secondFrame.data(), imageWidth, imageHeight}, true, progress)))
            return fail("");
    }

    loadTimings.demosaic = SecondsSince(mark);
    if (!MakePreview1(progress) || !MakePreview2(progress))
        return fail("");
    if (drShift != 0)
        edit.SetField(ParamField::twoFrames, 1);
    if (rafFlag)
        MakeAsShot(path);
    loadTimings.previews = SecondsSince(mark);
    loadTimings.total = std::chrono::duration<double>(mark - start).count();

    progress.Report(-1, "");
    sourcePath = path;
    parameterPath.clear();
    ResumeWorker();
    return true;
}

} // namespace velmo
