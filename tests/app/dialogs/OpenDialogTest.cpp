// The open dialog with real events on the offscreen platform: the selected
// RAF file's preview and Exif text, "Embedded preview" and "All", cut and
// random files, the folder selected after going up (also to the root), a
// multi-selection longer than any fixed buffer, and File Open through it.
#include "app/dialogs/FileDialogs.h"
#include "app/dialogs/OpenRawDialog.h"
#include "exif/ExifDigest.h"
#include "platform/gui/ControlIds.h"
#include "platform/gui/ControlUnit.h"
#include "res/ResourceIds.h"
#include "res/StringTable.h"
#include "tests/app/AppTest.h"
#include "tests/app/AppTestEnv.h"
#include "tests/app/dialogs/DialogTestFiles.h"
#include "tests/app/dialogs/DialogTestUtil.h"

#include <QCheckBox>
#include <QDir>
#include <QLabel>
#include <QLineEdit>
#include <QListView>
#include <QPlainTextEdit>
#include <QTest>
#include <QTextBlock>
#include <QToolButton>

#include <filesystem>

namespace velmo::test {

namespace {

QString Q(const std::string& s)
{
    return QString::fromStdString(s);
}

FileDialogSetup OpenSetup(const std::string& folder, bool multi = false)
{
    FileDialogSetup setup;
    setup.filter = LoadString(IDS_FILE_OPEN_FILTER);
    setup.startDir = folder;
    setup.multiSelect = multi;
    return setup;
}

bool IsBlack(const QImage& image)
{
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x)
            if ((image.pixel(x, y) & 0xFFFFFF) != 0)
                return false;
    return true;
}

// The preview shows the scene: blue sky at the top, the red disc, the field.
bool ShowsScene(const QImage& image)
{
    const QColor sky = image.pixelColor(image.width() / 2, image.height() / 10);
    const QColor disc = image.pixelColor(image.width() * 3 / 10, image.height() * 35 / 100);
    const QColor field = image.pixelColor(image.width() / 10, image.height() * 9 / 10);
    return sky.blue() > 200 && sky.red() < 120 && disc.red() > 180 && disc.green() < 90 && field.green() > 100 &&
           field.blue() < 90;
}

QStringList TextLines(const QPlainTextEdit& edit)
{
    return edit.toPlainText().split(QLatin1Char('\n'), Qt::SkipEmptyParts);
}

} // namespace

class OpenDialogTest : public QObject {
    Q_OBJECT

private slots:
    void SelectedRafShowsPreviewAndExif()
    {
        TempDir dir;
        const std::string raf = WriteSceneRaf(dir.path(), "DSCF0001.RAF");
        const std::string params = dir.File("DSCF0001.VMR");
        WriteFile(params, {'[', 'S', ']', '\n'});
        COpenRawDialog dialog(OpenSetup(dir.path()));
        dialog.show();
        QVERIFY(QTest::qWaitForWindowExposed(&dialog));
        QVERIFY(IsBlack(dialog.PreviewImage()));

        QVERIFY(ClickFileItem(dialog, Q(raf)));
        QVERIFY(ShowsScene(dialog.PreviewImage()));
        QCOMPARE(dialog.PreviewImage().size(), dialog.PreviewStatic()->size());
        // The digest: only lines whose names are listed.
        const QStringList digest = TextLines(*dialog.ExifEdit());
        QVERIFY(digest.contains(QStringLiteral("Model:FinePix S5600")));
        for (const QString& line : digest) {
            bool listed = false;
            for (const std::string& name : DigestNames())
                listed = listed || line.startsWith(Q(name) + QLatin1Char(':'));
            QVERIFY2(listed, qPrintable(line));
        }

        // "All": every line, the digest's among them.
        ClickCheckBox(*dialog.AllCheck());
        QCOMPARE(dialog.allExif, 1);
        const QStringList all = TextLines(*dialog.ExifEdit());
        QCOMPARE(size_t(all.size()), dialog.ExifLines().size());
        QVERIFY(all.contains(QStringLiteral("Make:FUJIFILM")));
        QVERIFY(all.size() > digest.size());

        // Another kind of file: black and empty.
        QVERIFY(ClickFileItem(dialog, Q(params)));
        QVERIFY(IsBlack(dialog.PreviewImage()));
        QVERIFY(dialog.ExifEdit()->toPlainText().isEmpty());
    }

    void AllKeepsTheEntryAtTheTop()
    {
        TempDir dir;
        const std::string raf = WriteSceneRaf(dir.path(), "DSCF0001.RAF");
        COpenRawDialog dialog(OpenSetup(dir.path()));
        // A text pane of a few lines, so that the lines scroll.
        dialog.ExifEdit()->setMinimumHeight(0);
        dialog.ExifEdit()->setFixedHeight(dialog.ExifEdit()->fontMetrics().lineSpacing() * 4);
        dialog.show();
        QVERIFY(QTest::qWaitForWindowExposed(&dialog));
        ClickCheckBox(*dialog.AllCheck());
        QVERIFY(ClickFileItem(dialog, Q(raf)));
        const ExifTextLines& lines = dialog.ExifLines();
        // Scroll the full text so that a digest entry is at the top.
        size_t fnumber = 0;
        while (fnumber < lines.size() && lines[fnumber].rfind("FNumber:", 0) != 0)
            ++fnumber;
        QVERIFY(fnumber < lines.size());
        QPlainTextEdit& edit = *dialog.ExifEdit();
        QTextCursor end(edit.document());
        end.movePosition(QTextCursor::End);
        edit.setTextCursor(end);
        edit.ensureCursorVisible();
        edit.setTextCursor(QTextCursor(edit.document()->findBlockByNumber(int(fnumber))));
        edit.ensureCursorVisible();
        QCOMPARE(dialog.FirstVisibleLine(), fnumber);

        ClickCheckBox(*dialog.AllCheck()); // to the digest
        QCOMPARE(edit.document()->findBlockByNumber(int(dialog.FirstVisibleLine())).text().left(8),
                 QStringLiteral("FNumber:"));
        ClickCheckBox(*dialog.AllCheck()); // and back
        QCOMPARE(dialog.FirstVisibleLine(), fnumber);
    }

    void EmbeddedPreviewOffShowsBlackButTheText()
    {
        TempDir dir;
        const std::string raf = WriteSceneRaf(dir.path(), "DSCF0001.RAF");
        COpenRawDialog dialog(OpenSetup(dir.path()));
        dialog.show();
        QVERIFY(QTest::qWaitForWindowExposed(&dialog));
        QCOMPARE(dialog.EmbeddedPreviewCheck()->isChecked(), true);
        ClickCheckBox(*dialog.EmbeddedPreviewCheck());
        QCOMPARE(dialog.embeddedPreview, 0);
        QVERIFY(ClickFileItem(dialog, Q(raf)));
        QVERIFY(IsBlack(dialog.PreviewImage()));
        QVERIFY(dialog.ExifEdit()->toPlainText().contains(QStringLiteral("Model:FinePix S5600")));
        // Checked again: the selected file's preview comes at once.
        ClickCheckBox(*dialog.EmbeddedPreviewCheck());
        QVERIFY(ShowsScene(dialog.PreviewImage()));
    }

    void CutAndRandomFilesShowBlackAndEmptyText()
    {
        TempDir dir;
        const std::string raf = WriteSceneRaf(dir.path(), "DSCF0001.RAF");
        const std::vector<uint8_t> whole = SceneRafBytes();
        std::vector<std::string> broken;
        for (const CutFile& cut : SceneCuts()) {
            broken.push_back(dir.File(cut.name));
            WriteFile(broken.back(), std::vector<uint8_t>(whole.begin(), whole.begin() + long(cut.length)));
        }
        broken.push_back(dir.File("random.RAF"));
        WriteFile(broken.back(), RandomBytes(30000, 7));
        std::vector<uint8_t> magic = RandomBytes(30000, 8);
        std::copy_n("FUJIFILMCCD-RAW ", 16, magic.begin());
        broken.push_back(dir.File("magic-random.RAF"));
        WriteFile(broken.back(), magic);

        COpenRawDialog dialog(OpenSetup(dir.path()));
        dialog.show();
        QVERIFY(QTest::qWaitForWindowExposed(&dialog));
        for (const std::string& path : broken) {
            QVERIFY(ClickFileItem(dialog, Q(raf)));
            QVERIFY(ShowsScene(dialog.PreviewImage()));
            QVERIFY2(ClickFileItem(dialog, Q(path)), path.c_str());
            QVERIFY(dialog.isVisible());
            const auto named = [&path](const char* part) { return path.find(part) != std::string::npos; };
            // Cut before the preview's pixels: no picture (what Exif there is shows).
            if (!named("in-preview") && !named("after-preview"))
                QVERIFY2(IsBlack(dialog.PreviewImage()), path.c_str());
            if (named("random") || named("in-header"))
                QVERIFY2(dialog.ExifEdit()->toPlainText().isEmpty(), path.c_str());
        }
    }

    void GoingUpSelectsTheFolderLeft()
    {
        TempDir dir;
        std::filesystem::create_directories(dir.File("a/b"));
        for (int i = 0; i < 40; ++i) // enough items that b needs a scroll
            std::filesystem::create_directories(QDir(Q(dir.File("a"))).filePath(QStringLiteral("z%1").arg(100 + i)).toStdString());
        COpenRawDialog dialog(OpenSetup(dir.File("a/b")));
        dialog.show();
        QVERIFY(QTest::qWaitForWindowExposed(&dialog));
        QTest::qWait(50);
        auto* up = dialog.findChild<QToolButton*>(QStringLiteral("toParentButton"));
        QVERIFY(up != nullptr);
        QTest::mouseClick(up, Qt::LeftButton);
        QTRY_COMPARE(dialog.directory().absolutePath(), Q(dir.File("a")));
        QTRY_COMPARE(CurrentItemName(dialog), QStringLiteral("b"));
        auto* list = dialog.findChild<QListView*>(QStringLiteral("listView"));
        QVERIFY(list->viewport()->rect().intersects(list->visualRect(list->currentIndex())));

        // Up again, then up from a first-level folder to the root: the folder
        // left is selected with its whole name.
        QTest::mouseClick(up, Qt::LeftButton);
        QTRY_COMPARE(CurrentItemName(dialog), QStringLiteral("a"));
        const std::filesystem::path top = *std::next(std::filesystem::path(dir.path()).begin());
        dialog.setDirectory(QStringLiteral("/") + Q(top.string()));
        QTest::qWait(50);
        QTest::mouseClick(up, Qt::LeftButton);
        QTRY_COMPARE(dialog.directory().absolutePath(), QStringLiteral("/"));
        QTRY_COMPARE(CurrentItemName(dialog), Q(top.string()));
    }

    void MultiSelectionHasNoLengthLimit()
    {
        TempDir dir;
        const std::string raf = WriteSceneRaf(dir.path(), "DSCF0001.RAF");
        std::vector<std::string> names;
        size_t total = 0;
        for (int i = 0; i < 90; ++i) {
            std::string name = "Holiday on the coast, second week, camera two, frame ";
            name += std::to_string(1000 + i);
            name += ".RAF";
            names.push_back(name);
            std::filesystem::copy_file(raf, dir.File(names.back()));
            total += dir.File(names.back()).size() + 1;
        }
        std::filesystem::remove(raf);
        QVERIFY(total > 4096);
        COpenRawDialog dialog(OpenSetup(dir.path(), true));
        dialog.show();
        QVERIFY(QTest::qWaitForWindowExposed(&dialog));
        QVERIFY(ClickFileItem(dialog, Q(dir.File(names.front()))));
        QAbstractItemView* view = ShownView(dialog);
        QTRY_COMPARE(view->model()->rowCount(view->rootIndex()), int(names.size())); // the folder read whole
        QTest::keyClick(view, Qt::Key_A, Qt::ControlModifier);
        ClickAcceptButton(dialog);
        QCOMPARE(dialog.result(), int(QDialog::Accepted));
        std::vector<std::string> chosen = dialog.GetPathNames();
        std::sort(chosen.begin(), chosen.end());
        QCOMPARE(chosen.size(), names.size());
        for (size_t i = 0; i < names.size(); ++i)
            QCOMPARE(chosen[i], dir.File(names[i]));
    }

    void PanelControlsHaveTheirCaptionsAsNames()
    {
        COpenRawDialog dialog(OpenSetup({}));
        const struct {
            QWidget* control;
            unsigned id;
        } controls[] = {
            {dialog.PreviewStatic(), IDC_OPEN_PREVIEW_PICTURE},
            {dialog.EmbeddedPreviewCheck(), IDC_OPEN_EMBEDDED_PREVIEW},
            {dialog.ExifEdit(), IDC_OPEN_EXIF_TEXT},
            {dialog.AllCheck(), IDC_OPEN_EXIF_ALL},
        };
        for (const auto& c : controls) {
            const QString caption = PlainCaption(Q(LoadString(ControlCaption(IDD_OPEN_PREVIEW, c.id))));
            QVERIFY(!caption.isEmpty());
            QCOMPARE(c.control->accessibleName(), caption);
            QCOMPARE(ControlId(c.control), c.id);
            QVERIFY(!c.control->toolTip().isEmpty());
        }
        QCOMPARE(dialog.EmbeddedPreviewCheck()->text(), QStringLiteral("Embedded preview"));
        QCOMPARE(dialog.AllCheck()->text(), QStringLiteral("All"));
        QCOMPARE(dialog.windowTitle(), QStringLiteral("Open"));
        QVERIFY(dialog.testOption(QFileDialog::DontUseNativeDialog));
    }

    void FileOpenCommandUsesTheRawDialog()
    {
        TempDir dir;
        const std::string raf = WriteSceneRaf(dir.path(), "DSCF0001.RAF");
        AppRun run;
        std::vector<FileDialogRequest> requests;
        ScopedFileDialogResponder responder([&](const FileDialogRequest& request) {
            requests.push_back(request);
            FileDialogAnswer answer;
            answer.accepted = true;
            answer.paths = {raf};
            return answer;
        });
        QVERIFY(run.Frame().Route().Execute(ID_FILE_OPEN));
        QCOMPARE(requests.size(), size_t(1));
        QVERIFY(requests[0].kind == FileDialogKind::OpenRaw);
        QCOMPARE(requests[0].setup.filter, LoadString(IDS_FILE_OPEN_FILTER));
        QVERIFY(!requests[0].setup.multiSelect);
        QVERIFY(run.Doc().HasImage());
        QCOMPARE(run.Doc().SourcePath(), raf);
    }

    void FileOpenShowsTheRealDialog()
    {
        TempDir dir;
        const std::string raf = WriteSceneRaf(dir.path(), "DSCF0001.RAF");
        AppRun run;
        bool answered = false;
        bool sawScene = false;
        WhenModal<COpenRawDialog>(
            [&](COpenRawDialog& dialog) {
                dialog.setDirectory(Q(dir.path()));
                if (ClickFileItem(dialog, Q(raf)))
                    sawScene = ShowsScene(dialog.PreviewImage());
                ClickAcceptButton(dialog);
            },
            &answered);
        QVERIFY(run.Frame().Route().Execute(ID_FILE_OPEN));
        QVERIFY(answered);
        QVERIFY(sawScene);
        QCOMPARE(run.Doc().SourcePath(), raf);
    }
};

VELMO_APP_TEST(OpenDialogTest);

} // namespace velmo::test

#include "OpenDialogTest.moc"
