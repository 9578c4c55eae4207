// A re-entrant lock and its scoped holder.
#pragma once

#include "platform/platform.h"

class CSectionLock {
public:
    CSectionLock() { InitializeCriticalSection(&m_section); }
    ~CSectionLock() { DeleteCriticalSection(&m_section); }
    CSectionLock(const CSectionLock&) = delete;
    CSectionLock& operator=(const CSectionLock&) = delete;

    void Lock() { EnterCriticalSection(&m_section); }
    void Unlock() { LeaveCriticalSection(&m_section); }

private:
    CRITICAL_SECTION m_section;
};

// Holds a lock for its scope, so every return path and an exception release it.
class CSectionGuard {
public:
    explicit CSectionGuard(CSectionLock* lock) : m_pLock(lock) { m_pLock->Lock(); }
    ~CSectionGuard() { m_pLock->Unlock(); }
    CSectionGuard(const CSectionGuard&) = delete;
    CSectionGuard& operator=(const CSectionGuard&) = delete;

private:
    CSectionLock* m_pLock;
};
