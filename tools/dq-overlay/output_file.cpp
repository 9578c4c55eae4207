#include "output_file.h"

#include <cerrno>
#include <cstdio>
#include <cstring>

#include <sys/stat.h>
#include <unistd.h>

#include "interrupt_signals.h"
#include "stale_partials.h"
#include "tool_error.h"

OutputFile::OutputFile(std::string path) : m_path(std::move(path)) {
    struct stat st = {};
    if (m_path == "-" ||
        (stat(m_path.c_str(), &st) == 0 && !S_ISREG(st.st_mode) && !S_ISDIR(st.st_mode))) {
        m_writePath = m_path;
        return;
    }
    if (stat(m_path.c_str(), &st) == 0 && S_ISDIR(st.st_mode))
        Fail(std::strerror(EISDIR));
    // A hidden sibling: the same file system, so the final rename is atomic.
    const size_t slash = m_path.rfind('/');
    const std::string folder = slash == std::string::npos ? "" : m_path.substr(0, slash + 1);
    const std::string name = slash == std::string::npos ? m_path : m_path.substr(slash + 1);
    RemoveStalePartials(m_path);
    m_writePath = folder + "." + name + "." + std::to_string(getpid()) + ".partial";
    InterruptSignals::AddTemporaryFile(m_writePath);
}

OutputFile::~OutputFile() {
    if (!m_done)
        Discard();
}

void OutputFile::Fail(const std::string& cause) const {
    throw ToolError(kExitOutput,
                    "cannot write " +
                        (m_path == "-" ? std::string("standard output") : "'" + m_path + "'") +
                        ": " + cause);
}

void OutputFile::Commit() {
    if (m_done)
        return;
    m_done = true;
    if (IsDirect())
        return;
    const bool renamed = std::rename(m_writePath.c_str(), m_path.c_str()) == 0;
    const int error = errno;
    if (!renamed)
        unlink(m_writePath.c_str());
    InterruptSignals::RemoveTemporaryFile(m_writePath);
    if (!renamed)
        Fail(std::strerror(error));
}

void OutputFile::Discard() {
    m_done = true;
    if (IsDirect())
        return;
    unlink(m_writePath.c_str());
    InterruptSignals::RemoveTemporaryFile(m_writePath);
}
