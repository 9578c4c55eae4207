// Kernel synchronisation objects: events and semaphores behind handles, and waiting on them.
//
// Handles come from a process-wide table, so a stale or foreign handle is refused (FALSE or
// WAIT_FAILED with ERROR_INVALID_HANDLE) instead of being dereferenced. Objects are unnamed:
// a non-null name is refused with ERROR_INVALID_PARAMETER.
#pragma once

#include "platform/linux/win_types.h"

// Accepted and ignored: there are no access rights or handle inheritance here. Declared
// without its fields (which the registry's header gives); repeating these typedefs is allowed.
struct _SECURITY_ATTRIBUTES;
typedef struct _SECURITY_ATTRIBUTES SECURITY_ATTRIBUTES;
typedef struct _SECURITY_ATTRIBUTES* LPSECURITY_ATTRIBUTES;

#ifndef INFINITE
#define INFINITE 0xFFFFFFFF
#endif

#define WAIT_OBJECT_0 ((DWORD)0x00000000)
#define WAIT_TIMEOUT ((DWORD)0x00000102)
#define WAIT_FAILED ((DWORD)0xFFFFFFFF)

#ifndef ERROR_TOO_MANY_POSTS
#define ERROR_TOO_MANY_POSTS 298L
#endif

// A manual-reset event stays signalled until ResetEvent; an auto-reset event releases one
// waiter and resets itself.
HANDLE CreateEventW(LPSECURITY_ATTRIBUTES lpEventAttributes, BOOL bManualReset, BOOL bInitialState,
                    LPCWSTR lpName);
BOOL SetEvent(HANDLE hEvent);
BOOL ResetEvent(HANDLE hEvent);

HANDLE CreateSemaphoreW(LPSECURITY_ATTRIBUTES lpSemaphoreAttributes, LONG lInitialCount,
                        LONG lMaximumCount, LPCWSTR lpName);
// Fails with ERROR_TOO_MANY_POSTS, leaving the count unchanged, when the maximum would be passed.
BOOL ReleaseSemaphore(HANDLE hSemaphore, LONG lReleaseCount, LPLONG lpPreviousCount);

// WAIT_OBJECT_0 when the object was signalled (and, for an auto-reset event or a semaphore,
// taken), WAIT_TIMEOUT when the time ran out, WAIT_FAILED for a bad handle.
DWORD WaitForSingleObject(HANDLE hHandle, DWORD dwMilliseconds);

// A thread already waiting on the object keeps it alive until its wait ends.
BOOL CloseHandle(HANDLE hObject);
