// The product module's own resources, as the platform finds them once the module is loaded.
#include <dlfcn.h>

#include <gtest/gtest.h>

#include <string>

#include "platform/platform.h"

namespace {

INT_PTR CALLBACK NoProc(HWND, UINT, WPARAM, LPARAM) {
    return FALSE;
}

} // namespace

TEST(ModuleResources, PageDialogAndTitleComeWithTheModule) {
    void* module = dlopen(DQ_MODULE_PATH, RTLD_NOW | RTLD_LOCAL);
    ASSERT_NE(module, nullptr) << dlerror();
    auto instance =
        reinterpret_cast<HINSTANCE>(DqModuleFromAddress(dlsym(module, "DllGetClassObject")));
    ASSERT_NE(instance, nullptr);

    WCHAR title[256];
    EXPECT_EQ(LoadStringW(instance, 101, title, 256), 13);
    EXPECT_EQ(std::u16string(title), u"DirectQuorbit");

    HWND dialog =
        CreateDialogParamW(instance, MAKEINTRESOURCEW(106), GetDesktopWindow(), NoProc, 0);
    ASSERT_NE(dialog, nullptr);
    EXPECT_EQ(GetWindowLongPtrW(dialog, GWL_STYLE), WS_CHILD | DS_SETFONT);
    EXPECT_EQ(GetWindowLongPtrW(dialog, GWL_EXSTYLE), 0);
    EXPECT_EQ(GetWindow(dialog, GW_CHILD), nullptr);
    RECT r;
    GetWindowRect(dialog, &r);
    EXPECT_EQ(r.left, 0);
    EXPECT_EQ(r.right - r.left, 284);
    EXPECT_EQ(r.bottom - r.top, 155);
    WCHAR caption[8] = u"x";
    GetWindowTextW(dialog, caption, 8);
    EXPECT_EQ(caption[0], 0);
    DestroyWindow(dialog);

    // Unloading the module withdraws its resources.
    ASSERT_EQ(dlclose(module), 0);
    EXPECT_EQ(LoadStringW(instance, 101, title, 256), 0);
}
