#include "platform/forms/control.h"

#include <algorithm>
#include <stdexcept>

#include "platform/forms/backend.h"
#include "platform/forms/form.h"

namespace dq::forms {

namespace {

WCHAR Upper(WCHAR c) {
    return (c >= 'a' && c <= 'z') ? WCHAR(c - 32) : c;
}

} // namespace

void ControlCollection::Add(Control& control) {
    if (control.m_parent == &m_owner)
        return;
    if (control.Kind() == ControlKind::Form)
        throw std::invalid_argument("Top-level control cannot be added to a control.");
    for (const Control* up = &m_owner; up != nullptr; up = up->m_parent) {
        if (up == &control)
            throw std::invalid_argument("A circular control reference has been made.");
    }
    if (control.m_parent != nullptr)
        control.m_parent->m_controls.Remove(control);
    m_items.push_back(&control);
    control.m_parent = &m_owner;
    if (control.m_tabIndex < 0) {
        int next = 0;
        for (Control* c : m_items) {
            if (c != &control && c->TabIndex() >= next)
                next = c->TabIndex() + 1;
        }
        control.m_tabIndex = next;
    }
    if (m_owner.IsHandleCreated())
        control.CreateHandleTree();
    m_owner.PerformLayout();
}

void ControlCollection::Remove(Control& control) {
    auto it = std::find(m_items.begin(), m_items.end(), &control);
    if (it == m_items.end())
        return;
    control.LoseFocusWithin();
    control.DestroyHandleTree();
    m_items.erase(it);
    control.m_parent = nullptr;
    m_owner.PerformLayout();
}

bool ControlCollection::Contains(const Control& control) const {
    return std::find(m_items.begin(), m_items.end(), &control) != m_items.end();
}

Control::Control(forms::Size defaultSize) : m_size(defaultSize) {}

Control::~Control() {
    if (m_parent != nullptr) {
        LoseFocusWithin();
        std::erase(m_parent->m_controls.m_items, this);
    }
    for (Control* child : m_controls.m_items)
        child->m_parent = nullptr;
    m_peer.reset();
}

void Control::SetText(StringView text) {
    SetTextCore(text);
}

void Control::SetTextCore(StringView text) {
    if (m_text == text)
        return;
    m_text = String(text);
    UpdateNative();
    OnTextChanged();
}

void Control::SetLocation(Point location) {
    m_location = location;
    UpdateNative();
}

void Control::SetSize(forms::Size size) {
    m_size = forms::Size{std::max(0, size.Width), std::max(0, size.Height)};
    UpdateNative();
}

void Control::SetTabIndex(int index) {
    if (index < 0)
        throw std::out_of_range("TabIndex must not be negative.");
    m_tabIndex = index;
}

void Control::SetTabStop(bool tabStop) {
    m_tabStop = tabStop;
    UpdateNative();
}

bool Control::Visible() const {
    return m_visible && (m_parent == nullptr || m_parent->Visible());
}

void Control::SetVisible(bool visible) {
    if (m_visible == visible)
        return;
    m_visible = visible;
    if (!visible)
        LoseFocusWithin();
    if (visible && m_parent == nullptr)
        Handle(); // showing a top-level control creates its window
    UpdateNative();
}

bool Control::Enabled() const {
    return m_enabled && (m_parent == nullptr || m_parent->Enabled());
}

void Control::SetEnabled(bool enabled) {
    m_enabled = enabled;
    if (!enabled)
        LoseFocusWithin();
    UpdateNative();
}

Form* Control::FindForm() const {
    const Control* top = this;
    while (top->m_parent != nullptr)
        top = top->m_parent;
    return top->Kind() == ControlKind::Form ? static_cast<Form*>(const_cast<Control*>(top))
                                            : nullptr;
}

bool Control::CanSelect() const {
    return Selectable() && Visible() && Enabled();
}

bool Control::Focused() const {
    Form* form = FindForm();
    return form != nullptr && form->ActiveControl() == this;
}

bool Control::Focus() {
    Form* form = FindForm();
    if (form == nullptr || !CanSelect())
        return false;
    if (form != this)
        form->SetActiveControl(this);
    return true;
}

std::vector<Control*> Control::TabOrder() const {
    std::vector<Control*> order = m_controls.m_items;
    std::stable_sort(order.begin(), order.end(),
                     [](Control* a, Control* b) { return a->TabIndex() < b->TabIndex(); });
    return order;
}

bool Control::SelectNextControl(Control* from, bool forward, bool tabStopOnly, bool wrap) {
    std::vector<Control*> order = TabOrder();
    if (!forward)
        std::reverse(order.begin(), order.end());
    auto start = std::find(order.begin(), order.end(), from);
    size_t first = start == order.end() ? 0 : size_t(start - order.begin()) + 1;
    for (size_t n = 0; n < order.size(); ++n) {
        size_t i = first + n;
        if (i >= order.size()) {
            if (!wrap)
                break;
            i -= order.size();
        }
        Control* c = order[i];
        if (c != from && c->CanSelect() && (!tabStopOnly || c->TabStop()))
            return c->Focus();
    }
    return false;
}

HWND Control::Handle() {
    if (!IsHandleCreated()) {
        if (m_parent != nullptr)
            m_parent->Handle(); // creates this one too
        else
            CreateHandleTree();
    }
    return IsHandleCreated() ? m_peer->Handle() : nullptr;
}

bool Control::IsHandleCreated() const {
    return m_peer != nullptr && m_peer->Handle() != nullptr;
}

void Control::CreateHandleTree() {
    HWND parent = nullptr;
    if (m_parent != nullptr) {
        parent = m_parent->IsHandleCreated() ? m_parent->m_peer->Handle() : nullptr;
        if (parent == nullptr)
            return;
    }
    if (!IsHandleCreated()) {
        OnCreatingHandle();
        if (!m_peer)
            m_peer = CreateNativePeer(*this);
        m_peer->Create(parent);
        if (!IsHandleCreated())
            return;
    }
    for (Control* child : m_controls.m_items)
        child->CreateHandleTree();
}

void Control::DestroyHandleTree() {
    // The native children go with the window.
    m_peer.reset();
}

DWORD Control::WindowStyle() const {
    DWORD style = WS_CHILD | WS_CLIPSIBLINGS;
    if (m_visible)
        style |= WS_VISIBLE;
    if (!m_enabled)
        style |= WS_DISABLED;
    if (m_tabStop && Selectable())
        style |= WS_TABSTOP;
    return style;
}

void Control::UpdateNative() {
    if (IsHandleCreated())
        m_peer->Update();
}

void Control::LoseFocusWithin() {
    // A form itself never holds the focus; its controls do.
    Form* form = m_parent != nullptr ? m_parent->FindForm() : nullptr;
    if (form == nullptr)
        return;
    for (Control* c = form->ActiveControl(); c != nullptr; c = c->m_parent) {
        if (c == this) {
            form->m_active = nullptr;
            return;
        }
    }
}

void Control::SuspendLayout() {
    ++m_layoutSuspended;
}

void Control::ResumeLayout(bool performLayout) {
    if (m_layoutSuspended > 0)
        --m_layoutSuspended;
    if (m_layoutSuspended == 0) {
        bool pending = m_layoutPending;
        m_layoutPending = false;
        if (performLayout && pending)
            PerformLayout();
    }
}

void Control::PerformLayout() {
    if (m_layoutSuspended > 0) {
        m_layoutPending = true;
        return;
    }
    Layout.Raise(*this);
}

bool Control::IsMnemonic(WCHAR c, StringView text) {
    for (size_t i = 0; i + 1 < text.size(); ++i) {
        if (text[i] != '&')
            continue;
        if (text[i + 1] == '&') {
            ++i; // "&&" is a plain ampersand
            continue;
        }
        return Upper(text[i + 1]) == Upper(c);
    }
    return false;
}

} // namespace dq::forms
