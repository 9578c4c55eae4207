// The user's actions on a form: what a backend reports when the user clicks, types or presses
// keys, and what tests do to act as the user. Each action goes where the real one would: to a
// control the user can reach (visible and enabled), moving the focus as a click or Tab does.
#pragma once

#include "platform/forms/forms_types.h"

namespace dq::forms {

class Control;
class Form;
class NumericUpDown;

namespace user {

// Clicks into the control (or tabs to it): the focus moves there, committing what was typed
// into the control that had it. Returns false when the control cannot take the focus.
bool Focus(Control& control);
// A mouse click: focus as above, then the control's click (a button raises Click; a check box
// toggles, then raises Click).
void Click(Control& control);
// Selects all the text of a text box or spinner, so the next keystroke replaces it.
void SelectAll(Control& control);
// Focuses the control, then types the keys one by one at the end of its text (or over the
// selected text). '\b' is Backspace. A read-only box takes nothing; a spinner takes only
// digits, '.', ',' and '-'.
void Type(Control& control, StringView keys);
// Enter commits what was typed into a spinner.
void PressEnter(Control& control);
// The arrow keys on a spinner step its value.
void PressUp(Control& control);
void PressDown(Control& control);
// The spinner's arrow buttons.
void ClickUpArrow(NumericUpDown& spinner);
void ClickDownArrow(NumericUpDown& spinner);
// Tab and Shift+Tab: the next control in tab order that takes the focus.
void PressTab(Form& form, bool forward = true);
// Alt + key: the first control in tab order after the focused one whose mnemonic it is.
// Returns whether a control acted on it.
bool PressMnemonic(Form& form, WCHAR key);

} // namespace user
} // namespace dq::forms
