// What the overlay filter's own load of the script said, put into lines for the user: why the
// script does not load, or what a subtitle file's reader passed over. A host never loads the
// script itself; it asks the filter after each load (IDirectQuorbitLoadReport) and keeps nothing
// of the script.
#pragma once

#include <cstddef>
#include <optional>
#include <string>
#include <vector>

#include "platform/platform.h"

struct IDirectQuorbitLoadReport;

class ScriptReport {
public:
    // overlay: the filter (its report interface is held for the report's life). Warnings after
    // the first shownWarnings are counted, not listed.
    ScriptReport(IUnknown* overlay, size_t shownWarnings);
    ~ScriptReport();
    ScriptReport(const ScriptReport&) = delete;
    ScriptReport& operator=(const ScriptReport&) = delete;

    struct Load {
        unsigned long number = 0; // loads the filter finished so far
        bool loaded = false;
        std::string message;               // a failure's
        std::vector<std::string> warnings; // the first ones, "file:line: message"
        size_t warningCount = 0;
    };
    // The filter's latest load; nothing when the filter does not say (a filter from an older
    // module) or has not loaded yet.
    std::optional<Load> Latest() const;

    // The warnings of load as printed: the shown ones, then how many more there were.
    std::vector<std::string> WarningLines(const Load& load) const;

    // For --watch, asked now and then: what to print about the loads since the last call (a
    // failure once, however often the file is saved broken; the recovery; a reload's warnings).
    // The first call only takes note of the load at the start, which the caller reported.
    std::vector<std::string> TakeNews(const std::string& scriptName);

private:
    IDirectQuorbitLoadReport* m_report = nullptr;
    size_t m_shownWarnings;
    bool m_started = false;
    unsigned long m_seenLoads = 0;
    std::string m_lastMessage; // of the latest load seen; empty when it loaded
};
