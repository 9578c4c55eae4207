// The built DirectQuorbit.ax, loaded as a registration tool loads it, over a registry of its
// own; and what registration must leave in the registry.
#pragma once

#include <climits>
#include <cstdlib>

#include "tests/registration/activation_support.h"

namespace dqtest {

DQ_DEFINE_GUID(kFilterClass, 0x8563BE21, 0x1C94, 0x44FD, 0x8F, 0xC0, 0xA5, 0xE8, 0x32, 0xF2, 0xAB,
               0xA6);
DQ_DEFINE_GUID(kPageClass, 0x63A821FA, 0xFED7, 0x4D77, 0x80, 0x41, 0x50, 0xE5, 0x78, 0x1F, 0x34,
               0x31);

class ModuleRegistration : public RegistryTest {
protected:
    using Entry = HRESULT (*)();

    void SetUp() override {
        RegistryTest::SetUp();
        Load(DQ_MODULE_PATH);
    }
    void TearDown() override {
        if (m_module != nullptr)
            dlclose(m_module);
        RegistryTest::TearDown();
    }
    void Load(const std::string& path) {
        if (m_module != nullptr)
            dlclose(m_module);
        m_module = dlopen(path.c_str(), RTLD_NOW | RTLD_LOCAL);
        ASSERT_NE(m_module, nullptr) << dlerror();
        m_register = reinterpret_cast<Entry>(dlsym(m_module, "DllRegisterServer"));
        m_unregister = reinterpret_cast<Entry>(dlsym(m_module, "DllUnregisterServer"));
        ASSERT_TRUE(m_register && m_unregister);
    }
    static std::u16string ModulePath() {
        char resolved[PATH_MAX];
        const std::string path = realpath(DQ_MODULE_PATH, resolved);
        return std::u16string(path.begin(), path.end());
    }

    void* m_module = nullptr;
    Entry m_register = nullptr;
    Entry m_unregister = nullptr;
};

inline std::u16string ClassKey(const CLSID& clsid) {
    return u"CLSID\\" + Text(clsid);
}

inline DWORD CountOf(const std::u16string& key, bool values) {
    HKEY h = nullptr;
    if (RegOpenKeyExW(HKEY_CLASSES_ROOT, key.c_str(), 0, KEY_READ, &h) != ERROR_SUCCESS)
        return 0;
    DWORD n = 0;
    for (;; ++n) {
        WCHAR name[260];
        DWORD length = 260;
        const LONG e = values
                           ? RegEnumValueW(h, n, name, &length, nullptr, nullptr, nullptr, nullptr)
                           : RegEnumKeyW(h, n, name, 260);
        if (e != ERROR_SUCCESS)
            break;
    }
    RegCloseKey(h);
    return n;
}

// The COM server entries of one class, exactly: a name, and an InprocServer32 sub-key with the
// module's path and "Both".
// (The original filter mapper keeps its own entries below the class key: exact = false.)
inline void ExpectServerEntries(const CLSID& clsid, const std::u16string& name,
                                const std::u16string& path, bool exact = true) {
    const std::u16string key = ClassKey(clsid);
    EXPECT_EQ(RegText(key, nullptr), name);
    if (exact) {
        EXPECT_EQ(CountOf(key, true), 1u);
        EXPECT_EQ(CountOf(key, false), 1u);
    }
    EXPECT_EQ(RegText(key + u"\\InprocServer32", nullptr), path);
    EXPECT_EQ(RegText(key + u"\\InprocServer32", u"ThreadingModel"), u"Both");
    EXPECT_EQ(CountOf(key + u"\\InprocServer32", true), 2u);
    EXPECT_EQ(CountOf(key + u"\\InprocServer32", false), 0u);
}

// The overlay filter's pins as any mapper search reports them.
inline void ExpectOverlayPins(const std::vector<dqplatform::MapperPin>& pins) {
    ASSERT_EQ(pins.size(), 2u);
    const char16_t* names[2] = {u"Input", u"Output"};
    for (int p = 0; p < 2; ++p) {
        EXPECT_EQ(pins[p].name, names[p]);
        EXPECT_EQ(pins[p].IsOutput(), p == 1);
        EXPECT_EQ(pins[p].flags & ~DWORD{REG_PINFLAG_B_OUTPUT}, 0u);
        EXPECT_EQ(pins[p].connectsToPin, names[1 - p]);
        ASSERT_EQ(pins[p].types.size(), 1u);
        EXPECT_TRUE(IsEqualGUID(pins[p].types[0].first, MEDIATYPE_Video));
        EXPECT_TRUE(IsEqualGUID(pins[p].types[0].second, MEDIASUBTYPE_RGB24));
    }
}

} // namespace dqtest
