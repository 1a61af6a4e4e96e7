#include "app/palettes/ParamControls.h"

#include "app/palettes/HueStrip.h"
#include "document/VelmoDoc.h"
#include "params/ParamFields.h"
#include "platform/gui/AutoCheckBox.h"
#include "platform/gui/ControlIds.h"
#include "platform/gui/DataExchange.h"
#include "platform/gui/FileMenuButtons.h"
#include "platform/gui/RadioGroup.h"
#include "platform/gui/TrackBarCodes.h"
#include "res/ResourceIds.h"
#include "res/StringTable.h"

#include <QComboBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QToolButton>
#include <QVBoxLayout>

#include <algorithm>
#include <set>

namespace velmo {

namespace {

using F = ParamField;

// The parameter exchange in its order: a refused entry ends it there, so the
// controls after it stay unread.
constexpr unsigned kExchangeOrder[] = {
    IDC_GAMMA.slider,      IDC_CHECK_PRV,         IDC_GAMMA.edit,       IDC_CONTRAST.edit,
    IDC_BRIGHTNESS.edit,   IDC_BRIGHTNESS.slider, IDC_CONTRAST.slider,  IDC_SATURATION.edit,
    IDC_SATURATION.slider, IDC_HUE.slider,        IDC_HUE.edit,         IDC_SHARPNESS_HARD,
    IDC_ROTATE_NONE,       ID_TONE_GAMMA,         IDC_WB_TEMP.slider,   IDC_WB_TEMP.edit,
    IDC_SR_MIX.slider,     IDC_SR_LINEAR.slider,  IDC_SR_GAMMA.slider,  IDC_SR_MIX.edit,
    IDC_SR_LINEAR.edit,    IDC_SR_GAMMA.edit,     IDC_CHECK_MGN,        IDC_FRAME_S,
    IDC_FRAME_R,           IDC_SENSITIZE.slider,  IDC_SENSITIZE.edit,   IDC_SR_GAMMA2.slider,
    IDC_SR_GAMMA2.edit,    ID_VIVID_COLOR,        IDC_MOIRE.edit,       IDC_MOIRE.slider,
    IDC_MOIRE_THRESHOLD.edit, IDC_MOIRE_THRESHOLD.slider, IDC_HARDEN.edit, IDC_SOFTEN.edit,
    IDC_HARDEN.slider,     IDC_SOFTEN.slider,     IDC_WB_FINE_B.slider, IDC_WB_FINE_G.slider,
    IDC_WB_FINE_R.slider,  IDC_WB_FINE_G.edit,    IDC_WB_FINE_B.edit,   IDC_WB_FINE_R.edit,
    ID_WB_FINETUNE,        ID_EASY_SR,            ID_GREEN_ENHANCER,    IDC_NR_RADIUS.slider,
    IDC_NR_AMOUNT.slider,  IDC_NR_SMOOTH.slider,  IDC_NR_EDGE.slider,   ID_NOISE_REDUCTION,
    IDC_NR_RADIUS.edit,    IDC_NR_AMOUNT.edit,    IDC_NR_SMOOTH.edit,   IDC_NR_EDGE.edit,
};

int& IntField(DevParams& p, ParamField field)
{
    return p.*(FieldInfo(field).intField);
}

// The value controls of the record (not the feature editors').
bool IsParamValue(const ControlRow& row)
{
    return row.kind == ControlKind::Value &&
           (row.data == ControlData::Param || row.data == ControlData::SoftenValue ||
            row.data == ControlData::HardenValue);
}

bool IsSRRule(EnableRule rule)
{
    switch (rule) {
    case EnableRule::SRGroup:
    case EnableRule::SRMix:
    case EnableRule::SRNotEasy:
    case EnableRule::SRImages:
    case EnableRule::SRLinear: return true;
    default: return false;
    }
}

// The record's fields in the form their controls show them, and back.
void ToShown(DevParams& p)
{
    for (const ControlRow& row : PaletteControls())
        if (row.shownOffset != 0 && row.data == ControlData::Param)
            SetField(p, row.field, ShownValue(row, GetField(p, row.field)));
}

void ToStored(DevParams& p)
{
    for (const ControlRow& row : PaletteControls())
        if (row.shownOffset != 0 && row.data == ControlData::Param)
            SetField(p, row.field, StoredValue(row, GetField(p, row.field)));
}

int ListIndex(const QComboBox& list, int value)
{
    return value >= 0 && value < list.count() ? value : -1;
}

QVBoxLayout* Column(QWidget* w)
{
    auto* layout = new QVBoxLayout(w);
    layout->setContentsMargins(4, 4, 4, 4);
    layout->setSpacing(4);
    return layout;
}

} // namespace

CParamControls::CParamControls(CVelmoDoc* document, Options opts, QObject* parent)
    : QObject(parent), doc(document), options(std::move(opts)), timer(countdown, [this] { CountdownEnded(); }, this)
{
    // The record before the first SetParams: zeroed with 5500 K.
    record.wbTempt = 5500;
    loadedRecord = record;
    if (doc != nullptr) {
        subscription = doc->Edit().Subscribe([this](const EditChange& change) { OnEditChange(change); });
        checkPrv = doc->Edit().Switch(SwitchId::CheckPrv);
        checkMgn = doc->Edit().Switch(SwitchId::CheckMGN);
    }
}

CParamControls::~CParamControls() = default;

// --- Building ---------------------------------------------------------------

void CParamControls::Register(QWidget* control, unsigned id)
{
    if (control != nullptr && id != 0)
        controls[id] = control;
}

RadioGroup* CParamControls::RadioGroupOf(ParamField field)
{
    RadioGroup*& group = radioGroups[field];
    if (group == nullptr)
        group = new RadioGroup(this);
    return group;
}

QWidget* CParamControls::Make(unsigned id, QWidget* parent)
{
    const ControlRow* found = ControlRowById(id);
    if (found == nullptr)
        return nullptr;
    ControlRow row = *found;
    row.dialogId = options.dialogId;
    switch (row.kind) {
    case ControlKind::Value: return MakeUnit(row.field, parent);
    case ControlKind::FileMenu: {
        const std::optional<FileMenuInfo> info = FileMenuForButton(row.id);
        if (!info)
            return nullptr;
        CommandSink sink = options.commands ? options.commands : CommandSink([](unsigned) {});
        RouteProvider route =
            options.route ? options.route : RouteProvider([] { return CommandRoute(std::vector<CCmdTarget*>{}); });
        auto* buttons = new FileMenuButtons(*info, sink, route, parent);
        Register(buttons->LoadButton(), info->loadId);
        Register(buttons->SaveButton(), info->saveId);
        Register(buttons->MenuButton(), info->popupButtonId);
        return buttons;
    }
    default: break;
    }
    QWidget* control = MakeRowControl(row, parent);
    if (auto* list = qobject_cast<QComboBox*>(control))
        list->setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Fixed);
    if (row.kind == ControlKind::Radio)
        RadioGroupOf(row.field)->Add(qobject_cast<QAbstractButton*>(control));
    Register(control, row.id);
    return control;
}

ControlUnit* CParamControls::MakeUnit(ParamField field, QWidget* parent)
{
    ControlRow row = *ValueControlOf(field);
    row.dialogId = options.dialogId;
    auto* unit = new ControlUnit(row, parent);
    unit->SetListener(this);
    units[field] = unit;
    Register(unit->Edit(), row.id);
    Register(unit->Slider(), row.sliderId);
    Register(unit->Spin(), row.spinId);
    if (row.labelId != 0) {
        SetControlId(unit->Label(), row.labelId);
        Register(unit->Label(), row.labelId);
    }
    return unit;
}

QGroupBox* CParamControls::MakeGroup(unsigned captionId, QWidget* parent)
{
    auto* group = new QGroupBox(QString::fromStdString(LoadString(captionId)), parent);
    group->setAccessibleName(PlainCaption(group->title()));
    return group;
}

QLabel* CParamControls::MakeCaption(unsigned captionId, QWidget* parent)
{
    auto* label = new QLabel(QString::fromStdString(LoadString(captionId)), parent);
    label->setAccessibleName(PlainCaption(label->text()));
    return label;
}

QHBoxLayout* CParamControls::MakeBottomRow(QWidget* parent, std::function<void()> onReset)
{
    auto* row = new QHBoxLayout;
    auto* prv = static_cast<AutoCheckBox*>(Make(IDC_CHECK_PRV, parent));
    connect(prv, &QAbstractButton::clicked, this, [this, prv] {
        checkPrv = prv->State();
        if (doc != nullptr)
            doc->Edit().SetSwitch(SwitchId::CheckPrv, checkPrv);
    });
    auto* mgn = static_cast<AutoCheckBox*>(Make(IDC_CHECK_MGN, parent));
    connect(mgn, &QAbstractButton::clicked, this, [this, mgn] {
        checkMgn = mgn->State();
        if (doc == nullptr)
            return;
        doc->Edit().SetSwitch(SwitchId::CheckMGN, checkMgn);
        if (checkMgn != 0)
            doc->UpdateMagnifier();
    });
    row->addWidget(prv);
    row->addWidget(mgn);
    row->addStretch(1);
    QWidget* reset = Make(ID_RESET, parent);
    connect(static_cast<QPushButton*>(reset), &QPushButton::clicked, reset, std::move(onReset));
    row->addWidget(reset);
    return row;
}

QWidget* CParamControls::BuildAdjust1(QWidget* parent)
{
    auto* page = new QWidget(parent);
    QVBoxLayout* layout = Column(page);

    QGroupBox* rotation = MakeGroup(IDS_CAPTION_ROTATION, page);
    auto* rotationRow = new QHBoxLayout(rotation);
    for (const ControlRow* radio : RadioRowsOf(F::rotate))
        rotationRow->addWidget(Make(radio->id, rotation));
    layout->addWidget(rotation);

    QGroupBox* wb = MakeGroup(IDS_CAPTION_WHITE_BALANCE, page);
    QVBoxLayout* wbLayout = Column(wb);
    wbLayout->addWidget(Make(IDC_WB_COMBO, wb));
    wbLayout->addWidget(MakeUnit(F::wbTempt, wb));
    auto* scale = new QHBoxLayout;
    scale->addWidget(Make(IDC_WB_TEMP_LOW, wb));
    scale->addStretch(1);
    scale->addWidget(Make(IDC_WB_TEMP_MID, wb));
    scale->addStretch(1);
    scale->addWidget(Make(IDC_WB_TEMP_HIGH, wb));
    wbLayout->addLayout(scale);
    wbLayout->addWidget(Make(ID_WB_FINETUNE, wb));
    for (const F f : {F::WBfineTuneR, F::WBfineTuneG, F::WBfineTuneB})
        wbLayout->addWidget(MakeUnit(f, wb));
    auto* spot = new QHBoxLayout;
    spot->addWidget(MakeCaption(IDS_CAPTION_SPOT_WB, wb));
    spot->addStretch(1);
    if (QWidget* buttons = Make(ID_POPUP_WB_MENU, wb))
        spot->addWidget(buttons);
    wbLayout->addLayout(spot);
    layout->addWidget(wb);

    layout->addWidget(MakeUnit(F::sensitize, page));
    auto* enhance = new QHBoxLayout;
    enhance->addWidget(Make(ID_VIVID_COLOR, page));
    enhance->addWidget(Make(ID_GREEN_ENHANCER, page));
    enhance->addStretch(1);
    layout->addLayout(enhance);

    auto* files = new QHBoxLayout;
    files->addWidget(MakeCaption(IDS_CAPTION_PARAMETERS, page));
    files->addStretch(1);
    if (QWidget* buttons = Make(ID_POPUP_PARAMS_MENU, page))
        files->addWidget(buttons);
    layout->addLayout(files);
    layout->addStretch(1);
    return page;
}

QWidget* CParamControls::BuildToneGroup(QWidget* parent)
{
    QGroupBox* tone = MakeGroup(IDS_CAPTION_TONE, parent);
    QVBoxLayout* layout = Column(tone);
    auto* curve = new QHBoxLayout;
    for (const ControlRow* radio : RadioRowsOf(F::bGammaLog))
        curve->addWidget(Make(radio->id, tone));
    curve->addStretch(1);
    layout->addLayout(curve);
    for (const F f : {F::gamma, F::contrast, F::brightness, F::saturation, F::hue})
        layout->addWidget(MakeUnit(f, tone));
    auto* reference = new HueStrip(tone);
    SetupRowControl(reference, *ControlRowById(IDC_HUE_STRIP));
    Register(reference, IDC_HUE_STRIP);
    hueShifted = new HueStrip(tone);
    SetupRowControl(hueShifted, *ControlRowById(IDC_HUE_STRIP_SHIFTED));
    Register(hueShifted, IDC_HUE_STRIP_SHIFTED);
    layout->addWidget(reference);
    layout->addWidget(hueShifted);
    return tone;
}

QWidget* CParamControls::BuildSRGroup(QWidget* parent)
{
    auto* group = static_cast<QGroupBox*>(Make(IDC_SR_GROUP, parent));
    QVBoxLayout* layout = Column(group);
    layout->addWidget(Make(IDC_SR_TYPE, group));
    auto* checks = new QHBoxLayout;
    for (const unsigned id : {IDC_FRAME_S, IDC_FRAME_R, ID_EASY_SR})
        checks->addWidget(Make(id, group));
    checks->addStretch(1);
    layout->addLayout(checks);
    for (const F f : {F::mixSR, F::gammaSR, F::gammaSR2, F::linearSR})
        layout->addWidget(MakeUnit(f, group));
    return group;
}

QWidget* CParamControls::BuildAdjust2(QWidget* parent)
{
    auto* page = new QWidget(parent);
    QVBoxLayout* layout = Column(page);
    layout->addWidget(BuildToneGroup(page));
    layout->addWidget(BuildSRGroup(page));
    layout->addStretch(1);
    return page;
}

QWidget* CParamControls::BuildDetail(QWidget* parent, bool withNoiseReduction)
{
    auto* page = new QWidget(parent);
    QVBoxLayout* layout = Column(page);

    QGroupBox* sharpness = MakeGroup(IDS_CAPTION_SHARPNESS, page);
    QVBoxLayout* sharpLayout = Column(sharpness);
    auto* radios = new QGridLayout;
    const std::vector<const ControlRow*> levels = RadioRowsOf(F::sharpness);
    for (size_t i = 0; i < levels.size(); ++i)
        radios->addWidget(Make(levels[i]->id, sharpness), int(i / 2), int(i % 2));
    sharpLayout->addLayout(radios);
    sharpLayout->addWidget(MakeUnit(F::soften, sharpness));
    sharpLayout->addWidget(MakeUnit(F::harden, sharpness));
    layout->addWidget(sharpness);

    QGroupBox* moire = MakeGroup(IDS_CAPTION_MOIRE, page);
    QVBoxLayout* moireLayout = Column(moire);
    moireLayout->addWidget(MakeUnit(F::iColorNR, moire));
    moireLayout->addWidget(MakeUnit(F::iColorNRthreshold, moire));
    layout->addWidget(moire);

    if (withNoiseReduction) {
        QGroupBox* nr = MakeGroup(IDS_CAPTION_NOISE_REDUCTION, page);
        QVBoxLayout* nrLayout = Column(nr);
        nrLayout->addWidget(Make(ID_NOISE_REDUCTION, nr));
        for (const F f : {F::NR1, F::NR2, F::NR3, F::NR4})
            nrLayout->addWidget(MakeUnit(f, nr));
        layout->addWidget(nr);
    }
    layout->addStretch(1);
    return page;
}

QWidget* CParamControls::BuildPage(ControlPage page, QWidget* parent)
{
    switch (page) {
    case ControlPage::Adjust1: return BuildAdjust1(parent);
    case ControlPage::Adjust2: return BuildAdjust2(parent);
    case ControlPage::Detail: return BuildDetail(parent, true);
    default: return nullptr;
    }
}

QWidget* CParamControls::BuildClassicBody(QWidget* parent)
{
    auto* body = new QWidget(parent);
    auto* columns = new QHBoxLayout(body);
    columns->setContentsMargins(0, 0, 0, 0);
    auto* left = new QWidget(body);
    QVBoxLayout* leftLayout = Column(left);
    leftLayout->setContentsMargins(0, 0, 0, 0);
    leftLayout->addWidget(BuildAdjust1(left));
    leftLayout->addWidget(BuildDetail(left, false));
    columns->addWidget(left, 1, Qt::AlignTop);
    columns->addWidget(BuildAdjust2(body), 1, Qt::AlignTop);
    return body;
}

void CParamControls::InitControls()
{
    FillWhiteBalanceList();
    if (auto* sr = qobject_cast<QComboBox*>(Control(IDC_SR_TYPE))) {
        sr->clear();
        for (const char* item : SRMixingItems())
            sr->addItem(QString::fromUtf8(item));
        sr->setCurrentIndex(2);
    }
    // The slider positions before the first record.
    for (const ControlRow& row : PaletteControls())
        if (IsParamValue(row))
            positions[row.field] = std::clamp(row.initialPosition, row.sliderMin, row.sliderMax);
    WireHandlers();
    EnableControls();
    timer.Start();
}

void CParamControls::WireHandlers()
{
    if (auto* wb = qobject_cast<QComboBox*>(Control(IDC_WB_COMBO)))
        connect(wb, &QComboBox::activated, this, [this](int index) {
            if (doc == nullptr)
                return;
            doc->SetWhiteBalance(index, 1, -1);
            EnableControls();
            if (doc->Edit().Switch(SwitchId::CheckMGN) != 0)
                doc->UpdateMagnifier();
        });
    if (auto* sr = qobject_cast<QComboBox*>(Control(IDC_SR_TYPE)))
        connect(sr, &QComboBox::activated, this, [this](int index) {
            if (doc == nullptr)
                return;
            doc->SetTypeSR(index, 1);
            if (doc->Edit().Switch(SwitchId::CheckMGN) != 0)
                doc->UpdateMagnifier();
        });
    connect(RadioGroupOf(F::rotate), &QButtonGroup::idClicked, this, [this](int) {
        if (!UpdateData(true) || doc == nullptr)
            return;
        doc->SetRotation(Rotation(record.rotate));
    });
    connect(RadioGroupOf(F::sharpness), &QButtonGroup::idClicked, this, [this](int) {
        if (!UpdateData(true))
            return;
        if (record.sharpness == 3) {
            softenValue = record.soften;
            hardenValue = record.harden;
        } else if (doc != nullptr) {
            doc->GetSharpnessPreset(&softenValue, &hardenValue);
        }
        positions[F::soften] = softenValue;
        positions[F::harden] = hardenValue;
        UpdateData(false);
        Apply();
    });
    connect(RadioGroupOf(F::bGammaLog), &QButtonGroup::idClicked, this, [this](int index) {
        if (doc == nullptr)
            return;
        doc->Edit().SetField(F::bGammaLog, index == 1 ? 1 : 0);
        Apply();
    });
    auto onClick = [this](unsigned id, auto handler) {
        if (auto* button = qobject_cast<QAbstractButton*>(Control(id)))
            connect(button, &QAbstractButton::clicked, this, handler);
    };
    for (const unsigned id : {IDC_FRAME_S, IDC_FRAME_R})
        onClick(id, [this] {
            if (UpdateData(true))
                Apply();
        });
    onClick(ID_EASY_SR, [this] {
        if (!UpdateData(true))
            return;
        EnableSRControls(1, record.easySR, record.typeSR);
        Apply();
    });
    for (const unsigned id : {ID_VIVID_COLOR, ID_GREEN_ENHANCER})
        onClick(id, [this] {
            if (!UpdateData(true))
                return;
            if (checkPrv != 0) {
                RunOnApply();
            } else if (doc != nullptr) {
                // Stored only; the next development takes them.
                doc->SetVividColor(record.iEnhColor, 0);
                doc->SetGreenEnhancer(record.iEnhGreen, false);
            }
        });
    for (const unsigned id : {ID_WB_FINETUNE, ID_NOISE_REDUCTION})
        onClick(id, [this] { RunOnApply(); });
}

// --- Lookup -------------------------------------------------------------------

QWidget* CParamControls::Control(unsigned id) const
{
    const auto it = controls.find(id);
    return it != controls.end() ? it->second : nullptr;
}

ControlUnit* CParamControls::Unit(ParamField field) const
{
    const auto it = units.find(field);
    return it != units.end() ? it->second : nullptr;
}

bool CParamControls::UpdateOwnControl(unsigned id, CCmdUI& ui) const
{
    QWidget* control = Control(id);
    const ControlRow* row = ControlRowById(id);
    if (control == nullptr || row == nullptr || (row->rule == EnableRule::Always && !row->labelRule))
        return false;
    ui.Enable(!control->testAttribute(Qt::WA_Disabled));
    return true;
}

// --- Exchange -----------------------------------------------------------------

int& CParamControls::CheckValue(const ControlRow& row)
{
    if (row.data == ControlData::Switch)
        return SwitchId(row.item) == SwitchId::CheckPrv ? checkPrv : checkMgn;
    return IntField(record, row.field);
}

void CParamControls::ExchangeEdit(CDataExchange& dx, const ControlRow& row)
{
    if (FieldInfo(row.field).type == ParamType::Float) {
        float& value = record.*(FieldInfo(row.field).floatField);
        DDX_Text(dx, row.id, value);
        if (row.editRange)
            DDV_MinMaxFloat(dx, value, float(row.editRange->min), float(row.editRange->max));
        return;
    }
    int& value = row.data == ControlData::SoftenValue   ? softenValue
                 : row.data == ControlData::HardenValue ? hardenValue
                                                        : IntField(record, row.field);
    DDX_Text(dx, row.id, value);
    if (row.editRange)
        DDV_MinMaxInt(dx, value, int(row.editRange->min), int(row.editRange->max));
}

void CParamControls::Exchange(CDataExchange& dx)
{
    for (const unsigned id : kExchangeOrder) {
        const ControlRow& row = *ControlRowById(id);
        switch (row.kind) {
        case ControlKind::Value:
            if (id == row.sliderId)
                DDX_Slider(dx, id, positions[row.field]);
            else
                ExchangeEdit(dx, row);
            break;
        case ControlKind::Check:
        case ControlKind::ThreeState: DDX_Check(dx, id, CheckValue(row)); break;
        case ControlKind::Radio: DDX_Radio(dx, id, IntField(record, row.field)); break;
        default: break;
        }
    }
}

bool CParamControls::RunExchange(bool save, const std::function<QWidget*(unsigned)>& lookup)
{
    CDataExchange dx(lookup, save);
    Exchange(dx);
    if (save) {
        // A float the user did not touch keeps all its bits (the edit shows
        // six significant digits).
        for (const ControlRow& row : PaletteControls()) {
            if (!IsParamValue(row) || row.type != ValueType::Float)
                continue;
            float& value = record.*(FieldInfo(row.field).floatField);
            const float shown = loadedRecord.*(FieldInfo(row.field).floatField);
            if (FormatFloatText(value) == FormatFloatText(shown))
                value = shown;
        }
        if (!dx.Failed() && doc != nullptr) {
            doc->Edit().SetSwitch(SwitchId::CheckPrv, checkPrv);
            doc->Edit().SetSwitch(SwitchId::CheckMGN, checkMgn);
        }
    }
    EnableControls();
    return !dx.Failed();
}

bool CParamControls::UpdateData(bool saveAndValidate)
{
    if (!saveAndValidate && doc != nullptr) {
        checkPrv = doc->Edit().Switch(SwitchId::CheckPrv);
        checkMgn = doc->Edit().Switch(SwitchId::CheckMGN);
    }
    return RunExchange(saveAndValidate, [this](unsigned id) { return Control(id); });
}

// --- Enabling -------------------------------------------------------------------

EnableInputs CParamControls::Inputs() const
{
    EnableInputs in;
    in.sharpness = record.sharpness;
    in.fineTune = record.WBfineTune;
    in.whiteBalanceItem = WhiteBalanceSelection();
    in.useRafWB = doc == nullptr || doc->Edit().UseRafWB();
    in.noiseReduction = record.bNR;
    in.useOldNR = doc != nullptr && doc->Edit().Switch(SwitchId::UseOldNR) != 0;
    in.classicPalette = options.classic;
    return in;
}

void CParamControls::ShowRule(const ControlRow& row, bool on, const EnableInputs& in)
{
    const bool classic = options.classic;
    auto show = [&](QWidget* w, bool enabled, bool spin) {
        if (w == nullptr)
            return;
        w->setEnabled(enabled);
        if (HiddenWhenDisabled(row, classic, spin))
            w->setVisible(enabled);
    };
    if (row.kind != ControlKind::Value) {
        show(Control(row.id), on, false);
        return;
    }
    ControlUnit* unit = Unit(row.field);
    if (unit == nullptr)
        return;
    // The caption goes with the unit unless it has a rule of its own.
    const bool labelOn = row.labelRule ? RuleEnabled(*row.labelRule, in, srStates) : on;
    show(unit->Edit(), on, false);
    show(unit->Slider(), on, false);
    show(unit->Spin(), on, true);
    show(unit->Label(), labelOn, false);
    unit->setEnabled(on || labelOn);
    if (HiddenWhenDisabled(row, classic))
        unit->setVisible(on || labelOn);
}

void CParamControls::ApplyRules(bool srRules)
{
    const EnableInputs in = Inputs();
    for (const ControlRow& row : PaletteControls()) {
        if (row.rule == EnableRule::Always || IsSRRule(row.rule) != srRules)
            continue;
        if (row.kind == ControlKind::Value ? Unit(row.field) == nullptr : Control(row.id) == nullptr)
            continue;
        ShowRule(row, RuleEnabled(row.rule, in, srStates), in);
    }
}

void CParamControls::EnableControls()
{
    ApplyRules(false);
}

void CParamControls::EnableSRControls(int enable, int easy, int type)
{
    srStates = EnableSRStates(enable, easy, type);
    ApplyRules(true);
}

int CParamControls::WhiteBalanceSelection() const
{
    auto* wb = qobject_cast<QComboBox*>(Control(IDC_WB_COMBO));
    return wb != nullptr ? wb->currentIndex() : record.whiteBalance;
}

void CParamControls::FillWhiteBalanceList()
{
    auto* wb = qobject_cast<QComboBox*>(Control(IDC_WB_COMBO));
    if (wb == nullptr)
        return;
    wb->clear();
    const bool useRafWB = doc == nullptr || doc->Edit().UseRafWB();
    for (const std::string& item : WhiteBalanceItems(useRafWB))
        wb->addItem(QString::fromStdString(item));
    // The record's preset stays selected, so that the next Apply keeps it.
    wb->setCurrentIndex(ListIndex(*wb, loaded ? record.whiteBalance : 0));
    EnableControls();
}

// --- Document to palette and back ---------------------------------------------

void CParamControls::PositionsFromRecord()
{
    for (const ControlRow& row : PaletteControls()) {
        if (!IsParamValue(row))
            continue;
        if (row.data == ControlData::SoftenValue)
            positions[row.field] = softenValue;
        else if (row.data == ControlData::HardenValue)
            positions[row.field] = hardenValue;
        else
            positions[row.field] = RowValueToPosition(row, GetField(record, row.field));
    }
}

void CParamControls::SoftenHardenFromDocument()
{
    if (doc != nullptr)
        doc->GetSharpnessPreset(&softenValue, &hardenValue);
}

void CParamControls::ShowHue()
{
    if (hueShifted != nullptr)
        hueShifted->SetHue(record.hue);
}

void CParamControls::SelectListItems(const ParamFieldSet& fields)
{
    for (const unsigned id : {IDC_WB_COMBO, IDC_SR_TYPE}) {
        const ControlRow& row = *ControlRowById(id);
        auto* list = qobject_cast<QComboBox*>(Control(id));
        if (list != nullptr && fields.test(size_t(row.field)))
            list->setCurrentIndex(ListIndex(*list, IntField(record, row.field)));
    }
}

void CParamControls::SetParams(const DevParams& newRecord)
{
    record = newRecord;
    ToShown(record);
    loadedRecord = record;
    SelectListItems(AllParamFields());
    SoftenHardenFromDocument();
    PositionsFromRecord();
    UpdateData(false);
    EnableSRControls(newRecord.twoFrames, newRecord.easySR, newRecord.typeSR);
    CancelCountdown();
    loaded = true;
    ShowHue();
}

void CParamControls::Apply()
{
    if (WriteBack())
        doc->ApplyEdits();
}

bool CParamControls::WriteBack()
{
    CancelCountdown();
    // A refused entry keeps its text and the focus; nothing half-read is applied.
    if (!UpdateData(true))
        return false;
    PositionsFromRecord();
    UpdateData(false);
    ShowHue();
    // Before the first record arrives the palette holds a zeroed one.
    if (doc == nullptr || !loaded)
        return false;

    DevParams mine = record;
    ToStored(mine);
    DevParams base = loadedRecord;
    ToStored(base);
    const ParamFieldSet edited = DiffFields(base, mine);
    DevParams out = doc->Edit().Params();
    for (size_t i = 0; i < kParamFieldCount; ++i)
        if (edited.test(i))
            velmo::SetField(out, ParamField(i), GetField(mine, ParamField(i)));
    int wb = WhiteBalanceSelection();
    if (wb < 0)
        wb = out.whiteBalance;
    doc->Edit().SetParams(out);
    doc->SetWhiteBalance(wb, 0, -1);
    if (record.sharpness == 3)
        doc->SetSoftenHarden(softenValue, hardenValue, false);
    return true;
}

void CParamControls::RunOnApply()
{
    if (options.onApply)
        options.onApply();
    else
        Apply();
    if (onCountdownChanged)
        onCountdownChanged();
}

bool CParamControls::TypedValuesReady() const
{
    for (const auto& [field, unit] : units)
        if (!unit->TypedValueReady())
            return false;
    return !options.typedValuesReady || options.typedValuesReady();
}

void CParamControls::CountdownEnded()
{
    // A number still being typed ("-") waits, and the change stays pending
    // ("&Apply" enabled); leaving the edit or applying reports a text that
    // cannot be taken. The record keeps its last good value meanwhile.
    if (!TypedValuesReady()) {
        Arm();
        return;
    }
    RunOnApply();
}

void CParamControls::Arm()
{
    countdown.Arm();
    if (onCountdownChanged)
        onCountdownChanged();
}

void CParamControls::CancelCountdown()
{
    countdown.Cancel();
    if (onCountdownChanged)
        onCountdownChanged();
}

// --- What the user does -------------------------------------------------------

void CParamControls::EditChanged(ControlUnit&)
{
    Arm();
}

bool CParamControls::TakeSliderValue(ControlUnit& unit)
{
    const ControlRow* row = ControlRowById(unit.Row().sliderId);
    if (row == nullptr || !UpdateData(true))
        return false;
    // A value typed before and still counting down stays pending: it is
    // applied with this slider's change, or by the countdown when the
    // slider gives the value it had.
    const double value = RowPositionToValue(*row, positions[row->field]);
    bool changed;
    if (FieldInfo(row->field).type == ParamType::Float) {
        float& field = record.*(FieldInfo(row->field).floatField);
        changed = field != float(value);
        field = float(value);
    } else {
        int& field = IntField(record, row->field);
        changed = field != int(value);
        field = int(value);
    }
    if (row->data != ControlData::Param) {
        softenValue = record.soften;
        hardenValue = record.harden;
    }
    if (row->rule == EnableRule::FineTune)
        record.WBfineTune = 1;
    UpdateData(false);
    ShowHue();
    return changed;
}

void CParamControls::SliderScrolled(ControlUnit& unit, int code, int)
{
    const int prv = doc != nullptr ? doc->Edit().Switch(SwitchId::CheckPrv) : checkPrv;
    const bool live = code == TB_THUMBTRACK && prv == kPrvLive;
    if (live && doc != nullptr)
        doc->HoldMagnifier(true);
    const SliderGateResult result = RunSliderGate(
        code, prv, countdown, [this, &unit] { return TakeSliderValue(unit); }, [this] { Apply(); });
    if (!live && doc != nullptr)
        doc->HoldMagnifier(false);
    if (result == SliderGateResult::Deferred && onCountdownChanged)
        onCountdownChanged();
}

void CParamControls::ShowFields(const ParamFieldSet& fields)
{
    ParamFieldSet shown = fields;
    if (fields.test(size_t(F::sharpness)) || fields.test(size_t(F::soften)) || fields.test(size_t(F::harden))) {
        SoftenHardenFromDocument();
        shown.set(size_t(F::soften)).set(size_t(F::harden));
    }
    std::set<unsigned> ids;
    for (const ControlRow& row : PaletteControls()) {
        if (row.data == ControlData::Switch || row.data == ControlData::None || !shown.test(size_t(row.field)))
            continue;
        if (row.kind == ControlKind::Value && !IsParamValue(row))
            continue;
        for (const unsigned id : {row.id, row.sliderId, row.spinId})
            if (id != 0)
                ids.insert(id);
    }
    SelectListItems(fields);
    PositionsFromRecord();
    RunExchange(false, [this, &ids](unsigned id) { return ids.count(id) != 0 ? Control(id) : nullptr; });
    if (fields.test(size_t(F::twoFrames)) || fields.test(size_t(F::easySR)) || fields.test(size_t(F::typeSR)))
        EnableSRControls(record.twoFrames, record.easySR, record.typeSR);
    ShowHue();
}

void CParamControls::OnEditChange(const EditChange& change)
{
    if (doc == nullptr)
        return;
    switch (change.target) {
    case EditTarget::Commit:
        // A development for another palette's edit: what was typed here and
        // waits for the countdown goes with it, once it can be taken.
        if (countdown.Pending() && TypedValuesReady())
            WriteBack();
        return;
    case EditTarget::Refresh: SetParams(doc->Edit().Params()); return;
    default: break;
    }
    if (change.target == EditTarget::Switch) {
        if (change.switchId == SwitchId::CheckPrv || change.switchId == SwitchId::CheckMGN) {
            checkPrv = doc->Edit().Switch(SwitchId::CheckPrv);
            checkMgn = doc->Edit().Switch(SwitchId::CheckMGN);
            if (auto* prv = dynamic_cast<AutoCheckBox*>(Control(IDC_CHECK_PRV)))
                prv->SetState(checkPrv);
            if (auto* mgn = dynamic_cast<AutoCheckBox*>(Control(IDC_CHECK_MGN)))
                mgn->SetState(checkMgn);
        } else if (change.switchId == SwitchId::UseRafWB) {
            // The other preset list; the record's preset stays selected.
            FillWhiteBalanceList();
        } else if (change.switchId == SwitchId::UseOldNR) {
            EnableControls();
        }
        return;
    }
    if (change.target != EditTarget::Params || !loaded)
        return;
    DevParams current = doc->Edit().Params();
    ToShown(current);
    for (size_t i = 0; i < kParamFieldCount; ++i) {
        if (!change.fields.test(i))
            continue;
        const double value = GetField(current, ParamField(i));
        velmo::SetField(record, ParamField(i), value);
        velmo::SetField(loadedRecord, ParamField(i), value);
    }
    ShowFields(change.fields);
}

} // namespace velmo
