#include "platform/linux/dshow/graph_events.h"

#include <algorithm>
#include <chrono>

#include "platform/linux/kernel/kernel_events.h"
#include "platform/linux/win_error.h"

namespace dqplatform {

namespace {

// Waits on cv until done() holds or msTimeout (negative: for ever) has passed.
template <class Done>
bool WaitFor(std::condition_variable& cv, std::unique_lock<std::mutex>& lock, LONG msTimeout,
             Done done) {
    if (msTimeout < 0) {
        cv.wait(lock, done);
        return true;
    }
    return cv.wait_for(lock, std::chrono::milliseconds(msTimeout), done);
}

bool Contains(const std::vector<IBaseFilter*>& filters, IBaseFilter* filter) {
    return std::find(filters.begin(), filters.end(), filter) != filters.end();
}

} // namespace

GraphEvents::GraphEvents() : m_handle(CreateEventW(nullptr, TRUE, FALSE, nullptr)) {}

GraphEvents::~GraphEvents() {
    if (m_handle != nullptr)
        CloseHandle(m_handle);
}

void GraphEvents::Running(const std::vector<IBaseFilter*>& renderers) {
    std::lock_guard lock(m_mutex);
    m_state = State::Running;
    m_renderers = renderers;
    m_completed.clear();
    m_result = 0;
    CompleteIfDoneLocked();
}

void GraphEvents::Paused() {
    std::lock_guard lock(m_mutex);
    m_state = State::Paused;
}

void GraphEvents::Stopped() {
    std::lock_guard lock(m_mutex);
    m_state = State::Stopped;
    ++m_stopCount;
    m_completed.clear();
    m_result = 0;
    m_changed.notify_all();
}

bool GraphEvents::DefaultHandledLocked(LONG code) const {
    return std::find(m_cancelled.begin(), m_cancelled.end(), code) == m_cancelled.end();
}

void GraphEvents::PushLocked(const Event& event) {
    m_queue.push_back(event);
    if (m_handle != nullptr)
        SetEvent(m_handle);
    m_changed.notify_all();
}

void GraphEvents::CompleteIfDoneLocked() {
    if (m_result != 0 || m_state == State::Stopped)
        return;
    for (IBaseFilter* renderer : m_renderers)
        if (!Contains(m_completed, renderer))
            return;
    m_result = EC_COMPLETE;
    if (DefaultHandledLocked(EC_COMPLETE))
        PushLocked({EC_COMPLETE, S_OK, 0});
    m_changed.notify_all();
}

HRESULT GraphEvents::Notify(LONG code, LONG_PTR param1, LONG_PTR param2) {
    std::lock_guard lock(m_mutex);
    switch (code) {
    case EC_COMPLETE: {
        // A renderer names itself in the second parameter; one that does not cannot be
        // counted, so its event is passed on as it is.
        auto* sender = reinterpret_cast<IBaseFilter*>(param2);
        if (sender == nullptr || !DefaultHandledLocked(EC_COMPLETE))
            PushLocked({code, param1, param2});
        if (sender != nullptr && m_state != State::Stopped && !Contains(m_completed, sender)) {
            m_completed.push_back(sender);
            CompleteIfDoneLocked();
        }
        break;
    }
    case EC_ERRORABORT:
    case EC_USERABORT:
        PushLocked({code, param1, param2});
        if (m_result == 0 && m_state != State::Stopped) {
            m_result = code;
            m_changed.notify_all();
        }
        break;
    default:
        PushLocked({code, param1, param2});
        break;
    }
    return S_OK;
}

HRESULT GraphEvents::GetEvent(LONG* code, LONG_PTR* param1, LONG_PTR* param2, LONG msTimeout) {
    if (code == nullptr || param1 == nullptr || param2 == nullptr)
        return E_POINTER;
    *code = 0;
    *param1 = *param2 = 0;
    std::unique_lock lock(m_mutex);
    if (!WaitFor(m_changed, lock, msTimeout, [&] { return !m_queue.empty(); }))
        return E_ABORT;
    const Event event = m_queue.front();
    m_queue.pop_front();
    if (m_queue.empty() && m_handle != nullptr)
        ResetEvent(m_handle);
    *code = event.code;
    *param1 = event.param1;
    *param2 = event.param2;
    return S_OK;
}

HRESULT GraphEvents::WaitForCompletion(LONG msTimeout, LONG* code) {
    if (code == nullptr)
        return E_POINTER;
    *code = 0;
    std::unique_lock lock(m_mutex);
    if (m_state != State::Running)
        return VFW_E_WRONG_STATE;
    const unsigned stops = m_stopCount;
    if (!WaitFor(m_changed, lock, msTimeout, [&] { return m_result != 0 || m_stopCount != stops; }))
        return E_ABORT;
    if (m_result == 0)
        return VFW_E_WRONG_STATE; // stopped while waiting
    *code = m_result;
    return S_OK;
}

HRESULT GraphEvents::CancelDefaultHandling(LONG code) {
    std::lock_guard lock(m_mutex);
    if (DefaultHandledLocked(code))
        m_cancelled.push_back(code);
    return S_OK;
}

HRESULT GraphEvents::RestoreDefaultHandling(LONG code) {
    std::lock_guard lock(m_mutex);
    m_cancelled.erase(std::remove(m_cancelled.begin(), m_cancelled.end(), code), m_cancelled.end());
    return S_OK;
}

} // namespace dqplatform
