#include "blocking_call.h"

#include <chrono>
#include <condition_variable>
#include <csignal>
#include <mutex>
#include <thread>

#include "interrupt_signals.h"

namespace {

// The wake-up signal: ignored by default, so one that comes before the handler is harmless.
constexpr int kWakeSignal = SIGURG;
constexpr auto kRepeat = std::chrono::milliseconds(10);

void OnWake(int) {}

struct Registry {
    std::mutex mutex;
    std::condition_variable changed;
    std::list<BlockingCall::Entry> calls;
    bool waking = false;
    bool started = false;
};

Registry& TheRegistry() {
    static Registry* registry = new Registry; // lives as long as the detached thread using it
    return *registry;
}

bool ToStop(const BlockingCall::Entry& entry) {
    return InterruptSignals::Received() != 0 || (entry.stop != nullptr && entry.stop->load());
}

void Nudge() {
    Registry& r = TheRegistry();
    std::unique_lock lock(r.mutex);
    for (;;) {
        r.changed.wait(lock, [&] { return r.waking; });
        bool any = false;
        // Under the mutex: a registered thread cannot leave its call, nor end, meanwhile.
        for (const BlockingCall::Entry& entry : r.calls)
            if (ToStop(entry)) {
                pthread_kill(entry.thread, kWakeSignal);
                any = true;
            }
        if (!any)
            r.waking = false;
        else
            r.changed.wait_for(lock, kRepeat);
    }
}

} // namespace

BlockingCall::BlockingCall(const std::atomic<bool>* stop) {
    Registry& r = TheRegistry();
    std::lock_guard lock(r.mutex);
    m_entry = r.calls.insert(r.calls.end(), Entry{pthread_self(), stop});
}

BlockingCall::~BlockingCall() {
    Registry& r = TheRegistry();
    std::lock_guard lock(r.mutex);
    r.calls.erase(m_entry);
}

void BlockingCall::WakeAll() {
    Registry& r = TheRegistry();
    std::lock_guard lock(r.mutex);
    if (!r.started) {
        struct sigaction action = {};
        action.sa_handler = OnWake;
        sigemptyset(&action.sa_mask);
        sigaction(kWakeSignal, &action, nullptr); // no SA_RESTART: the call fails with EINTR
        std::thread(Nudge).detach();
        r.started = true;
    }
    r.waking = true;
    r.changed.notify_all();
}
