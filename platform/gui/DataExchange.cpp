#include "platform/gui/DataExchange.h"

#include "platform/core/MessageBox.h"
#include "platform/gui/AutoCheckBox.h"
#include "platform/gui/ControlIds.h"
#include "platform/gui/RadioGroup.h"
#include "res/ResourceIds.h"
#include "res/StringTable.h"

#include <QAbstractButton>
#include <QAbstractSlider>
#include <QButtonGroup>
#include <QSignalBlocker>
#include <QCheckBox>
#include <QLineEdit>
#include <QWidget>

#include <cctype>
#include <charconv>
#include <cmath>
#include <limits>

namespace velmo {

namespace {

// FLT_DIG: the significant digits the framework shows of a float.
constexpr int kFloatDigits = std::numeric_limits<float>::digits10;

bool IsBlank(char c)
{
    return c == ' ' || c == '\t';
}

size_t SkipBlanks(std::string_view text, size_t i)
{
    while (i < text.size() && IsBlank(text[i]))
        ++i;
    return i;
}

// strtol and strtod also skip the other white space before the number.
size_t SkipSpace(std::string_view text, size_t i)
{
    while (i < text.size() && std::isspace(static_cast<unsigned char>(text[i])))
        ++i;
    return i;
}

char FirstChar(std::string_view text, size_t i)
{
    return i < text.size() ? text[i] : '\0';
}

void ShowRefusal(const std::string& text)
{
    ShowMessage(text, MB_OK | MB_ICONEXCLAMATION);
}

} // namespace

std::optional<int> ParseIntText(std::string_view text)
{
    size_t i = SkipBlanks(text, 0);
    const char first = FirstChar(text, i);
    i = SkipSpace(text, i);
    bool negative = false;
    if (i < text.size() && (text[i] == '+' || text[i] == '-')) {
        negative = text[i] == '-';
        ++i;
    }
    const size_t digits = i;
    long long magnitude = 0;
    bool tooLarge = false;
    for (; i < text.size() && text[i] >= '0' && text[i] <= '9'; ++i) {
        magnitude = magnitude * 10 + (text[i] - '0');
        if (magnitude > (1LL << 32)) {
            tooLarge = true;
            magnitude = 1LL << 32;
        }
    }
    if (i == digits)
        return std::nullopt; // nothing converted
    const long long value = negative ? -magnitude : magnitude;
    if (value == 0 && first != '0')
        return std::nullopt;
    if (SkipBlanks(text, i) != text.size())
        return std::nullopt;
    if (tooLarge || value < std::numeric_limits<int>::min() || value > std::numeric_limits<int>::max())
        return std::nullopt;
    return int(value);
}

std::optional<float> ParseFloatText(std::string_view text)
{
    size_t i = SkipBlanks(text, 0);
    const char first = FirstChar(text, i);
    i = SkipSpace(text, i);
    if (i < text.size() && text[i] == '+') {
        ++i;
        if (i < text.size() && (text[i] == '+' || text[i] == '-'))
            return std::nullopt;
    }
    // Decimal notation only, as the C library reads it in the "C" locale.
    for (size_t k = i; k < text.size() && !IsBlank(text[k]); ++k) {
        const char c = text[k];
        if (!(std::isdigit(static_cast<unsigned char>(c)) || c == '.' || c == '-' || c == '+' || c == 'e' || c == 'E'))
            return std::nullopt;
    }
    double d = 0;
    const char* begin = text.data() + i;
    const char* end = text.data() + text.size();
    const auto [rest, error] = std::from_chars(begin, end, d, std::chars_format::general);
    if (error != std::errc())
        return std::nullopt; // nothing converted, or beyond double
    if (d == 0.0 && first != '0')
        return std::nullopt;
    if (SkipBlanks(text, size_t(rest - text.data())) != text.size())
        return std::nullopt;
    const float value = float(d);
    if (!std::isfinite(value))
        return std::nullopt;
    return value;
}

std::string FormatIntText(int value)
{
    return std::to_string(value);
}

std::string FormatFloatText(float value)
{
    char buffer[64];
    const auto [end, error] =
        std::to_chars(buffer, buffer + sizeof buffer, double(value), std::chars_format::general, kFloatDigits);
    return error == std::errc() ? std::string(buffer, end) : std::string();
}

std::string FormatMessage2(unsigned stringId, const std::string& first, const std::string& second)
{
    const std::string pattern = LoadString(stringId);
    std::string text;
    for (size_t i = 0; i < pattern.size(); ++i) {
        if (pattern[i] == '%' && i + 1 < pattern.size() && (pattern[i + 1] == '1' || pattern[i + 1] == '2')) {
            text += pattern[i + 1] == '1' ? first : second;
            ++i;
        } else {
            text += pattern[i];
        }
    }
    return text;
}

CDataExchange::CDataExchange(QWidget* dialog, bool save)
    : lookup([dialog](unsigned id) { return FindControl(dialog, id); }), saveAndValidate(save)
{
}

CDataExchange::CDataExchange(ControlLookup controlLookup, bool save)
    : lookup(std::move(controlLookup)), saveAndValidate(save)
{
}

QWidget* CDataExchange::PrepareCtrl(unsigned id)
{
    if (failed)
        return nullptr;
    QWidget* control = lookup ? lookup(id) : nullptr;
    if (control != nullptr) {
        lastId = id;
        lastControl = control;
    }
    return control;
}

QLineEdit* CDataExchange::PrepareEditCtrl(unsigned id)
{
    return qobject_cast<QLineEdit*>(PrepareCtrl(id));
}

void CDataExchange::Fail()
{
    if (failed)
        return;
    failed = true;
    if (!saveAndValidate || lastControl == nullptr)
        return;
    lastControl->setFocus(Qt::OtherFocusReason);
    if (auto* edit = qobject_cast<QLineEdit*>(lastControl))
        edit->selectAll();
}

bool RunDataExchange(QWidget* dialog, bool saveAndValidate, const std::function<void(CDataExchange&)>& exchange)
{
    CDataExchange dx(dialog, saveAndValidate);
    exchange(dx);
    return !dx.Failed();
}

void DDX_Text(CDataExchange& dx, unsigned id, int& value)
{
    QLineEdit* edit = dx.PrepareEditCtrl(id);
    if (edit == nullptr)
        return;
    if (dx.SaveAndValidate()) {
        const std::optional<int> parsed = ParseIntText(edit->text().toStdString());
        if (!parsed) {
            ShowRefusal(LoadString(AFX_IDP_PARSE_INT));
            dx.Fail();
            return;
        }
        value = *parsed;
    } else {
        // Only a different text is set (the cursor and selection stay).
        const QString text = QString::fromStdString(FormatIntText(value));
        if (edit->text() != text)
            edit->setText(text);
    }
}

void DDX_Text(CDataExchange& dx, unsigned id, float& value)
{
    QLineEdit* edit = dx.PrepareEditCtrl(id);
    if (edit == nullptr)
        return;
    if (dx.SaveAndValidate()) {
        const std::optional<float> parsed = ParseFloatText(edit->text().toStdString());
        if (!parsed) {
            ShowRefusal(LoadString(AFX_IDP_PARSE_REAL));
            dx.Fail();
            return;
        }
        value = *parsed;
    } else {
        const QString text = QString::fromStdString(FormatFloatText(value));
        if (edit->text() != text)
            edit->setText(text);
    }
}

void DDX_Check(CDataExchange& dx, unsigned id, int& value)
{
    auto* button = qobject_cast<QAbstractButton*>(dx.PrepareCtrl(id));
    if (button == nullptr)
        return;
    auto* box = qobject_cast<QCheckBox*>(button);
    if (dx.SaveAndValidate()) {
        value = box != nullptr ? CheckStateNumber(box->checkState()) : (button->isChecked() ? 1 : 0);
        return;
    }
    if (value < BST_UNCHECKED || value > BST_INDETERMINATE)
        value = BST_UNCHECKED; // a damaged value shows as unchecked
    if (box != nullptr) {
        const int shown = !box->isTristate() && value == BST_INDETERMINATE ? BST_CHECKED : value;
        box->setCheckState(QtCheckState(shown));
    } else {
        button->setChecked(value != 0);
    }
}

void DDX_Radio(CDataExchange& dx, unsigned id, int& value)
{
    auto* radio = qobject_cast<QAbstractButton*>(dx.PrepareCtrl(id));
    if (radio == nullptr)
        return;
    QButtonGroup* group = radio->group();
    if (dx.SaveAndValidate()) {
        if (group != nullptr)
            value = RadioIndex(*group);
        else
            value = radio->isChecked() ? 0 : -1;
        return;
    }
    if (group != nullptr)
        SetRadioIndex(*group, value);
    else
        radio->setChecked(value == 0);
}

void DDX_Slider(CDataExchange& dx, unsigned id, int& value)
{
    auto* slider = qobject_cast<QAbstractSlider*>(dx.PrepareCtrl(id));
    if (slider == nullptr)
        return;
    if (dx.SaveAndValidate()) {
        value = slider->value();
        return;
    }
    // Showing the member is not an edit of the slider.
    const QSignalBlocker block(slider);
    slider->setValue(value);
}

void DDV_MinMaxInt(CDataExchange& dx, int value, int minValue, int maxValue)
{
    // Out-of-range data shown on loading is left alone; only entries are refused.
    if (dx.Failed() || !dx.SaveAndValidate())
        return;
    if (value < minValue || value > maxValue) {
        ShowRefusal(FormatMessage2(AFX_IDP_PARSE_INT_RANGE, FormatIntText(minValue), FormatIntText(maxValue)));
        dx.Fail();
    }
}

void DDV_MinMaxFloat(CDataExchange& dx, float value, float minValue, float maxValue)
{
    if (dx.Failed() || !dx.SaveAndValidate())
        return;
    if (value < minValue || value > maxValue) {
        ShowRefusal(FormatMessage2(AFX_IDP_PARSE_REAL_RANGE, FormatFloatText(minValue), FormatFloatText(maxValue)));
        dx.Fail();
    }
}

} // namespace velmo
