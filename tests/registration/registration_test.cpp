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

TEST_F(ModuleRegistration, AModulePathLongerThan259CharactersIsCut) {
    std::string folder = m_folder;
    while (folder.size() < 300)
        folder += "/a-rather-long-folder-name-for-a-module";
    std::filesystem::create_directories(folder);
    const std::string copy = folder + "/DirectQuorbit.ax";
    std::filesystem::copy_file(DQ_MODULE_PATH, copy);
    Load(copy);
    ASSERT_EQ(m_register(), S_OK);
    const std::u16string expected(copy.begin(), copy.begin() + 259);
    EXPECT_EQ(RegText(ClassKey(kFilterClass) + u"\\InprocServer32", nullptr), expected);
    EXPECT_EQ(RegText(ClassKey(kPageClass) + u"\\InprocServer32", nullptr), expected);
}
