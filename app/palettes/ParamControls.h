// The parameter controls that both parameters palettes carry, each built
// from its row of the control table (params/ParamFields.h), and the rules
// they follow: the exchange with the palette's copy of the record (with the
// framework's number formats and range messages), the slider gate and the
// apply countdown, the enabling rules of the rows, the handlers of the
// checks, radios and lists, SetParams (document to palette) and Apply
// (palette to document). The tabbed palette places them on its pages, the
// classic one on its single page.
//
// The controls follow the document's edit state: a change made anywhere
// shows at once; Apply writes back only the fields whose controls the user
// changed since they were last loaded, so a hidden palette never reverts
// what another palette or a command set.
#pragma once

#include "params/ControlRow.h"
#include "params/DevParams.h"
#include "params/EditState.h"
#include "platform/gui/ApplyTimer.h"
#include "platform/gui/ControlUnit.h"
#include "platform/gui/DeferredApply.h"
#include "platform/gui/QtMenus.h"

#include <QObject>

#include <functional>
#include <map>

class QGroupBox;
class QHBoxLayout;
class QLabel;
class QWidget;

namespace velmo {

class CDataExchange;
class CVelmoDoc;
class HueStrip;
class RadioGroup;

class CParamControls final : public QObject, public ControlUnitListener {
public:
    struct Options {
        bool classic = false;        // the classic palette: show/hide S/R controls, no noise reduction
        unsigned dialogId = 0;       // for the controls' captions
        CommandSink commands;        // "L", "S" and "..." commands go here (the frame)
        RouteProvider route;         // the route that fills the recent lists
        // What a deferred apply, "Vivid"/"Green" with "Prv", "FineTune" and
        // "Noise Reduction" run: the tabbed palette's OnApply; the classic
        // palette's Apply when unset.
        std::function<void()> onApply;
        // Whether the palette's other typed values (the tabbed palette's
        // feature pages) let the countdown apply; only this palette's
        // parameter edits count when unset.
        std::function<bool()> typedValuesReady;
    };

    CParamControls(CVelmoDoc* doc, Options options, QObject* parent = nullptr);
    ~CParamControls() override;

    // --- Building: each control is made once from its row, registered by id
    // The pages of the tabbed palette and the classic palette's body.
    QWidget* BuildPage(ControlPage page, QWidget* parent);
    QWidget* BuildClassicBody(QWidget* parent);
    // The bottom row both palettes end with: "Prv", "Mgn", a stretch and the
    // "&Reset" button, which calls onReset. A palette may append buttons of
    // its own after it.
    QHBoxLayout* MakeBottomRow(QWidget* parent, std::function<void()> onReset);
    // The set-up once the controls exist (ranges, lists, timer).
    void InitControls();

    // --- The palette's operations -------------------------------------
    // Every control shows record (stored form); a pending apply is dropped.
    void SetParams(const DevParams& record);
    // Palette to document: what the user edited goes into the edit state,
    // then the document develops (CVelmoDoc::ApplyEdits). Nothing is written
    // when an entry is refused (the message shows, the focus stays) or
    // before the first SetParams.
    void Apply();
    bool UpdateData(bool saveAndValidate);
    void FillWhiteBalanceList();
    void EnableSRControls(int enable, int easy, int type);

    ApplyCountdown& Countdown() { return countdown; }
    // The countdown goes to 0: a pending apply does not happen.
    void CancelCountdown();
    // One 500 ms tick of the countdown (what the timer does).
    void Tick() { timer.Tick(); }
    // Whether every typed value may be applied by the countdown: none is a
    // number still being typed or one the exchange would refuse.
    bool TypedValuesReady() const;
    // Countdown armed or cancelled (for the "&Apply" button's state).
    std::function<void()> onCountdownChanged;

    // The palette's copy, every field in the form its control shows it.
    const DevParams& Record() const { return record; }
    int SoftenValue() const { return softenValue; }
    int HardenValue() const { return hardenValue; }
    bool Loaded() const { return loaded; }
    // Any control of these by id (null when absent).
    QWidget* Control(unsigned id) const;
    ControlUnit* Unit(ParamField field) const;

    // The own update entry of a control whose enabling its row's rule
    // decides: it stays as the rule set it (the idle update must not enable
    // what the rule disabled). False for the other ids.
    bool UpdateOwnControl(unsigned id, CCmdUI& ui) const;

    // ControlUnitListener
    void SliderScrolled(ControlUnit& unit, int code, int position) override;
    void EditChanged(ControlUnit& unit) override;

private:
    // The control of row id, made from its row and registered.
    QWidget* Make(unsigned id, QWidget* parent);
    ControlUnit* MakeUnit(ParamField field, QWidget* parent);
    // A group box or caption of the layout (no control id).
    QGroupBox* MakeGroup(unsigned captionId, QWidget* parent);
    QLabel* MakeCaption(unsigned captionId, QWidget* parent);
    RadioGroup* RadioGroupOf(ParamField field);
    void Register(QWidget* control, unsigned id);

    QWidget* BuildAdjust1(QWidget* parent);
    QWidget* BuildAdjust2(QWidget* parent);
    QWidget* BuildDetail(QWidget* parent, bool withNoiseReduction);
    QWidget* BuildToneGroup(QWidget* parent);
    QWidget* BuildSRGroup(QWidget* parent);

    void Exchange(CDataExchange& dx);
    void ExchangeEdit(CDataExchange& dx, const ControlRow& row);
    int& CheckValue(const ControlRow& row);
    bool RunExchange(bool save, const std::function<QWidget*(unsigned)>& lookup);
    EnableInputs Inputs() const;
    // The rows' enabling: the rules other than S/R mixing, and the S/R ones.
    void EnableControls();
    void ApplyRules(bool srRules);
    void ShowRule(const ControlRow& row, bool on, const EnableInputs& in);
    void PositionsFromRecord();
    void SoftenHardenFromDocument();
    void ShowHue();
    void RunOnApply();
    // The countdown reached 0: applies unless a typed value is not ready.
    void CountdownEnded();
    void Arm();
    void OnEditChange(const EditChange& change);
    // The part of Apply before the development; false when nothing was
    // written (a refused entry, no record yet).
    bool WriteBack();
    void ShowFields(const ParamFieldSet& fields);
    int WhiteBalanceSelection() const;
    void SelectListItems(const ParamFieldSet& fields);
    bool TakeSliderValue(ControlUnit& unit);
    void WireHandlers();

    CVelmoDoc* doc;
    Options options;
    ApplyCountdown countdown;
    ApplyTimer timer;
    EditSubscription subscription;

    DevParams record{};
    // The record as last loaded into the controls: Apply writes back the
    // fields that differ from it.
    DevParams loadedRecord{};
    bool loaded = false;
    int softenValue = 0;
    int hardenValue = 0;
    // The slider positions of the value controls, by field.
    std::map<ParamField, int> positions;
    int checkPrv = 2;
    int checkMgn = 1;
    SRControlStates srStates;

    std::map<unsigned, QWidget*> controls;
    std::map<ParamField, ControlUnit*> units;
    std::map<ParamField, RadioGroup*> radioGroups;
    HueStrip* hueShifted = nullptr;
};

} // namespace velmo
