#include "platform/forms/text_box.h"

namespace dq::forms {

TextBox::TextBox() : Control(forms::Size{100, 20}) {}

void TextBox::SetReadOnly(bool readOnly) {
    m_readOnly = readOnly;
    UpdateNative();
}

DWORD TextBox::WindowStyle() const {
    return Control::WindowStyle() | ES_AUTOHSCROLL | (m_readOnly ? ES_READONLY : 0);
}

} // namespace dq::forms
