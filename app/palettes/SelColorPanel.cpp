#include "app/palettes/SelColorPanel.h"

#include "app/palettes/FeatureControlIds.h"
#include "document/VelmoDoc.h"
#include "platform/gui/ControlIds.h"
#include "platform/gui/ControlUnit.h"
#include "platform/gui/DialogText.h"
#include "res/ResourceIds.h"

#include <QComboBox>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QMouseEvent>
#include <QPainter>
#include <QSignalBlocker>
#include <QVBoxLayout>

namespace velmo {

namespace {

struct ColorUnitIds {
    SelectiveColorTable::Column column;
    unsigned editId, sliderId, spinId;
    const char* caption;
};

constexpr ColorUnitIds kColorUnits[] = {
    {SelectiveColorTable::Red, IDC_SELCOLOR_RED_EDIT, IDC_SELCOLOR_RED_SLIDER, IDC_SELCOLOR_RED_SPIN, "Red"},
    {SelectiveColorTable::Green, IDC_SELCOLOR_GREEN_EDIT, IDC_SELCOLOR_GREEN_SLIDER, IDC_SELCOLOR_GREEN_SPIN, "Green"},
    {SelectiveColorTable::Blue, IDC_SELCOLOR_BLUE_EDIT, IDC_SELCOLOR_BLUE_SLIDER, IDC_SELCOLOR_BLUE_SPIN, "Blue"},
    {SelectiveColorTable::Black, IDC_SELCOLOR_BLACK_EDIT, IDC_SELCOLOR_BLACK_SLIDER, IDC_SELCOLOR_BLACK_SPIN, "Black"},
};

constexpr unsigned kStripIds[] = {IDC_SELCOLOR_HUE_BEFORE, IDC_SELCOLOR_HUE_AFTER, IDC_SELCOLOR_GREY_BEFORE,
                                  IDC_SELCOLOR_GREY_AFTER, IDC_SELCOLOR_MAP};

} // namespace

CColorStrip::CColorStrip(int cellColumns, int cellRows, QWidget* parent)
    : QWidget(parent), columns(cellColumns), rows(cellRows)
{
    setSizePolicy(QSizePolicy::Expanding, rows > 1 ? QSizePolicy::Expanding : QSizePolicy::Fixed);
}

void CColorStrip::SetCells(std::vector<StripColor> newCells)
{
    cells = std::move(newCells);
    update();
}

QSize CColorStrip::sizeHint() const
{
    const int line = fontMetrics().height();
    if (rows > 1)
        return {240, 120};
    return {columns == 1 ? line * 2 : 240, line};
}

QSize CColorStrip::minimumSizeHint() const
{
    const int line = fontMetrics().height();
    return {columns == 1 ? line : 60, rows > 1 ? 60 : line};
}

void CColorStrip::paintEvent(QPaintEvent*)
{
    QPainter painter(this);
    const QRect r = rect();
    painter.fillRect(r, palette().color(QPalette::Window));
    if (cells.size() == size_t(columns) * size_t(rows)) {
        const double w = double(r.width()) / columns;
        const double h = double(r.height()) / rows;
        for (int j = 0; j < rows; ++j) {
            for (int i = 0; i < columns; ++i) {
                const StripColor& c = cells[size_t(j) * size_t(columns) + size_t(i)];
                painter.fillRect(int(i * w), int(j * h), int(w + 1), int(h + 1), QColor(c.r, c.g, c.b));
            }
        }
    }
    painter.setPen(palette().color(QPalette::Dark));
    painter.drawRect(r.adjusted(0, 0, -1, -1));
}

void CColorStrip::mousePressEvent(QMouseEvent* event)
{
    if (event->button() == Qt::LeftButton && clickHandler)
        clickHandler(event->position().toPoint());
}

CSelColorPanel::CSelColorPanel(CVelmoDoc& document, unsigned dialogId, QWidget* parent)
    : CFeaturePanel(FeatureKind::SelectiveColors, document, parent), editor(document.Edit())
{
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(4, 4, 4, 4);
    layout->addWidget(MakeHeader(dialogId, ID_SELCOLOR_ENABLE, ID_POPUP_SELCOLOR_MENU));

    auto* rangeRow = new QHBoxLayout;
    swatch = new CColorStrip(1, 1, this);
    SetupControl(swatch, IDC_SELCOLOR_SWATCH, PlainCaption(ControlText(dialogId, IDC_SELCOLOR_SWATCH)));
    rangeRow->addWidget(swatch);
    rangeCombo = new QComboBox(this);
    for (const std::string& name : ColorRangeNames())
        rangeCombo->addItem(QString::fromStdString(name));
    SetupControl(rangeCombo, IDC_SELCOLOR_RANGE, PlainCaption(ControlText(dialogId, IDC_SELCOLOR_RANGE)));
    connect(rangeCombo, &QComboBox::activated, this, [this](int index) { ChooseRange(index); });
    rangeRow->addWidget(rangeCombo, 1);
    layout->addLayout(rangeRow);

    for (const ColorUnitIds& ids : kColorUnits) {
        ControlRow row;
        row.editId = ids.editId;
        row.sliderId = ids.sliderId;
        row.spinId = ids.spinId;
        row.caption = ids.caption;
        row.sliderMin = kSelectiveColorRange.min;
        row.sliderMax = kSelectiveColorRange.max;
        row.pageSize = 10;
        row.ticStep = 20;
        row.spinRange = UpDownRange{kSelectiveColorRange.min, kSelectiveColorRange.max};
        row.editRange = ValueRange{double(kSelectiveColorRange.min), double(kSelectiveColorRange.max)};
        row.dialogId = dialogId;
        auto* unit = new ControlUnit(row, this);
        unit->SetListener(this);
        units[size_t(ids.column)] = unit;
        layout->addWidget(unit);
    }

    auto* strips2 = new QVBoxLayout;
    strips2->setSpacing(2);
    for (size_t i = 0; i < strips.size(); ++i) {
        const bool map = kStripIds[i] == IDC_SELCOLOR_MAP;
        strips[i] = new CColorStrip(kStripCells, map ? kStripCells : 1, this);
        SetupControl(strips[i], kStripIds[i], PlainCaption(ControlText(dialogId, kStripIds[i])));
        strips2->addWidget(strips[i], map ? 1 : 0);
    }
    Strip(IDC_SELCOLOR_MAP)->SetClickHandler([this](QPoint p) {
        const CColorStrip* map = Strip(IDC_SELCOLOR_MAP);
        if (const std::optional<int> r = PickColorRange(p.x(), p.y(), map->width(), map->height()))
            ChooseRange(*r);
    });
    layout->addLayout(strips2, 1);
    Reload();
}

CColorStrip* CSelColorPanel::Strip(unsigned id) const
{
    for (size_t i = 0; i < strips.size(); ++i)
        if (kStripIds[i] == id)
            return strips[i];
    return nullptr;
}

void CSelColorPanel::ChooseRange(int r)
{
    editor.SetRange(r);
    Reload();
}

void CSelColorPanel::Reload()
{
    {
        const QSignalBlocker block(rangeCombo);
        rangeCombo->setCurrentIndex(editor.Range());
    }
    for (size_t i = 0; i < units.size(); ++i)
        ShowUnitValue(*units[i], editor.Value(SelectiveColorTable::Column(i)));
    DrawStrips();
}

void CSelColorPanel::DrawStrips()
{
    if (!FeatureOn()) {
        swatch->SetCells({});
        for (CColorStrip* s : strips)
            s->SetCells({});
        return;
    }
    const EditState& state = Doc().Edit();
    const HueModel model = state.Hue();
    const int green = state.Params().iEnhGreen;
    const SelectiveColorTable& table = state.SelectiveColors();
    swatch->SetCells({RangeSwatchColor(editor.Range(), model)});
    Strip(IDC_SELCOLOR_HUE_BEFORE)->SetCells(HueRamp(model));
    Strip(IDC_SELCOLOR_HUE_AFTER)->SetCells(HueRampAfter(table, green, model));
    Strip(IDC_SELCOLOR_GREY_BEFORE)->SetCells(GreyRamp(model));
    Strip(IDC_SELCOLOR_GREY_AFTER)->SetCells(GreyRampAfter(table, green, model));
    Strip(IDC_SELCOLOR_MAP)->SetCells(ColorMapAfter(table, green, model));
}

SelectiveColorTable::Column CSelColorPanel::ColumnOf(const ControlUnit& unit) const
{
    for (size_t i = 0; i < units.size(); ++i)
        if (units[i] == &unit)
            return SelectiveColorTable::Column(i);
    return SelectiveColorTable::kColumns;
}

void CSelColorPanel::SliderScrolled(ControlUnit& unit, int code, int position)
{
    const SelectiveColorTable::Column c = ColumnOf(unit);
    if (c == SelectiveColorTable::kColumns)
        return;
    editor.SetValue(c, position);
    AfterSlider(code);
}

void CSelColorPanel::EditChanged(ControlUnit& unit)
{
    const SelectiveColorTable::Column c = ColumnOf(unit);
    if (c == SelectiveColorTable::kColumns)
        return;
    if (const std::optional<int> v = UnitEditValue(unit))
        editor.SetValue(c, *v);
    AfterTyping();
}

void CSelColorPanel::ResetFeature()
{
    editor.Reset();
    ApplyNow();
}

} // namespace velmo
