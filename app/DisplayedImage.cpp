#include "app/DisplayedImage.h"

#include "develop/preview/FullPreviewBitmap.h"

#include <QColorSpace>

namespace velmo {

QImage DisplayedImage(const uint8_t* bits, int width, int height, int stride, const std::vector<uint8_t>* profile,
                      bool convert)
{
    QImage image = QImage(bits, width, height, stride, QImage::Format_BGR888).convertToFormat(QImage::Format_RGB32);
    if (convert && profile != nullptr && !profile->empty()) {
        const QColorSpace space = QColorSpace::fromIccProfile(
            QByteArray(reinterpret_cast<const char*>(profile->data()), qsizetype(profile->size())));
        if (space.isValid() && space != QColorSpace(QColorSpace::SRgb)) {
            image.setColorSpace(space);
            image.convertToColorSpace(QColorSpace::SRgb);
        }
    }
    image.setColorSpace(QColorSpace::SRgb);
    return image;
}

QImage DisplayedImage(const DisplayImage& image)
{
    if (image.width <= 0 || image.height <= 0 || image.bgr.size() < size_t(image.stride) * size_t(image.height))
        return {};
    return DisplayedImage(image.bgr.data(), image.width, image.height, image.stride, image.profile.get(),
                          image.colorManaged);
}

} // namespace velmo
