// The drawing limits in a SubRip or WebVTT file: the cue that goes over one is skipped like any
// cue that cannot be shown, and the file fails only when nothing is left. (A native script
// failing on them is in script_errors_test.)
#include <gtest/gtest.h>

#include <cstdio>
#include <string>
#include <vector>

#include <gmock/gmock.h>

#include "drawlib/script_loader.h"
#include "script_test_support.h"

using namespace dq::drawlib;
using dqtest::Texts;
using dqtest::Warnings;
using testing::ElementsAre;

namespace {

struct TestCue {
    int startMs;
    int endMs;
    std::string text;
};

std::string Clock(int ms, char separator) {
    char out[32];
    std::snprintf(out, sizeof out, "00:%02d:%02d%c%03d", ms / 60000, ms / 1000 % 60, separator,
                  ms % 1000);
    return out;
}

// The same cues as a SubRip file (number, timing, text: the timing of cue k on line 4k + 2)
// or a WebVTT one (header and a blank line, then timing and text: cue k on line 3k + 3).
std::string SubRip(const std::vector<TestCue>& cues) {
    std::string file;
    for (size_t k = 0; k < cues.size(); ++k)
        file += std::to_string(k + 1) + "\n" + Clock(cues[k].startMs, ',') + " --> " +
                Clock(cues[k].endMs, ',') + "\n" + cues[k].text + "\n\n";
    return file;
}

std::string WebVtt(const std::vector<TestCue>& cues) {
    std::string file = "WEBVTT\n\n";
    for (const TestCue& cue : cues)
        file +=
            Clock(cue.startMs, '.') + " --> " + Clock(cue.endMs, '.') + "\n" + cue.text + "\n\n";
    return file;
}

struct Format {
    const char* name;
    std::string (*write)(const std::vector<TestCue>&);
    size_t (*timingLine)(size_t cue);
};

const Format kFormats[] = {
    {"subs.srt", SubRip, [](size_t k) { return 4 * k + 2; }},
    {"subs.vtt", WebVtt, [](size_t k) { return 3 * k + 3; }},
};

std::string Error(const Format& f, const std::vector<TestCue>& cues, int32_t frameHeight) {
    try {
        LoadScriptBytes(f.write(cues), f.name, frameHeight);
    } catch (const std::exception& e) {
        return e.what();
    }
    return "";
}

} // namespace

TEST(SubtitleLimits, TheCueOverALimitIsSkippedAndTheRestLoads) {
    // 48 px text at 1080 lines: a line of 4,000 characters is estimated at about 27 million
    // pixels, so two shown together are over 32 million and one is not.
    const std::string wide(4000, 'W');
    // A 10,001-character cue; drawn small (at 360 lines) so only its length is over.
    std::string longCue;
    for (int i = 0; i < 100; ++i)
        longCue += std::string(100, 'c') + "\n";
    for (const Format& f : kFormats) {
        SCOPED_TRACE(f.name);
        const std::string skipped = std::to_string(f.timingLine(1)) + ": cue skipped: ";

        auto script = LoadScriptBytes(
            f.write({{0, 1000, "short"}, {0, 1000, longCue + "c"}, {2000, 3000, "last"}}), f.name,
            360);
        EXPECT_THAT(Texts(*script), ElementsAre("short", "last"));
        EXPECT_THAT(
            Warnings(*script),
            ElementsAre(skipped + "cue text has 10001 characters, over the limit of 10000"));
        // The 10,000 characters of the same cue without its last one are within the limit.
        EXPECT_EQ(LoadScriptBytes(f.write({{0, 1000, longCue}}), f.name, 360)->cues.size(), 1u);

        script = LoadScriptBytes(
            f.write({{0, 5000, wide}, {1000, 2000, "B" + wide}, {5000, 6000, "C" + wide}}), f.name,
            1080);
        EXPECT_THAT(Texts(*script), ElementsAre(wide, "C" + wide));
        EXPECT_THAT(Warnings(*script),
                    ElementsAre(skipped + "the cues shown at 00:00:01.000 would take about 54 "
                                          "million pixels to draw, over the limit of 32 million "
                                          "(smaller or fewer texts)"));
        // At 540 lines the text is half the size: both fit.
        EXPECT_EQ(LoadScriptBytes(f.write({{0, 5000, wide}, {1000, 2000, "B" + wide}}), f.name, 540)
                      ->cues.size(),
                  2u);

        // 500 cues at once; the 501st is skipped, and one after them all is not.
        std::vector<TestCue> crowd(501, TestCue{0, 10000, "x"});
        crowd[1].startMs = 500; // starts last: the one over
        crowd.push_back({10000, 11000, "after"});
        script = LoadScriptBytes(f.write(crowd), f.name, 1080);
        EXPECT_EQ(script->cues.size(), 501u);
        EXPECT_THAT(Warnings(*script),
                    ElementsAre(skipped + "more than 500 cues shown at once (at 00:00:00.500)"));
        // Skipped cues are out of the index too: 500 are shown at 9.9 s, one at 10 s.
        std::vector<uint32_t> shown;
        script->index.Query(9900, shown);
        EXPECT_EQ(shown.size(), 500u);
        shown.clear();
        script->index.Query(10000, shown);
        EXPECT_EQ(shown.size(), 1u);
    }
}

TEST(SubtitleLimits, WarningsStayInFileOrderAndTheFileFailsOnlyWhenNothingIsLeft) {
    const std::string tooLong(10001, 'x');
    for (const Format& f : kFormats) {
        SCOPED_TRACE(f.name);
        const auto at = [&](size_t cue) { return std::to_string(f.timingLine(cue)) + ": "; };
        // A limit skip stands among the readers' own, by line, and counts its lines.
        auto script = LoadScriptBytes(f.write({{0, 1000, "ok"},
                                               {0, 1000, tooLong},
                                               {3000, 2000, "reversed"},
                                               {4000, 5000, "ok"}}),
                                      f.name, 1080);
        EXPECT_THAT(Texts(*script), ElementsAre("ok", "ok"));
        EXPECT_THAT(Warnings(*script),
                    ElementsAre(at(1) + "cue skipped: cue text has 10001 characters, over the "
                                        "limit of 10000",
                                at(2) + "cue skipped: end time 00:00:02.000 is before start time "
                                        "00:00:03.000"));
        EXPECT_EQ(script->warningCount, 2u);
        const size_t cueLines = f.write == SubRip ? 3 : 2;
        EXPECT_EQ(script->skippedLines, 2 * cueLines);

        // Nothing left to show: the first problem in the file, whichever kind it is.
        const std::string none = " (no cue of the file can be shown)";
        EXPECT_EQ(Error(f, {{0, 1000, tooLong}, {3000, 2000, "reversed"}}, 1080),
                  std::string(f.name) + ":" + at(0) +
                      "cue text has 10001 characters, over the limit of 10000" + none);
        EXPECT_EQ(Error(f, {{3000, 2000, "reversed"}, {0, 1000, tooLong}}, 1080),
                  std::string(f.name) + ":" + at(0) +
                      "end time 00:00:02.000 is before start time 00:00:03.000" + none);
        EXPECT_THAT(Error(f, {{0, 1000, std::string(7000, 'W')}}, 1080),
                    testing::StartsWith(std::string(f.name) + ":" + at(0) +
                                        "the cues shown at 00:00:00.000 would take about"));
        // The same single cue is fine where it is drawn smaller.
        EXPECT_EQ(Error(f, {{0, 1000, std::string(7000, 'W')}}, 540), "");
    }
}
