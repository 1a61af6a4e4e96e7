#include "app/palettes/ParamBar.h"

#include "app/MainFrame.h"
#include "document/VelmoDoc.h"
#include "platform/gui/ControlIds.h"
#include "platform/gui/ControlUnit.h"
#include "res/ResourceIds.h"
#include "res/StringTable.h"

#include <QHBoxLayout>
#include <QLineEdit>
#include <QPushButton>
#include <QScrollArea>
#include <QScrollBar>
#include <QVBoxLayout>

namespace velmo {

CParamBar::CParamBar(CMainFrame* frame, CVelmoDoc& document, const QString& caption, QWidget* parent)
    : CPaletteDock(ID_VIEW_PARAMS, QStringLiteral("ParamBar"), caption, new QWidget, parent), doc(document)
{
    CParamControls::Options options;
    options.classic = true;
    options.dialogId = IDD_PARAM_BAR;
    if (frame != nullptr) {
        options.commands = [frame](unsigned id) { frame->ExecuteCommand(id); };
        options.route = [frame] { return frame->Route(); };
        options.holdMagnifier = [frame](bool hold) { frame->HoldMagnifier(hold); };
    }
    params = std::make_unique<CParamControls>(&doc, std::move(options));
    params->onCountdownChanged = [this] { UpdateApplyButton(); };

    QWidget* body = widget();
    auto* layout = new QVBoxLayout(body);
    layout->setContentsMargins(4, 4, 4, 4);
    auto* scroll = new QScrollArea(body);
    scroll->setFrameShape(QFrame::NoFrame);
    scroll->setWidgetResizable(true);
    scroll->setWidget(params->BuildClassicBody(nullptr));
    layout->addWidget(scroll, 1);

    QHBoxLayout* bottom = params->MakeBottomRow(body, [this] { OnReset(); });
    applyButton = new QPushButton(QString::fromStdString(LoadString(IDS_CAPTION_APPLY)), body);
    SetupControl(applyButton, IDC_APPLY, PlainCaption(applyButton->text()));
    applyButton->setEnabled(false);
    connect(applyButton, &QPushButton::clicked, this, [this] { Apply(); });
    bottom->addWidget(applyButton);
    layout->addLayout(bottom);

    for (QLineEdit* edit : body->findChildren<QLineEdit*>())
        connect(edit, &QLineEdit::returnPressed, this, [this] { Apply(); });

    params->InitControls();
    SetParams(doc.Edit().Params());
    countdownCancels = 0;
    ApplyFont();
}

CParamBar::~CParamBar() = default;

void CParamBar::UpdateApplyButton()
{
    if (applyButton != nullptr)
        applyButton->setEnabled(params->Countdown().Pending());
}

void CParamBar::OnReset()
{
    doc.SetDefaultParameters();
    SetParams(doc.Edit().Params());
    widget()->update();
}

void CParamBar::SetParams(const DevParams& record)
{
    params->SetParams(record);
}

void CParamBar::CancelCountdown()
{
    ++countdownCancels;
    params->CancelCountdown();
}

bool CParamBar::ShowControl(unsigned controlId)
{
    lastShownControl = controlId;
    QWidget* control = FindControl(widget(), controlId);
    if (control == nullptr)
        return false;
    control->setFocus(Qt::OtherFocusReason);
    return true;
}

void CParamBar::FillWhiteBalanceList()
{
    ++whiteBalanceListFills;
    params->FillWhiteBalanceList();
}

bool CParamBar::UpdateData(bool saveAndValidate)
{
    return params->UpdateData(saveAndValidate);
}

void CParamBar::OnFeatureToggled(FeatureKind, bool) {}

void CParamBar::RefreshFeature(FeatureKind) {}

void CParamBar::ApplyFont()
{
    CPaletteDock::ApplyFont();
    if (auto* scroll = widget() != nullptr ? widget()->findChild<QScrollArea*>() : nullptr) {
        if (scroll->widget() != nullptr)
            scroll->setMinimumWidth(scroll->widget()->minimumSizeHint().width() +
                                    scroll->verticalScrollBar()->sizeHint().width());
    }
}

} // namespace velmo
