// Registration on a system without the new filter mapper: the module falls back to the
// original interface, with the same data in its classic layout.
//
// This program hides CLSID_FilterMapper2 by putting its own CoCreateInstance in front of the
// runtime's (it is exported, so the module's calls bind to it) and passing every other class on.
#include "tests/registration/module_registration.h"

using namespace dqtest;

namespace {
bool g_hideNewMapper = true;
}

__attribute__((visibility("default"))) HRESULT
CoCreateInstance(REFCLSID rclsid, LPUNKNOWN outer, DWORD context, REFIID riid, LPVOID* ppv) {
    using Real = HRESULT (*)(REFCLSID, LPUNKNOWN, DWORD, REFIID, LPVOID*);
    static const Real real =
        reinterpret_cast<Real>(dlsym(RTLD_NEXT, "_Z16CoCreateInstanceRK5_GUIDP8IUnknownjS1_PPv"));
    if (g_hideNewMapper && IsEqualGUID(rclsid, CLSID_FilterMapper2)) {
        *ppv = nullptr;
        return REGDB_E_CLASSNOTREG;
    }
    if (real == nullptr) { // the runtime's signature changed: this program must follow
        *ppv = nullptr;
        return E_UNEXPECTED;
    }
    return real(rclsid, outer, context, riid, ppv);
}

TEST_F(ModuleRegistration, WithoutTheNewMapperTheOriginalOneGetsTheSameData) {
    void* probe = reinterpret_cast<void*>(1);
    ASSERT_EQ(CoCreateInstance(CLSID_FilterMapper2, nullptr, CLSCTX_INPROC_SERVER,
                               IID_IFilterMapper2, &probe),
              REGDB_E_CLASSNOTREG);

    ASSERT_EQ(m_register(), S_OK);
    ExpectServerEntries(kFilterClass, u"DirectQuorbit", ModulePath(), false);
    const std::u16string id = Text(kFilterClass);
    EXPECT_EQ(RegText(u"Filter\\" + id, nullptr), u"DirectQuorbit");
    EXPECT_EQ(RegText(ClassKey(kFilterClass), u"Merit"), u"2097152"); // 0x00200000
    EXPECT_EQ(RegText(ClassKey(kFilterClass) + u"\\Pins\\Output", u"Direction"), u"1");
    EXPECT_TRUE(RegKeyExists(ClassKey(kFilterClass) + u"\\Pins\\Input\\Types\\" +
                             Text(MEDIATYPE_Video) + u"\\" + Text(MEDIASUBTYPE_RGB24)));
    EXPECT_FALSE(
        RegKeyExists(u"CLSID\\" + Text(CLSID_LegacyAmFilterCategory) + u"\\Instance\\" + id));

    // What the original interface wrote, a search finds as it finds the new one's entries.
    g_hideNewMapper = false;
    const auto found = FindByInput(MEDIATYPE_Video, MEDIASUBTYPE_RGB24);
    ASSERT_EQ(found.size(), 1u);
    EXPECT_EQ(found[0].merit, 0x00200000u);
    ExpectOverlayPins(found[0].pins);
    g_hideNewMapper = true;

    ASSERT_EQ(m_unregister(), S_OK);
    EXPECT_FALSE(RegKeyExists(u"Filter\\" + id));
    EXPECT_FALSE(RegKeyExists(ClassKey(kFilterClass)));
    EXPECT_FALSE(RegKeyExists(ClassKey(kPageClass)));
}
