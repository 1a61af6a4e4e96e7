// The selective-colours editor as a widget: the enable check with its file
// buttons, the range swatch and list, the Red, Green, Blue and Black values
// of the chosen range, and the strips that show what the table does: hues
// and greys before and after, and the hue x saturation map, which also picks
// a range by a click. The body of the selective-colours palette and the
// Color page.
#pragma once

#include "app/palettes/FeaturePanel.h"
#include "app/palettes/SelColorEditor.h"
#include "platform/gui/ControlUnit.h"

#include <array>
#include <vector>

class QComboBox;

namespace velmo {

class CSelColorPanel;

// A sunken strip of colour cells (columns x rows, row by row from the top),
// each drawn a pixel larger than its share so that no gaps remain. Blank
// without cells.
class CColorStrip final : public QWidget {
public:
    CColorStrip(int columns, int rows, QWidget* parent);
    void SetCells(std::vector<StripColor> cells);
    const std::vector<StripColor>& Cells() const { return cells; }
    // Called with the position of a left click.
    void SetClickHandler(std::function<void(QPoint)> handler) { clickHandler = std::move(handler); }

    QSize sizeHint() const override;
    QSize minimumSizeHint() const override;

protected:
    void paintEvent(QPaintEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;

private:
    int columns;
    int rows;
    std::vector<StripColor> cells;
    std::function<void(QPoint)> clickHandler;
};

class CSelColorPanel : public CFeaturePanel, private ControlUnitListener {
public:
    CSelColorPanel(CVelmoDoc& doc, unsigned dialogId, QWidget* parent);

    SelColorEditor& Editor() { return editor; }
    ControlUnit* Unit(SelectiveColorTable::Column column) const { return units[size_t(column)]; }
    QComboBox* RangeCombo() const { return rangeCombo; }
    CColorStrip* Swatch() const { return swatch; }
    CColorStrip* Strip(unsigned id) const;

    // "&Reset": all nine ranges cleared.
    void ResetFeature() override;
    void Reload() override;
    // Chooses range r as the list does.
    void ChooseRange(int r);

private:
    void SliderScrolled(ControlUnit& unit, int code, int position) override;
    void EditChanged(ControlUnit& unit) override;
    SelectiveColorTable::Column ColumnOf(const ControlUnit& unit) const;
    void DrawStrips();

    SelColorEditor editor;
    QComboBox* rangeCombo = nullptr;
    CColorStrip* swatch = nullptr;
    std::array<ControlUnit*, SelectiveColorTable::kColumns> units{};
    // 2404 .. 2408.
    std::array<CColorStrip*, 5> strips{};
};

} // namespace velmo
