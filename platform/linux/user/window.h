// Windows and dialogs, headless: a window manager that keeps the window tree, styles, rectangles,
// visibility, texts and data slots, and delivers messages to window and dialog procedures, with
// the Win32 names and meaning. Nothing is drawn.
//
// How it differs from a desktop:
//  - Messages are delivered at once on the calling thread (there is no message queue); a window
//    may be used from any thread, and the window manager's own state is thread-safe.
//  - The desktop is 1920 x 1080 pixels. Frames use fixed metrics: border 1, dialog frame 3,
//    sizing frame 4, client edge 2, static edge 1, caption 18 (see AdjustWindowRectEx).
//  - Windows are shown or hidden; minimised and maximised states are not modelled (the
//    commands show the window at its size).
//  - Painting is reduced to the update rectangle: InvalidateRect widens it, GetUpdateRect reads
//    it, ValidateRect clears it.
//  - Controls in dialog templates and the predefined classes (Button, Edit, Static, ListBox,
//    ScrollBar, ComboBox) are plain windows that keep their text and styles.
#pragma once

#include "platform/linux/user/window_types.h"

// Window classes. Names compare case-insensitively; the predefined classes and the dialog class
// "#32770" exist from the start.
ATOM RegisterClassExW(const WNDCLASSEXW* lpwcx);
BOOL UnregisterClassW(LPCWSTR lpClassName, HINSTANCE hInstance);

// Sends WM_NCCREATE and WM_CREATE (either may refuse creation), then WM_SIZE and WM_MOVE; a
// window created with WS_VISIBLE is then shown. CW_USEDEFAULT places a top-level window at the
// desktop's origin with half the desktop's size, and a child window at 0, 0 with no size.
HWND CreateWindowExW(DWORD dwExStyle, LPCWSTR lpClassName, LPCWSTR lpWindowName, DWORD dwStyle,
                     int X, int Y, int nWidth, int nHeight, HWND hWndParent, HMENU hMenu,
                     HINSTANCE hInstance, LPVOID lpParam);
// Destroys the windows it owns, then sends WM_DESTROY to the window and then to each of its
// descendants (parents before children), then WM_NCDESTROY to the descendants and the window
// (children before parents), freeing each handle after its WM_NCDESTROY.
BOOL DestroyWindow(HWND hWnd);
BOOL IsWindow(HWND hWnd);
HWND GetDesktopWindow();

// The parent of a WS_CHILD window, the owner of a WS_POPUP window, else null (so a window given
// a parent with SetParent but without WS_CHILD still answers as before, as on Windows);
// GetAncestor(GA_PARENT) always answers the window the handle sits in.
HWND GetParent(HWND hWnd);
HWND GetAncestor(HWND hwnd, UINT gaFlags);
// Moves the window under a new parent (null: the desktop), keeping its position numbers, which
// are now read in the new parent's client area. Styles are not changed. Returns the old parent.
HWND SetParent(HWND hWndChild, HWND hWndNewParent);
// Siblings run from the top of the z-order down. A new child window goes to the bottom (so
// controls run in creation order); a new top-level window and a re-parented window go on top.
HWND GetWindow(HWND hWnd, UINT uCmd);
HWND GetDlgItem(HWND hDlg, int nIDDlgItem);
int GetDlgCtrlID(HWND hWnd);

// Position and size relative to the parent's client area; WM_MOVE and WM_SIZE follow a change.
BOOL MoveWindow(HWND hWnd, int X, int Y, int nWidth, int nHeight, BOOL bRepaint);
BOOL GetWindowRect(HWND hWnd, LPRECT lpRect); // screen coordinates
BOOL GetClientRect(HWND hWnd, LPRECT lpRect);
BOOL AdjustWindowRectEx(LPRECT lpRect, DWORD dwStyle, BOOL bMenu, DWORD dwExStyle);
// Between a window's client coordinates and the screen's.
BOOL ClientToScreen(HWND hWnd, LPPOINT lpPoint);
BOOL ScreenToClient(HWND hWnd, LPPOINT lpPoint);

// Returns whether the window was visible before. WM_SHOWWINDOW is sent when that changes.
BOOL ShowWindow(HWND hWnd, int nCmdShow);
// Visible when the window and all its ancestors have WS_VISIBLE.
BOOL IsWindowVisible(HWND hWnd);
BOOL InvalidateRect(HWND hWnd, const RECT* lpRect, BOOL bErase);
BOOL ValidateRect(HWND hWnd, const RECT* lpRect);
BOOL GetUpdateRect(HWND hWnd, LPRECT lpRect, BOOL bErase);
// Whether the background still has to be erased (InvalidateRect with bErase since the last
// validation or GetUpdateRect with bErase); for checking what a window asked for.
BOOL DqIsErasePending(HWND hWnd);

// GWL_STYLE and GWL_EXSTYLE (WM_STYLECHANGING and WM_STYLECHANGED around a change), GWLP_ID,
// GWLP_USERDATA, GWLP_HINSTANCE, GWLP_WNDPROC, GWLP_HWNDPARENT, and the class's extra bytes:
// for a dialog DWLP_MSGRESULT, DWLP_DLGPROC and DWLP_USER. Another index gives 0 and
// ERROR_INVALID_INDEX; SetWindowLongPtrW clears the last error first, as on Windows.
LONG_PTR GetWindowLongPtrW(HWND hWnd, int nIndex);
LONG_PTR SetWindowLongPtrW(HWND hWnd, int nIndex, LONG_PTR dwNewLong);

// Calls the window's procedure on this thread.
LRESULT SendMessageW(HWND hWnd, UINT Msg, WPARAM wParam, LPARAM lParam);
LRESULT CallWindowProcW(WNDPROC lpPrevWndFunc, HWND hWnd, UINT Msg, WPARAM wParam, LPARAM lParam);
// Keeps the text (WM_NCCREATE, WM_SETTEXT, WM_GETTEXT, WM_GETTEXTLENGTH) and destroys the
// window on WM_CLOSE; every other message answers 0.
LRESULT DefWindowProcW(HWND hWnd, UINT Msg, WPARAM wParam, LPARAM lParam);
BOOL SetWindowTextW(HWND hWnd, LPCWSTR lpString);
int GetWindowTextW(HWND hWnd, LPWSTR lpString, int nMaxCount);
int GetWindowTextLengthW(HWND hWnd);

// Dialogs from a module's resources (see resources.h). The dialog window is created hidden,
// then its controls, then WM_INITDIALOG goes to the dialog procedure (word parameter: the first
// control with WS_TABSTOP, or null; long parameter: dwInitParam) before the call returns; a
// template with WS_VISIBLE is shown afterwards. A WS_CHILD template needs a parent; otherwise
// hWndParent becomes the owner and the template's position is read from the owner's client
// area (from the screen with DS_ABSALIGN). Returns null if the dialog procedure destroyed the
// dialog during WM_INITDIALOG.
//
// Dialog units become pixels with the base units of the template's font (one horizontal unit
// is a quarter of the base width, one vertical unit an eighth of the base height, rounded as
// MulDiv rounds): see dialog_base_units.h.
HWND CreateDialogParamW(HINSTANCE hInstance, LPCWSTR lpTemplateName, HWND hWndParent,
                        DLGPROC lpDialogFunc, LPARAM dwInitParam);
// The dialog class's window procedure: gives each message to the dialog procedure first. When
// that handles it (non-zero), the answer is DWLP_MSGRESULT, except for the messages whose answer
// is the procedure's own result (WM_INITDIALOG, WM_CTLCOLOR*, ...); otherwise DefWindowProcW.
LRESULT DefDlgProcW(HWND hDlg, UINT Msg, WPARAM wParam, LPARAM lParam);
// Converts a rectangle in the dialog's units to pixels.
BOOL MapDialogRect(HWND hDlg, LPRECT lpRect);
// Base units of the system font, for dialogs without a font of their own: MAKELONG(8, 16).
LONG GetDialogBaseUnits();

// number * numerator / denominator in 64 bits, rounded half away from zero; -1 on a zero
// denominator or a result that does not fit.
int MulDiv(int nNumber, int nNumerator, int nDenominator);
