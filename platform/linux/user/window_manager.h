// The headless window manager's state, shared by the window calls and the dialog calls.
//
// One lock guards the window tree and the classes. It is never held while a window or dialog
// procedure runs, so procedures may call back into any window call.
#pragma once

#include <memory>
#include <mutex>
#include <string>
#include <unordered_map>
#include <vector>

#include "platform/linux/user/window.h"

namespace dq::ui {

struct WindowClass {
    std::u16string name;
    ATOM atom = 0;
    WNDPROC proc = nullptr;
    int windowExtra = 0;
    HINSTANCE instance = nullptr;
    bool system = false; // predefined: cannot be unregistered
};

struct Window {
    HWND handle = nullptr;
    HWND parent = nullptr; // the window it sits in; the desktop for top-level windows
    HWND owner = nullptr;
    std::vector<HWND> children; // top of the z-order first
    std::shared_ptr<WindowClass> windowClass;
    WNDPROC proc = nullptr;
    HINSTANCE instance = nullptr;
    DWORD style = 0;
    DWORD exStyle = 0;
    RECT rect{}; // in the parent's client coordinates
    std::u16string text;
    LONG_PTR id = 0;
    LONG_PTR userData = 0;
    std::vector<BYTE> extra;
    SIZE dialogBaseUnits{}; // dialogs only
    RECT update{};
    bool hasUpdate = false;
    bool erasePending = false;
    bool destroying = false; // WM_DESTROY has been sent
};

struct CreateRequest {
    DWORD exStyle = 0;
    std::shared_ptr<WindowClass> windowClass;
    LPCWSTR name = nullptr;
    DWORD style = 0;
    int x = 0, y = 0, width = 0, height = 0;
    HWND parent = nullptr;
    HMENU menu = nullptr;
    HINSTANCE instance = nullptr;
    LPVOID param = nullptr;
    SIZE dialogBaseUnits{};
};

class WindowManager {
public:
    static WindowManager& Instance();

    std::unique_lock<std::mutex> Lock() { return std::unique_lock<std::mutex>(m_mutex); }
    // With the lock held: the live window, or null with ERROR_INVALID_WINDOW_HANDLE.
    Window* Find(HWND hWnd);
    HWND Desktop() const { return m_desktop; }
    // With the lock held: the class by name or atom, or null.
    std::shared_ptr<WindowClass> FindClass(LPCWSTR name);
    ATOM AddClass(const WNDCLASSEXW& wc);
    bool RemoveClass(LPCWSTR name);

    // Creates the window and runs its creation messages; null on failure with the last error.
    HWND Create(const CreateRequest& request);
    // The live windows, for calls that address them all.
    std::vector<HWND> AllWindows();
    // With the lock held: the windows the given one owns.
    std::vector<HWND> Owned(HWND owner);

    // With the lock held: the window's client area origin in screen coordinates.
    POINT ClientOrigin(const Window& w);

    // Calls the window's procedure without the lock; 0 when the window is gone.
    LRESULT Call(HWND hWnd, UINT msg, WPARAM wParam, LPARAM lParam);

    // Sends WM_DESTROY to a window and its descendants, parents first.
    void SendDestroy(HWND hWnd);
    // Sends WM_NCDESTROY to a window's descendants and the window, children first, freeing each.
    void Free(HWND hWnd);

private:
    WindowManager();
    HWND NewHandle();

    std::mutex m_mutex;
    std::unordered_map<HWND, std::unique_ptr<Window>> m_windows;
    std::vector<std::shared_ptr<WindowClass>> m_classes;
    uintptr_t m_nextHandle = 0x10000; // handle values are never reused
    ATOM m_nextAtom = 0xC000;
    HWND m_desktop = nullptr;
};

// The client area's insets within the window rectangle for a style (frame, edges, caption).
RECT FrameInsets(DWORD style, DWORD exStyle, bool menu);

} // namespace dq::ui
