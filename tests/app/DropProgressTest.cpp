// Dropped files and the progress display: one dropped file opens, more give
// the prompt, one that cannot be read leaves the window as it was; the
// worker's reports reach the status bar on this thread.
#include "app/DocTemplate.h"
#include "app/VelmoView.h"
#include "platform/gui/StatusProgress.h"
#include "res/ResourceIds.h"
#include "res/StringTable.h"
#include "tests/app/AppTest.h"
#include "tests/app/AppTestEnv.h"
#include "tests/support/RafBuilder.h"

#include <QDropEvent>
#include <QImage>
#include <QScreen>
#include <QMimeData>
#include <QTest>
#include <QStatusTipEvent>
#include <QUrl>

#include <thread>

namespace velmo::test {

namespace {

void Drop(CMainFrame& frame, const std::vector<std::string>& paths)
{
    QMimeData data;
    QList<QUrl> urls;
    for (const std::string& p : paths)
        urls << QUrl::fromLocalFile(QString::fromStdString(p));
    data.setUrls(urls);
    const QPoint at = frame.rect().center();
    QDragEnterEvent enter(at, Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
    QCoreApplication::sendEvent(&frame, &enter);
    QVERIFY(enter.isAccepted());
    QDropEvent drop(QPointF(at), Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
    QCoreApplication::sendEvent(&frame, &drop);
}

} // namespace

class DropProgressTest : public QObject {
    Q_OBJECT

private slots:
    void OneDroppedFileOpens()
    {
        TempDir dir;
        const std::string raf = WriteSmallRaf(dir.path(), "DSCF0010.RAF");
        AppRun run;
        Drop(run.Frame(), {raf});
        QVERIFY(run.Doc().HasImage());
        QCOMPARE(run.App().DocTemplate()->PathName(), raf);
        QVERIFY(run.Messages().calls.empty());
    }

    void TwoDroppedFilesGiveThePromptAndOpenNothing()
    {
        TempDir dir;
        const std::string a = WriteSmallRaf(dir.path(), "DSCF0011.RAF");
        const std::string b = WriteSmallRaf(dir.path(), "DSCF0012.RAF");
        AppRun run;
        Drop(run.Frame(), {a, b});
        QVERIFY(!run.Doc().HasImage());
        QCOMPARE(run.App().DocTemplate()->PathName(), std::string());
        QCOMPARE(run.Messages().calls.size(), size_t(1));
        QCOMPARE(run.Messages().calls[0].text, LoadString(IDS_DROP_ONE_FILE));
        QCOMPARE(run.Messages().calls[0].text,
                 std::string("Please drop 1 file.\nor open Batchjob dialog,in order to process two or more files."));
    }

    // A file that cannot be read, dropped or opened from File Open, is
    // refused with its message and leaves the window as it was: the title,
    // the path, the picture on screen and its crop frame.
    void AFileThatCannotBeReadLeavesTheWindowAsItWas()
    {
        for (const bool dropped : {true, false}) {
            TempDir dir;
            AppRun::Setup setup;
            setup.arguments = {WriteSceneRaf(dir.path(), "DSCF0020.RAF", 432)};
            AppRun run(setup);
            QVERIFY(run.Doc().HasImage());
            CMainFrame& frame = run.Frame();
            CVelmoView& view = *frame.GetActiveView();
            for (int i = 0; i < 200 && !view.HasFullSizeBitmap(); ++i)
                ProcessEvents(50);
            frame.ExecuteCommand(ID_CROP_SIZE_HALF);
            ProcessEvents(100);
            const QString title = frame.windowTitle();
            const std::string path = run.App().DocTemplate()->PathName();
            const Rect crop = run.Doc().CropUnits();
            QVERIFY(!crop.IsNull());
            const QImage before = frame.screen()->grabWindow(frame.winId()).toImage();

            const std::string broken = dir.File("BROKEN.RAF");
            std::vector<uint8_t> bytes(5000);
            for (size_t i = 0; i < bytes.size(); ++i)
                bytes[i] = uint8_t(i * 7 + 3);
            QVERIFY(WriteFile(broken, bytes));
            if (dropped)
                Drop(frame, {broken});
            else
                QVERIFY(run.App().OpenDocumentFile(broken) == nullptr);
            ProcessEvents(200);

            QCOMPARE(run.Messages().calls.size(), size_t(1));
            QCOMPARE(run.Messages().calls[0].text, std::string("This is not FUJI CCD-RAW."));
            QVERIFY(run.Doc().HasImage());
            QCOMPARE(frame.windowTitle(), title);
            QCOMPARE(run.App().DocTemplate()->PathName(), path);
            QVERIFY(view.Crop().IsSelected());
            const Rect now = run.Doc().CropUnits();
            QVERIFY(now.left == crop.left && now.top == crop.top && now.right == crop.right && now.bottom == crop.bottom);
            const QImage after = frame.screen()->grabWindow(frame.winId()).toImage();
            if (!dropped) {
                QVERIFY(before.save(QStringLiteral(VELMO_BINARY_DIR "/velmo-failed-open-before.png")));
                QVERIFY(after.save(QStringLiteral(VELMO_BINARY_DIR "/velmo-failed-open-after.png")));
            }
            QCOMPARE(after.size(), before.size());
            // The picture with its frame, as it was on screen.
            const QRect shown(view.viewport()->mapTo(&frame, QPoint(0, 0)), view.viewport()->size());
            QCOMPARE(after.copy(shown), before.copy(shown));
        }
    }

    void WorkerProgressReachesTheStatusBarOnTheGuiThread()
    {
        AppRun run;
        StatusProgressPane* pane = run.Frame().MessagePane();
        QCOMPARE(pane->Text(), QStringLiteral("Ready"));
        CDocHost& host = run.App().DocTemplate()->Host();
        std::thread worker([&host] {
            host.PostWorkerProgress(42, "PASS8");
            host.PostWorkerProgress(64, "PASS8");
        });
        worker.join();
        // Nothing is drawn from the worker itself: the reports wait in the queue.
        QVERIFY(!pane->InProgress());
        ProcessEvents();
        QVERIFY(pane->InProgress());
        QCOMPARE(pane->Percent(), 64);
        QCOMPARE(pane->Text(), QStringLiteral("PASS8 64%"));

        std::thread eraser([&host] { host.PostWorkerProgress(-1, ""); });
        eraser.join();
        ProcessEvents();
        QVERIFY(!pane->InProgress());
        QCOMPARE(pane->Text(), QStringLiteral("Ready"));
    }

    void LoadProgressDrawsAtOnce()
    {
        AppRun run;
        StatusProgressPane* pane = run.Frame().MessagePane();
        IProgress& progress = run.App().DocTemplate()->Host().LoadProgress();
        struct Case {
            int percent;
            const char* label;
            const char* shown;
        };
        const Case cases[] = {{50, "PASS8", "PASS8 50%"}, {7, nullptr, "07%"}, {-2, "Allocating memory", "Allocating memory"}};
        for (const Case& c : cases) {
            QCOMPARE(progress.Report(c.percent, c.label), 0); // the user-interface channel never stops
            QCOMPARE(pane->Text(), QString::fromLatin1(c.shown));
        }
        progress.Report(-1, nullptr);
        QCOMPARE(pane->Text(), QStringLiteral("Ready"));
    }

    void MenuPromptsShowInTheMessagePane()
    {
        AppRun run;
        QStatusTipEvent tip(QStringLiteral("Open a RAW file or a parameter file"));
        QCoreApplication::sendEvent(&run.Frame(), &tip);
        QCOMPARE(run.Frame().MessagePane()->Text(), QStringLiteral("Open a RAW file or a parameter file"));
        QStatusTipEvent none{QString()};
        QCoreApplication::sendEvent(&run.Frame(), &none);
        QCOMPARE(run.Frame().MessagePane()->Text(), QStringLiteral("Ready"));
    }
};

VELMO_APP_TEST(DropProgressTest);

} // namespace velmo::test

#include "DropProgressTest.moc"
