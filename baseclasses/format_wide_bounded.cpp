#include "baseclasses/format_wide_bounded.h"

#include <cstdarg>

HRESULT FormatWideBounded(WCHAR* dest, size_t capacity, const WCHAR* format, ...) {
    if (capacity == 0 || capacity > 0x7FFFFFFF)
        return E_INVALIDARG;
    const size_t max = capacity - 1;
    va_list args;
    va_start(args, format);
    const int produced = _vsnwprintf(dest, max, format, args);
    va_end(args);
    if (produced < 0 || static_cast<size_t>(produced) > max) {
        dest[max] = 0;
        return HRESULT_FROM_WIN32(ERROR_INSUFFICIENT_BUFFER);
    }
    if (static_cast<size_t>(produced) == max)
        dest[max] = 0;
    return S_OK;
}
