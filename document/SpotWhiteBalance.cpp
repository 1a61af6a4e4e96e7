// Spot white balance: the custom multipliers from the mean colour of an area
// of the demosaiced image.
#include "document/VelmoDoc.h"
#include "params/DevParams.h"
#include "params/ParamFields.h"
#include "platform/core/MessageBox.h"
#include "res/StringTable.h"

#include <algorithm>
#include <array>

namespace velmo {

namespace {

using Sums = std::array<int64_t, 3>;

// Maps a point of the 512 x 384 preview frame to image pixels.
void PreviewToImage(int rotate, int w, int h, int* x, int* y)
{
    int px = *x, py = *y;
    if (rotate == 1) {
        const int t = px;
        px = py;
        py = kPreviewHeight - 1 - t;
    } else if (rotate == 2) {
        const int t = px;
        px = kPreviewWidth - 1 - py;
        py = t;
    }
    *x = int(int64_t(w) * px / kPreviewWidth);
    *y = int(int64_t(h) * py / kPreviewHeight);
}

Sums SumArea(const CVelmoDoc& doc, int x0, int y0, int x1, int y1)
{
    Sums s{0, 0, 0};
    for (int y = y0; y <= y1; ++y)
        for (int x = x0; x <= x1; ++x) {
            const uint16_t* p = &doc.Image().mainImage[(size_t(y) * doc.Image().imageWidth + x) * 3];
            for (int c = 0; c < 3; ++c)
                s[c] += p[c];
        }
    return s;
}

} // namespace

// Nothing happens without an image or while lens correction is on (the
// image's samples would not match the corrected picture).
static bool SpotAllowed(const CVelmoDoc& doc)
{
    if (!doc.HasImage() || doc.Image().imageWidth <= 0 || doc.Image().imageHeight <= 0)
        return false;
    if (doc.Edit().FeatureOn(FeatureKind::LensCorrection)) {
        ShowMessage(LoadString(61220), MB_OK | MB_ICONEXCLAMATION);
        return false;
    }
    return true;
}

static bool ApplySpotSums(CVelmoDoc& doc, const Sums& s)
{
    const int64_t m = std::max({s[0], s[1], s[2]});
    // A black area says nothing about the light.
    if (m <= 0)
        return false;
    auto multiplier = [m](int64_t v) { return int32_t(std::clamp<int64_t>(v * 4096 / m, 1, 65535)); };
    doc.Edit().ModifyParams([&](DevParams& p) {
        p.customWB1 = multiplier(s[0]);
        p.customWB2 = multiplier(s[1]);
        p.customWB3 = multiplier(s[2]);
    });
    doc.UpdateCustomWhiteBalance();
    doc.Edit().SetField(ParamField::whiteBalance, CustomPreset(doc.Edit().UseRafWB()));
    doc.OnParametersChanged();
    return true;
}

static bool SpotBlock(CVelmoDoc& doc, int x, int y)
{
    if (x < 2 || x > doc.Image().imageWidth - 3 || y < 2 || y > doc.Image().imageHeight - 3)
        return false;
    return ApplySpotSums(doc, SumArea(doc, x - 2, y - 2, x + 2, y + 2));
}

bool CVelmoDoc::SpotWhiteBalanceRect(int ax, int ay, int bx, int by)
{
    if (!SpotAllowed(*this))
        return false;
    PreviewToImage(edit.Params().rotate, image.imageWidth, image.imageHeight, &ax, &ay);
    PreviewToImage(edit.Params().rotate, image.imageWidth, image.imageHeight, &bx, &by);
    ax = std::clamp(ax, 0, image.imageWidth - 1);
    bx = std::clamp(bx, 0, image.imageWidth - 1);
    ay = std::clamp(ay, 0, image.imageHeight - 1);
    by = std::clamp(by, 0, image.imageHeight - 1);
    return ApplySpotSums(*this, SumArea(*this, std::min(ax, bx), std::min(ay, by), std::max(ax, bx), std::max(ay, by)));
}

bool CVelmoDoc::SpotWhiteBalancePoint(int px, int py)
{
    if (!SpotAllowed(*this))
        return false;
    PreviewToImage(edit.Params().rotate, image.imageWidth, image.imageHeight, &px, &py);
    return SpotBlock(*this, px, py);
}

bool CVelmoDoc::SpotWhiteBalanceFromMagnifier(int px, int py)
{
    if (!SpotAllowed(*this))
        return false;
    const int m = edit.Switch(SwitchId::MagnifierSize);
    if (edit.Params().rotate == 1) {
        const int t = px;
        px = py;
        py = m - 1 - t;
    } else if (edit.Params().rotate == 2) {
        const int t = px;
        px = m - 1 - py;
        py = t;
    }
    const int mode = outputOptions.sizeMode;
    if ((mode & 7) == 3)
        return SpotWhiteBalancePoint(px + magnifierX - m / 2, py + magnifierY - m / 2);
    // Magnifier pixels per image pixel by size mode: 2, 1.5, 1, 1, 0.75, 0.5.
    auto toImage = [mode](int v) {
        switch (mode) {
        case 0: return v / 2;
        case 1: return v * 2 / 3;
        case 9: return v * 4 / 3;
        case 10: return v * 2;
        default: return v;
        }
    };
    return SpotBlock(*this, magnifierOriginX + toImage(px), magnifierOriginY + toImage(py));
}

} // namespace velmo
