#include "app/palettes/FeaturePanel.h"

#include "document/VelmoDoc.h"
#include "params/ParamFields.h"
#include "platform/gui/AutoCheckBox.h"
#include "platform/gui/ControlUnit.h"
#include "platform/gui/DataExchange.h"
#include "platform/gui/FileMenuButtons.h"
#include "platform/gui/TrackBarCodes.h"
#include "res/ResourceIds.h"

#include <QHBoxLayout>

#include <cmath>

namespace velmo {

CFeaturePanel::CFeaturePanel(FeatureKind featureKind, CVelmoDoc& document, unsigned captionDialogId, QWidget* parent)
    : QWidget(parent), kind(featureKind), doc(document), captionDialog(captionDialogId),
      timer(countdown, [this] {
          // A number still being typed waits, still pending; leaving its
          // edit or applying reports it.
          if (TypedValuesReady())
              ApplyNow();
          else
              countdown.Arm();
      }, this)
{
    subscription = doc.Edit().Subscribe([this](const EditChange& change) {
        // The state was developed: an edit waiting for the countdown is in it.
        if (change.target == EditTarget::Refresh)
            countdown.Cancel();
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
    // The document's command: what is typed in a parameters palette goes
    // with it.
    doc.ApplyEdits();
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

bool CFeaturePanel::TypedValuesReady() const
{
    for (const QWidget* w : findChildren<QWidget*>())
        if (const auto* unit = dynamic_cast<const ControlUnit*>(w); unit != nullptr && !unit->TypedValueReady())
            return false;
    return true;
}

ControlRow CFeaturePanel::Row(unsigned id) const
{
    ControlRow row = *ControlRowById(id);
    row.dialogId = captionDialog;
    return row;
}

QWidget* CFeaturePanel::Make(unsigned id, QWidget* parent)
{
    return MakeRowControl(Row(id), parent);
}

ControlUnit* CFeaturePanel::MakeUnit(const ControlRow& tableRow, ControlUnitListener* listener, QWidget* parent)
{
    ControlRow row = tableRow;
    row.dialogId = captionDialog;
    auto* unit = new ControlUnit(row, parent);
    unit->SetListener(listener);
    return unit;
}

void CFeaturePanel::Setup(QWidget* control, unsigned id) const
{
    SetupRowControl(control, Row(id));
}

QWidget* CFeaturePanel::MakeHeader(unsigned enableId, unsigned popupButtonId)
{
    auto* row = new QWidget(this);
    auto* layout = new QHBoxLayout(row);
    layout->setContentsMargins(0, 0, 0, 0);
    enableCheck = static_cast<AutoCheckBox*>(Make(enableId, row));
    enableCheck->SetState(FeatureOn() ? BST_CHECKED : BST_UNCHECKED);
    connect(enableCheck, &QCheckBox::clicked, this, [this] { OnEnableClicked(); });
    layout->addWidget(enableCheck, 1);
    if (const std::optional<FileMenuInfo> info = FileMenuForButton(popupButtonId)) {
        fileButtons = new FileMenuButtons(
            *info, [this](unsigned id) { RunCommand(id); }, [this] { return commands.Route(); }, row);
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
    case EditTarget::Refresh: return true;
    case EditTarget::Commit: return false;
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
