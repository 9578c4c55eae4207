#pragma once

#include "platform/platform.h"

// printf-style formatting into dest, always terminated within capacity characters. Returns
// E_INVALIDARG for a capacity of 0 or above 0x7FFFFFFF (dest untouched), and the Win32
// insufficient-buffer code (0x8007007A) when the text had to be cut.
HRESULT FormatWideBounded(WCHAR* dest, size_t capacity, const WCHAR* format, ...);
