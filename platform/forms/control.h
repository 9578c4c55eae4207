// The base of every control and of the form: text, bounds, tab order, visibility, focus, the
// native window, child controls and layout suspension, with the behaviour of the platform's
// managed forms library.
#pragma once

#include <memory>
#include <vector>

#include "platform/forms/event.h"
#include "platform/forms/forms_types.h"

namespace dq::forms {

class Control;
class Form;
class NativePeer;
struct UserAccess;

enum class ControlKind { Form, Button, CheckBox, Label, NumericUpDown, TextBox };

// A control's children, in the order they were added (which is also their z-order, first on
// top). The collection does not own its controls: a control leaves it when it is destroyed.
class ControlCollection {
public:
    explicit ControlCollection(Control& owner) : m_owner(owner) {}
    ControlCollection(const ControlCollection&) = delete;
    ControlCollection& operator=(const ControlCollection&) = delete;

    // Makes the control a child of the owner, taking it from any earlier parent, and gives it
    // the next tab index if it has none yet. A form cannot be added (std::invalid_argument).
    void Add(Control& control);
    void Remove(Control& control);
    int Count() const { return static_cast<int>(m_items.size()); }
    Control& operator[](int index) const { return *m_items.at(static_cast<size_t>(index)); }
    bool Contains(const Control& control) const;
    auto begin() const { return m_items.begin(); }
    auto end() const { return m_items.end(); }

private:
    friend class Control;
    Control& m_owner;
    std::vector<Control*> m_items;
};

class Control {
public:
    virtual ~Control();
    Control(const Control&) = delete;
    Control& operator=(const Control&) = delete;

    virtual ControlKind Kind() const = 0;

    const String& Text() const { return m_text; }
    virtual void SetText(StringView text);
    Point Location() const { return m_location; }
    void SetLocation(Point location);
    forms::Size Size() const { return m_size; }
    void SetSize(forms::Size size);
    // 0 until set or until the control is added to a parent (std::out_of_range when negative).
    int TabIndex() const { return m_tabIndex < 0 ? 0 : m_tabIndex; }
    void SetTabIndex(int index);
    bool TabStop() const { return m_tabStop; }
    void SetTabStop(bool tabStop);
    // Shown when set so and, for a child, when its parent is.
    bool Visible() const;
    void SetVisible(bool visible);
    bool Enabled() const;
    void SetEnabled(bool enabled);
    Control* Parent() const { return m_parent; }
    ControlCollection& Controls() { return m_controls; }
    const ControlCollection& Controls() const { return m_controls; }

    // The form at the top of the control's parents (or the control itself), if any.
    Form* FindForm() const;
    // Whether the user could move the keyboard focus here: a selectable kind of control,
    // visible and enabled.
    bool CanSelect() const;
    bool Focused() const;
    // Moves the focus here (the control that had it is validated first); false if it cannot.
    bool Focus();
    // Moves the focus to the next (or previous) selectable child after `from` in tab order,
    // wrapping around. Returns false when there is none.
    bool SelectNextControl(Control* from, bool forward, bool tabStopOnly, bool wrap);

    // The native window. Created on first request, with its parent's and its children's; null
    // for a control that is in no form.
    HWND Handle();
    bool IsHandleCreated() const;
    // The window styles of the native window, from the control's state.
    virtual DWORD WindowStyle() const;
    virtual DWORD WindowExStyle() const { return 0; }

    // Controls stay where they are put (nothing is anchored or docked): laying out raises
    // Layout, and waits while layout is suspended.
    void SuspendLayout();
    void ResumeLayout(bool performLayout = true);
    void PerformLayout();

    Event<> Click;
    Event<> TextChanged;
    Event<> Layout;

    // Whether c (any case) is the text's mnemonic: the character after a single '&'.
    static bool IsMnemonic(WCHAR c, StringView text);

protected:
    explicit Control(forms::Size defaultSize);

    virtual void OnClick() { Click.Raise(*this); }
    virtual void OnTextChanged() { TextChanged.Raise(*this); }
    // The focus leaves, or a click validates the focused control: typed input is committed.
    virtual void OnValidating() {}
    virtual bool Selectable() const { return true; }
    // A mnemonic key (Alt + key) reached this control; true when it acted on it.
    virtual bool ProcessMnemonic(WCHAR) { return false; }
    // The user clicked the control (the focus has moved to it if it takes focus).
    virtual void OnUserClick() { OnClick(); }
    // Runs just before the native window is created.
    virtual void OnCreatingHandle() {}

    // Sets the text and raises TextChanged if it changed.
    void SetTextCore(StringView text);
    // Brings the native window, if any, in line with the control's state.
    void UpdateNative();
    // Whether a text control's whole text is selected, so that a keystroke replaces it.
    bool m_textSelected = false;

private:
    friend class ControlCollection;
    friend class Form;
    friend struct UserAccess;

    void CreateHandleTree();
    void DestroyHandleTree();
    // Clears the focus if it is on this control or inside it.
    void LoseFocusWithin();
    std::vector<Control*> TabOrder() const;

    String m_text;
    Point m_location;
    forms::Size m_size;
    int m_tabIndex = -1;
    bool m_tabStop = true;
    bool m_visible = true;
    bool m_enabled = true;
    int m_layoutSuspended = 0;
    bool m_layoutPending = false;
    Control* m_parent = nullptr;
    ControlCollection m_controls{*this};
    std::unique_ptr<NativePeer> m_peer;
};

} // namespace dq::forms
