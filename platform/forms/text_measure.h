// How much room a control's text takes: forms that lay themselves out measure their texts with
// this before they size their controls.
#pragma once

#include "platform/forms/forms_types.h"

namespace dq::forms {

// The size in pixels of text drawn on one line in the controls' font, as a label, button or
// check box draws it: a mnemonic ampersand is not drawn ("&&" draws one). The height is the
// font's line height, also for empty text.
forms::Size MeasureText(StringView text);

} // namespace dq::forms
