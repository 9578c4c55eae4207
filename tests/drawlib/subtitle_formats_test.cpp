#include <gtest/gtest.h>

#include <string>

#include "drawlib/script_loader.h"
#include "drawlib/subtitle_markup.h"
#include "drawlib_test_support.h"

using namespace dq::drawlib;

namespace {

std::unique_ptr<Script> Load(const std::string& text) {
    return LoadScriptBytes(text, "subs.srt", 1080);
}

std::string TextOf(const Script& script, size_t cue) {
    std::string text;
    const Cue& c = script.cues.at(cue);
    for (uint32_t i = 0; i < c.spanCount; ++i)
        text += script.SpanText(script.spans[c.firstSpan + i]);
    return text;
}

std::string Error(const std::string& text) {
    try {
        Load(text);
    } catch (const std::exception& e) {
        return e.what();
    }
    return "";
}

} // namespace

TEST(SubRip, SampleWithMarkup) {
    const auto script = Load("\xEF\xBB\xBF"
                             "1\r\n"
                             "00:00:01,000 --> 00:00:04,000\r\n"
                             "Hello, <b>bold</b> world!\r\n"
                             "Second line\r\n"
                             "\r\n"
                             "2\r\n"
                             "00:00:04,500 --> 00:00:06,250 X1:10 X2:20 Y1:5 Y2:6\r\n"
                             "<i>slanted</i> <font color=\"#FF8000\">orange</font> <u>u</u>\r\n"
                             "\r\n"
                             "\r\n"
                             "3\r\n"
                             "01:00:00,000 --> 01:00:01,000\r\n"
                             "1984\r\n");
    ASSERT_EQ(script->cues.size(), 3u);
    EXPECT_EQ(script->cues[0].start, 1000);
    EXPECT_EQ(script->cues[0].end, 4000);
    EXPECT_EQ(TextOf(*script, 0), "Hello, bold world!\nSecond line");
    EXPECT_EQ(script->cues[1].start, 4500);
    EXPECT_EQ(script->cues[1].end, 6250);
    EXPECT_EQ(TextOf(*script, 1), "slanted orange u");
    EXPECT_EQ(TextOf(*script, 2), "1984");
    EXPECT_EQ(script->cues[2].start, 3600000);

    // Spans of cue 0: plain, bold, plain.
    const Cue& first = script->cues[0];
    ASSERT_EQ(first.spanCount, 3u);
    EXPECT_FALSE(script->spans[first.firstSpan].bold);
    EXPECT_EQ(script->SpanText(script->spans[first.firstSpan + 1]), "bold");
    EXPECT_TRUE(script->spans[first.firstSpan + 1].bold);
    // Cue 1: italic, plain " ", orange, plain " u".
    const Cue& second = script->cues[1];
    ASSERT_EQ(second.spanCount, 4u);
    EXPECT_TRUE(script->spans[second.firstSpan].italic);
    const TextSpan& orange = script->spans[second.firstSpan + 2];
    EXPECT_EQ(script->SpanText(orange), "orange");
    EXPECT_TRUE(orange.hasColor);
    EXPECT_EQ(orange.color.ToArgb(), 0xFFFF8000u);

    // SubRip cues take the default style.
    EXPECT_EQ(script->styles[first.style], CueStyle{});
}

TEST(SubRip, MistakesNameTheirLine) {
    EXPECT_EQ(Error("1\n00:00:01,000 --> 00:00:04,000\nok\n\n2\n00:00:05 --> xx\nbad\n"),
              "subs.srt:6: bad time range \"00:00:05 --> xx\" (expected START --> END)");
    EXPECT_EQ(Error("1\n00:00:04,000 --> 00:00:01,000\nbackwards\n"),
              "subs.srt:2: end time 00:00:01.000 is before start time 00:00:04.000");
    EXPECT_EQ(Error("1\n00:00:01,000 --> 00:00:02,000\nok\n\nstray text\n"),
              "subs.srt:5: expected a subtitle number followed by a time range START --> END, "
              "found \"stray text\"");
}

TEST(WebVtt, SampleWithSettingsNotesAndTags) {
    const auto script = Load("WEBVTT - a title\n"
                             "Kind: captions\n"
                             "\n"
                             "STYLE\n"
                             "::cue { color: red }\n"
                             "\n"
                             "NOTE this is\n"
                             "a comment\n"
                             "\n"
                             "intro\n"
                             "00:01.000 --> 00:04.000 align:start position:10%\n"
                             "<v Roger>Hi &amp; welcome</v>\n"
                             "\n"
                             "00:00:05.000 --> 00:00:07.500\n"
                             "<c.yellow>plain</c> <b><i>both</i></b> <00:00:06.000>later &lt;3\n");
    ASSERT_EQ(script->cues.size(), 2u);
    EXPECT_EQ(script->cues[0].start, 1000);
    EXPECT_EQ(script->cues[0].end, 4000);
    EXPECT_EQ(TextOf(*script, 0), "Hi & welcome");
    EXPECT_EQ(script->cues[1].end, 7500);
    EXPECT_EQ(TextOf(*script, 1), "plain both later <3");
    const Cue& second = script->cues[1];
    ASSERT_EQ(second.spanCount, 3u);
    const TextSpan& both = script->spans[second.firstSpan + 1];
    EXPECT_TRUE(both.bold);
    EXPECT_TRUE(both.italic);
}

TEST(WebVtt, MissingTimingIsAnError) {
    EXPECT_EQ(Error("WEBVTT\n\njust text\n"),
              "subs.srt:3: expected a time range START --> END, found \"just text\"");
}

TEST(SubtitleDetection, ByContentNotByName) {
    // A QuorENT script whose name ends in .srt is still read as QuorENT...
    EXPECT_EQ(Load("0 1 | x")->cues.size(), 1u);
    // ...and "WEBVTTX" is not a WebVTT header.
    EXPECT_NE(Error("WEBVTTX\n"), "");
    // A number alone, not followed by a time range, is not SubRip.
    EXPECT_EQ(Error("1\n\n"), "subs.srt:1: missing end time and \" | \" before the text");
}

TEST(SubtitleMarkup, NestingUnknownTagsAndStrayBrackets) {
    std::string text;
    std::vector<TextSpan> spans;
    const uint32_t count =
        AppendMarkup(
            "<B>a<b>b</b>c</B>d <font color=#00FF00>g<font color=\"red\">r</font>g</font> 1 < 2 &x",
            text, spans)
            .spanCount;
    EXPECT_EQ(text, "abcd grg 1 < 2 &x");
    ASSERT_EQ(count, 4u);
    EXPECT_TRUE(spans[0].bold); // "abc": nested bold stays bold after the inner close
    EXPECT_EQ(spans[0].length, 3u);
    EXPECT_FALSE(spans[1].bold);    // "d "
    EXPECT_TRUE(spans[2].hasColor); // "grg": a colour we cannot read keeps the outer one
    EXPECT_EQ(spans[2].length, 3u);
    EXPECT_EQ(spans[2].color.ToArgb(), 0xFF00FF00u);
    EXPECT_FALSE(spans[3].hasColor);
}
