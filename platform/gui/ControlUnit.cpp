#include "platform/gui/ControlUnit.h"

#include "platform/gui/AutoCheckBox.h"
#include "platform/gui/ControlIds.h"
#include "platform/gui/DataExchange.h"
#include "platform/gui/DeferredApply.h"
#include "params/ExponentMapping.h"
#include "platform/gui/QtMenus.h"
#include "res/ResourceIds.h"
#include "res/StringTable.h"

#include <QComboBox>
#include <QFocusEvent>
#include <QFontMetrics>
#include <QGroupBox>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QRadioButton>
#include <QStyle>
#include <QStyleOptionFrame>
#include <QToolButton>

#include <algorithm>
#include <cmath>
#include <limits>

namespace velmo {

namespace {

// The first of the unit's ids with a string: the tip of a control without
// one of its own.
unsigned TipStringId(const ControlRow& row)
{
    for (unsigned id : {row.id, row.sliderId, row.spinId})
        if (id != 0 && HasString(id))
            return id;
    return 0;
}

} // namespace

QString PlainCaption(const QString& caption)
{
    QString plain;
    for (qsizetype i = 0; i < caption.size(); ++i) {
        if (caption[i] == '&' && i + 1 < caption.size())
            ++i; // "&&" stands for one '&'
        plain += caption[i];
    }
    return plain;
}

QString RowCaption(const ControlRow& row)
{
    if (row.dialogId != 0 && HasString(ControlCaption(row.dialogId, row.id)))
        return QString::fromStdString(LoadString(ControlCaption(row.dialogId, row.id)));
    if (row.captionId != 0 && HasString(row.captionId))
        return QString::fromStdString(LoadString(row.captionId));
    return QString::fromUtf8(row.caption);
}

namespace {

// A drop-down list as wide as its longest item, at any font: whichever item
// is chosen shows whole, and a layout never squeezes it narrower.
class FittedList : public QComboBox {
public:
    explicit FittedList(QWidget* parent) : QComboBox(parent) { setSizeAdjustPolicy(QComboBox::AdjustToContents); }
    QSize minimumSizeHint() const override { return sizeHint(); }
};

} // namespace

void SetupRowControl(QWidget* control, const ControlRow& row)
{
    SetupControl(control, row.id, PlainCaption(RowCaption(row)));
}

QWidget* MakeRowControl(const ControlRow& row, QWidget* parent)
{
    const QString text = RowCaption(row);
    QWidget* control = nullptr;
    switch (row.kind) {
    case ControlKind::Check:
    case ControlKind::ThreeState:
        control = new AutoCheckBox(text, row.kind == ControlKind::ThreeState, parent);
        break;
    case ControlKind::Radio: control = new QRadioButton(text, parent); break;
    case ControlKind::List: control = new FittedList(parent); break;
    case ControlKind::Label: control = new QLabel(text, parent); break;
    case ControlKind::Group: control = new QGroupBox(text, parent); break;
    case ControlKind::Button: {
        auto* button = new QPushButton(text, parent);
        button->setAutoDefault(false);
        control = button;
        break;
    }
    case ControlKind::Value:
    case ControlKind::FileMenu:
    case ControlKind::Picture:
    case ControlKind::Tabs: return nullptr;
    }
    SetupControl(control, row.id, PlainCaption(text));
    return control;
}

NumberEdit::NumberEdit(QWidget* parent) : QLineEdit(parent)
{
    setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    setSizePolicy(QSizePolicy::Fixed, QSizePolicy::Fixed);
}

void NumberEdit::SetSampleTexts(const QStringList& texts)
{
    samples = texts;
    updateGeometry();
}

QSize NumberEdit::sizeHint() const
{
    // QLineEdit's own hint, with the room of the widest sample (and one more
    // digit for the cursor) in place of its default width.
    ensurePolished();
    const QFontMetrics fm(font());
    int textWidth = fm.horizontalAdvance(QStringLiteral("0000"));
    for (const QString& sample : samples)
        textWidth = std::max(textWidth, fm.horizontalAdvance(sample));
    textWidth += fm.horizontalAdvance(QLatin1Char('0'));
    const QMargins text = textMargins();
    const QMargins contents = contentsMargins();
    const int w = textWidth + 2 * 2 + text.left() + text.right() + contents.left() + contents.right();
    const int h = std::max(fm.height(), 14) + 2 * 1 + text.top() + text.bottom() + contents.top() + contents.bottom();
    QStyleOptionFrame option;
    initStyleOption(&option);
    return style()->sizeFromContents(QStyle::CT_LineEdit, &option, QSize(w, h), this);
}

QSize NumberEdit::minimumSizeHint() const
{
    return sizeHint();
}

void NumberEdit::focusOutEvent(QFocusEvent* event)
{
    QLineEdit::focusOutEvent(event);
    // Another window, a menu or a message box: the focus comes back here.
    const Qt::FocusReason reason = event->reason();
    if (reason == Qt::ActiveWindowFocusReason || reason == Qt::PopupFocusReason || !isVisible())
        return;
    if (onLeave)
        onLeave();
}

ControlUnit::ControlUnit(const ControlRow& tableRow, QWidget* parent)
    : QWidget(parent), row(tableRow), label(new QLabel(RowCaption(row), this)), edit(new NumberEdit(this))
{
    const QString caption = PlainCaption(label->text());
    const unsigned tipId = TipStringId(row);
    auto setup = [&](QWidget* control, unsigned id) {
        SetupControl(control, id, caption);
        if (!HasString(id))
            SetControlTips(control, tipId);
    };

    setup(edit, row.id);
    label->setBuddy(edit);
    SetControlTips(label, tipId);
    if (row.sliderId != 0) {
        slider = new TrackBar(Qt::Horizontal, this);
        setup(slider, row.sliderId);
        slider->SetRange(row.sliderMin, row.sliderMax);
        slider->SetPageSize(row.pageSize);
        slider->SetLineSize(row.lineSize);
        slider->SetTicFreq(row.ticStep);
        slider->SetScrollHandler([this](int code, int position) {
            if (listener != nullptr)
                listener->SliderScrolled(*this, code, position);
        });
    }
    if (row.spinId != 0) {
        spin = new SpinButton(this);
        setup(spin, row.spinId);
        spin->UpButton()->setAccessibleName(caption);
        spin->DownButton()->setAccessibleName(caption);
        if (row.spinRange)
            spin->SetRange(row.spinRange->lower, row.spinRange->upper);
        spin->SetBuddy(edit);
        spin->SetDeltaPosHandler([this](int position, int& delta) { return OnSpinDelta(position, delta); });
        spin->SetPositionHandler([this](int) {
            if (listener != nullptr)
                listener->EditChanged(*this);
        });
    }
    connect(edit, &QLineEdit::textEdited, this, [this] {
        if (listener != nullptr)
            listener->EditChanged(*this);
    });
    edit->SetLeaveHandler([this] { OnEditLeft(); });

    // The widest texts the edit is to show: the bounds of its range.
    const ValueRange bounds = row.editRange ? *row.editRange
                                            : ValueRange{RowPositionToValue(row, row.sliderMin),
                                                         RowPositionToValue(row, row.sliderMax)};
    if (row.type == ValueType::Int)
        edit->SetSampleTexts({QString::number(qint64(bounds.min)), QString::number(qint64(bounds.max))});
    else
        edit->SetSampleTexts({QString::number(bounds.min, 'f', 2), QString::number(bounds.max, 'f', 2)});

    auto* layout = new QGridLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setVerticalSpacing(0);
    auto* valueBox = new QHBoxLayout;
    valueBox->setSpacing(0);
    valueBox->addWidget(edit);
    if (spin != nullptr)
        valueBox->addWidget(spin);
    layout->addWidget(label, 0, 0, Qt::AlignLeft | Qt::AlignVCenter);
    layout->addLayout(valueBox, 0, 1);
    layout->setColumnStretch(0, 1);
    if (slider != nullptr)
        layout->addWidget(slider, 1, 0, 1, 2);
}

QString ControlUnit::FormatValue(double value) const
{
    if (row.type == ValueType::Int)
        return QString::fromStdString(FormatIntText(int(std::clamp(value, double(std::numeric_limits<int>::min()),
                                                                   double(std::numeric_limits<int>::max())))));
    return QString::fromStdString(FormatFloatText(float(value)));
}

void ControlUnit::ShowValue(double value)
{
    ShowEditValue(value);
    if (slider != nullptr)
        slider->SetPos(ValueToPosition(value));
}

void ControlUnit::ShowEditValue(double value)
{
    const QString text = FormatValue(value);
    if (edit->text() != text)
        edit->setText(text);
}

std::optional<double> ControlUnit::EditValue() const
{
    const std::string text = edit->text().toStdString();
    if (row.type == ValueType::Int) {
        if (const std::optional<int> v = ParseIntText(text))
            return double(*v);
        return std::nullopt;
    }
    if (const std::optional<float> v = ParseFloatText(text))
        return double(*v);
    return std::nullopt;
}

double ControlUnit::SliderValue() const
{
    return slider != nullptr ? PositionToValue(slider->value()) : 0.0;
}

bool ControlUnit::TypedValueReady() const
{
    return velmo::TypedValueReady(edit->text().toStdString(), row.type, row.editRange);
}

void ControlUnit::OnEditLeft()
{
    // The refused edit takes the focus back from the control the user went
    // to; that one's own leave (or a second refused edit's) is no leave.
    static bool checking = false;
    if (checking || TypedValueReady())
        return;
    checking = true;
    struct Done {
        ~Done() { checking = false; }
    } done;
    // The exchange shows the message and gives the edit the focus back with
    // its text selected; the record keeps its value.
    const bool taken = RunDataExchange(this, true, [this](CDataExchange& dx) {
        if (row.type == ValueType::Int) {
            int value = 0;
            ExchangeValue(dx, value);
        } else {
            float value = 0;
            ExchangeValue(dx, value);
        }
    });
    if (!taken)
        return;
    // A number the exchange takes but the countdown waits for ("1."): it is
    // finished now, shown as it will be kept, and counts down.
    if (const std::optional<double> value = EditValue())
        ShowEditValue(*value);
    if (listener != nullptr)
        listener->EditChanged(*this);
}

void ControlUnit::ExchangeValue(CDataExchange& dx, int& value) const
{
    DDX_Text(dx, row.id, value);
    if (row.editRange)
        DDV_MinMaxInt(dx, value, int(row.editRange->min), int(row.editRange->max));
}

void ControlUnit::ExchangeValue(CDataExchange& dx, float& value) const
{
    DDX_Text(dx, row.id, value);
    if (row.editRange)
        DDV_MinMaxFloat(dx, value, float(row.editRange->min), float(row.editRange->max));
}

bool ControlUnit::OnSpinDelta(int position, int& delta)
{
    if (listener != nullptr && listener->SpinDeltaPos(*this, position, delta))
        return true;
    if (row.spinStep == SpinStepRule::Control)
        return false;
    // An own step: the spin's position stays; the value in the edit moves.
    const int d = delta;
    delta = 0;
    const std::optional<double> value = EditValue();
    if (!value)
        return true; // the next exchange reports the entry
    const float stepped = row.spinStep == SpinStepRule::Exponent ? ExponentSpinValue(float(*value), d)
                                                                 : SensitizeSpinValue(float(*value), d);
    ShowEditValue(stepped);
    if (listener != nullptr)
        listener->EditChanged(*this);
    return true;
}

} // namespace velmo
