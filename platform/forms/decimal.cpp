#include "platform/forms/decimal.h"

#include <stdexcept>

namespace dq::forms {

namespace {

bool IsWhite(WCHAR c) {
    return c == ' ' || (c >= 0x09 && c <= 0x0D);
}

bool IsDigit(WCHAR c) {
    return c >= '0' && c <= '9';
}

// |value| as an unsigned number, without overflow for INT64_MIN.
uint64_t Magnitude(int64_t value) {
    return value < 0 ? uint64_t(0) - uint64_t(value) : uint64_t(value);
}

} // namespace

Decimal Decimal::FromInt64(int64_t value) {
    int64_t units;
    if (__builtin_mul_overflow(value, kOne, &units))
        throw std::overflow_error("Value was either too large or too small for a Decimal.");
    return FromUnits(units);
}

std::optional<Decimal> Decimal::Parse(StringView text) {
    size_t begin = 0, end = text.size();
    while (begin < end && IsWhite(text[begin]))
        ++begin;
    while (end > begin && IsWhite(text[end - 1]))
        --end;
    bool negative = false;
    if (begin < end && (text[begin] == '-' || text[begin] == '+')) {
        negative = text[begin] == '-';
        ++begin;
    } else if (end > begin && (text[end - 1] == '-' || text[end - 1] == '+')) {
        negative = text[end - 1] == '-';
        --end;
    }

    // Accumulate the magnitude in millionths; past the range it saturates.
    constexpr uint64_t kLimit = uint64_t(INT64_MAX) + 1; // |INT64_MIN|
    uint64_t units = 0;
    bool saturated = false;
    bool anyDigit = false;
    bool point = false;
    int places = 0;
    int roundDigit = -1; // the first digit beyond six places
    for (size_t i = begin; i < end; ++i) {
        WCHAR c = text[i];
        if (IsDigit(c)) {
            anyDigit = true;
            int d = c - '0';
            if (point && places == kPlaces) {
                if (roundDigit < 0)
                    roundDigit = d;
                continue;
            }
            if (point)
                ++places;
            if (!saturated) {
                if (!point) {
                    // Whole digits are added in units of one.
                    if (units > (kLimit - uint64_t(d) * kOne) / 10) {
                        saturated = true;
                        continue;
                    }
                    units = units * 10 + uint64_t(d) * kOne;
                } else {
                    uint64_t scale = uint64_t(kOne);
                    for (int p = 0; p < places; ++p)
                        scale /= 10;
                    units += uint64_t(d) * scale;
                }
            }
        } else if (c == ',' && !point && anyDigit) {
            continue;
        } else if (c == '.' && !point) {
            point = true;
        } else {
            return std::nullopt;
        }
    }
    if (!anyDigit)
        return std::nullopt;
    if (!saturated && roundDigit >= 5)
        ++units;
    if (saturated || units > kLimit || (!negative && units > uint64_t(INT64_MAX)))
        return negative ? MinValue() : MaxValue();
    return FromUnits(negative ? int64_t(0 - units) : int64_t(units));
}

String Decimal::ToString(int places) const {
    if (places < 0 || places > 99)
        throw std::out_of_range("places");
    uint64_t magnitude = Magnitude(m_units);
    // Round away from zero at the wanted place; past six places there is nothing to round.
    if (places < kPlaces) {
        uint64_t step = 1;
        for (int p = places; p < kPlaces; ++p)
            step *= 10;
        uint64_t rest = magnitude % step;
        magnitude -= rest;
        if (rest >= step / 2)
            magnitude += step; // cannot overflow: |INT64_MIN| + step fits in 64 unsigned bits
    }
    uint64_t whole = magnitude / uint64_t(kOne);
    uint64_t fraction = magnitude % uint64_t(kOne);
    String out;
    if (magnitude != 0 && m_units < 0)
        out.push_back('-');
    String digits;
    do {
        digits.insert(digits.begin(), WCHAR('0' + whole % 10));
        whole /= 10;
    } while (whole != 0);
    out += digits;
    if (places > 0) {
        out.push_back('.');
        uint64_t scale = uint64_t(kOne);
        for (int p = 0; p < places; ++p) {
            scale /= 10; // 0 past six places: only zeros follow
            out.push_back(scale ? WCHAR('0' + (fraction / scale) % 10) : WCHAR('0'));
        }
    }
    return out;
}

int32_t Decimal::ToInt32() const {
    int64_t whole = m_units / kOne; // truncates toward zero
    if (whole > INT32_MAX || whole < INT32_MIN)
        throw std::overflow_error("Value was either too large or too small for an Int32.");
    return int32_t(whole);
}

Decimal Decimal::operator+(Decimal other) const {
    int64_t units;
    if (__builtin_add_overflow(m_units, other.m_units, &units))
        throw std::overflow_error("Value was either too large or too small for a Decimal.");
    return FromUnits(units);
}

Decimal Decimal::operator-(Decimal other) const {
    int64_t units;
    if (__builtin_sub_overflow(m_units, other.m_units, &units))
        throw std::overflow_error("Value was either too large or too small for a Decimal.");
    return FromUnits(units);
}

Decimal Decimal::operator-() const {
    if (m_units == INT64_MIN)
        throw std::overflow_error("Value was either too large or too small for a Decimal.");
    return FromUnits(-m_units);
}

} // namespace dq::forms
