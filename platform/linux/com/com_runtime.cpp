#include <cstdlib>

#include "platform/linux/com/com_runtime.h"
#include "platform/linux/win_error.h"

namespace {
thread_local ULONG t_initCount = 0;
}

LPVOID CoTaskMemAlloc(SIZE_T cb) {
    return std::malloc(cb == 0 ? 1 : cb);
}

LPVOID CoTaskMemRealloc(LPVOID pv, SIZE_T cb) {
    if (pv != nullptr && cb == 0) {
        std::free(pv);
        return nullptr;
    }
    return std::realloc(pv, cb);
}

void CoTaskMemFree(LPVOID pv) {
    std::free(pv);
}

int StringFromGUID2(REFGUID rguid, LPOLESTR lpsz, int cchMax) {
    constexpr int kLength = 39;
    if (lpsz == nullptr || cchMax < kLength)
        return 0;
    static const char hex[] = "0123456789ABCDEF";
    int i = 0;
    auto put = [&](uint64_t value, int digits) {
        for (int d = digits - 1; d >= 0; --d)
            lpsz[i++] = static_cast<OLECHAR>(hex[(value >> (4 * d)) & 0xF]);
    };
    lpsz[i++] = u'{';
    put(rguid.Data1, 8);
    lpsz[i++] = u'-';
    put(rguid.Data2, 4);
    lpsz[i++] = u'-';
    put(rguid.Data3, 4);
    lpsz[i++] = u'-';
    put(rguid.Data4[0], 2);
    put(rguid.Data4[1], 2);
    lpsz[i++] = u'-';
    for (int b = 2; b < 8; ++b)
        put(rguid.Data4[b], 2);
    lpsz[i++] = u'}';
    lpsz[i++] = 0;
    return i;
}

HRESULT CoInitialize(LPVOID) {
    return t_initCount++ == 0 ? S_OK : S_FALSE;
}

void CoUninitialize() {
    if (t_initCount > 0)
        --t_initCount;
}

ULONG DqCoInitializeCount() {
    return t_initCount;
}
