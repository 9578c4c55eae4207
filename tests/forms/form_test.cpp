#include <gtest/gtest.h>

#include <stdexcept>

#include "platform/forms/forms.h"
#include "platform/forms/headless/file_chooser_answers.h"
#include "platform/forms/user_input.h"

using namespace dq::forms;

namespace {

// A borderless settings form laid out the way the property page's form is.
class SettingsLikeForm : public Form {
public:
    SettingsLikeForm() {
        SuspendLayout();
        reload.SetText(WSTR("&Reload"));
        reload.SetLocation({10, 40});
        reload.SetSize({60, 27});
        path.SetLocation({10, 10});
        path.SetSize({260, 20});
        path.SetReadOnly(true);
        SetStartPosition(FormStartPosition::Manual);
        SetLocation({0, 0});
        SetClientSize({360, 150});
        SetBorderStyle(FormBorderStyle::None);
        Controls().Add(reload);
        Controls().Add(path);
        ResumeLayout(false);
    }
    Button reload;
    TextBox path;
};

INT_PTR CALLBACK PageProc(HWND, UINT, WPARAM, LPARAM) {
    return FALSE;
}

const DqDialogTemplate kPage[] = {{106, 1041, WS_CHILD | DS_SETFONT, 0, 0, 0, 189, 103, u"", 9, 0,
                                   0, 1, u"MS UI Gothic", nullptr, 0}};
const DqResourceTable kResources = {kPage, 1, nullptr, 0};
HINSTANCE const kModule = reinterpret_cast<HINSTANCE>(0x7100);

} // namespace

TEST(Forms, LayoutWaitsWhileSuspended) {
    Form form;
    Button a, b;
    int layouts = 0;
    form.Layout += [&](Control&, const EventArgs&) { ++layouts; };
    form.SuspendLayout();
    form.Controls().Add(a);
    form.Controls().Add(b);
    form.ResumeLayout(false);
    EXPECT_EQ(layouts, 0);
    form.SuspendLayout();
    form.Controls().Remove(a);
    form.ResumeLayout(true);
    EXPECT_EQ(layouts, 1);
    EXPECT_EQ(b.TabIndex(), 1);
    EXPECT_EQ(a.Parent(), nullptr);
    EXPECT_THROW(a.Controls().Add(form), std::invalid_argument);
}

TEST(Forms, NativeWindowGoesIntoADialogAndDiesWithIt) {
    DqRegisterModuleResources(kModule, &kResources);
    SettingsLikeForm form;
    EXPECT_EQ(form.Size(), (Size{360, 150}));
    EXPECT_FALSE(form.IsHandleCreated());

    HWND frame = CreateWindowExW(0, WSTR("Static"), WSTR("frame"), WS_POPUP | WS_VISIBLE, 50, 60,
                                 400, 300, nullptr, nullptr, nullptr, nullptr);
    HWND dialog = CreateDialogParamW(kModule, MAKEINTRESOURCEW(106), frame, PageProc, 0);
    ASSERT_NE(dialog, nullptr);
    ShowWindow(dialog, SW_SHOWNORMAL);

    HWND handle = form.Handle(); // created on the first request, with its controls
    ASSERT_TRUE(IsWindow(handle));
    EXPECT_EQ(form.Handle(), handle);
    EXPECT_EQ(GetWindowLongPtrW(handle, GWL_STYLE) & (WS_CAPTION | WS_THICKFRAME | WS_VISIBLE), 0);
    HWND reload = GetWindow(handle, GW_CHILD);
    ASSERT_EQ(reload, form.reload.Handle());
    EXPECT_EQ(GetWindow(reload, GW_HWNDNEXT), form.path.Handle());
    EXPECT_TRUE(GetWindowLongPtrW(form.path.Handle(), GWL_STYLE) & ES_READONLY);
    WCHAR text[16];
    GetWindowTextW(reload, text, 16);
    EXPECT_EQ(String(text), WSTR("&Reload"));

    SetParent(handle, dialog);
    // The form's own state changes leave the window's kind to whoever placed it.
    SetWindowLongPtrW(handle, GWL_STYLE,
                      (GetWindowLongPtrW(handle, GWL_STYLE) & ~WS_POPUP) | WS_CHILD);
    form.Show();
    EXPECT_EQ(GetParent(handle), dialog);
    EXPECT_TRUE(IsWindowVisible(handle));
    RECT formRect, dialogRect, client;
    GetWindowRect(handle, &formRect);
    GetWindowRect(dialog, &dialogRect);
    GetClientRect(handle, &client);
    EXPECT_EQ(formRect.left, dialogRect.left);
    EXPECT_EQ(formRect.top, dialogRect.top);
    EXPECT_EQ(client.right, 360);
    EXPECT_EQ(client.bottom, 150);

    // Changes reach the window.
    form.path.SetText(WSTR("/tmp/a.txt"));
    GetWindowTextW(form.path.Handle(), text, 16);
    EXPECT_EQ(String(text), WSTR("/tmp/a.txt"));
    form.reload.SetLocation({12, 44});
    RECT r;
    GetWindowRect(form.reload.Handle(), &r);
    EXPECT_EQ(r.left - formRect.left, 12);

    // The dialog's destruction takes the form's windows; the form object lives on.
    DestroyWindow(dialog);
    EXPECT_FALSE(IsWindow(handle));
    EXPECT_FALSE(form.IsHandleCreated());
    EXPECT_FALSE(form.reload.IsHandleCreated());
    DestroyWindow(frame);
    DqUnregisterModuleResources(kModule);
}

TEST(Forms, FileChooserAnswersOkOrCancel) {
    headless::ResetFileChoosers();
    OpenFileDialog dialog;
    dialog.SetTitle(WSTR("Choose QuorENT file"));
    dialog.SetFilter(WSTR("QuorENT file (*.txt)|*.txt|All Files (*.*)|*.*"));
    EXPECT_THROW(dialog.SetFilter(WSTR("QuorENT file (*.txt)|*.txt|All Files")),
                 std::invalid_argument);
    EXPECT_EQ(dialog.Filter(), WSTR("QuorENT file (*.txt)|*.txt|All Files (*.*)|*.*"));

    headless::AnswerNextFileChooser(DialogResult::OK, WSTR("/home/u/subs/show.txt"));
    headless::AnswerNextFileChooser(DialogResult::Cancel);
    EXPECT_EQ(dialog.ShowDialog(), DialogResult::OK);
    EXPECT_EQ(dialog.FileName(), WSTR("/home/u/subs/show.txt"));
    EXPECT_EQ(dialog.ShowDialog(), DialogResult::Cancel);
    EXPECT_EQ(dialog.FileName(), WSTR("/home/u/subs/show.txt"));
    EXPECT_EQ(dialog.ShowDialog(), DialogResult::Cancel); // nobody answered

    auto shown = headless::TakeShownFileChoosers();
    ASSERT_EQ(shown.size(), 3u);
    EXPECT_EQ(shown[0].title, WSTR("Choose QuorENT file"));
    EXPECT_EQ(shown[0].filter, WSTR("QuorENT file (*.txt)|*.txt|All Files (*.*)|*.*"));
    EXPECT_EQ(shown[0].filterIndex, 1);
    EXPECT_EQ(shown[1].fileName, WSTR("/home/u/subs/show.txt"));
}
