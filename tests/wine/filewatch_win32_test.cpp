// The file-change service on Windows, beyond the shared watcher tests: names compare as the file
// system compares them, a save made of several writes ends in a report that sees all of it, and
// re-targeting (here the watcher goes before its folders do: Windows keeps a watched folder).
#include <gtest/gtest.h>

#include <windows.h>

#include <chrono>
#include <condition_variable>
#include <fstream>
#include <mutex>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#include "platform/filewatch/file_system_watcher.h"

namespace fs = std::filesystem;
using dq::io::FileSystemEventArgs;
using dq::io::FileSystemWatcher;
using namespace std::chrono_literals;

namespace {

struct Seen {
    std::mutex mutex;
    std::condition_variable changed;
    std::vector<std::string> contents; // the file as each report found it

    void Add(const fs::path& file) {
        std::ifstream in(file, std::ios::binary);
        std::stringstream text;
        text << in.rdbuf();
        std::lock_guard lock(mutex);
        contents.push_back(text.str());
        changed.notify_all();
    }
    // Waits for a report that found `text` (the bound only keeps a broken build from hanging).
    bool WaitFor(const std::string& text) {
        std::unique_lock lock(mutex);
        return changed.wait_for(lock, 10s,
                                [&] { return !contents.empty() && contents.back() == text; });
    }
};

fs::path Folder(const char* name) {
    const fs::path dir = fs::temp_directory_path() / name;
    fs::remove_all(dir);
    fs::create_directories(dir / "sub");
    return dir;
}

TEST(Win32FileWatcher, NamesCompareWithoutCase) {
    const fs::path dir = Folder("dq-watch-case");
    {
        Seen seen;
        FileSystemWatcher watcher;
        watcher.SetChanged(
            [&](FileSystemWatcher&, const FileSystemEventArgs& e) { seen.Add(e.fullPath); });
        watcher.SetPath(dir);
        watcher.SetFilter("Script.TXT");
        watcher.SetEnableRaisingEvents(true);
        std::ofstream(dir / "script.txt") << "lower case";
        EXPECT_TRUE(seen.WaitFor("lower case"));
    }
    fs::remove_all(dir);
}

TEST(Win32FileWatcher, ASaveInSeveralWritesIsSeenWhole) {
    const fs::path dir = Folder("dq-watch-writes");
    {
        Seen seen;
        FileSystemWatcher watcher;
        watcher.SetChanged(
            [&](FileSystemWatcher&, const FileSystemEventArgs& e) { seen.Add(e.fullPath); });
        watcher.SetPath(dir);
        watcher.SetFilter("script.txt");
        watcher.SetEnableRaisingEvents(true);
        std::string whole;
        {
            std::ofstream out(dir / "script.txt", std::ios::binary);
            for (int i = 0; i < 20; ++i) {
                const std::string block(4096, char('a' + i));
                out << block << std::flush;
                whole += block;
            }
        }
        EXPECT_TRUE(seen.WaitFor(whole));
    }
    fs::remove_all(dir);
}

TEST(Win32FileWatcher, RetargetingMovesTheWatchToTheNewFolder) {
    const fs::path dir = Folder("dq-watch-retarget");
    {
        Seen seen;
        FileSystemWatcher watcher;
        watcher.SetChanged(
            [&](FileSystemWatcher&, const FileSystemEventArgs& e) { seen.Add(e.fullPath); });
        watcher.SetPath(dir);
        watcher.SetFilter("script.txt");
        watcher.SetEnableRaisingEvents(true);
        watcher.SetPath(dir / "sub");
        std::ofstream(dir / "script.txt") << "old folder";
        std::ofstream(dir / "sub" / "script.txt") << "new folder";
        ASSERT_TRUE(seen.WaitFor("new folder"));
        std::this_thread::sleep_for(200ms);
        std::lock_guard lock(seen.mutex);
        for (const std::string& text : seen.contents)
            EXPECT_EQ(text, "new folder");
    }
    fs::remove_all(dir);
}

} // namespace
