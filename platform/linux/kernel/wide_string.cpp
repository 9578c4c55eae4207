#include "platform/linux/kernel/wide_string.h"

int lstrlenW(LPCWSTR s) {
    if (s == nullptr)
        return 0;
    int n = 0;
    while (s[n] != 0)
        ++n;
    return n;
}

int lstrcmpW(LPCWSTR a, LPCWSTR b) {
    static const WCHAR empty[1] = {0};
    if (a == nullptr)
        a = empty;
    if (b == nullptr)
        b = empty;
    while (*a != 0 && *a == *b)
        ++a, ++b;
    return *a < *b ? -1 : (*a > *b ? 1 : 0);
}

LPWSTR lstrcpynW(LPWSTR dest, LPCWSTR src, int iMaxLength) {
    if (dest == nullptr || iMaxLength <= 0)
        return dest;
    int i = 0;
    if (src != nullptr)
        for (; i < iMaxLength - 1 && src[i] != 0; ++i)
            dest[i] = src[i];
    dest[i] = 0;
    return dest;
}
