#include "drawlib/unicode.h"

#include <cstdint>

namespace dq::drawlib {

void AppendUtf8(std::string& out, char32_t c) {
    if (c < 0x80) {
        out += char(c);
    } else if (c < 0x800) {
        out += char(0xC0 | (c >> 6));
        out += char(0x80 | (c & 0x3F));
    } else if (c < 0x10000) {
        out += char(0xE0 | (c >> 12));
        out += char(0x80 | ((c >> 6) & 0x3F));
        out += char(0x80 | (c & 0x3F));
    } else {
        out += char(0xF0 | (c >> 18));
        out += char(0x80 | ((c >> 12) & 0x3F));
        out += char(0x80 | ((c >> 6) & 0x3F));
        out += char(0x80 | (c & 0x3F));
    }
}

namespace {

// Decodes one UTF-8 sequence at text[i]; returns its length, or 0 when malformed.
size_t DecodeUtf8(std::string_view text, size_t i, char32_t& c) {
    const auto byte = [&](size_t k) { return uint8_t(text[k]); };
    const uint8_t lead = byte(i);
    size_t length;
    char32_t min;
    if (lead < 0x80) {
        c = lead;
        return 1;
    } else if ((lead & 0xE0) == 0xC0) {
        length = 2, c = lead & 0x1F, min = 0x80;
    } else if ((lead & 0xF0) == 0xE0) {
        length = 3, c = lead & 0x0F, min = 0x800;
    } else if ((lead & 0xF8) == 0xF0) {
        length = 4, c = lead & 0x07, min = 0x10000;
    } else {
        return 0;
    }
    if (i + length > text.size())
        return 0;
    for (size_t k = 1; k < length; ++k) {
        if ((byte(i + k) & 0xC0) != 0x80)
            return 0;
        c = c << 6 | (byte(i + k) & 0x3F);
    }
    if (c < min || c > 0x10FFFF || (c >= 0xD800 && c <= 0xDFFF))
        return 0;
    return length;
}

} // namespace

bool IsValidUtf8(std::string_view text) {
    return FindInvalidUtf8(text) == std::string_view::npos;
}

size_t FindInvalidUtf8(std::string_view text) {
    for (size_t i = 0; i < text.size();) {
        if (uint8_t(text[i]) < 0x80) {
            ++i;
            continue;
        }
        char32_t c;
        const size_t length = DecodeUtf8(text, i, c);
        if (length == 0)
            return i;
        i += length;
    }
    return std::string_view::npos;
}

bool Utf16ToUtf8(std::string_view bytes, bool bigEndian, std::string& out, size_t& badLine) {
    out.clear();
    out.reserve(bytes.size());
    size_t line = 1;
    const auto unit = [&](size_t k) -> char16_t {
        const uint8_t a = uint8_t(bytes[k]), b = uint8_t(bytes[k + 1]);
        return bigEndian ? char16_t(a << 8 | b) : char16_t(b << 8 | a);
    };
    const size_t n = bytes.size();
    for (size_t i = 0; i + 1 < n; i += 2) {
        char32_t c = unit(i);
        if (c >= 0xD800 && c <= 0xDBFF) {
            if (i + 3 >= n) {
                badLine = line;
                return false;
            }
            const char32_t low = unit(i + 2);
            if (low < 0xDC00 || low > 0xDFFF) {
                badLine = line;
                return false;
            }
            c = 0x10000 + ((c - 0xD800) << 10) + (low - 0xDC00);
            i += 2;
        } else if (c >= 0xDC00 && c <= 0xDFFF) {
            badLine = line;
            return false;
        }
        if (c == '\n')
            ++line;
        AppendUtf8(out, c);
    }
    if (n % 2 != 0) {
        badLine = line;
        return false;
    }
    return true;
}

std::string ReplaceInvalidUtf8(std::string_view text) {
    std::string out;
    out.reserve(text.size() + text.size() / 8);
    for (size_t i = 0; i < text.size();) {
        char32_t c;
        const size_t length = uint8_t(text[i]) < 0x80 ? 1 : DecodeUtf8(text, i, c);
        if (length == 0) {
            AppendUtf8(out, 0xFFFD);
            ++i;
        } else {
            out.append(text.substr(i, length));
            i += length;
        }
    }
    return out;
}

char32_t Windows1252Char(uint8_t b) {
    // 0x80 to 0x9F; the rest is Latin-1.
    static constexpr char16_t kHigh[32] = {
        0x20AC, 0x0081, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021, 0x02C6, 0x2030, 0x0160,
        0x2039, 0x0152, 0x008D, 0x017D, 0x008F, 0x0090, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022,
        0x2013, 0x2014, 0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x009D, 0x017E, 0x0178};
    return b >= 0x80 && b < 0xA0 ? char32_t(kHigh[b - 0x80]) : char32_t(b);
}

std::string Windows1252ToUtf8(std::string_view bytes) {
    std::string out;
    out.reserve(bytes.size() + bytes.size() / 8);
    for (const char c : bytes)
        AppendUtf8(out, Windows1252Char(uint8_t(c)));
    return out;
}

std::u16string Utf8ToUtf16(std::string_view text) {
    std::u16string out;
    out.reserve(text.size());
    for (size_t i = 0; i < text.size();) {
        char32_t c;
        const size_t length = DecodeUtf8(text, i, c);
        if (length == 0) { // not expected for checked input; keep going visibly
            c = 0xFFFD;
            i += 1;
        } else {
            i += length;
        }
        if (c >= 0x10000) {
            c -= 0x10000;
            out += char16_t(0xD800 + (c >> 10));
            out += char16_t(0xDC00 + (c & 0x3FF));
        } else {
            out += char16_t(c);
        }
    }
    return out;
}

} // namespace dq::drawlib
