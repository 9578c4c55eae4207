#include <gtest/gtest.h>

#include <string>

#include "platform/platform.h"

namespace {

std::u16string Format(const WCHAR* format, ...) {
    WCHAR buf[128];
    va_list args;
    va_start(args, format);
    int n = _vsnwprintf(buf, 128, format, args);
    va_end(args);
    EXPECT_GE(n, 0);
    return std::u16string(buf, n < 0 ? 0 : size_t(n));
}

} // namespace

TEST(WideFormat, IntegerConversionsWithFlagsWidthAndPrecision) {
    EXPECT_EQ(Format(u"%011d|%011d", 7, -1), u"00000000007|-0000000001");
    EXPECT_EQ(Format(u"%011d", INT32_MIN), u"-2147483648");
    EXPECT_EQ(Format(u"%u %x %X %#x %08X", 4294967295u, 255, 255, 255, 0xBEEFu),
              u"4294967295 ff FF 0xff 0000BEEF");
    EXPECT_EQ(Format(u"[%5d][%-5d][%+d][% d][%.3d][%*d]", 42, 42, 42, 42, 7, 4, 9),
              u"[   42][42   ][+42][ 42][007][   9]");
    EXPECT_EQ(Format(u"%lld %I64u %ld", -5000000000LL, 18446744073709551615ULL, LONG(-3)),
              u"-5000000000 18446744073709551615 -3");
}

TEST(WideFormat, StringsAndCharacters) {
    EXPECT_EQ(Format(u"%s|%ls|%hs|%c|%%", u"wide", u"also", "narrow", u'x'),
              u"wide|also|narrow|x|%");
    EXPECT_EQ(Format(u"[%6s][%-6s][%.2s]", u"ab", u"ab", u"abcdef"), u"[    ab][ab    ][ab]");
}

TEST(WideFormat, ReportsTruncationTheWayTheCRuntimeDoes) {
    WCHAR buf[8];
    std::fill(std::begin(buf), std::end(buf), u'#');
    EXPECT_EQ(_snwprintf(buf, 3, u"%s", u"abcdef"), -1);
    EXPECT_EQ(std::u16string(buf, 4), u"abc#"); // cut, unterminated, nothing past the bound
    EXPECT_EQ(_snwprintf(buf, 3, u"abc"), 3);
    EXPECT_EQ(buf[3], u'#'); // exactly full: no room for the terminator
    EXPECT_EQ(_snwprintf(buf, 8, u"ab"), 2);
    EXPECT_EQ(buf[2], 0);
}

TEST(WideString, LengthCompareAndBoundedCopy) {
    EXPECT_EQ(lstrlenW(u"abc"), 3);
    EXPECT_EQ(lstrlenW(nullptr), 0);
    EXPECT_LT(lstrcmpW(u"abc", u"abd"), 0);
    EXPECT_GT(lstrcmpW(u"abc", u"ab"), 0);
    EXPECT_EQ(lstrcmpW(u"", nullptr), 0);
    WCHAR buf[4];
    lstrcpynW(buf, u"abcdef", 4);
    EXPECT_EQ(std::u16string(buf), u"abc");
}
