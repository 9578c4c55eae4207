// ANSI/UTF-8 <-> UTF-16. The ANSI code page of this platform is the file system's encoding:
// UTF-8, where a byte that is not part of valid UTF-8 (a file name is any bytes) becomes the lone
// surrogate U+DC80..U+DCFF and converts back to the same byte, so every name round-trips.
#include <cstring>
#include <string>

#include "platform/linux/kernel/kernel.h"
#include "platform/linux/kernel/wide_string.h"
#include "platform/linux/win_error.h"

namespace {

constexpr char16_t kReplacement = 0xFFFD;
constexpr char16_t kEscapeFirst = 0xDC80, kEscapeLast = 0xDCFF;

// Decodes one UTF-8 sequence at s[i] and advances i. A malformed sequence returns -1 and
// consumes its longest valid prefix (at least one byte), so each maximal invalid part becomes one
// replacement character, as Unicode recommends.
long DecodeUtf8(const unsigned char* s, size_t n, size_t& i) {
    const unsigned char b = s[i];
    if (b < 0x80) {
        ++i;
        return b;
    }
    int len;
    unsigned char lo = 0x80, hi = 0xBF; // allowed range of the second byte
    if (b >= 0xC2 && b <= 0xDF)
        len = 2;
    else if (b >= 0xE0 && b <= 0xEF)
        len = 3, lo = b == 0xE0 ? 0xA0 : 0x80, hi = b == 0xED ? 0x9F : 0xBF;
    else if (b >= 0xF0 && b <= 0xF4)
        len = 4, lo = b == 0xF0 ? 0x90 : 0x80, hi = b == 0xF4 ? 0x8F : 0xBF;
    else {
        ++i;
        return -1;
    }
    long cp = b & (0x7F >> len);
    size_t j = i + 1;
    for (int k = 1; k < len; ++k, ++j) {
        const unsigned char min = k == 1 ? lo : 0x80, max = k == 1 ? hi : 0xBF;
        if (j >= n || s[j] < min || s[j] > max) {
            i = j;
            return -1;
        }
        cp = (cp << 6) | (s[j] & 0x3F);
    }
    i = j;
    return cp;
}

bool KnownCodePage(UINT cp) {
    return cp == CP_ACP || cp == CP_UTF8;
}

// Hands the converted text out with Windows' rules: size query when the buffer size is 0,
// ERROR_INSUFFICIENT_BUFFER when it is too small.
template <typename Char> int Deliver(const std::basic_string<Char>& out, Char* dest, int destSize) {
    if (destSize == 0) {
        SetLastError(ERROR_SUCCESS);
        return static_cast<int>(out.size());
    }
    if (out.size() > static_cast<size_t>(destSize)) {
        SetLastError(ERROR_INSUFFICIENT_BUFFER);
        return 0;
    }
    std::memcpy(dest, out.data(), out.size() * sizeof(Char));
    SetLastError(ERROR_SUCCESS);
    return static_cast<int>(out.size());
}

} // namespace

int MultiByteToWideChar(UINT CodePage, DWORD dwFlags, LPCSTR lpMultiByteStr, int cbMultiByte,
                        LPWSTR lpWideCharStr, int cchWideChar) {
    if (!KnownCodePage(CodePage) || lpMultiByteStr == nullptr || cbMultiByte == 0 ||
        cbMultiByte < -1 || cchWideChar < 0 || (cchWideChar > 0 && lpWideCharStr == nullptr)) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return 0;
    }
    size_t n = cbMultiByte == -1 ? std::strlen(lpMultiByteStr) + 1 : size_t(cbMultiByte);
    auto s = reinterpret_cast<const unsigned char*>(lpMultiByteStr);
    std::u16string out;
    out.reserve(n);
    for (size_t i = 0; i < n;) {
        const size_t start = i;
        long cp = DecodeUtf8(s, n, i);
        if (cp < 0) {
            if (dwFlags & MB_ERR_INVALID_CHARS) {
                SetLastError(ERROR_NO_UNICODE_TRANSLATION);
                return 0;
            }
            if (CodePage == CP_ACP) {
                // Byte by byte, so that the exact bytes come back.
                i = start + 1;
                out.push_back(static_cast<char16_t>(kEscapeFirst + (s[start] - 0x80)));
                continue;
            }
            out.push_back(kReplacement);
        } else if (cp >= 0x10000) {
            cp -= 0x10000;
            out.push_back(static_cast<char16_t>(0xD800 + (cp >> 10)));
            out.push_back(static_cast<char16_t>(0xDC00 + (cp & 0x3FF)));
        } else {
            out.push_back(static_cast<char16_t>(cp));
        }
    }
    return Deliver(out, lpWideCharStr, cchWideChar);
}

int WideCharToMultiByte(UINT CodePage, DWORD dwFlags, LPCWSTR lpWideCharStr, int cchWideChar,
                        LPSTR lpMultiByteStr, int cbMultiByte, LPCSTR, BOOL* lpUsedDefaultChar) {
    if (!KnownCodePage(CodePage) || lpWideCharStr == nullptr || cchWideChar == 0 ||
        cchWideChar < -1 || cbMultiByte < 0 || (cbMultiByte > 0 && lpMultiByteStr == nullptr)) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return 0;
    }
    size_t n = cchWideChar == -1 ? size_t(lstrlenW(lpWideCharStr)) + 1 : size_t(cchWideChar);
    std::string out;
    out.reserve(n * 3);
    bool replaced = false;
    for (size_t i = 0; i < n; ++i) {
        unsigned long cp = lpWideCharStr[i];
        if (cp >= 0xD800 && cp <= 0xDBFF && i + 1 < n && lpWideCharStr[i + 1] >= 0xDC00 &&
            lpWideCharStr[i + 1] <= 0xDFFF) {
            cp = 0x10000 + ((cp - 0xD800) << 10) + (lpWideCharStr[i + 1] - 0xDC00);
            ++i;
        } else if (CodePage == CP_ACP && cp >= kEscapeFirst && cp <= kEscapeLast) {
            out.push_back(static_cast<char>(cp - kEscapeFirst + 0x80));
            continue;
        } else if (cp >= 0xD800 && cp <= 0xDFFF) {
            if (dwFlags & WC_ERR_INVALID_CHARS) {
                SetLastError(ERROR_NO_UNICODE_TRANSLATION);
                return 0;
            }
            cp = kReplacement;
            replaced = true;
        }
        if (cp < 0x80) {
            out.push_back(static_cast<char>(cp));
        } else if (cp < 0x800) {
            out.push_back(static_cast<char>(0xC0 | (cp >> 6)));
            out.push_back(static_cast<char>(0x80 | (cp & 0x3F)));
        } else if (cp < 0x10000) {
            out.push_back(static_cast<char>(0xE0 | (cp >> 12)));
            out.push_back(static_cast<char>(0x80 | ((cp >> 6) & 0x3F)));
            out.push_back(static_cast<char>(0x80 | (cp & 0x3F)));
        } else {
            out.push_back(static_cast<char>(0xF0 | (cp >> 18)));
            out.push_back(static_cast<char>(0x80 | ((cp >> 12) & 0x3F)));
            out.push_back(static_cast<char>(0x80 | ((cp >> 6) & 0x3F)));
            out.push_back(static_cast<char>(0x80 | (cp & 0x3F)));
        }
    }
    if (lpUsedDefaultChar)
        *lpUsedDefaultChar = replaced ? TRUE : FALSE;
    return Deliver(out, lpMultiByteStr, cbMultiByte);
}
