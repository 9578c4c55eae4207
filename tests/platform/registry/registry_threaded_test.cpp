#include <atomic>
#include <thread>
#include <vector>

#include "registry_fixture.h"

// Each thread has its own database connection; they meet only in the database and in the
// process's handle table.
TEST_F(RegistryTest, ThreadsWritingAtOnceEachSeeAllTheirWork) {
    constexpr int kThreads = 4;
    constexpr int kKeys = 40;
    HKEY shared = nullptr;
    ASSERT_EQ(RegCreateKeyW(HKEY_CLASSES_ROOT, WSTR("Shared"), &shared), ERROR_SUCCESS);
    std::atomic<int> failures{0};
    std::vector<std::thread> threads;
    for (int t = 0; t < kThreads; ++t) {
        threads.emplace_back([&, t] {
            for (int i = 0; i < kKeys; ++i) {
                std::u16string name = u"T" + Number(t) + u"-" + Number(i);
                HKEY key = nullptr;
                // A handle opened on the main thread, used here.
                if (RegCreateKeyW(shared, name.c_str(), &key) != ERROR_SUCCESS ||
                    RegSetValueW(key, nullptr, REG_SZ, name.c_str(), 0) != ERROR_SUCCESS ||
                    RegCloseKey(key) != ERROR_SUCCESS)
                    ++failures;
                if (i % 2 == 1 && RegDeleteKeyW(shared, name.c_str()) != ERROR_SUCCESS)
                    ++failures;
            }
        });
    }
    for (auto& thread : threads)
        thread.join();
    EXPECT_EQ(failures.load(), 0);

    WCHAR name[64];
    DWORD count = 0;
    while (RegEnumKeyW(shared, count, name, 64) == ERROR_SUCCESS)
        ++count;
    EXPECT_EQ(count, DWORD(kThreads * kKeys / 2));
    EXPECT_EQ(DefaultText(WSTR("Shared\\T3-38")), u"T3-38");
    EXPECT_EQ(DefaultText(WSTR("Shared\\T3-39")), u"error 2");
    RegCloseKey(shared);
}
