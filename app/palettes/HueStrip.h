// The two hue strips of the parameters palettes: the reference strip shows
// the hues from red round to red; the shifted strip shows the same strip
// moved by the hue setting (half its width at +-100), wrapping round, so
// the photographer sees where each hue goes.
#pragma once

#include <QImage>
#include <QWidget>

namespace velmo {

// The strip's picture (375 x 7), hue 0 at the left.
QImage HueStripImage();
// The shift in pixels of a strip w wide for a hue setting, taken into 0..w-1
// (a hue beyond +-100 still gives a continuous strip).
int HueStripOffset(int width, int hue);

class HueStrip final : public QWidget {
public:
    explicit HueStrip(QWidget* parent = nullptr);

    // Painting reads only this value, never the controls.
    void SetHue(int value);
    int Hue() const { return hue; }

    QSize sizeHint() const override;
    QSize minimumSizeHint() const override;

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    QImage strip;
    int hue = 0;
};

} // namespace velmo
