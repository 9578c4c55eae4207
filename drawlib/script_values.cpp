#include "drawlib/script_values.h"

namespace dq::drawlib {

namespace {

int HexDigit(char c) {
    if (c >= '0' && c <= '9')
        return c - '0';
    if (c >= 'a' && c <= 'f')
        return c - 'a' + 10;
    if (c >= 'A' && c <= 'F')
        return c - 'A' + 10;
    return -1;
}

} // namespace

std::optional<gfx::Color> ParseColor(std::string_view text) {
    if (text.empty() || text[0] != '#' || (text.size() != 7 && text.size() != 9))
        return std::nullopt;
    uint32_t value = 0;
    for (const char c : text.substr(1)) {
        const int digit = HexDigit(c);
        if (digit < 0)
            return std::nullopt;
        value = value << 4 | uint32_t(digit);
    }
    if (text.size() == 7)
        value |= 0xFF000000u;
    return gfx::Color::FromArgb(value);
}

std::optional<double> ParseDecimal(std::string_view text) {
    bool negative = false;
    if (!text.empty() && text[0] == '-') {
        negative = true;
        text.remove_prefix(1);
    }
    double value = 0, scale = 1;
    bool digits = false, point = false;
    for (const char c : text) {
        if (c == '.' && !point) {
            point = true;
        } else if (c >= '0' && c <= '9') {
            digits = true;
            if (point)
                value += (scale /= 10) * (c - '0');
            else if (value < 1e12)
                value = value * 10 + (c - '0');
            else
                return std::nullopt;
        } else {
            return std::nullopt;
        }
    }
    if (!digits)
        return std::nullopt;
    return negative ? -value : value;
}

std::optional<int64_t> ParseInteger(std::string_view text, int64_t min, int64_t max) {
    bool negative = false;
    if (!text.empty() && text[0] == '-') {
        negative = true;
        text.remove_prefix(1);
    }
    if (text.empty() || text.size() > 18)
        return std::nullopt;
    int64_t value = 0;
    for (const char c : text) {
        if (c < '0' || c > '9')
            return std::nullopt;
        value = value * 10 + (c - '0');
    }
    if (negative)
        value = -value;
    if (value < min || value > max)
        return std::nullopt;
    return value;
}

size_t SplitCommas(std::string_view text, std::string_view* parts, size_t max) {
    size_t count = 0;
    for (size_t begin = 0;;) {
        const size_t comma = text.find(',', begin);
        if (count == max)
            return 0;
        parts[count++] = text.substr(begin, comma - begin);
        if (comma == std::string_view::npos)
            return count;
        begin = comma + 1;
    }
}

} // namespace dq::drawlib
