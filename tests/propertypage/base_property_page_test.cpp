// The page framework, through a page that records what reaches its hooks.
#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "module/class_factory.h"
#include "page_test_support.h"
#include "propertypage/base_property_page.h"

namespace {

struct HookLog {
    std::vector<std::string> calls;
    std::vector<UINT> messages;
    HWND initDialogWindow = nullptr;
    HWND pageWindowDuringStyleChange = reinterpret_cast<HWND>(1);
    LONG_PTR exStyleAtDeactivate = -1;
    bool destroyed = false;
};

class TestPage : public CBasePropertyPage {
public:
    TestPage(HookLog& log, int dialog = 106, int title = 101)
        : CBasePropertyPage(nullptr, nullptr, dialog, title), m_log(log) {}
    ~TestPage() override { m_log.destroyed = true; }

    HRESULT OnConnect(IUnknown*) override {
        m_log.calls.push_back("OnConnect");
        return connectResult;
    }
    HRESULT OnDisconnect() override {
        m_log.calls.push_back("OnDisconnect");
        return S_OK;
    }
    HRESULT OnActivate() override {
        m_log.calls.push_back("OnActivate");
        // As a frame with keyboard navigation into the page would have it.
        SetWindowLongPtrW(m_hwndPage, GWL_EXSTYLE,
                          GetWindowLongPtrW(m_hwndPage, GWL_EXSTYLE) | WS_EX_CONTROLPARENT);
        return S_OK;
    }
    HRESULT OnDeactivate() override {
        m_log.calls.push_back("OnDeactivate");
        m_log.exStyleAtDeactivate = GetWindowLongPtrW(m_hwndPage, GWL_EXSTYLE);
        return S_OK;
    }
    HRESULT OnApplyChanges() override {
        m_log.calls.push_back("OnApplyChanges");
        return applyResult;
    }
    INT_PTR OnReceiveMessage(HWND hwnd, UINT msg, WPARAM, LPARAM) override {
        m_log.messages.push_back(msg);
        if (msg == WM_INITDIALOG)
            m_log.initDialogWindow = hwnd;
        if (msg == WM_STYLECHANGED)
            m_log.pageWindowDuringStyleChange = m_hwndPage;
        return 0;
    }

    void MakeDirty() { m_bDirty = TRUE; }
    HWND Window() const { return m_hwndPage; }

    HRESULT connectResult = S_OK;
    HRESULT applyResult = S_OK;

private:
    HookLog& m_log;
};

struct PageFramework : ::testing::Test {
    HookLog log;
    TestPageSite site; // outlives the page, which may still hold it at TearDown
    TestPage* page = nullptr;
    IPropertyPage* ipage = nullptr;
    HWND frame = nullptr;
    PlainObject object;
    IUnknown* objects[1] = {&object};
    const RECT rect{5, 6, 205, 106};
    LONG liveBefore = 0;

    void SetUp() override {
        liveBefore = CBaseObject::ActiveObjectCount();
        page = new TestPage(log);
        ASSERT_EQ(page->NonDelegatingQueryInterface(IID_IPropertyPage, (void**)&ipage), S_OK);
        frame = CreateFrameWindow();
        ASSERT_NE(frame, nullptr);
    }
    void TearDown() override {
        if (ipage != nullptr) {
            EXPECT_EQ(ipage->Release(), 0u);
        }
        EXPECT_TRUE(log.destroyed);
        EXPECT_EQ(CBaseObject::ActiveObjectCount(), liveBefore);
        DestroyWindow(frame);
    }
};

} // namespace

TEST_F(PageFramework, ActivateNeedsARectangleAnObjectAndAnInactivePage) {
    EXPECT_EQ(ipage->Activate(frame, nullptr, FALSE), E_POINTER);
    EXPECT_EQ(ipage->Activate(frame, &rect, FALSE), E_UNEXPECTED);
    EXPECT_EQ(GetWindow(frame, GW_CHILD), nullptr);

    ASSERT_EQ(ipage->SetObjects(1, objects), S_OK);
    ASSERT_EQ(ipage->Activate(frame, &rect, FALSE), S_OK);
    EXPECT_EQ(ipage->Activate(frame, &rect, FALSE), E_UNEXPECTED);
    EXPECT_EQ(GetWindow(GetWindow(frame, GW_CHILD), GW_HWNDNEXT), nullptr) << "one dialog only";
}

TEST_F(PageFramework, ActivateCreatesTheDialogInTheParentMovesAndShowsIt) {
    ASSERT_EQ(ipage->SetObjects(1, objects), S_OK);
    ASSERT_EQ(ipage->Activate(frame, &rect, TRUE), S_OK);
    HWND dialog = page->Window();
    ASSERT_NE(dialog, nullptr);
    EXPECT_EQ(log.initDialogWindow, dialog) << "WM_INITDIALOG reached the page";
    EXPECT_EQ(GetParent(dialog), frame);
    EXPECT_EQ(GetWindowLongPtrW(dialog, DWLP_USER), reinterpret_cast<LONG_PTR>(page));
    EXPECT_TRUE(IsWindowVisible(dialog));
    RECT r;
    GetWindowRect(dialog, &r);
    POINT at{r.left, r.top};
    ScreenToClient(frame, &at);
    EXPECT_EQ(at.x, 5);
    EXPECT_EQ(at.y, 6);
    EXPECT_EQ(r.right - r.left, 200);
    EXPECT_EQ(r.bottom - r.top, 100);
    EXPECT_EQ(log.calls, (std::vector<std::string>{"OnConnect", "OnActivate"}));

    // Show: only show, show normal and hide; each repaints the whole page.
    ValidateRect(dialog, nullptr);
    EXPECT_EQ(ipage->Show(SW_SHOWMAXIMIZED), E_INVALIDARG);
    EXPECT_EQ(ipage->Show(SW_HIDE), S_OK);
    EXPECT_FALSE(IsWindowVisible(dialog));
    RECT update;
    EXPECT_TRUE(GetUpdateRect(dialog, &update, FALSE));
    EXPECT_TRUE(DqIsErasePending(dialog));
    EXPECT_EQ(ipage->Show(SW_SHOW), S_OK);
    EXPECT_TRUE(IsWindowVisible(dialog));

    const RECT moved{10, 20, 40, 60};
    EXPECT_EQ(ipage->Move(nullptr), E_POINTER);
    EXPECT_EQ(ipage->Move(&moved), S_OK);
    GetClientRect(dialog, &r);
    EXPECT_EQ(r.right, 30);
    EXPECT_EQ(r.bottom, 40);
}

TEST_F(PageFramework, DeactivateLeavesTheTabOrderThenDestroysTheDialog) {
    EXPECT_EQ(ipage->Deactivate(), E_UNEXPECTED);
    EXPECT_EQ(ipage->Show(SW_SHOW), E_UNEXPECTED);
    EXPECT_EQ(ipage->Move(&rect), E_UNEXPECTED);
    ASSERT_EQ(ipage->SetObjects(1, objects), S_OK);
    ASSERT_EQ(ipage->Activate(frame, &rect, FALSE), S_OK);
    HWND dialog = page->Window();

    log.messages.clear();
    EXPECT_EQ(ipage->Deactivate(), S_OK);
    EXPECT_EQ(log.exStyleAtDeactivate & WS_EX_CONTROLPARENT, 0);
    EXPECT_EQ(log.pageWindowDuringStyleChange, nullptr);
    EXPECT_NE(std::find(log.messages.begin(), log.messages.end(), UINT(WM_DESTROY)),
              log.messages.end());
    EXPECT_FALSE(IsWindow(dialog));
    EXPECT_EQ(page->Window(), nullptr);
    EXPECT_EQ(GetWindow(frame, GW_CHILD), nullptr);

    // The page can be shown again.
    EXPECT_EQ(ipage->Activate(frame, &rect, FALSE), S_OK);
    EXPECT_EQ(ipage->Deactivate(), S_OK);
}

TEST_F(PageFramework, OneObjectAtATime) {
    IUnknown* none[1] = {nullptr};
    EXPECT_EQ(ipage->SetObjects(2, objects), E_UNEXPECTED);
    EXPECT_EQ(ipage->SetObjects(1, none), E_POINTER);
    EXPECT_EQ(ipage->SetObjects(1, nullptr), E_POINTER);
    EXPECT_TRUE(log.calls.empty());

    // A failed connect still counts as an object set.
    page->connectResult = E_NOINTERFACE;
    EXPECT_EQ(ipage->SetObjects(1, objects), E_NOINTERFACE);
    EXPECT_EQ(ipage->Activate(frame, &rect, FALSE), S_OK);
    EXPECT_EQ(ipage->Deactivate(), S_OK);

    EXPECT_EQ(ipage->SetObjects(0, nullptr), S_OK);
    EXPECT_EQ(ipage->Activate(frame, &rect, FALSE), E_UNEXPECTED);
    EXPECT_EQ(log.calls, (std::vector<std::string>{"OnConnect", "OnActivate", "OnDeactivate",
                                                   "OnDisconnect"}));
}

TEST_F(PageFramework, SiteIsHeldOnceAndReleased) {
    EXPECT_EQ(ipage->SetPageSite(nullptr), E_UNEXPECTED);
    EXPECT_EQ(ipage->SetPageSite(&site), S_OK);
    EXPECT_EQ(site.refs, 1);
    EXPECT_EQ(ipage->SetPageSite(&site), E_UNEXPECTED);
    EXPECT_EQ(site.refs, 1);
    EXPECT_EQ(ipage->SetPageSite(nullptr), S_OK);
    EXPECT_EQ(site.refs, 0);
}

TEST_F(PageFramework, ApplyNeedsObjectAndSiteAndCallsTheHookOnlyWhenDirty) {
    EXPECT_EQ(ipage->IsPageDirty(), S_FALSE);
    ASSERT_EQ(ipage->SetObjects(1, objects), S_OK);
    page->MakeDirty();
    EXPECT_EQ(ipage->Apply(), E_UNEXPECTED) << "no site";
    ASSERT_EQ(ipage->SetPageSite(&site), S_OK);
    ASSERT_EQ(ipage->SetObjects(0, nullptr), S_OK);
    EXPECT_EQ(ipage->Apply(), E_UNEXPECTED) << "no object";
    ASSERT_EQ(ipage->SetObjects(1, objects), S_OK);
    log.calls.clear();

    EXPECT_EQ(ipage->IsPageDirty(), S_OK);
    page->applyResult = E_FAIL;
    EXPECT_EQ(ipage->Apply(), E_FAIL);
    EXPECT_EQ(ipage->IsPageDirty(), S_OK) << "a failed apply keeps the changes";
    page->applyResult = S_OK;
    EXPECT_EQ(ipage->Apply(), S_OK);
    EXPECT_EQ(ipage->IsPageDirty(), S_FALSE);
    EXPECT_EQ(ipage->Apply(), S_OK);
    EXPECT_EQ(log.calls, (std::vector<std::string>{"OnApplyChanges", "OnApplyChanges"}));
    EXPECT_TRUE(site.statusChanges.empty());
    EXPECT_EQ(ipage->Help(WSTR("C:\\help")), E_NOTIMPL);
    EXPECT_EQ(ipage->TranslateAccelerator(nullptr), E_NOTIMPL);
}

TEST_F(PageFramework, PageInfoFromTheModulesResources) {
    EXPECT_EQ(ipage->GetPageInfo(nullptr), E_POINTER);
    PROPPAGEINFO info{};
    ASSERT_EQ(ipage->GetPageInfo(&info), S_OK);
    EXPECT_EQ(info.cb, sizeof(PROPPAGEINFO));
    ASSERT_NE(info.pszTitle, nullptr);
    EXPECT_EQ(Narrow(info.pszTitle), "DirectQuorbit");
    EXPECT_EQ(info.pszDocString, nullptr);
    EXPECT_EQ(info.pszHelpFile, nullptr);
    EXPECT_EQ(info.dwHelpContext, 0u);
    CoTaskMemFree(info.pszTitle);

    // Dialog 106 (189 x 103 units of 9-point "MS UI Gothic") as this display creates it.
    HWND measured = CreateDialogParamW(g_hModuleInstance, MAKEINTRESOURCEW(106), GetDesktopWindow(),
                                       CBasePropertyPage::DialogProc, 0);
    ASSERT_NE(measured, nullptr);
    RECT r;
    GetWindowRect(measured, &r);
    DestroyWindow(measured);
    EXPECT_EQ(info.size.cx, r.right - r.left);
    EXPECT_EQ(info.size.cy, r.bottom - r.top);
    EXPECT_EQ(info.size.cx, 284);
    EXPECT_EQ(info.size.cy, 155);
    EXPECT_TRUE(log.messages.empty()) << "the measured dialog never reaches the page";
}

TEST(PageResources, MissingStringAndDialogFallBack) {
    HookLog log;
    auto* page = new TestPage(log, 999, 998);
    page->NonDelegatingAddRef();
    PROPPAGEINFO info{};
    ASSERT_EQ(page->GetPageInfo(&info), S_OK);
    ASSERT_NE(info.pszTitle, nullptr);
    EXPECT_EQ(info.pszTitle[0], 0);
    EXPECT_EQ(info.size.cx, 340);
    EXPECT_EQ(info.size.cy, 150);
    CoTaskMemFree(info.pszTitle);

    WCHAR buffer[256] = {'x', 0};
    EXPECT_NE(CBasePropertyPage::LoadResourceString(buffer, 998), buffer);
    EXPECT_EQ(CBasePropertyPage::LoadResourceString(buffer, 101), buffer);
    SIZE size{1, 2};
    EXPECT_FALSE(CBasePropertyPage::MeasureDialog(999, CBasePropertyPage::DialogProc, 0, &size));
    EXPECT_EQ(size.cx, 1);
    EXPECT_EQ(size.cy, 2);

    HWND frame = CreateFrameWindow();
    PlainObject object;
    IUnknown* objects[1] = {&object};
    ASSERT_EQ(page->SetObjects(1, objects), S_OK);
    const RECT rect{0, 0, 10, 10};
    EXPECT_EQ(page->Activate(frame, &rect, FALSE), E_OUTOFMEMORY);
    EXPECT_EQ(GetWindow(frame, GW_CHILD), nullptr);
    EXPECT_EQ(page->NonDelegatingRelease(), 0u);
    DestroyWindow(frame);
}

TEST_F(PageFramework, LastReleaseDetachesSiteObjectAndDialog) {
    ASSERT_EQ(ipage->SetPageSite(&site), S_OK);
    ASSERT_EQ(ipage->SetObjects(1, objects), S_OK);
    ASSERT_EQ(ipage->Activate(frame, &rect, FALSE), S_OK);
    HWND dialog = page->Window();
    log.calls.clear();

    // A reference taken and dropped meanwhile does not destroy it twice.
    ipage->AddRef();
    EXPECT_EQ(ipage->Release(), 1u);
    EXPECT_EQ(ipage->Release(), 0u);
    ipage = nullptr;
    EXPECT_TRUE(log.destroyed);
    EXPECT_EQ(site.refs, 0);
    EXPECT_FALSE(IsWindow(dialog));
    EXPECT_EQ(log.calls, (std::vector<std::string>{"OnDeactivate", "OnDisconnect"}));
}
