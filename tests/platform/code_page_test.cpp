#include <gtest/gtest.h>

#include <string>

#include "platform/platform.h"

namespace {

std::u16string ToWide(const std::string& s, DWORD flags = 0) {
    int n = MultiByteToWideChar(CP_UTF8, flags, s.data(), static_cast<int>(s.size()), nullptr, 0);
    std::u16string out(static_cast<size_t>(n), u'\0');
    if (n > 0)
        MultiByteToWideChar(CP_UTF8, flags, s.data(), static_cast<int>(s.size()), out.data(), n);
    return out;
}

} // namespace

TEST(CodePage, DecodesEveryUtf8LengthIncludingSurrogatePairs) {
    EXPECT_EQ(ToWide("A\xC3\xA9\xE3\x81\x82\xF0\x9F\x98\x80"), u"A\u00E9\u3042\U0001F600");
}

TEST(CodePage, MalformedInputIsReplacedOrRefused) {
    // Overlong '/', a lone continuation byte, an encoded surrogate, a truncated sequence.
    EXPECT_EQ(ToWide("\xC0\xAF|\x80|\xED\xA0\x80|\xE3\x81"),
              u"\uFFFD\uFFFD|\uFFFD|\uFFFD\uFFFD\uFFFD|\uFFFD");
    SetLastError(0);
    EXPECT_EQ(MultiByteToWideChar(CP_UTF8, MB_ERR_INVALID_CHARS, "a\x80", 2, nullptr, 0), 0);
    EXPECT_EQ(GetLastError(), DWORD(ERROR_NO_UNICODE_TRANSLATION));
}

TEST(CodePage, MinusOneCountsTheTerminatorAndSmallBuffersFail) {
    WCHAR buf[8];
    EXPECT_EQ(MultiByteToWideChar(CP_ACP, 0, "abc", -1, nullptr, 0), 4);
    EXPECT_EQ(MultiByteToWideChar(CP_ACP, 0, "abc", -1, buf, 8), 4);
    EXPECT_EQ(lstrcmpW(buf, u"abc"), 0);
    EXPECT_EQ(MultiByteToWideChar(CP_ACP, 0, "abc", -1, buf, 3), 0);
    EXPECT_EQ(GetLastError(), DWORD(ERROR_INSUFFICIENT_BUFFER));
    EXPECT_EQ(MultiByteToWideChar(1252, 0, "abc", -1, buf, 8), 0);
    EXPECT_EQ(GetLastError(), DWORD(ERROR_INVALID_PARAMETER));
}

TEST(CodePage, WideToUtf8RoundTripsAndReplacesLoneSurrogates) {
    const char16_t text[] = u"caf\u00E9 \U0001F600";
    char out[32];
    int n = WideCharToMultiByte(CP_UTF8, 0, text, -1, out, sizeof out, nullptr, nullptr);
    ASSERT_GT(n, 0);
    EXPECT_STREQ(out, "caf\xC3\xA9 \xF0\x9F\x98\x80");
    const char16_t lone[] = {u'a', 0xD800, u'b', 0};
    BOOL replaced = FALSE;
    n = WideCharToMultiByte(CP_UTF8, 0, lone, -1, out, sizeof out, nullptr, &replaced);
    EXPECT_STREQ(out, "a\xEF\xBF\xBD"
                      "b");
    EXPECT_TRUE(replaced);
}
