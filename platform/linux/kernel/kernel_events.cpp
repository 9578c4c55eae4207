// Events and semaphores. Handle values are never reused, so a closed handle stays invalid.
#include "platform/linux/kernel/kernel_events.h"

#include <chrono>
#include <condition_variable>
#include <memory>
#include <mutex>
#include <new>
#include <unordered_map>

#include "platform/linux/kernel/kernel.h"
#include "platform/linux/win_error.h"

namespace {

class KernelObject {
public:
    virtual ~KernelObject() = default;

    // Takes the signal when there is one (auto-reset events and semaphores consume it).
    virtual bool TryTake() = 0;

    std::mutex m_mutex;
    std::condition_variable m_signalled;
};

class Event final : public KernelObject {
public:
    Event(bool manualReset, bool initialState) : m_manualReset(manualReset), m_set(initialState) {}

    bool TryTake() override {
        if (!m_set)
            return false;
        if (!m_manualReset)
            m_set = false;
        return true;
    }

    void Set() {
        std::lock_guard lock(m_mutex);
        m_set = true;
        if (m_manualReset)
            m_signalled.notify_all();
        else
            m_signalled.notify_one();
    }

    void Reset() {
        std::lock_guard lock(m_mutex);
        m_set = false;
    }

private:
    const bool m_manualReset;
    bool m_set;
};

class Semaphore final : public KernelObject {
public:
    Semaphore(LONG initial, LONG maximum) : m_count(initial), m_maximum(maximum) {}

    bool TryTake() override {
        if (m_count == 0)
            return false;
        --m_count;
        return true;
    }

    bool Release(LONG n, LONG* previous) {
        std::lock_guard lock(m_mutex);
        if (n > m_maximum - m_count)
            return false;
        if (previous != nullptr)
            *previous = m_count;
        m_count += n;
        for (LONG i = 0; i < n; ++i)
            m_signalled.notify_one();
        return true;
    }

private:
    LONG m_count;
    const LONG m_maximum;
};

struct HandleTable {
    std::mutex mutex;
    std::unordered_map<uintptr_t, std::shared_ptr<KernelObject>> objects;
    uintptr_t next = 0x1000;
};

HandleTable& Table() {
    static HandleTable* table = new HandleTable; // never destroyed: handles may outlive statics
    return *table;
}

HANDLE Insert(std::shared_ptr<KernelObject> object) {
    HandleTable& table = Table();
    std::lock_guard lock(table.mutex);
    uintptr_t value = table.next;
    table.next += 4;
    table.objects.emplace(value, std::move(object));
    return reinterpret_cast<HANDLE>(value);
}

std::shared_ptr<KernelObject> Lookup(HANDLE handle) {
    HandleTable& table = Table();
    std::lock_guard lock(table.mutex);
    auto it = table.objects.find(reinterpret_cast<uintptr_t>(handle));
    if (it == table.objects.end())
        return nullptr;
    return it->second;
}

template <class T> std::shared_ptr<T> LookupAs(HANDLE handle) {
    auto object = std::dynamic_pointer_cast<T>(Lookup(handle));
    if (!object)
        SetLastError(ERROR_INVALID_HANDLE);
    return object;
}

} // namespace

HANDLE CreateEventW(LPSECURITY_ATTRIBUTES, BOOL bManualReset, BOOL bInitialState, LPCWSTR lpName) {
    if (lpName != nullptr) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return nullptr;
    }
    try {
        return Insert(std::make_shared<Event>(bManualReset != FALSE, bInitialState != FALSE));
    } catch (const std::bad_alloc&) {
        SetLastError(ERROR_NOT_ENOUGH_MEMORY);
        return nullptr;
    }
}

BOOL SetEvent(HANDLE hEvent) {
    auto event = LookupAs<Event>(hEvent);
    if (!event)
        return FALSE;
    event->Set();
    return TRUE;
}

BOOL ResetEvent(HANDLE hEvent) {
    auto event = LookupAs<Event>(hEvent);
    if (!event)
        return FALSE;
    event->Reset();
    return TRUE;
}

HANDLE CreateSemaphoreW(LPSECURITY_ATTRIBUTES, LONG lInitialCount, LONG lMaximumCount,
                        LPCWSTR lpName) {
    if (lpName != nullptr || lMaximumCount <= 0 || lInitialCount < 0 ||
        lInitialCount > lMaximumCount) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return nullptr;
    }
    try {
        return Insert(std::make_shared<Semaphore>(lInitialCount, lMaximumCount));
    } catch (const std::bad_alloc&) {
        SetLastError(ERROR_NOT_ENOUGH_MEMORY);
        return nullptr;
    }
}

BOOL ReleaseSemaphore(HANDLE hSemaphore, LONG lReleaseCount, LPLONG lpPreviousCount) {
    auto semaphore = LookupAs<Semaphore>(hSemaphore);
    if (!semaphore)
        return FALSE;
    if (lReleaseCount <= 0) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return FALSE;
    }
    if (!semaphore->Release(lReleaseCount, lpPreviousCount)) {
        SetLastError(ERROR_TOO_MANY_POSTS);
        return FALSE;
    }
    return TRUE;
}

DWORD WaitForSingleObject(HANDLE hHandle, DWORD dwMilliseconds) {
    auto object = Lookup(hHandle);
    if (!object) {
        SetLastError(ERROR_INVALID_HANDLE);
        return WAIT_FAILED;
    }
    std::unique_lock lock(object->m_mutex);
    if (dwMilliseconds == INFINITE) {
        object->m_signalled.wait(lock, [&] { return object->TryTake(); });
        return WAIT_OBJECT_0;
    }
    auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(dwMilliseconds);
    return object->m_signalled.wait_until(lock, deadline, [&] { return object->TryTake(); })
               ? WAIT_OBJECT_0
               : WAIT_TIMEOUT;
}

BOOL CloseHandle(HANDLE hObject) {
    std::shared_ptr<KernelObject> object; // destroyed outside the table's lock
    HandleTable& table = Table();
    std::lock_guard lock(table.mutex);
    auto it = table.objects.find(reinterpret_cast<uintptr_t>(hObject));
    if (it == table.objects.end()) {
        SetLastError(ERROR_INVALID_HANDLE);
        return FALSE;
    }
    object = std::move(it->second);
    table.objects.erase(it);
    return TRUE;
}
