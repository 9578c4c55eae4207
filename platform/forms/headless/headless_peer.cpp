// Native windows for controls in the platform's headless window manager: each control gets a
// window whose text, rectangle, visibility and styles follow the control, so the form can be
// placed into dialogs with SetParent and found in the window tree.
#include <memory>

#include "platform/forms/backend.h"
#include "platform/forms/control.h"

namespace dq::forms {

namespace {

class HeadlessPeer : public NativePeer {
public:
    explicit HeadlessPeer(Control& control) : m_control(control) {}
    ~HeadlessPeer() override {
        if (m_window != nullptr)
            DestroyWindow(m_window); // clears m_window through WM_NCDESTROY
    }

    void Create(HWND parent) override {
        if (m_window != nullptr)
            return;
        Point at = m_control.Location();
        forms::Size size = m_control.Size();
        CreateWindowExW(m_control.WindowExStyle(), ClassName(), m_control.Text().c_str(),
                        m_control.WindowStyle(), at.X, at.Y, size.Width, size.Height, parent,
                        nullptr, nullptr, this);
    }

    HWND Handle() const override { return m_window; }

    void Update() override {
        if (m_window == nullptr)
            return;
        int length = GetWindowTextLengthW(m_window);
        String text(static_cast<size_t>(length) + 1, 0);
        GetWindowTextW(m_window, text.data(), length + 1);
        text.resize(static_cast<size_t>(length));
        if (text != m_control.Text())
            SetWindowTextW(m_window, m_control.Text().c_str());

        RECT r;
        GetWindowRect(m_window, &r);
        POINT place{r.left, r.top};
        if (HWND up = GetAncestor(m_window, GA_PARENT))
            ScreenToClient(up, &place);
        Point at = m_control.Location();
        forms::Size size = m_control.Size();
        if (place.x != at.X || place.y != at.Y || r.right - r.left != size.Width ||
            r.bottom - r.top != size.Height)
            MoveWindow(m_window, at.X, at.Y, size.Width, size.Height, TRUE);

        // Only the bits that describe the control's own state: whether the window is a child
        // or a popup, for instance, is left to whoever placed it.
        constexpr DWORD kStyleBits =
            WS_DISABLED | WS_TABSTOP | WS_CAPTION | WS_THICKFRAME | WS_SYSMENU | 0xFFFF;
        constexpr DWORD kExStyleBits =
            WS_EX_CLIENTEDGE | WS_EX_DLGMODALFRAME | WS_EX_TOOLWINDOW | WS_EX_CONTROLPARENT;
        DWORD style = m_control.WindowStyle();
        DWORD current = static_cast<DWORD>(GetWindowLongPtrW(m_window, GWL_STYLE));
        if ((current & kStyleBits) != (style & kStyleBits))
            SetWindowLongPtrW(m_window, GWL_STYLE,
                              LONG_PTR((current & ~kStyleBits) | (style & kStyleBits)));
        if (((current & WS_VISIBLE) != 0) != ((style & WS_VISIBLE) != 0))
            ShowWindow(m_window, (style & WS_VISIBLE) ? SW_SHOW : SW_HIDE);
        DWORD exStyle = m_control.WindowExStyle();
        DWORD currentEx = static_cast<DWORD>(GetWindowLongPtrW(m_window, GWL_EXSTYLE));
        if ((currentEx & kExStyleBits) != (exStyle & kExStyleBits))
            SetWindowLongPtrW(m_window, GWL_EXSTYLE,
                              LONG_PTR((currentEx & ~kExStyleBits) | (exStyle & kExStyleBits)));
    }

private:
    static LPCWSTR ClassName() {
        static const bool registered = [] {
            WNDCLASSEXW wc{};
            wc.cbSize = sizeof wc;
            wc.lpfnWndProc = WindowProc;
            wc.lpszClassName = WSTR("DqFormsControl");
            return RegisterClassExW(&wc) != 0;
        }();
        (void)registered;
        return WSTR("DqFormsControl");
    }

    static LRESULT CALLBACK WindowProc(HWND hWnd, UINT msg, WPARAM wParam, LPARAM lParam) {
        if (msg == WM_NCCREATE) {
            auto* peer = static_cast<HeadlessPeer*>(
                reinterpret_cast<CREATESTRUCTW*>(lParam)->lpCreateParams);
            SetWindowLongPtrW(hWnd, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(peer));
            peer->m_window = hWnd;
        } else if (msg == WM_NCDESTROY) {
            // Also when the window goes with a native parent it was placed in.
            if (auto* peer =
                    reinterpret_cast<HeadlessPeer*>(GetWindowLongPtrW(hWnd, GWLP_USERDATA)))
                peer->m_window = nullptr;
        }
        return DefWindowProcW(hWnd, msg, wParam, lParam);
    }

    Control& m_control;
    HWND m_window = nullptr;
};

} // namespace

std::unique_ptr<NativePeer> CreateNativePeer(Control& control) {
    return std::make_unique<HeadlessPeer>(control);
}

} // namespace dq::forms
