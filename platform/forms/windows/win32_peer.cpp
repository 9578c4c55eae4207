// Native windows for controls on Windows: the system's own controls (BUTTON, STATIC, EDIT and an
// up-down control beside the spinner's edit) in a window of our own class for the form.
//
// The controls' state lives in the shared control classes; each peer mirrors it into its window
// (Update) and reports what the user does there back as the user's actions (user_input.h):
// clicks, typing, the focus moving, the spinner's arrows and Enter. Keyboard navigation (Tab,
// mnemonics) is the dialog manager's: the form is a control parent, so a dialog that holds it
// walks into it.
#include <windows.h>
#include <commctrl.h>

#include <algorithm>
#include <climits>
#include <memory>
#include <mutex>

#include "platform/forms/backend.h"
#include "platform/forms/check_box.h"
#include "platform/forms/control.h"
#include "platform/forms/form.h"
#include "platform/forms/numeric_up_down.h"
#include "platform/forms/text_box.h"
#include "platform/forms/user_input.h"

namespace dq::forms {

namespace {

constexpr const wchar_t* kFormClass = L"DqFormsForm";
constexpr const wchar_t* kPeerProperty = L"DqFormsPeer";
constexpr UINT_PTR kSubclassId = 1;

HINSTANCE ThisModule() {
    HMODULE module = nullptr;
    GetModuleHandleExW(GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS |
                           GET_MODULE_HANDLE_EX_FLAG_UNCHANGED_REFCOUNT,
                       reinterpret_cast<LPCWSTR>(&ThisModule), &module);
    return module;
}

class Win32Peer;

// The form's window class lives while a form window does: a module must not leave a class
// behind whose window procedure goes when the module is unloaded.
class FormClass {
public:
    static bool Acquire(WNDPROC proc) {
        std::lock_guard lock(s_mutex);
        if (s_users == 0) {
            WNDCLASSEXW wc{};
            wc.cbSize = sizeof wc;
            wc.lpfnWndProc = proc;
            wc.hInstance = ThisModule();
            wc.hCursor = LoadCursorW(nullptr, MAKEINTRESOURCEW(32512)); // IDC_ARROW
            wc.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_BTNFACE + 1);
            wc.lpszClassName = kFormClass;
            if (RegisterClassExW(&wc) == 0)
                return false;
        }
        ++s_users;
        return true;
    }
    static void Release() {
        std::lock_guard lock(s_mutex);
        if (--s_users == 0)
            UnregisterClassW(kFormClass, ThisModule());
    }

private:
    static inline std::mutex s_mutex;
    static inline int s_users = 0;
};

Win32Peer* PeerOf(HWND window) {
    return window ? static_cast<Win32Peer*>(GetPropW(window, kPeerProperty)) : nullptr;
}

bool IsSpinnerKey(WCHAR c) {
    return (c >= '0' && c <= '9') || c == '.' || c == ',' || c == '-' || c < 0x20;
}

class Win32Peer : public NativePeer {
public:
    explicit Win32Peer(Control& control) : m_control(control), m_kind(control.Kind()) {}

    ~Win32Peer() override {
        // From here on the windows report nothing: the control is going.
        if (m_spin != nullptr) {
            RemovePropW(m_spin, kPeerProperty);
            DestroyWindow(m_spin);
        }
        if (m_window != nullptr) {
            HWND window = m_window;
            Detach(window);
            DestroyWindow(window);
        }
        if (m_ownsClass)
            FormClass::Release();
    }

    void Create(HWND parent) override {
        if (m_window != nullptr)
            return;
        const ControlKind kind = m_kind;
        const wchar_t* windowClass = nullptr;
        DWORD style = m_control.WindowStyle();
        switch (kind) {
        case ControlKind::Form:
            if (!m_ownsClass && !(m_ownsClass = FormClass::Acquire(FormProc)))
                return;
            windowClass = kFormClass;
            break;
        case ControlKind::Button:
        case ControlKind::CheckBox:
            windowClass = L"BUTTON";
            break;
        case ControlKind::Label:
            windowClass = L"STATIC";
            break;
        case ControlKind::TextBox:
        case ControlKind::NumericUpDown:
            windowClass = L"EDIT";
            style |= ES_AUTOHSCROLL;
            break;
        }
        const Point at = m_control.Location();
        const forms::Size size = m_control.Size();
        HWND window = CreateWindowExW(
            m_control.WindowExStyle(), windowClass, m_control.Text().c_str(), style & ~WS_VISIBLE,
            at.X, at.Y, size.Width, size.Height, parent, nullptr, ThisModule(), nullptr);
        if (window == nullptr)
            return;
        m_window = window;
        SetPropW(window, kPeerProperty, this);
        if (kind != ControlKind::Form) {
            SetWindowSubclass(window, ControlProc, kSubclassId, 0);
            SendMessageW(window, WM_SETFONT, WPARAM(GetStockObject(DEFAULT_GUI_FONT)), FALSE);
        }
        if (kind == ControlKind::NumericUpDown)
            CreateArrows(parent);
        Update();
    }

    HWND Handle() const override { return m_window; }

    void Update() override {
        if (m_window == nullptr)
            return;
        const bool wasSyncing = m_syncing;
        m_syncing = true; // what the window reports while it follows the control is not the user
        SyncText();
        SyncPlacement();
        SyncStyles();
        if (m_kind == ControlKind::CheckBox) {
            const bool checked = static_cast<CheckBox&>(m_control).Checked();
            if ((SendMessageW(m_window, BM_GETCHECK, 0, 0) == BST_CHECKED) != checked)
                SendMessageW(m_window, BM_SETCHECK, checked ? BST_CHECKED : BST_UNCHECKED, 0);
        }
        m_syncing = wasSyncing;
    }

private:
    void CreateArrows(HWND parent) {
        static const bool registered = [] {
            INITCOMMONCONTROLSEX icc{sizeof icc, ICC_UPDOWN_CLASS};
            return InitCommonControlsEx(&icc) != FALSE;
        }();
        (void)registered;
        m_spin = CreateWindowExW(0, UPDOWN_CLASSW, nullptr, WS_CHILD | UDS_NOTHOUSANDS, 0, 0, 0, 0,
                                 parent, nullptr, ThisModule(), nullptr);
        if (m_spin == nullptr)
            return;
        SetPropW(m_spin, kPeerProperty, this);
        // The arrows only report; the value is the spinner's, so their own position stays put
        // in the middle of the 32-bit range and never reaches an end.
        SendMessageW(m_spin, UDM_SETRANGE32, WPARAM(INT_MIN), LPARAM(INT_MAX));
        SendMessageW(m_spin, UDM_SETPOS32, 0, 0);
    }

    void SyncText() {
        const int length = GetWindowTextLengthW(m_window);
        String text(static_cast<size_t>(length) + 1, 0);
        GetWindowTextW(m_window, text.data(), length + 1);
        text.resize(static_cast<size_t>(length));
        if (text != m_control.Text())
            SetWindowTextW(m_window, m_control.Text().c_str());
    }

    void SyncPlacement() {
        const Point at = m_control.Location();
        const forms::Size size = m_control.Size();
        // The spinner's edit and arrows share its rectangle, the arrows at the right.
        const int arrows = m_spin ? std::min(size.Width, GetSystemMetrics(SM_CXVSCROLL)) : 0;
        Place(m_window, RECT{at.X, at.Y, at.X + size.Width - arrows, at.Y + size.Height});
        if (m_spin != nullptr)
            Place(m_spin,
                  RECT{at.X + size.Width - arrows, at.Y, at.X + size.Width, at.Y + size.Height});
    }

    // Moves a window to r, in its parent's client coordinates (the screen's for a top-level
    // window), unless it is there already.
    static void Place(HWND window, const RECT& r) {
        RECT now;
        GetWindowRect(window, &now);
        HWND up = GetAncestor(window, GA_PARENT);
        if (up != nullptr && up != GetDesktopWindow())
            MapWindowPoints(nullptr, up, reinterpret_cast<POINT*>(&now), 2);
        if (!EqualRect(&now, &r))
            MoveWindow(window, r.left, r.top, r.right - r.left, r.bottom - r.top, TRUE);
    }

    void SyncStyles() {
        const DWORD style = m_control.WindowStyle();
        // A form placed inside another window (the page's dialog) becomes its child, so that it
        // moves, clips and takes the focus as part of that window.
        if (m_kind == ControlKind::Form) {
            const DWORD current = DWORD(GetWindowLongPtrW(m_window, GWL_STYLE));
            HWND up = GetAncestor(m_window, GA_PARENT);
            if ((current & WS_POPUP) && up != nullptr && up != GetDesktopWindow())
                SetWindowLongPtrW(m_window, GWL_STYLE, LONG_PTR((current & ~WS_POPUP) | WS_CHILD));
        }
        const bool enabled = (style & WS_DISABLED) == 0;
        if ((IsWindowEnabled(m_window) != FALSE) != enabled)
            EnableWindow(m_window, enabled);
        // Tab stops, and the edits' alignment and read-only state.
        constexpr DWORD kOwnBits = WS_TABSTOP | ES_RIGHT | ES_CENTER;
        const DWORD current = DWORD(GetWindowLongPtrW(m_window, GWL_STYLE));
        const bool edit = m_kind == ControlKind::TextBox || m_kind == ControlKind::NumericUpDown;
        const DWORD own = edit ? kOwnBits : WS_TABSTOP;
        if ((current & own) != (style & own))
            SetWindowLongPtrW(m_window, GWL_STYLE, LONG_PTR((current & ~own) | (style & own)));
        if (edit && ((current & ES_READONLY) != 0) != ((style & ES_READONLY) != 0))
            SendMessageW(m_window, EM_SETREADONLY, (style & ES_READONLY) ? TRUE : FALSE, 0);

        const bool visible = (style & WS_VISIBLE) != 0;
        if (((GetWindowLongPtrW(m_window, GWL_STYLE) & WS_VISIBLE) != 0) != visible)
            ShowWindow(m_window, visible ? SW_SHOW : SW_HIDE);
        if (m_spin != nullptr) {
            if (((GetWindowLongPtrW(m_spin, GWL_STYLE) & WS_VISIBLE) != 0) != visible)
                ShowWindow(m_spin, visible ? SW_SHOWNA : SW_HIDE);
            if ((IsWindowEnabled(m_spin) != FALSE) != enabled)
                EnableWindow(m_spin, enabled);
        }
    }

    void Detach(HWND window) {
        RemovePropW(window, kPeerProperty);
        if (m_kind != ControlKind::Form)
            RemoveWindowSubclass(window, ControlProc, kSubclassId);
        m_window = nullptr;
    }

    // What the control's window tells its parent (the form), handed to the control it is about.
    void OnCommand(WORD code) {
        if (m_syncing)
            return;
        switch (m_kind) {
        case ControlKind::Button:
        case ControlKind::CheckBox:
            if (code == BN_CLICKED)
                user::Click(m_control);
            break;
        case ControlKind::TextBox:
        case ControlKind::NumericUpDown:
            if (code == EN_CHANGE) {
                const int length = GetWindowTextLengthW(m_window);
                String text(static_cast<size_t>(length) + 1, 0);
                GetWindowTextW(m_window, text.data(), length + 1);
                text.resize(static_cast<size_t>(length));
                // The spinner's typed text waits to be committed; a text box takes it at once.
                m_control.SetText(text);
            }
            break;
        default:
            break;
        }
    }

    void OnArrow(int delta) {
        auto& spinner = static_cast<NumericUpDown&>(m_control);
        if (delta > 0)
            user::ClickUpArrow(spinner);
        else if (delta < 0)
            user::ClickDownArrow(spinner);
    }

    // Window procedures are called by the system: nothing thrown by a handler (lack of memory)
    // may unwind into it; the message then gets the default treatment.
    static LRESULT CALLBACK FormProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
        try {
            return FormMessage(window, message, wParam, lParam);
        } catch (...) {
            return DefWindowProcW(window, message, wParam, lParam);
        }
    }

    static LRESULT CALLBACK ControlProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam,
                                        UINT_PTR id, DWORD_PTR data) {
        try {
            return ControlMessage(window, message, wParam, lParam, id, data);
        } catch (...) {
            return DefSubclassProc(window, message, wParam, lParam);
        }
    }

    static LRESULT FormMessage(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
        switch (message) {
        case WM_COMMAND:
            if (Win32Peer* child = PeerOf(reinterpret_cast<HWND>(lParam)); child && lParam != 0)
                child->OnCommand(HIWORD(wParam));
            return 0;
        case WM_NOTIFY: {
            const auto* header = reinterpret_cast<const NMHDR*>(lParam);
            Win32Peer* child = PeerOf(header->hwndFrom);
            if (child != nullptr && header->code == UDN_DELTAPOS &&
                header->hwndFrom == child->m_spin) {
                child->OnArrow(reinterpret_cast<const NMUPDOWN*>(lParam)->iDelta);
                return TRUE; // the arrows' own position does not move
            }
            return 0;
        }
        case WM_NCDESTROY:
            // Also when the window goes with a window it was placed in.
            if (Win32Peer* peer = PeerOf(window))
                peer->Detach(window);
            break;
        default:
            break;
        }
        return DefWindowProcW(window, message, wParam, lParam);
    }

    static LRESULT ControlMessage(HWND window, UINT message, WPARAM wParam, LPARAM lParam, UINT_PTR,
                                  DWORD_PTR) {
        Win32Peer* peer = PeerOf(window);
        if (peer == nullptr)
            return DefSubclassProc(window, message, wParam, lParam);
        const bool spinner = peer->m_kind == ControlKind::NumericUpDown;
        switch (message) {
        case WM_SETFOCUS:
            if (!peer->m_syncing)
                user::Focus(peer->m_control);
            break;
        case WM_KILLFOCUS:
            // Leaving the spinner commits what was typed, wherever the focus goes.
            if (spinner && !peer->m_syncing) {
                const LRESULT result = DefSubclassProc(window, message, wParam, lParam);
                static_cast<NumericUpDown&>(peer->m_control).Value();
                return result;
            }
            break;
        case WM_GETDLGCODE:
            // Enter belongs to the spinner (it commits), not to the dialog's default button.
            if (spinner && lParam != 0 &&
                reinterpret_cast<const MSG*>(lParam)->message == WM_KEYDOWN &&
                reinterpret_cast<const MSG*>(lParam)->wParam == VK_RETURN)
                return DLGC_WANTALLKEYS;
            break;
        case WM_KEYDOWN:
            if (spinner && wParam == VK_RETURN) {
                user::PressEnter(peer->m_control);
                return 0;
            }
            if (spinner && (wParam == VK_UP || wParam == VK_DOWN)) {
                peer->OnArrow(wParam == VK_UP ? 1 : -1);
                return 0;
            }
            break;
        case WM_CHAR:
            if (spinner && (wParam == '\r' || !IsSpinnerKey(WCHAR(wParam))))
                return 0;
            break;
        case WM_NCDESTROY:
            // Destroyed with a window it was placed in; the arrows go with that window too.
            peer->Detach(window);
            peer->m_spin = nullptr;
            break;
        default:
            break;
        }
        return DefSubclassProc(window, message, wParam, lParam);
    }

    Control& m_control;
    // Kept: the peer goes while its control is being destroyed, when the control can no longer
    // tell what it is.
    const ControlKind m_kind;
    HWND m_window = nullptr;
    HWND m_spin = nullptr; // the spinner's arrows
    bool m_syncing = false;
    bool m_ownsClass = false;
};

} // namespace

std::unique_ptr<NativePeer> CreateNativePeer(Control& control) {
    return std::make_unique<Win32Peer>(control);
}

} // namespace dq::forms
