// The system reference clock: the monotonic clock of the machine in 100 ns units, with advise
// requests served by a worker thread started on the first request.
#include <algorithm>
#include <chrono>
#include <condition_variable>
#include <mutex>
#include <new>
#include <system_error>
#include <thread>
#include <vector>

#include "platform/linux/com/ref_counted.h"
#include "platform/linux/dshow/dshow_interfaces.h"
#include "platform/linux/dshow/runtime_classes.h"
#include "platform/linux/kernel/kernel.h"
#include "platform/linux/kernel/kernel_events.h"
#include "platform/linux/win_error.h"

namespace dqplatform {

namespace {

using Steady = std::chrono::steady_clock;

// Reference time 0 is the steady clock's epoch, so a deadline converts without drift.
REFERENCE_TIME SteadyNow() {
    return std::chrono::duration_cast<std::chrono::nanoseconds>(Steady::now().time_since_epoch())
               .count() /
           100;
}

class SystemClock final
    : public dqplatform::SingleInterfaceObject<IReferenceClock, IID_IReferenceClock> {
public:
    // Never goes backwards; S_FALSE when the time is the same as the last one returned.
    STDMETHODIMP GetTime(REFERENCE_TIME* pTime) override {
        if (pTime == nullptr)
            return E_POINTER;
        REFERENCE_TIME now = SteadyNow();
        REFERENCE_TIME last = __atomic_load_n(&m_last, __ATOMIC_SEQ_CST);
        while (now > last && !__atomic_compare_exchange_n(&m_last, &last, now, false,
                                                          __ATOMIC_SEQ_CST, __ATOMIC_SEQ_CST)) {
        }
        if (now <= last) {
            *pTime = last;
            return S_FALSE;
        }
        *pTime = now;
        return S_OK;
    }

    STDMETHODIMP AdviseTime(REFERENCE_TIME baseTime, REFERENCE_TIME streamTime, HEVENT hEvent,
                            DWORD_PTR* pdwAdviseCookie) override {
        if (pdwAdviseCookie == nullptr)
            return E_POINTER;
        *pdwAdviseCookie = 0;
        REFERENCE_TIME due;
        if (hEvent == 0 || __builtin_add_overflow(baseTime, streamTime, &due) || due <= 0)
            return E_INVALIDARG;
        return Add(due, 0, reinterpret_cast<HANDLE>(hEvent), pdwAdviseCookie);
    }

    STDMETHODIMP AdvisePeriodic(REFERENCE_TIME startTime, REFERENCE_TIME periodTime,
                                HSEMAPHORE hSemaphore, DWORD_PTR* pdwAdviseCookie) override {
        if (pdwAdviseCookie == nullptr)
            return E_POINTER;
        *pdwAdviseCookie = 0;
        if (hSemaphore == 0 || startTime <= 0 || periodTime <= 0)
            return E_INVALIDARG;
        return Add(startTime, periodTime, reinterpret_cast<HANDLE>(hSemaphore), pdwAdviseCookie);
    }

    STDMETHODIMP Unadvise(DWORD_PTR dwAdviseCookie) override {
        std::lock_guard lock(m_mutex);
        auto it = std::find_if(m_advises.begin(), m_advises.end(),
                               [&](const Advise& a) { return a.cookie == dwAdviseCookie; });
        if (it == m_advises.end())
            return S_FALSE;
        m_advises.erase(it);
        return S_OK;
    }

private:
    struct Advise {
        DWORD_PTR cookie;
        REFERENCE_TIME due;
        REFERENCE_TIME period; // 0 for a one-time advise
        HANDLE handle;
    };

    ~SystemClock() {
        {
            std::lock_guard lock(m_mutex);
            m_stopping = true;
        }
        m_changed.notify_all();
        if (m_worker.joinable())
            m_worker.join();
    }

    HRESULT Add(REFERENCE_TIME due, REFERENCE_TIME period, HANDLE handle, DWORD_PTR* cookie) {
        std::lock_guard lock(m_mutex);
        try {
            if (!m_worker.joinable())
                m_worker = std::thread([this] { Serve(); });
            m_advises.push_back({m_nextCookie, due, period, handle});
        } catch (const std::bad_alloc&) {
            return E_OUTOFMEMORY;
        } catch (const std::system_error&) {
            return E_OUTOFMEMORY;
        }
        *cookie = m_nextCookie++;
        m_changed.notify_all();
        return S_OK;
    }

    void Serve() {
        std::unique_lock lock(m_mutex);
        while (!m_stopping) {
            if (m_advises.empty()) {
                m_changed.wait(lock);
                continue;
            }
            const REFERENCE_TIME now = SteadyNow();
            REFERENCE_TIME next = INT64_MAX;
            for (size_t i = 0; i < m_advises.size();) {
                Advise& a = m_advises[i];
                if (a.due <= now) {
                    if (a.period == 0) {
                        SetEvent(a.handle);
                        m_advises.erase(m_advises.begin() + static_cast<ptrdiff_t>(i));
                        continue;
                    }
                    // One release for every period that has elapsed.
                    const REFERENCE_TIME periods = (now - a.due) / a.period + 1;
                    ReleaseSemaphore(
                        a.handle, static_cast<LONG>(std::min<REFERENCE_TIME>(periods, INT32_MAX)),
                        nullptr);
                    REFERENCE_TIME step;
                    if (__builtin_mul_overflow(periods, a.period, &step) ||
                        __builtin_add_overflow(a.due, step, &a.due))
                        a.due = INT64_MAX;
                }
                next = std::min(next, a.due);
                ++i;
            }
            if (next == INT64_MAX) {
                m_changed.wait(lock);
                continue;
            }
            // Wait at most a minute at a time: far deadlines must not overflow the conversion.
            const REFERENCE_TIME limit = now + 600'000'000;
            const REFERENCE_TIME until = std::min(next, limit);
            m_changed.wait_until(lock, Steady::time_point(std::chrono::nanoseconds(until * 100)));
        }
    }

    REFERENCE_TIME m_last = 0;
    std::mutex m_mutex;
    std::condition_variable m_changed;
    std::vector<Advise> m_advises;
    DWORD_PTR m_nextCookie = 1;
    bool m_stopping = false;
    std::thread m_worker;
};

} // namespace

HRESULT CreateSystemClock(IUnknown*, REFIID riid, void** ppv) {
    auto* clock = new (std::nothrow) SystemClock;
    if (clock == nullptr)
        return E_OUTOFMEMORY;
    clock->AddRef();
    HRESULT hr = clock->QueryInterface(riid, ppv);
    clock->Release();
    return hr;
}

} // namespace dqplatform
