#include "platform/forms/form.h"

#include <stdexcept>

namespace dq::forms {

namespace {

RECT Frame(DWORD style, DWORD exStyle) {
    RECT r{0, 0, 0, 0};
    AdjustWindowRectEx(&r, style, FALSE, exStyle);
    return r;
}

} // namespace

Form::Form() : Control(forms::Size{300, 300}) {
    m_visible = false;
}

Form::~Form() = default;

void Form::SetBorderStyle(FormBorderStyle style) {
    forms::Size client = ClientSize();
    m_borderStyle = style;
    SetClientSize(client);
}

void Form::SetStartPosition(FormStartPosition position) {
    m_startPosition = position;
}

forms::Size Form::ClientSize() const {
    RECT f = Frame(WindowStyle(), WindowExStyle());
    return forms::Size{Size().Width - (f.right - f.left), Size().Height - (f.bottom - f.top)};
}

void Form::SetClientSize(forms::Size size) {
    RECT f = Frame(WindowStyle(), WindowExStyle());
    SetSize(forms::Size{size.Width + (f.right - f.left), size.Height + (f.bottom - f.top)});
}

void Form::SetActiveControl(Control* control) {
    if (control == m_active)
        return;
    if (control != nullptr && (control->FindForm() != this || !control->CanSelect()))
        throw std::invalid_argument("Invisible or disabled control cannot be activated.");
    Control* previous = m_active;
    m_active = control;
    if (previous != nullptr)
        previous->OnValidating();
}

void Form::ValidateActiveControl() {
    if (m_active != nullptr)
        m_active->OnValidating();
}

DWORD Form::WindowStyle() const {
    DWORD style = WS_POPUP | WS_CLIPCHILDREN;
    if (m_visible)
        style |= WS_VISIBLE;
    if (!m_enabled)
        style |= WS_DISABLED;
    switch (m_borderStyle) {
    case FormBorderStyle::None:
        break;
    case FormBorderStyle::FixedSingle:
    case FormBorderStyle::Fixed3D:
    case FormBorderStyle::FixedToolWindow:
        style |= WS_CAPTION | WS_SYSMENU;
        break;
    case FormBorderStyle::FixedDialog:
        style |= WS_CAPTION | WS_SYSMENU | WS_DLGFRAME;
        break;
    case FormBorderStyle::Sizable:
    case FormBorderStyle::SizableToolWindow:
        style |= WS_CAPTION | WS_SYSMENU | WS_THICKFRAME;
        break;
    }
    return style;
}

DWORD Form::WindowExStyle() const {
    DWORD exStyle = WS_EX_CONTROLPARENT;
    if (m_borderStyle == FormBorderStyle::Fixed3D)
        exStyle |= WS_EX_CLIENTEDGE;
    if (m_borderStyle == FormBorderStyle::FixedDialog)
        exStyle |= WS_EX_DLGMODALFRAME;
    if (m_borderStyle == FormBorderStyle::FixedToolWindow ||
        m_borderStyle == FormBorderStyle::SizableToolWindow)
        exStyle |= WS_EX_TOOLWINDOW;
    return exStyle;
}

void Form::OnCreatingHandle() {
    // Centred forms are placed when their window is made; the default location is the
    // system's choice, which is where the form already is; Manual keeps Location.
    if (m_startPosition == FormStartPosition::CenterScreen ||
        m_startPosition == FormStartPosition::CenterParent) {
        RECT desktop;
        GetWindowRect(GetDesktopWindow(), &desktop);
        m_location = Point{(desktop.right - desktop.left - Size().Width) / 2,
                           (desktop.bottom - desktop.top - Size().Height) / 2};
    }
}

} // namespace dq::forms
