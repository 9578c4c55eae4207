#include <gtest/gtest.h>

#include "message_log.h"

namespace {

using Log = std::vector<std::pair<HWND, UINT>>;

Log Only(UINT a, UINT b) {
    Log out;
    for (auto& e : MessageLog::Entries())
        if (e.second == a || e.second == b)
            out.push_back(e);
    return out;
}

} // namespace

TEST(Windows, DestroyingAParentSendsDestroyDownwardsAndFreesChildrenFirst) {
    HWND top = MessageLog::Create(nullptr, WS_POPUP);
    HWND child = MessageLog::Create(top, WS_CHILD);
    HWND grandchild = MessageLog::Create(child, WS_CHILD);
    HWND second = MessageLog::Create(top, WS_CHILD);
    HWND owned = MessageLog::Create(top, WS_POPUP); // owned, not a child
    ASSERT_TRUE(top && child && grandchild && second && owned);
    EXPECT_EQ(GetParent(grandchild), child);
    EXPECT_EQ(GetParent(owned), top);
    EXPECT_EQ(GetAncestor(owned, GA_PARENT), GetDesktopWindow());
    // Children run in creation order.
    EXPECT_EQ(GetWindow(top, GW_CHILD), child);
    EXPECT_EQ(GetWindow(child, GW_HWNDNEXT), second);

    MessageLog::Entries().clear();
    ASSERT_TRUE(DestroyWindow(top));
    EXPECT_EQ(Only(WM_DESTROY, WM_NCDESTROY), (Log{{owned, WM_DESTROY},
                                                   {owned, WM_NCDESTROY},
                                                   {top, WM_DESTROY},
                                                   {child, WM_DESTROY},
                                                   {grandchild, WM_DESTROY},
                                                   {second, WM_DESTROY},
                                                   {grandchild, WM_NCDESTROY},
                                                   {child, WM_NCDESTROY},
                                                   {second, WM_NCDESTROY},
                                                   {top, WM_NCDESTROY}}));
    for (HWND h : {top, child, grandchild, second, owned})
        EXPECT_FALSE(IsWindow(h));
    EXPECT_FALSE(DestroyWindow(top));
    EXPECT_EQ(GetLastError(), DWORD(ERROR_INVALID_WINDOW_HANDLE));
    EXPECT_FALSE(DestroyWindow(GetDesktopWindow()));
}

TEST(Windows, SetParentKeepsPositionNumbersInTheNewParentsClientArea) {
    HWND frame = MessageLog::Create(nullptr, WS_POPUP | WS_BORDER, 100, 200, 400, 300);
    HWND page = MessageLog::Create(frame, WS_CHILD | WS_VISIBLE, 10, 20, 300, 200);
    HWND form = MessageLog::Create(nullptr, WS_POPUP, 0, 0, 360, 150);
    RECT r;
    ASSERT_TRUE(GetWindowRect(form, &r));
    EXPECT_EQ(r.left, 0);

    EXPECT_EQ(SetParent(form, page), GetDesktopWindow());
    EXPECT_EQ(GetAncestor(form, GA_PARENT), page);
    // Without WS_CHILD, GetParent still answers the owner (none), as on Windows.
    EXPECT_EQ(GetParent(form), nullptr);
    ASSERT_TRUE(GetWindowRect(form, &r));
    // Frame at 100,200 with a 1-pixel border, page at 10,20 in its client area.
    EXPECT_EQ(r.left, 111);
    EXPECT_EQ(r.top, 221);
    EXPECT_EQ(r.right - r.left, 360);

    EXPECT_EQ(SetParent(page, form), nullptr);
    EXPECT_EQ(GetLastError(), DWORD(ERROR_INVALID_PARAMETER));

    RECT client;
    ASSERT_TRUE(GetClientRect(frame, &client));
    EXPECT_EQ(client.right, 398);
    EXPECT_EQ(client.bottom, 298);

    MessageLog::Entries().clear();
    ASSERT_TRUE(MoveWindow(page, 5, 6, 320, 200, TRUE));
    EXPECT_EQ(Only(WM_SIZE, WM_SIZE), (Log{{page, WM_SIZE}}));
    ASSERT_TRUE(GetWindowRect(page, &r));
    EXPECT_EQ(r.left, 106);
    EXPECT_EQ(r.bottom - r.top, 200);
    DestroyWindow(frame);
    EXPECT_FALSE(IsWindow(form)); // it had become the page's child
}

TEST(Windows, VisibilityFollowsTheAncestors) {
    HWND frame = MessageLog::Create(nullptr, WS_POPUP);
    HWND page = MessageLog::Create(frame, WS_CHILD);
    EXPECT_FALSE(IsWindowVisible(page));
    MessageLog::Entries().clear();
    EXPECT_FALSE(ShowWindow(page, SW_SHOWNORMAL));
    EXPECT_TRUE(GetWindowLongPtrW(page, GWL_STYLE) & WS_VISIBLE);
    EXPECT_FALSE(IsWindowVisible(page)); // its parent is hidden
    EXPECT_FALSE(ShowWindow(frame, SW_SHOW));
    EXPECT_TRUE(IsWindowVisible(page));
    EXPECT_TRUE(ShowWindow(page, SW_SHOW)); // already visible: no message
    EXPECT_TRUE(ShowWindow(page, SW_HIDE));
    EXPECT_FALSE(IsWindowVisible(page));
    EXPECT_EQ(Only(WM_SHOWWINDOW, WM_SHOWWINDOW),
              (Log{{page, WM_SHOWWINDOW}, {frame, WM_SHOWWINDOW}, {page, WM_SHOWWINDOW}}));

    // Whole-client invalidation with erasing is kept until validated.
    RECT update;
    EXPECT_FALSE(GetUpdateRect(page, &update, FALSE));
    ASSERT_TRUE(InvalidateRect(page, nullptr, TRUE));
    EXPECT_TRUE(GetUpdateRect(page, &update, FALSE));
    EXPECT_EQ(update.right, 100);
    EXPECT_EQ(update.bottom, 50);
    EXPECT_TRUE(DqIsErasePending(page));
    ValidateRect(page, nullptr);
    EXPECT_FALSE(GetUpdateRect(page, &update, FALSE));
    DestroyWindow(frame);
}

TEST(Windows, StylesTextAndSlots) {
    HWND w = MessageLog::Create(nullptr, WS_POPUP);
    MessageLog::Entries().clear();
    LONG_PTR old = SetWindowLongPtrW(w, GWL_EXSTYLE, WS_EX_CONTROLPARENT);
    EXPECT_EQ(old, 0);
    EXPECT_EQ(GetWindowLongPtrW(w, GWL_EXSTYLE), WS_EX_CONTROLPARENT);
    EXPECT_EQ(Only(WM_STYLECHANGING, WM_STYLECHANGED),
              (Log{{w, WM_STYLECHANGING}, {w, WM_STYLECHANGED}}));

    EXPECT_EQ(SetWindowLongPtrW(w, GWLP_USERDATA, 42), 0);
    EXPECT_EQ(GetWindowLongPtrW(w, GWLP_USERDATA), 42);
    // The class has no extra bytes, so there is no DWLP_USER here.
    EXPECT_EQ(GetWindowLongPtrW(w, DWLP_USER), 0);
    EXPECT_EQ(GetLastError(), DWORD(ERROR_INVALID_INDEX));

    EXPECT_TRUE(SetWindowTextW(w, WSTR("Title")));
    WCHAR text[4];
    EXPECT_EQ(GetWindowTextW(w, text, 4), 3);
    EXPECT_EQ(std::u16string(text), u"Tit");
    EXPECT_EQ(GetWindowTextLengthW(w), 5);
    DestroyWindow(w);
    EXPECT_EQ(GetWindowLongPtrW(w, GWL_STYLE), 0);
    EXPECT_EQ(GetLastError(), DWORD(ERROR_INVALID_WINDOW_HANDLE));
}
