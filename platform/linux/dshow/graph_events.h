// The filter graph's event side: the queue an application reads with GetEvent, and the
// completion the graph reports once every renderer has finished. Its lock is a leaf: it is
// never held while anything outside this class is called, so filters may notify from their
// streaming threads while the graph's control thread changes state. Internal to the platform.
#pragma once

#include <condition_variable>
#include <deque>
#include <mutex>
#include <vector>

#include "platform/linux/dshow/dshow_interfaces.h"

namespace dqplatform {

class GraphEvents {
public:
    GraphEvents();
    ~GraphEvents();
    GraphEvents(const GraphEvents&) = delete;
    GraphEvents& operator=(const GraphEvents&) = delete;

    // The graph starts running: renderers (compared by pointer with the EC_COMPLETE senders)
    // must each send EC_COMPLETE before the graph completes. With none, it completes at once.
    void Running(const std::vector<IBaseFilter*>& renderers);
    void Paused();
    // Wakes WaitForCompletion, which then fails: nothing will complete a stopped graph.
    void Stopped();

    HRESULT Notify(LONG code, LONG_PTR param1, LONG_PTR param2);
    HRESULT GetEvent(LONG* code, LONG_PTR* param1, LONG_PTR* param2, LONG msTimeout);
    HRESULT WaitForCompletion(LONG msTimeout, LONG* code);
    // Only EC_COMPLETE is handled by default: while that is cancelled, each renderer's own
    // EC_COMPLETE goes to the queue instead of the one for the whole graph.
    HRESULT CancelDefaultHandling(LONG code);
    HRESULT RestoreDefaultHandling(LONG code);
    // Manual-reset, signalled while the queue holds an event.
    HANDLE Handle() const { return m_handle; }

private:
    struct Event {
        LONG code;
        LONG_PTR param1;
        LONG_PTR param2;
    };
    enum class State { Stopped, Paused, Running };

    void PushLocked(const Event& event);
    void CompleteIfDoneLocked();
    bool DefaultHandledLocked(LONG code) const;

    std::mutex m_mutex;
    std::condition_variable m_changed;
    std::deque<Event> m_queue;
    HANDLE m_handle;
    State m_state = State::Stopped;
    unsigned m_stopCount = 0;
    std::vector<IBaseFilter*> m_renderers;
    std::vector<IBaseFilter*> m_completed;
    LONG m_result = 0; // EC_COMPLETE, EC_ERRORABORT or EC_USERABORT since the last Run; 0 before
    std::vector<LONG> m_cancelled;
};

} // namespace dqplatform
