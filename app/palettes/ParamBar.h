// The classic parameters palette ("Use old UI"): the parameter controls of
// Adjust1, Adjust2 and Detail on one page, without noise reduction, with
// "Prv", "Mgn", "&Reset" and "&Apply". The frame always makes it; like every
// palette it follows the edit state, also while the tabbed palette is the
// one shown.
#pragma once

#include "app/palettes/PaletteDock.h"
#include "app/palettes/ParamControls.h"

#include <memory>

class QPushButton;

namespace velmo {

class CParamBar final : public CPaletteDock, private CCmdTarget {
public:
    CParamBar(PaletteCommands paletteCommands, CVelmoDoc& doc, const QString& caption, QWidget* parent);
    ~CParamBar() override;

    // The palette's record (with what the user edited) to the document,
    // then the development.
    void Apply() { params->Apply(); }
    // "&Reset": the camera family's defaults shown at once; the preview
    // changes with the next applied change.
    void OnReset();
    // Gives its control controlId the focus; false when it has none.
    bool ShowControl(unsigned controlId);

    bool FocusControl(unsigned controlId) override { return ShowControl(controlId); }
    void ApplyFont() override;

    CParamControls& Controls() { return *params; }
    QPushButton* ApplyButton() const { return applyButton; }
    const DevParams& Record() const { return params->Record(); }

protected:
    // "&Apply" is enabled only while a change is waiting; the controls
    // that the rows' rules enable stay as the rules set them.
    CCmdTarget* OwnCommands() override { return this; }
    bool OnCmdMsg(unsigned id, CCmdUI* ui) override;

private:
    void UpdateApplyButton();

    CVelmoDoc& doc;
    std::unique_ptr<CParamControls> params;
    QPushButton* applyButton = nullptr;
};

} // namespace velmo
