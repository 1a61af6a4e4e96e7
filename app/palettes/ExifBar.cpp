#include "app/palettes/ExifBar.h"

#include "document/VelmoDoc.h"
#include "exif/ExifDigest.h"
#include "platform/gui/AutoCheckBox.h"
#include "platform/gui/DialogText.h"
#include "res/ResourceIds.h"

#include <QPlainTextEdit>
#include <QScrollBar>
#include <QVBoxLayout>

#include <algorithm>

namespace velmo {

namespace {

class ExifText final : public QPlainTextEdit {
public:
    explicit ExifText(QWidget* parent) : QPlainTextEdit(parent)
    {
        setObjectName(QStringLiteral("ExifText"));
        setReadOnly(true);
        // Read-only, but its lines can be selected and copied.
        setTextInteractionFlags(Qt::TextSelectableByMouse | Qt::TextSelectableByKeyboard);
        setLineWrapMode(QPlainTextEdit::NoWrap);
        setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    }
    QSize sizeHint() const override { return {240, 150}; }
};

} // namespace

CExifBar::CExifBar(unsigned id, const QString& caption, const CVelmoDoc* document, QWidget* parent)
    : CPaletteDock(id, QStringLiteral("ExifBar"), caption, new QWidget, parent), doc(document)
{
    QWidget* body = widget();
    auto* layout = new QVBoxLayout(body);
    layout->setContentsMargins(2, 2, 2, 2);
    layout->setSpacing(2);
    edit = new ExifText(body);
    SetControlCaption(edit, IDD_EXIF_BAR, IDC_EXIF_TEXT);
    layout->addWidget(edit, 1);
    allCheck = new AutoCheckBox(QString(), false, body);
    SetControlCaption(allCheck, IDD_EXIF_BAR, IDC_EXIF_ALL);
    layout->addWidget(allCheck);
    connect(allCheck, &QCheckBox::clicked, this, [this](bool on) { SetAll(on); });

    if (doc == nullptr)
        return;
    // The lines change only with the image.
    subscription = doc->Subscribe([this](DocImageEvent event) {
        if (event == DocImageEvent::Loaded)
            SetExifLines(doc->Image().exifLines);
        else if (event == DocImageEvent::Closed)
            SetExifLines({});
    });
    if (doc->HasImage())
        SetExifLines(doc->Image().exifLines);
}

CExifBar::~CExifBar()
{
    subscription.Reset();
}

void CExifBar::SetExifLines(const std::vector<std::string>& newLines)
{
    lines = newLines;
    OnAllDigest();
}

std::string CExifBar::Text() const
{
    return ExifDigest(&lines, all);
}

void CExifBar::SetAll(bool on)
{
    const size_t top = FirstVisibleLine();
    all = on;
    if (allCheck->isChecked() != on)
        allCheck->setChecked(on);
    OnAllDigest();
    if (top != std::string::npos)
        ScrollToLine(top);
}

void CExifBar::OnAllDigest()
{
    shown = ExifDigestLines(lines, all, DigestNames());
    QString text;
    for (size_t i = 0; i < shown.size(); ++i) {
        if (i != 0)
            text += QLatin1Char('\n');
        text += QString::fromStdString(lines[shown[i]]);
    }
    edit->setPlainText(text);
}

size_t CExifBar::FirstVisibleLine() const
{
    if (shown.empty())
        return std::string::npos;
    // Without wrapping the vertical scroll bar counts lines.
    const size_t top = size_t(std::max(0, edit->verticalScrollBar()->value()));
    return shown[std::min(top, shown.size() - 1)];
}

void CExifBar::ScrollToLine(size_t lineIndex)
{
    const auto next = std::lower_bound(shown.begin(), shown.end(), lineIndex);
    const int row = next == shown.end() ? int(shown.size()) - 1 : int(next - shown.begin());
    edit->verticalScrollBar()->setValue(std::max(0, row));
}

} // namespace velmo
