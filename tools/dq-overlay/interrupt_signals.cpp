#include "interrupt_signals.h"

#include <atomic>
#include <csignal>
#include <cstring>

#include <unistd.h>

#include "exit_codes.h"

namespace {

std::atomic<int> g_received{0};
// Two buffers, so that the handler never reads one being written: g_current names the one in use.
char g_paths[2][4096];
std::atomic<int> g_current{-1};

void OnSignal(int signal) {
    int expected = 0;
    if (g_received.compare_exchange_strong(expected, signal))
        return;
    // A second signal: the user does not want to wait for the clean stop.
    const int current = g_current.load();
    if (current >= 0)
        unlink(g_paths[current]);
    _exit(kExitSignalBase + signal);
}

} // namespace

void InterruptSignals::Install() {
    struct sigaction action = {};
    action.sa_handler = OnSignal;
    sigemptyset(&action.sa_mask);
    for (int signal : {SIGINT, SIGTERM, SIGHUP})
        sigaction(signal, &action, nullptr);
    std::signal(SIGPIPE, SIG_IGN);
}

int InterruptSignals::Received() {
    return g_received.load();
}

void InterruptSignals::SetTemporaryFile(const char* path) {
    if (path == nullptr || std::strlen(path) >= sizeof g_paths[0]) {
        g_current = -1;
        return;
    }
    const int next = g_current.load() == 0 ? 1 : 0;
    std::strcpy(g_paths[next], path);
    g_current = next;
}
