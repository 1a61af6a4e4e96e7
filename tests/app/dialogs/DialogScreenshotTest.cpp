// Screenshots of the dialogs as build artefacts, at the system font and at a
// large dialog font: the open dialog on a builder RAF with its preview and
// Exif text, "Jpeg options", and "Processing..." after Cancel. Nothing may be
// clipped, and the larger font gives larger dialogs.
#include "app/dialogs/JpegOptionsDlg.h"
#include "app/dialogs/OpenRawDialog.h"
#include "app/dialogs/ProcessingDlg.h"
#include "platform/gui/DialogFont.h"
#include "res/ResourceIds.h"
#include "res/StringTable.h"
#include "tests/app/AppTest.h"
#include "tests/app/dialogs/DialogTestFiles.h"
#include "tests/app/dialogs/DialogTestUtil.h"
#include "tests/support/TestEnv.h"

#include <QCheckBox>
#include <QImage>
#include <QLabel>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTest>

namespace velmo::test {

namespace {

struct FontCase {
    DialogFontSetting font;
    const char* suffix;
};
const FontCase kFonts[] = {{{}, "default"}, {{"DejaVu Serif", 14}, "large"}};

// Keeps the process-wide dialog font for the test's life.
class ScopedDialogFont {
public:
    explicit ScopedDialogFont(const DialogFontSetting& setting) : saved(DialogFont()) { DialogFont() = setting; }
    ~ScopedDialogFont() { DialogFont() = saved; }

private:
    DialogFontSetting saved;
};

bool Save(QWidget& window, const QString& name)
{
    const QImage image = window.grab().toImage();
    const QString file = QStringLiteral(VELMO_BINARY_DIR "/") + name;
    qInfo("screenshot: %s (%dx%d)", qPrintable(file), image.width(), image.height());
    return image.save(file);
}

} // namespace

class DialogScreenshotTest : public QObject {
    Q_OBJECT

private slots:
    void OpenDialogOnARafFile()
    {
        TempDir dir;
        const std::string raf = WriteSceneRaf(dir.path(), "DSCF0001.RAF");
        WriteSceneRaf(dir.path(), "DSCF0002.RAF");
        int previousWidth = 0;
        for (const FontCase& f : kFonts) {
            ScopedDialogFont font(f.font);
            FileDialogSetup setup;
            setup.filter = LoadString(IDS_FILE_OPEN_FILTER);
            setup.startDir = dir.path();
            COpenRawDialog dialog(setup);
            dialog.show();
            QVERIFY(QTest::qWaitForWindowExposed(&dialog));
            QVERIFY(ClickFileItem(dialog, QString::fromStdString(raf)));
            QTest::qWait(50);
            const QStringList clipped = ClippedControls(*dialog.Panel());
            QVERIFY2(clipped.isEmpty(), qPrintable(clipped.join(QStringLiteral("; "))));
            QVERIFY(dialog.AllCheck()->visibleRegion().boundingRect().size() == dialog.AllCheck()->size());
            QVERIFY(dialog.PreviewStatic()->visibleRegion().boundingRect().size() == dialog.PreviewStatic()->size());
            QVERIFY(!dialog.ExifEdit()->toPlainText().isEmpty());
            QVERIFY(Save(dialog, QStringLiteral("velmo-open-dialog-%1.png").arg(QLatin1String(f.suffix))));
            QVERIFY(dialog.Panel()->width() >= dialog.PreviewStatic()->width());
            QVERIFY(dialog.PreviewStatic()->width() > previousWidth);
            previousWidth = dialog.PreviewStatic()->width();
        }
    }

    void JpegOptions()
    {
        int previousWidth = 0;
        for (const FontCase& f : kFonts) {
            ScopedDialogFont font(f.font);
            CJpegOptionsDlg dialog;
            dialog.quality = 85;
            dialog.show();
            QVERIFY(QTest::qWaitForWindowExposed(&dialog));
            const QStringList clipped = ClippedControls(dialog);
            QVERIFY2(clipped.isEmpty(), qPrintable(clipped.join(QStringLiteral("; "))));
            QVERIFY(Save(dialog, QStringLiteral("velmo-jpeg-options-%1.png").arg(QLatin1String(f.suffix))));
            QVERIFY(dialog.width() > previousWidth);
            previousWidth = dialog.width();
        }
    }

    void ProcessingAfterCancel()
    {
        int previousWidth = 0;
        for (const FontCase& f : kFonts) {
            ScopedDialogFont font(f.font);
            CProcessingDlg dialog("", nullptr);
            QVERIFY(QTest::qWaitForWindowExposed(&dialog));
            dialog.SetProgress(40);
            QTest::mouseClick(dialog.CancelButton(), Qt::LeftButton);
            QTest::qWait(20);
            QCOMPARE(dialog.TextStatic()->text(), QStringLiteral("Aborting, Please wait."));
            const QStringList clipped = ClippedControls(dialog);
            QVERIFY2(clipped.isEmpty(), qPrintable(clipped.join(QStringLiteral("; "))));
            QVERIFY(Save(dialog, QStringLiteral("velmo-processing-%1.png").arg(QLatin1String(f.suffix))));
            QVERIFY(dialog.width() > previousWidth);
            previousWidth = dialog.width();
        }
    }
};

VELMO_APP_TEST(DialogScreenshotTest);

} // namespace velmo::test

#include "DialogScreenshotTest.moc"
