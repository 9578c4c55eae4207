// Kernel services: locks, interlocked counters, sleeping, errors, module names, code pages.
#pragma once

#include <pthread.h>

#include "platform/linux/win_types.h"

// A re-entrant lock: the owning thread may enter again and must leave as often.
typedef struct _CRITICAL_SECTION {
    pthread_mutex_t mutex;
} CRITICAL_SECTION, *LPCRITICAL_SECTION;

void InitializeCriticalSection(LPCRITICAL_SECTION cs);
void DeleteCriticalSection(LPCRITICAL_SECTION cs);
void EnterCriticalSection(LPCRITICAL_SECTION cs);
void LeaveCriticalSection(LPCRITICAL_SECTION cs);
BOOL TryEnterCriticalSection(LPCRITICAL_SECTION cs);

inline LONG InterlockedIncrement(LONG volatile* p) {
    return __atomic_add_fetch(p, 1, __ATOMIC_SEQ_CST);
}
inline LONG InterlockedDecrement(LONG volatile* p) {
    return __atomic_sub_fetch(p, 1, __ATOMIC_SEQ_CST);
}
inline LONG InterlockedExchange(LONG volatile* p, LONG value) {
    return __atomic_exchange_n(p, value, __ATOMIC_SEQ_CST);
}
inline LONG InterlockedExchangeAdd(LONG volatile* p, LONG value) {
    return __atomic_fetch_add(p, value, __ATOMIC_SEQ_CST);
}
inline LONG InterlockedCompareExchange(LONG volatile* p, LONG exchange, LONG comparand) {
    __atomic_compare_exchange_n(p, &comparand, exchange, false, __ATOMIC_SEQ_CST, __ATOMIC_SEQ_CST);
    return comparand;
}

void Sleep(DWORD dwMilliseconds);

DWORD GetLastError();
void SetLastError(DWORD dwErrCode);

// Linux sends no per-thread notifications to shared objects, so there is nothing to switch off.
BOOL DisableThreadLibraryCalls(HMODULE hLibModule);

// The full path of a loaded module, given its handle (its load address, as on Windows), or of
// the executable for a null handle. Returns the characters copied without the terminator; when
// the buffer is too small the path is cut and terminated, nSize is returned and the last error
// is ERROR_INSUFFICIENT_BUFFER. An unknown handle returns 0 with ERROR_MOD_NOT_FOUND.
DWORD GetModuleFileNameA(HMODULE hModule, LPSTR lpFilename, DWORD nSize);
DWORD GetModuleFileNameW(HMODULE hModule, LPWSTR lpFilename, DWORD nSize);

// The handle of the module that contains the given address (its load address).
HMODULE DqModuleFromAddress(const void* address);

#define CP_ACP 0
#define CP_UTF8 65001
#define MB_ERR_INVALID_CHARS 0x00000008
#define WC_ERR_INVALID_CHARS 0x00000080

// The ANSI code page is UTF-8 on Linux. Invalid input becomes U+FFFD unless the
// *_ERR_INVALID_CHARS flag asks for failure (ERROR_NO_UNICODE_TRANSLATION); except that CP_ACP,
// the code page of file names, turns each byte that is not valid UTF-8 into a lone surrogate
// U+DC80..U+DCFF and back, so that any file name survives the round trip.
int MultiByteToWideChar(UINT CodePage, DWORD dwFlags, LPCSTR lpMultiByteStr, int cbMultiByte,
                        LPWSTR lpWideCharStr, int cchWideChar);
int WideCharToMultiByte(UINT CodePage, DWORD dwFlags, LPCWSTR lpWideCharStr, int cchWideChar,
                        LPSTR lpMultiByteStr, int cbMultiByte, LPCSTR lpDefaultChar,
                        BOOL* lpUsedDefaultChar);
