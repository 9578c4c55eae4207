// The overlay filter's page object and its form, short of a whole frame.
#include <gtest/gtest.h>

#include <stdexcept>
#include <string>

#include "filter/direct_quorbit.h"
#include "page_test_support.h"

using namespace dq::forms;

namespace {

struct PageOnFilter : ::testing::Test {
    IUnknown* filter = nullptr;
    IPropertyPage* page = nullptr;
    HWND frame = nullptr;
    const RECT rect{0, 0, 284, 155};
    LONG liveBefore = 0;

    void SetUp() override {
        liveBefore = CBaseObject::ActiveObjectCount();
        HRESULT hr = S_OK;
        CUnknown* f = CDirectQuorbit::CreateInstance(nullptr, &hr);
        ASSERT_NE(f, nullptr);
        ASSERT_EQ(f->NonDelegatingQueryInterface(IID_IUnknown, (void**)&filter), S_OK);
        CUnknown* p = CDirectQuorbitProperties::CreateInstance(nullptr, &hr);
        ASSERT_NE(p, nullptr);
        ASSERT_EQ(p->NonDelegatingQueryInterface(IID_IPropertyPage, (void**)&page), S_OK);
        frame = CreateFrameWindow();
    }
    void TearDown() override {
        if (page != nullptr) {
            EXPECT_EQ(page->Release(), 0u);
        }
        EXPECT_EQ(filter->Release(), 0u) << "the page let the filter go";
        EXPECT_EQ(CBaseObject::ActiveObjectCount(), liveBefore);
        DestroyWindow(frame);
    }
};

} // namespace

TEST(SettingsForm, RefusesANullInterface) {
    try {
        FilterPropertyFrom form(nullptr);
        FAIL() << "constructed";
    } catch (const std::exception& e) {
        EXPECT_STREQ(e.what(), "IVideoFilter is null!!");
    }
}

TEST_F(PageOnFilter, ReleasedWithoutEverConnectingIsDestroyedCleanly) {
    EXPECT_EQ(page->Release(), 0u);
    page = nullptr;
}

TEST_F(PageOnFilter, ConnectsOnlyToTheOverlayFilter) {
    PlainObject other;
    IUnknown* objects[1] = {&other};
    EXPECT_EQ(page->SetObjects(1, objects), E_NOINTERFACE);
    EXPECT_EQ(other.refs, 0);
    EXPECT_EQ(page->SetObjects(0, nullptr), E_UNEXPECTED) << "nothing to let go";
    EXPECT_EQ(PageObject(page)->OnConnect(nullptr), E_POINTER);

    // Connecting again lets the previous filter go (TearDown checks the filter is freed).
    objects[0] = filter;
    EXPECT_EQ(page->SetObjects(1, objects), S_OK);
    EXPECT_EQ(page->SetObjects(1, objects), S_OK);
}

TEST_F(PageOnFilter, ActivateAfterAFailedConnectFailsAndLeavesNoDialog) {
    PlainObject other;
    IUnknown* objects[1] = {&other};
    ASSERT_EQ(page->SetObjects(1, objects), E_NOINTERFACE);
    EXPECT_FALSE(SUCCEEDED(page->Activate(frame, &rect, FALSE)));
    EXPECT_EQ(GetWindow(frame, GW_CHILD), nullptr);
    EXPECT_EQ(PageObject(page)->SettingsForm(), nullptr);
    EXPECT_EQ(page->Deactivate(), E_UNEXPECTED) << "the page is not active";

    // The frame can still give it the filter and show it.
    objects[0] = filter;
    ASSERT_EQ(page->SetObjects(1, objects), S_OK);
    ASSERT_EQ(page->Activate(frame, &rect, FALSE), S_OK);
    EXPECT_NE(PageObject(page)->SettingsForm(), nullptr);
    EXPECT_EQ(page->Deactivate(), S_OK);
}

TEST_F(PageOnFilter, DisconnectingWhileShownTakesTheFormAway) {
    IUnknown* objects[1] = {filter};
    ASSERT_EQ(page->SetObjects(1, objects), S_OK);
    ASSERT_EQ(page->Activate(frame, &rect, FALSE), S_OK);
    HWND dialog = GetWindow(frame, GW_CHILD);
    HWND form = PageObject(page)->SettingsForm()->Handle();
    // The form borrows the filter's interface; it must not outlive it.
    ASSERT_EQ(page->SetObjects(0, nullptr), S_OK);
    EXPECT_EQ(PageObject(page)->SettingsForm(), nullptr);
    EXPECT_FALSE(IsWindow(form));
    EXPECT_TRUE(IsWindow(dialog));
    EXPECT_EQ(page->Deactivate(), S_OK);
}

TEST_F(PageOnFilter, ReleasedWhileShownDestroysDialogAndForm) {
    IUnknown* objects[1] = {filter};
    ASSERT_EQ(page->SetObjects(1, objects), S_OK);
    ASSERT_EQ(page->Activate(frame, &rect, FALSE), S_OK);
    HWND dialog = GetWindow(frame, GW_CHILD);
    EXPECT_EQ(page->Release(), 0u);
    page = nullptr;
    EXPECT_FALSE(IsWindow(dialog));
}

TEST_F(PageOnFilter, FormControlsTextsAndTabOrder) {
    IUnknown* objects[1] = {filter};
    ASSERT_EQ(page->SetObjects(1, objects), S_OK);
    ASSERT_EQ(page->Activate(frame, &rect, FALSE), S_OK);
    Form& form = *PageObject(page)->SettingsForm();
    EXPECT_EQ(form.BorderStyle(), FormBorderStyle::None);
    // The form fills the page, neither cut nor floating in it.
    EXPECT_EQ(form.ClientSize(), (Size{rect.right, rect.bottom}));
    EXPECT_EQ(form.Size(), form.ClientSize());
    EXPECT_EQ(form.Location(), (Point{0, 0}));

    struct Expected {
        const char* text;
        ControlKind kind;
    };
    // In tab order.
    const Expected expected[] = {
        {"&Reload", ControlKind::Button},
        {"...", ControlKind::Button},
        {"", ControlKind::TextBox},
        {"&Hide Subtitles", ControlKind::CheckBox},
        {"&Apply changes immediately", ControlKind::CheckBox},
        {"&Show Debug Informations", ControlKind::CheckBox},
        {"Delay:", ControlKind::Label},
        {"frames (1/60sec)", ControlKind::Label},
        {"0", ControlKind::NumericUpDown},
    };
    ASSERT_EQ(form.Controls().Count(), 9);
    for (int i = 0; i < 9; ++i) {
        Control& c = form.Controls()[i];
        SCOPED_TRACE(expected[i].text);
        EXPECT_EQ(Narrow(c.Text()), expected[i].text);
        EXPECT_EQ(c.Kind(), expected[i].kind);
        EXPECT_EQ(c.TabIndex(), i);
    }
    EXPECT_TRUE(FindControl<TextBox>(form).ReadOnly());
    NumericUpDown& delay = FindControl<NumericUpDown>(form);
    EXPECT_FALSE(delay.ReadOnly());
    EXPECT_EQ(delay.TextAlign(), HorizontalAlignment::Right);
    EXPECT_EQ(delay.Maximum(), Decimal(2147483647));
    EXPECT_EQ(delay.Minimum(), Decimal(-2147483647 - 1));
    EXPECT_EQ(delay.Increment(), Decimal(1));
    EXPECT_EQ(delay.DecimalPlaces(), 0);
    EXPECT_EQ(page->Deactivate(), S_OK);
}
