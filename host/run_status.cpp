#include "run_status.h"

void RunStatus::Fail(int exitCode, const std::string& message) {
    std::lock_guard lock(m_mutex);
    if (m_failed)
        return;
    m_exitCode = exitCode;
    m_message = message;
    m_failed = true;
}

int RunStatus::ExitCode() const {
    std::lock_guard lock(m_mutex);
    return m_exitCode;
}

std::string RunStatus::Message() const {
    std::lock_guard lock(m_mutex);
    return m_message;
}
