#include "app/palettes/HueStrip.h"

#include <QColor>
#include <QPainter>

namespace velmo {

QImage HueStripImage()
{
    constexpr int kWidth = 375;
    constexpr int kHeight = 7;
    QImage image(kWidth, kHeight, QImage::Format_RGB32);
    for (int x = 0; x < kWidth; ++x) {
        const QColor c = QColor::fromHsvF(float(x) / kWidth, 1.0f, 1.0f);
        for (int y = 0; y < kHeight; ++y)
            image.setPixel(x, y, c.rgb());
    }
    return image;
}

int HueStripOffset(int width, int hue)
{
    if (width <= 0)
        return 0;
    const long long a = (static_cast<long long>(width) * hue / 200) % width;
    return int(a < 0 ? a + width : a);
}

HueStrip::HueStrip(QWidget* parent) : QWidget(parent), strip(HueStripImage())
{
    setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Fixed);
}

void HueStrip::SetHue(int value)
{
    if (value == hue)
        return;
    hue = value;
    update();
}

QSize HueStrip::sizeHint() const
{
    return {150, 8};
}

QSize HueStrip::minimumSizeHint() const
{
    return {40, 8};
}

void HueStrip::paintEvent(QPaintEvent*)
{
    QPainter painter(this);
    const int w = width();
    const int h = height();
    const int a = HueStripOffset(w, hue);
    // Three copies so that the shifted strip wraps round without a gap.
    for (const int x : {-a, w - a, -w - a})
        painter.drawImage(QRect(x, 0, w, h), strip);
}

} // namespace velmo
