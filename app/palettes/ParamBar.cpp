#include "app/palettes/ParamBar.h"

#include "document/VelmoDoc.h"
#include "params/ParamFields.h"
#include "platform/gui/ControlIds.h"
#include "platform/gui/ControlUnit.h"
#include "res/ResourceIds.h"

#include <QHBoxLayout>
#include <QLineEdit>
#include <QPushButton>
#include <QScrollArea>
#include <QVBoxLayout>

namespace velmo {

CParamBar::CParamBar(PaletteCommands paletteCommands, CVelmoDoc& document, const QString& caption, QWidget* parent)
    : CPaletteDock(ID_VIEW_PARAMS, QStringLiteral("ParamBar"), caption, new QWidget, parent), doc(document)
{
    CParamControls::Options options;
    options.classic = true;
    options.dialogId = IDD_PARAM_BAR;
    options.commands = std::move(paletteCommands.run);
    options.route = std::move(paletteCommands.route);
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
    ControlRow applyRow = *ControlRowById(IDC_APPLY);
    applyRow.dialogId = IDD_PARAM_BAR;
    applyButton = static_cast<QPushButton*>(MakeRowControl(applyRow, body));
    applyButton->setEnabled(false);
    connect(applyButton, &QPushButton::clicked, this, [this] { Apply(); });
    bottom->addWidget(applyButton);
    layout->addLayout(bottom);

    for (QLineEdit* edit : body->findChildren<QLineEdit*>())
        connect(edit, &QLineEdit::returnPressed, this, [this] { Apply(); });

    params->InitControls();
    params->SetParams(doc.Edit().Params());
    OnUpdate(IDC_APPLY, [this](CCmdUI& ui) { ui.Enable(params->Countdown().Pending()); });
    ApplyFont();
}

CParamBar::~CParamBar() = default;

bool CParamBar::OnCmdMsg(unsigned id, CCmdUI* ui)
{
    if (ui != nullptr && params->UpdateOwnControl(id, *ui))
        return true;
    return CCmdTarget::OnCmdMsg(id, ui);
}

void CParamBar::UpdateApplyButton()
{
    if (applyButton != nullptr)
        applyButton->setEnabled(params->Countdown().Pending());
}

void CParamBar::OnReset()
{
    doc.SetDefaultParameters();
    params->SetParams(doc.Edit().Params());
    widget()->update();
}

bool CParamBar::ShowControl(unsigned controlId)
{
    QWidget* control = FindControl(widget(), controlId);
    if (control == nullptr)
        return false;
    control->setFocus(Qt::OtherFocusReason);
    return true;
}

void CParamBar::ApplyFont()
{
    CPaletteDock::ApplyFont();
    if (widget() != nullptr)
        FitScrollToPane(widget()->findChild<QScrollArea*>());
}

} // namespace velmo
