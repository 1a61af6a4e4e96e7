#include "app/palettes/LensPanel.h"

#include "app/palettes/FeatureControlIds.h"
#include "document/VelmoDoc.h"
#include "platform/gui/AutoCheckBox.h"
#include "platform/gui/ControlIds.h"
#include "platform/gui/ControlUnit.h"
#include "platform/gui/DialogText.h"
#include "res/ResourceIds.h"

#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QToolButton>
#include <QVBoxLayout>

namespace velmo {

namespace {

struct LensUnitIds {
    LensControl control;
    unsigned editId, sliderId, spinId;
    const char* caption;
};

constexpr LensUnitIds kLensUnits[] = {
    {LensControl::Distortion, IDC_LENS_DISTORTION_EDIT, IDC_LENS_DISTORTION_SLIDER, IDC_LENS_DISTORTION_SPIN, "Distortion"},
    {LensControl::ChromaRed, IDC_LENS_RED_EDIT, IDC_LENS_RED_SLIDER, IDC_LENS_RED_SPIN, "Red"},
    {LensControl::ChromaBlue, IDC_LENS_BLUE_EDIT, IDC_LENS_BLUE_SLIDER, IDC_LENS_BLUE_SPIN, "Blue"},
    {LensControl::VignetteAmount, IDC_LENS_AMOUNT_EDIT, IDC_LENS_AMOUNT_SLIDER, IDC_LENS_AMOUNT_SPIN, "Amount"},
    {LensControl::VignetteMidpoint, IDC_LENS_MIDPOINT_EDIT, IDC_LENS_MIDPOINT_SLIDER, IDC_LENS_MIDPOINT_SPIN,
     "Midpoint"},
    {LensControl::StretchX, IDC_LENS_X_EDIT, IDC_LENS_X_SLIDER, IDC_LENS_X_SPIN, "X"},
    {LensControl::StretchY, IDC_LENS_Y_EDIT, IDC_LENS_Y_SLIDER, IDC_LENS_Y_SPIN, "Y"},
    {LensControl::Coefficient, IDC_LENS_COEFFICIENT_EDIT, IDC_LENS_COEFFICIENT_SLIDER, IDC_LENS_COEFFICIENT_SPIN,
     "Coefficient"},
};

ControlRow RowOf(const LensUnitIds& ids, unsigned dialogId, bool fisheye)
{
    const LensControlRange range = LensRange(ids.control, fisheye);
    ControlRow row;
    row.editId = ids.editId;
    row.sliderId = ids.sliderId;
    row.spinId = ids.spinId;
    row.caption = ids.caption;
    row.sliderMin = range.min;
    row.sliderMax = range.max;
    row.pageSize = range.pageSize;
    row.ticStep = range.ticStep;
    row.spinRange = UpDownRange{range.min, range.max};
    row.editRange = ValueRange{double(range.min), double(range.max)};
    row.dialogId = dialogId;
    return row;
}

} // namespace

CLensPanel::CLensPanel(CVelmoDoc& document, unsigned dialogId, QWidget* parent)
    : CFeaturePanel(FeatureKind::LensCorrection, document, parent), editor(document.Edit()), captionDialogId(dialogId)
{
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(4, 4, 4, 4);
    layout->addWidget(MakeHeader(dialogId, ID_LENS_ENABLE, ID_POPUP_LENS_MENU));

    shownFisheye = editor.Fisheye();
    auto makeUnit = [&](LensControl control, QWidget* parentWidget) {
        const LensUnitIds& ids = kLensUnits[size_t(control)];
        auto* unit = new ControlUnit(RowOf(ids, dialogId, shownFisheye), parentWidget);
        unit->SetListener(this);
        units[size_t(control)] = unit;
        return unit;
    };
    auto makeGroup = [&](unsigned groupId, std::initializer_list<LensControl> controls) {
        auto* group = new QGroupBox(this);
        SetControlCaption(group, dialogId, groupId);
        auto* groupLayout = new QVBoxLayout(group);
        groupLayout->setContentsMargins(6, 4, 6, 4);
        for (LensControl c : controls)
            groupLayout->addWidget(makeUnit(c, group));
        layout->addWidget(group);
        return groupLayout;
    };
    makeGroup(IDC_LENS_GROUP_DISTORTION, {LensControl::Distortion});
    QVBoxLayout* chroma = makeGroup(IDC_LENS_GROUP_CHROMA, {LensControl::ChromaRed, LensControl::ChromaBlue});
    autoButton = new QPushButton(this);
    SetControlCaption(autoButton, dialogId, ID_AUTO_CHROMATIC);
    autoButton->setAutoDefault(false);
    connect(autoButton, &QPushButton::clicked, this, [this] { RunCommand(ID_AUTO_CHROMATIC); });
    chroma->addWidget(autoButton, 0, Qt::AlignRight);
    makeGroup(IDC_LENS_GROUP_VIGNETTE, {LensControl::VignetteAmount, LensControl::VignetteMidpoint});
    makeGroup(IDC_LENS_GROUP_PROPERTY, {LensControl::StretchX, LensControl::StretchY, LensControl::Coefficient});

    fisheyeCheck = new AutoCheckBox(QString(), false, this);
    SetControlCaption(fisheyeCheck, dialogId, IDC_LENS_FISHEYE);
    connect(fisheyeCheck, &QCheckBox::clicked, this, [this] {
        // The mode switch always develops, as the enable check does.
        editor.SetFisheye(fisheyeCheck->State() == BST_CHECKED);
        Countdown().Cancel();
        Develop();
    });
    layout->addWidget(fisheyeCheck);

    focalCaption = new QLabel(this);
    modelCaption = new QLabel(this);
    for (auto [label, id] : {std::pair{focalCaption, IDC_LENS_FOCAL_CAPTION}, std::pair{modelCaption, IDC_LENS_MODEL_CAPTION}}) {
        label->setFrameStyle(QFrame::Panel | QFrame::Sunken);
        SetupControl(label, id, PlainCaption(ControlText(dialogId, id)));
        layout->addWidget(label);
    }
    SetLensInfo(std::string(), 0.0);
    layout->addStretch(1);
    ShowCaptions(shownFisheye);
    Reload();
}

void CLensPanel::SetLensInfo(const std::string& modelName, double focalLength)
{
    modelCaption->setText(QString::fromStdString(LensModelCaption(modelName)));
    focalCaption->setText(QString::fromStdString(LensFocalLengthCaption(focalLength)));
}

void CLensPanel::ShowRanges(bool fisheye)
{
    for (LensControl c : {LensControl::Distortion, LensControl::Coefficient}) {
        const LensControlRange r = LensRange(c, fisheye);
        ControlUnit* unit = Unit(c);
        unit->Slider()->SetRange(r.min, r.max);
        unit->Slider()->SetTicFreq(r.ticStep);
        unit->Slider()->SetPageSize(r.pageSize);
        unit->Spin()->SetRange(r.min, r.max);
        unit->SetEditRange(ValueRange{double(r.min), double(r.max)});
    }
    shownFisheye = fisheye;
    ShowCaptions(fisheye);
}

void CLensPanel::ShowCaptions(bool fisheye)
{
    const struct {
        LensControl control;
        unsigned fisheyeCaption;
    } pairs[] = {{LensControl::Distortion, IDC_LENS_ANGLE_CAPTION}, {LensControl::Coefficient, IDC_LENS_SCALE_CAPTION}};
    for (const auto& pair : pairs) {
        ControlUnit* unit = Unit(pair.control);
        const QString caption = ControlText(captionDialogId, fisheye ? pair.fisheyeCaption : unit->Row().editId);
        if (caption.isEmpty())
            continue;
        unit->Label()->setText(caption);
        const QString name = PlainCaption(caption);
        for (QWidget* w : {static_cast<QWidget*>(unit->Edit()), static_cast<QWidget*>(unit->Slider()),
                           static_cast<QWidget*>(unit->Spin()), static_cast<QWidget*>(unit->Spin()->UpButton()),
                           static_cast<QWidget*>(unit->Spin()->DownButton())})
            w->setAccessibleName(name);
    }
}

void CLensPanel::Reload()
{
    const bool fisheye = editor.Fisheye();
    if (fisheye != shownFisheye) {
        ShowRanges(fisheye);
        // The other pair of fields: the edits show them anew.
        for (LensControl c : {LensControl::Distortion, LensControl::Coefficient})
            Unit(c)->ShowValue(editor.Value(c));
    }
    fisheyeCheck->SetState(fisheye ? BST_CHECKED : BST_UNCHECKED);
    for (size_t i = 0; i < units.size(); ++i)
        ShowUnitValue(*units[i], editor.Value(LensControl(i)));
}

LensControl CLensPanel::ControlOf(const ControlUnit& unit) const
{
    for (size_t i = 0; i < units.size(); ++i)
        if (units[i] == &unit)
            return LensControl(i);
    return LensControl::kCount;
}

void CLensPanel::SliderScrolled(ControlUnit& unit, int code, int position)
{
    const LensControl c = ControlOf(unit);
    if (c == LensControl::kCount)
        return;
    // Only the moved control's field changes; a value typed into another
    // control stays as typed.
    editor.SetValue(c, position);
    AfterSlider(code);
}

void CLensPanel::EditChanged(ControlUnit& unit)
{
    const LensControl c = ControlOf(unit);
    if (c == LensControl::kCount)
        return;
    if (const std::optional<int> v = UnitEditValue(unit))
        editor.SetValue(c, *v);
    AfterTyping();
}

void CLensPanel::ResetFeature()
{
    editor.Reset();
    ApplyNow();
}

} // namespace velmo
