#include "app/palettes/ParamControls.h"

#include "app/palettes/HueStrip.h"
#include "document/VelmoDoc.h"
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
#include <QRadioButton>
#include <QToolButton>
#include <QVBoxLayout>

#include <algorithm>
#include <set>

namespace velmo {

namespace {

using F = ParamField;

constexpr unsigned kPrvId = 1208;
constexpr unsigned kMgnId = 1207;
constexpr unsigned kSRGroupId = 2421;

size_t RowIndex(ParamField field)
{
    const std::span<const ParamControl> table = ParamControlTable();
    for (size_t i = 0; i < table.size(); ++i)
        if (table[i].field == field)
            return i;
    return table.size();
}

int& IntField(DevParams& p, ParamField field)
{
    return p.*(FieldInfo(field).intField);
}

// The float fields whose edits show six significant digits: a value the
// user did not touch keeps all its bits.
constexpr F kFloatFields[] = {F::gamma, F::gammaSR, F::gammaSR2, F::sensitize};

void ExchangeText(CDataExchange& dx, const ControlRow& row, int& value)
{
    DDX_Text(dx, row.editId, value);
    if (row.editRange)
        DDV_MinMaxInt(dx, value, int(row.editRange->min), int(row.editRange->max));
}

void ExchangeText(CDataExchange& dx, const ControlRow& row, float& value)
{
    DDX_Text(dx, row.editId, value);
    if (row.editRange)
        DDV_MinMaxFloat(dx, value, float(row.editRange->min), float(row.editRange->max));
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
    : QObject(parent), doc(document), options(std::move(opts)),
      timer(countdown, [this] { RunOnApply(); }, this), sharpnessGroup(new RadioGroup(this)),
      rotationGroup(new RadioGroup(this)), toneGroup(new RadioGroup(this))
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

// The control's own caption entry when its palette has one, else the
// caption's text (both translated by a language file).
QString CParamControls::Caption(unsigned id, unsigned captionId) const
{
    if (options.dialogId != 0 && id != 0 && HasString(ControlCaption(options.dialogId, id)))
        return QString::fromStdString(LoadString(ControlCaption(options.dialogId, id)));
    return QString::fromStdString(LoadString(captionId));
}

void CParamControls::Register(QWidget* control, unsigned id, ParamPage)
{
    if (control != nullptr && id != 0)
        controls[id] = control;
}

ControlUnit* CParamControls::MakeUnit(ParamField field, QWidget* parent)
{
    const ParamControl* c = ParamControlByField(field);
    ControlRow row = c->row;
    row.dialogId = options.dialogId;
    auto* unit = new ControlUnit(row, parent);
    unit->SetListener(this);
    units[field] = unit;
    Register(unit->Edit(), row.editId, c->page);
    Register(unit->Slider(), row.sliderId, c->page);
    Register(unit->Spin(), row.spinId, c->page);
    if (c->labelId != 0) {
        SetControlId(unit->Label(), c->labelId);
        Register(unit->Label(), c->labelId, c->page);
    }
    return unit;
}

AutoCheckBox* CParamControls::MakeCheck(unsigned id, unsigned captionId, bool threeState, QWidget* parent)
{
    auto* check = new AutoCheckBox(Caption(id, captionId), threeState, parent);
    SetupControl(check, id, PlainCaption(check->text()));
    Register(check, id, ParamPage::Adjust1);
    return check;
}

QRadioButton* CParamControls::MakeRadio(RadioGroup* group, unsigned id, unsigned captionId, QWidget* parent)
{
    auto* radio = new QRadioButton(Caption(id, captionId), parent);
    SetupControl(radio, id, PlainCaption(radio->text()));
    group->Add(radio);
    Register(radio, id, ParamPage::Adjust1);
    return radio;
}

QGroupBox* CParamControls::MakeGroup(unsigned id, unsigned captionId, QWidget* parent)
{
    auto* group = new QGroupBox(Caption(id, captionId), parent);
    if (id != 0)
        SetupControl(group, id, PlainCaption(group->title()));
    else
        group->setAccessibleName(PlainCaption(group->title()));
    Register(group, id, ParamPage::Adjust1);
    return group;
}

QLabel* CParamControls::MakeLabel(unsigned id, unsigned captionId, QWidget* parent)
{
    auto* label = new QLabel(Caption(id, captionId), parent);
    SetupControl(label, id, PlainCaption(label->text()));
    Register(label, id, ParamPage::Adjust1);
    return label;
}

QComboBox* CParamControls::MakeCombo(unsigned id, unsigned captionId, QWidget* parent)
{
    auto* combo = new QComboBox(parent);
    SetupControl(combo, id, PlainCaption(Caption(id, captionId)));
    combo->setSizeAdjustPolicy(QComboBox::AdjustToMinimumContentsLengthWithIcon);
    combo->setMinimumContentsLength(12);
    combo->setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Fixed);
    Register(combo, id, ParamPage::Adjust1);
    return combo;
}

FileMenuButtons* CParamControls::MakeFileButtons(unsigned popupId, QWidget* parent)
{
    const std::optional<FileMenuInfo> info = FileMenuForButton(popupId);
    if (!info)
        return nullptr;
    CommandSink sink = options.commands ? options.commands : CommandSink([](unsigned) {});
    RouteProvider route = options.route ? options.route : RouteProvider([] { return CommandRoute(std::vector<CCmdTarget*>{}); });
    auto* buttons = new FileMenuButtons(*info, sink, route, parent);
    Register(buttons->LoadButton(), info->loadId, ParamPage::Adjust1);
    Register(buttons->SaveButton(), info->saveId, ParamPage::Adjust1);
    Register(buttons->MenuButton(), info->popupButtonId, ParamPage::Adjust1);
    return buttons;
}

AutoCheckBox* CParamControls::MakePrvCheck(QWidget* parent)
{
    AutoCheckBox* check = MakeCheck(kPrvId, IDS_CAPTION_PRV, true, parent);
    connect(check, &QAbstractButton::clicked, this, [this, check] {
        checkPrv = check->State();
        if (doc != nullptr)
            doc->Edit().SetSwitch(SwitchId::CheckPrv, checkPrv);
    });
    return check;
}

AutoCheckBox* CParamControls::MakeMgnCheck(QWidget* parent)
{
    AutoCheckBox* check = MakeCheck(kMgnId, IDS_CAPTION_MGN, false, parent);
    connect(check, &QAbstractButton::clicked, this, [this, check] {
        checkMgn = check->State();
        if (doc == nullptr)
            return;
        doc->Edit().SetSwitch(SwitchId::CheckMGN, checkMgn);
        if (checkMgn != 0)
            doc->UpdateMagnifier();
    });
    return check;
}

QHBoxLayout* CParamControls::MakeBottomRow(QWidget* parent, std::function<void()> onReset)
{
    auto* row = new QHBoxLayout;
    row->addWidget(MakePrvCheck(parent));
    row->addWidget(MakeMgnCheck(parent));
    row->addStretch(1);
    auto* reset = new QPushButton(QString::fromStdString(LoadString(IDS_CAPTION_RESET)), parent);
    SetupControl(reset, ID_RESET, PlainCaption(reset->text()));
    connect(reset, &QPushButton::clicked, reset, std::move(onReset));
    row->addWidget(reset);
    return row;
}

QWidget* CParamControls::BuildAdjust1(QWidget* parent)
{
    auto* page = new QWidget(parent);
    QVBoxLayout* layout = Column(page);

    QGroupBox* rotation = MakeGroup(0, IDS_CAPTION_ROTATION, page);
    auto* rotationRow = new QHBoxLayout(rotation);
    // Template order: None, Right, Left (the group's values 0, 1, 2).
    rotationRow->addWidget(MakeRadio(rotationGroup, 1813, IDS_CAPTION_ROTATE_NONE, rotation));
    rotationRow->addWidget(MakeRadio(rotationGroup, 1815, IDS_CAPTION_ROTATE_RIGHT, rotation));
    rotationRow->addWidget(MakeRadio(rotationGroup, 1814, IDS_CAPTION_ROTATE_LEFT, rotation));
    layout->addWidget(rotation);

    QGroupBox* wb = MakeGroup(0, IDS_CAPTION_WHITE_BALANCE, page);
    QVBoxLayout* wbLayout = Column(wb);
    wbCombo = MakeCombo(IDC_WB_COMBO, IDS_CAPTION_WHITE_BALANCE, wb);
    wbLayout->addWidget(wbCombo);
    wbLayout->addWidget(MakeUnit(F::wbTempt, wb));
    auto* scale = new QHBoxLayout;
    scale->addWidget(MakeLabel(2400, IDS_CAPTION_WB_LOW_TEMP, wb));
    scale->addStretch(1);
    scale->addWidget(MakeLabel(2401, IDS_CAPTION_WB_MID_TEMP, wb));
    scale->addStretch(1);
    scale->addWidget(MakeLabel(2402, IDS_CAPTION_WB_HIGH_TEMP, wb));
    wbLayout->addLayout(scale);
    wbLayout->addWidget(MakeCheck(1220, IDS_CAPTION_WB_FINE_TUNE, false, wb));
    for (const F f : {F::WBfineTuneR, F::WBfineTuneG, F::WBfineTuneB})
        wbLayout->addWidget(MakeUnit(f, wb));
    auto* spot = new QHBoxLayout;
    spot->addWidget(MakeLabel(0, IDS_CAPTION_SPOT_WB, wb));
    spot->addStretch(1);
    if (FileMenuButtons* buttons = MakeFileButtons(33304, wb))
        spot->addWidget(buttons);
    wbLayout->addLayout(spot);
    layout->addWidget(wb);

    layout->addWidget(MakeUnit(F::sensitize, page));
    auto* enhance = new QHBoxLayout;
    enhance->addWidget(MakeCheck(1202, IDS_CAPTION_VIVID, true, page));
    enhance->addWidget(MakeCheck(1203, IDS_CAPTION_GREEN, true, page));
    enhance->addStretch(1);
    layout->addLayout(enhance);

    auto* files = new QHBoxLayout;
    files->addWidget(MakeLabel(0, IDS_CAPTION_PARAMETERS, page));
    files->addStretch(1);
    if (FileMenuButtons* buttons = MakeFileButtons(33201, page))
        files->addWidget(buttons);
    layout->addLayout(files);
    layout->addStretch(1);
    return page;
}

QWidget* CParamControls::BuildToneGroup(QWidget* parent)
{
    QGroupBox* tone = MakeGroup(0, IDS_CAPTION_TONE, parent);
    QVBoxLayout* layout = Column(tone);
    auto* curve = new QHBoxLayout;
    curve->addWidget(MakeRadio(toneGroup, 2613, IDS_CAPTION_GAMMA, tone));
    curve->addWidget(MakeRadio(toneGroup, 2616, IDS_CAPTION_LOG, tone));
    curve->addStretch(1);
    layout->addLayout(curve);
    for (const F f : {F::gamma, F::contrast, F::brightness, F::saturation, F::hue})
        layout->addWidget(MakeUnit(f, tone));
    auto* reference = new HueStrip(tone);
    SetupControl(reference, 1300, QString::fromStdString(LoadString(IDS_CAPTION_HUES)));
    Register(reference, 1300, ParamPage::Adjust2);
    hueShifted = new HueStrip(tone);
    SetupControl(hueShifted, 1301, QString::fromStdString(LoadString(IDS_CAPTION_HUES_SHIFTED)));
    Register(hueShifted, 1301, ParamPage::Adjust2);
    layout->addWidget(reference);
    layout->addWidget(hueShifted);
    return tone;
}

QWidget* CParamControls::BuildSRGroup(QWidget* parent)
{
    srGroup = MakeGroup(kSRGroupId, IDS_CAPTION_SR_MIXING, parent);
    QVBoxLayout* layout = Column(srGroup);
    srCombo = MakeCombo(1401, IDS_CAPTION_SR_MIXING, srGroup);
    layout->addWidget(srCombo);
    auto* checks = new QHBoxLayout;
    checks->addWidget(MakeCheck(1224, IDS_CAPTION_FRAME_S, false, srGroup));
    checks->addWidget(MakeCheck(1223, IDS_CAPTION_FRAME_R, false, srGroup));
    easyCheck = MakeCheck(1221, IDS_CAPTION_EASY_MODE, false, srGroup);
    checks->addWidget(easyCheck);
    checks->addStretch(1);
    layout->addLayout(checks);
    for (const F f : {F::mixSR, F::gammaSR, F::gammaSR2, F::linearSR})
        layout->addWidget(MakeUnit(f, srGroup));
    return srGroup;
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

    QGroupBox* sharpness = MakeGroup(0, IDS_CAPTION_SHARPNESS, page);
    QVBoxLayout* sharpLayout = Column(sharpness);
    auto* radios = new QGridLayout;
    constexpr unsigned names[] = {IDS_CAPTION_SHARP_HARD, IDS_CAPTION_SHARP_NORMAL, IDS_CAPTION_SHARP_SOFT,
                                  IDS_CAPTION_SHARP_CUSTOM};
    for (int i = 0; i < 4; ++i)
        radios->addWidget(MakeRadio(sharpnessGroup, IDC_SHARPNESS_FIRST + unsigned(i), names[i], sharpness), i / 2,
                          i % 2);
    sharpLayout->addLayout(radios);
    sharpLayout->addWidget(MakeUnit(F::soften, sharpness));
    sharpLayout->addWidget(MakeUnit(F::harden, sharpness));
    layout->addWidget(sharpness);

    QGroupBox* moire = MakeGroup(0, IDS_CAPTION_MOIRE, page);
    QVBoxLayout* moireLayout = Column(moire);
    moireLayout->addWidget(MakeUnit(F::iColorNR, moire));
    moireLayout->addWidget(MakeUnit(F::iColorNRthreshold, moire));
    layout->addWidget(moire);

    if (withNoiseReduction) {
        QGroupBox* nr = MakeGroup(0, IDS_CAPTION_NOISE_REDUCTION, page);
        QVBoxLayout* nrLayout = Column(nr);
        nrLayout->addWidget(MakeCheck(1225, IDS_CAPTION_NOISE_REDUCTION_CHECK, true, nr));
        for (const F f : {F::NR1, F::NR2, F::NR3, F::NR4})
            nrLayout->addWidget(MakeUnit(f, nr));
        layout->addWidget(nr);
    }
    layout->addStretch(1);
    return page;
}

QWidget* CParamControls::BuildPage(ParamPage page, QWidget* parent)
{
    switch (page) {
    case ParamPage::Adjust1: return BuildAdjust1(parent);
    case ParamPage::Adjust2: return BuildAdjust2(parent);
    case ParamPage::Detail: return BuildDetail(parent, true);
    }
    return nullptr;
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
    // The classic palette has no room for the moire threshold: it stays
    // hidden and disabled, but is exchanged and set up.
    if (ControlUnit* threshold = Unit(F::iColorNRthreshold)) {
        threshold->setVisible(false);
        threshold->setEnabled(false);
    }
    return body;
}

void CParamControls::InitControls()
{
    FillWhiteBalanceList();
    if (srCombo != nullptr) {
        srCombo->clear();
        for (const char* item : SRMixingItems())
            srCombo->addItem(QString::fromUtf8(item));
        srCombo->setCurrentIndex(2);
    }
    // Initial slider positions before the first record.
    const std::span<const ParamControl> table = ParamControlTable();
    for (size_t i = 0; i < table.size(); ++i) {
        const ControlRow& row = table[i].row;
        positions[i] = row.mapping == SliderMapping::Exponent ? 2048
                       : table[i].field == F::wbTempt         ? 55
                       : std::clamp(0, row.sliderMin, row.sliderMax);
        if (table[i].field == F::mixSR || table[i].field == F::linearSR || table[i].field == F::iColorNRthreshold)
            positions[i] = 100;
    }
    WireHandlers();
    timer.Start();
}

void CParamControls::WireHandlers()
{
    if (wbCombo != nullptr)
        connect(wbCombo, &QComboBox::activated, this, [this](int index) {
            if (doc == nullptr)
                return;
            doc->SetWhiteBalance(index, 1, -1);
            EnableControls();
            if (doc->Edit().Switch(SwitchId::CheckMGN) != 0)
                doc->UpdateMagnifier();
        });
    if (srCombo != nullptr)
        connect(srCombo, &QComboBox::activated, this, [this](int index) {
            if (doc == nullptr)
                return;
            doc->SetTypeSR(index, 1);
            if (doc->Edit().Switch(SwitchId::CheckMGN) != 0)
                doc->UpdateMagnifier();
        });
    connect(rotationGroup, &QButtonGroup::idClicked, this, [this](int) {
        if (!UpdateData(true) || doc == nullptr)
            return;
        doc->SetRotation(int(ID_ROTATE_NONE) + record.rotate);
    });
    connect(sharpnessGroup, &QButtonGroup::idClicked, this, [this](int) {
        if (!UpdateData(true))
            return;
        if (record.sharpness == 3) {
            softenValue = record.soften;
            hardenValue = record.harden;
        } else if (doc != nullptr) {
            doc->GetSharpnessPreset(&softenValue, &hardenValue);
        }
        positions[RowIndex(F::soften)] = softenValue;
        positions[RowIndex(F::harden)] = hardenValue;
        UpdateData(false);
        Apply();
    });
    connect(toneGroup, &QButtonGroup::idClicked, this, [this](int index) {
        if (doc == nullptr)
            return;
        doc->Edit().SetField(F::bGammaLog, index == 1 ? 1 : 0);
        Apply();
    });
    auto onClick = [this](unsigned id, auto handler) {
        if (auto* button = qobject_cast<QAbstractButton*>(Control(id)))
            connect(button, &QAbstractButton::clicked, this, handler);
    };
    for (const unsigned id : {1224u, 1223u})
        onClick(id, [this] {
            if (UpdateData(true))
                Apply();
        });
    onClick(1221, [this] {
        if (!UpdateData(true))
            return;
        EnableSRControls(1, record.easySR, record.typeSR);
        Apply();
    });
    for (const unsigned id : {1202u, 1203u})
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
    for (const unsigned id : {1220u, 1225u})
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

ParamPage CParamControls::PageOfControl(unsigned id) const
{
    if (const ParamControl* c = ParamControlById(id))
        return c->page;
    return ParamPage::Adjust1;
}

// --- Exchange -----------------------------------------------------------------

void CParamControls::Exchange(CDataExchange& dx)
{
    const std::span<const ParamControl> table = ParamControlTable();
    auto slider = [&](F f) {
        const size_t i = RowIndex(f);
        DDX_Slider(dx, table[i].row.sliderId, positions[i]);
    };
    auto text = [&](F f) {
        const ControlRow& row = table[RowIndex(f)].row;
        if (FieldInfo(f).type == ParamType::Float)
            ExchangeText(dx, row, record.*(FieldInfo(f).floatField));
        else
            ExchangeText(dx, row, IntField(record, f));
    };
    auto check = [&](unsigned id, F f) { DDX_Check(dx, id, IntField(record, f)); };

    slider(F::gamma);
    DDX_Check(dx, kPrvId, checkPrv);
    text(F::gamma);
    text(F::contrast);
    text(F::brightness);
    slider(F::brightness);
    slider(F::contrast);
    text(F::saturation);
    slider(F::saturation);
    slider(F::hue);
    text(F::hue);
    DDX_Radio(dx, IDC_SHARPNESS_FIRST, record.sharpness);
    DDX_Radio(dx, 1813, record.rotate);
    DDX_Radio(dx, 2613, record.bGammaLog);
    slider(F::wbTempt);
    text(F::wbTempt);
    slider(F::mixSR);
    slider(F::linearSR);
    slider(F::gammaSR);
    text(F::mixSR);
    text(F::linearSR);
    text(F::gammaSR);
    DDX_Check(dx, kMgnId, checkMgn);
    check(1224, F::sImageOn);
    check(1223, F::rImageOn);
    slider(F::sensitize);
    text(F::sensitize);
    slider(F::gammaSR2);
    text(F::gammaSR2);
    check(1202, F::iEnhColor);
    text(F::iColorNR);
    slider(F::iColorNR);
    text(F::iColorNRthreshold);
    slider(F::iColorNRthreshold);
    ExchangeText(dx, table[RowIndex(F::harden)].row, hardenValue);
    ExchangeText(dx, table[RowIndex(F::soften)].row, softenValue);
    for (const F f : {F::harden, F::soften, F::WBfineTuneB, F::WBfineTuneG, F::WBfineTuneR})
        slider(f);
    text(F::WBfineTuneG);
    text(F::WBfineTuneB);
    text(F::WBfineTuneR);
    check(1220, F::WBfineTune);
    check(1221, F::easySR);
    check(1203, F::iEnhGreen);
    for (const F f : {F::NR1, F::NR2, F::NR3, F::NR4})
        slider(f);
    check(1225, F::bNR);
    for (const F f : {F::NR1, F::NR2, F::NR3, F::NR4})
        text(f);
}

bool CParamControls::RunExchange(bool save, const std::function<QWidget*(unsigned)>& lookup)
{
    CDataExchange dx(lookup, save);
    Exchange(dx);
    if (save) {
        for (const F f : kFloatFields) {
            float& value = record.*(FieldInfo(f).floatField);
            const float shown = loadedRecord.*(FieldInfo(f).floatField);
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

void CParamControls::SetEnabled(unsigned id, bool on)
{
    if (QWidget* w = Control(id)) {
        w->setEnabled(on);
        if (options.classic)
            w->setVisible(on);
    }
}

void CParamControls::EnableControls()
{
    EnableInputs in;
    in.sharpness = record.sharpness;
    in.fineTune = record.WBfineTune;
    in.whiteBalanceItem = WhiteBalanceSelection();
    in.useRafWB = doc == nullptr || doc->Edit().UseRafWB();
    in.noiseReduction = record.bNR;
    in.useOldNR = doc != nullptr && doc->Edit().Switch(SwitchId::UseOldNR) != 0;
    const SRControlStates none;
    for (const ParamControl& c : ParamControlTable()) {
        switch (c.rule) {
        case EnableRule::SRMix:
        case EnableRule::SRNotEasy:
        case EnableRule::SRLinear:
        case EnableRule::Always: continue;
        default: break;
        }
        if (ControlUnit* unit = Unit(c.field))
            unit->setEnabled(RuleEnabled(c.rule, in, none));
    }
    const bool temperature = RuleEnabled(EnableRule::ColourTemperature, in, none);
    for (const unsigned id : {2400u, 2401u, 2402u})
        if (QWidget* w = Control(id))
            w->setEnabled(temperature);
}

void CParamControls::EnableSRControls(int enable, int easy, int type)
{
    const SRControlStates sr = EnableSRStates(enable, easy, type);
    for (QWidget* w : {static_cast<QWidget*>(srGroup), static_cast<QWidget*>(easyCheck)}) {
        if (w == nullptr)
            continue;
        w->setEnabled(sr.group);
        // The tabbed palette keeps the group's frame in place (its controls
        // go grey with it); the classic palette hides it.
        w->setVisible(sr.group || (w == srGroup && !options.classic));
    }
    for (const unsigned id : {2116u, 1653u, 2216u})
        SetEnabled(id, sr.mix);
    for (const unsigned id : {1401u, 2415u})
        SetEnabled(id, sr.notEasy);
    for (const unsigned id : {1224u, 1223u})
        SetEnabled(id, sr.images);
    for (const unsigned id : {2410u, 1651u, 2112u, 2411u, 1652u, 2113u, 2213u, 2214u})
        SetEnabled(id, sr.notEasy);
    for (const unsigned id : {1654u, 2141u})
        SetEnabled(id, sr.linear);
    // The threshold's caption has no id of its own: it goes with its edit.
    if (ControlUnit* threshold = Unit(F::linearSR); threshold != nullptr && options.classic)
        threshold->Label()->setVisible(sr.linear);
    if (QWidget* spin = Control(2233)) {
        spin->setEnabled(sr.linear);
        spin->setVisible(sr.linear);
    }
}

int CParamControls::WhiteBalanceSelection() const
{
    return wbCombo != nullptr ? wbCombo->currentIndex() : record.whiteBalance;
}

void CParamControls::FillWhiteBalanceList()
{
    if (wbCombo == nullptr)
        return;
    wbCombo->clear();
    const bool useRafWB = doc == nullptr || doc->Edit().UseRafWB();
    for (const std::string& item : WhiteBalanceItems(useRafWB))
        wbCombo->addItem(QString::fromStdString(item));
    // The record's preset stays selected, so that the next Apply keeps it.
    const int wb = loaded ? record.whiteBalance : 0;
    wbCombo->setCurrentIndex(wb >= 0 && wb < wbCombo->count() ? wb : -1);
    EnableControls();
}

// --- Document to palette and back ---------------------------------------------

void CParamControls::PositionsFromRecord()
{
    const std::span<const ParamControl> table = ParamControlTable();
    for (size_t i = 0; i < table.size(); ++i) {
        const ParamControl& c = table[i];
        if (c.binding == EditBinding::SoftenValue)
            positions[i] = softenValue;
        else if (c.binding == EditBinding::HardenValue)
            positions[i] = hardenValue;
        else
            positions[i] = RowValueToPosition(c.row, GetField(record, c.field));
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

void CParamControls::SetParams(const DevParams& newRecord)
{
    record = newRecord;
    record.saturation -= 100;
    loadedRecord = record;
    if (wbCombo != nullptr)
        wbCombo->setCurrentIndex(record.whiteBalance >= 0 && record.whiteBalance < wbCombo->count() ? record.whiteBalance
                                                                                                    : -1);
    if (srCombo != nullptr)
        srCombo->setCurrentIndex(record.typeSR >= 0 && record.typeSR < srCombo->count() ? record.typeSR : -1);
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
    CancelCountdown();
    // A refused entry keeps its text and the focus; nothing half-read is applied.
    if (!UpdateData(true))
        return;
    record.saturation = std::clamp(record.saturation, -100, 300);
    PositionsFromRecord();
    UpdateData(false);
    ShowHue();
    // Before the first record arrives the palette holds a zeroed one.
    if (doc == nullptr || !loaded)
        return;

    DevParams mine = record;
    mine.saturation += 100;
    DevParams base = loadedRecord;
    base.saturation += 100;
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
    doc->OnParametersChanged();
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
    const ParamControl* c = ParamControlById(unit.Row().sliderId);
    if (c == nullptr || !UpdateData(true))
        return false;
    CancelCountdown();
    const size_t i = RowIndex(c->field);
    const double value = RowPositionToValue(c->row, positions[i]);
    bool changed;
    if (FieldInfo(c->field).type == ParamType::Float) {
        float& field = record.*(FieldInfo(c->field).floatField);
        changed = field != float(value);
        field = float(value);
    } else {
        int& field = IntField(record, c->field);
        changed = field != int(value);
        field = int(value);
    }
    if (c->binding != EditBinding::Record) {
        softenValue = record.soften;
        hardenValue = record.harden;
    }
    if (c->rule == EnableRule::FineTune)
        record.WBfineTune = 1;
    UpdateData(false);
    ShowHue();
    return changed;
}

void CParamControls::SliderScrolled(ControlUnit& unit, int code, int)
{
    const int prv = doc != nullptr ? doc->Edit().Switch(SwitchId::CheckPrv) : checkPrv;
    const bool live = code == TB_THUMBTRACK && prv == kPrvLive;
    if (live && options.holdMagnifier)
        options.holdMagnifier(true);
    const SliderGateResult result = RunSliderGate(
        code, prv, countdown, [this, &unit] { return TakeSliderValue(unit); }, [this] { Apply(); });
    if (!live && options.holdMagnifier)
        options.holdMagnifier(false);
    if (result == SliderGateResult::Deferred && onCountdownChanged)
        onCountdownChanged();
}

void CParamControls::ShowFields(const ParamFieldSet& fields)
{
    std::set<unsigned> ids;
    for (size_t i = 0; i < kParamFieldCount; ++i) {
        if (!fields.test(i))
            continue;
        const ParamFieldInfo& info = FieldInfo(ParamField(i));
        for (const unsigned id : {info.editId, info.sliderId, info.spinId})
            if (id != 0)
                ids.insert(id);
    }
    if (fields.test(size_t(F::sharpness)) || fields.test(size_t(F::soften)) || fields.test(size_t(F::harden))) {
        SoftenHardenFromDocument();
        ids.insert({1660u, 1661u, 2130u, 2131u});
    }
    if (fields.test(size_t(F::whiteBalance)) && wbCombo != nullptr)
        wbCombo->setCurrentIndex(record.whiteBalance >= 0 && record.whiteBalance < wbCombo->count() ? record.whiteBalance
                                                                                                    : -1);
    if (fields.test(size_t(F::typeSR)) && srCombo != nullptr)
        srCombo->setCurrentIndex(record.typeSR >= 0 && record.typeSR < srCombo->count() ? record.typeSR : -1);
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
    if (change.target == EditTarget::Switch) {
        if (change.switchId == SwitchId::CheckPrv || change.switchId == SwitchId::CheckMGN) {
            checkPrv = doc->Edit().Switch(SwitchId::CheckPrv);
            checkMgn = doc->Edit().Switch(SwitchId::CheckMGN);
            if (auto* prv = dynamic_cast<AutoCheckBox*>(Control(kPrvId)))
                prv->SetState(checkPrv);
            if (auto* mgn = dynamic_cast<AutoCheckBox*>(Control(kMgnId)))
                mgn->SetState(checkMgn);
        } else if (change.switchId == SwitchId::UseOldNR || change.switchId == SwitchId::UseRafWB) {
            EnableControls();
        }
        return;
    }
    if (change.target != EditTarget::Params || !loaded)
        return;
    DevParams current = doc->Edit().Params();
    current.saturation -= 100;
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
