#include <gtest/gtest.h>

#include <stdexcept>

#include "platform/forms/decimal.h"

using dq::forms::Decimal;
using dq::forms::String;

namespace {

String Show(LPCWSTR text, int places) {
    auto d = Decimal::Parse(text);
    return d ? d->ToString(places) : String(WSTR("none"));
}

} // namespace

TEST(Decimal, ParsesNumberTextAsTheSpinnerAcceptsIt) {
    EXPECT_EQ(Show(WSTR("  -5 "), 0), WSTR("-5"));
    EXPECT_EQ(Show(WSTR("5-"), 0), WSTR("-5"));
    EXPECT_EQ(Show(WSTR("+12"), 0), WSTR("12"));
    EXPECT_EQ(Show(WSTR("1,234,567"), 0), WSTR("1234567"));
    EXPECT_EQ(Show(WSTR(".5"), 1), WSTR("0.5"));
    EXPECT_EQ(Show(WSTR("7."), 0), WSTR("7"));
    EXPECT_EQ(Show(WSTR("-0"), 0), WSTR("0"));
    // Places past the sixth are rounded, half away from zero.
    EXPECT_EQ(Decimal::Parse(WSTR("0.0000005"))->Units(), 1);
    EXPECT_EQ(Decimal::Parse(WSTR("-0.0000005"))->Units(), -1);
    EXPECT_EQ(Decimal::Parse(WSTR("0.0000004"))->Units(), 0);
    // Beyond the range the text saturates (the spinner clamps it afterwards).
    EXPECT_EQ(*Decimal::Parse(WSTR("99999999999999999999")), Decimal::MaxValue());
    EXPECT_EQ(*Decimal::Parse(WSTR("-99999999999999999999")), Decimal::MinValue());
    for (LPCWSTR bad : {WSTR(""), WSTR("-"), WSTR("."), WSTR("1e5"), WSTR("--1"), WSTR("-1-"),
                        WSTR(",5"), WSTR("1.2.3"), WSTR("1.2,3"), WSTR("abc"), WSTR("- 5")})
        EXPECT_FALSE(Decimal::Parse(bad).has_value()) << String(bad).size();
}

TEST(Decimal, FormatsConvertsAndComputesExactly) {
    EXPECT_EQ(Show(WSTR("2.5"), 0), WSTR("3"));
    EXPECT_EQ(Show(WSTR("-2.5"), 0), WSTR("-3"));
    EXPECT_EQ(Show(WSTR("-1.25"), 1), WSTR("-1.3"));
    EXPECT_EQ(Show(WSTR("-0.4"), 0), WSTR("0"));
    EXPECT_EQ(Show(WSTR("1.5"), 8), WSTR("1.50000000"));
    EXPECT_EQ(Decimal(-2147483647 - 1).ToString(0), WSTR("-2147483648"));
    EXPECT_THROW(Decimal(1).ToString(100), std::out_of_range);

    // To an integer: truncated toward zero.
    EXPECT_EQ(Decimal::Parse(WSTR("1.7"))->ToInt32(), 1);
    EXPECT_EQ(Decimal::Parse(WSTR("-1.7"))->ToInt32(), -1);
    EXPECT_EQ(Decimal(2147483647).ToInt32(), 2147483647);
    EXPECT_THROW(Decimal::FromInt64(2147483648LL).ToInt32(), std::overflow_error);

    EXPECT_EQ(*Decimal::Parse(WSTR("0.1")) + *Decimal::Parse(WSTR("0.2")),
              *Decimal::Parse(WSTR("0.3")));
    EXPECT_EQ(*Decimal::Parse(WSTR("1.0")), Decimal(1));
    EXPECT_THROW(Decimal::MaxValue() + Decimal(1), std::overflow_error);
    EXPECT_THROW(-Decimal::MinValue(), std::overflow_error);
}
