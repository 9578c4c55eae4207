// A form: the top-level container of controls, with a border style, a start position, a client
// area, and the focus of the controls inside it.
#pragma once

#include "platform/forms/control.h"

namespace dq::forms {

class Form : public Control {
public:
    Form(); // 300 x 300, sizable border, hidden, at the system's default location
    ~Form() override;

    ControlKind Kind() const override { return ControlKind::Form; }

    FormBorderStyle BorderStyle() const { return m_borderStyle; }
    // Keeps the client size.
    void SetBorderStyle(FormBorderStyle style);
    FormStartPosition StartPosition() const { return m_startPosition; }
    void SetStartPosition(FormStartPosition position);
    // The size inside the border; the form's Size is this plus the border.
    forms::Size ClientSize() const;
    void SetClientSize(forms::Size size);

    // Makes the form visible, creating its window (and its controls') when needed.
    void Show() { SetVisible(true); }
    void Hide() { SetVisible(false); }

    // The control that has the focus, or null.
    Control* ActiveControl() const { return m_active; }
    // Moves the focus; the control that had it is validated (what was typed is committed).
    // The control must be inside this form and able to take the focus.
    void SetActiveControl(Control* control);
    // Validates the focused control without moving the focus, as a button's click does.
    void ValidateActiveControl();

    DWORD WindowStyle() const override;
    DWORD WindowExStyle() const override;

protected:
    bool Selectable() const override { return false; }
    void OnCreatingHandle() override;

private:
    friend class Control;
    FormBorderStyle m_borderStyle = FormBorderStyle::Sizable;
    FormStartPosition m_startPosition = FormStartPosition::WindowsDefaultLocation;
    Control* m_active = nullptr;
};

} // namespace dq::forms
