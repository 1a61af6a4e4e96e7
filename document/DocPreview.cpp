// The document's side of preview development: the 512 x 384 preview for the
// view, the full-preview bitmap and the geometry helpers around it.
#include "develop/colour/ColorManagement.h"
#include "develop/preview/FullPreviewBitmap.h"
#include "develop/preview/PreviewWorker.h"
#include "develop/preview/RenderPreview.h"
#include "document/VelmoDoc.h"

#include <algorithm>

namespace velmo {

PreviewJob CVelmoDoc::MakePreviewJob(int width, int height, bool sharpen) const
{
    PreviewJob job;
    const bool full = width == image.fullWidth;
    const std::vector<uint16_t>& s = full ? image.fullMap1 : image.previewMap1;
    const std::vector<uint16_t>& r = full ? image.fullMap2 : image.previewMap2;
    const int mapWidth = full ? image.fullWidth : kPreviewWidth;
    const int mapRows = (full ? image.fullHeight : kPreviewHeight) + 1;
    const size_t samples = size_t(std::max(mapWidth, 0)) * size_t(std::max(mapRows, 0)) * 3;
    // The maps serve their own size only.
    const bool mapSize = full ? height == image.fullHeight : (width == kPreviewWidth && height == kPreviewHeight);
    if (mapSize && s.size() >= samples && samples > 0) {
        job.source.sMap = s.data();
        if (!image.secondFrame.empty() && r.size() >= samples)
            job.source.rMap = r.data();
    }
    job.source.mapWidth = mapWidth;
    job.source.mapRows = mapRows;
    job.source.imageWidth = image.imageWidth;
    job.source.imageHeight = image.imageHeight;
    job.source.cameraFamily = cameraFamily;
    job.options.width = width;
    job.options.height = height;
    job.options.sharpen = sharpen && full;
    job.options.clipWarning = clipWarning != 0;
    job.ctx = PrepareDevelopment();
    job.transform = colors->Transform(edit.Params().ICC);
    return job;
}

uint8_t* CVelmoDoc::MakePreview(uint8_t* bits, int width, int height, bool forView)
{
    if (bits == nullptr || !HasImage())
        return nullptr;
    const PreviewJob job = MakePreviewJob(width, height, true);
    if (job.source.sMap == nullptr)
        return nullptr;
    if (forView) {
        const auto response = ::velmo::ToneResponse(job.ctx, job.options.clipWarning);
        toneResponse.assign(response.begin(), response.end());
    }

    ByteHistogram histograms;
    PreviewOutput out;
    out.bits = bits;
    out.histograms = &histograms;
    // The 16-bit copy belongs to the user-interface path.
    if (forView && width == kPreviewWidth && height == kPreviewHeight &&
        preview16.size() == size_t(kPreviewWidth) * kPreviewHeight * 3)
        out.copy16 = preview16.data();
    DevelopStatus status;
    {
        const RunCount count = CountDevelopment();
        status = RenderPreview(job, progressChannel, out);
    }
    if (status != DevelopStatus::Ok)
        return nullptr;
    if (forView && histogram.size() >= size_t(kHistogramBins)) {
        for (size_t i = 0; i < histograms.counts.size(); ++i)
            histogram[i] = int32_t(histograms.counts[i]);
    }
    return bits;
}

void CVelmoDoc::DevelopPreview(uint8_t* bits)
{
    host->SetPreviewProfile(edit.Params().ICC);
    StopWorker();
    const bool developed = MakePreview(bits, kPreviewWidth, kPreviewHeight, true) != nullptr;
    // Both are stale now; the worker builds a new full preview.
    saveCache.Drop();
    DropFullPreview();
    if (developed) {
        imageListeners.Notify(DocImageEvent::PreviewDeveloped);
        // The square of a new image, where the magnifier was; after the
        // preview, whose 16-bit copy the preview-size square is cut from.
        if (magnifierStale && magnifierX != -1 && HasImage()) {
            magnifierStale = false;
            UpdateMagnifier();
        }
    }
    ResumeWorker();
    colors->ReportFallbackOnce();
}

std::shared_ptr<const DisplayImage> CVelmoDoc::MakeFullPreviewBitmap()
{
    const std::shared_ptr<const FullPreviewImage> preview = FullPreview();
    if (preview == nullptr || !saveCache.Empty())
        return nullptr;
    int width = 0, height = 0;
    FullPreviewTargetSize(outputOptions.sizeMode, image.imageWidth, image.imageHeight, preview->rotated, &width,
                          &height);
    // The 3:2 cameras' full preview holds the picture between black bands
    // of a 4:3 frame: the bitmap keeps that frame's shape around the output
    // size (the view draws it over a frame of that shape), where squeezing
    // the frame into the picture's 3:2 would stretch it back unevenly.
    if ((cameraFamily == 1 || cameraFamily == 7) && !IsPreviewSizeMode(outputOptions.sizeMode) &&
        preview->width > 0 && preview->height > 0) {
        auto even = [](int64_t v) { return int(std::min<int64_t>(v + (v & 1), INT32_MAX - 1)); };
        if (int64_t(width) * preview->height > int64_t(height) * preview->width)
            height = even(int64_t(width) * preview->height / preview->width);
        else if (int64_t(height) * preview->width > int64_t(width) * preview->height)
            width = even(int64_t(height) * preview->width / preview->height);
    }
    const ScreenSize screen = host->FullScreenSize();
    width = std::min({width, screen.width, preview->width});
    height = std::min({height, screen.height, preview->height});
    auto bitmap = std::make_shared<DisplayImage>(ScaleFullPreview(*preview, width, height, progressChannel));
    if (bitmap->width == 0)
        return nullptr;
    bitmap->profile = colors->ProfileForDisplay(edit.Params().ICC);
    bitmap->colorManaged = colors->GuiConvertsColors();
    host->SetFullSizeBitmap(bitmap);
    Progress(-1, nullptr, -1);
    return bitmap;
}

void CVelmoDoc::OutputToImageSize(int width, int height, int* outWidth, int* outHeight) const
{
    OutputSizeForMode(outputOptions.sizeMode, width, height, outWidth, outHeight);
}

void CVelmoDoc::ComputeRegionHistogram(int x0, int y0, int x1, int y1)
{
    const std::shared_ptr<const FullPreviewImage> preview = FullPreview();
    std::array<int32_t, 1024> bins{};
    if (preview != nullptr)
        bins = RegionHistogram(*preview, x0, y0, x1, y1);
    if (histogram.size() >= 3 * 1024)
        std::copy(bins.begin(), bins.end(), histogram.begin() + 2 * 1024);
    imageListeners.Notify(DocImageEvent::SelectionHistogram);
}

void CVelmoDoc::ComputePreviewHistogram(const uint8_t* bgr, int width, int height, int x0, int y0, int x1, int y1)
{
    if (bgr == nullptr || width <= 0 || height <= 0 || histogram.size() < size_t(3 * kHistogramBins))
        return;
    const std::array<int32_t, 1024> bins = SelectionHistogram(bgr, width, height, x0, y0, x1, y1);
    std::copy(bins.begin(), bins.end(), histogram.begin() + 2 * kHistogramBins);
    imageListeners.Notify(DocImageEvent::SelectionHistogram);
}

} // namespace velmo
