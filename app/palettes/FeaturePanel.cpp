#include "app/palettes/FeaturePanel.h"

#include "app/MainFrame.h"
#include "app/palettes/ParamBar.h"
#include "document/VelmoDoc.h"
#include "platform/gui/AutoCheckBox.h"
#include "platform/gui/ControlUnit.h"
#include "platform/gui/DataExchange.h"
#include "platform/gui/DialogText.h"
#include "platform/gui/FileMenuButtons.h"
#include "platform/gui/TrackBarCodes.h"
#include "res/ResourceIds.h"

#include <QHBoxLayout>

#include <cmath>

namespace velmo {

CFeaturePanel::CFeaturePanel(FeatureKind featureKind, CVelmoDoc& document, QWidget* parent)
    : QWidget(parent), kind(featureKind), doc(document), timer(countdown, [this] { ApplyNow(); }, this)
{
    subscription = doc.Edit().Subscribe([this](const EditChange& change) {
        if (!Concerns(change))
            return;
        if (enableCheck != nullptr)
            enableCheck->SetState(FeatureOn() ? BST_CHECKED : BST_UNCHECKED);
        Reload();
    });
    timer.Start();
}

CFeaturePanel::~CFeaturePanel() = default;

bool CFeaturePanel::FeatureOn() const
{
    return doc.Edit().FeatureOn(kind);
}

CMainFrame* CFeaturePanel::Frame() const
{
    for (QWidget* w = parentWidget(); w != nullptr; w = w->parentWidget())
        if (auto* frame = dynamic_cast<CMainFrame*>(w))
            return frame;
    return nullptr;
}

void CFeaturePanel::RunCommand(unsigned id) const
{
    if (CMainFrame* frame = Frame())
        frame->ExecuteCommand(id);
}

void CFeaturePanel::SetPageHooks(std::function<void()> arm, std::function<void()> apply)
{
    armHook = std::move(arm);
    applyHook = std::move(apply);
    timer.Stop();
}

void CFeaturePanel::Develop()
{
    if (applyHook) {
        applyHook();
        return;
    }
    // The tool palettes develop through the classic parameters palette's
    // apply, which also takes what was typed there.
    CMainFrame* frame = Frame();
    if (auto* params = frame != nullptr ? dynamic_cast<CParamBar*>(frame->Palette(ID_VIEW_PARAMS)) : nullptr)
        params->Apply();
    else
        doc.OnParametersChanged();
}

void CFeaturePanel::Arm()
{
    if (armHook)
        armHook();
    else
        countdown.Arm();
}

void CFeaturePanel::ApplyNow()
{
    countdown.Cancel();
    if (!CheckTypedValues())
        return;
    if (FeatureOn())
        Develop();
}

bool CFeaturePanel::CheckTypedValues()
{
    return RunDataExchange(this, true, [this](CDataExchange& dx) {
        for (const QWidget* w : findChildren<QWidget*>()) {
            if (const auto* unit = dynamic_cast<const ControlUnit*>(w)) {
                int value = 0;
                unit->ExchangeValue(dx, value);
            }
        }
    });
}

QWidget* CFeaturePanel::MakeHeader(unsigned dialogId, unsigned enableId, unsigned popupButtonId)
{
    auto* row = new QWidget(this);
    auto* layout = new QHBoxLayout(row);
    layout->setContentsMargins(0, 0, 0, 0);
    enableCheck = new AutoCheckBox(QString(), false, row);
    SetControlCaption(enableCheck, dialogId, enableId);
    enableCheck->SetState(FeatureOn() ? BST_CHECKED : BST_UNCHECKED);
    connect(enableCheck, &QCheckBox::clicked, this, [this] { OnEnableClicked(); });
    layout->addWidget(enableCheck, 1);
    if (const std::optional<FileMenuInfo> info = FileMenuForButton(popupButtonId)) {
        fileButtons = new FileMenuButtons(
            *info, [this](unsigned id) { RunCommand(id); },
            [this] {
                CMainFrame* frame = Frame();
                return frame != nullptr ? frame->Route() : CommandRoute();
            },
            row);
        layout->addWidget(fileButtons);
    }
    return row;
}

void CFeaturePanel::OnEnableClicked()
{
    // Switching the feature on or off always develops.
    doc.Edit().SetFeature(kind, enableCheck->State() == BST_CHECKED);
    countdown.Cancel();
    Develop();
}

bool CFeaturePanel::Concerns(const EditChange& change) const
{
    switch (change.target) {
    case EditTarget::Feature: return change.feature == kind;
    case EditTarget::FreeCurve: return kind == FeatureKind::FreeCurve;
    case EditTarget::Lens: return kind == FeatureKind::LensCorrection;
    case EditTarget::SelectiveColors: return kind == FeatureKind::SelectiveColors;
    // The hue model changes the colour strips; the green enhancer too.
    case EditTarget::Switch: return kind == FeatureKind::SelectiveColors && change.switchId == SwitchId::UseHLS;
    case EditTarget::Params: return kind == FeatureKind::SelectiveColors && change.Changed(ParamField::iEnhGreen);
    }
    return false;
}

void CFeaturePanel::AfterSlider(int code)
{
    if (!FeatureOn())
        return;
    const int prv = doc.Edit().Switch(SwitchId::CheckPrv);
    if ((prv == kPrvLive && code == TB_THUMBTRACK) || code == TB_ENDTRACK)
        ApplyNow();
    else
        Arm();
}

std::optional<int> CFeaturePanel::UnitEditValue(const ControlUnit& unit)
{
    const std::optional<int> value = ParseIntText(unit.Edit()->text().toStdString());
    const std::optional<ValueRange>& range = unit.Row().editRange;
    if (value && range && (*value < range->min || *value > range->max))
        return std::nullopt;
    return value;
}

void CFeaturePanel::ShowUnitValue(ControlUnit& unit, int value)
{
    if (unit.Slider() != nullptr)
        unit.Slider()->SetPos(value);
    if (UnitEditValue(unit) != value)
        unit.ShowEditValue(value);
}

} // namespace velmo
