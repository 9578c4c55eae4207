// The bounded wide formatter: the printf conversions the product uses, with Windows' wide
// conventions (%s is a wide string in a wide format).
#include <cstdint>
#include <cstring>
#include <type_traits>

#include "platform/linux/kernel/wide_string.h"

namespace {

// Appends to a bounded buffer while counting everything that would have been written.
class Sink {
public:
    Sink(WCHAR* buf, size_t cap) : m_buf(buf), m_cap(cap) {}
    void Put(WCHAR c) {
        if (m_len < m_cap)
            m_buf[m_len] = c;
        ++m_len;
    }
    void Repeat(WCHAR c, long n) {
        for (; n > 0; --n)
            Put(c);
    }
    size_t Length() const { return m_len; }

private:
    WCHAR* m_buf;
    size_t m_cap;
    size_t m_len = 0;
};

struct Spec {
    bool left = false, plus = false, space = false, zero = false, alt = false;
    long width = 0;
    long precision = -1;
};

void PutPadded(Sink& out, const Spec& spec, const WCHAR* prefix, size_t prefixLen,
               const WCHAR* body, size_t bodyLen, long zeros) {
    long total = static_cast<long>(prefixLen + bodyLen) + zeros;
    long pad = spec.width > total ? spec.width - total : 0;
    if (!spec.left)
        out.Repeat(u' ', pad);
    for (size_t i = 0; i < prefixLen; ++i)
        out.Put(prefix[i]);
    out.Repeat(u'0', zeros);
    for (size_t i = 0; i < bodyLen; ++i)
        out.Put(body[i]);
    if (spec.left)
        out.Repeat(u' ', pad);
}

void PutInteger(Sink& out, Spec spec, uint64_t magnitude, bool negative, unsigned base,
                bool upper) {
    WCHAR digits[32];
    size_t n = 0;
    const char* set = upper ? "0123456789ABCDEF" : "0123456789abcdef";
    for (uint64_t v = magnitude; v != 0; v /= base)
        digits[n++] = static_cast<WCHAR>(set[v % base]);
    if (spec.precision == 0 && magnitude == 0)
        n = 0; // "%.0d" of zero prints nothing
    else if (n == 0)
        digits[n++] = u'0';
    for (size_t i = 0; i < n / 2; ++i) {
        WCHAR t = digits[i];
        digits[i] = digits[n - 1 - i];
        digits[n - 1 - i] = t;
    }
    WCHAR prefix[3];
    size_t prefixLen = 0;
    if (negative)
        prefix[prefixLen++] = u'-';
    else if (base == 10 && spec.plus)
        prefix[prefixLen++] = u'+';
    else if (base == 10 && spec.space)
        prefix[prefixLen++] = u' ';
    if (spec.alt && base == 16 && magnitude != 0) {
        prefix[prefixLen++] = u'0';
        prefix[prefixLen++] = upper ? u'X' : u'x';
    }
    long zeros = 0;
    if (spec.precision >= 0) {
        if (spec.precision > static_cast<long>(n))
            zeros = spec.precision - static_cast<long>(n);
    } else if (spec.zero && !spec.left) {
        long used = static_cast<long>(prefixLen + n);
        if (spec.width > used)
            zeros = spec.width - used;
    }
    PutPadded(out, spec, prefix, prefixLen, digits, n, zeros);
}

template <typename Char> void PutString(Sink& out, const Spec& spec, const Char* s) {
    static const Char nullText[] = {'(', 'n', 'u', 'l', 'l', ')', 0};
    if (s == nullptr)
        s = nullText;
    size_t n = 0;
    while (s[n] != 0 && (spec.precision < 0 || n < static_cast<size_t>(spec.precision)))
        ++n;
    long pad = spec.width > static_cast<long>(n) ? spec.width - static_cast<long>(n) : 0;
    if (!spec.left)
        out.Repeat(u' ', pad);
    for (size_t i = 0; i < n; ++i)
        out.Put(static_cast<WCHAR>(static_cast<std::make_unsigned_t<Char>>(s[i])));
    if (spec.left)
        out.Repeat(u' ', pad);
}

} // namespace

int _vsnwprintf(WCHAR* buffer, size_t count, const WCHAR* format, va_list args) {
    Sink out(buffer, count);
    for (const WCHAR* p = format; *p != 0; ++p) {
        if (*p != u'%') {
            out.Put(*p);
            continue;
        }
        ++p;
        Spec spec;
        for (;; ++p) {
            if (*p == u'-')
                spec.left = true;
            else if (*p == u'+')
                spec.plus = true;
            else if (*p == u' ')
                spec.space = true;
            else if (*p == u'0')
                spec.zero = true;
            else if (*p == u'#')
                spec.alt = true;
            else
                break;
        }
        if (*p == u'*') {
            spec.width = va_arg(args, int);
            if (spec.width < 0)
                spec.left = true, spec.width = -spec.width;
            ++p;
        } else {
            for (; *p >= u'0' && *p <= u'9'; ++p)
                spec.width = spec.width * 10 + (*p - u'0');
        }
        if (*p == u'.') {
            ++p;
            spec.precision = 0;
            if (*p == u'*') {
                int v = va_arg(args, int);
                spec.precision = v < 0 ? -1 : v;
                ++p;
            } else {
                for (; *p >= u'0' && *p <= u'9'; ++p)
                    spec.precision = spec.precision * 10 + (*p - u'0');
            }
        }
        enum { Default, Short, Long, Wide64, Narrow, WideStr } size = Default;
        if (p[0] == u'I' && p[1] == u'6' && p[2] == u'4')
            size = Wide64, p += 3;
        else if (p[0] == u'I' && p[1] == u'3' && p[2] == u'2')
            size = Default, p += 3;
        else if (p[0] == u'l' && p[1] == u'l')
            size = Wide64, p += 2;
        else if (*p == u'l')
            size = Long, ++p;
        else if (*p == u'w')
            size = WideStr, ++p;
        else if (*p == u'h')
            size = Short, ++p;

        switch (*p) {
        case u'd':
        case u'i': {
            int64_t v = size == Wide64 ? va_arg(args, long long) : va_arg(args, int);
            if (size == Short)
                v = static_cast<short>(v);
            uint64_t mag = v < 0 ? uint64_t(0) - static_cast<uint64_t>(v) : uint64_t(v);
            PutInteger(out, spec, mag, v < 0, 10, false);
            break;
        }
        case u'u':
        case u'x':
        case u'X':
        case u'o': {
            uint64_t v = size == Wide64 ? va_arg(args, unsigned long long) : va_arg(args, unsigned);
            if (size == Short)
                v = static_cast<unsigned short>(v);
            unsigned base = *p == u'u' ? 10 : (*p == u'o' ? 8 : 16);
            PutInteger(out, spec, v, false, base, *p == u'X');
            break;
        }
        case u'p': {
            Spec ptr = spec;
            ptr.alt = true;
            PutInteger(out, ptr, reinterpret_cast<uintptr_t>(va_arg(args, void*)), false, 16,
                       false);
            break;
        }
        case u'c':
        case u'C': {
            WCHAR c[2] = {static_cast<WCHAR>(va_arg(args, int)), 0};
            if (size == Short || *p == u'C')
                c[0] = static_cast<WCHAR>(static_cast<unsigned char>(c[0]));
            PutString(out, spec, c);
            break;
        }
        case u's':
            if (size == Short)
                PutString(out, spec, va_arg(args, const char*));
            else
                PutString(out, spec, va_arg(args, const WCHAR*));
            break;
        case u'S':
            if (size == Long || size == WideStr)
                PutString(out, spec, va_arg(args, const WCHAR*));
            else
                PutString(out, spec, va_arg(args, const char*));
            break;
        case u'%':
            out.Put(u'%');
            break;
        case 0:
            --p; // a lone '%' at the end: stop at the terminator
            break;
        default:
            out.Put(*p); // unknown conversion: printed as it stands
            break;
        }
    }
    if (out.Length() > count)
        return -1;
    if (out.Length() < count)
        buffer[out.Length()] = 0;
    return static_cast<int>(out.Length());
}

int _snwprintf(WCHAR* buffer, size_t count, const WCHAR* format, ...) {
    va_list args;
    va_start(args, format);
    int n = _vsnwprintf(buffer, count, format, args);
    va_end(args);
    return n;
}
