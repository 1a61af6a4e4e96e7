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
#include "tests/app/AppTestEnv.h"
#include "tests/app/dialogs/DialogTestFiles.h"
#include "tests/app/dialogs/DialogTestUtil.h"
#include "tests/support/TestEnv.h"

#include <QCheckBox>
#include <QFileSystemModel>
#include <QHeaderView>
#include <QImage>
#include <QLabel>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTest>
#include <QTreeView>

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

    // The open dialog's file list shows each column whole, its heading and
    // every shown item, at the system font and the large dialog font (the
    // size and type columns came out as "24....MiB" and "Fin...age").
    void OpenDialogColumnsShowTheirContents()
    {
        TempDir dir;
        WriteSceneRaf(dir.path(), "DSCF0001.RAF");
        WriteSceneRaf(dir.path(), "DSCF0002_with_a_longer_name.RAF");
        for (const FontCase& f : kFonts) {
            ScopedDialogFont font(f.font);
            FileDialogSetup setup;
            setup.filter = LoadString(IDS_FILE_OPEN_FILTER);
            setup.startDir = dir.path();
            COpenRawDialog dialog(setup);
            dialog.show();
            QVERIFY(QTest::qWaitForWindowExposed(&dialog));
            auto* tree = dialog.findChild<QTreeView*>(QStringLiteral("treeView"));
            auto* model = dialog.findChild<QFileSystemModel*>(QStringLiteral("qt_filesystem_model"));
            QVERIFY(tree != nullptr && model != nullptr);
            // The detail view, with the sizes and types read.
            dialog.setViewMode(QFileDialog::Detail);
            QTRY_VERIFY(model->rowCount(tree->rootIndex()) == 2);
            QTRY_VERIFY(!model->index(0, 1, tree->rootIndex()).data().toString().isEmpty());
            QTest::qWait(100);
            QVERIFY(tree->isVisible());
            const QHeaderView* header = tree->header();
            const int shownWidth = tree->viewport()->width();
            for (int c = 0; c < header->count(); ++c) {
                if (header->isSectionHidden(c))
                    continue;
                const QString column = model->headerData(c, Qt::Horizontal).toString();
                const int section = header->sectionSize(c);
                const int left = header->sectionViewportPosition(c);
                const QByteArray what = QByteArray(f.suffix) + ": column " + column.toUtf8();
                // Inside the list, not scrolled off its right edge.
                QVERIFY2(left >= 0 && left + section <= shownWidth,
                         what + " at " + QByteArray::number(left) + "+" + QByteArray::number(section) + " of " +
                             QByteArray::number(shownWidth));
                QVERIFY2(header->sectionSizeHint(c) <= section,
                         what + ": heading " + QByteArray::number(header->sectionSizeHint(c)) +
                             " > " + QByteArray::number(section));
                for (int r = 0; r < model->rowCount(tree->rootIndex()); ++r) {
                    const QModelIndex item = model->index(r, c, tree->rootIndex());
                    // The item as the view draws it: text, icon and margins.
                    QStyleOptionViewItem option;
                    option.initFrom(tree);
                    option.font = tree->font();
                    option.fontMetrics = tree->fontMetrics();
                    option.decorationSize = tree->iconSize().isValid() ? tree->iconSize() : QSize(16, 16);
                    const int need = tree->itemDelegateForIndex(item)->sizeHint(option, item).width();
                    QVERIFY2(need <= section, what + " item \"" + item.data().toString().toUtf8() + "\" needs " +
                                                  QByteArray::number(need) + " > " + QByteArray::number(section));
                }
            }
            const QImage shown = OnScreen(&dialog);
            QVERIFY(!shown.isNull());
            const QString file = QStringLiteral(VELMO_BINARY_DIR "/velmo-open-dialog-columns-%1.png")
                                     .arg(QLatin1String(f.suffix));
            qInfo("screenshot: %s (%dx%d)", qPrintable(file), shown.width(), shown.height());
            QVERIFY(shown.save(file));
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
