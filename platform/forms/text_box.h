// A single-line text box. The user cannot type into a read-only box; the program can still set
// its text. TextChanged follows every change.
#pragma once

#include "platform/forms/control.h"

namespace dq::forms {

class TextBox : public Control {
public:
    TextBox(); // 100 x 20

    ControlKind Kind() const override { return ControlKind::TextBox; }
    bool ReadOnly() const { return m_readOnly; }
    void SetReadOnly(bool readOnly);
    DWORD WindowStyle() const override;
    DWORD WindowExStyle() const override { return WS_EX_CLIENTEDGE; }

private:
    bool m_readOnly = false;
};

} // namespace dq::forms
