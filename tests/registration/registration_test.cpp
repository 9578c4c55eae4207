// DllRegisterServer and DllUnregisterServer of the built module, in a registry of their own.
#include <sqlite3.h>

#include <filesystem>

#include "tests/registration/module_registration.h"

using namespace dqtest;

TEST_F(ModuleRegistration, RegisteringWritesTheClassKeysAndTheMapperEntry) {
    ASSERT_EQ(m_register(), S_OK);
    ExpectServerEntries(kFilterClass, u"DirectQuorbit", ModulePath());
    ExpectServerEntries(kPageClass, u"DirectQuorbit Property Page", ModulePath());

    // Only the filter goes to the mapper: one entry in the default category.
    const auto all = FindByInput(GUID_NULL, GUID_NULL);
    ASSERT_EQ(all.size(), 1u);
    EXPECT_TRUE(IsEqualGUID(all[0].clsid, kFilterClass));
    EXPECT_EQ(all[0].name, u"DirectQuorbit");
    EXPECT_EQ(all[0].merit, 0x00200000u);
    EXPECT_EQ(all[0].displayName,
              u"@device:sw:" + Text(CLSID_LegacyAmFilterCategory) + u"\\" + Text(kFilterClass));
    ExpectOverlayPins(all[0].pins);
    EXPECT_EQ(FindByInput(MEDIATYPE_Video, MEDIASUBTYPE_RGB24).size(), 1u);
    EXPECT_FALSE(RegKeyExists(u"Filter\\" + Text(kFilterClass))); // not the original layout
}

TEST_F(ModuleRegistration, TwiceEachWayAndUnregisteringTakesOthersSubKeysToo) {
    ASSERT_EQ(m_register(), S_OK);
    ASSERT_EQ(m_register(), S_OK);
    ExpectServerEntries(kFilterClass, u"DirectQuorbit", ModulePath());
    EXPECT_EQ(FindByInput(GUID_NULL, GUID_NULL).size(), 1u);

    // Another program's additions below both class keys.
    for (const CLSID* clsid : {&kFilterClass, &kPageClass}) {
        HKEY h = nullptr;
        ASSERT_EQ(
            RegCreateKeyW(HKEY_CLASSES_ROOT, (ClassKey(*clsid) + u"\\Extra\\Deeper").c_str(), &h),
            ERROR_SUCCESS);
        ASSERT_EQ(RegSetValueW(h, nullptr, REG_SZ, u"theirs", 0), ERROR_SUCCESS);
        RegCloseKey(h);
    }
    EXPECT_EQ(m_unregister(), S_OK);
    EXPECT_FALSE(RegKeyExists(ClassKey(kFilterClass)));
    EXPECT_FALSE(RegKeyExists(ClassKey(kPageClass)));
    EXPECT_TRUE(FindByInput(GUID_NULL, GUID_NULL).empty());
    EXPECT_EQ(m_unregister(), S_OK);
}

TEST_F(ModuleRegistration, UnregisteringEndsWhenASubKeyCannotBeRemoved) {
    ASSERT_EQ(m_register(), S_OK);
    for (const char16_t* sub : {u"\\Locked\\Inner", u"\\Other"}) {
        HKEY h = nullptr;
        ASSERT_EQ(RegCreateKeyW(HKEY_CLASSES_ROOT, (ClassKey(kFilterClass) + sub).c_str(), &h),
                  ERROR_SUCCESS);
        RegCloseKey(h);
    }
    // The registry's database refuses to remove "Locked", as a key without delete rights would.
    sqlite3* db = nullptr;
    ASSERT_EQ(sqlite3_open(m_path.c_str(), &db), SQLITE_OK);
    ASSERT_EQ(sqlite3_exec(db,
                           "CREATE TRIGGER keep_locked BEFORE DELETE ON keys "
                           "WHEN old.name = 'Locked' BEGIN SELECT RAISE(ABORT, 'locked'); END;",
                           nullptr, nullptr, nullptr),
              SQLITE_OK);
    sqlite3_close(db);

    EXPECT_EQ(m_unregister(), S_OK); // returns at all: the walk did not loop
    EXPECT_TRUE(RegKeyExists(ClassKey(kFilterClass) + u"\\Locked"));
    EXPECT_FALSE(RegKeyExists(ClassKey(kFilterClass) + u"\\Locked\\Inner"));
    EXPECT_FALSE(RegKeyExists(ClassKey(kFilterClass) + u"\\InprocServer32"));
    EXPECT_FALSE(RegKeyExists(ClassKey(kPageClass)));
    EXPECT_TRUE(FindByInput(GUID_NULL, GUID_NULL).empty());
}

// A copy of the module in folder, loaded in place of the built one.
static std::string CopyModuleInto(const std::string& folder) {
    std::filesystem::create_directories(folder);
    const std::string copy = folder + "/DirectQuorbit.ax";
    std::filesystem::copy_file(DQ_MODULE_PATH, copy);
    return copy;
}

TEST_F(ModuleRegistration, AModulePathThatDoesNotFitFailsAndWritesNothing) {
    // 259 characters fit (with the terminator, 260); 260 do not.
    std::string folder = m_folder + "/";
    const std::string name = "/DirectQuorbit.ax";
    folder.append(260 - name.size() - folder.size(), 'l');
    const std::string copy = CopyModuleInto(folder);
    ASSERT_EQ(copy.size(), 260u);
    Load(copy);
    EXPECT_EQ(m_register(), HRESULT_FROM_WIN32(ERROR_FILENAME_EXCED_RANGE));
    EXPECT_FALSE(RegKeyExists(ClassKey(kFilterClass)));
    EXPECT_FALSE(RegKeyExists(ClassKey(kPageClass)));
    EXPECT_TRUE(FindByInput(GUID_NULL, GUID_NULL).empty());
    // Unregistering needs no path.
    EXPECT_EQ(m_unregister(), S_OK);

    folder.pop_back();
    std::filesystem::create_directories(folder);
    const std::string fits = folder + name;
    std::filesystem::copy_file(DQ_MODULE_PATH, fits);
    ASSERT_EQ(fits.size(), 259u);
    Load(fits);
    ASSERT_EQ(m_register(), S_OK);
    ExpectServerEntries(kFilterClass, u"DirectQuorbit", std::u16string(fits.begin(), fits.end()));
}

TEST_F(ModuleRegistration, APathOutsideAsciiIsWrittenAsItIs) {
    const std::string copy = CopyModuleInto(m_folder + "/Фильтры");
    Load(copy);
    ASSERT_EQ(m_register(), S_OK);
    const std::u16string expected =
        std::u16string(m_folder.begin(), m_folder.end()) + u"/Фильтры/DirectQuorbit.ax";
    ExpectServerEntries(kFilterClass, u"DirectQuorbit", expected);
    ExpectServerEntries(kPageClass, u"DirectQuorbit Property Page", expected);
}
