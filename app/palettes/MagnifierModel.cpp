#include "app/palettes/MagnifierModel.h"

#include "develop/preview/FullPreviewBitmap.h"

#include <QColorSpace>

#include <lcms2.h>

#include <algorithm>
#include <cstdlib>
#include <memory>

namespace velmo {

int MagnifierSizeOrDefault(int size)
{
    return size == kSmallMagnifier || size == kLargeMagnifier ? size : kSmallMagnifier;
}

int MagnifierZoomInRange(int zoom)
{
    return std::clamp(zoom, kMinMagnifierZoom, kMaxMagnifierZoom);
}

int MagnifierScroll::LimitX() const
{
    return std::max(0, Maximum() - PageX());
}

int MagnifierScroll::LimitY() const
{
    return std::max(0, Maximum() - PageY());
}

void MagnifierScroll::Clamp()
{
    x = std::clamp(x, 0, LimitX());
    y = std::clamp(y, 0, LimitY());
}

void MagnifierScroll::SetZoom(int newZoom)
{
    zoom = MagnifierZoomInRange(zoom);
    // Through the view's centre, so that it stays on the same point.
    x += viewWidth * 5 / zoom;
    y += viewHeight * 5 / zoom;
    if (newZoom != 0)
        zoom = MagnifierZoomInRange(newZoom);
    x -= viewWidth * 5 / zoom;
    y -= viewHeight * 5 / zoom;
    Clamp();
}

void MagnifierScroll::SetCenter()
{
    x = size * 5 - viewWidth * 5 / zoom;
    y = size * 5 - viewHeight * 5 / zoom;
    Clamp();
}

namespace {

int Scrolled(int position, int page, ScrollCode code, int thumbPosition)
{
    switch (code) {
    case ScrollCode::LineUp: return position - 10;
    case ScrollCode::LineDown: return position + 10;
    case ScrollCode::PageUp: return position - page;
    case ScrollCode::PageDown: return position + page;
    case ScrollCode::ThumbTrack: return thumbPosition;
    default: return position;
    }
}

} // namespace

void MagnifierScroll::ScrollX(ScrollCode code, int thumbPosition)
{
    x = Scrolled(x, PageX(), code, thumbPosition);
    Clamp();
}

void MagnifierScroll::ScrollY(ScrollCode code, int thumbPosition)
{
    y = Scrolled(y, PageY(), code, thumbPosition);
    Clamp();
}

void MagnifierScroll::Pan(QPoint start, int dx, int dy)
{
    x = start.x() - dx * 10 / zoom;
    y = start.y() - dy * 10 / zoom;
    Clamp();
}

std::optional<QPoint> MagnifierScroll::PixelAt(QPoint p) const
{
    if (p.x() < 0 || p.y() < 0 || p.x() >= viewWidth || p.y() >= viewHeight)
        return std::nullopt;
    const int px = p.x() / zoom + x / 10;
    const int py = p.y() / zoom + y / 10;
    if (px < 0 || py < 0 || px >= size || py >= size)
        return std::nullopt;
    return QPoint(px, py);
}

std::vector<int> MagnifierScroll::GridLines(int count, int origin, int extent) const
{
    std::vector<int> lines;
    for (int i = 1; i < count; ++i) {
        const int m = int(int64_t(i) * size / count);
        const int u = zoom * (m - origin);
        if (u >= 0 && u < extent)
            lines.push_back(u);
    }
    return lines;
}

QString PixelReadout(int red, int green, int blue, bool hsi, HueModel model)
{
    if (!hsi)
        return QString::asprintf("__ R:%03d G:%03d B:%03d", red, green, blue);
    float h = 0, s = 0, i = 0;
    RGBToHSI(float(red) / 255.0f, float(green) / 255.0f, float(blue) / 255.0f, &h, &s, &i, model);
    return QString::asprintf("__ H:%1.2f S:%1.2f I:%1.2f \n", double(h), double(s), double(i));
}

DisplayImage MagnifierTestPattern(int size)
{
    DisplayImage image;
    if (size <= 0)
        return image;
    image.width = size;
    image.height = size;
    image.stride = DisplayStride(size);
    image.bgr.assign(size_t(image.stride) * size_t(size), 0);
    for (int j = 0; j < size; ++j) {
        uint8_t* row = image.bgr.data() + size_t(j) * size_t(image.stride);
        for (int i = 0; i < size; ++i) {
            row[3 * i + 0] = uint8_t((i + j) % 256);
            row[3 * i + 1] = uint8_t(j % 256);
            row[3 * i + 2] = uint8_t(std::abs(i - j) % 256);
        }
    }
    return image;
}

namespace {

struct CmsProfileCloser {
    void operator()(void* p) const { cmsCloseProfile(p); }
};
struct CmsTransformDeleter {
    void operator()(void* t) const { cmsDeleteTransform(t); }
};

// bits (width x height, rows stride bytes apart, blue, green, red) from the
// profile to sRGB in place; false when LittleCMS cannot use the profile.
bool ConvertWithLittleCms(std::vector<uint8_t>& bits, int width, int height, int stride,
                          const std::vector<uint8_t>& profile)
{
    std::unique_ptr<void, CmsProfileCloser> source(
        cmsOpenProfileFromMem(profile.data(), cmsUInt32Number(profile.size())));
    if (source == nullptr || cmsGetColorSpace(source.get()) != cmsSigRgbData)
        return false;
    std::unique_ptr<void, CmsProfileCloser> srgb(cmsCreate_sRGBProfile());
    if (srgb == nullptr)
        return false;
    std::unique_ptr<void, CmsTransformDeleter> transform(
        cmsCreateTransform(source.get(), TYPE_BGR_8, srgb.get(), TYPE_BGR_8, INTENT_PERCEPTUAL, 0));
    if (transform == nullptr)
        return false;
    for (int y = 0; y < height; ++y) {
        uint8_t* row = bits.data() + size_t(y) * size_t(stride);
        cmsDoTransform(transform.get(), row, row, cmsUInt32Number(width));
    }
    return true;
}

} // namespace

QImage MagnifierBitmap(const DisplayImage& image)
{
    if (image.width <= 0 || image.height <= 0 || image.stride < image.width * 3 ||
        image.bgr.size() < size_t(image.stride) * size_t(image.height))
        return {};
    const std::vector<uint8_t>* profile = image.profile.get();
    const bool convert = image.colorManaged && profile != nullptr && !profile->empty();
    if (convert && profile->size() <= kMaxEmbeddedProfileBytes) {
        const QColorSpace space = QColorSpace::fromIccProfile(
            QByteArray(reinterpret_cast<const char*>(profile->data()), qsizetype(profile->size())));
        if (space.isValid()) {
            QImage shown = QImage(image.bgr.data(), image.width, image.height, image.stride, QImage::Format_BGR888)
                               .convertToFormat(QImage::Format_RGB32);
            if (space != QColorSpace(QColorSpace::SRgb)) {
                shown.setColorSpace(space);
                shown.convertToColorSpace(QColorSpace::SRgb);
            }
            shown.setColorSpace(QColorSpace::SRgb);
            return shown;
        }
    }
    std::vector<uint8_t> bits = image.bgr;
    if (convert)
        ConvertWithLittleCms(bits, image.width, image.height, image.stride, *profile);
    QImage shown = QImage(bits.data(), image.width, image.height, image.stride, QImage::Format_BGR888)
                       .convertToFormat(QImage::Format_RGB32);
    shown.setColorSpace(QColorSpace::SRgb);
    return shown;
}

} // namespace velmo
