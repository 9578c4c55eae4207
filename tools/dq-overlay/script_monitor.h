// Tells the user why the script does not load. The filter shows a load failure only on the video;
// the tool checks the script itself, with the drawing library the filter uses at the frame size
// the filter uses, to put the same message on standard error. With --watch it checks again on
// every change of the file and keeps each new failure for the main thread to report once.
#pragma once

#include <filesystem>
#include <memory>
#include <mutex>
#include <optional>
#include <string>

class DrawQuorbit;
namespace dq::io {
class FileSystemWatcher;
}

class ScriptMonitor {
public:
    ScriptMonitor(std::filesystem::path script, int width, int height);
    ~ScriptMonitor();

    // The message of a load of the script now; empty when it loads.
    std::string Check();

    // Checks the script again whenever the file changes. Throws ToolError when the folder
    // cannot be watched.
    void Watch();
    // A failure or a recovery seen since the last call: the line to print, once.
    std::optional<std::string> TakeReport();

private:
    void OnChanged();

    std::filesystem::path m_script;
    std::mutex m_mutex; // guards what follows; the watcher's thread checks under it
    std::unique_ptr<DrawQuorbit> m_draw;
    std::string m_lastMessage; // of the last check
    std::optional<std::string> m_report;
    std::unique_ptr<dq::io::FileSystemWatcher> m_watcher; // last: stops before the rest goes
};
