// A text label. It never takes the focus; its mnemonic moves the focus to the control after it
// in tab order.
#pragma once

#include "platform/forms/control.h"

namespace dq::forms {

class Label : public Control {
public:
    Label(); // 100 x 23, no tab stop

    ControlKind Kind() const override { return ControlKind::Label; }
    DWORD WindowStyle() const override { return Control::WindowStyle() | SS_LEFT; }

protected:
    bool Selectable() const override { return false; }
    bool ProcessMnemonic(WCHAR c) override;
};

} // namespace dq::forms
