// A push button: raises Click when the user clicks it, presses its mnemonic, or the program
// calls PerformClick.
#pragma once

#include "platform/forms/control.h"

namespace dq::forms {

class Button : public Control {
public:
    Button(); // 75 x 23

    ControlKind Kind() const override { return ControlKind::Button; }
    // Clicks the button as the user would, if it can be selected (visible and enabled): the
    // focused control is validated first. Does nothing otherwise.
    void PerformClick();
    DWORD WindowStyle() const override { return Control::WindowStyle() | BS_PUSHBUTTON; }

protected:
    bool ProcessMnemonic(WCHAR c) override;
};

} // namespace dq::forms
