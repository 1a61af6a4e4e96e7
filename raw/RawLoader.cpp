#include "raw/RawLoader.h"

#include "raw/Demosaic.h"
#include "raw/InterpolateExr.h"
#include "raw/LoadPreviews.h"
#include "res/StringTable.h"

#include <algorithm>
#include <chrono>
#include <cmath>

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

// The EXR cameras: the mode digit of the file and the dynamic-range setting
// (tag 0x1403, else 0x140B) give the mode, the shift, the R divisor of DR
// shots and whether the shot has two frames.
int ApplyExrRules(RawImage& img, const ExifTagIndex& exif, int exrModeDigit)
{
    const int iso = ExifInt(exif, 0x8827);
    const int setting = exif.Has(0x1403) ? ExifInt(exif, 0x1403) : ExifInt(exif, 0x140B);
    img.dynamicRange = setting;
    img.exrModeDigit = exrModeDigit;
    img.exrMode = 1;
    int frames = 1;
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
    return frames;
}

// The S100FS: its dynamic-range mode (0x1402), setting (0x1403) and the ISO
// give the shift.
void ApplyS100fsRules(RawImage& img, const ExifTagIndex& exif)
{
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

} // namespace

RawLoader::RawLoader(std::string filePath, bool bayDump) : path(std::move(filePath)), bay(bayDump) {}

bool RawLoader::Fail(std::string message, std::string detail)
{
    error = {std::move(message), std::move(detail)};
    return false;
}

bool RawLoader::Check(const RawImage& previous, const FamilyWhiteBalanceTables& tables, IProgress& progress)
{
    auto mark = std::chrono::steady_clock::now();
    image = RawImage{};
    CopyLoadSettings(previous, image);
    RawImage& img = image;

    if (!file.Open(path))
        return Fail(RafErrorText(RafError::CannotOpen));
    img.fileLength = int(std::min<uint64_t>(file.GetLength(), INT32_MAX));

    if (bay) {
        img.bayerFlag = 1;
        if (file.GetLength() != kBayFileLength)
            return Fail(LoadString(61216));
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
        options.familyTable = [&tables](int family) { return &tables[FamilyTableIndex(family)]; };
        const RafStatus status = ReadRafContainer(file, raf, img.rafPresets, options);
        timings.read = SecondsSince(mark);
        img.header = raf.header;
        if (!status)
            return Fail(status.message, status.detail);
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

        if (img.model->frames == FrameRule::ByExrMode)
            frames = ApplyExrRules(img, img.exifIndex, raf.exrModeDigit);
        else if (img.model->PrimaryName() == "FinePix S100FS")
            ApplyS100fsRules(img, img.exifIndex);
        if (img.model->frames == FrameRule::ByFormatCode)
            frames = DetectExrMode(img) ? 2 : 1;

        SecondsSince(mark);
        const RafStatus data = OpenRawData(file, raf, &progress);
        timings.unpack = SecondsSince(mark);
        if (!data)
            return Fail(data.message, data.detail);
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
    if (!bay) {
        const FrameDataCheck frameData = CheckFrameData(raf, in);
        if (frameData.status == FrameDataStatus::Missing)
            return Fail(FrameDataMessage(frameData, path), frameData.detail);
        if (frameData.status == FrameDataStatus::Short)
            warning = FrameDataMessage(frameData, path);
    }

    const int height = in.rawHeight - model->topMargin - model->bottomMargin;
    if (height <= 0 || (height & 1) || model->Width() <= 0)
        return Fail(RafErrorText(RafError::RawDataMissing));
    return true;
}

bool RawLoader::Build(RawImage& maps, FamilyWhiteBalanceTables& tables, IProgress& progress)
{
    auto mark = std::chrono::steady_clock::now();
    RawImage& img = image;
    MoveSampleMaps(maps, img);
    const CameraModelInfo* model = img.model;

    PlacedFrames placed;
    const RafStatus placedStatus = PlaceRawData(file, bay ? nullptr : &raf, in, placed, progress);
    timings.place = SecondsSince(mark) - placed.secondUnpackSeconds;
    timings.unpack += placed.secondUnpackSeconds;
    if (!placedStatus)
        return Fail(placedStatus.message, placedStatus.detail);
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
            return Fail("");
        if (img.exrMode > 1 && !img.secondFrame.empty())
            std::swap(img.mainImage, img.secondFrame);
        if (img.exrMode > 2 && !InterpolateExr(img, progress))
            return Fail(RafErrorText(RafError::RawDataMissing));
    }
    demosaiced = true;
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
            return Fail("");
    }
    timings.demosaic = SecondsSince(mark);

    if (!MakePreview1(img, tables[FamilyTableIndex(img.cameraFamily)], progress) || !MakePreview2(img, progress))
        return Fail("");
    timings.previews = SecondsSince(mark);
    return true;
}

RawLoadResult LoadRawImage(const std::string& path, bool bay, RawImage previous, FamilyWhiteBalanceTables& tables,
                           IProgress& progress)
{
    RawLoadResult result;
    RawLoader loader(path, bay);
    result.loaded = loader.Check(previous, tables, progress) && loader.Build(previous, tables, progress);
    result.error = loader.Error();
    result.frames = loader.Frames();
    result.camera = loader.Camera();
    result.warning = loader.Warning();
    result.image = loader.TakeImage();
    return result;
}

} // namespace velmo
