#include "app/dialogs/ProcessingDlg.h"

#include "platform/gui/ControlIds.h"
#include "platform/gui/DialogFont.h"
#include "platform/gui/DialogText.h"
#include "res/ResourceIds.h"
#include "res/StringTable.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QProgressBar>
#include <QPushButton>
#include <QVBoxLayout>

#include <algorithm>
#include <cstdio>

namespace velmo {

namespace {

std::string ProcessingText(int percent)
{
    char text[256];
    std::snprintf(text, sizeof text, LoadString(IDS_PROCESSING_PERCENT).c_str(), percent);
    return text;
}

} // namespace

CProcessingDlg::CProcessingDlg(const std::string& initialText, QWidget* parent) : QDialog(parent), text(initialText)
{
    setObjectName(QStringLiteral("ProcessingDlg"));
    setModal(false);
    ApplyDialogFont(this);
    setWindowTitle(DialogTitle(IDD_PROCESSING));

    textStatic = new QLabel(this);
    textStatic->setTextFormat(Qt::PlainText);
    SetControlId(textStatic, IDC_PROCESSING_TEXT);
    // Wide enough for every text it shows.
    int textWidth = fontMetrics().horizontalAdvance(QString::fromStdString(LoadString(IDS_ABORTING)));
    textWidth = std::max(textWidth, fontMetrics().horizontalAdvance(QString::fromStdString(ProcessingText(100))));
    textWidth = std::max(textWidth, fontMetrics().horizontalAdvance(QString::fromStdString(initialText)));
    textStatic->setMinimumWidth(textWidth);

    progress = new QProgressBar(this);
    SetControlCaption(progress, IDD_PROCESSING, IDC_PROCESSING_PROGRESS);
    SetControlTips(progress, IDS_TIP_PROCESSING_PROGRESS);
    progress->setTextVisible(false);
    progress->setMinimumWidth(fontMetrics().averageCharWidth() * 40);

    cancelButton = new QPushButton(this);
    SetControlCaption(cancelButton, IDD_PROCESSING, IDC_CANCEL);
    SetControlTips(cancelButton, IDS_TIP_PROCESSING_CANCEL);
    cancelButton->setAutoDefault(false);
    connect(cancelButton, &QPushButton::clicked, this, &CProcessingDlg::reject);

    auto* buttons = new QHBoxLayout;
    buttons->addStretch(1);
    buttons->addWidget(cancelButton);
    auto* column = new QVBoxLayout(this);
    column->addWidget(textStatic);
    column->addWidget(progress);
    column->addLayout(buttons);
    column->setSizeConstraint(QLayout::SetMinimumSize);

    OnInitDialog();
    show();
}

void CProcessingDlg::OnInitDialog()
{
    progress->setRange(0, 100);
    progress->setValue(0);
    UpdateData(false);
}

bool CProcessingDlg::UpdateData(bool saveAndValidate)
{
    // A static's text only goes to the control.
    if (!saveAndValidate) {
        textStatic->setText(QString::fromStdString(text));
        textStatic->setAccessibleName(textStatic->text());
    }
    return true;
}

void CProcessingDlg::SetProgress(int percent)
{
    percent = std::clamp(percent, 0, 100);
    progress->setValue(percent);
    // After Cancel the window keeps saying so until its caller closes it.
    if (cancelRequested != 0)
        return;
    text = ProcessingText(percent);
    UpdateData(false);
}

void CProcessingDlg::reject()
{
    OnCancel();
}

void CProcessingDlg::OnCancel()
{
    cancelRequested = 1;
    text = LoadString(IDS_ABORTING);
    UpdateData(false);
    cancelButton->setEnabled(false);
}

} // namespace velmo
