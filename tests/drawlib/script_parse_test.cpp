#include <gtest/gtest.h>

#include <string>

#include "drawlib/quorent_parser.h"
#include "drawlib/script_loader.h"
#include "drawlib/script_time.h"
#include "script_test_support.h"

using namespace dq::drawlib;
using dqtest::TextOf;

namespace {

std::unique_ptr<Script> Load(const std::string& text, int32_t frameHeight = 1080) {
    return LoadScriptBytes(text, "test.txt", frameHeight);
}

const CueStyle& StyleOf(const Script& script, size_t cue) {
    return script.styles[script.cues.at(cue).style];
}

} // namespace

TEST(ScriptTime, ClockForms) {
    EXPECT_EQ(ParseTime("5"), 5000);
    EXPECT_EQ(ParseTime("5.25"), 5250);
    EXPECT_EQ(ParseTime("5,25"), 5250);
    EXPECT_EQ(ParseTime("01:05.5"), 65500);
    EXPECT_EQ(ParseTime("1:02:03.040"), 3723040);
    EXPECT_EQ(ParseTime("1:02:03,040"), 3723040);
    EXPECT_EQ(ParseTime("75"), 75000);      // no larger unit: any number of seconds
    EXPECT_EQ(ParseTime("75:00"), 4500000); // nor of minutes
    EXPECT_EQ(ParseTime("0.0005"), 1);      // rounded to the nearest millisecond
    EXPECT_EQ(ParseTime("0.0004"), 0);
    EXPECT_EQ(ParseTime("00:00:01.0000000"), 1000);
}

TEST(ScriptTime, FramesOfASixtiethOfASecond) {
    EXPECT_EQ(ParseTime("90f"), 1500);
    EXPECT_EQ(ParseTime("0f"), 0);
    EXPECT_EQ(ParseTime("1f"), 17); // 16.67 ms
    EXPECT_EQ(ParseTime("2f"), 33); // 33.33 ms
    EXPECT_EQ(FramesToMs(-1), -17);
    EXPECT_EQ(FramesToMs(-2), -33);
    EXPECT_EQ(FramesToMs(60), 1000);
    EXPECT_EQ(FramesToMs(2147483647), 35791394117);
}

TEST(ScriptTime, RejectsMalformedTimes) {
    for (const char* bad : {"", "1:60", "1:00:60", "1:60:00", "-5", "5.", ".5", "a", "1::2",
                            "1:2:3:4", "5s", "f", "1.5f", "-3f", "1 2", "+5"})
        EXPECT_FALSE(ParseTime(bad).has_value()) << bad;
}

TEST(ScriptTime, Formats) {
    EXPECT_EQ(FormatTime(2000), "00:00:02.000");
    EXPECT_EQ(FormatTime(3723040), "01:02:03.040");
    EXPECT_EQ(FormatTime(-1500), "-00:00:01.500");
    char clock[32];
    FormatClock(clock, sizeof clock, 3723040);
    EXPECT_STREQ(clock, "1:02:03.040");
}

TEST(QuorentParse, CueTimesAndRelativeEnd) {
    const auto script = Load("0:01 0:04 | a\n"
                             "0:04.5 +3 | b\n"
                             "90f +30f | c\n"
                             "1:00:00 1:00:00.001 | d\n");
    ASSERT_EQ(script->cues.size(), 4u);
    EXPECT_EQ(script->cues[0].start, 1000);
    EXPECT_EQ(script->cues[0].end, 4000);
    EXPECT_EQ(script->cues[1].start, 4500);
    EXPECT_EQ(script->cues[1].end, 7500);
    EXPECT_EQ(script->cues[2].start, 1500);
    EXPECT_EQ(script->cues[2].end, 2000);
    EXPECT_EQ(script->cues[3].end - script->cues[3].start, 1);
}

TEST(QuorentParse, DefaultsOfEveryAttribute) {
    const auto script = Load("0 1 | x");
    const CueStyle& s = StyleOf(*script, 0);
    EXPECT_EQ(s.font, "sans-serif");
    EXPECT_EQ(s.size, 48);
    EXPECT_FALSE(s.bold);
    EXPECT_FALSE(s.italic);
    EXPECT_EQ(s.color.ToArgb(), 0xFFFFFFFFu);
    EXPECT_EQ(s.outline, 2);
    EXPECT_EQ(s.outlineColor.ToArgb(), 0xFF000000u);
    EXPECT_EQ(s.shadow, 0);
    EXPECT_EQ(s.shadowColor.ToArgb(), 0x80000000u);
    EXPECT_FALSE(s.hasBox);
    EXPECT_EQ(s.halign, HAlign::Center);
    EXPECT_EQ(s.valign, VAlign::Bottom);
    EXPECT_EQ(s.marginH, 40);
    EXPECT_EQ(s.marginV, 40);
    EXPECT_EQ(s.placement, Placement::Margins);
    EXPECT_EQ(s.fadeIn, 0);
    EXPECT_EQ(s.fadeOut, 0);
    EXPECT_EQ(s.layer, 0);
    EXPECT_TRUE(s.wrap);
}

TEST(QuorentParse, EveryAttribute) {
    const auto script = Load(
        "0 1 font=\"DejaVu Sans, sans-serif\" size=56.5 bold italic=1 color=#80FF0000 outline=3 "
        "outline-color=#00FF00 shadow=4 shadow-color=#400000FF box=#A0000000 align=top-right "
        "margin=30,20 fade=300,400 layer=-2 wrap=off | x\n"
        "0 1 bold=0 italic=0 margin=12 fade=250 pos=960,-540 | y\n"
        "0 1 move=0,1,2.5,-3 | z\n"
        "0 1 scroll=up | w\n");
    const CueStyle& a = StyleOf(*script, 0);
    EXPECT_EQ(a.font, "DejaVu Sans, sans-serif");
    EXPECT_EQ(a.size, 56.5f);
    EXPECT_TRUE(a.bold);
    EXPECT_TRUE(a.italic);
    EXPECT_EQ(a.color.ToArgb(), 0x80FF0000u);
    EXPECT_EQ(a.outline, 3);
    EXPECT_EQ(a.outlineColor.ToArgb(), 0xFF00FF00u);
    EXPECT_EQ(a.shadow, 4);
    EXPECT_EQ(a.shadowColor.ToArgb(), 0x400000FFu);
    EXPECT_TRUE(a.hasBox);
    EXPECT_EQ(a.box.ToArgb(), 0xA0000000u);
    EXPECT_EQ(a.halign, HAlign::Right);
    EXPECT_EQ(a.valign, VAlign::Top);
    EXPECT_EQ(a.marginH, 30);
    EXPECT_EQ(a.marginV, 20);
    EXPECT_EQ(a.fadeIn, 300);
    EXPECT_EQ(a.fadeOut, 400);
    EXPECT_EQ(a.layer, -2);
    EXPECT_FALSE(a.wrap);

    const CueStyle& b = StyleOf(*script, 1);
    EXPECT_FALSE(b.bold);
    EXPECT_FALSE(b.italic);
    EXPECT_EQ(b.marginH, 12);
    EXPECT_EQ(b.marginV, 12);
    EXPECT_EQ(b.fadeIn, 250);
    EXPECT_EQ(b.fadeOut, 0);
    EXPECT_EQ(b.placement, Placement::Pos);
    EXPECT_EQ(b.x1, 960);
    EXPECT_EQ(b.y1, -540);

    const CueStyle& c = StyleOf(*script, 2);
    EXPECT_EQ(c.placement, Placement::Move);
    EXPECT_EQ(c.x2, 2.5f);
    EXPECT_EQ(c.y2, -3);
    const CueStyle& d = StyleOf(*script, 3);
    EXPECT_EQ(d.placement, Placement::Scroll);
    EXPECT_EQ(d.scroll, ScrollDirection::Up);
}

TEST(QuorentParse, AllNineAlignments) {
    const struct {
        const char* name;
        HAlign h;
        VAlign v;
    } cases[] = {
        {"top-left", HAlign::Left, VAlign::Top},        {"top", HAlign::Center, VAlign::Top},
        {"top-right", HAlign::Right, VAlign::Top},      {"left", HAlign::Left, VAlign::Middle},
        {"center", HAlign::Center, VAlign::Middle},     {"right", HAlign::Right, VAlign::Middle},
        {"bottom-left", HAlign::Left, VAlign::Bottom},  {"bottom", HAlign::Center, VAlign::Bottom},
        {"bottom-right", HAlign::Right, VAlign::Bottom}};
    for (const auto& c : cases) {
        const auto script = Load(std::string("0 1 align=") + c.name + " | x");
        EXPECT_EQ(StyleOf(*script, 0).halign, c.h) << c.name;
        EXPECT_EQ(StyleOf(*script, 0).valign, c.v) << c.name;
    }
}

TEST(QuorentParse, StylesBuildOnDefaultsAndBases) {
    const auto script = Load("@style default size=56 outline=3\n"
                             "@style sign size=40 color=#FFE000 box=#A0000000\n"
                             "@style big base=sign size=80\n"
                             "@style default outline=5\n" // cumulative, for what follows
                             "@style late\n"
                             "0 1 style=sign | a\n"
                             "0 1 style=big | b\n"
                             "0 1 style=late | c\n"
                             "0 1 size=20 style=sign | d\n" // style first, then the rest
                             "0 1 | e\n"
                             "0 1 style=sign box=none | f\n");
    EXPECT_EQ(StyleOf(*script, 0).size, 40);
    EXPECT_EQ(StyleOf(*script, 0).outline, 3);
    EXPECT_EQ(StyleOf(*script, 0).color.ToArgb(), 0xFFFFE000u);
    EXPECT_EQ(StyleOf(*script, 1).size, 80);
    EXPECT_TRUE(StyleOf(*script, 1).hasBox);
    EXPECT_EQ(StyleOf(*script, 1).color.ToArgb(), 0xFFFFE000u);
    EXPECT_EQ(StyleOf(*script, 2).size, 56);
    EXPECT_EQ(StyleOf(*script, 2).outline, 5);
    EXPECT_EQ(StyleOf(*script, 3).size, 20);
    EXPECT_EQ(StyleOf(*script, 3).color.ToArgb(), 0xFFFFE000u);
    EXPECT_EQ(StyleOf(*script, 4).outline, 5);
    EXPECT_EQ(StyleOf(*script, 0).outline, 3); // sign was defined before the change
    EXPECT_FALSE(StyleOf(*script, 5).hasBox);
}

TEST(QuorentParse, CuePlacementReplacesTheStyles) {
    const auto script = Load("@style fixed pos=10,20\n"
                             "0 1 style=fixed | a\n"
                             "0 1 style=fixed move=0,0,5,5 | b\n"
                             "0 1 style=fixed pos=none | c\n");
    EXPECT_EQ(StyleOf(*script, 0).placement, Placement::Pos);
    EXPECT_EQ(StyleOf(*script, 1).placement, Placement::Move);
    EXPECT_EQ(StyleOf(*script, 2).placement, Placement::Margins);
}

TEST(QuorentParse, EqualStylesAreShared) {
    const auto script = Load("0 1 | a\n0 1 size=48 | b\n0 1 size=20 | c\n0 1 | d\n");
    EXPECT_EQ(script->styles.size(), 2u);
    EXPECT_EQ(script->cues[0].style, script->cues[3].style);
}

TEST(QuorentParse, DirectivesCommentsAndBlankLines) {
    const auto script = Load("# comment\n"
                             "   # indented comment\n"
                             "\n"
                             "  \t \n"
                             "@quorent 1\n"
                             "@resolution 1920x1080\n"
                             "  0 1 | indented cue\n");
    EXPECT_EQ(script->resolutionWidth, 1920);
    EXPECT_EQ(script->resolutionHeight, 1080);
    ASSERT_EQ(script->cues.size(), 1u);
    EXPECT_EQ(TextOf(*script, 0), "indented cue");
    EXPECT_EQ(Load("0 1 | x")->resolutionWidth, 0);
    EXPECT_EQ(Load("@resolution 640X480")->resolutionHeight, 480);
}

TEST(QuorentParse, TextSeparatorEscapesAndTrimming) {
    const auto script = Load("0 1 |   padded text   \n"
                             "0 1 | a | b\n"
                             "0 1 | Two lines\\nof text\n"
                             "0 1 | back\\\\slash, C:\\temp\\n\n"
                             "0 1 |\n"
                             "0 1 font=\"A | B\" | quoted bar\n"
                             "0 1 | x|y\n");
    EXPECT_EQ(TextOf(*script, 0), "padded text");
    EXPECT_EQ(TextOf(*script, 1), "a | b");
    EXPECT_EQ(TextOf(*script, 2), "Two lines\nof text");
    EXPECT_EQ(TextOf(*script, 3), "back\\slash, C:\\temp\n");
    EXPECT_EQ(script->cues[4].spanCount, 0u); // empty text: nothing to draw
    EXPECT_EQ(StyleOf(*script, 5).font, "A | B");
    EXPECT_EQ(TextOf(*script, 5), "quoted bar");
    EXPECT_EQ(TextOf(*script, 6), "x|y");
}

TEST(QuorentParse, QuotedValuesWithEscapes) {
    const auto script = Load("0 1 font=\"My \\\"Quoted\\\" \\\\ Font\" | x");
    EXPECT_EQ(StyleOf(*script, 0).font, "My \"Quoted\" \\ Font");
}

TEST(QuorentParse, KeywordValuesIgnoreCase) {
    const auto script = Load("0 1 align=Top-Left wrap=OFF scroll=Left box=#a0b0c0 | x");
    EXPECT_EQ(StyleOf(*script, 0).halign, HAlign::Left);
    EXPECT_FALSE(StyleOf(*script, 0).wrap);
    EXPECT_EQ(StyleOf(*script, 0).box.ToArgb(), 0xFFA0B0C0u);
}

TEST(ScriptEncoding, BomsAndLineEndings) {
    const std::string plain = "0 1 | caf\xC3\xA9\r\n0 2 | \xF0\x9F\x8E\xAC\n";
    for (const std::string& bytes : {plain, "\xEF\xBB\xBF" + plain}) {
        const auto script = Load(bytes);
        ASSERT_EQ(script->cues.size(), 2u);
        EXPECT_EQ(TextOf(*script, 0), "caf\xC3\xA9");
        EXPECT_EQ(TextOf(*script, 1), "\xF0\x9F\x8E\xAC");
    }
    // The same text as UTF-16, both byte orders, with a surrogate pair.
    const std::u16string wide = u"0 1 | caf\u00E9\r\n0 2 | \U0001F3AC\n";
    std::string le = "\xFF\xFE", be = "\xFE\xFF";
    for (const char16_t c : wide) {
        le += char(c & 0xFF), le += char(c >> 8);
        be += char(c >> 8), be += char(c & 0xFF);
    }
    for (const std::string& bytes : {le, be}) {
        const auto script = Load(bytes);
        ASSERT_EQ(script->cues.size(), 2u);
        EXPECT_EQ(TextOf(*script, 0), "caf\xC3\xA9");
        EXPECT_EQ(TextOf(*script, 1), "\xF0\x9F\x8E\xAC");
    }
}

TEST(ScriptEncoding, EmptyFileLoadsWithNoCues) {
    EXPECT_TRUE(Load("")->cues.empty());
    EXPECT_TRUE(Load("\xEF\xBB\xBF")->cues.empty());
    EXPECT_TRUE(Load("# only a comment\n\n")->cues.empty());
}
