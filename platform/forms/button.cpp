#include "platform/forms/button.h"

#include "platform/forms/form.h"

namespace dq::forms {

Button::Button() : Control(forms::Size{75, 23}) {}

void Button::PerformClick() {
    if (!CanSelect())
        return;
    if (Form* form = FindForm())
        form->ValidateActiveControl();
    OnClick();
}

bool Button::ProcessMnemonic(WCHAR c) {
    if (!CanSelect() || !IsMnemonic(c, Text()))
        return false;
    PerformClick();
    return true;
}

} // namespace dq::forms
