// The parameter controls that both parameters palettes carry, and the rules
// they follow: the exchange with the palette's copy of the record (with the
// framework's number formats and range messages), the slider gate and the
// apply countdown, the enabling rules, the handlers of the checks, radios
// and lists, SetParams (document to palette) and Apply (palette to
// document). The tabbed palette places them on its pages, the classic one
// on its single page.
//
// The controls follow the document's edit state: a change made anywhere
// shows at once; Apply writes back only the fields whose controls the user
// changed since they were last loaded, so a hidden palette never reverts
// what another palette or a command set.
#pragma once

#include "app/palettes/ParamControlTable.h"
#include "params/DevParams.h"
#include "params/EditState.h"
#include "platform/gui/ApplyTimer.h"
#include "platform/gui/DeferredApply.h"
#include "platform/gui/QtMenus.h"

#include <QObject>

#include <array>
#include <functional>
#include <map>
#include <vector>

class QComboBox;
class QGroupBox;
class QHBoxLayout;
class QLabel;
class QPushButton;
class QRadioButton;
class QWidget;

namespace velmo {

class AutoCheckBox;
class CDataExchange;
class CVelmoDoc;
class FileMenuButtons;
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
        // Holds the magnifier's refresh during a live drag (true) and lets
        // it run when the drag ends (false).
        std::function<void(bool)> holdMagnifier;
    };

    CParamControls(CVelmoDoc* doc, Options options, QObject* parent = nullptr);
    ~CParamControls() override;

    // --- Building: each control is made once, registered by id ----------
    // The pages of the tabbed palette and the classic palette's body.
    QWidget* BuildPage(ParamPage page, QWidget* parent);
    QWidget* BuildClassicBody(QWidget* parent);
    // "Prv" (three states) and "Mgn", exchanged with the switches.
    AutoCheckBox* MakePrvCheck(QWidget* parent);
    AutoCheckBox* MakeMgnCheck(QWidget* parent);
    // The bottom row both palettes end with: "Prv", "Mgn", a stretch and the
    // "&Reset" button, which calls onReset. A palette may append buttons of
    // its own after it.
    QHBoxLayout* MakeBottomRow(QWidget* parent, std::function<void()> onReset);
    // The set-up once the controls exist (ranges, lists, timer).
    void InitControls();

    // --- The palette's operations -------------------------------------
    void SetParams(const DevParams& record);
    // Palette to document (also what the tool palettes call). Nothing is
    // written when an entry is refused (the message shows, the focus stays)
    // or before the first SetParams.
    void Apply();
    bool UpdateData(bool saveAndValidate);
    void FillWhiteBalanceList();
    void EnableSRControls(int enable, int easy, int type);

    ApplyCountdown& Countdown() { return countdown; }
    // The countdown goes to 0: a pending apply does not happen.
    void CancelCountdown();
    // One 500 ms tick of the countdown (what the timer does).
    void Tick() { timer.Tick(); }
    // Countdown armed or cancelled (for the "&Apply" button's state).
    std::function<void()> onCountdownChanged;

    // The palette's copy (saturation as shown, minus 100).
    const DevParams& Record() const { return record; }
    int SoftenValue() const { return softenValue; }
    int HardenValue() const { return hardenValue; }
    bool Loaded() const { return loaded; }
    // Any control of these by id (null when absent).
    QWidget* Control(unsigned id) const;
    ControlUnit* Unit(ParamField field) const;
    ParamPage PageOfControl(unsigned id) const;
    bool HasControl(unsigned id) const { return Control(id) != nullptr; }

    // ControlUnitListener
    void SliderScrolled(ControlUnit& unit, int code, int position) override;
    void EditChanged(ControlUnit& unit) override;

private:
    ControlUnit* MakeUnit(ParamField field, QWidget* parent);
    AutoCheckBox* MakeCheck(unsigned id, unsigned captionId, bool threeState, QWidget* parent);
    QRadioButton* MakeRadio(RadioGroup* group, unsigned id, unsigned captionId, QWidget* parent);
    QGroupBox* MakeGroup(unsigned id, unsigned captionId, QWidget* parent);
    QLabel* MakeLabel(unsigned id, unsigned captionId, QWidget* parent);
    QComboBox* MakeCombo(unsigned id, unsigned captionId, QWidget* parent);
    FileMenuButtons* MakeFileButtons(unsigned popupId, QWidget* parent);
    void Register(QWidget* control, unsigned id, ParamPage page);
    QString Caption(unsigned id, unsigned captionId) const;

    QWidget* BuildAdjust1(QWidget* parent);
    QWidget* BuildAdjust2(QWidget* parent);
    QWidget* BuildDetail(QWidget* parent, bool withNoiseReduction);
    QWidget* BuildToneGroup(QWidget* parent);
    QWidget* BuildSRGroup(QWidget* parent);

    void Exchange(CDataExchange& dx);
    bool RunExchange(bool save, const std::function<QWidget*(unsigned)>& lookup);
    void EnableControls();
    void SetEnabled(unsigned id, bool on);
    void PositionsFromRecord();
    void SoftenHardenFromDocument();
    void ShowHue();
    void RunOnApply();
    void Arm();
    void OnEditChange(const EditChange& change);
    void ShowFields(const ParamFieldSet& fields);
    int WhiteBalanceSelection() const;
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
    std::array<int, 22> positions{};
    int checkPrv = 2;
    int checkMgn = 1;

    std::map<unsigned, QWidget*> controls;
    std::map<ParamField, ControlUnit*> units;
    RadioGroup* sharpnessGroup;
    RadioGroup* rotationGroup;
    RadioGroup* toneGroup;
    QComboBox* wbCombo = nullptr;
    QComboBox* srCombo = nullptr;
    QGroupBox* srGroup = nullptr;
    AutoCheckBox* easyCheck = nullptr;
    HueStrip* hueShifted = nullptr;
};

} // namespace velmo
