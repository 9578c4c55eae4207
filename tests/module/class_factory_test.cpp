#include <gtest/gtest.h>

#include "module/dll_entry.h"
#include "test_class_table.h"

namespace {

IClassFactory* Factory(REFCLSID clsid) {
    IClassFactory* factory = nullptr;
    EXPECT_EQ(DllGetClassObject(clsid, IID_IClassFactory, reinterpret_cast<void**>(&factory)),
              S_OK);
    return factory;
}

struct ModuleTest : ::testing::Test {
    void SetUp() override {
        g_testLog = {};
        ASSERT_EQ(DllCanUnloadNow(), S_OK) << "a previous test leaked an object";
    }
    void TearDown() override { EXPECT_EQ(DllCanUnloadNow(), S_OK); }
};

} // namespace

TEST_F(ModuleTest, AttachStoresTheHandleAndRunsInitRoutinesInBothDirections) {
    auto* handle = reinterpret_cast<HINSTANCE>(0x1000);
    EXPECT_TRUE(DllMain(handle, DLL_PROCESS_ATTACH, nullptr));
    EXPECT_EQ(g_hModuleInstance, handle);
    EXPECT_EQ(g_testLog.initLoading, 1);
    EXPECT_TRUE(DllMain(handle, DLL_THREAD_ATTACH, nullptr));
    EXPECT_TRUE(DllMain(handle, DLL_THREAD_DETACH, nullptr));
    EXPECT_TRUE(DllMain(handle, DLL_PROCESS_DETACH, nullptr));
    EXPECT_EQ(g_testLog.initLoading, 1);
    EXPECT_EQ(g_testLog.initUnloading, 1);
}

TEST_F(ModuleTest, GetClassObjectChecksTheInterfaceBeforeTheClass) {
    void* out = reinterpret_cast<void*>(0x1234);
    EXPECT_EQ(DllGetClassObject(CLSID_TestGood, IID_IPersist, &out), E_NOINTERFACE);
    EXPECT_EQ(DllGetClassObject(CLSID_TestNotInTable, IID_IPersist, &out), E_NOINTERFACE);
    EXPECT_EQ(DllGetClassObject(CLSID_TestNotInTable, IID_IClassFactory, &out),
              CLASS_E_CLASSNOTAVAILABLE);
    EXPECT_EQ(out, reinterpret_cast<void*>(0x1234)); // untouched
    EXPECT_EQ(DllGetClassObject(CLSID_TestGood, IID_IClassFactory, nullptr), E_POINTER);
}

TEST_F(ModuleTest, EachCallMakesANewCountedFactory) {
    IUnknown* a = nullptr;
    IUnknown* b = nullptr;
    ASSERT_EQ(DllGetClassObject(CLSID_TestGood, IID_IUnknown, reinterpret_cast<void**>(&a)), S_OK);
    ASSERT_EQ(DllGetClassObject(CLSID_TestGood, IID_IUnknown, reinterpret_cast<void**>(&b)), S_OK);
    EXPECT_NE(a, b);
    EXPECT_EQ(DllCanUnloadNow(), S_FALSE); // factories alone keep the module loaded
    IClassFactory* asFactory = nullptr;
    ASSERT_EQ(a->QueryInterface(IID_IClassFactory, reinterpret_cast<void**>(&asFactory)), S_OK);
    EXPECT_EQ(asFactory->Release(), 1u);
    void* none = reinterpret_cast<void*>(1);
    EXPECT_EQ(a->QueryInterface(IID_IPersist, &none), E_NOINTERFACE);
    EXPECT_EQ(none, nullptr);
    EXPECT_EQ(a->QueryInterface(IID_IUnknown, nullptr), E_POINTER);
    EXPECT_EQ(a->Release(), 0u);
    EXPECT_EQ(b->Release(), 0u);
}

TEST_F(ModuleTest, CreatedObjectKeepsTheModuleLoadedUntilReleased) {
    IClassFactory* factory = Factory(CLSID_TestGood);
    ITestGood* good = nullptr;
    ASSERT_EQ(factory->CreateInstance(nullptr, IID_ITestGood, reinterpret_cast<void**>(&good)),
              S_OK);
    EXPECT_EQ(good->Answer(), 42);
    factory->Release();
    EXPECT_EQ(DllCanUnloadNow(), S_FALSE);
    EXPECT_EQ(good->Release(), 0u);
    EXPECT_EQ(g_testLog.destroyed, 1);
}

TEST_F(ModuleTest, AggregationIsOnlyForTheInnerUnknown) {
    struct Outer : IUnknown {
        STDMETHODIMP QueryInterface(REFIID, void**) override { return E_NOINTERFACE; }
        STDMETHODIMP_(ULONG) AddRef() override { return 2; }
        STDMETHODIMP_(ULONG) Release() override { return 1; }
    } outer;
    IClassFactory* factory = Factory(CLSID_TestGood);
    void* out = reinterpret_cast<void*>(0x1234);
    EXPECT_EQ(factory->CreateInstance(&outer, IID_ITestGood, &out), E_NOINTERFACE);
    EXPECT_EQ(out, reinterpret_cast<void*>(0x1234));
    EXPECT_EQ(g_testLog.created, 0);

    IUnknown* inner = nullptr;
    ASSERT_EQ(factory->CreateInstance(&outer, IID_IUnknown, reinterpret_cast<void**>(&inner)),
              S_OK);
    ITestGood* good = nullptr;
    ASSERT_EQ(inner->QueryInterface(IID_ITestGood, reinterpret_cast<void**>(&good)), S_OK);
    EXPECT_EQ(good->Answer(), 42);
    good->Release(); // goes to the outer
    EXPECT_EQ(inner->Release(), 0u);
    EXPECT_EQ(g_testLog.destroyed, 1);
    factory->Release();
}

TEST_F(ModuleTest, CreationFailuresReturnTheirCodesAndLeaveNothingBehind) {
    void* out = nullptr;
    IClassFactory* f = Factory(CLSID_TestNullWithError);
    EXPECT_EQ(f->CreateInstance(nullptr, IID_IUnknown, &out), E_ACCESSDENIED);
    f->Release();
    f = Factory(CLSID_TestNullWithSuccess);
    EXPECT_EQ(f->CreateInstance(nullptr, IID_IUnknown, &out), E_OUTOFMEMORY);
    f->Release();
    f = Factory(CLSID_TestObjectWithError);
    EXPECT_EQ(f->CreateInstance(nullptr, IID_IUnknown, &out), E_UNEXPECTED);
    EXPECT_EQ(g_testLog.destroyed, 1);
    f->Release();

    f = Factory(CLSID_TestGood);
    EXPECT_EQ(f->CreateInstance(nullptr, IID_IPersist, &out), E_NOINTERFACE);
    EXPECT_EQ(out, nullptr);
    EXPECT_EQ(g_testLog.created, 2);
    EXPECT_EQ(g_testLog.destroyed, 2); // the object lacking the interface destroyed itself
    EXPECT_EQ(f->CreateInstance(nullptr, IID_IUnknown, nullptr), E_POINTER);
    f->Release();
}

TEST_F(ModuleTest, ServerLocksKeepTheModuleLoadedAndAreNotClamped) {
    IClassFactory* factory = Factory(CLSID_TestGood);
    factory->LockServer(TRUE);
    factory->LockServer(TRUE);
    factory->LockServer(FALSE);
    factory->Release();
    EXPECT_EQ(DllCanUnloadNow(), S_FALSE);
    factory = Factory(CLSID_TestGood);
    factory->LockServer(FALSE);
    factory->LockServer(FALSE); // below zero: only the live objects decide now
    EXPECT_EQ(DllCanUnloadNow(), S_FALSE);
    factory->Release();
    EXPECT_EQ(DllCanUnloadNow(), S_OK);
    factory = Factory(CLSID_TestGood);
    factory->LockServer(TRUE);
    factory->Release();
}
