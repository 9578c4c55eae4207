// Blocking calls cut short from another thread: the thread whose call is to stop gets EINTR,
// the others carry on.
#include <gtest/gtest.h>

#include <atomic>
#include <cerrno>
#include <thread>

#include <unistd.h>

#include "blocking_call.h"

namespace {

// A read of one byte from a pipe that nobody writes to yet, cut short only through `stop`.
struct BlockedReader {
    int fds[2] = {-1, -1};
    std::atomic<bool> stop{false};
    std::atomic<bool> inCall{false};
    ssize_t result = 0;
    int error = 0;
    std::thread thread;

    BlockedReader() {
        EXPECT_EQ(pipe(fds), 0);
        thread = std::thread([this] {
            char byte = 0;
            BlockingCall call(&stop);
            inCall = true;
            do
                result = read(fds[0], &byte, 1);
            while (result < 0 && errno == EINTR && !stop);
            error = result < 0 ? errno : 0;
        });
        while (!inCall)
            std::this_thread::yield();
    }
    ~BlockedReader() {
        if (thread.joinable())
            thread.join();
        close(fds[0]);
        close(fds[1]);
    }
};

} // namespace

TEST(BlockingCall, OnlyTheCallAskedToStopIsCutShort) {
    BlockedReader stopped, carryingOn;
    stopped.stop = true;
    BlockingCall::WakeAll();
    stopped.thread.join(); // hangs here if the call is not woken
    EXPECT_EQ(stopped.result, -1);
    EXPECT_EQ(stopped.error, EINTR);

    ASSERT_EQ(write(carryingOn.fds[1], "x", 1), 1);
    carryingOn.thread.join();
    EXPECT_EQ(carryingOn.result, 1); // woken by its data, not by the nudges
}
