// The window calls over the headless window manager.
#include "platform/linux/user/window.h"

#include <algorithm>
#include <cstring>

#include "platform/linux/kernel/kernel.h"
#include "platform/linux/kernel/wide_string.h"
#include "platform/linux/user/window_manager.h"
#include "platform/linux/win_error.h"

using dq::ui::FrameInsets;
using dq::ui::Window;
using dq::ui::WindowManager;

namespace {

WindowManager& WM() {
    return WindowManager::Instance();
}

RECT ClientArea(const Window& w) {
    RECT insets = FrameInsets(w.style, w.exStyle, false);
    return RECT{0, 0, std::max<LONG>(0, w.rect.right - w.rect.left - insets.left - insets.right),
                std::max<LONG>(0, w.rect.bottom - w.rect.top - insets.top - insets.bottom)};
}

bool IsEmpty(const RECT& r) {
    return r.right <= r.left || r.bottom <= r.top;
}

// Writes a style through the style-change messages. Returns the old style.
LONG_PTR ChangeStyle(HWND hWnd, int index, DWORD value) {
    DWORD old;
    {
        auto lock = WM().Lock();
        Window* w = WM().Find(hWnd);
        if (w == nullptr)
            return 0;
        old = index == GWL_STYLE ? w->style : w->exStyle;
    }
    STYLESTRUCT change{old, value};
    WM().Call(hWnd, WM_STYLECHANGING, static_cast<WPARAM>(index),
              reinterpret_cast<LPARAM>(&change));
    {
        auto lock = WM().Lock();
        Window* w = WM().Find(hWnd);
        if (w == nullptr)
            return 0;
        (index == GWL_STYLE ? w->style : w->exStyle) = change.styleNew;
    }
    WM().Call(hWnd, WM_STYLECHANGED, static_cast<WPARAM>(index), reinterpret_cast<LPARAM>(&change));
    return static_cast<LONG_PTR>(old);
}

} // namespace

ATOM RegisterClassExW(const WNDCLASSEXW* wc) {
    if (wc == nullptr || wc->cbSize != sizeof(WNDCLASSEXW) || wc->lpszClassName == nullptr ||
        IS_INTRESOURCE(wc->lpszClassName) || wc->cbWndExtra < 0) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return 0;
    }
    auto lock = WM().Lock();
    if (WM().FindClass(wc->lpszClassName)) {
        SetLastError(ERROR_CLASS_ALREADY_EXISTS);
        return 0;
    }
    return WM().AddClass(*wc);
}

BOOL UnregisterClassW(LPCWSTR lpClassName, HINSTANCE) {
    auto lock = WM().Lock();
    return WM().RemoveClass(lpClassName) ? TRUE : FALSE;
}

HWND CreateWindowExW(DWORD dwExStyle, LPCWSTR lpClassName, LPCWSTR lpWindowName, DWORD dwStyle,
                     int X, int Y, int nWidth, int nHeight, HWND hWndParent, HMENU hMenu,
                     HINSTANCE hInstance, LPVOID lpParam) {
    dq::ui::CreateRequest r;
    {
        auto lock = WM().Lock();
        r.windowClass = WM().FindClass(lpClassName);
    }
    if (!r.windowClass) {
        SetLastError(ERROR_CANNOT_FIND_WND_CLASS);
        return nullptr;
    }
    r.exStyle = dwExStyle;
    r.name = lpWindowName;
    r.style = dwStyle;
    r.x = X;
    r.y = Y;
    r.width = nWidth;
    r.height = nHeight;
    r.parent = hWndParent;
    r.menu = hMenu;
    r.instance = hInstance;
    r.param = lpParam;
    return WM().Create(r);
}

BOOL DestroyWindow(HWND hWnd) {
    std::vector<HWND> owned;
    {
        auto lock = WM().Lock();
        Window* w = WM().Find(hWnd);
        if (w == nullptr)
            return FALSE;
        if (hWnd == WM().Desktop()) {
            SetLastError(ERROR_ACCESS_DENIED);
            return FALSE;
        }
        // Already on its way out as part of its parent's destruction.
        if (w->destroying)
            return FALSE;
        owned = WM().Owned(hWnd);
    }
    for (HWND h : owned)
        DestroyWindow(h);
    WM().SendDestroy(hWnd);
    WM().Free(hWnd);
    return TRUE;
}

BOOL IsWindow(HWND hWnd) {
    auto lock = WM().Lock();
    auto saved = GetLastError();
    bool alive = WM().Find(hWnd) != nullptr;
    SetLastError(saved);
    return alive ? TRUE : FALSE;
}

HWND GetDesktopWindow() {
    return WM().Desktop();
}

HWND GetParent(HWND hWnd) {
    auto lock = WM().Lock();
    Window* w = WM().Find(hWnd);
    if (w == nullptr)
        return nullptr;
    if (w->style & WS_CHILD)
        return w->parent;
    return (w->style & WS_POPUP) ? w->owner : nullptr;
}

HWND GetAncestor(HWND hWnd, UINT gaFlags) {
    auto lock = WM().Lock();
    Window* w = WM().Find(hWnd);
    if (w == nullptr || hWnd == WM().Desktop())
        return nullptr;
    if (gaFlags == GA_PARENT)
        return w->parent;
    if (gaFlags == GA_ROOT) {
        while (w->parent != WM().Desktop())
            w = WM().Find(w->parent);
        return w->handle;
    }
    SetLastError(ERROR_INVALID_PARAMETER);
    return nullptr;
}

HWND SetParent(HWND hWndChild, HWND hWndNewParent) {
    auto lock = WM().Lock();
    Window* child = WM().Find(hWndChild);
    if (child == nullptr)
        return nullptr;
    if (hWndNewParent == nullptr)
        hWndNewParent = WM().Desktop();
    Window* parent = WM().Find(hWndNewParent);
    if (parent == nullptr)
        return nullptr;
    if (hWndChild == WM().Desktop()) {
        SetLastError(ERROR_ACCESS_DENIED);
        return nullptr;
    }
    // A window cannot move under itself or one of its descendants.
    for (Window* up = parent; up != nullptr; up = up->parent ? WM().Find(up->parent) : nullptr) {
        if (up == child) {
            SetLastError(ERROR_INVALID_PARAMETER);
            return nullptr;
        }
    }
    HWND old = child->parent;
    std::erase(WM().Find(old)->children, hWndChild);
    parent->children.insert(parent->children.begin(), hWndChild);
    child->parent = hWndNewParent;
    return old;
}

HWND GetWindow(HWND hWnd, UINT uCmd) {
    auto lock = WM().Lock();
    Window* w = WM().Find(hWnd);
    if (w == nullptr)
        return nullptr;
    if (uCmd == GW_CHILD)
        return w->children.empty() ? nullptr : w->children.front();
    if (uCmd == GW_OWNER)
        return w->owner;
    Window* parent = w->parent ? WM().Find(w->parent) : nullptr;
    if (parent == nullptr)
        return nullptr;
    const auto& siblings = parent->children;
    auto it = std::find(siblings.begin(), siblings.end(), hWnd);
    switch (uCmd) {
    case GW_HWNDFIRST:
        return siblings.front();
    case GW_HWNDLAST:
        return siblings.back();
    case GW_HWNDNEXT:
        return it + 1 == siblings.end() ? nullptr : *(it + 1);
    case GW_HWNDPREV:
        return it == siblings.begin() ? nullptr : *(it - 1);
    default:
        SetLastError(ERROR_INVALID_PARAMETER);
        return nullptr;
    }
}

HWND GetDlgItem(HWND hDlg, int nIDDlgItem) {
    auto lock = WM().Lock();
    Window* w = WM().Find(hDlg);
    if (w == nullptr)
        return nullptr;
    for (HWND h : w->children) {
        Window* c = WM().Find(h);
        if ((c->style & WS_CHILD) && c->id == nIDDlgItem)
            return h;
    }
    SetLastError(ERROR_CONTROL_ID_NOT_FOUND);
    return nullptr;
}

int GetDlgCtrlID(HWND hWnd) {
    auto lock = WM().Lock();
    Window* w = WM().Find(hWnd);
    return (w != nullptr && (w->style & WS_CHILD)) ? static_cast<int>(w->id) : 0;
}

BOOL MoveWindow(HWND hWnd, int X, int Y, int nWidth, int nHeight, BOOL bRepaint) {
    bool moved, sized;
    RECT client, insets;
    {
        auto lock = WM().Lock();
        Window* w = WM().Find(hWnd);
        if (w == nullptr)
            return FALSE;
        RECT next{X, Y, X + std::max(0, nWidth), Y + std::max(0, nHeight)};
        moved = next.left != w->rect.left || next.top != w->rect.top;
        sized = next.right - next.left != w->rect.right - w->rect.left ||
                next.bottom - next.top != w->rect.bottom - w->rect.top;
        w->rect = next;
        client = ClientArea(*w);
        insets = FrameInsets(w->style, w->exStyle, false);
    }
    if (moved)
        WM().Call(hWnd, WM_MOVE, 0, MAKELPARAM(X + insets.left, Y + insets.top));
    if (sized)
        WM().Call(hWnd, WM_SIZE, SIZE_RESTORED, MAKELPARAM(client.right, client.bottom));
    if (bRepaint)
        InvalidateRect(hWnd, nullptr, TRUE);
    return TRUE;
}

BOOL GetWindowRect(HWND hWnd, LPRECT lpRect) {
    auto lock = WM().Lock();
    Window* w = WM().Find(hWnd);
    if (w == nullptr || lpRect == nullptr)
        return FALSE;
    POINT origin{0, 0};
    if (w->parent != nullptr)
        origin = WM().ClientOrigin(*WM().Find(w->parent));
    *lpRect = RECT{origin.x + w->rect.left, origin.y + w->rect.top, origin.x + w->rect.right,
                   origin.y + w->rect.bottom};
    return TRUE;
}

BOOL GetClientRect(HWND hWnd, LPRECT lpRect) {
    auto lock = WM().Lock();
    Window* w = WM().Find(hWnd);
    if (w == nullptr || lpRect == nullptr)
        return FALSE;
    *lpRect = ClientArea(*w);
    return TRUE;
}

BOOL ClientToScreen(HWND hWnd, LPPOINT lpPoint) {
    auto lock = WM().Lock();
    Window* w = WM().Find(hWnd);
    if (w == nullptr || lpPoint == nullptr)
        return FALSE;
    POINT origin = WM().ClientOrigin(*w);
    lpPoint->x += origin.x;
    lpPoint->y += origin.y;
    return TRUE;
}

BOOL ScreenToClient(HWND hWnd, LPPOINT lpPoint) {
    auto lock = WM().Lock();
    Window* w = WM().Find(hWnd);
    if (w == nullptr || lpPoint == nullptr)
        return FALSE;
    POINT origin = WM().ClientOrigin(*w);
    lpPoint->x -= origin.x;
    lpPoint->y -= origin.y;
    return TRUE;
}

BOOL AdjustWindowRectEx(LPRECT lpRect, DWORD dwStyle, BOOL bMenu, DWORD dwExStyle) {
    if (lpRect == nullptr)
        return FALSE;
    RECT insets = FrameInsets(dwStyle, dwExStyle, bMenu != FALSE);
    lpRect->left -= insets.left;
    lpRect->top -= insets.top;
    lpRect->right += insets.right;
    lpRect->bottom += insets.bottom;
    return TRUE;
}

BOOL ShowWindow(HWND hWnd, int nCmdShow) {
    bool wasVisible;
    {
        auto lock = WM().Lock();
        Window* w = WM().Find(hWnd);
        if (w == nullptr)
            return FALSE;
        wasVisible = (w->style & WS_VISIBLE) != 0;
    }
    if (nCmdShow < 0 || nCmdShow > SW_MAX) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return FALSE;
    }
    bool show = nCmdShow != SW_HIDE;
    if (show != wasVisible) {
        WM().Call(hWnd, WM_SHOWWINDOW, show ? TRUE : FALSE, 0);
        auto lock = WM().Lock();
        if (Window* w = WM().Find(hWnd)) {
            if (show)
                w->style |= WS_VISIBLE;
            else
                w->style &= ~DWORD(WS_VISIBLE);
        }
    }
    return wasVisible ? TRUE : FALSE;
}

BOOL IsWindowVisible(HWND hWnd) {
    auto lock = WM().Lock();
    for (Window* w = WM().Find(hWnd); w != nullptr;
         w = w->parent ? WM().Find(w->parent) : nullptr) {
        if (!(w->style & WS_VISIBLE))
            return FALSE;
    }
    return WM().Find(hWnd) != nullptr ? TRUE : FALSE;
}

BOOL InvalidateRect(HWND hWnd, const RECT* lpRect, BOOL bErase) {
    if (hWnd == nullptr) {
        for (HWND h : WM().AllWindows())
            InvalidateRect(h, nullptr, bErase);
        return TRUE;
    }
    auto lock = WM().Lock();
    Window* w = WM().Find(hWnd);
    if (w == nullptr)
        return FALSE;
    RECT client = ClientArea(*w);
    RECT r = lpRect ? *lpRect : client;
    r = RECT{std::max(r.left, client.left), std::max(r.top, client.top),
             std::min(r.right, client.right), std::min(r.bottom, client.bottom)};
    if (IsEmpty(r))
        return TRUE;
    if (w->hasUpdate) {
        r = RECT{std::min(r.left, w->update.left), std::min(r.top, w->update.top),
                 std::max(r.right, w->update.right), std::max(r.bottom, w->update.bottom)};
    }
    w->update = r;
    w->hasUpdate = true;
    w->erasePending = w->erasePending || bErase;
    return TRUE;
}

BOOL ValidateRect(HWND hWnd, const RECT* lpRect) {
    auto lock = WM().Lock();
    Window* w = WM().Find(hWnd);
    if (w == nullptr)
        return FALSE;
    // The update area is kept as one rectangle: it goes when the validated area covers it.
    if (lpRect == nullptr ||
        (lpRect->left <= w->update.left && lpRect->top <= w->update.top &&
         lpRect->right >= w->update.right && lpRect->bottom >= w->update.bottom)) {
        w->hasUpdate = false;
        w->erasePending = false;
        w->update = RECT{};
    }
    return TRUE;
}

BOOL GetUpdateRect(HWND hWnd, LPRECT lpRect, BOOL bErase) {
    bool erase;
    BOOL result;
    {
        auto lock = WM().Lock();
        Window* w = WM().Find(hWnd);
        if (w == nullptr)
            return FALSE;
        if (lpRect)
            *lpRect = w->hasUpdate ? w->update : RECT{};
        result = w->hasUpdate ? TRUE : FALSE;
        erase = bErase && w->erasePending;
        if (erase)
            w->erasePending = false;
    }
    if (erase)
        WM().Call(hWnd, WM_ERASEBKGND, 0, 0);
    return result;
}

BOOL DqIsErasePending(HWND hWnd) {
    auto lock = WM().Lock();
    Window* w = WM().Find(hWnd);
    return (w != nullptr && w->erasePending) ? TRUE : FALSE;
}

LONG_PTR GetWindowLongPtrW(HWND hWnd, int nIndex) {
    auto lock = WM().Lock();
    Window* w = WM().Find(hWnd);
    if (w == nullptr)
        return 0;
    switch (nIndex) {
    case GWL_STYLE:
        return static_cast<LONG_PTR>(w->style);
    case GWL_EXSTYLE:
        return static_cast<LONG_PTR>(w->exStyle);
    case GWLP_ID:
        return w->id;
    case GWLP_USERDATA:
        return w->userData;
    case GWLP_HINSTANCE:
        return reinterpret_cast<LONG_PTR>(w->instance);
    case GWLP_WNDPROC:
        return reinterpret_cast<LONG_PTR>(w->proc);
    case GWLP_HWNDPARENT:
        return reinterpret_cast<LONG_PTR>((w->style & WS_CHILD) ? w->parent : w->owner);
    default:
        break;
    }
    if (nIndex < 0 || static_cast<size_t>(nIndex) + sizeof(LONG_PTR) > w->extra.size()) {
        SetLastError(ERROR_INVALID_INDEX);
        return 0;
    }
    LONG_PTR value;
    std::memcpy(&value, w->extra.data() + nIndex, sizeof value);
    return value;
}

LONG_PTR SetWindowLongPtrW(HWND hWnd, int nIndex, LONG_PTR dwNewLong) {
    SetLastError(0);
    if (nIndex == GWL_STYLE || nIndex == GWL_EXSTYLE)
        return ChangeStyle(hWnd, nIndex, static_cast<DWORD>(dwNewLong));
    auto lock = WM().Lock();
    Window* w = WM().Find(hWnd);
    if (w == nullptr)
        return 0;
    LONG_PTR old;
    switch (nIndex) {
    case GWLP_ID:
        old = w->id;
        w->id = dwNewLong;
        return old;
    case GWLP_USERDATA:
        old = w->userData;
        w->userData = dwNewLong;
        return old;
    case GWLP_HINSTANCE:
        old = reinterpret_cast<LONG_PTR>(w->instance);
        w->instance = reinterpret_cast<HINSTANCE>(dwNewLong);
        return old;
    case GWLP_WNDPROC:
        old = reinterpret_cast<LONG_PTR>(w->proc);
        w->proc = reinterpret_cast<WNDPROC>(dwNewLong);
        return old;
    case GWLP_HWNDPARENT:
        // Changes the owner of a top-level window.
        old = reinterpret_cast<LONG_PTR>(w->owner);
        if (!(w->style & WS_CHILD))
            w->owner = reinterpret_cast<HWND>(dwNewLong);
        return old;
    default:
        break;
    }
    if (nIndex < 0 || static_cast<size_t>(nIndex) + sizeof(LONG_PTR) > w->extra.size()) {
        SetLastError(ERROR_INVALID_INDEX);
        return 0;
    }
    std::memcpy(&old, w->extra.data() + nIndex, sizeof old);
    std::memcpy(w->extra.data() + nIndex, &dwNewLong, sizeof dwNewLong);
    return old;
}

LRESULT SendMessageW(HWND hWnd, UINT Msg, WPARAM wParam, LPARAM lParam) {
    if (!IsWindow(hWnd)) {
        SetLastError(ERROR_INVALID_WINDOW_HANDLE);
        return 0;
    }
    return WM().Call(hWnd, Msg, wParam, lParam);
}

LRESULT CallWindowProcW(WNDPROC lpPrevWndFunc, HWND hWnd, UINT Msg, WPARAM wParam, LPARAM lParam) {
    return lpPrevWndFunc ? lpPrevWndFunc(hWnd, Msg, wParam, lParam) : 0;
}

LRESULT DefWindowProcW(HWND hWnd, UINT Msg, WPARAM wParam, LPARAM lParam) {
    switch (Msg) {
    case WM_NCCREATE:
    case WM_SETTEXT: {
        LPCWSTR text = reinterpret_cast<LPCWSTR>(lParam);
        if (Msg == WM_NCCREATE)
            text = reinterpret_cast<const CREATESTRUCTW*>(lParam)->lpszName;
        auto lock = WM().Lock();
        Window* w = WM().Find(hWnd);
        if (w == nullptr)
            return FALSE;
        w->text = (text != nullptr && !IS_INTRESOURCE(text)) ? std::u16string(text) : u"";
        return TRUE;
    }
    case WM_GETTEXT: {
        auto* out = reinterpret_cast<LPWSTR>(lParam);
        if (wParam == 0 || out == nullptr)
            return 0;
        auto lock = WM().Lock();
        Window* w = WM().Find(hWnd);
        if (w == nullptr)
            return 0;
        size_t n = std::min<size_t>(w->text.size(), wParam - 1);
        std::memcpy(out, w->text.data(), n * sizeof(WCHAR));
        out[n] = 0;
        return static_cast<LRESULT>(n);
    }
    case WM_GETTEXTLENGTH: {
        auto lock = WM().Lock();
        Window* w = WM().Find(hWnd);
        return w ? static_cast<LRESULT>(w->text.size()) : 0;
    }
    case WM_CLOSE:
        DestroyWindow(hWnd);
        return 0;
    default:
        return 0;
    }
}

BOOL SetWindowTextW(HWND hWnd, LPCWSTR lpString) {
    if (!IsWindow(hWnd)) {
        SetLastError(ERROR_INVALID_WINDOW_HANDLE);
        return FALSE;
    }
    return WM().Call(hWnd, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(lpString)) ? TRUE : FALSE;
}

int GetWindowTextW(HWND hWnd, LPWSTR lpString, int nMaxCount) {
    if (lpString == nullptr || nMaxCount <= 0)
        return 0;
    lpString[0] = 0;
    if (!IsWindow(hWnd)) {
        SetLastError(ERROR_INVALID_WINDOW_HANDLE);
        return 0;
    }
    return static_cast<int>(WM().Call(hWnd, WM_GETTEXT, static_cast<WPARAM>(nMaxCount),
                                      reinterpret_cast<LPARAM>(lpString)));
}

int GetWindowTextLengthW(HWND hWnd) {
    if (!IsWindow(hWnd)) {
        SetLastError(ERROR_INVALID_WINDOW_HANDLE);
        return 0;
    }
    return static_cast<int>(WM().Call(hWnd, WM_GETTEXTLENGTH, 0, 0));
}
