#include "script_monitor.h"

#include "drawlib/draw_quorbit.h"
#include "platform/filewatch/file_system_watcher.h"
#include "tool_error.h"

ScriptMonitor::ScriptMonitor(std::filesystem::path script, int width, int height)
    : m_script(std::move(script)), m_draw(std::make_unique<DrawQuorbit>(1, 1)) {
    m_draw->width(width);
    m_draw->height(height);
}

ScriptMonitor::~ScriptMonitor() {
    m_watcher.reset(); // waits for a check running on the watcher's thread
}

std::string ScriptMonitor::Check() {
    std::lock_guard lock(m_mutex);
    try {
        m_draw->load_data(m_script);
        m_lastMessage.clear();
    } catch (const ScriptError& e) {
        m_lastMessage = e.what();
    }
    return m_lastMessage;
}

void ScriptMonitor::Watch() {
    try {
        m_watcher = std::make_unique<dq::io::FileSystemWatcher>();
        m_watcher->SetNotifyFilter(dq::io::NotifyFilterSize | dq::io::NotifyFilterLastWrite);
        m_watcher->SetChanged([this](dq::io::FileSystemWatcher&,
                                     const dq::io::FileSystemEventArgs&) { OnChanged(); });
        m_watcher->SetPath(m_script.parent_path());
        m_watcher->SetFilter(m_script.filename());
        m_watcher->SetEnableRaisingEvents(true);
    } catch (const std::exception& e) {
        throw ToolError(kExitScript,
                        "cannot watch '" + m_script.string() + "' for changes: " + e.what());
    }
}

void ScriptMonitor::OnChanged() {
    const std::string before = [&] {
        std::lock_guard lock(m_mutex);
        return m_lastMessage;
    }();
    const std::string now = Check();
    if (now == before)
        return; // the same failure is reported once, and a good script needs no word
    std::lock_guard lock(m_mutex);
    m_report = now.empty() ? "script reloaded: " + m_script.filename().string()
                           : now + " (shown on the video until the script loads)";
}

std::optional<std::string> ScriptMonitor::TakeReport() {
    std::lock_guard lock(m_mutex);
    std::optional<std::string> report;
    report.swap(m_report);
    return report;
}
