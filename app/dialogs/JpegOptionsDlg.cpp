#include "app/dialogs/JpegOptionsDlg.h"

#include "platform/gui/AutoCheckBox.h"
#include "platform/gui/ControlIds.h"
#include "platform/gui/ControlUnit.h"
#include "platform/gui/DataExchange.h"
#include "platform/gui/DialogFont.h"
#include "platform/gui/DialogText.h"
#include "platform/gui/TrackBar.h"
#include "res/ResourceIds.h"

#include <QDialogButtonBox>
#include <QGridLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

namespace velmo {

CJpegOptionsDlg::CJpegOptionsDlg(QWidget* parent) : QDialog(parent)
{
    setObjectName(QStringLiteral("JpegOptionsDlg"));
    ApplyDialogFont(this);
    setWindowTitle(DialogTitle(IDD_JPEG_OPTIONS));

    auto* label = new QLabel(this);
    SetControlCaption(label, IDD_JPEG_OPTIONS, IDC_JPEG_QUALITY_LABEL);
    const QString qualityName = PlainCaption(label->text());

    qualitySlider = new TrackBar(Qt::Horizontal, this);
    SetControlId(qualitySlider, IDC_JPEG_QUALITY_SLIDER);
    qualitySlider->setAccessibleName(qualityName);
    SetControlTips(qualitySlider, IDS_TIP_JPEG_QUALITY);
    qualitySlider->setTickPosition(QSlider::TicksBelow);
    qualitySlider->setMinimumWidth(fontMetrics().averageCharWidth() * 30);

    qualityEdit = new QLineEdit(this);
    SetControlId(qualityEdit, IDC_JPEG_QUALITY_EDIT);
    qualityEdit->setAccessibleName(qualityName);
    SetControlTips(qualityEdit, IDS_TIP_JPEG_QUALITY);
    qualityEdit->setFixedWidth(fontMetrics().horizontalAdvance(QStringLiteral("00000")) + fontMetrics().height());
    qualityEdit->setAlignment(Qt::AlignRight);
    label->setBuddy(qualityEdit);

    progressiveCheck = new AutoCheckBox(QString(), false, this);
    SetControlCaption(progressiveCheck, IDD_JPEG_OPTIONS, IDC_JPEG_PROGRESSIVE);
    SetControlTips(progressiveCheck, IDS_TIP_JPEG_PROGRESSIVE);

    auto* buttons = new QDialogButtonBox(this);
    QPushButton* ok = buttons->addButton(QString(), QDialogButtonBox::AcceptRole);
    QPushButton* cancel = buttons->addButton(QString(), QDialogButtonBox::RejectRole);
    SetControlCaption(ok, IDD_JPEG_OPTIONS, IDC_OK);
    SetControlCaption(cancel, IDD_JPEG_OPTIONS, IDC_CANCEL);
    ok->setDefault(true);
    connect(buttons, &QDialogButtonBox::accepted, this, &CJpegOptionsDlg::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);

    auto* grid = new QGridLayout;
    grid->addWidget(label, 0, 0);
    grid->addWidget(qualitySlider, 0, 1);
    grid->addWidget(qualityEdit, 0, 2);
    grid->addWidget(progressiveCheck, 1, 0, 1, 3);
    grid->setColumnStretch(1, 1);
    auto* column = new QVBoxLayout(this);
    column->addLayout(grid);
    column->addStretch(1);
    column->addWidget(buttons);
    column->setSizeConstraint(QLayout::SetMinimumSize);

    // The user's edits only: loading the controls must not start another exchange.
    connect(qualityEdit, &QLineEdit::textEdited, this, [this] { OnQualityEdited(); });
    qualitySlider->SetScrollHandler([this](int, int) { OnSliderMoved(); });
}

void CJpegOptionsDlg::setVisible(bool visible)
{
    if (visible && !initialised) {
        initialised = true;
        OnInitDialog();
    }
    QDialog::setVisible(visible);
}

void CJpegOptionsDlg::OnInitDialog()
{
    qualitySlider->SetRange(kJpegQualityMin, kJpegQualityMax);
    qualitySlider->SetTicFreq(10);
    // A Win32 trackbar's page is a fifth of its range.
    qualitySlider->SetPageSize((kJpegQualityMax - kJpegQualityMin) / 5);
    sliderPos = quality;
    UpdateData(false);
}

bool CJpegOptionsDlg::UpdateData(bool saveAndValidate)
{
    return RunDataExchange(this, saveAndValidate, [this](CDataExchange& dx) {
        DDX_Text(dx, IDC_JPEG_QUALITY_EDIT, quality);
        DDV_MinMaxInt(dx, quality, kJpegQualityMin, kJpegQualityMax);
        DDX_Slider(dx, IDC_JPEG_QUALITY_SLIDER, sliderPos);
        DDX_Check(dx, IDC_JPEG_PROGRESSIVE, progressive);
    });
}

void CJpegOptionsDlg::OnQualityEdited()
{
    // An emptied edit is a number not yet typed: OK still refuses it.
    if (qualityEdit->text().trimmed().isEmpty())
        return;
    if (!UpdateData(true))
        return;
    sliderPos = quality;
    UpdateData(false);
}

void CJpegOptionsDlg::OnSliderMoved()
{
    // The slider's position wins over whatever the edit holds, so a refused
    // entry there does not bring up its message again at every step.
    RunDataExchange(this, true, [this](CDataExchange& dx) {
        DDX_Slider(dx, IDC_JPEG_QUALITY_SLIDER, sliderPos);
        DDX_Check(dx, IDC_JPEG_PROGRESSIVE, progressive);
    });
    quality = sliderPos;
    UpdateData(false);
}

void CJpegOptionsDlg::accept()
{
    if (!UpdateData(true))
        return;
    QDialog::accept();
}

bool RunJpegOptionsDialog(QWidget* parent, int& quality, int& progressive)
{
    CJpegOptionsDlg dialog(parent);
    dialog.quality = quality;
    dialog.progressive = progressive;
    if (dialog.DoModal() != QDialog::Accepted)
        return false;
    quality = dialog.quality;
    progressive = dialog.progressive;
    return true;
}

} // namespace velmo
