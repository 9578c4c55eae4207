// A system call that may block for as long as its peer likes (opening a FIFO, reading a stalled
// pipe, writing to a pipe nobody reads), made cancellable. While a BlockingCall lives, its thread
// is nudged with a signal whose handler does nothing (so the call fails with EINTR) once the run
// is interrupted by a signal, or once the given stop flag is set and WakeAll is called. The code
// around the call sees EINTR, checks why, and gives up or carries on. The nudge repeats every few
// milliseconds until the call is left, so a signal that lands just before the call cannot be
// lost.
#pragma once

#include <atomic>
#include <list>

#include <pthread.h>

class BlockingCall {
public:
    // `stop` (may be null: only a signal stops the call) must outlive this object.
    explicit BlockingCall(const std::atomic<bool>* stop = nullptr);
    ~BlockingCall();
    BlockingCall(const BlockingCall&) = delete;
    BlockingCall& operator=(const BlockingCall&) = delete;

    // Nudges every call that is to stop now, and keeps nudging until they are left.
    static void WakeAll();

    struct Entry {
        pthread_t thread;
        const std::atomic<bool>* stop;
    };

private:
    std::list<Entry>::iterator m_entry;
};
