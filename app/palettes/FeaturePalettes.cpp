#include "app/palettes/FeaturePalettes.h"

#include "app/palettes/FeaturePanel.h"
#include "app/palettes/FreeCurvePanel.h"
#include "app/palettes/LensPanel.h"
#include "app/palettes/SelColorPanel.h"
#include "document/VelmoDoc.h"
#include "platform/gui/AutoCheckBox.h"
#include "params/ParamFields.h"
#include "platform/gui/ControlUnit.h"
#include "res/ResourceIds.h"

#include <QHBoxLayout>
#include <QPushButton>
#include <QVBoxLayout>

namespace velmo {

CFeatureBar::CFeatureBar(unsigned barViewId, const char* objectName, const QString& caption, unsigned dialogId,
                         Parts parts, PaletteCommands paletteCommands, QWidget* parent)
    : CPaletteDock(barViewId, QString::fromLatin1(objectName), caption, parts.body, parent), panel(parts.panel)
{
    panel->SetCommands(std::move(paletteCommands));
    auto* layout = new QVBoxLayout(parts.body);
    layout->setContentsMargins(0, 0, 0, 4);
    layout->addWidget(panel, 1);
    auto* row = new QHBoxLayout;
    row->setContentsMargins(4, 0, 4, 0);
    auto make = [&](unsigned id) {
        ControlRow r = *ControlRowById(id);
        r.dialogId = dialogId;
        return MakeRowControl(r, parts.body);
    };
    prvCheck = static_cast<AutoCheckBox*>(make(IDC_CHECK_PRV));
    row->addWidget(prvCheck);
    row->addStretch(1);
    resetButton = static_cast<QPushButton*>(make(ID_RESET));
    row->addWidget(resetButton);
    applyButton = static_cast<QPushButton*>(make(IDC_APPLY));
    applyButton->setDefault(true);
    row->addWidget(applyButton);
    layout->addLayout(row);

    CVelmoDoc& doc = panel->Doc();
    prvCheck->SetState(doc.Edit().Switch(SwitchId::CheckPrv));
    connect(prvCheck, &QCheckBox::clicked, this, [this, &doc] {
        doc.Edit().SetSwitch(SwitchId::CheckPrv, prvCheck->State());
        if (prvCheck->State() != 0)
            panel->ApplyNow();
    });
    subscription = doc.Edit().Subscribe([this](const EditChange& change) { OnEditChange(change); });
    connect(resetButton, &QPushButton::clicked, this, [this] { panel->ResetFeature(); });
    connect(applyButton, &QPushButton::clicked, this, [this] { panel->ApplyNow(); });
    // "&Apply" is enabled only while an edit waits for its development.
    buttonTimer.setInterval(100);
    connect(&buttonTimer, &QTimer::timeout, this, [this] { UpdateButtons(); });
    buttonTimer.start();
    UpdateButtons();
}

void CFeatureBar::UpdateButtons()
{
    applyButton->setEnabled(panel->Countdown().Pending());
}

bool CFeatureBar::OnCmdMsg(unsigned id, CCmdUI* ui)
{
    if (ui != nullptr && id == IDC_APPLY) {
        ui->Enable(panel->Countdown().Pending());
        return true;
    }
    return panel->OnCmdMsg(id, ui);
}

void CFeatureBar::OnEditChange(const EditChange& change)
{
    const EditState& state = panel->Doc().Edit();
    if (change.target == EditTarget::Switch && change.switchId == SwitchId::CheckPrv) {
        prvCheck->SetState(state.Switch(SwitchId::CheckPrv));
        return;
    }
    // The user switched the feature in the classic UI: the palette comes
    // forward (and shows itself when the feature went on).
    if (change.target != EditTarget::Feature || change.feature != panel->Kind() || !change.toggled ||
        state.Switch(SwitchId::UseOldUI) == 0)
        return;
    if (state.FeatureOn(change.feature) && isHidden())
        show();
    if (isVisible())
        setFocus();
}

namespace {

template <class Panel>
CFeatureBar::Parts NewParts(CVelmoDoc& doc, unsigned dialogId)
{
    auto* body = new QWidget;
    return {body, new Panel(doc, dialogId, body)};
}

} // namespace

CFreeCurveBar::CFreeCurveBar(const QString& caption, CVelmoDoc& doc, PaletteCommands paletteCommands, QWidget* parent)
    : CFeatureBar(ID_VIEW_FREECURVE, "FreeCurveBar", caption, IDD_FREECURVE_BAR,
                  NewParts<CFreeCurvePanel>(doc, IDD_FREECURVE_BAR), std::move(paletteCommands), parent)
{
}

CFreeCurvePanel* CFreeCurveBar::CurvePanel() const
{
    return static_cast<CFreeCurvePanel*>(Panel());
}

CLensBar::CLensBar(const QString& caption, CVelmoDoc& doc, PaletteCommands paletteCommands, QWidget* parent)
    : CFeatureBar(ID_VIEW_LENS, "LensBar", caption, IDD_LENS_BAR, NewParts<CLensPanel>(doc, IDD_LENS_BAR),
                  std::move(paletteCommands), parent)
{
}

CLensPanel* CLensBar::LensPanel() const
{
    return static_cast<CLensPanel*>(Panel());
}

CSelColorBar::CSelColorBar(const QString& caption, CVelmoDoc& doc, PaletteCommands paletteCommands, QWidget* parent)
    : CFeatureBar(ID_VIEW_SELCOLOR, "SelColorBar", caption, IDD_SELCOLOR_BAR,
                  NewParts<CSelColorPanel>(doc, IDD_SELCOLOR_BAR), std::move(paletteCommands), parent)
{
}

CSelColorPanel* CSelColorBar::ColorPanel() const
{
    return static_cast<CSelColorPanel*>(Panel());
}

} // namespace velmo
