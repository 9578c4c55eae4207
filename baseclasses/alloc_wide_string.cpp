#include "baseclasses/alloc_wide_string.h"

#include <cstring>

HRESULT AllocWideString(LPCWSTR src, LPWSTR* out) {
    if (out == nullptr)
        return E_POINTER;
    const size_t bytes = (static_cast<size_t>(lstrlenW(src)) + 1) * sizeof(WCHAR);
    *out = static_cast<LPWSTR>(CoTaskMemAlloc(bytes));
    if (*out == nullptr)
        return E_OUTOFMEMORY;
    std::memcpy(*out, src, bytes);
    return S_OK;
}
