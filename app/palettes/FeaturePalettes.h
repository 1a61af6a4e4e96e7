// The tool palettes of the three features: free curve (CFreeCurveBar),
// lens correction (CLensBar) and selective colours (CSelColorBar). Each is
// its feature's editor panel with the palette's own "Prv", "&Reset" and
// "&Apply" below it; the Curve, Lens and Color pages of the tabbed palette
// show the same panels (app/palettes/FeaturePages.h).
#pragma once

#include "app/palettes/PaletteDock.h"
#include "app/palettes/PaletteInterfaces.h"
#include "params/EditState.h"

#include <QTimer>

class QPushButton;

namespace velmo {

class AutoCheckBox;
class CFeaturePanel;
class CFreeCurvePanel;
class CLensPanel;
class CSelColorPanel;
class CVelmoDoc;

// Each follows the edit state through its panel; when the user switches its
// feature on in the classic UI, the palette shows itself and takes the focus.
class CFeatureBar : public CPaletteDock, private CCmdTarget {
public:
    // The palette's parts, made before the dock that holds them.
    struct Parts {
        QWidget* body;
        CFeaturePanel* panel;
    };

    CFeaturePanel* Panel() const { return panel; }
    QPushButton* ApplyButton() const { return applyButton; }
    QPushButton* ResetButton() const { return resetButton; }
    AutoCheckBox* PrvCheck() const { return prvCheck; }

protected:
    // "&Apply" while an edit waits for its development; then the panel's own.
    CCmdTarget* OwnCommands() override { return this; }
    bool OnCmdMsg(unsigned id, CCmdUI* ui) override;

    CFeatureBar(unsigned barViewId, const char* objectName, const QString& caption, unsigned dialogId, Parts parts,
                PaletteCommands paletteCommands, QWidget* parent);

private:
    void UpdateButtons();
    void OnEditChange(const EditChange& change);

    CFeaturePanel* panel;
    QPushButton* applyButton = nullptr;
    QPushButton* resetButton = nullptr;
    AutoCheckBox* prvCheck = nullptr;
    QTimer buttonTimer;
    EditSubscription subscription;
};

class CFreeCurveBar final : public CFeatureBar {
public:
    CFreeCurveBar(const QString& caption, CVelmoDoc& doc, PaletteCommands paletteCommands, QWidget* parent);
    CFreeCurvePanel* CurvePanel() const;
};

class CLensBar final : public CFeatureBar {
public:
    CLensBar(const QString& caption, CVelmoDoc& doc, PaletteCommands paletteCommands, QWidget* parent);
    CLensPanel* LensPanel() const;
};

class CSelColorBar final : public CFeatureBar {
public:
    CSelColorBar(const QString& caption, CVelmoDoc& doc, PaletteCommands paletteCommands, QWidget* parent);
    CSelColorPanel* ColorPanel() const;
};

} // namespace velmo
