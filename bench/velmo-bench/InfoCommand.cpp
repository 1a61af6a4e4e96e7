// velmo-bench info FILE.RAF: what the container holds. The header, the CFA
// header records and the Exif block are shown even when the raw data is
// missing or broken; then whether the image itself can be loaded, and why
// not. When it can, the image is loaded as the program opens it, and its
// geometry, layout bits, frames and the time of each load stage follow.
// Exits 1 when the header cannot be read or the image cannot be loaded.
#include "bench/velmo-bench/Commands.h"

#include "document/VelmoDoc.h"
#include "platform/core/SettingsStore.h"
#include "raw/BufferedFile.h"
#include "raw/Placement.h"
#include "raw/RafContainer.h"
#include "raw/WhiteBalanceData.h"

#include <cstdio>
#include <memory>

namespace {

using namespace velmo;

const char* LayoutName(SensorLayout layout)
{
    switch (layout) {
    case SensorLayout::SuperCcd: return "SuperCCD";
    case SensorLayout::PairedRows: return "paired rows";
    case SensorLayout::Rotated: return "rotated";
    case SensorLayout::Bayer: return "Bayer";
    }
    return "?";
}

const char* PresetName(int row)
{
    static const char* const kNames[] = {"as shot", "daylight", "shade", "daylight fluorescent",
                                         "warm-white fluorescent", "cool-white fluorescent", "incandescent", "auto"};
    return row < 8 ? kNames[row] : "custom";
}

void PrintPresets(const RafWhiteBalancePresets& presets, uint16_t unit)
{
    std::printf("White-balance unit: %u\n", unit);
    std::printf("Preset rows (G R G B):\n");
    for (int row = 0; row < RafWhiteBalancePresets::kRows; ++row) {
        const uint16_t* w = presets.rows[row];
        if (row > 12 && (w[0] | w[1] | w[2] | w[3]) == 0)
            continue;
        std::printf("  %2d %-24s %5u %5u %5u %5u\n", row, PresetName(row), w[0], w[1], w[2], w[3]);
    }
}

// Loads the image as the program opens it and prints what the load made of it.
int PrintLoad(const std::string& path, int rawHeight)
{
    // The defaults, not the user's stored records; nothing is written back.
    // Messages of the load go to the standard error stream.
    InstallSettings(std::make_shared<MemorySettingsStore>());
    CVelmoDoc doc;
    if (!doc.OnOpenDocument(path)) {
        std::printf("Load: failed\n");
        return 1;
    }
    const CameraModelInfo& model = *doc.Image().model;
    std::printf("Load:\n");
    std::printf("  Raw size: %d x %d (%s)\n", model.rawWidth, rawHeight,
                model.fixedRawHeight > 0 ? "fixed height" : "height from the data length");
    std::printf("  Margins: left %d, right %d, top %d, bottom %d\n", model.leftMargin, model.rightMargin,
                model.topMargin, model.bottomMargin);
    std::printf("  Image: %d x %d, white level %u, black level %u, largest G %u\n", doc.Image().imageWidth, doc.Image().imageHeight,
                doc.Image().whiteLevel, model.subtractBlackLevel ? model.blackLevel : 0, doc.Image().maxGreen);
    std::printf("  Layout bits: %d (%s)\n", doc.Image().exrBits,
                doc.Image().exrBits & 1 ? "no second frame in the file: derived from the main image"
                                : doc.Image().exrBits ? "two-frame format" : "none");
    std::printf("  Frames: %d%s; twoFrames %d\n", doc.Image().secondFrame.empty() ? 1 : 2,
                doc.Image().exrMode == 3 ? " (the two EXR half-frames rebuilt into one)" : "", doc.Edit().Params().twoFrames);
    if (model.exr)
        std::printf("  EXR mode %d (digit %d), dynamic range %d, shift %d, R divisor %d\n", doc.Image().exrMode,
                    doc.Image().exrModeDigit, doc.Image().dynamicRange, doc.Image().drShift, doc.Image().exrExtra);
    else if (doc.Image().drShift != 0)
        std::printf("  Dynamic-range shift %d\n", doc.Image().drShift);
    const LoadTimings& t = doc.Timings();
    std::printf("  Load stages (ms): read %.1f, unpack %.1f, place %.1f, demosaic %.1f, previews %.1f, total %.1f\n",
                1e3 * t.read, 1e3 * t.unpack, 1e3 * t.place, 1e3 * t.demosaic, 1e3 * t.previews, 1e3 * t.total);
    return 0;
}

int RunInfo(const std::vector<std::string>& args)
{
    if (args.size() != 1) {
        std::fprintf(stderr, "usage: velmo-bench info FILE.RAF\n");
        return 2;
    }
    const std::string& path = args[0];
    CBufferedFile file(path);
    RafContainer raf;
    RafReadOptions options;
    options.familyTable = [](int family) { return &NormalizedFamilyTables()[FamilyTableIndex(family)]; };

    RafStatus status = ReadRafHeader(file, raf, options);
    std::printf("File: %s (%llu bytes)\n", path.c_str(), static_cast<unsigned long long>(raf.fileLength));
    if (!status) {
        std::printf("The header cannot be read: %s\n(%s)\n", status.message.c_str(), status.detail.c_str());
        return 1;
    }

    const CameraModelInfo& model = *raf.model;
    const int width = model.Width();
    const int height = model.Height(raf.cfaDataLength);
    std::printf("Model: %s\n", raf.modelText.c_str());
    std::printf("Camera family: %d\n", raf.cameraFamily);
    std::printf("Format code: %s\n", raf.formatCode.c_str());
    std::printf("Sensor: %s%s, raw width %d, image %d x %d, %d frame%s\n", LayoutName(model.layout),
                model.exr ? " (EXR)" : "", model.rawWidth, width, height, raf.Frames(), raf.Frames() == 1 ? "" : "s");
    if (raf.compressed)
        std::printf("Compression: bzip2, %u packed bytes, length word %s%u\n", raf.packedLength,
                    raf.lengthWordRead ? "" : "(unreadable) ", raf.lengthWord);
    else
        std::printf("Compression: none\n");
    std::printf("CFA data: %u bytes at %u\n", raf.directory.DataLength(), raf.directory.DataOffset());
    std::printf("Embedded JPEG: %u bytes at %u\n", raf.directory.JpegLength(), raf.directory.JpegOffset());

    RafWhiteBalancePresets presets;
    const bool noSecondFrame = model.frames == FrameRule::ByFormatCode && RafHeaderHasNoSecondFrame(raf);
    RafStatus records = ReadCfaRecords(file, raf, presets, noSecondFrame);
    if (records) {
        std::printf("CFA header records: %zu bytes%s, %d custom white balance%s\n", raf.records.size(),
                    raf.pairedRows ? ", paired rows" : "", raf.customEntries, raf.customEntries == 1 ? "" : "s");
        PrintPresets(presets, raf.whiteBalanceUnit);
    } else {
        std::printf("CFA header records: %s\n(%s)\n", records.message.c_str(), records.detail.c_str());
    }

    std::printf("Camera settings: sharpness %d, white-balance row %d, orientation %d\n", raf.camera.sharpness,
                raf.camera.whiteBalanceRow, raf.camera.orientation);
    if (raf.exifFound) {
        std::printf("Exif:\n");
        for (const std::string& line : raf.exifLines)
            std::printf("  %s\n", line.c_str());
    } else {
        std::printf("Exif: none in the header\n");
    }

    RafStatus data = records ? OpenRawData(file, raf) : records;
    // Every frame the header announces, as the load checks them.
    FrameDataCheck frames;
    if (data) {
        PlacementInput in;
        in.model = &model;
        in.rawWidth = model.rawWidth;
        in.rawHeight = model.RawHeight(raf.cfaDataLength);
        in.frames = raf.Frames();
        in.doubleWidth = raf.pairedRows && model.layout == SensorLayout::SuperCcd;
        in.noSecondFrame = noSecondFrame;
        in.compressed = raf.compressed;
        frames = CheckFrameData(raf, in);
    }
    if (data && frames.status != FrameDataStatus::Missing && raf.compressed && raf.Frames() == 2 &&
        !noSecondFrame)
        data = OpenSecondFrameBlock(file, raf);
    if (!data) {
        std::printf("Image: cannot be loaded: %s\n(%s)\n", data.message.c_str(), data.detail.c_str());
        return 1;
    }
    switch (frames.status) {
    case FrameDataStatus::Complete: std::printf("Image: the raw data is complete\n"); break;
    case FrameDataStatus::Short:
        std::printf("Image: frame %d is cut short (%s); what is missing reads as 0\n", frames.frame,
                    frames.detail.c_str());
        break;
    case FrameDataStatus::Missing:
        std::printf("Image: cannot be loaded: frame %d is missing\n(%s)\n", frames.frame, frames.detail.c_str());
        return 1;
    }
    return PrintLoad(path, model.RawHeight(raf.cfaDataLength));
}

velmo::bench::RegisterCommand reg("info", "FILE.RAF", &RunInfo);

} // namespace
