#include "interrupt_signals.h"

#include <atomic>
#include <cerrno>
#include <chrono>
#include <csignal>
#include <cstdio>
#include <mutex>
#include <set>
#include <thread>

#include <fcntl.h>
#include <poll.h>
#include <unistd.h>

#include "blocking_call.h"
#include "exit_codes.h"

namespace {

std::atomic<int> g_received{0};
std::atomic<int> g_count{0};
int g_pipe[2] = {-1, -1}; // the handler writes a byte; the watcher reads it

// 0: nobody has ended the run yet; 1: the run ends by itself; 2: the watcher ends it.
std::atomic<int> g_ending{0};

std::mutex g_mutex; // guards the two below
std::set<std::string> g_temporaryFiles;
std::string g_outputName;

void OnSignal(int signal) {
    const int saved = errno;
    int expected = 0;
    g_received.compare_exchange_strong(expected, signal);
    g_count.fetch_add(1);
    const char byte = 1;
    [[maybe_unused]] const ssize_t n = write(g_pipe[1], &byte, 1);
    errno = saved;
}

// Ends the process now: the temporary files go, and the user is told unless the run did so.
[[noreturn]] void EndNow() {
    int expected = 0;
    const bool tell = g_ending.compare_exchange_strong(expected, 2);
    std::lock_guard lock(g_mutex);
    for (const std::string& path : g_temporaryFiles)
        unlink(path.c_str());
    if (tell) {
        const std::string line = "dq-overlay: interrupted; " +
                                 (g_outputName.empty() ? std::string("nothing") : g_outputName) +
                                 " not written\n";
        [[maybe_unused]] const ssize_t n = write(STDERR_FILENO, line.data(), line.size());
    }
    _exit(kExitSignalBase + g_received.load());
}

void Watch() {
    using Clock = std::chrono::steady_clock;
    Clock::time_point deadline{};
    for (;;) {
        int timeout = -1;
        if (g_received.load() != 0) {
            const auto left =
                std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now())
                    .count();
            timeout = int(std::max<long long>(0, left));
        }
        pollfd p = {g_pipe[0], POLLIN, 0};
        if (poll(&p, 1, timeout) > 0) {
            char bytes[16];
            while (read(g_pipe[0], bytes, sizeof bytes) > 0) {
            }
            if (deadline == Clock::time_point{}) {
                deadline = Clock::now() + std::chrono::milliseconds(InterruptSignals::kGraceMs);
                BlockingCall::WakeAll();
            }
        }
        if (g_count.load() >= 2 ||
            (g_received.load() != 0 && Clock::now() >= deadline && g_ending.load() == 0))
            EndNow();
        if (g_ending.load() == 1 && g_count.load() < 2)
            deadline = Clock::now() + std::chrono::hours(24); // only a second signal now
    }
}

} // namespace

void InterruptSignals::Install() {
    if (g_pipe[0] >= 0)
        return;
    if (pipe2(g_pipe, O_CLOEXEC | O_NONBLOCK) != 0)
        g_pipe[0] = g_pipe[1] = -1;
    struct sigaction action = {};
    action.sa_handler = OnSignal;
    sigemptyset(&action.sa_mask);
    // No SA_RESTART: a blocking call of the thread that takes the signal fails with EINTR.
    for (int signal : {SIGINT, SIGTERM, SIGHUP})
        sigaction(signal, &action, nullptr);
    std::signal(SIGPIPE, SIG_IGN);
    if (g_pipe[0] >= 0)
        std::thread(Watch).detach();
}

int InterruptSignals::Received() {
    return g_received.load();
}

void InterruptSignals::AddTemporaryFile(const std::string& path) {
    std::lock_guard lock(g_mutex);
    g_temporaryFiles.insert(path);
}

void InterruptSignals::RemoveTemporaryFile(const std::string& path) {
    std::lock_guard lock(g_mutex);
    g_temporaryFiles.erase(path);
}

void InterruptSignals::SetOutputName(const std::string& shown) {
    std::lock_guard lock(g_mutex);
    g_outputName = shown;
}

bool InterruptSignals::TakeOverEnding() {
    int expected = 0;
    return g_ending.compare_exchange_strong(expected, 1) || expected == 1;
}
