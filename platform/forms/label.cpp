#include "platform/forms/label.h"

namespace dq::forms {

Label::Label() : Control(forms::Size{100, 23}) {
    SetTabStop(false);
}

bool Label::ProcessMnemonic(WCHAR c) {
    if (!Visible() || !Enabled() || !IsMnemonic(c, Text()) || Parent() == nullptr)
        return false;
    Parent()->SelectNextControl(this, true, false, true);
    return true;
}

} // namespace dq::forms
