// The page hosted as a property frame hosts it, on the real filter, with the user at the form.
// Threaded: once "Apply changes immediately" is on, the filter watches its script on a thread
// of its own.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <string>
#include <unistd.h>
#include <vector>

#include "filter/direct_quorbit.h"
#include "module/dll_entry.h"
#include "page_test_support.h"
#include "platform/forms/headless/file_chooser_answers.h"
#include "platform/forms/user_input.h"

using namespace dq::forms;
using Calls = std::vector<std::string>;

namespace {

struct PropertyFrame : ::testing::Test {
    IUnknown* filter = nullptr;
    IDirectQuorbit* settings = nullptr;
    RecordingSettings* recorder = nullptr;
    IPropertyPage* page = nullptr;
    TestPageSite site;
    PROPPAGEINFO info{};
    HWND window = nullptr;
    std::filesystem::path dir, scriptA, scriptB;

    void SetUp() override {
        headless::ResetFileChoosers();
        HRESULT hr = S_OK;
        CUnknown* object = CDirectQuorbit::CreateInstance(nullptr, &hr);
        ASSERT_NE(object, nullptr);
        ASSERT_EQ(object->NonDelegatingQueryInterface(IID_IUnknown, (void**)&filter), S_OK);
        ASSERT_EQ(filter->QueryInterface(IID_IDirectQuorbit, (void**)&settings), S_OK);
        recorder = new RecordingSettings(settings);

        dir = std::filesystem::temp_directory_path() /
              ("dq-page-" + std::to_string(::getpid()) + "-" +
               ::testing::UnitTest::GetInstance()->current_test_info()->name());
        std::filesystem::create_directories(dir);
        scriptA = Script("a.txt");
        scriptB = Script("b.txt");
        window = CreateFrameWindow();
    }
    void TearDown() override {
        if (page != nullptr)
            Close();
        delete recorder;
        settings->Release();
        EXPECT_EQ(filter->Release(), 0u);
        DestroyWindow(window);
        std::filesystem::remove_all(dir);
        headless::ResetFileChoosers();
    }

    std::filesystem::path Script(const char* name) {
        std::filesystem::path p = dir / name;
        std::ofstream(p) << "0:01 0:04 | Hello\n";
        return p;
    }
    HRESULT PutFileName(const std::filesystem::path& p) {
        std::u16string wide = p.u16string();
        return settings->put_FileName(reinterpret_cast<WCHAR*>(wide.data()));
    }

    // What a frame does: ask the filter for its page, create it by class id, give it a site and
    // the object, ask its size and title, and show it.
    void Open(IUnknown* object) {
        ISpecifyPropertyPages* specify = nullptr;
        ASSERT_EQ(filter->QueryInterface(IID_ISpecifyPropertyPages, (void**)&specify), S_OK);
        CAUUID pages{};
        ASSERT_EQ(specify->GetPages(&pages), S_OK);
        specify->Release();
        ASSERT_EQ(pages.cElems, 1u);
        const CLSID clsid = pages.pElems[0];
        CoTaskMemFree(pages.pElems);
        IClassFactory* factory = nullptr;
        ASSERT_EQ(DllGetClassObject(clsid, IID_IClassFactory, (void**)&factory), S_OK);
        ASSERT_EQ(factory->CreateInstance(nullptr, IID_IPropertyPage, (void**)&page), S_OK);
        factory->Release();

        ASSERT_EQ(page->SetPageSite(&site), S_OK);
        ASSERT_EQ(page->SetObjects(1, &object), S_OK);
        ASSERT_EQ(page->GetPageInfo(&info), S_OK);
        const RECT rect{0, 0, info.size.cx, info.size.cy};
        ASSERT_EQ(page->Activate(window, &rect, FALSE), S_OK);
    }
    // Closing the frame, with OK or Cancel alike.
    void Close() {
        EXPECT_EQ(page->Deactivate(), S_OK);
        EXPECT_EQ(page->SetObjects(0, nullptr), S_OK);
        EXPECT_EQ(page->SetPageSite(nullptr), S_OK);
        EXPECT_EQ(page->Release(), 0u);
        page = nullptr;
        CoTaskMemFree(info.pszTitle);
        info = {};
        EXPECT_EQ(site.refs, 0);
        EXPECT_EQ(recorder->refs, 0);
    }
    Form& TheForm() { return *PageObject(page)->SettingsForm(); }
    Calls FiveSettings(bool hide, bool immediate, LONG delay, bool debug,
                       const std::filesystem::path& path) {
        return {"put_HideSubtitles(" + std::to_string(hide) + ")",
                "put_ChangeImmediate(" + std::to_string(immediate) + ")",
                "put_Delay(" + std::to_string(delay) + ")",
                "put_DebugOutput(" + std::to_string(debug) + ")",
                "put_FileName(" + path.string() + ")"};
    }
};

} // namespace

TEST_F(PropertyFrame, ShowsTheFiltersSettingsAndSendsNothing) {
    ASSERT_EQ(settings->put_HideSubtitles(true), S_OK);
    ASSERT_EQ(settings->put_Delay(30), S_OK);
    ASSERT_EQ(settings->put_DebugOutput(true), S_OK);
    ASSERT_EQ(PutFileName(scriptA), S_OK);
    Open(recorder);

    EXPECT_EQ(Narrow(info.pszTitle), "DirectQuorbit");
    EXPECT_EQ(info.size.cx, 284);
    EXPECT_EQ(info.size.cy, 155);
    Form& form = TheForm();
    EXPECT_TRUE(FindControl<CheckBox>(form, "&Hide Subtitles").Checked());
    EXPECT_FALSE(FindControl<CheckBox>(form, "&Apply changes immediately").Checked());
    EXPECT_TRUE(FindControl<CheckBox>(form, "&Show Debug Informations").Checked());
    EXPECT_EQ(FindControl<NumericUpDown>(form).Value(), Decimal(30));
    EXPECT_EQ(Narrow(FindControl<NumericUpDown>(form).Text()), "30");
    EXPECT_EQ(Narrow(FindControl<TextBox>(form).Text()), scriptA.string());
    EXPECT_EQ(recorder->Take(), (Calls{"get_HideSubtitles", "get_ChangeImmediate",
                                       "get_DebugOutput", "get_Delay", "get_FileName"}));

    // The form fills the page dialog, which sits in the frame's window.
    HWND dialog = GetWindow(window, GW_CHILD);
    ASSERT_NE(dialog, nullptr);
    EXPECT_TRUE(IsWindowVisible(dialog));
    HWND formWindow = form.Handle();
    EXPECT_EQ(GetAncestor(formWindow, GA_PARENT), dialog);
    EXPECT_TRUE(IsWindowVisible(formWindow));
    RECT r;
    GetWindowRect(formWindow, &r);
    POINT at{r.left, r.top};
    ScreenToClient(dialog, &at);
    EXPECT_EQ(at.x, 0);
    EXPECT_EQ(at.y, 0);
    RECT page;
    GetClientRect(dialog, &page);
    EXPECT_EQ(r.right - r.left, page.right);
    EXPECT_EQ(r.bottom - r.top, page.bottom);
}

TEST_F(PropertyFrame, EachCheckBoxSendsAllFiveSettingsAtOnce) {
    ASSERT_EQ(settings->put_Delay(30), S_OK);
    ASSERT_EQ(PutFileName(scriptA), S_OK);
    Open(recorder);
    Form& form = TheForm();
    recorder->Take();

    user::Click(FindControl<CheckBox>(form, "&Hide Subtitles"));
    EXPECT_EQ(recorder->Take(), FiveSettings(true, false, 30, false, scriptA));
    user::Click(FindControl<CheckBox>(form, "&Apply changes immediately"));
    EXPECT_EQ(recorder->Take(), FiveSettings(true, true, 30, false, scriptA));
    user::Click(FindControl<CheckBox>(form, "&Show Debug Informations"));
    EXPECT_EQ(recorder->Take(), FiveSettings(true, true, 30, true, scriptA));
    user::Click(FindControl<CheckBox>(form, "&Hide Subtitles"));
    EXPECT_EQ(recorder->Take(), FiveSettings(false, true, 30, true, scriptA));

    bool hide = true, immediate = false, debug = false;
    settings->get_HideSubtitles(&hide);
    settings->get_ChangeImmediate(&immediate);
    settings->get_DebugOutput(&debug);
    EXPECT_FALSE(hide);
    EXPECT_TRUE(immediate);
    EXPECT_TRUE(debug);

    // The page has nothing to apply, and its frame's Cancel undoes nothing.
    EXPECT_EQ(page->IsPageDirty(), S_FALSE);
    EXPECT_EQ(page->Apply(), S_OK);
    EXPECT_TRUE(site.statusChanges.empty());
    Close();
    EXPECT_TRUE(recorder->Take().empty());
    settings->get_DebugOutput(&debug);
    EXPECT_TRUE(debug);
}

TEST_F(PropertyFrame, TypedDelayIsSentWhenCommitted) {
    ASSERT_EQ(PutFileName(scriptA), S_OK);
    Open(recorder);
    NumericUpDown& delay = FindControl<NumericUpDown>(TheForm());
    recorder->Take();

    user::SelectAll(delay);
    user::Type(delay, WSTR("-5"));
    EXPECT_TRUE(recorder->Take().empty()) << "typing alone is not a value yet";
    user::PressEnter(delay);
    EXPECT_EQ(recorder->Take(), FiveSettings(false, false, -5, false, scriptA));
    LONG sent = 0;
    settings->get_Delay(&sent);
    EXPECT_EQ(sent, -5);

    user::ClickUpArrow(delay);
    EXPECT_EQ(recorder->Take(), FiveSettings(false, false, -4, false, scriptA));

    // The whole signed 32-bit range, and no further.
    const std::pair<const char16_t*, LONG> typed[] = {
        {u"-2147483648", -2147483647 - 1}, {u"99999999999", 2147483647}, {u"2.5", 3}};
    for (auto [text, expected] : typed) {
        user::SelectAll(delay);
        user::Type(delay, reinterpret_cast<const WCHAR*>(text));
        user::PressEnter(delay);
        EXPECT_EQ(recorder->Take(), FiveSettings(false, false, expected, false, scriptA));
    }
    EXPECT_EQ(Narrow(delay.Text()), "3") << "the box shows what was sent";
}

TEST_F(PropertyFrame, ReloadSendsOnlyReload) {
    ASSERT_EQ(PutFileName(scriptA), S_OK);
    Open(recorder);
    recorder->Take();
    user::Click(FindControl<Button>(TheForm(), "&Reload"));
    EXPECT_EQ(recorder->Take(), Calls{"reload_File"});
}

TEST_F(PropertyFrame, ChosenFileIsShownAndSentAndACancelResendsTheSettings) {
    ASSERT_EQ(PutFileName(scriptA), S_OK);
    Open(recorder);
    Form& form = TheForm();
    Button& choose = FindControl<Button>(form, "...");
    TextBox& path = FindControl<TextBox>(form);
    recorder->Take();

    headless::AnswerNextFileChooser(DialogResult::OK,
                                    reinterpret_cast<const WCHAR*>(scriptB.u16string().c_str()));
    user::Click(choose);
    EXPECT_EQ(Narrow(path.Text()), scriptB.string());
    EXPECT_EQ(recorder->Take(), FiveSettings(false, false, 0, false, scriptB));
    WCHAR stored[DQ_MAX_PATH];
    settings->get_FileName(stored);
    EXPECT_EQ(Narrow(stored), scriptB.string());

    std::vector<FileChooserRequest> shown = headless::TakeShownFileChoosers();
    ASSERT_EQ(shown.size(), 1u);
    EXPECT_EQ(Narrow(shown[0].title), "Choose QuorENT file");
    EXPECT_EQ(Narrow(shown[0].filter), "QuorENT file (*.txt)|*.txt|All Files (*.*)|*.*");

    headless::AnswerNextFileChooser(DialogResult::Cancel);
    user::Click(choose);
    EXPECT_EQ(Narrow(path.Text()), scriptB.string());
    EXPECT_EQ(recorder->Take(), FiveSettings(false, false, 0, false, scriptB));

    // The user cannot type a path.
    user::Type(path, WSTR("x"));
    EXPECT_EQ(Narrow(path.Text()), scriptB.string());
}

TEST_F(PropertyFrame, EachActivationBuildsAFreshFormFromTheFilter) {
    Open(filter);
    HWND dialog = GetWindow(window, GW_CHILD);
    HWND formWindow = TheForm().Handle();

    ASSERT_EQ(page->Deactivate(), S_OK);
    EXPECT_FALSE(IsWindow(dialog));
    EXPECT_FALSE(IsWindow(formWindow));
    EXPECT_EQ(PageObject(page)->SettingsForm(), nullptr);
    EXPECT_EQ(GetWindow(window, GW_CHILD), nullptr);

    // Another client changes the filter meanwhile.
    ASSERT_EQ(settings->put_Delay(7), S_OK);
    ASSERT_EQ(settings->put_HideSubtitles(true), S_OK);
    const RECT rect{0, 0, info.size.cx, info.size.cy};
    ASSERT_EQ(page->Activate(window, &rect, FALSE), S_OK);
    EXPECT_EQ(FindControl<NumericUpDown>(TheForm()).Value(), Decimal(7));
    EXPECT_TRUE(FindControl<CheckBox>(TheForm(), "&Hide Subtitles").Checked());

    // And the form's changes reach the filter itself.
    user::Click(FindControl<CheckBox>(TheForm(), "&Hide Subtitles"));
    bool hide = true;
    settings->get_HideSubtitles(&hide);
    EXPECT_FALSE(hide);
}

// A chosen path that is not valid UTF-16 (an unpaired surrogate) reaches the filter, which
// answers with a failure and its error on the video; the page and the host go on.
TEST_F(PropertyFrame, AChosenPathWithAnUnpairedSurrogateFailsWithoutACrash) {
    ASSERT_EQ(PutFileName(scriptA), S_OK);
    Open(filter);
    std::u16string bad = scriptA.parent_path().u16string() + u"/s" + char16_t(0xD800) + u".txt";
    headless::AnswerNextFileChooser(DialogResult::OK, reinterpret_cast<const WCHAR*>(bad.c_str()));
    user::Click(FindControl<Button>(TheForm(), "..."));
    WCHAR stored[DQ_MAX_PATH];
    settings->get_FileName(stored);
    EXPECT_EQ(std::u16string(reinterpret_cast<const char16_t*>(stored)), bad);
    EXPECT_EQ(settings->reload_File(), E_FAIL);
    ASSERT_EQ(PutFileName(scriptA), S_OK); // and a good one loads again
}
