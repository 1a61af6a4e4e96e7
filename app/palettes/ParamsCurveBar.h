// The parameters-curve palette (CCurveBar, "Parameters Curve"): the tone
// response of the current development parameters, the output of the tone
// and colour pipeline for each grey input, in red, green, blue and white
// (luminosity) points over a dark grid. Without an image the plot stays
// black. The plot follows the document through its listeners: it is drawn
// again whenever the preview was developed (and with it the tone response)
// and when the image goes.
#pragma once

#include "app/PaletteDock.h"
#include "document/DocImageEvents.h"

#include <QImage>

#include <cstdint>

namespace velmo {

class CVelmoDoc;

// Draws the tone response (256 entries of R, G, B, 0..65535; null: none)
// into plot: black, grid lines of 0x404040 at a quarter, half and three
// quarters (and the top and left edges), then for entry i at
// x = i x W / 256 single points at H - H x value / 65535 of red, green,
// blue and of (B + 4G + 2R) / 7 in white.
void PaintToneResponse(QImage& plot, const uint16_t* response);

class CCurveBar final : public CPaletteDock {
public:
    // doc may be null (the plot then stays black).
    CCurveBar(unsigned id, const QString& caption, const CVelmoDoc* doc, QWidget* parent);
    ~CCurveBar() override;

    QWidget* Plot() const { return plot; }
    void PaintPlot(QImage& image) const;

private:
    const CVelmoDoc* doc;
    QWidget* plot = nullptr;
    DocImageSubscription subscription;
};

} // namespace velmo
