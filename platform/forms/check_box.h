// A check box. CheckedChanged is raised whenever Checked changes, whether the user clicked it
// or the program set it, and only then. A click by the user toggles it (AutoCheck) before Click.
#pragma once

#include "platform/forms/control.h"

namespace dq::forms {

class CheckBox : public Control {
public:
    CheckBox(); // 104 x 24

    ControlKind Kind() const override { return ControlKind::CheckBox; }
    bool Checked() const { return m_checked; }
    void SetChecked(bool checked);
    bool AutoCheck() const { return m_autoCheck; }
    void SetAutoCheck(bool autoCheck) { m_autoCheck = autoCheck; }
    DWORD WindowStyle() const override { return Control::WindowStyle() | BS_AUTOCHECKBOX; }

    Event<> CheckedChanged;

protected:
    void OnUserClick() override;
    // The mnemonic focuses the box and clicks it.
    bool ProcessMnemonic(WCHAR c) override;

private:
    bool m_checked = false;
    bool m_autoCheck = true;
};

} // namespace dq::forms
