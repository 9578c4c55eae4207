// A numeric spinner: a decimal Value within [Minimum, Maximum], shown as text with
// DecimalPlaces places, changed by Increment with the arrows.
//
// As the real control does: setting Value outside the range throws (std::out_of_range);
// narrowing the range pulls Value into it; ValueChanged is raised when, and only when, Value
// changes. Text the user types (or the program sets through SetText) is not a value yet: it is
// committed when the focus leaves, on Enter, on an arrow, when a click validates the focused
// control, or when Value is read. Committing parses the text (see Decimal::Parse) and clamps it
// into the range; text that is not a number leaves Value as it was. Either way the text is then
// rewritten from Value.
#pragma once

#include "platform/forms/control.h"
#include "platform/forms/decimal.h"

namespace dq::forms {

class NumericUpDown : public Control {
public:
    NumericUpDown(); // 120 x 20; range 0..100, increment 1, no decimal places, value 0

    ControlKind Kind() const override { return ControlKind::NumericUpDown; }

    // Reading the value commits typed text first.
    Decimal Value();
    void SetValue(Decimal value);
    Decimal Minimum() const { return m_minimum; }
    void SetMinimum(Decimal minimum);
    Decimal Maximum() const { return m_maximum; }
    void SetMaximum(Decimal maximum);
    Decimal Increment() const { return m_increment; }
    void SetIncrement(Decimal increment); // std::out_of_range when negative
    int DecimalPlaces() const { return m_decimalPlaces; }
    void SetDecimalPlaces(int places); // 0 to 99, else std::out_of_range
    HorizontalAlignment TextAlign() const { return m_textAlign; }
    void SetTextAlign(HorizontalAlignment align);
    // A read-only spinner takes no typing; its arrows still work.
    bool ReadOnly() const { return m_readOnly; }
    void SetReadOnly(bool readOnly);

    // Value + Increment, at most Maximum (after committing typed text).
    void UpButton();
    // Value - Increment, at least Minimum.
    void DownButton();
    // Puts text in the box as typing does; it is committed later (see above).
    void SetText(StringView text) override;

    DWORD WindowStyle() const override;
    DWORD WindowExStyle() const override { return WS_EX_CLIENTEDGE; }

    Event<> ValueChanged;

protected:
    void OnValidating() override { ValidateEditText(); }

private:
    friend struct UserAccess;

    Decimal Constrain(Decimal value) const;
    void ParseEditText();
    void UpdateEditText();
    void ValidateEditText();

    Decimal m_value;
    Decimal m_minimum;
    Decimal m_maximum = 100;
    Decimal m_increment = 1;
    int m_decimalPlaces = 0;
    HorizontalAlignment m_textAlign = HorizontalAlignment::Left;
    bool m_readOnly = false;
    bool m_userEdit = false; // the text was typed and is not committed yet
};

} // namespace dq::forms
