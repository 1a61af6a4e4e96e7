// Batch convert with a crop frame drawn in the window: each file is cut as
// File > Save cuts it when the file is shown in the window with the same
// frame (its own size, the picture band of a 3:2 camera, a turn), and
// without a frame each file is saved whole.
#include "app/BatchJob.h"
#include "app/VelmoView.h"
#include "app/dialogs/BatchDlg.h"
#include "res/ResourceIds.h"
#include "tests/app/AppTest.h"
#include "tests/app/AppTestEnv.h"

#include <QApplication>
#include <QImage>
#include <QMouseEvent>
#include <QTest>
#include <QTimer>

#include <cstdio>
#include <filesystem>
#include <functional>

namespace velmo::test {

namespace {

namespace fs = std::filesystem;

// "&Batch job" from the menu over the window: inputs into outDir, turned
// right when rotateRight; the results listed.
std::vector<std::string> RunBatch(CMainFrame& frame, const std::vector<std::string>& inputs, const std::string& outDir,
                                  bool rotateRight)
{
    std::vector<std::string> results;
    QTimer::singleShot(0, [&] {
        auto* dialog = dynamic_cast<CBatchDlg*>(QApplication::activeModalWidget());
        if (dialog == nullptr)
            return;
        dialog->AddInputs(inputs);
        dialog->outputDir = outDir;
        dialog->overrideRotation = rotateRight ? 1 : 0;
        dialog->rotationIndex = rotateRight ? 1 : 0;
        dialog->UpdateData(false);
        dialog->OnStart();
        for (int i = 0; i < 30000 && dialog->Running(); ++i)
            QTest::qWait(10);
        results = dialog->Results();
        dialog->reject();
    });
    frame.ExecuteCommand(ID_BATCH_JOB);
    return results;
}

// The file a save of input wrote into dir (whatever extension the format gave).
std::string OutputOf(const std::string& dir, const std::string& input)
{
    const std::string stem = fs::path(input).stem().string();
    for (const auto& entry : fs::directory_iterator(dir))
        if (entry.path().stem().string() == stem)
            return entry.path().string();
    return {};
}

QImage ReadImage(const std::string& path)
{
    return QImage(QString::fromStdString(path)).convertToFormat(QImage::Format_RGB888);
}

struct Case {
    const char* name;
    std::string input;
    bool rotateRight;
};

// Draws a frame on the sample with the view's display set by setDisplay,
// runs the batch (plain and turned) and compares each output with File >
// Save of the same file in the window.
void CheckBatchAgainstWindow(const char* mode, const std::function<void(CMainFrame&)>& setDisplay)
{
    TempDir dir;
    AppRun::Setup setup;
    const std::string sample = SampleRafPath(dir.path());
    setup.arguments = {sample};
    AppRun run(setup);
    CMainFrame& frame = run.Frame();
    CVelmoDoc& doc = run.Doc();
    CVelmoView& view = *frame.GetActiveView();
    QCOMPARE(doc.CameraFamily(), 7);
    doc.SetOutputFormat(OutputFormat::Jpeg);
    doc.SetSizeMode(0);
    doc.SetIncrementFileNumber(false);
    const std::string fourThree = WriteSceneRaf(dir.path(), "FOURTHREE.RAF", 1728);

    setDisplay(frame);
    ProcessEvents(50);
    frame.ExecuteCommand(ID_CROP_TOOL);
    DragInView(view, {101, 95}, {467, 389});
    QVERIFY2(view.Crop().IsSelected(), mode);
    const std::string frameFile = dir.File("frame.VMF");
    QVERIFY(view.WriteCropSettings(frameFile));

    const std::string batchOut = dir.File("batch");
    const std::string turnedOut = dir.File("turned");
    fs::create_directory(batchOut);
    fs::create_directory(turnedOut);
    QCOMPARE(RunBatch(frame, {sample, fourThree}, batchOut, false),
             (std::vector<std::string>{"Done:" + sample, "Done:" + fourThree}));
    QCOMPARE(RunBatch(frame, {sample}, turnedOut, true), std::vector<std::string>{"Done:" + sample});

    const std::string windowOut = dir.File("window");
    fs::create_directory(windowOut);
    for (const Case& c : {Case{"3:2", sample, false}, Case{"4:3", fourThree, false}, Case{"3:2 turned", sample, true}}) {
        const QByteArray what = QByteArray(mode) + ", " + c.name;
        // The window with the same frame shows the file (turned alike) and saves it.
        QVERIFY(view.ReadCropSettings(frameFile));
        QVERIFY(run.App().OpenDocumentFile(c.input) != nullptr);
        if (c.rotateRight)
            frame.ExecuteCommand(ID_ROTATE_RIGHT);
        ProcessEvents();
        QVERIFY2(!doc.CropImage().IsNull(), what);
        const std::string saved = windowOut + "/" + fs::path(c.input).stem().string() + (c.rotateRight ? "R" : "");
        QVERIFY2(doc.OnSaveDocument(saved), what);
        const QImage window = ReadImage(doc.LastSavedPath());
        const QImage batch = ReadImage(OutputOf(c.rotateRight ? turnedOut : batchOut, c.input));
        QVERIFY2(!window.isNull() && !batch.isNull(), what);
        // A cut, not the whole picture.
        const Rect cut = doc.CropImage();
        const QSize shown = c.rotateRight ? QSize(doc.Image().imageHeight, doc.Image().imageWidth)
                                          : QSize(doc.Image().imageWidth, doc.Image().imageHeight);
        QVERIFY2(cut.Width() < shown.width() && cut.Height() < shown.height(), what);
        QVERIFY2(batch.size() == window.size(),
                 what + ": " + QByteArray::number(batch.width()) + "x" + QByteArray::number(batch.height()) + " != " +
                     QByteArray::number(window.width()) + "x" + QByteArray::number(window.height()));
        QVERIFY2(batch == window, what);
        if (c.rotateRight)
            frame.ExecuteCommand(ID_ROTATE_NONE);
    }
}

} // namespace

class BatchCropTest : public QObject {
    Q_OBJECT

private slots:
    // The frame drawn on the 3:2 sample, the view at a preview size and in
    // full mode whose displays are no multiple of the preview (their
    // rounding enters the mapping), then a batch of the sample, a 4:3 file
    // and the sample turned: each output equals File > Save of that file
    // shown in the window with that frame.
    void BatchCutsEachFileAsTheWindowWouldAtAPreviewSize()
    {
        CheckBatchAgainstWindow("preview x1.5", [](CMainFrame& f) { f.ExecuteCommand(ID_PREVIEW_SIZE_FIRST + 1); });
    }
    void BatchCutsEachFileAsTheWindowWouldInFullMode()
    {
        CheckBatchAgainstWindow("full mode fitted", [](CMainFrame& f) {
            f.ExecuteCommand(ID_ZOOM_FREE);
            f.resize(1130, 790);
            ProcessEvents(50);
            f.RecalcLayout();
        });
    }

    // No frame drawn: the batch output is the whole picture, as File > Save
    // writes it without a frame.
    void WithoutAFrameEachFileIsWhole()
    {
        TempDir dir;
        AppRun::Setup setup;
        const std::string sample = SampleRafPath(dir.path());
        setup.arguments = {sample};
        AppRun run(setup);
        CVelmoDoc& doc = run.Doc();
        doc.SetOutputFormat(OutputFormat::Jpeg);
        doc.SetSizeMode(0);
        doc.SetIncrementFileNumber(false);
        // A frame drawn and taken away again leaves none.
        run.Frame().ExecuteCommand(ID_CROP_TOOL);
        DragInView(*run.Frame().GetActiveView(), {100, 100}, {300, 250});
        run.Frame().ExecuteCommand(ID_CROP_DESELECT);
        QVERIFY(doc.CropImage().IsNull());
        int wholeWidth = 0, wholeHeight = 0;
        QCOMPARE(std::sscanf(doc.FormatOutputSize(std::nullopt, nullptr, 2).c_str(), "%dx%d", &wholeWidth, &wholeHeight), 2);

        const std::string out = dir.File("batch");
        fs::create_directory(out);
        QCOMPARE(RunBatch(run.Frame(), {sample}, out, false), std::vector<std::string>{"Done:" + sample});
        QVERIFY(doc.OnSaveDocument(dir.File("window")));
        const QImage window = ReadImage(doc.LastSavedPath());
        const QImage batch = ReadImage(OutputOf(out, sample));
        QCOMPARE(window.size(), QSize(wholeWidth, wholeHeight));
        QCOMPARE(batch.size(), window.size());
        QVERIFY(batch == window);
    }
};

VELMO_APP_TEST(BatchCropTest);

} // namespace velmo::test

#include "BatchCropTest.moc"
