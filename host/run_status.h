// What the threads of one run share: the first failure (the one the user is told about), whether
// the run is to stop, and how many frames have been written.
#pragma once

#include <atomic>
#include <cstdint>
#include <mutex>
#include <string>

class RunStatus {
public:
    // Keeps the first failure; later ones are usually its consequences and are dropped.
    void Fail(int exitCode, const std::string& message);
    bool Failed() const { return m_failed.load(); }
    int ExitCode() const;
    std::string Message() const;

    // The run is interrupted: readers and writers stop at the next frame.
    void Cancel() { m_cancelled = true; }
    bool Cancelled() const { return m_cancelled.load(); }
    bool StopRequested() const { return Failed() || Cancelled(); }

    void FrameWritten() { ++m_framesWritten; }
    int64_t FramesWritten() const { return m_framesWritten.load(); }

private:
    mutable std::mutex m_mutex; // guards m_exitCode and m_message
    std::atomic<bool> m_failed{false};
    std::atomic<bool> m_cancelled{false};
    std::atomic<int64_t> m_framesWritten{0};
    int m_exitCode = 0;
    std::string m_message;
};
