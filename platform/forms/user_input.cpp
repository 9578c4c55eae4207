#include "platform/forms/user_input.h"

#include "platform/forms/form.h"
#include "platform/forms/numeric_up_down.h"
#include "platform/forms/text_box.h"

namespace dq::forms {

// The user's side of the controls.
struct UserAccess {
    static void Click(Control& c) { c.OnUserClick(); }
    static bool Mnemonic(Control& c, WCHAR key) { return c.ProcessMnemonic(key); }
    static std::vector<Control*> TabOrder(const Control& c) { return c.TabOrder(); }
    static bool& TextSelected(Control& c) { return c.m_textSelected; }
    static void SetTypedText(Control& c, StringView text) {
        if (c.Kind() == ControlKind::NumericUpDown)
            static_cast<NumericUpDown&>(c).SetText(text); // typed text waits to be committed
        else
            c.SetTextCore(text);
    }
    static void Commit(NumericUpDown& n) { n.ValidateEditText(); }
};

namespace {

bool Reachable(const Control& c) {
    return c.Visible() && c.Enabled();
}

bool Accepts(const Control& c, WCHAR key) {
    if (c.Kind() == ControlKind::TextBox)
        return !static_cast<const TextBox&>(c).ReadOnly();
    if (c.Kind() == ControlKind::NumericUpDown) {
        if (static_cast<const NumericUpDown&>(c).ReadOnly())
            return false;
        return (key >= '0' && key <= '9') || key == '.' || key == ',' || key == '-' || key == '\b';
    }
    return false;
}

NumericUpDown* AsSpinner(Control& c) {
    return c.Kind() == ControlKind::NumericUpDown ? static_cast<NumericUpDown*>(&c) : nullptr;
}

} // namespace

namespace user {

bool Focus(Control& control) {
    return control.Focus();
}

void Click(Control& control) {
    if (!Reachable(control))
        return;
    if (control.CanSelect())
        control.Focus();
    UserAccess::Click(control);
}

void SelectAll(Control& control) {
    UserAccess::TextSelected(control) = true;
}

void Type(Control& control, StringView keys) {
    if (!control.Focus())
        return;
    for (WCHAR key : keys) {
        if (!Accepts(control, key))
            continue;
        String text = control.Text();
        bool& selected = UserAccess::TextSelected(control);
        if (selected)
            text.clear();
        else if (key == '\b' && !text.empty())
            text.pop_back();
        if (key != '\b')
            text.push_back(key);
        selected = false;
        UserAccess::SetTypedText(control, text);
    }
}

void PressEnter(Control& control) {
    if (NumericUpDown* spinner = AsSpinner(control); spinner && control.Focus())
        UserAccess::Commit(*spinner);
}

void PressUp(Control& control) {
    if (NumericUpDown* spinner = AsSpinner(control); spinner && control.Focus())
        spinner->UpButton();
}

void PressDown(Control& control) {
    if (NumericUpDown* spinner = AsSpinner(control); spinner && control.Focus())
        spinner->DownButton();
}

void ClickUpArrow(NumericUpDown& spinner) {
    if (spinner.Focus())
        spinner.UpButton();
}

void ClickDownArrow(NumericUpDown& spinner) {
    if (spinner.Focus())
        spinner.DownButton();
}

void PressTab(Form& form, bool forward) {
    form.SelectNextControl(form.ActiveControl(), forward, true, true);
}

bool PressMnemonic(Form& form, WCHAR key) {
    if (!Reachable(form))
        return false;
    std::vector<Control*> order = UserAccess::TabOrder(form);
    size_t start = 0;
    for (size_t i = 0; i < order.size(); ++i) {
        if (order[i] == form.ActiveControl())
            start = i + 1;
    }
    for (size_t n = 0; n < order.size(); ++n) {
        Control* c = order[(start + n) % order.size()];
        if (UserAccess::Mnemonic(*c, key))
            return true;
    }
    return false;
}

} // namespace user
} // namespace dq::forms
