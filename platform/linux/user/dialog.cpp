// Dialogs from resource templates, and the dialog class's window procedure.
#include <cstdlib>

#include "platform/linux/kernel/kernel.h"
#include "platform/linux/user/dialog_base_units.h"
#include "platform/linux/user/resources.h"
#include "platform/linux/user/window.h"
#include "platform/linux/user/window_manager.h"
#include "platform/linux/win_error.h"

using dq::ui::WindowManager;

namespace {

LPCWSTR PredefinedClass(WORD ordinal) {
    switch (ordinal) {
    case 0x0080:
        return u"Button";
    case 0x0081:
        return u"Edit";
    case 0x0082:
        return u"Static";
    case 0x0083:
        return u"ListBox";
    case 0x0084:
        return u"ScrollBar";
    case 0x0085:
        return u"ComboBox";
    default:
        return nullptr;
    }
}

// Messages whose answer is the dialog procedure's own result rather than DWLP_MSGRESULT.
bool AnswersDirectly(UINT msg) {
    switch (msg) {
    case WM_INITDIALOG:
    case WM_CTLCOLORMSGBOX:
    case WM_CTLCOLOREDIT:
    case WM_CTLCOLORLISTBOX:
    case WM_CTLCOLORBTN:
    case WM_CTLCOLORDLG:
    case WM_CTLCOLORSCROLLBAR:
    case WM_CTLCOLORSTATIC:
    case 0x002E: // WM_VKEYTOITEM
    case 0x002F: // WM_CHARTOITEM
    case 0x0037: // WM_QUERYDRAGICON
    case 0x0039: // WM_COMPAREITEM
        return true;
    default:
        return false;
    }
}

RECT ToPixels(SIZE base, int x, int y, int cx, int cy) {
    int left = MulDiv(x, base.cx, 4), top = MulDiv(y, base.cy, 8);
    return RECT{left, top, left + MulDiv(cx, base.cx, 4), top + MulDiv(cy, base.cy, 8)};
}

} // namespace

int MulDiv(int nNumber, int nNumerator, int nDenominator) {
    if (nDenominator == 0)
        return -1;
    long long product = static_cast<long long>(nNumber) * nNumerator;
    long long half = std::llabs(static_cast<long long>(nDenominator)) / 2;
    bool negative = (product < 0) != (nDenominator < 0);
    long long q = (std::llabs(product) + half) / std::llabs(static_cast<long long>(nDenominator));
    if (negative)
        q = -q;
    if (q > 0x7FFFFFFF || q < -0x7FFFFFFF - 1)
        return -1;
    return static_cast<int>(q);
}

LONG GetDialogBaseUnits() {
    SIZE base = DqDialogBaseUnits(nullptr, 0);
    return MAKELONG(base.cx, base.cy);
}

HWND CreateDialogParamW(HINSTANCE hInstance, LPCWSTR lpTemplateName, HWND hWndParent,
                        DLGPROC lpDialogFunc, LPARAM dwInitParam) {
    const DqDialogTemplate* t = DqFindDialogTemplate(hInstance, lpTemplateName);
    if (t == nullptr)
        return nullptr;
    SIZE base = (t->style & DS_SETFONT) && t->typeface
                    ? DqDialogBaseUnits(t->typeface, t->pointSize)
                    : DqDialogBaseUnits(nullptr, 0);
    DWORD style = t->style;
    DWORD exStyle = t->exStyle;
    if (style & DS_CONTROL) {
        style &= ~DWORD(WS_CAPTION | WS_SYSMENU);
        exStyle |= WS_EX_CONTROLPARENT;
    }
    if (style & DS_MODALFRAME)
        exStyle |= WS_EX_DLGMODALFRAME;

    // The template's size is the client area's; its position is the window's.
    RECT r = ToPixels(base, t->x, t->y, t->cx, t->cy);
    RECT frame{0, 0, r.right - r.left, r.bottom - r.top};
    AdjustWindowRectEx(&frame, style, FALSE, exStyle);
    POINT origin{0, 0};
    if (!(style & WS_CHILD) && !(style & DS_ABSALIGN) && hWndParent != nullptr) {
        auto& wm = WindowManager::Instance();
        auto lock = wm.Lock();
        if (auto* owner = wm.Find(hWndParent))
            origin = wm.ClientOrigin(*owner);
    }

    dq::ui::CreateRequest request;
    {
        auto& wm = WindowManager::Instance();
        auto lock = wm.Lock();
        request.windowClass = wm.FindClass(u"#32770");
    }
    request.exStyle = exStyle;
    request.name = t->caption;
    request.style = style & ~DWORD(WS_VISIBLE);
    request.x = r.left + origin.x;
    request.y = r.top + origin.y;
    request.width = frame.right - frame.left;
    request.height = frame.bottom - frame.top;
    request.parent = hWndParent;
    request.instance = hInstance;
    request.dialogBaseUnits = base;
    HWND dialog = WindowManager::Instance().Create(request);
    if (dialog == nullptr)
        return nullptr;
    SetWindowLongPtrW(dialog, DWLP_DLGPROC, reinterpret_cast<LONG_PTR>(lpDialogFunc));

    HWND focus = nullptr;
    for (UINT i = 0; i < t->itemCount; ++i) {
        const DqDialogItem& item = t->items[i];
        LPCWSTR className = item.className ? item.className : PredefinedClass(item.classOrdinal);
        RECT ir = ToPixels(base, item.x, item.y, item.cx, item.cy);
        HWND control =
            className == nullptr
                ? nullptr
                : CreateWindowExW(item.exStyle, className, item.text, item.style | WS_CHILD,
                                  ir.left, ir.top, ir.right - ir.left, ir.bottom - ir.top, dialog,
                                  reinterpret_cast<HMENU>(ULONG_PTR(item.id)), hInstance, nullptr);
        if (control == nullptr) {
            DWORD error =
                className == nullptr ? DWORD(ERROR_CANNOT_FIND_WND_CLASS) : GetLastError();
            DestroyWindow(dialog);
            SetLastError(error);
            return nullptr;
        }
        if (focus == nullptr && (item.style & WS_TABSTOP) && !(item.style & WS_DISABLED))
            focus = control;
    }

    SendMessageW(dialog, WM_INITDIALOG, reinterpret_cast<WPARAM>(focus), dwInitParam);
    if (!IsWindow(dialog))
        return nullptr;
    if (t->style & WS_VISIBLE)
        ShowWindow(dialog, SW_SHOWNORMAL);
    return dialog;
}

LRESULT DefDlgProcW(HWND hDlg, UINT Msg, WPARAM wParam, LPARAM lParam) {
    auto proc = reinterpret_cast<DLGPROC>(GetWindowLongPtrW(hDlg, DWLP_DLGPROC));
    if (proc != nullptr) {
        INT_PTR handled = proc(hDlg, Msg, wParam, lParam);
        if (handled != 0) {
            if (AnswersDirectly(Msg))
                return handled;
            return IsWindow(hDlg) ? GetWindowLongPtrW(hDlg, DWLP_MSGRESULT) : 0;
        }
        if (!IsWindow(hDlg))
            return 0;
    }
    if (Msg == WM_CLOSE) {
        // Closing a dialog is cancelling it.
        SendMessageW(hDlg, WM_COMMAND, MAKEWPARAM(IDCANCEL, 0),
                     reinterpret_cast<LPARAM>(GetDlgItem(hDlg, IDCANCEL)));
        return 0;
    }
    return DefWindowProcW(hDlg, Msg, wParam, lParam);
}

BOOL MapDialogRect(HWND hDlg, LPRECT lpRect) {
    auto& wm = WindowManager::Instance();
    auto lock = wm.Lock();
    auto* w = wm.Find(hDlg);
    if (w == nullptr || lpRect == nullptr)
        return FALSE;
    if (w->dialogBaseUnits.cx == 0) {
        SetLastError(ERROR_INVALID_WINDOW_HANDLE);
        return FALSE;
    }
    SIZE base = w->dialogBaseUnits;
    *lpRect = RECT{MulDiv(lpRect->left, base.cx, 4), MulDiv(lpRect->top, base.cy, 8),
                   MulDiv(lpRect->right, base.cx, 4), MulDiv(lpRect->bottom, base.cy, 8)};
    return TRUE;
}
