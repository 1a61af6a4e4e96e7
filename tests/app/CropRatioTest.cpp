// A crop frame with an aspect keeps that aspect in what a save writes: the
// size caption of every output size and the saved file, on a 3:2 and a 4:3
// camera, upright and turned, for the frames the size presets and a drag
// make. The unit frame is coarser than the image, and its rounding used to
// reach the saved file (1x1 on a 3:2 camera gave 2142 x 2136).
#include "app/CommandValues.h"
#include "app/VelmoView.h"
#include "res/ResourceIds.h"
#include "tests/app/AppTest.h"
#include "tests/app/AppTestEnv.h"

#include <QImageReader>
#include <QMouseEvent>
#include <QTest>

#include <cstdio>
#include <cstdlib>

namespace velmo::test {

namespace {

// Width : height of the aspect commands 34011 .. 34017.
struct AspectRatio {
    const char* name;
    int width, height;
};
constexpr AspectRatio kRatios[] = {{"4x3", 4, 3},   {"3x2", 3, 2}, {"16x9", 16, 9}, {"16x10", 16, 10},
                                   {"1x1", 1, 1},   {"14x10", 14, 10}, {"10x8", 10, 8}};

QSize CaptionSize(const CVelmoDoc& doc, unsigned sizeCommand)
{
    int w = 0, h = 0;
    if (std::sscanf(doc.FormatOutputSize(OutputScaleOfCommand(sizeCommand), nullptr, 2).c_str(), "%dx%d", &w, &h) != 2)
        return {};
    return {w, h};
}

// w : h is the ratio within one pixel: the short side is within one pixel
// of the long side's exact counterpart.
bool KeepsRatio(QSize s, const AspectRatio& r)
{
    if (s.width() <= 0 || s.height() <= 0)
        return false;
    // |h - w * rh / rw| <= 1, or the same with the sides exchanged for a
    // picture taller than wide.
    const long long w = s.width(), h = s.height();
    if (r.width >= r.height)
        return std::llabs(h * r.width - w * r.height) <= r.width;
    return std::llabs(w * r.height - h * r.width) <= r.height;
}

struct Camera {
    const char* name;
    std::string (*write)(const std::string& dir);
};

std::string ThreeTwo(const std::string& dir)
{
    return WriteCheckerRaf(dir, "THREETWO.RAF", 16);
}

std::string FourThree(const std::string& dir)
{
    return WriteSceneRaf(dir, "FOURTHREE.RAF", 1728);
}

} // namespace

class CropRatioTest : public QObject {
    Q_OBJECT

private slots:
    // Every aspect x every output size, on a 3:2 and a 4:3 camera, upright
    // and turned, each with the "&Half" preset reshaped by the aspect and
    // with a frame drawn under it: the caption keeps the ratio within a
    // pixel, and the saved file is the caption's size.
    void ThreeTwoUpright() { CheckAspects(Camera{"3:2", ThreeTwo}, false); }
    void ThreeTwoTurned() { CheckAspects(Camera{"3:2", ThreeTwo}, true); }
    void FourThreeUpright() { CheckAspects(Camera{"4:3", FourThree}, false); }
    void FourThreeTurned() { CheckAspects(Camera{"4:3", FourThree}, true); }

private:
    static void CheckAspects(const Camera& camera, bool turned)
    {
        TempDir dir;
        AppRun::Setup setup;
        setup.arguments = {camera.write(dir.path())};
        AppRun run(setup);
        CMainFrame& frame = run.Frame();
        CVelmoDoc& doc = run.Doc();
        CVelmoView& view = *frame.GetActiveView();
        QVERIFY2(doc.HasImage(), camera.name);
        doc.SetOutputFormat(OutputFormat::Jpeg);
        doc.SetIncrementFileNumber(false);
        frame.ExecuteCommand(ID_CROP_TOOL);
        if (turned)
            frame.ExecuteCommand(ID_ROTATE_RIGHT);
        ProcessEvents();
        for (unsigned i = 0; i < std::size(kRatios); ++i) {
            const AspectRatio& ratio = kRatios[i];
            for (const bool drawn : {false, true}) {
                frame.ExecuteCommand(ID_CROP_DESELECT);
                if (drawn) {
                    frame.ExecuteCommand(ID_CROP_ASPECT_FIRST + 1 + i);
                    DragInView(view, turned ? QPoint(50, 90) : QPoint(90, 50), turned ? QPoint(330, 470) : QPoint(470, 330));
                } else {
                    frame.ExecuteCommand(ID_CROP_SIZE_HALF);
                    frame.ExecuteCommand(ID_CROP_ASPECT_FIRST + 1 + i);
                }
                const QByteArray what = QByteArray(camera.name) + (turned ? " turned " : " upright ") + ratio.name +
                                        (drawn ? " drawn" : " half");
                QVERIFY2(view.Crop().IsSelected(), what);
                for (const unsigned size : {ID_SIZE_FULL, ID_SIZE_9_16, ID_SIZE_QUARTER, ID_SIZE_PREVIEW}) {
                    const QSize caption = CaptionSize(doc, size);
                    const QByteArray at = what + " size " + QByteArray::number(size - ID_SIZE_FULL) + ": " +
                                          QByteArray::number(caption.width()) + "x" +
                                          QByteArray::number(caption.height());
                    if (size == ID_SIZE_PREVIEW)
                        QVERIFY2(caption == (turned ? QSize(384, 512) : QSize(512, 384)), at);
                    else
                        QVERIFY2(KeepsRatio(caption, ratio), at);
                    // Saves are slow: the file at each size for the preset
                    // frames, at full size for the drawn ones.
                    if (drawn && size != ID_SIZE_FULL)
                        continue;
                    frame.ExecuteCommand(size);
                    QVERIFY2(doc.OnSaveDocument(dir.File("cut")), at);
                    const QSize saved = QImageReader(QString::fromStdString(doc.LastSavedPath())).size();
                    QVERIFY2(saved == caption, at + " saved " + QByteArray::number(saved.width()) + "x" +
                                                   QByteArray::number(saved.height()));
                    frame.ExecuteCommand(ID_SIZE_FULL);
                }
            }
        }
        frame.ExecuteCommand(ID_CROP_ASPECT_FIRST);
    }
};

VELMO_APP_TEST(CropRatioTest);

} // namespace velmo::test

#include "CropRatioTest.moc"
