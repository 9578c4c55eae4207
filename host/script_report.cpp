#include "script_report.h"

#include "filter/i_direct_quorbit_load_report.h"
#include "wide_text.h"

namespace {

std::vector<std::string> SplitLines(const std::string& text) {
    std::vector<std::string> lines;
    for (size_t begin = 0; begin < text.size();) {
        size_t end = text.find('\n', begin);
        if (end == std::string::npos)
            end = text.size();
        lines.push_back(text.substr(begin, end - begin));
        begin = end + 1;
    }
    return lines;
}

} // namespace

ScriptReport::ScriptReport(IUnknown* overlay, size_t shownWarnings)
    : m_shownWarnings(shownWarnings) {
    void* report = nullptr;
    if (overlay != nullptr &&
        SUCCEEDED(overlay->QueryInterface(IID_IDirectQuorbitLoadReport, &report)))
        m_report = static_cast<IDirectQuorbitLoadReport*>(report);
}

ScriptReport::~ScriptReport() {
    if (m_report != nullptr)
        m_report->Release();
}

std::optional<ScriptReport::Load> ScriptReport::Latest() const {
    if (m_report == nullptr)
        return std::nullopt;
    ULONG loads = 0, warnings = 0;
    HRESULT result = S_FALSE;
    WCHAR* text = nullptr;
    const ULONG wanted = m_shownWarnings > ULONG(-1) ? ULONG(-1) : ULONG(m_shownWarnings);
    const HRESULT hr = m_report->GetLastLoad(wanted, &loads, &result, &warnings, &text);
    std::string utf8 = text != nullptr ? Utf8(text) : std::string();
    CoTaskMemFree(text);
    if (FAILED(hr) || result == S_FALSE || loads == 0)
        return std::nullopt;
    Load load;
    load.number = loads;
    load.loaded = SUCCEEDED(result);
    load.warningCount = warnings;
    if (load.loaded)
        load.warnings = SplitLines(utf8);
    else
        load.message = std::move(utf8);
    return load;
}

std::vector<std::string> ScriptReport::WarningLines(const Load& load) const {
    std::vector<std::string> lines = load.warnings;
    if (load.warningCount > lines.size()) {
        const size_t more = load.warningCount - lines.size();
        lines.push_back("and " + std::to_string(more) + " more warning" + (more == 1 ? "" : "s") +
                        (lines.size() < m_shownWarnings ? "" : " (--verbose shows them all)"));
    }
    return lines;
}

std::vector<std::string> ScriptReport::TakeNews(const std::string& scriptName) {
    std::vector<std::string> news;
    // Asked for every frame by some hosts: the count alone tells whether there is anything new.
    ULONG loads = 0;
    if (m_started && m_report != nullptr &&
        SUCCEEDED(m_report->GetLastLoad(0, &loads, nullptr, nullptr, nullptr)) &&
        loads == m_seenLoads)
        return news;
    const std::optional<Load> load = Latest();
    if (!load || (m_started && load->number == m_seenLoads))
        return news;
    const bool first = !m_started;
    m_started = true;
    m_seenLoads = load->number;
    const std::string before = m_lastMessage;
    m_lastMessage = load->loaded ? std::string() : load->message;
    if (first)
        return news;
    if (!load->loaded) {
        if (load->message != before) // the same failure is reported once
            news.push_back(load->message + " (shown on the video until the script loads)");
        return news;
    }
    if (!before.empty() || load->warningCount > 0)
        news.push_back("script reloaded: " + scriptName);
    for (std::string& line : WarningLines(*load))
        news.push_back(std::move(line));
    return news;
}
