#include <gtest/gtest.h>

#include <string>
#include <vector>

#include <gmock/gmock.h>

#include "drawlib/script_loader.h"
#include "drawlib/subtitle_markup.h"
#include "drawlib/subtitle_times.h"
#include "drawlib_test_support.h"
#include "script_test_support.h"

using namespace dq::drawlib;
using dqtest::TextOf;
using dqtest::Texts;
using dqtest::Warnings;

namespace {

std::unique_ptr<Script> Load(const std::string& text) {
    return LoadScriptBytes(text, "subs.srt", 1080);
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

TEST(WebVtt, BlocksAsBrowsersReadThem) {
    using testing::ElementsAre;
    auto script = Load("WEBVTT\n"
                       "00:01.000 --> 00:02.000\n" // right after the header line
                       "first\n"
                       "00:02.000 --> 00:03.000 align:start position:0%\n" // no blank line
                       "second\n"
                       "\n"
                       "STYLE\n"
                       "::cue { color: red }\n"
                       "\n"
                       "::cue(b) { color: blue }\n" // the style block's remainder
                       "\n"
                       "Region: id=fred width=40%\n"
                       "\n"
                       "NOTE silent\n"
                       "\n"
                       "id\n"
                       "00:03.000 --> 00:04.000\n"
                       "third\n"
                       "\n"
                       "00:05.000 --> 00:05.000\n"
                       "zero\n"
                       "\n"
                       "00:06.000 --> 00:07.000\n"
                       "fourth\n");
    EXPECT_THAT(Texts(*script), ElementsAre("first", "second", "third", "fourth"));
    EXPECT_THAT(Warnings(*script),
                ElementsAre("10: block without a time range skipped: \"::cue(b) { color: blue }\"",
                            "12: block without a time range skipped: \"Region: id=fred width=40%\"",
                            "20: cue skipped: end time 00:00:05.000 is not after start time "
                            "00:00:05.000"));
    EXPECT_EQ(script->skippedLines, 1u + 1 + 2);
    EXPECT_EQ(Error("WEBVTT\n\njust text\n"),
              "subs.srt:3: block without a time range skipped: \"just text\" (no cue of the file "
              "can be shown)");
    // A header alone is an empty file, not a broken one.
    EXPECT_TRUE(Load("WEBVTT\n\nNOTE nothing yet\n")->cues.empty());
}

TEST(WebVtt, CueSettingsPlaceTheCue) {
    auto script = Load("WEBVTT\n\n"
                       "00:01.000 --> 00:02.000\nplain\n\n"
                       "00:01.000 --> 00:02.000 line:0 align:start position:10% size:50%\nt\n\n"
                       "00:01.000 --> 00:02.000 line:-1 align:end\nb\n\n"
                       "00:01.000 --> 00:02.000 line:50%,center vertical:rl region:r\nm\n\n"
                       "00:01.000 --> 00:02.000 line:zz position:200% size:x\nbad\n\n"
                       "00:01.000 --> 00:02.000 position:nan% size:1e1% line:inf%\nbad\n");
    ASSERT_EQ(script->cues.size(), 6u);
    const auto style = [&](size_t i) { return script->styles[script->cues[i].style]; };
    EXPECT_EQ(style(0), CueStyle{});
    // Top line, left-aligned at 10% of 1920, wrapping within 50% of the width.
    EXPECT_EQ(style(1).placement, Placement::Pos);
    EXPECT_EQ(style(1).halign, HAlign::Left);
    EXPECT_EQ(style(1).valign, VAlign::Top);
    EXPECT_FLOAT_EQ(style(1).x1, 192);
    EXPECT_FLOAT_EQ(style(1).y1, 40); // kept inside the margin
    EXPECT_FLOAT_EQ(style(1).marginH, 480);
    // The bottom line, right-aligned at the right margin.
    EXPECT_EQ(style(2).halign, HAlign::Right);
    EXPECT_EQ(style(2).valign, VAlign::Bottom);
    EXPECT_FLOAT_EQ(style(2).x1, 1880);
    EXPECT_FLOAT_EQ(style(2).y1, 1040);
    // Centred in the middle of the picture.
    EXPECT_EQ(style(3).valign, VAlign::Middle);
    EXPECT_FLOAT_EQ(style(3).y1, 540);
    EXPECT_FLOAT_EQ(style(3).x1, 960);
    // Settings that cannot be read are ignored, numbers that are not decimals among them.
    EXPECT_EQ(style(4), CueStyle{});
    EXPECT_EQ(style(5), CueStyle{});
    EXPECT_TRUE(script->warnings.empty());
}

TEST(SubtitleEncoding, Windows1252AndUtf16WithoutMark) {
    using testing::ElementsAre;
    auto latin = Load("1\n00:00:01,000 --> 00:00:02,000\nCaf\xE9 \x93quoted\x94 \x80\n");
    EXPECT_THAT(Texts(*latin), ElementsAre("Caf\u00E9 \u201Cquoted\u201D \u20AC"));
    EXPECT_THAT(Warnings(*latin),
                ElementsAre("3: not valid UTF-8; the file is read as Windows-1252"));
    EXPECT_EQ(latin->skippedLines, 0u);

    std::string le, be;
    for (const char16_t c :
         std::u16string(u"WEBVTT\n\n00:01.000 --> 00:02.000\n\u00C0 bient\u00F4t\n")) {
        le += char(c & 0xFF), le += char(c >> 8);
        be += char(c >> 8), be += char(c & 0xFF);
    }
    EXPECT_THAT(Texts(*Load(le)), ElementsAre("\u00C0 bient\u00F4t"));
    EXPECT_THAT(Texts(*Load(be)), ElementsAre("\u00C0 bient\u00F4t"));
    EXPECT_TRUE(Load(le)->warnings.empty());

    // With a UTF-8 byte-order mark the file is UTF-8: what is not shows as U+FFFD.
    auto marked = Load("\xEF\xBB\xBF"
                       "1\n00:00:01,000 --> 00:00:02,000\nCaf\xE9!\n");
    EXPECT_THAT(Texts(*marked), ElementsAre("Caf\uFFFD!"));
    EXPECT_EQ(marked->warningCount, 1u);

    // The native format stays strict about its encoding.
    EXPECT_EQ(Error("0 1 | ok\n0 1 | Caf\xE9\n"), "subs.srt:2: invalid UTF-8");
}

TEST(SubtitleMarkup, OverrideBlocksAndAlignment) {
    auto script = Load(
        "1\n00:00:01,000 --> 00:00:02,000\n{\\an8}{\\i1}top{\\i0} {\\b1}b{\\b0} {x} {\\nope\n");
    ASSERT_EQ(script->cues.size(), 1u);
    EXPECT_EQ(TextOf(*script, 0), "top b {x} {\\nope");
    const CueStyle& style = script->styles[script->cues[0].style];
    EXPECT_EQ(style.halign, HAlign::Center);
    EXPECT_EQ(style.valign, VAlign::Top);
    const Cue& cue = script->cues[0];
    EXPECT_TRUE(script->spans[cue.firstSpan].italic);
    EXPECT_FALSE(script->spans[cue.firstSpan].bold);
    EXPECT_TRUE(script->spans[cue.firstSpan + 2].bold);

    // The keypad: 1 bottom-left, 5 centre, 9 top-right; {\an} in WebVTT overrides settings.
    CueStyle s;
    SetKeypadAlignment(s, 1);
    EXPECT_EQ(std::pair(s.halign, s.valign), std::pair(HAlign::Left, VAlign::Bottom));
    SetKeypadAlignment(s, 5);
    EXPECT_EQ(std::pair(s.halign, s.valign), std::pair(HAlign::Center, VAlign::Middle));
    SetKeypadAlignment(s, 9);
    EXPECT_EQ(std::pair(s.halign, s.valign), std::pair(HAlign::Right, VAlign::Top));
    auto vtt = Load("WEBVTT\n\n00:01.000 --> 00:02.000 line:0\n{\\an3}x\n");
    EXPECT_EQ(vtt->styles[vtt->cues[0].style].placement, Placement::Margins);
    EXPECT_EQ(vtt->styles[vtt->cues[0].style].halign, HAlign::Right);
}

TEST(SubtitleMarkup, CharacterReferences) {
    const auto visible = [](std::string_view markup) {
        std::string text;
        std::vector<TextSpan> spans;
        AppendMarkup(markup, text, spans);
        return text;
    };
    EXPECT_EQ(visible("&#39;&#x2014;&#X41;&apos;&copy;&amp;&lt;&nbsp;"), "'\u2014A'\u00A9&<\u00A0");
    // Two characters; case matters; C1 numbers as Windows-1252; what is no character.
    EXPECT_EQ(visible("&NotEqualTilde;&Eacute;&eacute;&#150;&#0;&#xD800;&#x110000;"),
              "\u2242\u0338\u00C9\u00E9\u2013\uFFFD\uFFFD\uFFFD");
    // Unknown, unterminated or too long: as written.
    EXPECT_EQ(visible("&bogus; &amp &#; &#x; AT&T &#123456789; &"),
              "&bogus; &amp &#; &#x; AT&T &#123456789; &");
}

TEST(SubtitleMarkup, LoneAngleBracketsAreText) {
    const auto visible = [](std::string_view markup) {
        std::string text;
        std::vector<TextSpan> spans;
        AppendMarkup(markup, text, spans);
        return text;
    };
    EXPECT_EQ(visible("5 < 6 and 7 > 3"), "5 < 6 and 7 > 3");
    EXPECT_EQ(visible("a <3 b > c"), "a <3 b > c");
    EXPECT_EQ(visible("x<<<i>y</i>"), "x<<y");
    EXPECT_EQ(visible("<00:00:01.000>t</ >"), "t</ >");
    EXPECT_EQ(visible("<unclosed"), "<unclosed");
}

TEST(SubtitleMarkup, WorstCasesStayCorrect) {
    // The shapes that were slow once: many unclosed '<', '{\' and '&', and deep <font> nesting.
    for (const std::string unit : {"<", "{\\", "&", "<a", "&#1"}) {
        std::string markup;
        for (int i = 0; i < 20000; ++i)
            markup += unit;
        std::string text;
        std::vector<TextSpan> spans;
        AppendMarkup(markup, text, spans);
        EXPECT_EQ(text, markup) << unit;
    }
    std::string fonts;
    for (int i = 0; i < 20000; ++i)
        fonts += i == 0 ? "<font color=#FF0000>" : "<font>x";
    std::string text;
    std::vector<TextSpan> spans;
    AppendMarkup(fonts, text, spans);
    EXPECT_EQ(text.size(), 19999u);
    ASSERT_EQ(spans.size(), 1u); // one red stretch: inner fonts without colour keep the outer
    EXPECT_EQ(spans[0].color.ToArgb(), 0xFFFF0000u);
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

TEST(SubtitleDetection, ByContentNotByName) {
    // A QuorENT script whose name ends in .srt is still read as QuorENT...
    EXPECT_EQ(Load("0 1 | x")->format, ScriptFormat::Quorent);
    // ...also when its text holds an arrow...
    EXPECT_EQ(Load("0 1 | a --> b\n")->format, ScriptFormat::Quorent);
    // ...and "WEBVTTX" is not a WebVTT header.
    EXPECT_NE(Error("WEBVTTX\n"), "");
    // A number alone, not followed by a time range, is not SubRip.
    EXPECT_EQ(Error("1\n\n"), "subs.srt:1: missing end time and \" | \" before the text");
    // A native script keeps its own line ends: a lone CR does not end a line there.
    EXPECT_EQ(Texts(*Load("0 1 | a\r0 2 | b\n")), std::vector<std::string>{"a\r0 2 | b"});
}

TEST(SubtitleDetection, SubRipAsPeopleHaveIt) {
    using testing::ElementsAre;
    // Without numbers, after a junk line and a doubled byte-order mark, with CR line ends.
    auto script = Load("\xEF\xBB\xBF\xEF\xBB\xBF"
                       "Downloaded from somewhere\r\r"
                       "00:00:01,000 --> 00:00:02,000\rOne\r\r"
                       "00:00:03,000 --> 00:00:04,000\rTwo\r");
    EXPECT_EQ(script->format, ScriptFormat::SubRip);
    EXPECT_THAT(Texts(*script), ElementsAre("One", "Two"));
    EXPECT_THAT(Warnings(*script), ElementsAre("1: text before the first cue skipped"));
    EXPECT_EQ(script->skippedLines, 1u);
    // The time range is looked for among the first eight non-blank lines.
    EXPECT_EQ(Load("a\nb\nc\nd\n\ne\nf\ng\n00:00:01,000 --> 00:00:02,000\nx\n")->format,
              ScriptFormat::SubRip);
    EXPECT_NE(Error("a\nb\nc\nd\ne\nf\ng\nh\n00:00:01,000 --> 00:00:02,000\nx\n"), "");
}

TEST(SubRip, CuesStartAtEveryTimeRange) {
    using testing::ElementsAre;
    // Cues without blank lines between them, a blank line inside a cue's text, a cue number
    // right before the next time range, and a number that is the text of a cue.
    auto script = Load("1\n00:00:01,000 --> 00:00:02,000\nfirst\n"
                       "00:00:02,000 --> 00:00:03,000\nsecond\n\nstill second\n\n"
                       "3\n00:00:03,000 --> 00:00:04,000\n42\n\n"
                       "00:00:05,000 --> 00:00:06,000 X1:10 X2:20\nlast\n");
    EXPECT_THAT(Texts(*script), ElementsAre("first", "second\nstill second", "42", "last"));
    EXPECT_TRUE(script->warnings.empty());
    // An arrow inside text is text.
    EXPECT_THAT(Texts(*Load("00:00:01,000 --> 00:00:02,000\ngo --> there\n")),
                ElementsAre("go --> there"));
}

TEST(SubRip, TimesAsWritten) {
    auto script = Load("00:00:01,5 --> 00:00:01,75\na\n\n"    // 1 to 3 digits
                       "00:00:02.000 --> 00:00:03:250\nb\n\n" // a point; HH:MM:SS:mmm
                       "0:00:04 --> 0:00:05\nc\n\n"           // no fraction
                       "01:02:03,004 --> 01:02:04,000\nd\n");
    ASSERT_EQ(script->cues.size(), 4u);
    EXPECT_EQ(script->cues[0].start, 1500);
    EXPECT_EQ(script->cues[0].end, 1750);
    EXPECT_EQ(script->cues[1].start, 2000);
    EXPECT_EQ(script->cues[1].end, 3250);
    EXPECT_EQ(script->cues[2].start, 4000);
    EXPECT_EQ(script->cues[3].start, 3723004);
    EXPECT_FALSE(ParseSubtitleTime("00:00:01,0000"));
    EXPECT_FALSE(ParseSubtitleTime("00:60:00,000"));
    EXPECT_FALSE(ParseSubtitleTime("15"));
}

TEST(SubRip, BadCuesAreSkippedWithTheirLine) {
    using testing::ElementsAre;
    auto script = Load("1\n00:00:00,00 --> 00:00:00,00\nzero\n\n"
                       "2\n00:00:04,000 --> 00:00:01,000\nreversed\n\n"
                       "3\n-00:00:01,000 --> 00:00:01,000\nnegative\n\n"
                       "4\n00:00:05 --> xx\nmalformed\n\n"
                       "5\n00:00:06,000 -->\nno end\n\n"
                       "6\n00:00:07,000 --> 00:00:08,000\ngood\n\n"
                       "7\n00:00:09,000 --> 00:"); // cut off
    EXPECT_THAT(Texts(*script), ElementsAre("good"));
    EXPECT_THAT(
        Warnings(*script),
        ElementsAre("2: cue skipped: end time 00:00:00.000 is not after start time 00:00:00.000",
                    "6: cue skipped: end time 00:00:01.000 is before start time 00:00:04.000",
                    "10: cue skipped: start time -00:00:01.000 is negative",
                    "14: cue skipped: bad end time in time range \"00:00:05 --> xx\"",
                    "18: cue skipped: missing end time in time range \"00:00:06,000 -->\"",
                    "26: cue skipped: bad end time in time range \"00:00:09,000 --> 00:\""));
    EXPECT_EQ(script->warningCount, 6u);
    EXPECT_EQ(script->skippedLines, 5u * 3 + 2);
}

TEST(SubRip, FailsOnlyWhenNothingCanBeShown) {
    EXPECT_EQ(Error("1\n00:00:04,000 --> 00:00:01,000\nbackwards\n"),
              "subs.srt:2: end time 00:00:01.000 is before start time 00:00:04.000 (no cue of "
              "the file can be shown)");
    // A cue with empty text (a file cut off after its last time range) still loads.
    EXPECT_EQ(Load("1\n00:00:01,000 --> 00:00:02,000\n")->cues.size(), 1u);
}
