#include "platform/linux/user/window_manager.h"

#include "platform/linux/kernel/kernel.h"
#include "platform/linux/kernel/wide_string.h"
#include "platform/linux/win_error.h"

namespace dq::ui {

namespace {

constexpr LONG kDesktopWidth = 1920;
constexpr LONG kDesktopHeight = 1080;

bool SameClassName(std::u16string_view a, std::u16string_view b) {
    if (a.size() != b.size())
        return false;
    for (size_t i = 0; i < a.size(); ++i) {
        char16_t x = (a[i] >= u'a' && a[i] <= u'z') ? char16_t(a[i] - 32) : a[i];
        char16_t y = (b[i] >= u'a' && b[i] <= u'z') ? char16_t(b[i] - 32) : b[i];
        if (x != y)
            return false;
    }
    return true;
}

LRESULT CALLBACK DesktopProc(HWND, UINT, WPARAM, LPARAM) {
    return 0;
}

} // namespace

RECT FrameInsets(DWORD style, DWORD exStyle, bool menu) {
    LONG frame = 0;
    if (style & WS_THICKFRAME)
        frame = 4;
    else if ((style & WS_DLGFRAME) || (exStyle & WS_EX_DLGMODALFRAME))
        frame = 3;
    else if (style & WS_BORDER)
        frame = 1;
    if (exStyle & WS_EX_CLIENTEDGE)
        frame += 2;
    if (exStyle & WS_EX_STATICEDGE)
        frame += 1;
    RECT insets{frame, frame, frame, frame};
    if ((style & WS_CAPTION) == WS_CAPTION)
        insets.top += 18;
    if (menu)
        insets.top += 19;
    return insets;
}

WindowManager& WindowManager::Instance() {
    static WindowManager manager;
    return manager;
}

WindowManager::WindowManager() {
    auto add = [this](const char16_t* name, WNDPROC proc, int extra) {
        WNDCLASSEXW wc{};
        wc.cbSize = sizeof wc;
        wc.lpfnWndProc = proc;
        wc.cbWndExtra = extra;
        wc.lpszClassName = name;
        AddClass(wc);
        m_classes.back()->system = true;
    };
    add(u"#32769", DesktopProc, 0);
    add(u"#32770", DefDlgProcW, DLGWINDOWEXTRA);
    for (const char16_t* name :
         {u"Button", u"Edit", u"Static", u"ListBox", u"ScrollBar", u"ComboBox"})
        add(name, DefWindowProcW, 0);

    auto desktop = std::make_unique<Window>();
    desktop->handle = m_desktop = NewHandle();
    desktop->windowClass = FindClass(u"#32769");
    desktop->proc = DesktopProc;
    desktop->style = WS_POPUP | WS_VISIBLE | WS_CLIPCHILDREN;
    desktop->rect = RECT{0, 0, kDesktopWidth, kDesktopHeight};
    m_windows.emplace(m_desktop, std::move(desktop));
}

HWND WindowManager::NewHandle() {
    m_nextHandle += 4;
    return reinterpret_cast<HWND>(m_nextHandle);
}

Window* WindowManager::Find(HWND hWnd) {
    auto it = m_windows.find(hWnd);
    if (it == m_windows.end()) {
        SetLastError(ERROR_INVALID_WINDOW_HANDLE);
        return nullptr;
    }
    return it->second.get();
}

std::shared_ptr<WindowClass> WindowManager::FindClass(LPCWSTR name) {
    if (name == nullptr)
        return nullptr;
    for (auto& c : m_classes) {
        if (IS_INTRESOURCE(name) ? c->atom == static_cast<ATOM>(reinterpret_cast<ULONG_PTR>(name))
                                 : SameClassName(c->name, name))
            return c;
    }
    return nullptr;
}

ATOM WindowManager::AddClass(const WNDCLASSEXW& wc) {
    auto c = std::make_shared<WindowClass>();
    c->name = wc.lpszClassName;
    c->atom = m_nextAtom++;
    c->proc = wc.lpfnWndProc;
    c->windowExtra = wc.cbWndExtra;
    c->instance = wc.hInstance;
    m_classes.push_back(c);
    return c->atom;
}

bool WindowManager::RemoveClass(LPCWSTR name) {
    auto c = FindClass(name);
    if (!c || c->system) {
        SetLastError(c ? ERROR_ACCESS_DENIED : ERROR_CLASS_DOES_NOT_EXIST);
        return false;
    }
    for (auto& [handle, w] : m_windows) {
        if (w->windowClass == c) {
            SetLastError(ERROR_CLASS_HAS_WINDOWS);
            return false;
        }
    }
    std::erase(m_classes, c);
    return true;
}

std::vector<HWND> WindowManager::AllWindows() {
    auto lock = Lock();
    std::vector<HWND> all;
    for (auto& [handle, w] : m_windows)
        all.push_back(handle);
    return all;
}

std::vector<HWND> WindowManager::Owned(HWND owner) {
    std::vector<HWND> owned;
    for (auto& [handle, w] : m_windows)
        if (w->owner == owner)
            owned.push_back(handle);
    return owned;
}

POINT WindowManager::ClientOrigin(const Window& w) {
    RECT insets = FrameInsets(w.style, w.exStyle, false);
    POINT p{w.rect.left + insets.left, w.rect.top + insets.top};
    for (HWND up = w.parent; up != nullptr;) {
        const Window& parent = *m_windows.at(up);
        RECT pi = FrameInsets(parent.style, parent.exStyle, false);
        p.x += parent.rect.left + pi.left;
        p.y += parent.rect.top + pi.top;
        up = parent.parent;
    }
    return p;
}

HWND WindowManager::Create(const CreateRequest& r) {
    HWND hWnd;
    DWORD style = r.style;
    {
        auto lock = Lock();
        HWND parent = m_desktop;
        HWND owner = nullptr;
        if (r.parent != nullptr && Find(r.parent) == nullptr)
            return nullptr;
        if (style & WS_CHILD) {
            if (r.parent == nullptr) {
                SetLastError(ERROR_TLW_WITH_WSCHILD);
                return nullptr;
            }
            parent = r.parent;
        } else if (r.parent != nullptr) {
            // A top-level window is owned by the top-level window of the one given.
            owner = r.parent;
            for (Window* w = Find(owner); w && (w->style & WS_CHILD) && w->parent != m_desktop;
                 w = Find(w->parent))
                owner = w->parent;
        }
        int x = r.x, y = r.y, width = r.width, height = r.height;
        if (x == CW_USEDEFAULT) {
            x = y = 0;
        }
        if (width == CW_USEDEFAULT) {
            bool child = (style & WS_CHILD) != 0;
            width = child ? 0 : kDesktopWidth / 2;
            height = child ? 0 : kDesktopHeight / 2;
        }
        auto w = std::make_unique<Window>();
        hWnd = w->handle = NewHandle();
        w->parent = parent;
        w->owner = owner;
        w->windowClass = r.windowClass;
        w->proc = r.windowClass->proc;
        w->instance = r.instance;
        w->style = style & ~DWORD(WS_VISIBLE);
        w->exStyle = r.exStyle;
        w->rect = RECT{x, y, x + (width < 0 ? 0 : width), y + (height < 0 ? 0 : height)};
        w->id = (style & WS_CHILD) ? reinterpret_cast<LONG_PTR>(r.menu) : 0;
        w->extra.assign(static_cast<size_t>(r.windowClass->windowExtra), 0);
        w->dialogBaseUnits = r.dialogBaseUnits;
        // A child goes below its siblings, so controls run in creation order (the order of
        // dialog templates and of tabbing); a top-level window goes on top.
        auto& siblings = Find(parent)->children;
        if (style & WS_CHILD)
            siblings.push_back(hWnd);
        else
            siblings.insert(siblings.begin(), hWnd);
        m_windows.emplace(hWnd, std::move(w));
    }

    CREATESTRUCTW cs{r.param,
                     r.instance,
                     r.menu,
                     r.parent,
                     r.height,
                     r.width,
                     r.y,
                     r.x,
                     static_cast<LONG>(style),
                     r.name,
                     r.windowClass->name.c_str(),
                     r.exStyle};
    if (Call(hWnd, WM_NCCREATE, 0, reinterpret_cast<LPARAM>(&cs)) == 0) {
        Free(hWnd);
        SetLastError(ERROR_INVALID_WINDOW_HANDLE);
        return nullptr;
    }
    if (Call(hWnd, WM_CREATE, 0, reinterpret_cast<LPARAM>(&cs)) == -1) {
        DestroyWindow(hWnd);
        SetLastError(ERROR_INVALID_WINDOW_HANDLE);
        return nullptr;
    }
    RECT client;
    RECT place;
    {
        auto lock = Lock();
        Window* w = Find(hWnd);
        if (w == nullptr)
            return nullptr;
        RECT insets = FrameInsets(w->style, w->exStyle, false);
        client = RECT{0, 0, w->rect.right - w->rect.left - insets.left - insets.right,
                      w->rect.bottom - w->rect.top - insets.top - insets.bottom};
        place = RECT{w->rect.left + insets.left, w->rect.top + insets.top, 0, 0};
    }
    Call(hWnd, WM_SIZE, SIZE_RESTORED, MAKELPARAM(client.right, client.bottom));
    Call(hWnd, WM_MOVE, 0, MAKELPARAM(place.left, place.top));
    if ((style & WS_VISIBLE) && IsWindow(hWnd))
        ShowWindow(hWnd, SW_SHOW);
    return IsWindow(hWnd) ? hWnd : nullptr;
}

LRESULT WindowManager::Call(HWND hWnd, UINT msg, WPARAM wParam, LPARAM lParam) {
    WNDPROC proc;
    {
        auto lock = Lock();
        Window* w = Find(hWnd);
        if (w == nullptr)
            return 0;
        proc = w->proc;
    }
    return proc ? proc(hWnd, msg, wParam, lParam) : 0;
}

void WindowManager::SendDestroy(HWND hWnd) {
    {
        auto lock = Lock();
        Window* w = Find(hWnd);
        if (w == nullptr || w->destroying)
            return;
        w->destroying = true;
    }
    Call(hWnd, WM_DESTROY, 0, 0);
    std::vector<HWND> children;
    {
        auto lock = Lock();
        if (Window* w = Find(hWnd))
            children = w->children;
    }
    for (HWND child : children)
        SendDestroy(child);
}

void WindowManager::Free(HWND hWnd) {
    std::vector<HWND> children;
    {
        auto lock = Lock();
        Window* w = Find(hWnd);
        if (w == nullptr)
            return;
        children = w->children;
    }
    for (HWND child : children)
        Free(child);
    Call(hWnd, WM_NCDESTROY, 0, 0);
    auto lock = Lock();
    Window* w = Find(hWnd);
    if (w == nullptr)
        return;
    // Anything created under it meanwhile goes with it, without messages.
    std::vector<HWND> late = w->children;
    if (Window* parent = Find(w->parent))
        std::erase(parent->children, hWnd);
    m_windows.erase(hWnd);
    while (!late.empty()) {
        HWND h = late.back();
        late.pop_back();
        if (Window* c = Find(h)) {
            late.insert(late.end(), c->children.begin(), c->children.end());
            m_windows.erase(h);
        }
    }
}

} // namespace dq::ui
