// dq-wine-page: the filter's property page in the system's property frame
// (OleCreatePropertyFrame), used as a person would. While the frame runs its modal loop, a second
// thread finds the page's controls by their texts, checks what they show against the filter's
// settings, ticks "&Hide Subtitles", types a delay, presses Alt+A, and sees each change reach the
// filter. It then hands the frame's screen rectangle to the test script for a screenshot and
// waits for the script to say it is taken before closing the frame.
//
// usage: dq-wine-page.exe FOLDER   (a folder for the script and the screenshot hand-over files)
#include <windows.h>

#include <chrono>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <string>
#include <thread>
#include <vector>

#include "filter/i_direct_quorbit.h"
#include "tools/wine/host_checks.h"

using dq::wine::Check;
using dq::wine::HexResult;
using dq::wine::Note;
namespace fs = std::filesystem;

namespace {

struct Found {
    HWND window;
    std::wstring cls;
    std::wstring text;
};

std::vector<Found> Descendants(HWND top) {
    std::vector<Found> all;
    EnumChildWindows(
        top,
        [](HWND window, LPARAM param) -> BOOL {
            wchar_t cls[64] = {}, text[300] = {};
            GetClassNameW(window, cls, 64);
            GetWindowTextW(window, text, 300);
            reinterpret_cast<std::vector<Found>*>(param)->push_back({window, cls, text});
            return TRUE;
        },
        reinterpret_cast<LPARAM>(&all));
    return all;
}

HWND FindByText(const std::vector<Found>& all, const wchar_t* cls, const std::wstring& text) {
    for (const Found& f : all) {
        if (_wcsicmp(f.cls.c_str(), cls) == 0 && f.text == text)
            return f.window;
    }
    return nullptr;
}

// The frame: a visible top-level window of this process holding the page's "&Hide Subtitles".
HWND FindFrame() {
    struct Search {
        HWND frame = nullptr;
    } search;
    EnumWindows(
        [](HWND window, LPARAM param) -> BOOL {
            DWORD process = 0;
            GetWindowThreadProcessId(window, &process);
            if (process != GetCurrentProcessId() || !IsWindowVisible(window))
                return TRUE;
            if (FindByText(Descendants(window), L"Button", L"&Hide Subtitles") == nullptr)
                return TRUE;
            reinterpret_cast<Search*>(param)->frame = window;
            return FALSE;
        },
        reinterpret_cast<LPARAM>(&search));
    return search.frame;
}

template <typename Condition> bool WaitFor(Condition condition, int seconds = 10) {
    const auto until = std::chrono::steady_clock::now() + std::chrono::seconds(seconds);
    while (!condition()) {
        if (std::chrono::steady_clock::now() > until)
            return false;
        Sleep(20);
    }
    return true;
}

LONG Delay(IDirectQuorbit* settings) {
    LONG delay = 0;
    settings->get_Delay(&delay);
    return delay;
}

bool Flag(IDirectQuorbit* settings, decltype(&IDirectQuorbit::get_HideSubtitles) get) {
    bool value = false;
    (settings->*get)(&value);
    return value;
}

// The text as a label or button draws it: "&x" shows x.
std::wstring Drawn(const std::wstring& text) {
    std::wstring shown;
    for (size_t i = 0; i < text.size(); ++i) {
        if (text[i] == L'&' && i + 1 < text.size())
            ++i;
        shown.push_back(text[i]);
    }
    return shown;
}

// The part of a window's client area its parents show (its client coordinates).
RECT VisiblePart(HWND window) {
    RECT visible{};
    GetClientRect(window, &visible);
    for (HWND child = window; GetWindowLongPtrW(child, GWL_STYLE) & WS_CHILD;) {
        HWND up = GetParent(child);
        if (up == nullptr)
            break;
        RECT r{};
        GetClientRect(up, &r);
        MapWindowPoints(up, window, reinterpret_cast<POINT*>(&r), 2);
        IntersectRect(&visible, &visible, &r);
        child = up;
    }
    return visible;
}

// Every control of the page inside the part of its client area the frame shows; every label,
// button and check box wide and tall enough for its text in its own font.
void CheckFits(HWND page, const RECT& client, const std::vector<Found>& all) {
    int inside = 0, controls = 0;
    for (const Found& f : all) {
        if (GetAncestor(f.window, GA_PARENT) == page || !IsChild(page, f.window))
            continue; // the form itself, and what is not on the page
        ++controls;
        RECT r{};
        GetWindowRect(f.window, &r);
        MapWindowPoints(nullptr, page, reinterpret_cast<POINT*>(&r), 2);
        const bool in =
            r.left >= 0 && r.top >= 0 && r.right <= client.right && r.bottom <= client.bottom;
        inside += in;
        if (!in)
            Note("outside the page: %ls \"%ls\" at %ld,%ld-%ld,%ld", f.cls.c_str(), f.text.c_str(),
                 r.left, r.top, r.right, r.bottom);
        const bool label = _wcsicmp(f.cls.c_str(), L"Static") == 0;
        const bool button = _wcsicmp(f.cls.c_str(), L"Button") == 0;
        if (!(label || button) || f.text.empty())
            continue;
        HDC dc = GetDC(f.window);
        const HGDIOBJ font = reinterpret_cast<HGDIOBJ>(SendMessageW(f.window, WM_GETFONT, 0, 0));
        const HGDIOBJ previous = font ? SelectObject(dc, font) : nullptr;
        const std::wstring shown = Drawn(f.text);
        SIZE extent{};
        GetTextExtentPoint32W(dc, shown.c_str(), int(shown.size()), &extent);
        if (previous != nullptr)
            SelectObject(dc, previous);
        ReleaseDC(f.window, dc);
        const LONG style = LONG(GetWindowLongPtrW(f.window, GWL_STYLE)) & 0xF;
        const bool check = button && (style == BS_CHECKBOX || style == BS_AUTOCHECKBOX);
        // A check box's box and the gap after it; a push button's edges.
        const LONG beside = check ? 16 : button ? 6 : 0;
        const LONG width = r.right - r.left, height = r.bottom - r.top;
        Check(extent.cx + beside <= width && extent.cy <= height,
              "\"%ls\" fits its control: text %ld x %ld (+%ld), control %ld x %ld", f.text.c_str(),
              extent.cx, extent.cy, beside, width, height);
    }
    Check(controls > 0 && inside == controls,
          "all %d controls lie inside what the frame shows of the page (%ld x %ld)", controls,
          client.right, client.bottom);
}

// Everything the user does, from a thread of its own while the frame's modal loop runs.
void User(IDirectQuorbit* settings, const fs::path& folder, const std::wstring& scriptPath,
          DWORD frameThread) {
    HWND frame = nullptr;
    if (!Check(WaitFor([&] { return (frame = FindFrame()) != nullptr; }, 30),
               "the property frame shows the page"))
        return;
    // Let the frame finish laying itself out and painting.
    Sleep(500);
    const std::vector<Found> all = Descendants(frame);

    const HWND reload = FindByText(all, L"Button", L"&Reload");
    const HWND chooser = FindByText(all, L"Button", L"...");
    const HWND hide = FindByText(all, L"Button", L"&Hide Subtitles");
    const HWND immediate = FindByText(all, L"Button", L"&Apply changes immediately");
    const HWND debug = FindByText(all, L"Button", L"&Show Debug Informations");
    const HWND before = FindByText(all, L"Static", L"Delay:");
    const HWND after = FindByText(all, L"Static", L"frames (1/60sec)");
    const HWND path = FindByText(all, L"Edit", scriptPath);
    const HWND delay = FindByText(all, L"Edit", L"30");
    Check(reload && chooser && hide && immediate && debug,
          "buttons \"&Reload\", \"...\" and the three check boxes are there");
    Check(before && after, "labels \"Delay:\" and \"frames (1/60sec)\" are there");
    Check(path != nullptr, "the file name box shows the script's path");
    Check(path && (GetWindowLongPtrW(path, GWL_STYLE) & ES_READONLY),
          "the file name box is read-only");
    Check(delay != nullptr, "the delay box shows the filter's delay, 30");
    if (!(hide && delay && immediate && reload))
        return;
    const auto checked = [](HWND box) {
        return SendMessageW(box, BM_GETCHECK, 0, 0) == BST_CHECKED;
    };
    Check(!checked(hide) && !checked(immediate) && checked(debug),
          "the check boxes show the filter's switches (only debug output on)");
    HWND form = GetParent(reload);
    HWND page = GetParent(form);
    RECT client{}, pageClient{};
    GetClientRect(form, &client);
    GetClientRect(page, &pageClient);
    const RECT visible = VisiblePart(page);
    Note("the page's client area: %ld x %ld, of which the frame shows %ld x %ld", pageClient.right,
         pageClient.bottom, visible.right, visible.bottom);
    Check(EqualRect(&client, &visible) != FALSE,
          "the settings form fills what the frame shows of the page (%ld x %ld)", client.right,
          client.bottom);
    Check(!(GetWindowLongPtrW(form, GWL_STYLE) & (WS_CAPTION | WS_BORDER | WS_THICKFRAME)),
          "the settings form has no border");
    CheckFits(page, visible, all);

    // A click on the box.
    SendMessageW(hide, BM_CLICK, 0, 0);
    Check(WaitFor([&] { return Flag(settings, &IDirectQuorbit::get_HideSubtitles); }),
          "ticking \"&Hide Subtitles\" turns the filter's overlay off");
    Check(checked(hide), "and the box shows the tick");

    // Typing a delay: the box takes the typed text, Enter commits it.
    SendMessageW(delay, EM_SETSEL, 0, -1);
    for (wchar_t c : std::wstring(L"-5"))
        SendMessageW(delay, WM_CHAR, c, 1);
    PostMessageW(delay, WM_KEYDOWN, VK_RETURN, 1);
    Check(WaitFor([&] { return Delay(settings) == -5; }),
          "typing -5 and Enter sets the delay to -5");

    // Alt+A as the keyboard delivers it to the focused control (the character, with the Alt
    // bit), through the frame's own message loop and dialog manager.
    SendMessageW(frame, WM_NEXTDLGCTL, WPARAM(delay), TRUE);
    GUITHREADINFO gui{};
    gui.cbSize = sizeof gui;
    GetGUIThreadInfo(frameThread, &gui);
    PostMessageW(gui.hwndFocus ? gui.hwndFocus : delay, WM_SYSCHAR, 'a', LPARAM(0x20000001));
    Check(WaitFor([&] { return Flag(settings, &IDirectQuorbit::get_ChangeImmediate); }),
          "Alt+A ticks \"&Apply changes immediately\" through the frame's dialog manager");

    // The screenshot: the script takes it once the frame's rectangle is known.
    RECT r{};
    GetWindowRect(frame, &r);
    {
        std::ofstream(folder / "frame-rect.tmp")
            << r.left << " " << r.top << " " << (r.right - r.left) << " " << (r.bottom - r.top)
            << "\n";
    }
    fs::rename(folder / "frame-rect.tmp", folder / "frame-rect.txt");
    const bool shot = WaitFor([&] { return fs::exists(folder / "screenshot-taken"); }, 60);
    Check(shot, "the screenshot was taken");

    // Close the frame as the user would: its Cancel (every change is already in the filter).
    HWND cancel = FindByText(Descendants(frame), L"Button", L"Cancel");
    if (cancel != nullptr)
        PostMessageW(cancel, BM_CLICK, 0, 0);
    else
        PostMessageW(frame, WM_COMMAND, IDCANCEL, 0);
}

} // namespace

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: dq-wine-page.exe FOLDER\n");
        return 2;
    }
    dq::wine::StartWatchdog(180, "the property page host");
    const fs::path folder = argv[1];
    const fs::path script = folder / "page.txt";
    std::ofstream(script) << "@quorent 1\n0 10 | Hello\n";

    OleInitialize(nullptr);
    {
        IBaseFilter* filter = nullptr;
        HRESULT hr = CoCreateInstance(CLSID_DirectQuorbit_RELEASE, nullptr, CLSCTX_INPROC_SERVER,
                                      IID_IBaseFilter, reinterpret_cast<void**>(&filter));
        if (!Check(SUCCEEDED(hr), "CoCreateInstance creates DirectQuorbit (%s)",
                   HexResult(hr).c_str()))
            return dq::wine::ExitCode();
        IDirectQuorbit* settings = nullptr;
        ISpecifyPropertyPages* specify = nullptr;
        filter->QueryInterface(IID_IDirectQuorbit, reinterpret_cast<void**>(&settings));
        filter->QueryInterface(IID_ISpecifyPropertyPages, reinterpret_cast<void**>(&specify));
        if (!Check(settings && specify, "the filter answers IDirectQuorbit and "
                                        "ISpecifyPropertyPages"))
            return dq::wine::ExitCode();
        std::wstring path = script.wstring();
        settings->put_FileName(path.data());
        settings->put_Delay(30);
        settings->put_DebugOutput(true);

        CAUUID pages{};
        hr = specify->GetPages(&pages);
        Check(SUCCEEDED(hr) && pages.cElems == 1 && pages.pElems[0] == CLSID_DirectQuorbitProp,
              "the filter names its one property page");

        std::thread user(User, settings, folder, path, GetCurrentThreadId());
        IUnknown* object = filter;
        hr = OleCreatePropertyFrame(nullptr, 40, 40, L"DirectQuorbit", 1, &object, pages.cElems,
                                    pages.pElems, 0, 0, nullptr);
        user.join();
        Check(SUCCEEDED(hr), "the property frame ran and closed (%s)", HexResult(hr).c_str());
        CoTaskMemFree(pages.pElems);

        Check(Flag(settings, &IDirectQuorbit::get_HideSubtitles) && Delay(settings) == -5,
              "the settings made on the page stay in the filter after the frame closed");
        specify->Release();
        settings->Release();
        filter->Release();
    }
    OleUninitialize();
    return dq::wine::ExitCode();
}
