#include "tool_process.h"

#include <cerrno>
#include <chrono>
#include <csignal>
#include <cstdlib>
#include <fstream>
#include <string>

#include <fcntl.h>
#include <poll.h>
#include <sys/wait.h>
#include <unistd.h>

namespace {

// Only keeps a broken build from hanging the suite.
constexpr auto kPatience = std::chrono::seconds(120);

} // namespace

ToolProcess::ToolProcess(const std::vector<std::string>& args, bool feedStdin, bool readStdout,
                         const std::vector<std::string>& environment, const std::string& program) {
    // Under the sanitizers the tool's standard error must hold only what the tool says.
    const char* lsan = std::getenv("LSAN_OPTIONS");
    std::string options = lsan ? lsan : "";
    if (options.find("print_suppressions") == std::string::npos)
        setenv("LSAN_OPTIONS",
               (options + (options.empty() ? "" : ":") + "print_suppressions=0").c_str(), 1);
    int in[2] = {-1, -1}, out[2] = {-1, -1}, err[2] = {-1, -1};
    if (feedStdin && pipe2(in, O_CLOEXEC) != 0)
        std::abort();
    if (readStdout && pipe2(out, O_CLOEXEC) != 0)
        std::abort();
    if (pipe2(err, O_CLOEXEC) != 0)
        std::abort();
    m_pid = fork();
    if (m_pid == 0) {
        const int input = feedStdin ? in[0] : open("/dev/null", O_RDONLY);
        dup2(input, STDIN_FILENO);
        dup2(readStdout ? out[1] : open("/dev/null", O_WRONLY), STDOUT_FILENO);
        dup2(err[1], STDERR_FILENO);
        for (const std::string& setting : environment)
            putenv(const_cast<char*>(setting.c_str()));
        std::vector<char*> argv;
        argv.push_back(const_cast<char*>(program.c_str()));
        for (const std::string& a : args)
            argv.push_back(const_cast<char*>(a.c_str()));
        argv.push_back(nullptr);
        execv(program.c_str(), argv.data());
        _exit(127);
    }
    if (feedStdin) {
        close(in[0]);
        m_stdin = in[1];
    }
    if (readStdout) {
        close(out[1]);
        m_stdout = out[0];
    }
    close(err[1]);
    m_stderrFd = err[0];
}

ToolProcess::~ToolProcess() {
    if (m_exitCode < 0 && m_pid > 0) {
        kill(m_pid, SIGKILL);
        Wait();
    }
    CloseStdin();
    if (m_stderrFd >= 0)
        close(m_stderrFd);
    if (m_stdout >= 0)
        close(m_stdout);
}

bool ToolProcess::Read(void* data, size_t size) {
    char* p = static_cast<char*>(data);
    while (size > 0) {
        const ssize_t n = read(m_stdout, p, size);
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0)
            return false;
        p += n;
        size -= size_t(n);
    }
    return true;
}

bool ToolProcess::Write(const void* data, size_t size) {
    const char* p = static_cast<const char*>(data);
    while (size > 0) {
        const ssize_t n = write(m_stdin, p, size);
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0)
            return false;
        p += n;
        size -= size_t(n);
    }
    return true;
}

void ToolProcess::CloseStdin() {
    if (m_stdin >= 0)
        close(m_stdin);
    m_stdin = -1;
}

bool ToolProcess::ReadStderr(int timeoutMs) {
    if (m_stderrFd < 0)
        return false;
    pollfd p = {m_stderrFd, POLLIN, 0};
    if (poll(&p, 1, timeoutMs) <= 0)
        return true;
    char buffer[4096];
    const ssize_t n = read(m_stderrFd, buffer, sizeof buffer);
    if (n <= 0) {
        close(m_stderrFd);
        m_stderrFd = -1;
        return false;
    }
    m_stderr.append(buffer, size_t(n));
    return true;
}

bool ToolProcess::WaitForStderr(const std::string& text) {
    const auto deadline = std::chrono::steady_clock::now() + kPatience;
    while (m_stderr.find(text) == std::string::npos) {
        if (std::chrono::steady_clock::now() > deadline || !ReadStderr(100))
            return m_stderr.find(text) != std::string::npos;
    }
    return true;
}

void ToolProcess::Signal(int signal) {
    kill(m_pid, signal);
}

int ToolProcess::WaitAtMost(std::chrono::seconds patience) {
    if (m_exitCode >= 0)
        return m_exitCode;
    CloseStdin();
    const auto deadline = std::chrono::steady_clock::now() + patience;
    int status = 0;
    for (;;) {
        ReadStderr(20);
        const pid_t done = waitpid(m_pid, &status, WNOHANG);
        if (done == m_pid)
            break;
        if (std::chrono::steady_clock::now() > deadline) {
            kill(m_pid, SIGKILL);
            Wait();
            return -1;
        }
    }
    while (ReadStderr(0)) {
    }
    m_exitCode = WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
    return m_exitCode;
}

bool ToolProcess::WaitForBlockingCall(long number) {
    const std::string path = "/proc/" + std::to_string(m_pid) + "/syscall";
    const auto deadline = std::chrono::steady_clock::now() + kPatience;
    const std::string stat = "/proc/" + std::to_string(m_pid) + "/stat";
    while (std::chrono::steady_clock::now() < deadline) {
        std::string state;
        std::ifstream(stat) >> state >> state >> state; // pid (name) state
        if (state.empty() || state == "Z")
            return false;    // ended
        std::string current; // a number, or "running"
        std::ifstream(path) >> current;
        if (current == std::to_string(number))
            return true;
        ReadStderr(20);
    }
    return false;
}

int ToolProcess::Wait() {
    if (m_exitCode >= 0)
        return m_exitCode;
    CloseStdin();
    while (ReadStderr(-1)) {
    }
    int status = 0;
    while (waitpid(m_pid, &status, 0) < 0 && errno == EINTR) {
    }
    m_exitCode = WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
    return m_exitCode;
}

ToolResult RunTool(const std::vector<std::string>& args,
                   const std::vector<std::string>& environment, const std::string& program) {
    ToolProcess tool(args, false, false, environment, program);
    const int code = tool.Wait();
    return {code, tool.Stderr()};
}
