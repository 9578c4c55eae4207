// The settings form laid out in the page it is given: every control inside the page's client
// area, every text within its control, at the page sizes real frames give.
#include <gtest/gtest.h>

#include <vector>

#include "filter/direct_quorbit.h"
#include "page_test_support.h"
#include "propertypage/settings_form_layout.h"

using namespace dq::forms;

namespace {

// Dialog 106 is 189 x 103 dialog units. One horizontal unit is a quarter of the dialog font's
// base width, one vertical unit an eighth of its base height.
Size PageSize(int baseWidth, int baseHeight) {
    return Size{MulDiv(189, baseWidth, 4), MulDiv(103, baseHeight, 8)};
}

bool Inside(const FormPlace& p, Size client) {
    return p.at.X >= 0 && p.at.Y >= 0 && p.Right() <= client.Width && p.Bottom() <= client.Height;
}

bool Overlap(const FormPlace& a, const FormPlace& b) {
    return a.at.X < b.Right() && b.at.X < a.Right() && a.at.Y < b.Bottom() && b.at.Y < a.Bottom();
}

std::vector<FormPlace> All(const SettingsFormPlaces& p) {
    return {p.filename, p.file, p.reload,    p.predelay, p.delay,
            p.sufdelay, p.hide, p.immediate, p.debug};
}

void ExpectInsideAndApart(const std::vector<FormPlace>& places, Size client) {
    for (size_t i = 0; i < places.size(); ++i) {
        SCOPED_TRACE(i);
        EXPECT_TRUE(Inside(places[i], client));
        EXPECT_GT(places[i].size.Width, 0);
        for (size_t j = i + 1; j < places.size(); ++j)
            EXPECT_FALSE(Overlap(places[i], places[j])) << "with " << j;
    }
}

// The form's texts as the controls measure them.
SettingsFormTexts MeasuredTexts() {
    SettingsFormTexts t;
    t.reload = MeasureText(WSTR("&Reload"));
    t.file = MeasureText(WSTR("..."));
    t.hide = MeasureText(WSTR("&Hide Subtitles"));
    t.immediate = MeasureText(WSTR("&Apply changes immediately"));
    t.debug = MeasureText(WSTR("&Show Debug Informations"));
    t.predelay = MeasureText(WSTR("Delay:"));
    t.sufdelay = MeasureText(WSTR("frames (1/60sec)"));
    t.lineHeight = MeasureText(StringView()).Height;
    return t;
}

RECT PlaceIn(HWND window, HWND parent) {
    RECT r;
    GetWindowRect(window, &r);
    POINT corners[2] = {{r.left, r.top}, {r.right, r.bottom}};
    ScreenToClient(parent, &corners[0]);
    ScreenToClient(parent, &corners[1]);
    return RECT{corners[0].x, corners[0].y, corners[1].x, corners[1].y};
}

// The page of a filter, activated in a frame at the size of one dialog-unit conversion.
class PageAtFrameSize : public ::testing::TestWithParam<Size> {
protected:
    void SetUp() override {
        HRESULT hr = S_OK;
        CUnknown* f = CDirectQuorbit::CreateInstance(nullptr, &hr);
        ASSERT_NE(f, nullptr);
        ASSERT_EQ(f->NonDelegatingQueryInterface(IID_IUnknown, (void**)&filter), S_OK);
        CUnknown* p = CDirectQuorbitProperties::CreateInstance(nullptr, &hr);
        ASSERT_EQ(p->NonDelegatingQueryInterface(IID_IPropertyPage, (void**)&page), S_OK);
        frame = CreateFrameWindow();
        IUnknown* objects[1] = {filter};
        ASSERT_EQ(page->SetObjects(1, objects), S_OK);
    }
    void TearDown() override {
        page->Release();
        filter->Release();
        DestroyWindow(frame);
    }

    IUnknown* filter = nullptr;
    IPropertyPage* page = nullptr;
    HWND frame = nullptr;
};

} // namespace

TEST(SettingsFormLayout, BothConversionsGiveThePageSizesFramesUse) {
    // 9-point "MS UI Gothic" here, and the font Wine's frame converts with.
    EXPECT_EQ(PageSize(6, 12), (Size{284, 155}));
    EXPECT_EQ(PageSize(7, 14), (Size{331, 180}));
}

TEST(SettingsFormLayout, SpacingGivesWayBeforeTheDelayGroupMovesToARowOfItsOwn) {
    const SettingsFormTexts texts = MeasuredTexts();
    for (Size client : {PageSize(6, 12), PageSize(7, 14), Size{360, 150}}) {
        SCOPED_TRACE(client.Width);
        const SettingsFormPlaces p = PlaceSettingsForm(texts, client);
        ExpectInsideAndApart(All(p), client);
        // One row: Reload, "Delay:", the box, "frames (1/60sec)", left to right.
        EXPECT_LT(p.reload.Right(), p.predelay.at.X);
        EXPECT_LT(p.predelay.Right(), p.delay.at.X);
        EXPECT_LT(p.delay.Right(), p.sufdelay.at.X);
        EXPECT_LT(p.predelay.at.Y, p.reload.Bottom());
        EXPECT_LT(p.filename.Bottom(), p.reload.at.Y);
        EXPECT_LT(p.reload.Bottom(), p.hide.at.Y);
        EXPECT_LT(p.hide.Bottom(), p.immediate.at.Y + 1);
        EXPECT_LT(p.immediate.Bottom(), p.debug.at.Y + 1);
    }

    // Too narrow for one row: the group goes under Reload and still fits across.
    const Size narrow{220, 200};
    const SettingsFormPlaces p = PlaceSettingsForm(texts, narrow);
    ExpectInsideAndApart(All(p), narrow);
    EXPECT_GE(p.predelay.at.Y, p.reload.Bottom());
    EXPECT_GE(p.sufdelay.size.Width, texts.sufdelay.Width);
    EXPECT_GE(p.delay.size.Width, kDelayBoxMinWidth);
    EXPECT_LT(p.sufdelay.Bottom(), p.hide.at.Y);
}

TEST(SettingsFormLayout, ALargerPageIsFilledNotFloatedIn) {
    const SettingsFormTexts texts = MeasuredTexts();
    const Size client{520, 320};
    const SettingsFormPlaces p = PlaceSettingsForm(texts, client);
    ExpectInsideAndApart(All(p), client);
    // The file name box takes the width; "..." and the delay group keep to the right margin.
    EXPECT_EQ(p.file.Right(), client.Width - 10);
    EXPECT_EQ(p.sufdelay.Right(), client.Width - 10);
    EXPECT_GT(p.filename.size.Width, 400);
    EXPECT_EQ(p.filename.at, (Point{10, 10}));
}

TEST(SettingsFormLayout, NothingLeavesATooSmallClientArea) {
    SettingsFormTexts texts = MeasuredTexts();
    texts.sufdelay.Width = 400; // a translation far too long for any page
    for (Size client : {Size{120, 60}, Size{0, 0}, PageSize(6, 12)}) {
        const SettingsFormPlaces p = PlaceSettingsForm(texts, client);
        for (const FormPlace& place : All(p))
            EXPECT_TRUE(Inside(place, client));
    }
}

TEST_P(PageAtFrameSize, EveryControlAndEveryTextFitsThePage) {
    const Size size = GetParam();
    const RECT rect{0, 0, size.Width, size.Height};
    ASSERT_EQ(page->Activate(frame, &rect, FALSE), S_OK);
    HWND dialog = GetWindow(frame, GW_CHILD);
    RECT client;
    GetClientRect(dialog, &client);
    ASSERT_EQ(client.right, size.Width);
    ASSERT_EQ(client.bottom, size.Height);

    Form& form = *PageObject(page)->SettingsForm();
    EXPECT_EQ(form.ClientSize(), size);
    const RECT formPlace = PlaceIn(form.Handle(), dialog);
    EXPECT_EQ(formPlace.left, 0);
    EXPECT_EQ(formPlace.top, 0);
    EXPECT_EQ(formPlace.right, size.Width);
    EXPECT_EQ(formPlace.bottom, size.Height);

    const int line = MeasureText(StringView()).Height;
    std::vector<FormPlace> places;
    for (Control* c : form.Controls()) {
        SCOPED_TRACE(Narrow(c->Text()));
        // The native window is where the control says, inside the page's client area.
        const RECT r = PlaceIn(c->Handle(), dialog);
        EXPECT_EQ(r.left, c->Location().X);
        EXPECT_EQ(r.right - r.left, c->Size().Width);
        EXPECT_GE(r.left, 0);
        EXPECT_GE(r.top, 0);
        EXPECT_LE(r.right, client.right);
        EXPECT_LE(r.bottom, client.bottom);
        places.push_back({c->Location(), c->Size()});

        const Size text = MeasureText(c->Text());
        switch (c->Kind()) {
        case ControlKind::Label:
            EXPECT_GE(c->Size().Width, text.Width);
            EXPECT_GE(c->Size().Height, text.Height);
            break;
        case ControlKind::CheckBox:
            EXPECT_GE(c->Size().Width, text.Width + kCheckBoxGlyph);
            EXPECT_GE(c->Size().Height, text.Height);
            break;
        case ControlKind::Button:
            EXPECT_GE(c->Size().Width, text.Width + 8);
            EXPECT_GE(c->Size().Height, line + 4);
            break;
        default:
            EXPECT_GE(c->Size().Height, line + 4);
            break;
        }
    }
    ExpectInsideAndApart(places, size);
    EXPECT_EQ(page->Deactivate(), S_OK);
}

TEST_P(PageAtFrameSize, TheFormFollowsWhenTheFrameMovesThePageAgain) {
    const RECT first{0, 0, 600, 300};
    ASSERT_EQ(page->Activate(frame, &first, FALSE), S_OK);
    const Size size = GetParam();
    const RECT rect{5, 5, 5 + size.Width, 5 + size.Height};
    ASSERT_EQ(page->Move(&rect), S_OK);
    Form& form = *PageObject(page)->SettingsForm();
    EXPECT_EQ(form.ClientSize(), size);
    for (Control* c : form.Controls()) {
        EXPECT_LE(c->Location().X + c->Size().Width, size.Width) << Narrow(c->Text());
        EXPECT_LE(c->Location().Y + c->Size().Height, size.Height) << Narrow(c->Text());
    }
    EXPECT_EQ(page->Deactivate(), S_OK);
}

TEST_P(PageAtFrameSize, AFrameThatShowsLessThanThePageGetsAFormThatFitsWhatItShows) {
    // The frame moves the page to a rectangle larger than the window it sits in.
    const Size shown = GetParam();
    HWND sheet = CreateWindowExW(0, WSTR("Static"), WSTR("sheet"), WS_CHILD | WS_VISIBLE, 8, 8,
                                 shown.Width, shown.Height, frame, nullptr, nullptr, nullptr);
    const RECT larger{0, 0, shown.Width + 110, shown.Height + 40};
    ASSERT_EQ(page->Activate(sheet, &larger, FALSE), S_OK);
    Form& form = *PageObject(page)->SettingsForm();
    EXPECT_EQ(form.ClientSize(), shown);
    for (Control* c : form.Controls()) {
        EXPECT_LE(c->Location().X + c->Size().Width, shown.Width) << Narrow(c->Text());
        EXPECT_LE(c->Location().Y + c->Size().Height, shown.Height) << Narrow(c->Text());
    }

    // The frame then lays out the window holding the page, without a word to the page; when
    // the page is next painted, the form follows.
    MoveWindow(sheet, 8, 8, shown.Width - 30, shown.Height - 20, TRUE);
    EXPECT_EQ(form.ClientSize(), shown);
    SendMessageW(GetWindow(sheet, GW_CHILD), WM_PAINT, 0, 0);
    EXPECT_EQ(form.ClientSize(), (Size{shown.Width - 30, shown.Height - 20}));
    EXPECT_EQ(page->Deactivate(), S_OK);
    DestroyWindow(sheet);
}

INSTANTIATE_TEST_SUITE_P(BothDialogUnitConversions, PageAtFrameSize,
                         ::testing::Values(PageSize(6, 12), PageSize(7, 14)),
                         [](const ::testing::TestParamInfo<Size>& info) {
                             return std::to_string(info.param.Width) + "x" +
                                    std::to_string(info.param.Height);
                         });
