#include "platform/forms/check_box.h"

namespace dq::forms {

CheckBox::CheckBox() : Control(forms::Size{104, 24}) {}

void CheckBox::SetChecked(bool checked) {
    if (m_checked == checked)
        return;
    m_checked = checked;
    UpdateNative();
    CheckedChanged.Raise(*this);
}

void CheckBox::OnUserClick() {
    if (m_autoCheck)
        SetChecked(!m_checked);
    OnClick();
}

bool CheckBox::ProcessMnemonic(WCHAR c) {
    if (!CanSelect() || !IsMnemonic(c, Text()))
        return false;
    Focus();
    OnUserClick();
    return true;
}

} // namespace dq::forms
