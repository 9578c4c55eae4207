#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <thread>

#include "platform/platform.h"

DQ_DEFINE_GUID(kSampleGuid, 0x0A1B2C3D, 0x4E5F, 0x0607, 0x89, 0xAB, 0xCD, 0xEF, 0x01, 0x23, 0x45,
               0x67);

TEST(StringFromGUID2, WritesBracedUpperCaseTextOf39Characters) {
    WCHAR buf[39];
    ASSERT_EQ(StringFromGUID2(kSampleGuid, buf, 39), 39);
    EXPECT_EQ(std::u16string(buf), u"{0A1B2C3D-4E5F-0607-89AB-CDEF01234567}");
    EXPECT_EQ(StringFromGUID2(kSampleGuid, buf, 38), 0);
}

TEST(CoInitialize, CountsPerThread) {
    EXPECT_EQ(CoInitialize(nullptr), S_OK);
    EXPECT_EQ(CoInitialize(nullptr), S_FALSE);
    std::thread([] {
        EXPECT_EQ(DqCoInitializeCount(), 0u);
        EXPECT_EQ(CoInitialize(nullptr), S_OK);
        CoUninitialize();
    }).join();
    EXPECT_EQ(DqCoInitializeCount(), 2u);
    CoUninitialize();
    CoUninitialize();
    EXPECT_EQ(CoInitialize(nullptr), S_OK);
    CoUninitialize();
}

TEST(TaskMemory, ReallocKeepsContentsAndFreeAcceptsNull) {
    auto* p = static_cast<char*>(CoTaskMemAlloc(4));
    ASSERT_NE(p, nullptr);
    std::memcpy(p, "abc", 4);
    p = static_cast<char*>(CoTaskMemRealloc(p, 4096));
    ASSERT_NE(p, nullptr);
    EXPECT_STREQ(p, "abc");
    CoTaskMemFree(p);
    CoTaskMemFree(nullptr);
}

TEST(GetModuleFileName, NamesTheModuleContainingAnAddress) {
    HMODULE platform = DqModuleFromAddress(reinterpret_cast<const void*>(&CoTaskMemAlloc));
    ASSERT_NE(platform, nullptr);
    char path[4096];
    DWORD n = GetModuleFileNameA(platform, path, sizeof path);
    ASSERT_GT(n, 0u);
    EXPECT_EQ(std::string(path).substr(0, 1), "/");
    EXPECT_NE(std::string(path).find("libdqplatform.so"), std::string::npos);

    WCHAR wide[4096];
    EXPECT_EQ(GetModuleFileNameW(platform, wide, 4096), n);
}

TEST(GetModuleFileName, CutsAndTerminatesWhenTheBufferIsShort) {
    char full[4096];
    DWORD n = GetModuleFileNameA(nullptr, full, sizeof full);
    ASSERT_GT(n, 5u);
    char small[5];
    EXPECT_EQ(GetModuleFileNameA(nullptr, small, 5), 5u);
    EXPECT_EQ(GetLastError(), DWORD(ERROR_INSUFFICIENT_BUFFER));
    EXPECT_EQ(std::string(small), std::string(full, 4));
}

TEST(GetModuleFileName, RefusesAHandleThatIsNoModule) {
    int local = 0;
    EXPECT_EQ(GetModuleFileNameA(reinterpret_cast<HMODULE>(&local), nullptr, 0), 0u);
    EXPECT_EQ(GetLastError(), DWORD(ERROR_MOD_NOT_FOUND));
}

TEST(CriticalSection, IsReentrantAndExcludesOtherThreads) {
    CRITICAL_SECTION cs;
    InitializeCriticalSection(&cs);
    EnterCriticalSection(&cs);
    EnterCriticalSection(&cs);
    BOOL other = TRUE;
    std::thread([&] { other = TryEnterCriticalSection(&cs); }).join();
    EXPECT_FALSE(other);
    LeaveCriticalSection(&cs);
    std::thread([&] { other = TryEnterCriticalSection(&cs); }).join();
    EXPECT_FALSE(other); // still held once
    LeaveCriticalSection(&cs);
    std::thread([&] {
        other = TryEnterCriticalSection(&cs);
        if (other)
            LeaveCriticalSection(&cs);
    }).join();
    EXPECT_TRUE(other);
    DeleteCriticalSection(&cs);
}
