#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <fstream>
#include <mutex>
#include <stdexcept>
#include <thread>
#include <vector>

#include "platform/filewatch/file_system_watcher.h"

namespace fs = std::filesystem;
using dq::io::FileSystemEventArgs;
using dq::io::FileSystemWatcher;
using dq::io::FileWatchError;
using namespace std::chrono_literals;

namespace {

// A temporary folder with a watcher aimed at "script.txt" in it, recording what it reports.
struct WatcherTest : ::testing::Test {
    fs::path dir;
    std::mutex mutex;
    std::condition_variable changed;
    std::vector<fs::path> seen;
    FileSystemWatcher watcher; // last: destroyed first, before what its handler touches

    void SetUp() override {
        dir = fs::temp_directory_path() /
              ("dq-watch-" + std::to_string(::getpid()) + "-" +
               ::testing::UnitTest::GetInstance()->current_test_info()->name());
        fs::remove_all(dir);
        fs::create_directories(dir / "sub");
        Write(dir / "script.txt", "first");
        watcher.SetNotifyFilter(dq::io::NotifyFilterSize | dq::io::NotifyFilterLastWrite);
        watcher.SetChanged([this](FileSystemWatcher&, const FileSystemEventArgs& e) {
            std::lock_guard lock(mutex);
            seen.push_back(e.fullPath);
            changed.notify_all();
        });
        watcher.SetPath(dir);
        watcher.SetFilter("script.txt");
        watcher.SetEnableRaisingEvents(true);
    }
    void TearDown() override { fs::remove_all(dir); }

    static void Write(const fs::path& p, const std::string& text) {
        std::ofstream(p, std::ios::binary | std::ios::trunc) << text;
    }
    // Waits until n events have been seen (the bound only keeps a broken build from hanging).
    bool WaitFor(size_t n) {
        std::unique_lock lock(mutex);
        return changed.wait_for(lock, 10s, [&] { return seen.size() >= n; });
    }
    size_t Count() {
        std::lock_guard lock(mutex);
        return seen.size();
    }
};

} // namespace

TEST_F(WatcherTest, ReportsASavedFileWithItsFullPath) {
    Write(dir / "script.txt", "second");
    ASSERT_TRUE(WaitFor(1));
    std::lock_guard lock(mutex);
    EXPECT_EQ(seen[0], dir / "script.txt");
}

TEST_F(WatcherTest, OtherFilesAndSubFoldersAreNotReported) {
    Write(dir / "other.txt", "x");
    Write(dir / "sub" / "script.txt", "x");
    Write(dir / "script.txt", "marker"); // events arrive in order: this one must be the first
    ASSERT_TRUE(WaitFor(1));
    std::this_thread::sleep_for(100ms);
    EXPECT_EQ(Count(), 1u);
}

TEST_F(WatcherTest, ASaveByRenamingOverTheFileIsAChange) {
    Write(dir / "script.txt.tmp", "new contents");
    fs::rename(dir / "script.txt.tmp", dir / "script.txt");
    ASSERT_TRUE(WaitFor(1));
}

TEST_F(WatcherTest, NothingIsRaisedWhileSwitchedOff) {
    watcher.SetEnableRaisingEvents(false);
    Write(dir / "script.txt", "while off");
    std::this_thread::sleep_for(200ms);
    EXPECT_EQ(Count(), 0u);
}

TEST_F(WatcherTest, RetargetingMovesTheWatchToTheNewFolder) {
    fs::path other = dir / "sub";
    watcher.SetPath(other);
    Write(dir / "script.txt", "old folder");
    Write(other / "script.txt", "new folder");
    ASSERT_TRUE(WaitFor(1));
    std::this_thread::sleep_for(100ms);
    std::lock_guard lock(mutex);
    ASSERT_EQ(seen.size(), 1u);
    EXPECT_EQ(seen[0], other / "script.txt");
}

TEST_F(WatcherTest, AFolderThatDoesNotExistIsRefusedAndTheOldOneKept) {
    EXPECT_THROW(watcher.SetPath(dir / "missing"), FileWatchError);
    EXPECT_THROW(watcher.SetPath(""), FileWatchError);
    EXPECT_EQ(watcher.Path(), dir);
    Write(dir / "script.txt", "still watched");
    ASSERT_TRUE(WaitFor(1));
}

TEST(FileSystemWatcher, RaisingNeedsAFolder) {
    FileSystemWatcher watcher;
    EXPECT_THROW(watcher.SetEnableRaisingEvents(true), FileWatchError);
    EXPECT_FALSE(watcher.EnableRaisingEvents());
    EXPECT_THROW(watcher.SetIncludeSubdirectories(true), FileWatchError);
}

TEST_F(WatcherTest, SwitchingOffWaitsForAHandlerInProgress) {
    std::atomic<bool> entered{false}, release{false}, handlerDone{false};
    watcher.SetChanged([&](FileSystemWatcher&, const FileSystemEventArgs&) {
        entered = true;
        while (!release)
            std::this_thread::sleep_for(1ms);
        handlerDone = true;
    });
    Write(dir / "script.txt", "go");
    while (!entered)
        std::this_thread::sleep_for(1ms);
    std::atomic<bool> switchedOff{false};
    std::thread off([&] {
        watcher.SetEnableRaisingEvents(false);
        switchedOff = true;
        EXPECT_TRUE(handlerDone.load()); // no handler still running once it returns
    });
    std::this_thread::sleep_for(50ms);
    EXPECT_FALSE(switchedOff.load());
    release = true;
    off.join();
    EXPECT_TRUE(switchedOff.load());
}

TEST_F(WatcherTest, DestroyingWaitsForAHandlerInProgress) {
    auto own = std::make_unique<FileSystemWatcher>();
    std::atomic<bool> entered{false}, handlerDone{false};
    own->SetChanged([&](FileSystemWatcher&, const FileSystemEventArgs&) {
        entered = true;
        std::this_thread::sleep_for(100ms);
        handlerDone = true;
    });
    own->SetPath(dir);
    own->SetFilter("script.txt");
    own->SetEnableRaisingEvents(true);
    Write(dir / "script.txt", "go");
    while (!entered)
        std::this_thread::sleep_for(1ms);
    own.reset();
    EXPECT_TRUE(handlerDone.load());
}

// A writer at work (written, not yet closed) and a storm of saves give one report, once the
// file has been quiet; none in between.
TEST_F(WatcherTest, AStormOfRewritesIsReportedOnceItIsQuiet) {
#ifndef _WIN32
    // Only inotify says when a writer closes the file; Windows reports after the quiet time.
    {
        std::ofstream slow(dir / "script.txt", std::ios::binary | std::ios::trunc);
        for (int i = 0; i < 5; ++i) {
            slow << "part " << i << '\n' << std::flush;
            std::this_thread::sleep_for(80ms); // longer than the quiet time, but still open
        }
        EXPECT_EQ(Count(), 0u) << "reported while its writer still had it open";
    }
#endif
    for (int i = 0; i < 50; ++i)
        Write(dir / "script.txt", "rewrite " + std::to_string(i));
    ASSERT_TRUE(WaitFor(1));
    std::this_thread::sleep_for(300ms);
    // One report for fifty saves (each save is reported on its own without the quiet time); a
    // machine that stalls the writer for longer than the quiet time may show one or two more.
    EXPECT_LE(Count(), 3u);
}

// A handler that throws ends neither the process nor the watcher's thread.
TEST_F(WatcherTest, AHandlerThatThrowsDoesNotStopTheWatcher) {
    std::atomic<int> calls{0};
    watcher.SetChanged([&](FileSystemWatcher&, const FileSystemEventArgs&) {
        ++calls;
        std::lock_guard lock(mutex);
        seen.push_back({});
        changed.notify_all();
        throw std::runtime_error("a handler's failure");
    });
    Write(dir / "script.txt", "second");
    ASSERT_TRUE(WaitFor(1));
    Write(dir / "script.txt", "third");
    ASSERT_TRUE(WaitFor(2));
    EXPECT_EQ(calls, 2);
}
