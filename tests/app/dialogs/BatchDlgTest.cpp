// "Batch convert" over builder RAF files in a temporary folder: results
// listed as "Done:", "Err:" and "Aborted.", outputs read back by exiftool
// and tiffinfo, abort within a file, an empty list, Esc during a run, the
// controls' enabling, the thumbnail, the output folder and screenshots.
#include "app/dialogs/BatchDlg.h"
#include "app/dialogs/FileDialogs.h"
#include "document/VelmoDoc.h"
#include "platform/core/SettingsStore.h"
#include "platform/gui/DialogFont.h"
#include "tests/app/AppTest.h"
#include "tests/app/AppTestEnv.h"
#include "tests/app/dialogs/DialogTestFiles.h"
#include "tests/app/dialogs/DialogTestUtil.h"
#include "tests/support/ExternalTool.h"
#include "tests/support/TestEnv.h"

#include <QAccessible>
#include <QCheckBox>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QMimeData>
#include <QProgressBar>
#include <QPushButton>
#include <QTest>
#include <QUrl>

#include <filesystem>

namespace velmo::test {

namespace {

namespace fs = std::filesystem;

// A file whose load takes a while: a full-size two-frame sensor.
std::string WriteLargeRaf(const std::string& dir, const std::string& name)
{
    RafFileSpec recipe;
    recipe.model = "FinePix S5Pro";
    const std::string path = dir + "/" + name;
    return WriteRaf(path, recipe) ? path : std::string();
}

// Waits (serving events) until the dialog's run has ended.
bool WaitForRunEnd(CBatchDlg& dialog, int seconds = 120)
{
    for (int i = 0; i < seconds * 100 && dialog.Running(); ++i)
        QTest::qWait(10);
    return !dialog.Running();
}

// Waits until the status line names the given position.
bool WaitForStatus(CBatchDlg& dialog, const QString& part)
{
    for (int i = 0; i < 6000 && dialog.Running(); ++i) {
        if (dialog.StatusStatic()->text().contains(part))
            return true;
        QTest::qWait(5);
    }
    return false;
}

class ScopedDialogFont {
public:
    explicit ScopedDialogFont(const DialogFontSetting& setting) : saved(DialogFont()) { DialogFont() = setting; }
    ~ScopedDialogFont() { DialogFont() = saved; }

private:
    DialogFontSetting saved;
};

// The user's document: 16-bit TIFF, full size, no counters.
void QuickTiffOutput(CVelmoDoc& doc)
{
    doc.SetOutputFormat(OutputFormat::Tiff16);
    doc.SetSizeMode(0);
    doc.SetIncrementFileNumber(false);
}

std::string Str(const QString& s) { return s.toStdString(); }

} // namespace

class BatchDlgTest : public QObject {
    Q_OBJECT

private slots:
    void TwoFilesConvertAndReadBack()
    {
        ScopedSettings settings;
        RecordingMessages messages;
        TempDir dir;
        CVelmoDoc doc;
        QuickTiffOutput(doc);
        const std::string a = WriteSceneRaf(dir.path(), "DSCF0001.RAF");
        const std::string b = WriteSceneRaf(dir.path(), "DSCF0002.RAF");
        const std::string out = dir.File("out");
        fs::create_directory(out);

        CBatchDlg dialog(doc);
        dialog.show();
        QVERIFY(QTest::qWaitForWindowExposed(&dialog));
        {
            ScopedFileDialogResponder responder([&](const FileDialogRequest& request) {
                FileDialogAnswer answer;
                answer.accepted = request.kind == FileDialogKind::OpenRaw && request.setup.multiSelect;
                answer.paths = {a, b};
                return answer;
            });
            QTest::mouseClick(dialog.AddButton(), Qt::LeftButton);
        }
        QCOMPARE(dialog.Inputs(), (std::vector<std::string>{a, b}));
        dialog.chooseFolder = [&](QWidget*, const std::string& title, const std::string&) {
            return title == "Select output folder" ? out : std::string();
        };
        QTest::mouseClick(dialog.BrowseButton(), Qt::LeftButton);
        QCOMPARE(Str(dialog.OutputDirEdit()->text()), out);

        QTest::mouseClick(dialog.StartButton(), Qt::LeftButton);
        QVERIFY(dialog.Running());
        QVERIFY(!dialog.StartButton()->isEnabled());
        QVERIFY(!dialog.CloseButton()->isEnabled());
        QVERIFY(!dialog.AddButton()->isEnabled());
        QVERIFY(dialog.AbortButton()->isEnabled());
        QVERIFY(WaitForRunEnd(dialog));
        QCOMPARE(dialog.Results(), (std::vector<std::string>{"Done:" + a, "Done:" + b}));
        QVERIFY(dialog.Inputs().empty());
        QVERIFY(dialog.StartButton()->isEnabled());
        QVERIFY(!dialog.AbortButton()->isEnabled());
        QVERIFY2(messages.calls.empty(), messages.calls.empty() ? "" : messages.calls[0].text.c_str());

        for (const char* name : {"DSCF0001.TIF", "DSCF0002.TIF"}) {
            const std::string tif = out + "/" + name;
            QVERIFY2(fs::exists(tif), name);
            QVERIFY(!fs::exists(dir.File(name)));
            if (HasTool("tiffinfo")) {
                const ToolOutput info = RunTool("tiffinfo", {tif});
                QVERIFY2(info.Ok(), info.err.c_str());
                QVERIFY2(info.out.find("Bits/Sample: 16") != std::string::npos, info.out.c_str());
                QVERIFY2(info.out.find("Samples/Pixel: 3") != std::string::npos, info.out.c_str());
            }
            if (HasTool("exiftool")) {
                const auto tags = ExifToolValues(tif, {"Make", "Model", "BitsPerSample"});
                QCOMPARE(tags.at("Make"), std::string("FUJIFILM"));
                QCOMPARE(tags.at("Model"), std::string("FinePix S5600"));
                QCOMPARE(tags.at("BitsPerSample"), std::string("16 16 16"));
            }
        }
    }

    void FailuresAreListedAndTheRunGoesOn()
    {
        ScopedSettings settings;
        RecordingMessages messages;
        TempDir dir;
        CVelmoDoc doc;
        QuickTiffOutput(doc);
        const std::string good = WriteSceneRaf(dir.path(), "GOOD.RAF");
        const std::string noParams = WriteSceneRaf(dir.path(), "NOPARAMS.RAF");
        const std::string junk = dir.File("JUNK.RAF");
        QVERIFY(WriteFile(junk, RandomBytes(5000, 7)));

        CBatchDlg dialog(doc);
        dialog.show();
        // Without a parameter file beside it, the file fails with "Use with
        // params(VMR)"; a file of random bytes fails anyway.
        dialog.AddInputs({noParams, junk});
        ClickCheckBox(*dialog.UseParamsCheck());
        QTest::mouseClick(dialog.StartButton(), Qt::LeftButton);
        QVERIFY(WaitForRunEnd(dialog));
        QCOMPARE(dialog.Results(), (std::vector<std::string>{"Err:" + noParams, "Err:" + junk}));

        ClickCheckBox(*dialog.UseParamsCheck());
        dialog.AddInputs({junk, good});
        QTest::mouseClick(dialog.StartButton(), Qt::LeftButton);
        QVERIFY(WaitForRunEnd(dialog));
        QCOMPARE(dialog.Results().size(), size_t(4));
        QCOMPARE(dialog.Results()[2], "Err:" + junk);
        QCOMPARE(dialog.Results()[3], "Done:" + good);
        QVERIFY(fs::exists(dir.File("GOOD.TIF")));
        // Why the file failed is on its line; no box stopped the run.
        QVERIFY(!dialog.ResultList()->item(2)->toolTip().isEmpty());
        QVERIFY(messages.calls.empty());
    }

    void AbortDuringTheThirdOfFive()
    {
        ScopedSettings settings;
        RecordingMessages messages;
        TempDir dir;
        CVelmoDoc doc;
        QuickTiffOutput(doc);
        std::vector<std::string> inputs;
        for (int i = 1; i <= 5; ++i) {
            const std::string name = "FILE" + std::to_string(i) + ".RAF";
            inputs.push_back(i == 3 ? WriteLargeRaf(dir.path(), name) : WriteSceneRaf(dir.path(), name));
        }
        CBatchDlg dialog(doc);
        dialog.show();
        dialog.AddInputs(inputs);
        QTest::mouseClick(dialog.StartButton(), Qt::LeftButton);
        QVERIFY(WaitForStatus(dialog, QStringLiteral("FILE3.RAF (3 of 5)")));
        QTest::mouseClick(dialog.AbortButton(), Qt::LeftButton);
        QVERIFY(dialog.AbortButton()->Held());
        QCOMPARE(dialog.StatusStatic()->text(), QStringLiteral("Aborting, Please wait."));
        QVERIFY(WaitForRunEnd(dialog));
        QCOMPARE(dialog.Inputs(), (std::vector<std::string>{inputs[2], inputs[3], inputs[4]}));
        QCOMPARE(dialog.Results(), (std::vector<std::string>{"Done:" + inputs[0], "Done:" + inputs[1], "Aborted."}));
        QVERIFY(!fs::exists(dir.File("FILE3.TIF")));
        QVERIFY(!dialog.AbortButton()->Held());
        QVERIFY(dialog.StartButton()->isEnabled());
        QVERIFY(dialog.isVisible());

        // The next run counts its own files, not the lines of the one before.
        QTest::mouseClick(dialog.StartButton(), Qt::LeftButton);
        QVERIFY2(WaitForStatus(dialog, QStringLiteral("FILE3.RAF (1 of 3)")),
                 qPrintable(dialog.StatusStatic()->text()));
        QVERIFY(WaitForRunEnd(dialog));
        QCOMPARE(dialog.Results(), (std::vector<std::string>{"Done:" + inputs[0], "Done:" + inputs[1], "Aborted.",
                                                             "Done:" + inputs[2], "Done:" + inputs[3],
                                                             "Done:" + inputs[4]}));
    }

    void AbortShowsPressedAndStaysAButton()
    {
        ScopedSettings settings;
        RecordingMessages messages;
        TempDir dir;
        CVelmoDoc doc;
        QuickTiffOutput(doc);
        CBatchDlg dialog(doc);
        dialog.show();
        dialog.AddInputs({WriteLargeRaf(dir.path(), "LARGE1.RAF"), WriteLargeRaf(dir.path(), "LARGE2.RAF")});
        HeldButton* abort = dialog.AbortButton();
        // Assistive technologies announce a push button, never a check box.
        auto role = [abort] { return QAccessible::queryAccessibleInterface(abort)->role(); };
        QVERIFY(!abort->isCheckable());
        QCOMPARE(role(), QAccessible::Button);
        QTest::qWait(50);
        const QImage idle = OnScreen(abort);

        QTest::mouseClick(dialog.StartButton(), Qt::LeftButton);
        QVERIFY(WaitForStatus(dialog, QStringLiteral("LARGE1.RAF (1 of 2)")));
        QTest::mouseClick(abort, Qt::LeftButton);
        // Held down (the run may end at once, which lets it up).
        QVERIFY(abort->Held() || !dialog.Running());
        QCOMPARE(role(), QAccessible::Button);
        QVERIFY(!abort->isChecked());
        QVERIFY(WaitForRunEnd(dialog));
        QTest::qWait(50);
        // Released with the run: as before it.
        QVERIFY(!abort->Held());
        QVERIFY(OnScreen(abort) == idle);
        QCOMPARE(role(), QAccessible::Button);
    }

    void EmptyListDoesNothing()
    {
        ScopedSettings settings;
        CVelmoDoc doc;
        CBatchDlg dialog(doc);
        dialog.show();
        QTest::mouseClick(dialog.StartButton(), Qt::LeftButton);
        QVERIFY(!dialog.Running());
        QVERIFY(dialog.Results().empty());
        for (QWidget* w : std::initializer_list<QWidget*>{dialog.StartButton(), dialog.CloseButton(),
                                                          dialog.AddButton(), dialog.RemoveButton(),
                                                          dialog.RemoveAllButton(), dialog.BrowseButton()})
            QVERIFY2(w->isEnabled(), qPrintable(w->accessibleName()));
        QVERIFY(!dialog.AbortButton()->isEnabled());
    }

    void EscAndCloseDuringARunAskForTheAbortAndWait()
    {
        for (int way = 0; way < 2; ++way) {
            ScopedSettings settings;
            RecordingMessages messages;
            TempDir dir;
            CVelmoDoc doc;
            QuickTiffOutput(doc);
            const std::string first = WriteLargeRaf(dir.path(), "BIG1.RAF");
            const std::string second = WriteLargeRaf(dir.path(), "BIG2.RAF");
            CBatchDlg dialog(doc);
            dialog.show();
            QVERIFY(QTest::qWaitForWindowExposed(&dialog));
            dialog.AddInputs({first, second});
            QTest::mouseClick(dialog.StartButton(), Qt::LeftButton);
            QVERIFY(WaitForStatus(dialog, QStringLiteral("BIG1.RAF")));
            if (way == 0)
                QTest::keyClick(&dialog, Qt::Key_Escape);
            else
                dialog.close();
            // Still there, saying so, until the run has stopped.
            QVERIFY(dialog.isVisible());
            QVERIFY(dialog.Running());
            QCOMPARE(dialog.StatusStatic()->text(), QStringLiteral("Aborting, Please wait."));
            QVERIFY(WaitForRunEnd(dialog));
            QTRY_VERIFY(!dialog.isVisible());
            QCOMPARE(dialog.Results().back(), std::string("Aborted."));
            QCOMPARE(dialog.Inputs().size(), size_t(2));
        }
    }

    void ControlsFollowTheirChecksAndTheOutputFolderIsKept()
    {
        ScopedSettings settings;
        TempDir dir;
        CVelmoDoc doc;
        {
            CBatchDlg dialog(doc);
            dialog.show();
            QCOMPARE(dialog.windowTitle(), QStringLiteral("Batch convert"));
            // The initial selections; the combos follow their checks.
            QCOMPARE(dialog.SharpnessCombo()->currentText(), QStringLiteral("Normal"));
            QCOMPARE(dialog.RotationCombo()->currentText(), QStringLiteral("None"));
            QCOMPARE(dialog.RotationCombo()->count(), 3);
            QCOMPARE(dialog.SharpnessCombo()->count(), 4);
            QCOMPARE(dialog.WhiteBalanceCombo()->count(), 13);
            const struct {
                QCheckBox* check;
                QComboBox* combo;
            } pairs[] = {{dialog.RotationCheck(), dialog.RotationCombo()},
                         {dialog.SharpnessCheck(), dialog.SharpnessCombo()},
                         {dialog.WhiteBalanceCheck(), dialog.WhiteBalanceCombo()}};
            for (const auto& p : pairs) {
                QVERIFY(!p.combo->isEnabled());
                ClickCheckBox(*p.check);
                QVERIFY(p.combo->isEnabled());
                for (const auto& other : pairs)
                    if (other.check != p.check && !other.check->isChecked())
                        QVERIFY(!other.combo->isEnabled());
                ClickCheckBox(*p.check);
                QVERIFY(!p.combo->isEnabled());
            }
            // The folder: "<Same as input>" until one is chosen; a cancelled
            // choice keeps it; "Same As Input" empties it.
            QCOMPARE(dialog.OutputDirEdit()->text(), QStringLiteral("<Same as input>"));
            QVERIFY(!dialog.SameAsInputButton()->isEnabled());
            std::string answer = dir.path();
            dialog.chooseFolder = [&](QWidget*, const std::string&, const std::string&) { return answer; };
            QTest::mouseClick(dialog.BrowseButton(), Qt::LeftButton);
            QCOMPARE(Str(dialog.OutputDirEdit()->text()), dir.path());
            QVERIFY(dialog.SameAsInputButton()->isEnabled());
            answer.clear();
            QTest::mouseClick(dialog.BrowseButton(), Qt::LeftButton);
            QCOMPARE(dialog.outputDir, dir.path());
            QTest::mouseClick(dialog.SameAsInputButton(), Qt::LeftButton);
            QCOMPARE(dialog.OutputDirEdit()->text(), QStringLiteral("<Same as input>"));
            QVERIFY(dialog.outputDir.empty());
            answer = dir.path();
            QTest::mouseClick(dialog.BrowseButton(), Qt::LeftButton);
        }
        QCOMPARE(Settings().GetProfileString("Settings", "BatchOutputDir", ""), dir.path());
        CBatchDlg again(doc);
        QCOMPARE(Str(again.OutputDirEdit()->text()), dir.path());
    }

    void WhiteBalanceListFollowsTheSwitch()
    {
        ScopedSettings settings;
        CVelmoDoc doc;
        for (int rafWB : {1, 0}) {
            doc.Edit().SetSwitch(SwitchId::UseRafWB, rafWB);
            CBatchDlg dialog(doc);
            const std::vector<std::string> expected = WhiteBalanceChoices(rafWB != 0);
            QCOMPARE(size_t(dialog.WhiteBalanceCombo()->count()), expected.size());
            QCOMPARE(Str(dialog.WhiteBalanceCombo()->itemText(0)), expected[0]);
            // The colour temperature's place in each numbering.
            QCOMPARE(Str(dialog.WhiteBalanceCombo()->itemText(rafWB ? 12 : 9)),
                     std::string(rafWB ? "c:color temperature" : "color temperature"));
        }
    }

    void ListEditingDropsAndTheThumbnail()
    {
        ScopedSettings settings;
        TempDir dir;
        CVelmoDoc doc;
        const std::string raf = WriteSceneRaf(dir.path(), "SCENE.RAF");
        const std::string junk = dir.File("JUNK.RAF");
        QVERIFY(WriteFile(junk, RandomBytes(3000, 3)));
        const std::string text = dir.File("notes.txt");
        QVERIFY(WriteFile(text, {'h', 'i'}));

        CBatchDlg dialog(doc);
        dialog.show();
        QVERIFY(QTest::qWaitForWindowExposed(&dialog));
        // Dropped files join the list, whatever they are.
        QMimeData mime;
        mime.setUrls({QUrl::fromLocalFile(QString::fromStdString(raf)), QUrl::fromLocalFile(QString::fromStdString(junk)),
                      QUrl::fromLocalFile(QString::fromStdString(text))});
        const QPoint at = dialog.InputList()->geometry().center();
        QDragEnterEvent enter(at, Qt::CopyAction, &mime, Qt::LeftButton, Qt::NoModifier);
        QApplication::sendEvent(&dialog, &enter);
        QVERIFY(enter.isAccepted());
        QDropEvent drop(QPointF(at), Qt::CopyAction, &mime, Qt::LeftButton, Qt::NoModifier);
        QApplication::sendEvent(&dialog, &drop);
        QCOMPARE(dialog.Inputs(), (std::vector<std::string>{raf, junk, text}));

        // The caret item's embedded preview; black for the others.
        auto isBlack = [](const QImage& image) {
            for (int y = 0; y < image.height(); ++y)
                for (int x = 0; x < image.width(); ++x)
                    if (image.pixel(x, y) != qRgb(0, 0, 0))
                        return false;
            return true;
        };
        dialog.InputList()->setCurrentRow(0);
        QVERIFY(!isBlack(dialog.Thumbnail()));
        dialog.InputList()->setCurrentRow(1);
        QVERIFY(isBlack(dialog.Thumbnail()));
        dialog.InputList()->setCurrentRow(0);
        QVERIFY(!isBlack(dialog.Thumbnail()));

        // Remove takes every selected item; RemoveAll the rest.
        dialog.InputList()->clearSelection();
        dialog.InputList()->item(0)->setSelected(true);
        dialog.InputList()->item(2)->setSelected(true);
        QTest::mouseClick(dialog.RemoveButton(), Qt::LeftButton);
        QCOMPARE(dialog.Inputs(), (std::vector<std::string>{junk}));
        QTest::mouseClick(dialog.RemoveAllButton(), Qt::LeftButton);
        QVERIFY(dialog.Inputs().empty());
        QVERIFY(isBlack(dialog.Thumbnail()));
    }

    void EveryControlHasItsNameAndTip()
    {
        ScopedSettings settings;
        CVelmoDoc doc;
        CBatchDlg dialog(doc);
        for (QWidget* w : dialog.findChildren<QWidget*>()) {
            if (qobject_cast<QLabel*>(w) != nullptr && w != dialog.ThumbnailStatic())
                continue;
            if (qobject_cast<QAbstractButton*>(w) == nullptr && qobject_cast<QComboBox*>(w) == nullptr &&
                qobject_cast<QListWidget*>(w) == nullptr && qobject_cast<QLineEdit*>(w) == nullptr &&
                qobject_cast<QProgressBar*>(w) == nullptr && w != dialog.ThumbnailStatic())
                continue;
            if (w->parentWidget() != &dialog && qobject_cast<QComboBox*>(w->parentWidget()) != nullptr)
                continue;
            if (qobject_cast<QLineEdit*>(w) != nullptr && qobject_cast<QComboBox*>(w->parentWidget()) != nullptr)
                continue;
            QVERIFY2(!w->accessibleName().isEmpty(), w->metaObject()->className());
            QVERIFY2(!w->toolTip().isEmpty(), qPrintable(w->accessibleName()));
        }
    }

    void ScreenshotsDuringAndAfterARun()
    {
        int previousWidth = 0;
        for (const auto& [setting, suffix] : {std::pair<DialogFontSetting, const char*>{{}, "default"},
                                              std::pair<DialogFontSetting, const char*>{{"DejaVu Serif", 14}, "large"}}) {
            ScopedDialogFont font(setting);
            ScopedSettings settings;
            RecordingMessages messages;
            TempDir dir;
            CVelmoDoc doc;
            QuickTiffOutput(doc);
            std::vector<std::string> inputs = {WriteSceneRaf(dir.path(), "DSCF0001.RAF"),
                                               WriteSceneRaf(dir.path(), "DSCF0002.RAF"),
                                               WriteLargeRaf(dir.path(), "DSCF0003.RAF"),
                                               WriteSceneRaf(dir.path(), "DSCF0004.RAF")};
            const std::string missing = dir.File("DSCF0009.RAF");
            inputs.insert(inputs.begin() + 1, missing);
            CBatchDlg dialog(doc);
            dialog.show();
            QVERIFY(QTest::qWaitForWindowExposed(&dialog));
            dialog.AddInputs(inputs);
            dialog.InputList()->setCurrentRow(0);
            ClickCheckBox(*dialog.SharpnessCheck());
            QTest::mouseClick(dialog.StartButton(), Qt::LeftButton);
            QVERIFY(WaitForStatus(dialog, QStringLiteral("DSCF0003.RAF")));
            QTest::qWait(30);
            const QString name = QStringLiteral(VELMO_BINARY_DIR "/velmo-batch-dialog-running-%1.png").arg(QLatin1String(suffix));
            QVERIFY(dialog.grab().toImage().save(name));
            qInfo("screenshot: %s", qPrintable(name));
            QVERIFY(WaitForRunEnd(dialog));
            QCOMPARE(dialog.Results().size(), size_t(5));
            QCOMPARE(dialog.Results()[1], "Err:" + missing);
            const QStringList clipped = ClippedControls(dialog);
            QVERIFY2(clipped.isEmpty(), qPrintable(clipped.join(QStringLiteral("; "))));
            const QString after = QStringLiteral(VELMO_BINARY_DIR "/velmo-batch-dialog-done-%1.png").arg(QLatin1String(suffix));
            QVERIFY(dialog.grab().toImage().save(after));
            qInfo("screenshot: %s", qPrintable(after));
            QVERIFY(dialog.width() > previousWidth);
            previousWidth = dialog.width();
        }
    }
};

VELMO_APP_TEST(BatchDlgTest);

} // namespace velmo::test

#include "BatchDlgTest.moc"
