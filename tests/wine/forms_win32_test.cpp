// The forms service on its Windows backend: the controls become the system's own windows, and
// what the user does to those windows (clicks, typing, arrows, Tab, mnemonics, the file chooser)
// reaches the controls.
#include <gtest/gtest.h>

#include <windows.h>
#include <commctrl.h>

#include <atomic>
#include <chrono>
#include <climits>
#include <filesystem>
#include <fstream>
#include <string>
#include <thread>
#include <vector>

#include "platform/forms/forms.h"

using namespace dq::forms;

namespace {

std::wstring ClassOf(HWND window) {
    wchar_t name[64] = {};
    GetClassNameW(window, name, 64);
    return name;
}

std::wstring TextOf(HWND window) {
    wchar_t text[256] = {};
    GetWindowTextW(window, text, 256);
    return text;
}

DWORD StyleOf(HWND window) {
    return DWORD(GetWindowLongPtrW(window, GWL_STYLE));
}

// A form laid out as the settings page's is, with counters on its events.
struct SettingsLikeForm : Form {
    Button reload, file;
    TextBox name;
    CheckBox hide, immediate;
    Label before;
    NumericUpDown delay;
    int reloadClicks = 0, hideChanges = 0, delayChanges = 0;

    SettingsLikeForm() {
        SuspendLayout();
        reload.SetText(L"&Reload");
        reload.SetLocation({10, 40});
        reload.SetSize({60, 27});
        reload.Click += [this](Control&, const EventArgs&) { ++reloadClicks; };
        file.SetText(L"...");
        file.SetLocation({275, 10});
        file.SetSize({18, 20});
        name.SetLocation({10, 10});
        name.SetSize({260, 20});
        name.SetReadOnly(true);
        hide.SetText(L"&Hide Subtitles");
        hide.SetLocation({10, 80});
        hide.SetSize({200, 16});
        hide.CheckedChanged += [this](Control&, const EventArgs&) { ++hideChanges; };
        immediate.SetText(L"&Apply changes immediately");
        immediate.SetLocation({10, 100});
        immediate.SetSize({200, 16});
        before.SetText(L"Delay:");
        before.SetLocation({150, 47});
        before.SetSize({36, 12});
        delay.SetLocation({192, 45});
        delay.SetSize({70, 19});
        delay.SetTextAlign(HorizontalAlignment::Right);
        delay.SetMaximum(Decimal(INT32_MAX));
        delay.SetMinimum(Decimal(INT32_MIN));
        delay.ValueChanged += [this](Control&, const EventArgs&) { ++delayChanges; };
        SetStartPosition(FormStartPosition::Manual);
        SetLocation({0, 0});
        SetClientSize({360, 150});
        SetBorderStyle(FormBorderStyle::None);
        for (Control* c : std::initializer_list<Control*>{&reload, &file, &name, &hide, &immediate,
                                                          &before, &delay})
            Controls().Add(*c);
        ResumeLayout(false);
    }
    // The spinner's arrows: the window after its edit.
    HWND Arrows() { return GetWindow(delay.Handle(), GW_HWNDNEXT); }
};

// Sends keys to a window as the keyboard would: a key down, the character, a key up.
void Type(HWND window, const std::wstring& keys) {
    for (wchar_t c : keys) {
        SendMessageW(window, WM_CHAR, c, 1);
    }
}

void PressKey(HWND window, UINT key) {
    SendMessageW(window, WM_KEYDOWN, key, 1);
    SendMessageW(window, WM_KEYUP, key, 0xC0000001);
}

// A plain dialog to hold a form, as the property page's dialog does.
struct HostDialog {
    HWND window = nullptr;
    HostDialog() {
        struct {
            DLGTEMPLATE t;
            WORD menu, cls, title;
        } tmpl{};
        tmpl.t.style = WS_POPUP | WS_VISIBLE | DS_CONTROL;
        tmpl.t.cx = 300;
        tmpl.t.cy = 120;
        window = CreateDialogIndirectParamW(
            nullptr, &tmpl.t, nullptr, [](HWND, UINT, WPARAM, LPARAM) -> INT_PTR { return FALSE; },
            0);
    }
    ~HostDialog() { DestroyWindow(window); }
};

TEST(Win32Forms, ControlsBecomeTheSystemsWindowsInABorderlessForm) {
    SettingsLikeForm form;
    form.name.SetText(L"C:\\scripts\\show.txt");
    HWND window = form.Handle();
    ASSERT_NE(window, nullptr);
    RECT client;
    GetClientRect(window, &client);
    EXPECT_EQ(client.right, 360);
    EXPECT_EQ(client.bottom, 150);
    EXPECT_EQ(StyleOf(window) & (WS_CAPTION | WS_THICKFRAME | WS_BORDER), 0u);
    EXPECT_TRUE(GetWindowLongPtrW(window, GWL_EXSTYLE) & WS_EX_CONTROLPARENT);

    EXPECT_EQ(ClassOf(form.reload.Handle()), L"Button");
    EXPECT_EQ(TextOf(form.reload.Handle()), L"&Reload");
    EXPECT_EQ(StyleOf(form.hide.Handle()) & BS_TYPEMASK, DWORD(BS_AUTOCHECKBOX));
    EXPECT_EQ(ClassOf(form.before.Handle()), L"Static");
    EXPECT_EQ(TextOf(form.before.Handle()), L"Delay:");
    EXPECT_EQ(ClassOf(form.name.Handle()), L"Edit");
    EXPECT_TRUE(StyleOf(form.name.Handle()) & ES_READONLY);
    EXPECT_EQ(TextOf(form.name.Handle()), L"C:\\scripts\\show.txt");
    EXPECT_EQ(ClassOf(form.delay.Handle()), L"Edit");
    EXPECT_TRUE(StyleOf(form.delay.Handle()) & ES_RIGHT);
    EXPECT_FALSE(StyleOf(form.delay.Handle()) & ES_READONLY);
    EXPECT_EQ(TextOf(form.delay.Handle()), L"0");
    EXPECT_EQ(ClassOf(form.Arrows()), std::wstring(UPDOWN_CLASSW));

    // Edit and arrows share the spinner's rectangle.
    RECT edit, arrows;
    GetWindowRect(form.delay.Handle(), &edit);
    GetWindowRect(form.Arrows(), &arrows);
    MapWindowPoints(nullptr, window, reinterpret_cast<POINT*>(&edit), 2);
    MapWindowPoints(nullptr, window, reinterpret_cast<POINT*>(&arrows), 2);
    EXPECT_EQ(edit.left, 192);
    EXPECT_EQ(edit.top, 45);
    EXPECT_EQ(arrows.right, 192 + 70);
    EXPECT_EQ(edit.right, arrows.left);

    // The program's changes reach the windows.
    form.hide.SetChecked(true);
    EXPECT_EQ(SendMessageW(form.hide.Handle(), BM_GETCHECK, 0, 0), BST_CHECKED);
    form.delay.SetValue(Decimal(-42));
    EXPECT_EQ(TextOf(form.delay.Handle()), L"-42");
    form.reload.SetEnabled(false);
    EXPECT_FALSE(IsWindowEnabled(form.reload.Handle()));
    form.name.SetText(L"D:\\other.txt");
    EXPECT_EQ(TextOf(form.name.Handle()), L"D:\\other.txt");
}

TEST(Win32Forms, ClicksOnTheWindowsReachTheControls) {
    SettingsLikeForm form;
    form.Show();
    SendMessageW(form.hide.Handle(), BM_CLICK, 0, 0);
    EXPECT_TRUE(form.hide.Checked());
    EXPECT_EQ(form.hideChanges, 1);
    SendMessageW(form.hide.Handle(), BM_CLICK, 0, 0);
    EXPECT_FALSE(form.hide.Checked());
    EXPECT_EQ(form.hideChanges, 2);
    EXPECT_EQ(SendMessageW(form.hide.Handle(), BM_GETCHECK, 0, 0), BST_UNCHECKED);

    SendMessageW(form.reload.Handle(), BM_CLICK, 0, 0);
    EXPECT_EQ(form.reloadClicks, 1);
    // Setting the box from the program is no click.
    form.hide.SetChecked(true);
    EXPECT_EQ(form.hideChanges, 3);
    EXPECT_EQ(form.reloadClicks, 1);
}

TEST(Win32Forms, TheSpinnerTakesTypedValuesOverTheWhole32BitRange) {
    SettingsLikeForm form;
    form.Show();
    HWND edit = form.delay.Handle();
    ASSERT_NE(edit, nullptr);

    SendMessageW(edit, EM_SETSEL, 0, -1);
    Type(edit, L"-5x");
    EXPECT_EQ(TextOf(edit), L"-5");  // only what a number is made of
    EXPECT_EQ(form.delayChanges, 0); // typed, not committed
    PressKey(edit, VK_RETURN);
    EXPECT_EQ(form.delay.Value(), Decimal(-5));
    EXPECT_EQ(form.delayChanges, 1);

    SendMessageW(edit, EM_SETSEL, 0, -1);
    Type(edit, L"-2147483648");
    PressKey(edit, VK_RETURN);
    EXPECT_EQ(form.delay.Value(), Decimal(INT32_MIN));
    SendMessageW(edit, EM_SETSEL, 0, -1);
    Type(edit, L"99999999999");
    PressKey(edit, VK_RETURN);
    EXPECT_EQ(form.delay.Value(), Decimal(INT32_MAX)); // clamped into the range
    EXPECT_EQ(TextOf(edit), L"2147483647");

    // The arrow keys step the value, and stop at the ends.
    PressKey(edit, VK_UP);
    EXPECT_EQ(form.delay.Value(), Decimal(INT32_MAX));
    PressKey(edit, VK_DOWN);
    EXPECT_EQ(form.delay.Value(), Decimal(INT32_MAX - 1));
    // So do the arrow buttons, through the up-down control's notification.
    NMUPDOWN up{};
    up.hdr.hwndFrom = form.Arrows();
    up.hdr.idFrom = UINT_PTR(GetDlgCtrlID(form.Arrows()));
    up.hdr.code = UDN_DELTAPOS;
    up.iDelta = 1;
    EXPECT_EQ(SendMessageW(form.Handle(), WM_NOTIFY, up.hdr.idFrom, LPARAM(&up)), TRUE);
    EXPECT_EQ(form.delay.Value(), Decimal(INT32_MAX));

    // Typed text also counts once the focus leaves the box.
    SendMessageW(edit, EM_SETSEL, 0, -1);
    Type(edit, L"30");
    SendMessageW(edit, WM_KILLFOCUS, WPARAM(form.reload.Handle()), 0);
    EXPECT_EQ(form.delay.Value(), Decimal(30));
}

TEST(Win32Forms, TabOrderAndMnemonicsWorkInsideADialog) {
    HostDialog host;
    ASSERT_NE(host.window, nullptr);
    SettingsLikeForm form;
    HWND window = form.Handle();
    SetParent(window, host.window);
    form.Show();
    EXPECT_TRUE(StyleOf(window) & WS_CHILD); // placed inside the dialog, it is part of it
    EXPECT_FALSE(StyleOf(window) & WS_POPUP);
    EXPECT_TRUE(IsWindowVisible(form.hide.Handle()));

    // The dialog manager walks the controls in the order they were added; labels are skipped.
    std::vector<HWND> order;
    HWND at = GetNextDlgTabItem(host.window, nullptr, FALSE);
    for (int i = 0; i < 8 && at != nullptr; ++i) {
        if (!order.empty() && at == order.front())
            break;
        order.push_back(at);
        at = GetNextDlgTabItem(host.window, at, FALSE);
    }
    const std::vector<HWND> expected{form.reload.Handle(),    form.file.Handle(),
                                     form.name.Handle(),      form.hide.Handle(),
                                     form.immediate.Handle(), form.delay.Handle()};
    EXPECT_EQ(order, expected);

    // Alt+H ticks "&Hide Subtitles" through the dialog manager.
    MSG alt{host.window, WM_SYSCHAR, 'h', LPARAM(0x20000001), 0, {}};
    alt.hwnd = form.reload.Handle();
    SetFocus(form.reload.Handle());
    EXPECT_TRUE(IsDialogMessageW(host.window, &alt));
    EXPECT_TRUE(form.hide.Checked());
    EXPECT_EQ(form.hideChanges, 1);

    // Focus moving natively moves the form's focus, committing typed text on the way.
    SetFocus(form.delay.Handle());
    EXPECT_EQ(form.ActiveControl(), &form.delay);
    SendMessageW(form.delay.Handle(), EM_SETSEL, 0, -1);
    Type(form.delay.Handle(), L"12");
    SetFocus(form.immediate.Handle());
    EXPECT_EQ(form.ActiveControl(), &form.immediate);
    EXPECT_EQ(form.delay.Value(), Decimal(12));
    EXPECT_EQ(form.delayChanges, 1);
}

TEST(Win32Forms, TheFormGoesWithADialogItWasPlacedIn) {
    SettingsLikeForm form;
    {
        HostDialog host;
        SetParent(form.Handle(), host.window);
    }
    EXPECT_FALSE(form.IsHandleCreated());
    // Made again on request, with its controls.
    ASSERT_NE(form.Handle(), nullptr);
    EXPECT_TRUE(IsWindow(form.hide.Handle()));
}

// Answers the file dialog that appears with `title`: types the name and confirms, or cancels.
std::thread AnswerChooser(const wchar_t* title, std::wstring name, std::atomic<bool>& seen) {
    return std::thread([title, name, &seen] {
        HWND dialog = nullptr;
        for (int i = 0; i < 1000 && dialog == nullptr; ++i) {
            dialog = FindWindowW(nullptr, title);
            if (dialog == nullptr)
                std::this_thread::sleep_for(std::chrono::milliseconds(10));
        }
        if (dialog == nullptr)
            return;
        seen = true;
        if (name.empty()) {
            PostMessageW(dialog, WM_COMMAND, IDCANCEL, 0);
            return;
        }
        // The file name box: a combo box in the explorer-style dialog (cmb13), else an edit.
        HWND box = GetDlgItem(dialog, 0x47C);
        if (box == nullptr)
            box = GetDlgItem(dialog, 0x480);
        SendMessageW(box, WM_SETTEXT, 0, LPARAM(name.c_str()));
        PostMessageW(dialog, WM_COMMAND, IDOK, 0);
    });
}

TEST(Win32Forms, TheFileChooserIsTheCommonOpenDialog) {
    namespace fs = std::filesystem;
    const fs::path folder = fs::temp_directory_path() / "dq-chooser-test";
    fs::create_directories(folder);
    const fs::path script = folder / "script.txt";
    std::ofstream(script) << "0:00:00.00,0:00:01.00,x\n";

    OpenFileDialog chooser;
    chooser.SetTitle(L"Choose QuorENT file");
    chooser.SetFilter(L"QuorENT file (*.txt)|*.txt|All Files (*.*)|*.*");
    chooser.SetFileName(L"old.txt");

    std::atomic<bool> seen{false};
    std::thread answer = AnswerChooser(L"Choose QuorENT file", script.wstring(), seen);
    EXPECT_EQ(chooser.ShowDialog(), DialogResult::OK);
    answer.join();
    EXPECT_TRUE(seen.load());
    EXPECT_TRUE(fs::equivalent(fs::path(chooser.FileName()), script))
        << fs::path(chooser.FileName());

    std::atomic<bool> cancelled{false};
    answer = AnswerChooser(L"Choose QuorENT file", L"", cancelled);
    const std::wstring before = chooser.FileName();
    EXPECT_EQ(chooser.ShowDialog(), DialogResult::Cancel);
    answer.join();
    EXPECT_TRUE(cancelled.load());
    EXPECT_EQ(chooser.FileName(), before);
    fs::remove_all(folder);
}

} // namespace
