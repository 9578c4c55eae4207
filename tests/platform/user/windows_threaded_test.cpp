#include <gtest/gtest.h>

#include <atomic>
#include <thread>
#include <vector>

#include "message_log.h"

// Windows may be created, moved, re-parented and destroyed from several threads at once.
TEST(WindowsThreaded, TreeStaysConsistentUnderConcurrentChanges) {
    HWND a = MessageLog::Create(nullptr, WS_POPUP);
    HWND b = MessageLog::Create(nullptr, WS_POPUP);
    constexpr int kThreads = 4;
    constexpr int kRounds = 200;
    std::atomic<int> failures{0};
    std::vector<std::thread> threads;
    for (int t = 0; t < kThreads; ++t) {
        threads.emplace_back([&, t] {
            for (int i = 0; i < kRounds; ++i) {
                HWND w = CreateWindowExW(0, WSTR("Static"), WSTR("x"), WS_CHILD, 0, 0, 10, 10, a,
                                         nullptr, nullptr, nullptr);
                if (w == nullptr || !MoveWindow(w, t, i, 20, 20, FALSE) ||
                    SetParent(w, (i % 2) ? b : a) == nullptr || ShowWindow(w, SW_SHOW) != FALSE ||
                    !SetWindowTextW(w, WSTR("y")))
                    ++failures;
                if (i % 3 != 0 && !DestroyWindow(w))
                    ++failures;
            }
        });
    }
    for (auto& thread : threads)
        thread.join();
    EXPECT_EQ(failures.load(), 0);
    int left = 0;
    for (HWND parent : {a, b})
        for (HWND c = GetWindow(parent, GW_CHILD); c != nullptr; c = GetWindow(c, GW_HWNDNEXT))
            ++left;
    EXPECT_EQ(left, kThreads * ((kRounds + 2) / 3));
    DestroyWindow(a);
    DestroyWindow(b);
}
