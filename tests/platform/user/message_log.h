// Records the messages that test windows and dialogs receive.
#pragma once

#include <utility>
#include <vector>

#include "platform/platform.h"

struct MessageLog {
    static std::vector<std::pair<HWND, UINT>>& Entries() {
        static std::vector<std::pair<HWND, UINT>> entries;
        return entries;
    }
    static bool Interesting(UINT msg) {
        return msg == WM_CREATE || msg == WM_DESTROY || msg == WM_NCDESTROY ||
               msg == WM_INITDIALOG || msg == WM_SHOWWINDOW || msg == WM_SIZE ||
               msg == WM_STYLECHANGING || msg == WM_STYLECHANGED;
    }
    static LRESULT CALLBACK WindowProc(HWND h, UINT msg, WPARAM wp, LPARAM lp) {
        if (Interesting(msg))
            Entries().emplace_back(h, msg);
        return DefWindowProcW(h, msg, wp, lp);
    }
    // A window class whose windows log their messages.
    static LPCWSTR Class() {
        static bool registered = [] {
            WNDCLASSEXW wc{};
            wc.cbSize = sizeof wc;
            wc.lpfnWndProc = WindowProc;
            wc.lpszClassName = WSTR("LoggingWindow");
            return RegisterClassExW(&wc) != 0;
        }();
        return registered ? WSTR("LoggingWindow") : nullptr;
    }
    static HWND Create(HWND parent, DWORD style, int x = 0, int y = 0, int w = 100, int h = 50) {
        return CreateWindowExW(0, Class(), WSTR("w"), style, x, y, w, h, parent, nullptr, nullptr,
                               nullptr);
    }
};
