// The view's coordinate mappings and the crop-frame rules, as tables of
// cases on the plain classes (no widget).
#include "app/CropFrame.h"
#include "app/ViewGeometry.h"
#include "platform/core/PrivateProfile.h"
#include "res/ResourceIds.h"
#include "tests/app/AppTest.h"
#include "tests/support/TestEnv.h"

#include <QTest>

#include <cstdint>
#include <cstdlib>
#include <fstream>

namespace velmo::test {

namespace {

// The 512 x 384 preview shown 1:1 with the 2048 x 1536 unit frame.
ViewGeometry Landscape(int displayW = 512, int displayH = 384)
{
    ViewGeometry g;
    g.displayWidth = displayW;
    g.displayHeight = displayH;
    g.clientWidth = displayW;
    g.clientHeight = displayH;
    g.unitWidth = 2048;
    g.unitHeight = 1536;
    return g;
}

ViewGeometry Portrait()
{
    ViewGeometry g;
    g.displayWidth = g.clientWidth = 384;
    g.displayHeight = g.clientHeight = 512;
    g.unitWidth = 1536;
    g.unitHeight = 2048;
    g.dibWidth = 384;
    g.dibHeight = 512;
    g.rotated = true;
    return g;
}

// A 3:2 camera (family 7) of 3000 x 2000 pixels: the image fills rows 21 to
// 362 of the preview (341 rows).
ViewGeometry Band(ViewGeometry g)
{
    g.cameraFamily = 7;
    g.imageWidth = 3000;
    g.imageHeight = 2000;
    return g;
}

QByteArray Text(IntPoint p)
{
    return QByteArray::number(p.x) + "," + QByteArray::number(p.y);
}

#define COMPARE_POINT(actual, expected, label)                                                        \
    QVERIFY2((actual) == (expected), QByteArray(label) + ": got " + Text(actual) + ", want " + Text(expected))

CropFrame FrameWith(IntPoint start, IntPoint end, int aspect = 0, UnitFrame bounds = {})
{
    CropFrame f;
    f.SetBounds(bounds);
    f.cropStart = start;
    f.cropEnd = end;
    f.cropAspect = aspect;
    return f;
}

} // namespace

class ViewGeometryTest : public QObject {
    Q_OBJECT

private slots:
    void UnitsToClientScalesByTheDisplay()
    {
        struct Case {
            const char* label;
            ViewGeometry g;
            IntPoint units, client;
        } cases[] = {
            {"corner", Landscape(), {2048, 1536}, {512, 384}},
            {"1:1 preview is a quarter", Landscape(), {1000, 700}, {250, 175}},
            {"x1.5 truncates", Landscape(768, 576), {1000, 700}, {375, 262}},
            {"turned", Portrait(), {1536, 2048}, {384, 512}},
            {"turned inside", Portrait(), {100, 100}, {25, 25}},
        };
        for (const Case& c : cases)
            COMPARE_POINT(c.g.UnitsToClient(c.units), c.client, c.label);
        // Before the first preview the unit frame is 1 x 1; never a division by 0.
        ViewGeometry empty;
        empty.unitWidth = empty.unitHeight = 0;
        COMPARE_POINT(empty.UnitsToClient({5, 5}), (IntPoint{0, 0}), "no unit frame");
    }

    void ClientToUnitsClampsSnapsAndNeverDividesByZero()
    {
        ViewGeometry grid2 = Landscape();
        grid2.gridCount = 2;
        ViewGeometry grid3 = Landscape();
        grid3.gridCount = 3;
        ViewGeometry noLayout = Landscape(0, 0);
        noLayout.clientWidth = 256;
        noLayout.clientHeight = 192;
        ViewGeometry noHeight = Landscape(512, 0);
        noHeight.clientHeight = 192;
        ViewGeometry nothing = Landscape(0, 0);
        nothing.clientWidth = nothing.clientHeight = 0;
        ViewGeometry damagedGrid = Landscape();
        damagedGrid.gridCount = 100000;
        // The grid divides the picture band (rows 21 to 362), not the bars.
        ViewGeometry bandGrid2 = Band(Landscape());
        bandGrid2.gridCount = 2;
        struct Case {
            const char* label;
            ViewGeometry g;
            IntPoint content, units;
        } cases[] = {
            {"plain", Landscape(), {100, 50}, {400, 200}},
            {"left of and above the display", Landscape(), {-5, -7}, {0, 0}},
            {"past the display", Landscape(), {600, 400}, {2048, 1536}},
            {"grid 2 below half a cell", grid2, {100, 95}, {0, 0}},
            {"grid 2 past half a cell", grid2, {130, 97}, {1024, 768}},
            {"grid 3 at a float cell", grid3, {300, 0}, {1364, 0}},
            {"no display size: the client size", noLayout, {128, 96}, {1024, 768}},
            {"no display height: the client height", noHeight, {256, 96}, {1024, 768}},
            {"no size at all", nothing, {10, 10}, {0, 0}},
            {"damaged grid count draws and snaps nothing", damagedGrid, {101, 77}, {404, 308}},
            {"grid 2 of a 3:2 band: its middle line", bandGrid2, {130, 200}, {1024, 764}},
            {"grid 2 of a 3:2 band: in the bar, to the band's edge", bandGrid2, {10, 5}, {0, 84}},
        };
        for (const Case& c : cases)
            COMPARE_POINT(c.g.ClientToUnits(c.content), c.units, c.label);
    }

    void ClientToPreviewAddsTheScrollAndRemovesTheBand()
    {
        ViewGeometry zoomed = Landscape(1024, 768);
        zoomed.clientWidth = 600;
        zoomed.clientHeight = 400;
        zoomed.scrollX = 100;
        zoomed.scrollY = 50;
        const ViewGeometry band = Band(Landscape());
        ViewGeometry bandPortrait = Band(Portrait());
        ViewGeometry family0 = Landscape();
        family0.imageWidth = 3000;
        family0.imageHeight = 2000;
        struct Case {
            const char* label;
            ViewGeometry g;
            IntPoint client;
            bool band;
            IntPoint preview;
        } cases[] = {
            {"no display size: unchanged", Landscape(0, 0), {33, 44}, true, {33, 44}},
            {"scrolled x2", zoomed, {10, 20}, false, {55, 35}},
            {"band top row is the image's first", band, {10, 21}, true, {10, 0}},
            {"band middle", band, {10, 192}, true, {10, 192}},
            {"above the band clamps to the top", band, {10, 0}, true, {10, 0}},
            {"below the band clamps to the bottom", band, {10, 383}, true, {10, 384}},
            {"without correction the bitmap row", band, {10, 5}, false, {10, 5}},
            {"other families have no band", family0, {10, 5}, true, {10, 5}},
            {"turned band is left and right", bandPortrait, {200, 100}, true, {201, 100}},
            {"turned band left edge", bandPortrait, {0, 100}, true, {0, 100}},
        };
        for (const Case& c : cases)
            COMPARE_POINT(c.g.ClientToPreview(c.client, c.band), c.preview, c.label);
    }

    void PointsOutsideTheDisplayStayOutsideThePreview()
    {
        // The readout and the selection read the bitmap only inside it: a
        // point one pixel left of or above the display must not fold onto
        // column or row 0, nor one past the display onto the last.
        const ViewGeometry g = Landscape(1024, 768);
        COMPARE_POINT(g.ContentToPreview({-1, -1}), (IntPoint{-1, -1}), "before");
        COMPARE_POINT(g.ContentToPreview({0, 0}), (IntPoint{0, 0}), "first");
        COMPARE_POINT(g.ContentToPreview({1023, 767}), (IntPoint{511, 383}), "last");
        COMPARE_POINT(g.ContentToPreview({1024, 768}), (IntPoint{512, 384}), "after");
        COMPARE_POINT(Landscape(0, 0).ContentToPreview({5, 5}), (IntPoint{-1, -1}), "no display");
    }

    void FullModeDisplaySizeFitsOrZooms()
    {
        struct Case {
            const char* label;
            int cw, ch;
            bool portrait;
            int zoom, ow, oh;
            bool letterboxed;
            int width, height;
            bool pictureOnly;
        } cases[] = {
            {"wide window: 4:3 by the height", 1000, 600, false, 0, 0, 0, false, 800, 600, false},
            {"tall window: the width rounded up to 4", 801, 900, false, 0, 0, 0, false, 804, 600, false},
            {"portrait: 3:4", 1000, 600, true, 0, 0, 0, false, 452, 600, false},
            {"zoom 200% of the output size", 1000, 600, false, 200, 2142, 1440, false, 4284, 2880, false},
            {"zoom 50%", 1000, 600, false, 50, 2142, 1440, false, 1071, 720, false},
            {"zoom without an output size fits", 1000, 600, false, 300, 0, 0, false, 800, 600, false},
            {"no client area", 0, 0, false, 0, 0, 0, false, 1, 1, false},
            // A 3:2 picture in its 4:3 frame: the frame at the output's width.
            {"3:2 at 200%: the frame around it", 1000, 600, false, 200, 2142, 1440, true, 4284, 3213, true},
            {"3:2 at 50%", 1000, 600, false, 50, 2142, 1440, true, 1071, 803, true},
            {"3:2 turned at 100%: the frame at its height", 1000, 600, true, 100, 1440, 2142, true, 1606, 2142, true},
            {"3:2 fitted: the 4:3 frame as always", 1000, 600, false, 0, 2142, 1440, true, 800, 600, false},
            {"a letterboxed 4:3 output (preview size) as it is", 1000, 600, false, 100, 512, 384, true, 512, 384,
             false},
        };
        for (const Case& c : cases) {
            const DisplaySize d = FullModeDisplaySize(c.cw, c.ch, c.portrait, c.zoom, c.ow, c.oh, c.letterboxed);
            QVERIFY2(d.width == c.width && d.height == c.height && d.pictureOnly == c.pictureOnly,
                     QByteArray(c.label) + ": " + QByteArray::number(d.width) + "x" + QByteArray::number(d.height) +
                         (d.pictureOnly ? " picture only" : ""));
        }
        // The shown area of a 3:2 frame is the band the picture fills.
        ViewGeometry g;
        g.displayWidth = 4284;
        g.displayHeight = 3213;
        g.cameraFamily = 7;
        g.imageWidth = 2142;
        g.imageHeight = 1440;
        g.pictureOnly = true;
        const Rect shown = g.ShownArea();
        QVERIFY2(shown.left == 0 && shown.right == 4284 && std::abs(shown.Height() - 2880) <= 2,
                 qPrintable(QStringLiteral("%1 x %2 from row %3")
                                .arg(shown.Width())
                                .arg(shown.Height())
                                .arg(shown.top)));
        QVERIFY(std::abs(shown.top - (3213 - shown.bottom)) <= 1); // centred
        g.pictureOnly = false;
        QVERIFY(g.ShownArea().top == 0 && g.ShownArea().bottom == 3213);
    }

    void UnitFrameAndBounds()
    {
        struct Case {
            const char* label;
            bool rotated;
            int family, w, h;
            UnitFrame want;
        } cases[] = {
            {"4:3 camera", false, 0, 4000, 3000, {2048, 1536, 0, 0, 2048, 1536}},
            {"4:3 camera turned", true, 6, 4000, 3000, {1536, 2048, 0, 0, 1536, 2048}},
            {"3:2 band", false, 7, 3000, 2000, {2048, 1536, 0, 85, 2048, 1451}},
            {"3:2 band turned", true, 1, 3000, 2000, {1536, 2048, 85, 0, 1451, 2048}},
            {"3:2 family without an image", false, 7, 0, 0, {2048, 1536, 0, 0, 2048, 1536}},
            {"taller than 4:3 never inverts the bounds", false, 7, 1000, 2000, {2048, 1536, 0, 0, 2048, 1536}},
        };
        for (const Case& c : cases) {
            const UnitFrame f = UnitFrameFor(c.rotated, c.family, c.w, c.h);
            QVERIFY2(f.unitWidth == c.want.unitWidth && f.unitHeight == c.want.unitHeight && f.minX == c.want.minX &&
                         f.minY == c.want.minY && f.maxX == c.want.maxX && f.maxY == c.want.maxY,
                     c.label);
        }
    }

    void CropUnitsToImagePixels()
    {
        ViewGeometry photo = Landscape();
        photo.imageWidth = 4000;
        photo.imageHeight = 3000;
        ViewGeometry turned = Portrait();
        turned.imageWidth = 4000;
        turned.imageHeight = 3000;
        ViewGeometry scrolled = photo;
        scrolled.displayWidth = 1024;
        scrolled.displayHeight = 768;
        scrolled.scrollX = 100;
        scrolled.scrollY = 50;
        ViewGeometry noWindow = photo;
        noWindow.displayWidth = noWindow.displayHeight = noWindow.clientWidth = noWindow.clientHeight = 0;
        struct Case {
            const char* label;
            ViewGeometry g;
            Rect units, image;
        } cases[] = {
            {"half", photo, {512, 384, 1536, 1152}, {1000, 750, 3000, 2250}},
            {"whole", photo, {0, 0, 2048, 1536}, {0, 0, 4000, 3000}},
            {"turned: display orientation", turned, {384, 512, 1152, 1536}, {750, 1000, 2250, 3000}},
            {"the scroll position does not move it", scrolled, {512, 384, 1536, 1152}, {1000, 750, 3000, 2250}},
            {"before the first layout", noWindow, {512, 384, 1536, 1152}, {1000, 750, 3000, 2250}},
            {"the band is the whole image height", Band(Landscape()), {0, 85, 2048, 1451}, {0, 0, 3000, 2000}},
            {"inside the band only", Band(Landscape()), {0, 0, 2048, 40}, {0, 0, 3000, 0}},
        };
        for (const Case& c : cases) {
            const Rect r = CropUnitsToImage(c.units, c.g);
            QVERIFY2(r.left == c.image.left && r.top == c.image.top && r.right == c.image.right &&
                         r.bottom == c.image.bottom,
                     QByteArray(c.label) + ": " + QByteArray::number(r.left) + "," + QByteArray::number(r.top) + "," +
                         QByteArray::number(r.right) + "," + QByteArray::number(r.bottom));
        }
    }

    void AspectTable()
    {
        struct Case {
            int aspect, in, height, width;
        } cases[] = {
            {0, 400, 0, 0},      {1, 400, 300, 533},   {2, 300, 200, 450},     {3, 1600, 900, 2844},
            {4, 1600, 1000, 2560}, {5, 77, 77, 77},    {6, 1400, 1000, 1960},  {7, 1000, 800, 1250},
            {1, 401, 300, 534},  {1, -401, -300, -534}, {8, 400, 0, 0},        {-1, 400, 0, 0},
        };
        for (const Case& c : cases) {
            QCOMPARE(CropHeightForWidth(c.aspect, c.in), c.height);
            QCOMPARE(CropWidthForHeight(c.aspect, c.in), c.width);
        }
    }

    void NewFrameFollowsTheAspectAndTheBounds()
    {
        const UnitFrame band = UnitFrameFor(false, 7, 3000, 2000);
        struct Case {
            const char* label;
            int aspect;
            UnitFrame bounds;
            IntPoint down, to;    // content points
            IntPoint start, end;  // units after the drag
        } cases[] = {
            {"free", 0, {}, {100, 100}, {300, 250}, {400, 400}, {1200, 1000}},
            {"4x3 down-right", 1, {}, {100, 100}, {300, 150}, {400, 400}, {1200, 1000}},
            {"4x3 up-left: negative size", 1, {}, {300, 300}, {100, 250}, {1200, 1200}, {400, 600}},
            {"4x3 stops at the bottom", 1, {}, {0, 300}, {400, 350}, {0, 1200}, {448, 1536}},
            {"16x9 stops at the top", 3, {}, {100, 100}, {500, 90}, {400, 400}, {1111, 0}},
            {"the end stays in the band", 0, band, {100, 100}, {300, 383}, {400, 400}, {1200, 1451}},
            {"the start is kept below the band's top", 0, band, {100, 5}, {300, 200}, {400, 85}, {1200, 800}},
        };
        for (const Case& c : cases) {
            CropFrame f;
            f.SetBounds(c.bounds);
            f.cropAspect = c.aspect;
            f.ButtonDown(c.down, Landscape());
            QCOMPARE(f.dragMode, 0);
            COMPARE_POINT(f.cropStart, c.start, c.label);
            f.Drag(c.to, Landscape());
            COMPARE_POINT(f.cropEnd, c.end, c.label);
        }
    }

    void ButtonUpNormalisesTheCorners()
    {
        CropFrame f;
        f.cropAspect = 1;
        f.ButtonDown({300, 300}, Landscape());
        f.Drag({100, 250}, Landscape());
        QVERIFY(f.cropEnd.x < f.cropStart.x && f.cropEnd.y < f.cropStart.y);
        f.ButtonUp();
        COMPARE_POINT(f.cropStart, (IntPoint{400, 600}), "start");
        COMPARE_POINT(f.cropEnd, (IntPoint{1200, 1200}), "end");
        const Rect r = f.UnitsRect();
        QCOMPARE(r.left, 400);
        QCOMPARE(r.bottom, 1200);
    }

    void HitCodesWithInclusiveLeftAndTop()
    {
        // Frame (400, 400)-(1200, 1000): on the display (100, 100)-(300, 250).
        const CropFrame f = FrameWith({400, 400}, {1200, 1000});
        struct Case {
            IntPoint p;
            int code;
        } cases[] = {
            {{200, 175}, kCropHitMove},
            {{300, 175}, kCropHitRight},
            {{100, 175}, kCropHitLeft},
            {{200, 100}, kCropHitTop},
            {{200, 250}, kCropHitBottom},
            {{300, 250}, kCropHitBottom | kCropHitRight},
            {{100, 100}, kCropHitTop | kCropHitLeft},
            {{300, 100}, kCropHitTop | kCropHitRight},
            {{96, 96}, kCropHitTop | kCropHitLeft},  // the outer rectangle's first pixel
            {{95, 175}, kCropHitNone},
            {{304, 175}, kCropHitNone},              // right edge excluded
            {{303, 253}, kCropHitBottom | kCropHitRight},
            {{200, 254}, kCropHitNone},
            {{104, 104}, kCropHitMove},              // the inner rectangle starts here
            {{103, 104}, kCropHitLeft},
        };
        for (const Case& c : cases)
            QVERIFY2(f.HitTest(c.p, Landscape()) == c.code,
                     Text(c.p) + " gives " + QByteArray::number(f.HitTest(c.p, Landscape())));
        QCOMPARE(CropFrame().HitTest({200, 175}, Landscape()), 0);
    }

    void MoveAndResizeKeepToTheBounds()
    {
        struct Case {
            const char* label;
            int aspect;
            IntPoint grab, to;
            IntPoint start, end;
        } cases[] = {
            {"move", 0, {200, 175}, {300, 225}, {800, 600}, {1600, 1200}},
            {"move stops at the right", 0, {200, 175}, {500, 175}, {1248, 400}, {2048, 1000}},
            {"move stops at the top left", 0, {200, 175}, {0, -25}, {0, 0}, {800, 600}},
            {"right edge", 0, {300, 175}, {350, 175}, {400, 400}, {1400, 1000}},
            {"right edge stops at the bound", 0, {300, 175}, {600, 175}, {400, 400}, {2048, 1000}},
            {"left edge stops at 0", 0, {100, 175}, {-50, 175}, {0, 400}, {1200, 1000}},
            {"bottom-right corner", 0, {300, 250}, {320, 270}, {400, 400}, {1280, 1080}},
            {"4x3 right edge: the height follows", 1, {300, 175}, {350, 175}, {400, 400}, {1400, 1150}},
            {"4x3 bottom edge: the width follows", 1, {200, 250}, {200, 270}, {400, 400}, {1306, 1080}},
            {"4x3 right edge past the bottom", 1, {300, 175}, {512, 175}, {400, 400}, {1914, 1536}},
        };
        for (const Case& c : cases) {
            CropFrame f = FrameWith({400, 400}, {1200, 1000}, c.aspect);
            f.ButtonDown(c.grab, Landscape());
            QVERIFY2(f.dragMode != 0, c.label);
            f.Drag(c.to, Landscape());
            COMPARE_POINT(f.cropStart, c.start, c.label);
            COMPARE_POINT(f.cropEnd, c.end, c.label);
        }
    }

    void ResizeWithoutADisplaySizeDoesNothing()
    {
        CropFrame f = FrameWith({400, 400}, {1200, 1000});
        f.ButtonDown({200, 175}, Landscape());
        f.Drag({300, 300}, Landscape(0, 0));
        COMPARE_POINT(f.cropStart, (IntPoint{400, 400}), "start");
        COMPARE_POINT(f.cropEnd, (IntPoint{1200, 1000}), "end");
    }

    void ClickWithoutDragSelectsNothingAndKeepsTheLastFrame()
    {
        CropFrame f = FrameWith({400, 400}, {1200, 1000});
        f.ButtonDown({450, 350}, Landscape());
        f.ButtonUp();
        QVERIFY(!f.IsSelected());
        QVERIFY(f.UnitsRect().IsNull());
        COMPARE_POINT(f.lastCropStart, (IntPoint{400, 400}), "last start");
        COMPARE_POINT(f.lastCropEnd, (IntPoint{1200, 1000}), "last end");
        // "&Last CropFrame" without a frame brings it back and keeps it as the last.
        f.RecallLast();
        QVERIFY(f.IsSelected());
        COMPARE_POINT(f.cropStart, (IntPoint{400, 400}), "recalled");
        COMPARE_POINT(f.lastCropStart, (IntPoint{400, 400}), "still the last");
        // Twice with a frame: back to where it was.
        f.lastCropStart = {0, 0};
        f.lastCropEnd = {100, 100};
        f.RecallLast();
        COMPARE_POINT(f.cropEnd, (IntPoint{100, 100}), "exchanged");
        f.RecallLast();
        COMPARE_POINT(f.cropEnd, (IntPoint{1200, 1000}), "exchanged back");
    }

    void SizePresets()
    {
        struct Case {
            const char* label;
            unsigned id;
            int uw, uh;
            IntPoint start, end; // (-1, -1) start: no frame
            IntPoint wantStart, wantEnd;
            int family = 0;
        } cases[] = {
            {"half, centred", ID_CROP_SIZE_HALF, 2048, 1536, {-1, -1}, {-1, -1}, {512, 384}, {1536, 1152}},
            {"2/3, centred", ID_CROP_SIZE_2_3, 2048, 1536, {-1, -1}, {-1, -1}, {341, 256}, {1706, 1280}},
            {"1/4 turned", ID_CROP_SIZE_1_4, 1536, 2048, {-1, -1}, {-1, -1}, {576, 768}, {960, 1280}},
            {"1/3 from the frame's corner", ID_CROP_SIZE_1_3, 2048, 1536, {100, 100}, {200, 200}, {100, 100},
             {782, 612}},
            {"half pushed back inside", ID_CROP_SIZE_HALF, 2048, 1536, {1500, 1200}, {1600, 1300}, {1024, 768},
             {2048, 1536}},
            {"current size stays", ID_CROP_SIZE_CURRENT, 2048, 1536, {100, 100}, {300, 200}, {100, 100}, {300, 200}},
            // A 3:2 picture fills the band 85..1451: half of the picture, centred on it.
            {"half of a 3:2 picture", ID_CROP_SIZE_HALF, 2048, 1536, {-1, -1}, {-1, -1}, {512, 426}, {1536, 1109}, 7},
            {"1/3 of a 3:2 picture pushed up into it", ID_CROP_SIZE_1_3, 2048, 1536, {100, 1400}, {200, 1450},
             {100, 996}, {782, 1451}, 7},
        };
        for (const Case& c : cases) {
            CropFrame f = FrameWith(c.start, c.end, 3, UnitFrameFor(c.uw < c.uh, c.family, 3000, 2000));
            f.SizePreset(c.id, c.uw, c.uh);
            QCOMPARE(f.cropAspect, 0);
            COMPARE_POINT(f.cropStart, c.wantStart, c.label);
            COMPARE_POINT(f.cropEnd, c.wantEnd, c.label);
            QVERIFY2(f.IsSizePreset(c.id, c.uw, c.uh) == (c.id != ID_CROP_SIZE_CURRENT), c.label);
        }
    }

    void AspectCommandFitsTheFrameIntoTheBounds()
    {
        const UnitFrame band = UnitFrameFor(false, 7, 3000, 2000);
        struct Case {
            const char* label;
            int index;
            UnitFrame bounds;
            IntPoint start, end, wantStart, wantEnd;
        } cases[] = {
            {"4x3 from the width", 1, {}, {100, 100}, {1100, 300}, {100, 100}, {1100, 850}},
            {"moved up from the bottom", 1, {}, {100, 1000}, {1700, 1100}, {100, 336}, {1700, 1536}},
            {"too tall: the width shrinks", 5, {}, {0, 0}, {2048, 10}, {0, 0}, {1536, 1536}},
            {"band: height and place within it", 1, band, {0, 100}, {2048, 200}, {0, 85}, {1821, 1451}},
            {"outside the table is Free", 9, {}, {100, 100}, {1100, 300}, {100, 100}, {1100, 300}},
        };
        for (const Case& c : cases) {
            CropFrame f = FrameWith(c.start, c.end, 0, c.bounds);
            f.SetAspect(c.index);
            QCOMPARE(f.cropAspect, c.index < kCropAspectCount ? c.index : 0);
            COMPARE_POINT(f.cropStart, c.wantStart, c.label);
            COMPARE_POINT(f.cropEnd, c.wantEnd, c.label);
        }
    }

    void Centring()
    {
        CropFrame f = FrameWith({100, 100}, {500, 300});
        QVERIFY(!f.IsCentred(true, true, 2048, 1536));
        f.Centre(false, true, 2048, 1536);
        COMPARE_POINT(f.cropStart, (IntPoint{100, 668}), "vertical only");
        QVERIFY(f.IsCentred(false, true, 2048, 1536));
        QVERIFY(!f.IsCentred(true, false, 2048, 1536));
        f.Centre(true, true, 2048, 1536);
        COMPARE_POINT(f.cropStart, (IntPoint{824, 668}), "both");
        COMPARE_POINT(f.cropEnd, (IntPoint{1224, 868}), "both");
        QVERIFY(f.IsCentred(true, true, 2048, 1536));
    }

    void UnitsRectIsEmptyWithoutAnArea()
    {
        QVERIFY(FrameWith({-1, -1}, {500, 500}).UnitsRect().IsNull());
        QVERIFY(FrameWith({300, 300}, {300, 300}).UnitsRect().IsNull());
        QVERIFY(FrameWith({300, 100}, {300, 500}).UnitsRect().IsNull());
        const Rect r = FrameWith({500, 600}, {100, 200}).UnitsRect();
        QVERIFY(r.left == 100 && r.top == 200 && r.right == 500 && r.bottom == 600);
    }

    void FileValuesAreCheckedAndClamped()
    {
        TempDir dir;
        const std::string path = dir.File("frame.VMF");
        {
            std::ofstream out(path);
            out << "[Settings]\nCropAspectRatio=12\nCropSelect0.x=-500\nCropSelect0.y=100\n"
                   "CropSelect1.x=99999\nCropSelect1.y=700\n";
        }
        CropFrame f;
        f.ReadFile(path, 2048, 1536);
        QCOMPARE(f.cropAspect, 0);
        COMPARE_POINT(f.cropStart, (IntPoint{0, 100}), "start");
        COMPARE_POINT(f.cropEnd, (IntPoint{2048, 700}), "end");

        // Missing keys: Free and no frame.
        CropFrame g = FrameWith({1, 1}, {5, 5}, 3);
        g.ReadFile(dir.File("missing.VMF"), 2048, 1536);
        QCOMPARE(g.cropAspect, 0);
        QVERIFY(!g.IsSelected());

        // Written and read back; an unwritable place is a failure.
        f.cropAspect = 2;
        QVERIFY(f.WriteFile(dir.File("back.VMF")));
        QCOMPARE(GetPrivateProfileInt("Settings", "CropSelect1.x", 0, dir.File("back.VMF")), 2048);
        CropFrame h;
        h.ReadFile(dir.File("back.VMF"), 2048, 1536);
        QCOMPARE(h.cropAspect, 2);
        COMPARE_POINT(h.cropEnd, (IntPoint{2048, 700}), "read back");
        QVERIFY(!f.WriteFile(dir.File("no/such/folder/x.VMF")));
    }

    void SettingsCornersAreCheckedAndClamped()
    {
        ScopedSettings settings;
        SettingsStore& s = settings.store();
        const int32_t huge[2] = {1 << 30, -77};
        s.WriteProfileBinary(kSettingsSection, "CropSelect0", huge, sizeof huge);
        const int32_t end[2] = {900, 800};
        s.WriteProfileBinary(kSettingsSection, "CropSelect1", end, sizeof end);
        const int32_t shortValue = 5;
        s.WriteProfileBinary(kSettingsSection, "CropSelect0L", &shortValue, sizeof shortValue);
        s.WriteProfileInt(kSettingsSection, "CropAspectRatio", 40);
        CropFrame f;
        f.ReadSettings(s);
        QCOMPARE(f.cropAspect, 0);
        COMPARE_POINT(f.cropStart, (IntPoint{2048, -1}), "clamped start");
        COMPARE_POINT(f.cropEnd, (IntPoint{900, 800}), "end");
        QVERIFY(!f.HasLastFrame()); // a value shorter than 8 bytes is ignored
        f.ClampToUnitFrame(2048, 1536);
        COMPARE_POINT(f.cropStart, (IntPoint{2048, 0}), "into the unit frame");

        f.cropStart = {10, 20};
        f.WriteCorners(s);
        CropFrame g;
        g.ReadSettings(s);
        COMPARE_POINT(g.cropStart, (IntPoint{10, 20}), "round trip");
    }
};

VELMO_APP_TEST(ViewGeometryTest);

} // namespace velmo::test

#include "ViewGeometryTest.moc"
