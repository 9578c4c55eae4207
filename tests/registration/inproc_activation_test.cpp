// CoCreateInstance and CoGetClassObject of classes registered in the registry: loading the
// module once, the failure codes, and unloading unused modules.
#include <cstdio>
#include <fstream>

#include "tests/registration/activation_support.h"

using dqtest::IsLoaded;
using dqtest::Ref;
using dqtest::RegisterInprocServer;

namespace {

DQ_DEFINE_GUID(kOtherClass, 0x7E57C1A5, 0x0002, 0x4000, 0x80, 0, 0, 0, 0, 0, 0, 2);

const std::string kServer = DQ_TEST_SERVER;
const std::string kServerWithoutFactory = DQ_TEST_SERVER_WITHOUT_FACTORY;

class InprocActivation : public RegistryTest {
protected:
    void TearDown() override {
        CoFreeUnusedLibraries();
        RegistryTest::TearDown();
    }
    static HRESULT Create(const CLSID& clsid, void** out) {
        return CoCreateInstance(clsid, nullptr, CLSCTX_INPROC_SERVER, IID_IPersist, out);
    }
};

TEST_F(InprocActivation, LoadsTheModuleOnceAndUnloadsItWhenNothingIsLeft) {
    RegisterInprocServer(CLSID_TestServerObject, kServer);
    Ref<IPersist> first, second;
    ASSERT_EQ(Create(CLSID_TestServerObject, first.outVoid()), S_OK);
    CLSID id{};
    EXPECT_EQ(first->GetClassID(&id), S_OK);
    EXPECT_TRUE(IsEqualGUID(id, CLSID_TestServerObject));
    EXPECT_TRUE(IsLoaded(kServer));

    // Another spelling of the same path is the same module, not a second load.
    const size_t slash = kServer.rfind('/');
    RegisterInprocServer(CLSID_TestServerObject,
                         kServer.substr(0, slash) + "/./" + kServer.substr(slash + 1));
    ASSERT_EQ(Create(CLSID_TestServerObject, second.outVoid()), S_OK);

    CoFreeUnusedLibraries();
    EXPECT_TRUE(IsLoaded(kServer)) << "unloaded under live objects";
    first.reset();
    CoFreeUnusedLibraries();
    EXPECT_TRUE(IsLoaded(kServer));
    second.reset();

    // A class factory alone keeps the module too.
    Ref<IClassFactory> factory;
    ASSERT_EQ(CoGetClassObject(CLSID_TestServerObject, CLSCTX_INPROC_SERVER, nullptr,
                               IID_IClassFactory, factory.outVoid()),
              S_OK);
    CoFreeUnusedLibraries();
    EXPECT_TRUE(IsLoaded(kServer));
    factory.reset();
    CoFreeUnusedLibraries();
    EXPECT_FALSE(IsLoaded(kServer));

    // And it comes back when asked for again.
    ASSERT_EQ(Create(CLSID_TestServerObject, first.outVoid()), S_OK);
    first.reset();
}

TEST_F(InprocActivation, FailuresGiveTheWindowsCodesAndANullResult) {
    auto expect = [](const CLSID& clsid, HRESULT code) {
        void* out = reinterpret_cast<void*>(1);
        EXPECT_EQ(Create(clsid, &out), code);
        EXPECT_EQ(out, nullptr);
    };
    expect(kOtherClass, REGDB_E_CLASSNOTREG);
    HKEY h = nullptr;
    const std::u16string classKey = u"CLSID\\" + dqtest::Text(kOtherClass);
    ASSERT_EQ(RegCreateKeyW(HKEY_CLASSES_ROOT, classKey.c_str(), &h), ERROR_SUCCESS);
    RegCloseKey(h);
    expect(kOtherClass, REGDB_E_CLASSNOTREG); // a class key without a server

    RegisterInprocServer(kOtherClass, m_folder + "/missing.so");
    expect(kOtherClass, CO_E_DLLNOTFOUND);
    RegisterInprocServer(kOtherClass, "no-such-module-anywhere.so");
    expect(kOtherClass, CO_E_DLLNOTFOUND);
    std::ofstream(m_folder + "/text.so") << "not a shared object\n";
    RegisterInprocServer(kOtherClass, m_folder + "/text.so");
    expect(kOtherClass, CO_E_ERRORINDLL);
    RegisterInprocServer(kOtherClass, kServerWithoutFactory);
    expect(kOtherClass, CO_E_ERRORINDLL);
    EXPECT_FALSE(IsLoaded(kServerWithoutFactory));
    // The module is there, but it serves another class.
    RegisterInprocServer(kOtherClass, kServer);
    expect(kOtherClass, CLASS_E_CLASSNOTAVAILABLE);
}

TEST_F(InprocActivation, BuiltInClassesComeFirst) {
    RegisterInprocServer(CLSID_FilterGraph, kServer);
    Ref<IFilterGraph> graph;
    EXPECT_EQ(CoCreateInstance(CLSID_FilterGraph, nullptr, CLSCTX_INPROC_SERVER, IID_IFilterGraph,
                               graph.outVoid()),
              S_OK);
    EXPECT_FALSE(IsLoaded(kServer));
}

} // namespace
