// dq-overlay run as a child process, as a user runs it: arguments, standard input from the test
// (or nothing), standard error collected, the exit code (128 + N when killed by signal N).
#pragma once

#include <chrono>
#include <string>
#include <vector>

#include <sys/types.h>

class ToolProcess {
public:
    // Starts the tool. With feedStdin the test writes its standard input (else /dev/null); with
    // readStdout it reads its standard output (else /dev/null).
    // `environment` holds NAME=value settings added to the tool's environment; `program`
    // runs another program of the build instead of the tool.
    explicit ToolProcess(const std::vector<std::string>& args, bool feedStdin = false,
                         bool readStdout = false, const std::vector<std::string>& environment = {},
                         const std::string& program = DQ_OVERLAY_PATH);
    ~ToolProcess();
    ToolProcess(const ToolProcess&) = delete;
    ToolProcess& operator=(const ToolProcess&) = delete;

    // False when the tool no longer reads (it ended).
    bool Write(const void* data, size_t size);
    void CloseStdin();
    // Reads exactly `size` bytes of standard output; false at its end.
    bool Read(void* data, size_t size);
    // Reads standard error until it holds `text`; false when the tool ended first or the
    // generous limit passed (a hung build, not a measurement).
    bool WaitForStderr(const std::string& text);
    void Signal(int signal);
    int Wait();
    // Wait, for a tool that may hang: one still running after `patience` (far beyond any
    // reasonable run; a hang, not a measurement) is killed, and -1 returned.
    int WaitAtMost(std::chrono::seconds patience);
    // Waits until the tool's main thread blocks in the system call `number` (SYS_openat, ...);
    // false when it ended first or the patience ran out.
    bool WaitForBlockingCall(long number);
    pid_t Pid() const { return m_pid; }
    const std::string& Stderr() const { return m_stderr; }

private:
    // Appends what standard error has now; false at its end.
    bool ReadStderr(int timeoutMs);

    pid_t m_pid = -1;
    int m_stdin = -1;
    int m_stderrFd = -1;
    int m_stdout = -1;
    std::string m_stderr;
    int m_exitCode = -1;
};

struct ToolResult {
    int exitCode;
    std::string stderrText;
};

// Runs the tool (or another program) to its end.
ToolResult RunTool(const std::vector<std::string>& args,
                   const std::vector<std::string>& environment = {},
                   const std::string& program = DQ_OVERLAY_PATH);
