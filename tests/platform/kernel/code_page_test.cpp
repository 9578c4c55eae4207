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

// File names are bytes: through the ANSI code page, bytes that are not UTF-8 become lone
// surrogates U+DC80..U+DCFF and come back as the same bytes; valid UTF-8 is unchanged.
TEST(CodePage, TheAnsiCodePageKeepsEveryByteOfAFileName) {
    const std::string name = "caf\xE9/\xFF\xC3\xA9|\xE3\x81|\xED\xA0\x80.txt";
    WCHAR wide[64];
    const int n = MultiByteToWideChar(CP_ACP, 0, name.c_str(), -1, wide, 64);
    ASSERT_GT(n, 0);
    EXPECT_EQ(std::u16string(wide), u"caf\xDCE9/\xDCFF\u00E9|\xDCE3\xDC81|\xDCED\xDCA0\xDC80.txt");
    char back[64];
    ASSERT_GT(WideCharToMultiByte(CP_ACP, 0, wide, -1, back, 64, nullptr, nullptr), 0);
    EXPECT_EQ(std::string(back), name);
    // UTF-8 proper still replaces; a surrogate no byte gives stays replaced on the way back.
    EXPECT_EQ(ToWide("caf\xE9"), u"caf\uFFFD");
    const char16_t lone[] = {u'a', 0xD800, 0xDC41, u'b', 0};
    ASSERT_GT(WideCharToMultiByte(CP_ACP, 0, lone, -1, back, 64, nullptr, nullptr), 0);
    EXPECT_STREQ(back, "a\xF0\x90\x81\x81"
                       "b"); // a pair is a character, whatever the code page
}
