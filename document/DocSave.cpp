// The document's save routine and the writers' entry points: crop, develop
// when the record changed, hand the image to the TIFF, PSD or JPEG writer,
// and tell the user what happened.
#include "develop/colour/ColorManagement.h"
#include "develop/output/JpegWriter.h"
#include "develop/output/OutputFile.h"
#include "develop/output/OutputImage.h"
#include "develop/output/PsdWriter.h"
#include "develop/output/SaveDocument.h"
#include "develop/output/TiffWriter.h"
#include "develop/passes/DevelopFull.h"
#include "document/VelmoDoc.h"
#include "platform/core/MessageBox.h"
#include "res/ResourceIds.h"
#include "res/StringMessage.h"
#include "res/StringTable.h"

#include <algorithm>
#include <chrono>
#include <cstdio>

namespace velmo {

namespace {

constexpr unsigned kSameAsSourceMessage = 61218; // "Some thing wrong!\nAbort writing!"
constexpr unsigned kSaveAsTitleString = 61221;   // "Save As output"

// The document's output metadata: its Exif source and the profile of the
// output colour space (kept alive by profile while the writer runs).
OutputMetadata MetadataOf(const CVelmoDoc& doc, IccBytes& profile)
{
    OutputMetadata meta;
    meta.exif.buffer = doc.Image().header;
    meta.exif.index = &doc.Image().exifIndex;
    profile = doc.Colors().Profiles().Slot(doc.Edit().Params().ICC);
    if (profile)
        meta.iccProfile = *profile;
    meta.srgb = doc.Edit().Params().ICC == 0;
    return meta;
}

OutputImage ImageOf(const CVelmoDoc& doc, const std::vector<uint16_t>& pixels, int width, int height)
{
    OutputImage out;
    out.rgb = pixels;
    out.width = width;
    out.height = height;
    out.rotate = doc.Edit().Params().rotate;
    out.previewSize = IsPreviewSizeMode(doc.Output().sizeMode);
    return out;
}

bool Report(const WriteResult& r, const std::string& fileName, WriteResult* result)
{
    if (result)
        *result = r;
    if (!r.Ok())
        ShowMessage(DescribeWriteFailure(r, fileName), MB_OK | MB_ICONEXCLAMATION);
    return r.Ok();
}

} // namespace

std::string CVelmoDoc::MakeOutputFileName(const std::string& path, OutputFileKind kind) const
{
    return ::velmo::MakeOutputFileName(path, kind, outputOptions.Format(), outputOptions.sizeMode,
                                       incrementFileNumber != 0);
}

bool CVelmoDoc::WriteTiff(const std::string& fileName, const std::vector<uint16_t>& pixels, bool sixteenBit,
                          int width, int height, WriteResult* result)
{
    IccBytes profile;
    const OutputMetadata meta = MetadataOf(*this, profile);
    return Report(WriteTiffFile(fileName, ImageOf(*this, pixels, width, height), sixteenBit, meta, ProgressChannel()),
                  fileName, result);
}

bool CVelmoDoc::WritePsd(const std::string& fileName, const std::vector<uint16_t>& pixels, bool sixteenBit,
                         int width, int height, WriteResult* result)
{
    IccBytes profile;
    const OutputMetadata meta = MetadataOf(*this, profile);
    return Report(WritePsdFile(fileName, ImageOf(*this, pixels, width, height), sixteenBit, meta, ProgressChannel()),
                  fileName, result);
}

bool CVelmoDoc::WriteJpeg(const std::string& fileName, const std::vector<uint16_t>& pixels, int width, int height,
                          WriteResult* result)
{
    IccBytes profile;
    const OutputMetadata meta = MetadataOf(*this, profile);
    JpegSettings settings;
    settings.quality = outputOptions.jpegQuality;
    settings.progressive = outputOptions.jpegProgressive != 0;
    return Report(WriteJpegFile(fileName, ImageOf(*this, pixels, width, height), meta, settings, ProgressChannel()),
                  fileName, result);
}

bool CVelmoDoc::MakePreviewSizeImage(int x0, int y0, int width, int height, bool hasCrop)
{
    constexpr size_t kSamples = size_t(kPreviewWidth) * kPreviewHeight * 3;
    if (preview16.size() < kSamples)
        return false;
    const bool rotated = edit.Params().rotate != 0;
    const int cols = rotated ? kPreviewHeight : kPreviewWidth;
    const int rows = rotated ? kPreviewWidth : kPreviewHeight;
    // The image's extent along the preview's columns and rows.
    int64_t spanX = rotated ? image.imageHeight : image.imageWidth;
    int64_t spanY = rotated ? image.imageWidth : image.imageHeight;
    int64_t bx0 = x0, bx1 = int64_t(x0) + width, by0 = y0, by1 = int64_t(y0) + height;
    if (cameraFamily == 1 || cameraFamily == 7) {
        // These sensors are shown at 4:3: the preview frame is W·384/512
        // high (wide when turned), the picture centred in it.
        const int64_t frame = int64_t(image.imageWidth) * kPreviewHeight / kPreviewWidth;
        if (rotated) {
            bx0 += (frame - spanX) / 2;
            bx1 += (frame - spanX) / 2;
            spanX = frame;
        } else {
            by0 += (frame - spanY) / 2;
            by1 += (frame - spanY) / 2;
            spanY = frame;
        }
    }
    saveCache.image.assign(preview16.begin(), preview16.begin() + ptrdiff_t(kSamples));
    if (!hasCrop)
        return true;
    for (int r = 0; r < rows; ++r) {
        const int64_t y = int64_t(r) * spanY / rows;
        for (int c = 0; c < cols; ++c) {
            const int64_t x = int64_t(c) * spanX / cols;
            if (x >= bx0 && x <= bx1 && y >= by0 && y <= by1)
                continue;
            uint16_t* p = saveCache.image.data() + (size_t(r) * size_t(cols) + size_t(c)) * 3;
            p[0] >>= 2;
            p[1] >>= 2;
            p[2] >>= 2;
        }
    }
    return true;
}

bool CVelmoDoc::OnSaveDocument(const std::string& path)
{
    const auto start = std::chrono::steady_clock::now();
    if (!HasImage())
        return false;
    const int sizeMode = outputOptions.sizeMode;
    const bool previewSize = IsPreviewSizeMode(sizeMode);
    const bool hasCrop = !cropImage.IsNull();

    // Preview-size saves crop in display orientation (the preview's own).
    const int rotate = previewSize ? 0 : edit.Params().rotate;
    const bool turned = previewSize && edit.Params().rotate != 0;
    const SaveCrop crop = CropForSave(cropImage, hasCrop, rotate, turned ? image.imageHeight : image.imageWidth,
                                      turned ? image.imageWidth : image.imageHeight);
    if (int64_t(crop.width) * crop.height == 0)
        return false;

    const std::string name = MakeOutputFileName(path, OutputFileKind::CurrentFormat);
    if (name == paths.source) {
        ShowMessageId(kSameAsSourceMessage, MB_OK | MB_ICONEXCLAMATION);
        return false;
    }

    IProgress& progress = ProgressChannel();
    const Rect developFor{crop.x, crop.y, crop.x + crop.width, crop.y + crop.height};
    if (!saveCache.Holds(edit.Params(), developFor, sizeMode)) {
        saveCache.Drop();
        saveCache.crop = developFor;
        saveCache.sizeMode = sizeMode;
        if (previewSize) {
            if (!MakePreviewSizeImage(crop.x, crop.y, crop.width, crop.height, hasCrop))
                return false;
        } else {
            RgbPlane plane;
            const DevelopStatus status = DevelopFull(crop.x, crop.y, crop.width, crop.height, plane, &progress);
            if (status == DevelopStatus::Ok)
                saveCache.image = std::move(plane.rgb);
            else if (status == DevelopStatus::EmptyArea)
                ShowMessage(LoadString(IDS_SAVE_LENS_EMPTY), MB_OK | MB_ICONEXCLAMATION);
            else if (status == DevelopStatus::OutOfMemory)
                ShowMessage(LoadString(IDS_SAVE_OUT_OF_MEMORY), MB_OK | MB_ICONEXCLAMATION);
        }
    }
    saveCache.record = edit.Params();
    if (saveCache.Empty())
        return false;

    const OutputSize size = OutputSizeFor(sizeMode, crop.width, crop.height, edit.Params().rotate);
    bool written = false;
    const OutputFormat format = outputOptions.Format();
    switch (format) {
    case OutputFormat::Psd16: case OutputFormat::Psd8:
        written = WritePsd(name, saveCache.image, IsSixteenBit(format), size.width, size.height);
        break;
    case OutputFormat::Tiff16: case OutputFormat::Tiff8:
        written = WriteTiff(name, saveCache.image, IsSixteenBit(format), size.width, size.height);
        break;
    case OutputFormat::Jpeg:
        written = WriteJpeg(name, saveCache.image, size.width, size.height);
        break;
    }
    progress.Report(-1, nullptr);
    if (!written)
        return false;
    const double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    lastSavedPath = name;
    if (host->HasMainWindow())
        host->SetStatusText(SavedText(name, seconds));
    return true;
}

bool CVelmoDoc::OnFileSaveAs()
{
    if (!HasImage())
        return false;
    const std::string name = MakeOutputFileName(paths.source, OutputFileKind::CurrentFormat);
    int type = outputOptions.format;
    std::string chosen;
    if (!host->ChooseOutputFile(name, LoadString(IDS_FILTER_OUTPUT), LoadString(kSaveAsTitleString), type, chosen))
        return false;
    OutputFormat format;
    if (OutputFormatFromCode(type, &format))
        SetOutputFormat(format);
    return OnSaveDocument(chosen);
}

} // namespace velmo
