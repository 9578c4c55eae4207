// Loads the built DirectQuorbit.ax as a host would and talks to it through its exports only.
#include <gtest/gtest.h>

#include <dlfcn.h>

#include "platform/platform.h"

namespace {

DQ_DEFINE_GUID(CLSID_Nothing, 0x12345678, 0, 0, 1, 2, 3, 4, 5, 6, 7, 8);

struct LoadedModule : ::testing::Test {
    void* handle = nullptr;
    void SetUp() override {
        handle = dlopen(DQ_MODULE_PATH, RTLD_NOW | RTLD_LOCAL);
        ASSERT_NE(handle, nullptr) << dlerror();
    }
    void TearDown() override {
        if (handle)
            dlclose(handle);
    }
};

} // namespace

TEST_F(LoadedModule, ExportsItsEntryPointsAndNothingElse) {
    EXPECT_NE(dlsym(handle, "DllMain"), nullptr);
    EXPECT_NE(dlsym(handle, "DllGetClassObject"), nullptr);
    EXPECT_NE(dlsym(handle, "DllCanUnloadNow"), nullptr);
    EXPECT_NE(dlsym(handle, "DllRegisterServer"), nullptr);
    EXPECT_NE(dlsym(handle, "DllUnregisterServer"), nullptr);
    EXPECT_EQ(dlsym(handle, "g_nServerLocks"), nullptr);
    EXPECT_EQ(dlsym(handle, "g_Templates"), nullptr);
    EXPECT_EQ(dlsym(handle, "AMovieDllRegisterServer2"), nullptr);
}

TEST_F(LoadedModule, AnswersThroughItsExports) {
    using GetClassObject = HRESULT (*)(REFCLSID, REFIID, void**);
    using CanUnloadNow = HRESULT (*)();
    auto getClassObject = reinterpret_cast<GetClassObject>(dlsym(handle, "DllGetClassObject"));
    auto canUnload = reinterpret_cast<CanUnloadNow>(dlsym(handle, "DllCanUnloadNow"));
    ASSERT_TRUE(getClassObject && canUnload);
    void* out = nullptr;
    EXPECT_EQ(getClassObject(CLSID_Nothing, IID_IClassFactory, &out), CLASS_E_CLASSNOTAVAILABLE);
    EXPECT_EQ(getClassObject(CLSID_Nothing, IID_IPersist, &out), E_NOINTERFACE);
    EXPECT_EQ(canUnload(), S_OK);
}

TEST_F(LoadedModule, ProcessAttachStoredTheModulesOwnHandle) {
    // The handle DllMain received is the module's load address, so the module's file name
    // can be found from it, as registration does.
    HMODULE self = DqModuleFromAddress(dlsym(handle, "DllGetClassObject"));
    char path[4096];
    ASSERT_GT(GetModuleFileNameA(self, path, sizeof path), 0u);
    EXPECT_NE(std::string(path).find("DirectQuorbit.ax"), std::string::npos);
}
