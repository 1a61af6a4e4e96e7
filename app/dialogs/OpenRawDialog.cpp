#include "app/dialogs/OpenRawDialog.h"

#include "app/dialogs/RafPreview.h"
#include "exif/ExifDigest.h"
#include "platform/gui/AutoCheckBox.h"
#include "platform/gui/ControlIds.h"
#include "platform/gui/DataExchange.h"
#include "platform/gui/DialogText.h"
#include "res/ResourceIds.h"

#include <QApplication>
#include <QGridLayout>
#include <QLabel>
#include <QPixmap>
#include <QPlainTextEdit>
#include <QScrollBar>
#include <QSplitter>
#include <QTextBlock>
#include <QVBoxLayout>

#include <algorithm>

namespace velmo {

namespace {

// The wait cursor while a file is read.
class WaitCursor {
public:
    WaitCursor() { QApplication::setOverrideCursor(Qt::WaitCursor); }
    ~WaitCursor() { QApplication::restoreOverrideCursor(); }
    WaitCursor(const WaitCursor&) = delete;
    WaitCursor& operator=(const WaitCursor&) = delete;
};

bool IsRafName(const QString& path)
{
    return path.right(4).toUpper() == QStringLiteral(".RAF");
}

} // namespace

COpenRawDialog::COpenRawDialog(const FileDialogSetup& setup, QWidget* parent)
    : CFileDialogBase(parent, true, setup)
{
    BuildPanel();
    connect(this, &QFileDialog::currentChanged, this, &COpenRawDialog::OnFileNameChange);
}

void COpenRawDialog::BuildPanel()
{
    panel = new QWidget(this);
    panel->setObjectName(QStringLiteral("rawPreviewPanel"));

    // The preview area: 4:3 like the cameras' previews, sized by the font so
    // that it grows with the dialog font.
    const int previewHeight = fontMetrics().height() * 8;
    const int previewWidth = previewHeight * 4 / 3;
    previewStatic = new QLabel(panel);
    previewStatic->setFixedSize(previewWidth, previewHeight);
    SetControlCaption(previewStatic, IDD_OPEN_PREVIEW, IDC_OPEN_PREVIEW_PICTURE);
    previewStatic->setText(QString());
    SetControlTips(previewStatic, IDS_TIP_OPEN_PREVIEW_PICTURE);

    embeddedCheck = new AutoCheckBox(QString(), false, panel);
    SetControlCaption(embeddedCheck, IDD_OPEN_PREVIEW, IDC_OPEN_EMBEDDED_PREVIEW);
    SetControlTips(embeddedCheck, IDS_TIP_OPEN_PREVIEW);

    exifEdit = new QPlainTextEdit(panel);
    exifEdit->setReadOnly(true);
    exifEdit->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    exifEdit->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    exifEdit->setLineWrapMode(QPlainTextEdit::WidgetWidth);
    exifEdit->setMinimumWidth(previewWidth);
    exifEdit->setMinimumHeight(fontMetrics().lineSpacing() * 10);
    SetControlCaption(exifEdit, IDD_OPEN_PREVIEW, IDC_OPEN_EXIF_TEXT);
    SetControlTips(exifEdit, IDS_TIP_OPEN_EXIF_TEXT);

    allCheck = new AutoCheckBox(QString(), false, panel);
    SetControlCaption(allCheck, IDD_OPEN_PREVIEW, IDC_OPEN_EXIF_ALL);
    SetControlTips(allCheck, IDS_TIP_OPEN_EXIF_ALL);

    auto* column = new QVBoxLayout(panel);
    column->setContentsMargins(0, 0, 0, 0);
    column->addWidget(previewStatic, 0, Qt::AlignHCenter);
    column->addWidget(embeddedCheck);
    column->addWidget(exifEdit, 1);
    column->addWidget(allCheck);

    // Beside the file list, in the dialog's splitter when it has one.
    if (auto* splitter = findChild<QSplitter*>(QStringLiteral("splitter"))) {
        splitter->addWidget(panel);
        const int index = splitter->indexOf(panel);
        splitter->setStretchFactor(index, 0);
        splitter->setCollapsible(index, false);
    } else if (auto* grid = qobject_cast<QGridLayout*>(layout())) {
        grid->addWidget(panel, 0, grid->columnCount(), grid->rowCount(), 1);
    }
    // Room for the panel and for the file list's columns at the dialog font.
    const QFontMetrics metrics = fontMetrics();
    resize(std::max(size().width(), metrics.averageCharWidth() * 90) + panel->sizeHint().width(),
           std::max({size().height(), sizeHint().height(), metrics.lineSpacing() * 24}));

    connect(embeddedCheck, &QAbstractButton::clicked, this, &COpenRawDialog::OnEmbeddedPreviewClicked);
    connect(allCheck, &QAbstractButton::clicked, this, &COpenRawDialog::OnAllClicked);

    previewImage = QImage(previewWidth, previewHeight, QImage::Format_RGB888);
    previewImage.fill(Qt::black);
    ShowPicture();
    UpdateData(false);
}

bool COpenRawDialog::UpdateData(bool saveAndValidate)
{
    return RunDataExchange(panel, saveAndValidate, [this](CDataExchange& dx) {
        DDX_Check(dx, IDC_OPEN_EMBEDDED_PREVIEW, embeddedPreview);
        DDX_Check(dx, IDC_OPEN_EXIF_ALL, allExif);
    });
}

void COpenRawDialog::OnFileNameChange(const QString& path)
{
    currentPath = path;
    UpdateData(true);
    const QSize area = previewStatic->size();
    RafPreview preview;
    if (IsRafName(path)) {
        WaitCursor wait;
        preview = ReadRafPreview(path.toStdString(), area.width(), area.height(), embeddedPreview != 0);
    } else {
        preview = ReadRafPreview(path.toStdString(), area.width(), area.height(), false);
    }

    previewImage = QImage(preview.pixels.data(), area.width(), area.height(), area.width() * 3,
                          QImage::Format_BGR888)
                       .copy();
    ShowPicture();

    if (preview.replaceText) {
        const size_t first = FirstVisibleLine();
        exifLines = std::move(preview.lines);
        ShowExifText(first);
    }
}

void COpenRawDialog::OnEmbeddedPreviewClicked()
{
    UpdateData(true);
    if (embeddedPreview != 0)
        OnFileNameChange(currentPath);
}

void COpenRawDialog::OnAllClicked()
{
    const std::vector<size_t> before = shownLines;
    const size_t first = FirstVisibleLine();
    UpdateData(true);
    ShowExifText(0);
    ScrollToLine(FirstLineAfterToggle(before, shownLines, first));
}

void COpenRawDialog::ShowExifText(size_t firstLine)
{
    static const std::vector<std::string> none;
    shownLines = ExifDigestLines(exifLines, allExif != 0, allExif != 0 ? none : DigestNames());
    exifEdit->setPlainText(QString::fromLatin1(ExifPaneText(exifLines, shownLines)));
    ScrollToLine(firstLine);
}

size_t COpenRawDialog::FirstVisibleLine() const
{
    if (exifEdit->document()->isEmpty())
        return 0;
    const int block = exifEdit->cursorForPosition(QPoint(1, 3)).blockNumber();
    return block < 0 ? 0 : size_t(block);
}

void COpenRawDialog::ScrollToLine(size_t line)
{
    const int blocks = exifEdit->document()->blockCount();
    const QTextBlock block = exifEdit->document()->findBlockByNumber(std::min(int(line), blocks - 1));
    // From the end back to the line: the view scrolls just far enough to
    // show it, which puts it at the top.
    QTextCursor cursor(exifEdit->document());
    cursor.movePosition(QTextCursor::End);
    exifEdit->setTextCursor(cursor);
    exifEdit->ensureCursorVisible();
    exifEdit->setTextCursor(QTextCursor(block.isValid() ? block : exifEdit->document()->firstBlock()));
    exifEdit->ensureCursorVisible();
    if (line == 0)
        exifEdit->verticalScrollBar()->setValue(0);
}

void COpenRawDialog::showEvent(QShowEvent* event)
{
    CFileDialogBase::showEvent(event);
    if (arranged)
        return;
    arranged = true;
    // The places and the panel as wide as they ask, the files the rest.
    auto* splitter = findChild<QSplitter*>(QStringLiteral("splitter"));
    if (splitter == nullptr || splitter->indexOf(panel) < 0)
        return;
    QList<int> sizes = splitter->sizes();
    const int panelIndex = splitter->indexOf(panel);
    int rest = splitter->width() - splitter->handleWidth() * (int(sizes.size()) - 1);
    for (int i = 0; i < sizes.size(); ++i)
        if (i == panelIndex || (i == 0 && sizes.size() > 2)) {
            sizes[i] = splitter->widget(i)->sizeHint().width();
            rest -= sizes[i];
        }
    for (int i = 0; i < sizes.size(); ++i)
        if (i != panelIndex && !(i == 0 && sizes.size() > 2))
            sizes[i] = std::max(rest, 0);
    splitter->setSizes(sizes);
}

void COpenRawDialog::ShowPicture()
{
    previewStatic->setPixmap(QPixmap::fromImage(previewImage));
}

} // namespace velmo
