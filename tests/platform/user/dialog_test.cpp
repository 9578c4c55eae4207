#include <gtest/gtest.h>

#include <string>

#include "message_log.h"

namespace {

// Resources of a pretend module.
HINSTANCE const kModule = reinterpret_cast<HINSTANCE>(0x7000);

const DqDialogItem kItems[] = {
    {u"Static", 0, 10, SS_LEFT, 0, 4, 4, 40, 8, u"Label"},
    {nullptr, 0x0080, IDOK, WS_TABSTOP | BS_DEFPUSHBUTTON, 0, 50, 4, 40, 14, u"OK"},
};

const DqDialogTemplate kDialogs[] = {
    // As a property page's: a child with the Japanese UI font, no controls.
    {106, 1041, WS_CHILD | DS_SETFONT, 0, 0, 0, 189, 103, u"", 9, 0, 0, 1, u"MS UI Gothic", nullptr,
     0},
    // A captioned, owned popup in the default dialog font, with controls, shown on creation.
    {200, 1033, WS_POPUP | WS_CAPTION | WS_VISIBLE | DS_SETFONT | DS_CONTROL, 0, 10, 20, 100, 50,
     u"Title", 8, 0, 0, 1, u"MS Shell Dlg", kItems, 2},
    {300, 1033, WS_CHILD, 0, 0, 0, 10, 10, u"", 0, 0, 0, 0, nullptr, nullptr, 0},
    // The same id in two languages: the user's language wins.
    {400, 1041, WS_CHILD, 0, 0, 0, 10, 10, u"ja", 0, 0, 0, 0, nullptr, nullptr, 0},
    {400, 1033, WS_CHILD, 0, 0, 0, 10, 10, u"en", 0, 0, 0, 0, nullptr, nullptr, 0},
};

const DqStringResource kStrings[] = {
    {101, 1041, u"DirectQuorbit"},
    {102, 1041, u""},
};

const DqResourceTable kTable = {kDialogs, 5, kStrings, 2};

class Dialogs : public ::testing::Test {
protected:
    void SetUp() override {
        DqRegisterModuleResources(kModule, &kTable);
        MessageLog::Entries().clear();
        s_seenUserSlot = -1;
    }
    void TearDown() override { DqUnregisterModuleResources(kModule); }

    // Keeps its creation parameter in the user slot, as a property page's procedure does.
    static INT_PTR CALLBACK PageProc(HWND h, UINT msg, WPARAM, LPARAM lp) {
        if (MessageLog::Interesting(msg))
            MessageLog::Entries().emplace_back(h, msg);
        if (msg == WM_INITDIALOG) {
            SetWindowLongPtrW(h, DWLP_USER, lp);
            s_focus = GetDlgItem(h, IDOK);
            return TRUE;
        }
        if (msg == WM_DESTROY)
            s_seenUserSlot = GetWindowLongPtrW(h, DWLP_USER);
        return FALSE;
    }
    static INT_PTR CALLBACK RefusingProc(HWND h, UINT msg, WPARAM, LPARAM) {
        if (msg == WM_INITDIALOG)
            DestroyWindow(h);
        return FALSE;
    }

    static inline LONG_PTR s_seenUserSlot = -1;
    static inline HWND s_focus = nullptr;
};

RECT WindowRect(HWND h) {
    RECT r{};
    GetWindowRect(h, &r);
    return r;
}

} // namespace

TEST_F(Dialogs, PageDialogIsInitialisedBeforeCreationReturns) {
    HWND frame = MessageLog::Create(nullptr, WS_POPUP);
    int page = 0;
    HWND dialog = CreateDialogParamW(kModule, MAKEINTRESOURCEW(106), frame, PageProc,
                                     reinterpret_cast<LPARAM>(&page));
    ASSERT_NE(dialog, nullptr);
    ASSERT_FALSE(MessageLog::Entries().empty());
    EXPECT_EQ(MessageLog::Entries().back(), std::make_pair(dialog, UINT(WM_INITDIALOG)));
    EXPECT_EQ(GetWindowLongPtrW(dialog, DWLP_USER), reinterpret_cast<LONG_PTR>(&page));
    EXPECT_EQ(GetParent(dialog), frame);
    EXPECT_EQ(GetWindowLongPtrW(dialog, GWL_STYLE), WS_CHILD | DS_SETFONT);
    EXPECT_FALSE(GetWindowLongPtrW(dialog, GWL_STYLE) & WS_VISIBLE);
    EXPECT_EQ(GetWindow(dialog, GW_CHILD), nullptr);

    // 189 x 103 units at 6 x 12 base units: MulDiv(189, 6, 4) x MulDiv(103, 12, 8).
    RECT r = WindowRect(dialog);
    EXPECT_EQ(r.right - r.left, 284);
    EXPECT_EQ(r.bottom - r.top, 155);
    RECT units{0, 0, 4, 8};
    ASSERT_TRUE(MapDialogRect(dialog, &units));
    EXPECT_EQ(units.right, 6);
    EXPECT_EQ(units.bottom, 12);

    // Destroying the frame takes the dialog with it; the slot still holds the page then.
    DestroyWindow(frame);
    EXPECT_FALSE(IsWindow(dialog));
    EXPECT_EQ(s_seenUserSlot, reinterpret_cast<LONG_PTR>(&page));
}

TEST_F(Dialogs, OwnedPopupWithControlsInTheDefaultDialogFont) {
    HWND owner = MessageLog::Create(nullptr, WS_POPUP, 300, 400, 200, 100);
    HWND dialog = CreateDialogParamW(kModule, MAKEINTRESOURCEW(200), owner, PageProc, 0);
    ASSERT_NE(dialog, nullptr);
    EXPECT_EQ(GetParent(dialog), owner);
    EXPECT_TRUE(IsWindowVisible(dialog)); // WS_VISIBLE: shown after WM_INITDIALOG
    EXPECT_EQ(MessageLog::Entries().back(), std::make_pair(dialog, UINT(WM_SHOWWINDOW)));
    // DS_CONTROL makes it a control parent without a caption.
    EXPECT_TRUE(GetWindowLongPtrW(dialog, GWL_EXSTYLE) & WS_EX_CONTROLPARENT);
    EXPECT_FALSE(GetWindowLongPtrW(dialog, GWL_STYLE) & WS_CAPTION);

    // 6 x 13 base units; the position is read in the owner's client area.
    RECT r = WindowRect(dialog);
    EXPECT_EQ(r.left, 300 + 15);
    EXPECT_EQ(r.top, 400 + 33);
    EXPECT_EQ(r.right - r.left, 150);
    EXPECT_EQ(r.bottom - r.top, 81);

    HWND ok = GetDlgItem(dialog, IDOK);
    ASSERT_NE(ok, nullptr);
    EXPECT_EQ(s_focus, ok);
    EXPECT_EQ(GetDlgCtrlID(ok), IDOK);
    WCHAR text[8];
    GetWindowTextW(ok, text, 8);
    EXPECT_EQ(std::u16string(text), u"OK");
    RECT okRect = WindowRect(ok);
    EXPECT_EQ(okRect.left - r.left, 75);
    EXPECT_EQ(okRect.bottom - okRect.top, 23);
    EXPECT_EQ(GetDlgItem(dialog, 99), nullptr);

    // Destroying the owner destroys the owned dialog first.
    MessageLog::Entries().clear();
    DestroyWindow(owner);
    EXPECT_FALSE(IsWindow(dialog));
    EXPECT_EQ(MessageLog::Entries().front(), std::make_pair(dialog, UINT(WM_DESTROY)));
}

TEST_F(Dialogs, CreationFailures) {
    EXPECT_EQ(CreateDialogParamW(kModule, MAKEINTRESOURCEW(999), nullptr, PageProc, 0), nullptr);
    EXPECT_EQ(GetLastError(), DWORD(ERROR_RESOURCE_NAME_NOT_FOUND));
    EXPECT_EQ(CreateDialogParamW(reinterpret_cast<HINSTANCE>(0x1234), MAKEINTRESOURCEW(106),
                                 nullptr, PageProc, 0),
              nullptr);
    EXPECT_EQ(GetLastError(), DWORD(ERROR_RESOURCE_DATA_NOT_FOUND));
    // A child template needs a parent.
    EXPECT_EQ(CreateDialogParamW(kModule, MAKEINTRESOURCEW(300), nullptr, PageProc, 0), nullptr);
    EXPECT_EQ(GetLastError(), DWORD(ERROR_TLW_WITH_WSCHILD));
    // Measuring the way a page does it: as a child of the desktop, with the system font.
    HWND measured =
        CreateDialogParamW(kModule, MAKEINTRESOURCEW(300), GetDesktopWindow(), PageProc, 0);
    ASSERT_NE(measured, nullptr);
    RECT r = WindowRect(measured);
    EXPECT_EQ(r.right - r.left, 20);
    EXPECT_EQ(r.bottom - r.top, 20);
    DestroyWindow(measured);
    // A procedure that destroys its dialog while initialising it.
    EXPECT_EQ(
        CreateDialogParamW(kModule, MAKEINTRESOURCEW(300), GetDesktopWindow(), RefusingProc, 0),
        nullptr);
    HWND english =
        CreateDialogParamW(kModule, MAKEINTRESOURCEW(400), GetDesktopWindow(), PageProc, 0);
    WCHAR caption[4];
    GetWindowTextW(english, caption, 4);
    EXPECT_EQ(std::u16string(caption), u"en");
    DestroyWindow(english);
}

TEST_F(Dialogs, LoadStringCopiesOrPointsAtTheString) {
    WCHAR buffer[256];
    EXPECT_EQ(LoadStringW(kModule, 101, buffer, 256), 13);
    EXPECT_EQ(std::u16string(buffer), u"DirectQuorbit");
    EXPECT_EQ(LoadStringW(kModule, 101, buffer, 7), 6);
    EXPECT_EQ(std::u16string(buffer), u"Direct");
    // A zero size hands out a read-only pointer to the resource and its length.
    LPCWSTR direct = nullptr;
    EXPECT_EQ(LoadStringW(kModule, 101, reinterpret_cast<LPWSTR>(&direct), 0), 13);
    ASSERT_NE(direct, nullptr);
    EXPECT_EQ(std::u16string(direct, 13), u"DirectQuorbit");
    EXPECT_EQ(LoadStringW(kModule, 102, buffer, 256), 0);
    EXPECT_EQ(buffer[0], 0);
    buffer[0] = u'x';
    EXPECT_EQ(LoadStringW(kModule, 103, buffer, 256), 0);
    EXPECT_EQ(buffer[0], 0);
    EXPECT_EQ(LoadStringW(reinterpret_cast<HINSTANCE>(0x1234), 101, buffer, 256), 0);
}
