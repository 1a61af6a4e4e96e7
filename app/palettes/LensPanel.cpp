#include "app/palettes/LensPanel.h"

#include "document/VelmoDoc.h"
#include "platform/gui/AutoCheckBox.h"
#include "platform/gui/ControlIds.h"
#include "platform/gui/ControlUnit.h"
#include "res/ResourceIds.h"
#include "res/StringTable.h"

#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QToolButton>
#include <QVBoxLayout>

namespace velmo {

CLensPanel::CLensPanel(CVelmoDoc& document, unsigned dialogId, QWidget* parent)
    : CFeaturePanel(FeatureKind::LensCorrection, document, dialogId, parent), editor(document.Edit())
{
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(4, 4, 4, 4);
    layout->addWidget(MakeHeader(ID_LENS_ENABLE, ID_POPUP_LENS_MENU));

    shownFisheye = editor.Fisheye();
    auto makeUnit = [&](LensControl control, QWidget* parentWidget) {
        ControlRow row = LensControlRow(control);
        const SliderRange range = LensRange(control, shownFisheye);
        row.sliderMin = range.min;
        row.sliderMax = range.max;
        row.pageSize = range.pageSize;
        row.ticStep = range.ticStep;
        row.spinRange = UpDownRange{range.min, range.max};
        row.editRange = ValueRange{double(range.min), double(range.max)};
        auto* unit = MakeUnit(row, this, parentWidget);
        units[size_t(control)] = unit;
        return unit;
    };
    auto makeGroup = [&](unsigned groupId, std::initializer_list<LensControl> controls) {
        auto* group = static_cast<QGroupBox*>(Make(groupId, this));
        auto* groupLayout = new QVBoxLayout(group);
        groupLayout->setContentsMargins(6, 4, 6, 4);
        for (LensControl c : controls)
            groupLayout->addWidget(makeUnit(c, group));
        layout->addWidget(group);
        return groupLayout;
    };
    makeGroup(IDC_LENS_GROUP_DISTORTION, {LensControl::Distortion});
    QVBoxLayout* chroma = makeGroup(IDC_LENS_GROUP_CHROMA, {LensControl::ChromaRed, LensControl::ChromaBlue});
    autoButton = static_cast<QPushButton*>(Make(ID_AUTO_CHROMATIC, this));
    connect(autoButton, &QPushButton::clicked, this, [this] { RunCommand(ID_AUTO_CHROMATIC); });
    chroma->addWidget(autoButton, 0, Qt::AlignRight);
    makeGroup(IDC_LENS_GROUP_VIGNETTE, {LensControl::VignetteAmount, LensControl::VignetteMidpoint});
    makeGroup(IDC_LENS_GROUP_PROPERTY, {LensControl::StretchX, LensControl::StretchY, LensControl::Coefficient});

    fisheyeCheck = static_cast<AutoCheckBox*>(Make(IDC_LENS_FISHEYE, this));
    connect(fisheyeCheck, &QCheckBox::clicked, this, [this] {
        // The mode switch always develops, as the enable check does.
        editor.SetFisheye(fisheyeCheck->State() == BST_CHECKED);
        Countdown().Cancel();
        Develop();
    });
    layout->addWidget(fisheyeCheck);

    focalCaption = static_cast<QLabel*>(Make(IDC_LENS_FOCAL_CAPTION, this));
    modelCaption = static_cast<QLabel*>(Make(IDC_LENS_MODEL_CAPTION, this));
    for (QLabel* label : {focalCaption, modelCaption}) {
        label->setFrameStyle(QFrame::Panel | QFrame::Sunken);
        layout->addWidget(label);
    }
    SetLensInfo(std::string(), 0.0);
    lensSubscription = document.Subscribe([this](DocImageEvent event) {
        if (event == DocImageEvent::LensInfoChanged)
            SetLensInfo(Doc().Lens().modelName, Doc().Lens().focalLength);
    });
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
        const SliderRange r = LensRange(c, fisheye);
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
    for (const LensControl control : {LensControl::Distortion, LensControl::Coefficient}) {
        ControlUnit* unit = Unit(control);
        const QString caption = fisheye ? QString::fromStdString(LoadString(unit->Row().fisheyeCaptionId))
                                        : RowCaption(unit->Row());
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
