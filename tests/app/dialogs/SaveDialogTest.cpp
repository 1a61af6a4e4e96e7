// The save dialog with real events: the name follows the chosen type, a
// bare name gets the type's extension, replacing a file asks through the
// message interface, and Save As of the document and the crop frame go
// through it.
#include "app/dialogs/FileDialogs.h"
#include "app/dialogs/OutputFileDialog.h"
#include "document/VelmoDoc.h"
#include "res/ResourceIds.h"
#include "res/StringTable.h"
#include "tests/app/AppTest.h"
#include "tests/app/AppTestEnv.h"
#include "tests/app/dialogs/DialogTestFiles.h"
#include "tests/app/dialogs/DialogTestUtil.h"

#include <QComboBox>
#include <QLineEdit>
#include <QTest>

#include <filesystem>

namespace velmo::test {

namespace {

constexpr char kSaveAsFilter[] =
    "PSD 16bpp(*.PSD)|*.PSD|PSD 8bpp(*.PSD)|*.PSD|TIFF 16bpp(*.TIF)|*.TIF|TIFF 8bpp(*.TIF)|*.TIF|JPEG (*.JPG)|*.JPG||";
constexpr char kCropFilter[] = "velmo crop frame(*.VMF)|*.VMF||";

QString Q(const std::string& s)
{
    return QString::fromStdString(s);
}

FileDialogSetup SaveSetup(const std::string& filter, const std::string& name, int index = 0)
{
    FileDialogSetup setup;
    setup.filter = filter;
    setup.initialName = name;
    setup.filterIndex = index;
    return setup;
}

QComboBox* TypeCombo(QFileDialog& dialog)
{
    return dialog.findChild<QComboBox*>(QStringLiteral("fileTypeCombo"));
}

// Types name into the file-name edit as the user does.
void TypeName(CFileDialogBase& dialog, const QString& name)
{
    QLineEdit* edit = dialog.FileNameEdit();
    edit->setFocus();
    edit->selectAll();
    QTest::keyClick(edit, Qt::Key_Backspace);
    QTest::keyClicks(edit, name);
}

} // namespace

class SaveDialogTest : public QObject {
    Q_OBJECT

private slots:
    void NameFollowsTheChosenType()
    {
        TempDir dir;
        COutputFileDialog dialog(SaveSetup(kSaveAsFilter, dir.File("IMG_1.PSD"), 0));
        dialog.show();
        QVERIFY(QTest::qWaitForWindowExposed(&dialog));
        QCOMPARE(dialog.FileNameEdit()->text(), QStringLiteral("IMG_1.PSD"));
        QCOMPARE(dialog.Format(), 0);

        QComboBox* types = TypeCombo(dialog);
        QVERIFY(types != nullptr);
        types->setFocus();
        QTest::keyClick(types, Qt::Key_End);
        QCOMPARE(dialog.Format(), 4);
        QCOMPARE(dialog.FileNameEdit()->text(), QStringLiteral("IMG_1.JPG"));

        // A bare name, then another type.
        TypeName(dialog, QStringLiteral("IMG_2"));
        types->setFocus();
        QTest::keyClick(types, Qt::Key_Up);
        QCOMPARE(dialog.Format(), 3);
        QCOMPARE(dialog.FileNameEdit()->text(), QStringLiteral("IMG_2.TIF"));
        ClickAcceptButton(dialog);
        QCOMPARE(dialog.result(), int(QDialog::Accepted));
        QCOMPARE(dialog.GetPathName(), dir.File("IMG_2.TIF"));
        QCOMPARE(dialog.FilterIndex(), 3);
    }

    void TheFormatChoosesTheFirstType()
    {
        TempDir dir;
        COutputFileDialog dialog(SaveSetup(kSaveAsFilter, dir.File("IMG_1.TIF"), 2));
        QCOMPARE(dialog.Format(), 2);
        QVERIFY(dialog.selectedNameFilter().startsWith(QStringLiteral("TIFF 16bpp")));
        QCOMPARE(dialog.directory().absolutePath(), Q(dir.path()));
        QCOMPARE(dialog.windowTitle(), QStringLiteral("Save As"));
        QVERIFY(dialog.testOption(QFileDialog::DontUseNativeDialog));
    }

    void BareNameGetsTheTypeExtension()
    {
        TempDir dir;
        bool answered = false;
        WhenModal<COutputFileDialog>(
            [&](COutputFileDialog& dialog) {
                TypeName(dialog, QStringLiteral("myframe"));
                ClickAcceptButton(dialog);
            },
            &answered);
        std::string path;
        QVERIFY(ChooseSaveFile(nullptr, "Save As CropFrame", kCropFilter, dir.File("DSCF0001.VMF"), path));
        QVERIFY(answered);
        QCOMPARE(path, dir.File("myframe.VMF"));
    }

    void ReplacingAFileAsksFirst()
    {
        TempDir dir;
        const std::string existing = dir.File("IMG_1.JPG");
        WriteFile(existing, {1, 2, 3});
        for (const int answer : {IDNO, IDYES}) {
            RecordingMessages messages(answer);
            COutputFileDialog dialog(SaveSetup(kSaveAsFilter, existing, 4));
            dialog.show();
            QVERIFY(QTest::qWaitForWindowExposed(&dialog));
            ClickAcceptButton(dialog);
            QCOMPARE(messages.calls.size(), size_t(1));
            QCOMPARE(messages.calls[0].text, existing + " already exists.\nDo you want to replace it?");
            QCOMPARE(messages.calls[0].type & 0xF, unsigned(MB_YESNO));
            QCOMPARE(dialog.isVisible(), answer == IDNO);
            QCOMPARE(dialog.result() == QDialog::Accepted, answer == IDYES);
        }
        // A new name asks nothing.
        RecordingMessages messages;
        COutputFileDialog dialog(SaveSetup(kSaveAsFilter, dir.File("IMG_2.JPG"), 4));
        dialog.show();
        QVERIFY(QTest::qWaitForWindowExposed(&dialog));
        ClickAcceptButton(dialog);
        QVERIFY(messages.calls.empty());
        QCOMPARE(dialog.result(), int(QDialog::Accepted));
    }

    void SaveAsOfTheDocumentUsesTheDialog()
    {
        TempDir dir;
        const std::string raf = WriteSceneRaf(dir.path(), "DSCF0001.RAF");
        AppRun::Setup setup;
        setup.arguments = {raf};
        AppRun run(setup);
        QVERIFY(run.Doc().HasImage());
        QCOMPARE(run.Doc().Output().format, 0);
        bool answered = false;
        QString shownName;
        WhenModal<COutputFileDialog>(
            [&](COutputFileDialog& dialog) {
                shownName = dialog.FileNameEdit()->text();
                QComboBox* types = TypeCombo(dialog);
                types->setFocus();
                QTest::keyClick(types, Qt::Key_End); // JPEG
                TypeName(dialog, QStringLiteral("chosen"));
                ClickAcceptButton(dialog);
            },
            &answered);
        QVERIFY(run.Doc().OnFileSaveAs());
        QVERIFY(answered);
        QCOMPARE(shownName, QStringLiteral("DSCF0001.PSD"));
        QCOMPARE(run.Doc().Output().format, 4);
        QVERIFY(std::filesystem::exists(dir.File("chosen.JPG")));
    }

    void CropFrameCommandsAskThroughTheDialogs()
    {
        TempDir dir;
        const std::string raf = WriteSceneRaf(dir.path(), "DSCF0001.RAF");
        AppRun::Setup setup;
        setup.arguments = {raf};
        AppRun run(setup);
        std::vector<FileDialogRequest> requests;
        ScopedFileDialogResponder responder([&](const FileDialogRequest& request) {
            requests.push_back(request);
            return FileDialogAnswer{};
        });
        QVERIFY(run.Frame().Route().Execute(ID_CROP_SAVE_AS));
        QVERIFY(run.Frame().Route().Execute(ID_CROP_LOAD));
        QCOMPARE(requests.size(), size_t(2));
        QVERIFY(requests[0].kind == FileDialogKind::Save);
        QCOMPARE(requests[0].setup.title, LoadString(IDS_SAVE_CROP_TITLE));
        QCOMPARE(requests[0].setup.filter, std::string(kCropFilter));
        QCOMPARE(requests[0].setup.initialName, dir.File("DSCF0001.VMF"));
        QVERIFY(requests[1].kind == FileDialogKind::Open);
        QCOMPARE(requests[1].setup.filter, std::string(kCropFilter));
    }
};

VELMO_APP_TEST(SaveDialogTest);

} // namespace velmo::test

#include "SaveDialogTest.moc"
