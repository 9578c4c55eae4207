// The COM library calls: task memory, GUID text, apartment counting, memory streams.
#pragma once

#include "platform/linux/com/com_interfaces.h"

LPVOID CoTaskMemAlloc(SIZE_T cb);
LPVOID CoTaskMemRealloc(LPVOID pv, SIZE_T cb);
void CoTaskMemFree(LPVOID pv);

// Writes "{XXXXXXXX-XXXX-XXXX-XXXX-XXXXXXXXXXXX}" (upper-case hex). Returns the characters
// written including the terminator (39), or 0 when cchMax is too small.
int StringFromGUID2(REFGUID rguid, LPOLESTR lpsz, int cchMax);

// Counted per thread: the first call on a thread returns S_OK, later ones S_FALSE, and each
// successful call must be matched by CoUninitialize.
HRESULT CoInitialize(LPVOID pvReserved);
void CoUninitialize();
// How many unmatched CoInitialize calls the calling thread has made.
ULONG DqCoInitializeCount();

// A growable stream in memory. hGlobal must be null (the stream allocates its own memory);
// fDeleteOnRelease is accepted for compatibility: the memory is always freed with the stream.
HRESULT CreateStreamOnHGlobal(HGLOBAL hGlobal, BOOL fDeleteOnRelease, LPSTREAM* ppstm);
