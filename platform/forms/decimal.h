// The numeric spinner's decimal number: fixed point, a signed 64-bit count of millionths.
//
// So it holds six decimal places exactly (sums and comparisons are exact, 0.1 + 0.2 == 0.3) in
// the range of about +-9.22e12, which covers every 32-bit integer with room to spare. Text
// with more places is rounded half away from zero; text beyond the range saturates at the
// largest or smallest value, which the spinner then clamps to its own limits (as it clamps any
// typed value that is too large). Arithmetic that leaves the range throws std::overflow_error.
#pragma once

#include <compare>
#include <cstdint>
#include <optional>

#include "platform/forms/forms_types.h"

namespace dq::forms {

class Decimal {
public:
    static constexpr int kPlaces = 6;
    static constexpr int64_t kOne = 1000000;

    constexpr Decimal() = default;
    constexpr Decimal(int value) : m_units(int64_t(value) * kOne) {}
    // Throws std::overflow_error outside the range.
    static Decimal FromInt64(int64_t value);
    static constexpr Decimal FromUnits(int64_t units) {
        Decimal d;
        d.m_units = units;
        return d;
    }
    static Decimal MaxValue() { return FromUnits(INT64_MAX); }
    static Decimal MinValue() { return FromUnits(INT64_MIN); }

    constexpr int64_t Units() const { return m_units; }

    // Number text as the spinner accepts it: optional white space around, a sign before or
    // after, digits with ',' group separators before an optional '.' and more digits.
    // Returns nothing when the text is not a number.
    static std::optional<Decimal> Parse(StringView text);
    // Fixed-point text with the given number of places (0 to 99), rounded half away from
    // zero: 2.5 -> "3", -1.25 with 1 place -> "-1.3". No minus sign for a value that rounds to 0.
    String ToString(int places) const;
    // The integer part (truncated toward zero); std::overflow_error outside 32 bits.
    int32_t ToInt32() const;

    Decimal operator+(Decimal other) const;
    Decimal operator-(Decimal other) const;
    Decimal operator-() const;

    constexpr auto operator<=>(const Decimal&) const = default;
    constexpr bool operator==(const Decimal&) const = default;

private:
    int64_t m_units = 0;
};

} // namespace dq::forms
