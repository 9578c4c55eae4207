#include <sys/wait.h>
#include <unistd.h>

#include <sqlite3.h>

#include <cstring>
#include <vector>

#include "registry_fixture.h"

namespace {

HKEY Create(HKEY parent, LPCWSTR path, DWORD* disposition = nullptr) {
    HKEY key = nullptr;
    EXPECT_EQ(
        RegCreateKeyExW(parent, path, 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &key, disposition),
        ERROR_SUCCESS);
    return key;
}

std::vector<std::u16string> SubKeys(HKEY key) {
    std::vector<std::u16string> names;
    WCHAR name[256];
    for (DWORD i = 0; RegEnumKeyW(key, i, name, 256) == ERROR_SUCCESS; ++i)
        names.emplace_back(name);
    return names;
}

} // namespace

TEST_F(RegistryTest, CreatesNestedKeysAndFindsThemInAnyCase) {
    DWORD disposition = 0;
    HKEY key = Create(HKEY_CLASSES_ROOT, WSTR("CLSID\\{ABC}\\InprocServer32"), &disposition);
    EXPECT_EQ(disposition, DWORD(REG_CREATED_NEW_KEY));
    RegCloseKey(key);
    key = Create(HKEY_CLASSES_ROOT, WSTR("clsid\\{abc}\\INPROCSERVER32\\"), &disposition);
    EXPECT_EQ(disposition, DWORD(REG_OPENED_EXISTING_KEY));
    RegCloseKey(key);

    HKEY opened = nullptr;
    EXPECT_EQ(RegOpenKeyExW(HKEY_CLASSES_ROOT, WSTR("Clsid\\{Abc}"), 0, KEY_READ, &opened),
              ERROR_SUCCESS);
    // The spelling of the first creation is kept.
    EXPECT_EQ(SubKeys(opened), std::vector<std::u16string>{u"InprocServer32"});
    HKEY clsid = nullptr;
    EXPECT_EQ(RegOpenKeyW(HKEY_CLASSES_ROOT, WSTR("clsid"), &clsid), ERROR_SUCCESS);
    EXPECT_EQ(SubKeys(clsid), std::vector<std::u16string>{u"{ABC}"});
    EXPECT_EQ(RegCloseKey(opened), ERROR_SUCCESS);
    EXPECT_EQ(RegCloseKey(clsid), ERROR_SUCCESS);

    HKEY missing = nullptr;
    EXPECT_EQ(RegOpenKeyExW(HKEY_CLASSES_ROOT, WSTR("CLSID\\{DEF}"), 0, KEY_READ, &missing),
              ERROR_FILE_NOT_FOUND);
    EXPECT_EQ(RegCreateKeyW(HKEY_CLASSES_ROOT, WSTR("\\Lead"), &missing), ERROR_BAD_PATHNAME);
    EXPECT_EQ(RegCreateKeyW(HKEY_CLASSES_ROOT, WSTR("A\\\\B"), &missing), ERROR_BAD_PATHNAME);
    EXPECT_EQ(RegCreateKeyW(HKEY_CLASSES_ROOT, std::u16string(256, u'x').c_str(), &missing),
              ERROR_INVALID_PARAMETER);
    // Only the classes root is provided.
    HKEY localMachine = reinterpret_cast<HKEY>(static_cast<ULONG_PTR>(LONG(0x80000002)));
    EXPECT_EQ(RegOpenKeyW(localMachine, WSTR("Software"), &missing), ERROR_INVALID_HANDLE);
    EXPECT_EQ(RegCloseKey(reinterpret_cast<HKEY>(0x12345)), ERROR_INVALID_HANDLE);
    EXPECT_EQ(RegCloseKey(HKEY_CLASSES_ROOT), ERROR_SUCCESS);
}

TEST_F(RegistryTest, ValuesSizesAndDefaults) {
    // The old call creates the key, sets its default value and measures the string itself.
    ASSERT_EQ(RegSetValueW(HKEY_CLASSES_ROOT, WSTR("K\\Sub"), REG_SZ, WSTR("Filter"), 0),
              ERROR_SUCCESS);
    EXPECT_EQ(DefaultText(WSTR("k\\sub")), u"Filter");
    // A key without a default value reads as empty through the old call only.
    EXPECT_EQ(DefaultText(WSTR("K")), u"");
    HKEY key = Create(HKEY_CLASSES_ROOT, WSTR("K"));
    EXPECT_EQ(RegQueryValueExW(key, nullptr, nullptr, nullptr, nullptr, nullptr),
              ERROR_FILE_NOT_FOUND);

    const WCHAR both[] = WSTR("Both");
    ASSERT_EQ(RegSetValueExW(key, WSTR("ThreadingModel"), 0, REG_SZ,
                             reinterpret_cast<const BYTE*>(both), sizeof both),
              ERROR_SUCCESS);
    DWORD type = 0, size = 0;
    EXPECT_EQ(RegQueryValueExW(key, WSTR("threadingmodel"), nullptr, &type, nullptr, &size),
              ERROR_SUCCESS);
    EXPECT_EQ(type, DWORD(REG_SZ));
    EXPECT_EQ(size, DWORD(sizeof both));

    // Too small: the size needed comes back and the buffer is left alone.
    WCHAR buf[8] = {u'#', u'#', u'#', 0};
    size = 4;
    EXPECT_EQ(RegQueryValueExW(key, WSTR("ThreadingModel"), nullptr, &type,
                               reinterpret_cast<LPBYTE>(buf), &size),
              ERROR_MORE_DATA);
    EXPECT_EQ(size, DWORD(sizeof both));
    EXPECT_EQ(std::u16string(buf), u"###");
    size = sizeof buf;
    EXPECT_EQ(RegQueryValueExW(key, WSTR("ThreadingModel"), nullptr, &type,
                               reinterpret_cast<LPBYTE>(buf), &size),
              ERROR_SUCCESS);
    EXPECT_EQ(std::u16string(buf), u"Both");
    LONG oldSize = 2;
    EXPECT_EQ(RegQueryValueW(HKEY_CLASSES_ROOT, WSTR("K\\Sub"), buf, &oldSize), ERROR_MORE_DATA);
    EXPECT_EQ(oldSize, LONG(sizeof(WSTR("Filter"))));

    // Null and empty names are the same default value; data is kept byte for byte.
    DWORD number = 0x00200000;
    ASSERT_EQ(RegSetValueExW(key, WSTR(""), 0, REG_DWORD, reinterpret_cast<BYTE*>(&number), 4),
              ERROR_SUCCESS);
    DWORD read = 0;
    size = sizeof read;
    EXPECT_EQ(RegQueryValueExW(key, nullptr, nullptr, &type, reinterpret_cast<BYTE*>(&read), &size),
              ERROR_SUCCESS);
    EXPECT_EQ(type, DWORD(REG_DWORD));
    EXPECT_EQ(read, number);
    ASSERT_EQ(RegSetValueExW(key, WSTR("Empty"), 0, REG_BINARY, nullptr, 0), ERROR_SUCCESS);
    size = 99;
    EXPECT_EQ(RegQueryValueExW(key, WSTR("Empty"), nullptr, &type, nullptr, &size), ERROR_SUCCESS);
    EXPECT_EQ(size, 0u);
    EXPECT_EQ(RegSetValueExW(key, WSTR("Bad"), 0, REG_BINARY, nullptr, 4), ERROR_NOACCESS);

    // Values enumerate in creation order; rewriting one keeps its place and its spelling.
    ASSERT_EQ(RegSetValueExW(key, WSTR("THREADINGMODEL"), 0, REG_SZ,
                             reinterpret_cast<const BYTE*>(both), sizeof both),
              ERROR_SUCCESS);
    std::vector<std::u16string> names;
    WCHAR name[64];
    DWORD count = 64;
    for (DWORD i = 0;
         RegEnumValueW(key, i, name, &count, nullptr, nullptr, nullptr, nullptr) == ERROR_SUCCESS;
         ++i, count = 64)
        names.emplace_back(name);
    EXPECT_EQ(names, (std::vector<std::u16string>{u"ThreadingModel", u"", u"Empty"}));

    EXPECT_EQ(RegDeleteValueW(key, WSTR("threadingMODEL")), ERROR_SUCCESS);
    EXPECT_EQ(RegDeleteValueW(key, WSTR("ThreadingModel")), ERROR_FILE_NOT_FOUND);
    EXPECT_EQ(RegQueryValueExW(key, WSTR("ThreadingModel"), nullptr, nullptr, nullptr, nullptr),
              ERROR_FILE_NOT_FOUND);
    RegCloseKey(key);
}

TEST_F(RegistryTest, SubKeysEnumerateInUpperCasedOrder) {
    for (LPCWSTR name : {WSTR("beta"), WSTR("_under"), WSTR("Alpha"), WSTR("gamma")})
        RegCloseKey(Create(HKEY_CLASSES_ROOT, (std::u16string(u"P\\") + name).c_str()));
    HKEY parent = Create(HKEY_CLASSES_ROOT, WSTR("P"));
    // '_' sorts after the letters once they are upper-cased, as on Windows.
    EXPECT_EQ(SubKeys(parent),
              (std::vector<std::u16string>{u"Alpha", u"beta", u"gamma", u"_under"}));

    WCHAR small[5];
    DWORD count = 5;
    EXPECT_EQ(RegEnumKeyExW(parent, 0, small, &count, nullptr, nullptr, nullptr, nullptr),
              ERROR_MORE_DATA);
    count = 6;
    WCHAR name[6];
    FILETIME written{};
    EXPECT_EQ(RegEnumKeyExW(parent, 0, name, &count, nullptr, nullptr, nullptr, &written),
              ERROR_SUCCESS);
    EXPECT_EQ(count, 5u);
    EXPECT_NE(written.dwHighDateTime, 0u);
    EXPECT_EQ(RegEnumKeyW(parent, 4, name, 6), ERROR_NO_MORE_ITEMS);
    RegCloseKey(parent);
}

TEST_F(RegistryTest, DeleteRulesAndHandlesToDeletedKeys) {
    HKEY held = Create(HKEY_CLASSES_ROOT, WSTR("T\\Child\\Grandchild"));
    EXPECT_EQ(RegDeleteKeyW(HKEY_CLASSES_ROOT, WSTR("T")), ERROR_ACCESS_DENIED);
    EXPECT_EQ(RegDeleteKeyW(HKEY_CLASSES_ROOT, WSTR("T\\Nothing")), ERROR_FILE_NOT_FOUND);
    EXPECT_EQ(RegDeleteKeyW(HKEY_CLASSES_ROOT, nullptr), ERROR_INVALID_PARAMETER);
    EXPECT_EQ(RegDeleteKeyW(HKEY_CLASSES_ROOT, WSTR("")), ERROR_ACCESS_DENIED);

    // Remove a tree the way an unregistration does: always the first sub-key, then the parent.
    HKEY t = nullptr;
    ASSERT_EQ(RegOpenKeyExW(HKEY_CLASSES_ROOT, WSTR("T"), 0, MAXIMUM_ALLOWED, &t), ERROR_SUCCESS);
    WCHAR name[260];
    HKEY child = Create(t, WSTR("Child"));
    while (RegEnumKeyW(child, 0, name, 260) == ERROR_SUCCESS)
        ASSERT_EQ(RegDeleteKeyW(child, name), ERROR_SUCCESS);
    EXPECT_EQ(RegDeleteKeyW(t, WSTR("CHILD")), ERROR_SUCCESS);
    EXPECT_EQ(RegEnumKeyW(t, 0, name, 260), ERROR_NO_MORE_ITEMS);

    // Handles to the deleted keys fail cleanly, also after a key of the same name reappears.
    RegCloseKey(Create(HKEY_CLASSES_ROOT, WSTR("T\\Child\\Grandchild")));
    DWORD size = 0;
    EXPECT_EQ(RegQueryValueExW(held, nullptr, nullptr, nullptr, nullptr, &size), ERROR_KEY_DELETED);
    EXPECT_EQ(RegSetValueExW(held, WSTR("v"), 0, REG_SZ, nullptr, 0), ERROR_KEY_DELETED);
    HKEY under = nullptr;
    EXPECT_EQ(RegCreateKeyW(held, WSTR("More"), &under), ERROR_KEY_DELETED);
    EXPECT_EQ(RegEnumKeyW(child, 0, name, 260), ERROR_KEY_DELETED);
    EXPECT_EQ(RegCloseKey(held), ERROR_SUCCESS);
    EXPECT_EQ(RegCloseKey(held), ERROR_INVALID_HANDLE);
    RegCloseKey(child);

    // An empty name deletes the handle's own key, given the right to delete.
    HKEY leaf = nullptr;
    ASSERT_EQ(RegOpenKeyExW(HKEY_CLASSES_ROOT, WSTR("T\\Child\\Grandchild"), 0, KEY_READ, &leaf),
              ERROR_SUCCESS);
    EXPECT_EQ(RegDeleteKeyW(leaf, WSTR("")), ERROR_ACCESS_DENIED);
    RegCloseKey(leaf);
    ASSERT_EQ(
        RegOpenKeyExW(HKEY_CLASSES_ROOT, WSTR("T\\Child\\Grandchild"), 0, KEY_READ | DELETE, &leaf),
        ERROR_SUCCESS);
    EXPECT_EQ(RegDeleteKeyW(leaf, WSTR("")), ERROR_SUCCESS);
    EXPECT_EQ(DefaultText(WSTR("T\\Child\\Grandchild")), u"error 2");
    RegCloseKey(leaf);
    RegCloseKey(t);
}

TEST_F(RegistryTest, HandlesAllowOnlyTheirAccess) {
    RegCloseKey(Create(HKEY_CLASSES_ROOT, WSTR("A\\B")));
    HKEY readOnly = nullptr;
    ASSERT_EQ(RegOpenKeyExW(HKEY_CLASSES_ROOT, WSTR("A"), 0, KEY_READ, &readOnly), ERROR_SUCCESS);
    const BYTE data[2] = {1, 2};
    EXPECT_EQ(RegSetValueExW(readOnly, WSTR("v"), 0, REG_BINARY, data, 2), ERROR_ACCESS_DENIED);
    EXPECT_EQ(RegDeleteValueW(readOnly, WSTR("v")), ERROR_ACCESS_DENIED);
    // Opening through it is not limited by its rights.
    HKEY b = nullptr;
    EXPECT_EQ(RegOpenKeyExW(readOnly, WSTR("B"), 0, KEY_SET_VALUE, &b), ERROR_SUCCESS);
    EXPECT_EQ(RegSetValueExW(b, WSTR("v"), 0, REG_BINARY, data, 2), ERROR_SUCCESS);
    WCHAR name[8];
    EXPECT_EQ(RegEnumKeyW(b, 0, name, 8), ERROR_ACCESS_DENIED);
    RegCloseKey(b);
    RegCloseKey(readOnly);
}

TEST_F(RegistryTest, DefaultLocationFollowsXdgDataHome) {
    unsetenv("DQ_REGISTRY");
    setenv("XDG_DATA_HOME", m_folder.c_str(), 1);
    ASSERT_EQ(RegSetValueW(HKEY_CLASSES_ROOT, WSTR("X"), REG_SZ, WSTR("y"), 0), ERROR_SUCCESS);
    EXPECT_TRUE(std::filesystem::exists(m_folder + "/directquorbit/registry.db"));
    // A relative XDG_DATA_HOME does not count: the home folder's share is used.
    setenv("XDG_DATA_HOME", "relative", 1);
    const char* oldHome = getenv("HOME");
    std::string savedHome = oldHome ? oldHome : "";
    setenv("HOME", (m_folder + "/home").c_str(), 1);
    ASSERT_EQ(RegSetValueW(HKEY_CLASSES_ROOT, WSTR("X"), REG_SZ, WSTR("y"), 0), ERROR_SUCCESS);
    EXPECT_TRUE(std::filesystem::exists(m_folder + "/home/.local/share/directquorbit/registry.db"));
    setenv("HOME", savedHome.c_str(), 1);
    unsetenv("XDG_DATA_HOME");
}

TEST_F(RegistryTest, ACrashedWriterLosesNothingItCommitted) {
    pid_t child = fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
        LONG e = RegSetValueW(HKEY_CLASSES_ROOT, WSTR("CLSID\\{1}"), REG_SZ, WSTR("Saved"), 0);
        _exit(e == ERROR_SUCCESS ? 0 : 1); // no clean shutdown of the database
    }
    int status = 0;
    ASSERT_EQ(waitpid(child, &status, 0), child);
    ASSERT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0);
    EXPECT_EQ(DefaultText(WSTR("CLSID\\{1}")), u"Saved");
}

TEST_F(RegistryTest, TwoProcessesRegisteringAtOnceBothSucceed) {
    constexpr int kKeys = 60;
    int go[2];
    ASSERT_EQ(pipe(go), 0);
    pid_t children[2];
    for (int p = 0; p < 2; ++p) {
        children[p] = fork();
        ASSERT_GE(children[p], 0);
        if (children[p] == 0) {
            char c;
            close(go[1]);
            if (read(go[0], &c, 1) != 0)
                _exit(2);
            // Both start on a database that does not exist yet.
            for (int i = 0; i < kKeys; ++i) {
                std::u16string key = u"CLSID\\{" + Number(p) + u"-" + Number(i) + u"}";
                HKEY h = nullptr, server = nullptr;
                const WCHAR both[] = WSTR("Both");
                if (RegCreateKeyW(HKEY_CLASSES_ROOT, key.c_str(), &h) != ERROR_SUCCESS ||
                    RegSetValueW(h, nullptr, REG_SZ, WSTR("Name"), 0) != ERROR_SUCCESS ||
                    RegCreateKeyW(h, WSTR("InprocServer32"), &server) != ERROR_SUCCESS ||
                    RegSetValueExW(server, WSTR("ThreadingModel"), 0, REG_SZ,
                                   reinterpret_cast<const BYTE*>(both),
                                   sizeof both) != ERROR_SUCCESS)
                    _exit(1);
                RegCloseKey(server);
                RegCloseKey(h);
            }
            _exit(0);
        }
    }
    close(go[0]);
    close(go[1]); // releases both children at once
    for (pid_t child : children) {
        int status = 0;
        ASSERT_EQ(waitpid(child, &status, 0), child);
        EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0);
    }

    HKEY clsid = nullptr;
    ASSERT_EQ(RegOpenKeyW(HKEY_CLASSES_ROOT, WSTR("CLSID"), &clsid), ERROR_SUCCESS);
    EXPECT_EQ(SubKeys(clsid).size(), size_t(2 * kKeys));
    RegCloseKey(clsid);
    EXPECT_EQ(DefaultText(WSTR("CLSID\\{1-59}")), u"Name");

    sqlite3* db = nullptr;
    ASSERT_EQ(sqlite3_open(m_path.c_str(), &db), SQLITE_OK);
    sqlite3_stmt* stmt = nullptr;
    ASSERT_EQ(sqlite3_prepare_v2(db, "PRAGMA integrity_check", -1, &stmt, nullptr), SQLITE_OK);
    ASSERT_EQ(sqlite3_step(stmt), SQLITE_ROW);
    EXPECT_STREQ(reinterpret_cast<const char*>(sqlite3_column_text(stmt, 0)), "ok");
    sqlite3_finalize(stmt);
    ASSERT_EQ(sqlite3_prepare_v2(db, "PRAGMA journal_mode", -1, &stmt, nullptr), SQLITE_OK);
    ASSERT_EQ(sqlite3_step(stmt), SQLITE_ROW);
    EXPECT_STREQ(reinterpret_cast<const char*>(sqlite3_column_text(stmt, 0)), "wal");
    sqlite3_finalize(stmt);
    sqlite3_close(db);
}
