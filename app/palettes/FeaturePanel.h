// What the free-curve, lens and selective-colours editors share as widgets:
// the feature's enable check and its "L", "S", "..." buttons, the deferred
// apply (a typed value develops about two seconds after the last key), the
// slider rule of the tool palettes, and the subscription that reloads the
// controls whenever the edit state changes (whichever host changed it).
//
// A panel is the body of its own palette and the page of the tabbed
// parameters palette alike; both hosts edit the one edit state.
#pragma once

#include "app/palettes/PaletteDock.h"
#include "params/ControlRow.h"
#include "params/EditState.h"
#include "platform/gui/ApplyTimer.h"
#include "platform/gui/DeferredApply.h"
#include "platform/gui/QtMenus.h"

#include <QWidget>

#include <functional>
#include <optional>

class QLineEdit;

namespace velmo {

class AutoCheckBox;
class CVelmoDoc;
class ControlUnit;
class ControlUnitListener;
class FileMenuButtons;

// Its own command-update entries serve the palette or page that holds it.
class CFeaturePanel : public QWidget, public CCmdTarget {
public:
    // dialogId: whose control captions the panel shows.
    CFeaturePanel(FeatureKind kind, CVelmoDoc& doc, unsigned dialogId, QWidget* parent);
    ~CFeaturePanel() override;

    FeatureKind Kind() const { return kind; }
    CVelmoDoc& Doc() const { return doc; }
    bool FeatureOn() const;

    // The pictures follow what the edit state holds now (the palette's
    // "Apply", the end of the countdown): they develop when the feature is
    // on and no typed value is refused (CheckTypedValues). The countdown stops.
    void ApplyNow();
    // The typed values of the panel's controls checked as the parameter
    // controls check theirs when they apply: a text that is no integer or
    // lies outside its control's range is refused with the range message
    // and its edit gets the focus. False when one was refused.
    bool CheckTypedValues();
    // Whether the countdown may apply: no typed value of the panel is a
    // number still being typed or one CheckTypedValues would refuse.
    bool TypedValuesReady() const;
    // The feature's reset ("&Reset" of the host).
    virtual void ResetFeature() = 0;
    // Every control shows the edit state again.
    virtual void Reload() = 0;

    // As a page of the tabbed palette: its countdown and its apply serve the
    // page instead of the panel's own.
    void SetPageHooks(std::function<void()> arm, std::function<void()> apply);

    ApplyCountdown& Countdown() { return countdown; }
    ApplyTimer& Timer() { return timer; }
    AutoCheckBox* EnableCheck() const { return enableCheck; }
    FileMenuButtons* FileButtons() const { return fileButtons; }

    // What its buttons ask of the program (set by the palette that holds it).
    void SetCommands(PaletteCommands palette) { commands = std::move(palette); }
    // Runs a command on the frame's route (nothing in a bare test window).
    void RunCommand(unsigned id) const { commands.Run(id); }

    // The control table's row of id as this panel shows it (its captions).
    ControlRow Row(unsigned id) const;

protected:
    // Builds the enable check and the file buttons of popupButtonId beside
    // it; the caller puts the returned row into its layout.
    QWidget* MakeHeader(unsigned enableId, unsigned popupButtonId);
    // The widget of the row of id (MakeRowControl), and a value unit of its
    // row, with this panel as listener.
    QWidget* Make(unsigned id, QWidget* parent);
    ControlUnit* MakeUnit(const ControlRow& row, ControlUnitListener* listener, QWidget* parent);
    // An own widget with the id, caption and tips of its row.
    void Setup(QWidget* control, unsigned id) const;
    // Whether a change of the edit state concerns this panel.
    bool Concerns(const EditChange& change) const;
    // The rule of the tool palettes' sliders, after the slider's value went
    // into the edit state: nothing more while the feature is off; else
    // develop at once at the end of a move (or on every thumb move when
    // "Prv" is checked), otherwise after the countdown.
    void AfterSlider(int code);
    // A typed value went into the edit state: develop after the countdown.
    void AfterTyping() { Arm(); }
    // The countdown starts again.
    void Arm();
    // The pictures develop: the host's apply, else the document's.
    void Develop();

    // Shows value in a unit: the slider always, the edit only when its text
    // does not already read value (so typing is not disturbed).
    static void ShowUnitValue(ControlUnit& unit, int value);
    // The unit's edit as an integer, when it reads as one within the unit's
    // range (only such a value reaches the edit state while typing).
    static std::optional<int> UnitEditValue(const ControlUnit& unit);

private:
    void OnEnableClicked();

    FeatureKind kind;
    CVelmoDoc& doc;
    unsigned captionDialog;
    ApplyCountdown countdown;
    ApplyTimer timer;
    EditSubscription subscription;
    AutoCheckBox* enableCheck = nullptr;
    FileMenuButtons* fileButtons = nullptr;
    std::function<void()> armHook;
    std::function<void()> applyHook;
    PaletteCommands commands;
};

} // namespace velmo
