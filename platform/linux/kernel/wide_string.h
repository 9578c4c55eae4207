// Wide (UTF-16) string functions.
#pragma once

#include <cstdarg>

#include "platform/linux/win_types.h"

int lstrlenW(LPCWSTR s); // 0 for a null pointer, as on Windows
// Ordinal comparison by UTF-16 code unit; negative, zero or positive.
int lstrcmpW(LPCWSTR a, LPCWSTR b);
// Copies at most iMaxLength - 1 characters and always terminates (for iMaxLength > 0).
LPWSTR lstrcpynW(LPWSTR dest, LPCWSTR src, int iMaxLength);

// Bounded wide formatting with the C runtime's wide conventions: %s and %ls take a wide string,
// %hs a narrow one; %c a wide character; %d %i %u %x %X with flags (- + space 0 #), width and
// precision (also *), and the length prefixes h, l (32-bit, as on Windows), ll and I64.
// Writes at most count characters. Returns the characters written, terminated when there is
// room; or -1 when the text did not fit (the first count characters are written, unterminated).
int _vsnwprintf(WCHAR* buffer, size_t count, const WCHAR* format, va_list args);
int _snwprintf(WCHAR* buffer, size_t count, const WCHAR* format, ...);
