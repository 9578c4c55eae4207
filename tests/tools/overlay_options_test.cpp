// dq-overlay's command line: the values it turns into settings, and the mistakes it refuses.
#include <gtest/gtest.h>

#include <initializer_list>
#include <string>
#include <vector>

#include "overlay_options.h"
#include "tool_error.h"

namespace {

CommandAction Parse(std::initializer_list<const char*> words, OverlayOptions& options) {
    std::vector<char*> argv = {const_cast<char*>("dq-overlay")};
    for (const char* w : words)
        argv.push_back(const_cast<char*>(w));
    return ParseOverlayOptions(int(argv.size()), argv.data(), options);
}

} // namespace

TEST(OverlayOptions, ValuesBecomeSettings) {
    OverlayOptions o;
    ASSERT_EQ(Parse({"--delay", "-30",    "--start=1:30", "--duration", "90f",          "--frames",
                     "12",      "--size", "640x360",      "--rate",     "29.97",        "--script",
                     "s.txt",   "--hide", "--watch",      "--debug",    "--quality=23", "--codec",
                     "libx265", "in.bgr", "out.mp4"},
                    o),
              CommandAction::Run);
    EXPECT_EQ(o.delay, -30);
    EXPECT_EQ(o.startMs, 90'000);
    EXPECT_EQ(o.durationMs, 1'500); // 90 frames of 1/60 s
    EXPECT_EQ(o.frames, 12);
    EXPECT_EQ(o.rawWidth, 640);
    EXPECT_EQ(o.rawHeight, 360);
    EXPECT_EQ(o.rawRate.num, 2997);
    EXPECT_EQ(o.rawRate.den, 100);
    EXPECT_TRUE(o.hide && o.watch && o.debug);
    EXPECT_EQ(o.quality, 23);
    EXPECT_EQ(o.codec, "libx265");
    EXPECT_EQ(o.input, "in.bgr");
    EXPECT_EQ(o.output, "out.mp4");

    OverlayOptions ntsc;
    Parse({"--size", "2x2", "--rate", "30000/1001", "-", "--", "--odd-name.mkv"}, ntsc);
    EXPECT_EQ(ntsc.rawRate.num, 30000);
    EXPECT_EQ(ntsc.rawRate.den, 1001);
    EXPECT_EQ(ntsc.input, "-"); // standard input
    EXPECT_EQ(ntsc.output, "--odd-name.mkv");

    OverlayOptions help;
    EXPECT_EQ(Parse({"in.mp4", "--help"}, help), CommandAction::Help);
    EXPECT_EQ(Parse({"--version"}, help), CommandAction::Version);
}

TEST(OverlayOptions, MistakesAreRefusedWithAUsageError) {
    for (std::initializer_list<const char*> words : {
             std::initializer_list<const char*>{"in.mp4"},
             {"in.mp4", "out.mp4", "extra.mp4"},
             {"--delay", "1.5", "in.mp4", "out.mp4"},
             {"--delay", "in.mp4", "out.mp4"}, // the value is taken, OUTPUT is missing
             {"--start", "-1", "in.mp4", "out.mp4"},
             {"--start", "1:75", "in.mp4", "out.mp4"},
             {"--duration", "0", "in.mp4", "out.mp4"},
             {"--frames", "0", "in.mp4", "out.mp4"},
             {"--size", "640", "in.bgr", "out.mp4"},
             {"--size", "0x10", "in.bgr", "out.mp4"},
             {"--size", "2x2", "--rate", "0", "in.bgr", "out.mp4"},
             {"--size", "2x2", "--rate", "fast", "in.bgr", "out.mp4"},
             {"--rate", "25", "in.mp4", "out.mp4"}, // a rate is for raw input
             {"--hide=1", "in.mp4", "out.mp4"},
             {"-x", "in.mp4", "out.mp4"},
             {"--quiet", "--verbose", "in.mp4", "out.mp4"},
             {"-", "out.mp4"}, // standard input is raw, so its size is needed
         }) {
        OverlayOptions o;
        try {
            Parse(words, o);
            ADD_FAILURE() << "accepted: " << *words.begin();
        } catch (const ToolError& e) {
            EXPECT_EQ(e.ExitCode(), kExitUsage);
            EXPECT_NE(std::string(e.what()).find("(see dq-overlay --help)"), std::string::npos);
        }
    }
}
