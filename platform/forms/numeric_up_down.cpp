#include "platform/forms/numeric_up_down.h"

#include <stdexcept>

namespace dq::forms {

NumericUpDown::NumericUpDown() : Control(forms::Size{120, 20}) {
    UpdateEditText();
}

Decimal NumericUpDown::Value() {
    if (m_userEdit)
        ValidateEditText();
    return m_value;
}

void NumericUpDown::SetValue(Decimal value) {
    if (value == m_value)
        return;
    if (value < m_minimum || value > m_maximum)
        throw std::out_of_range("Value should be between Minimum and Maximum.");
    m_value = value;
    ValueChanged.Raise(*this);
    UpdateEditText();
}

void NumericUpDown::SetMinimum(Decimal minimum) {
    m_minimum = minimum;
    if (m_minimum > m_maximum)
        m_maximum = m_minimum;
    SetValue(Constrain(m_value));
    UpdateEditText();
}

void NumericUpDown::SetMaximum(Decimal maximum) {
    m_maximum = maximum;
    if (m_minimum > m_maximum)
        m_minimum = m_maximum;
    SetValue(Constrain(m_value));
    UpdateEditText();
}

void NumericUpDown::SetIncrement(Decimal increment) {
    if (increment < Decimal(0))
        throw std::out_of_range("Increment must not be negative.");
    m_increment = increment;
}

void NumericUpDown::SetDecimalPlaces(int places) {
    if (places < 0 || places > 99)
        throw std::out_of_range("DecimalPlaces must be between 0 and 99.");
    m_decimalPlaces = places;
    UpdateEditText();
}

void NumericUpDown::SetTextAlign(HorizontalAlignment align) {
    m_textAlign = align;
    UpdateNative();
}

void NumericUpDown::SetReadOnly(bool readOnly) {
    m_readOnly = readOnly;
    UpdateNative();
}

void NumericUpDown::UpButton() {
    if (m_userEdit)
        ParseEditText();
    Decimal next;
    try {
        next = m_value + m_increment;
    } catch (const std::overflow_error&) {
        next = m_maximum;
    }
    SetValue(next > m_maximum ? m_maximum : next);
}

void NumericUpDown::DownButton() {
    if (m_userEdit)
        ParseEditText();
    Decimal next;
    try {
        next = m_value - m_increment;
    } catch (const std::overflow_error&) {
        next = m_minimum;
    }
    SetValue(next < m_minimum ? m_minimum : next);
}

void NumericUpDown::SetText(StringView text) {
    SetTextCore(text);
    m_userEdit = true;
}

DWORD NumericUpDown::WindowStyle() const {
    DWORD style = Control::WindowStyle();
    if (m_textAlign == HorizontalAlignment::Right)
        style |= ES_RIGHT;
    else if (m_textAlign == HorizontalAlignment::Center)
        style |= ES_CENTER;
    if (m_readOnly)
        style |= ES_READONLY;
    return style;
}

Decimal NumericUpDown::Constrain(Decimal value) const {
    if (value < m_minimum)
        return m_minimum;
    if (value > m_maximum)
        return m_maximum;
    return value;
}

void NumericUpDown::ParseEditText() {
    // The text counts as committed before the new value goes out, so a ValueChanged handler
    // that reads Value sees it settled.
    m_userEdit = false;
    const String& text = Text();
    if (text.empty() || (text.size() == 1 && text[0] == '-'))
        return;
    if (auto parsed = Decimal::Parse(text))
        SetValue(Constrain(*parsed));
}

void NumericUpDown::UpdateEditText() {
    if (m_userEdit)
        ParseEditText();
    SetTextCore(m_value.ToString(m_decimalPlaces));
}

void NumericUpDown::ValidateEditText() {
    ParseEditText();
    UpdateEditText();
}

} // namespace dq::forms
