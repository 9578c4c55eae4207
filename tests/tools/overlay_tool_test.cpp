// dq-overlay end to end, run as a user runs it, on small generated clips: what comes out, frame by
// frame and pixel by pixel, and how it fails.
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <algorithm>
#include <csignal>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <set>
#include <string>
#include <vector>

#include "clip_writer.h"
#include "media_probe.h"
#include "tool_process.h"
#include "tool_test_folder.h"

namespace fs = std::filesystem;

namespace {

// Small frames with an odd width, so bottom-up rows are padded inside the graph.
constexpr int kWidth = 93;
constexpr int kHeight = 64;
constexpr int kFrames = 25; // 2.5 s at 10 fps
constexpr size_t kFrameBytes = size_t(kWidth) * kHeight * 3;
const std::string kSize = "93x64";

// Never pure green, the colour of the cues' boxes.
uint8_t Pattern(int frame, int x, int y, int channel) {
    switch (channel) {
    case 0:
        return uint8_t(x * 7 + frame * 3);
    case 1:
        return uint8_t((y * 5 + frame) & 0x7F);
    default:
        return uint8_t(x + y + frame * 11);
    }
}

std::vector<uint8_t> PatternFrame(int frame) {
    std::vector<uint8_t> bgr(kFrameBytes);
    for (int y = 0; y < kHeight; ++y)
        for (int x = 0; x < kWidth; ++x)
            for (int c = 0; c < 3; ++c)
                bgr[(size_t(y) * kWidth + x) * 3 + c] = Pattern(frame, x, y, c);
    return bgr;
}

struct Rect {
    int left, top, right, bottom; // inclusive
    bool operator==(const Rect&) const = default;
};

// Where a frame differs from the input's frame: the bounding rectangle, and whether every pixel
// in it (and none outside it) was changed, to pure green. Empty when nothing changed.
struct Change {
    bool any = false;
    Rect box = {};
    bool solidGreen = false;
};

Change Compare(const std::vector<uint8_t>& in, const uint8_t* out) {
    Change change;
    int changed = 0;
    bool green = true;
    for (int y = 0; y < kHeight; ++y)
        for (int x = 0; x < kWidth; ++x) {
            const size_t i = (size_t(y) * kWidth + x) * 3;
            if (std::equal(out + i, out + i + 3, in.begin() + long(i)))
                continue;
            if (!change.any)
                change.box = {x, y, x, y};
            change.any = true;
            change.box = {std::min(change.box.left, x), std::min(change.box.top, y),
                          std::max(change.box.right, x), std::max(change.box.bottom, y)};
            ++changed;
            green = green && out[i] == 0 && out[i + 1] == 255 && out[i + 2] == 0;
        }
    const Rect& b = change.box;
    change.solidGreen =
        change.any && green && changed == (b.right - b.left + 1) * (b.bottom - b.top + 1);
    return change;
}

// A box with its text in the box's colour: everything a cue draws is one green rectangle.
const char* kBoxStyle = "@style default font=\"DejaVu Sans\" size=12 color=#00FF00 outline=0 "
                        "shadow=0 box=#FF00FF00 margin=4\n";

class OverlayTool : public ToolTestFolder {
protected:
    void SetUp() override {
        ToolTestFolder::SetUp();
        if (HasFatalFailure())
            return;
        std::ofstream raw(Path("in.bgr"), std::ios::binary);
        for (int f = 0; f < kFrames; ++f) {
            const auto frame = PatternFrame(f);
            raw.write(reinterpret_cast<const char*>(frame.data()), long(frame.size()));
        }
    }
    void WriteFile(const std::string& name, const std::string& text) const {
        std::ofstream(Path(name), std::ios::binary) << text;
    }
    // Raw in, raw out, with the given extra arguments.
    ToolResult RunRaw(std::vector<std::string> args, const std::string& out = "out.bgr") {
        std::vector<std::string> all = {"--size", kSize, "--rate", "10"};
        all.insert(all.end(), args.begin(), args.end());
        all.push_back(Path("in.bgr"));
        all.push_back(Path(out));
        return RunTool(all);
    }
    // Each output frame's change against its input frame.
    std::vector<Change> Changes(const std::vector<uint8_t>& out, int firstInputFrame = 0) {
        std::vector<Change> changes;
        EXPECT_EQ(out.size() % kFrameBytes, 0u);
        for (size_t f = 0; f < out.size() / kFrameBytes; ++f)
            changes.push_back(
                Compare(PatternFrame(firstInputFrame + int(f)), out.data() + f * kFrameBytes));
        return changes;
    }
};

// The frames in [first, last) carry the same solid green rectangle, at the top-left margin;
// all others are untouched.
void ExpectBoxDuring(const std::vector<Change>& changes, int first, int last) {
    ASSERT_EQ(changes.size(), size_t(kFrames));
    for (int f = 0; f < kFrames; ++f) {
        SCOPED_TRACE(testing::Message() << "frame " << f);
        const Change& c = changes[size_t(f)];
        if (f < first || f >= last) {
            EXPECT_FALSE(c.any);
            continue;
        }
        ASSERT_TRUE(c.any);
        EXPECT_TRUE(c.solidGreen);
        EXPECT_EQ(c.box.left, 4); // the box's edges sit at the margins, top and left
        EXPECT_EQ(c.box.top, 4);
        EXPECT_EQ(c.box, changes[size_t(first)].box);
    }
}

} // namespace

TEST_F(OverlayTool, ABoxCueChangesExactlyItsRectangleWhileItIsShown) {
    WriteFile("box.txt", std::string(kBoxStyle) + "0.5 1.0 align=top-left | X\n");
    const ToolResult r = RunRaw({"--script", Path("box.txt")});
    ASSERT_EQ(r.exitCode, 0) << r.stderrText;
    EXPECT_EQ(r.stderrText, ""); // not a terminal: no progress, nothing to say
    const auto out = ReadFile("out.bgr");
    ASSERT_EQ(out.size(), kFrames * kFrameBytes);
    // At 10 fps, frames 5 to 9 lie in [0.5 s, 1.0 s); the top-left box shows at the picture's
    // top, so the frames went through the filter bottom-up and came back the right way round.
    ExpectBoxDuring(Changes(out), 5, 10);
}

TEST_F(OverlayTool, ADelayOf60FramesShowsEveryCueOneSecondLater) {
    WriteFile("box.txt", std::string(kBoxStyle) + "0.2 0.4 align=top-left | X\n"
                                                  "0.5 0.7 align=top-left | X\n");
    const ToolResult plain = RunRaw({"--script", Path("box.txt")}, "plain.bgr");
    const ToolResult delayed = RunRaw({"--script", Path("box.txt"), "--delay", "60"}, "late.bgr");
    ASSERT_EQ(plain.exitCode, 0) << plain.stderrText;
    ASSERT_EQ(delayed.exitCode, 0) << delayed.stderrText;
    const auto early = Changes(ReadFile("plain.bgr"));
    const auto late = Changes(ReadFile("late.bgr"));
    ASSERT_EQ(early.size(), size_t(kFrames));
    ASSERT_EQ(late.size(), size_t(kFrames));
    for (int f = 0; f < kFrames; ++f) {
        SCOPED_TRACE(testing::Message() << "frame " << f);
        const bool shown = (f >= 2 && f < 4) || (f >= 5 && f < 7);
        EXPECT_EQ(early[size_t(f)].any, shown);
        // 60 frames of 1/60 s: 10 video frames later.
        EXPECT_EQ(late[size_t(f)].any, f >= 10 && early[size_t(f - 10)].any);
        if (f >= 10 && late[size_t(f)].any) {
            EXPECT_EQ(late[size_t(f)].box, early[size_t(f - 10)].box);
        }
    }
}

TEST_F(OverlayTool, HideGivesTheInputByteForByteAsRawAndAsPng) {
    WriteFile("box.txt", std::string(kBoxStyle) + "0 10 align=top-left | X\n");
    const ToolResult raw = RunRaw({"--script", Path("box.txt"), "--hide"});
    ASSERT_EQ(raw.exitCode, 0) << raw.stderrText;
    EXPECT_EQ(ReadFile("out.bgr"), ReadFile("in.bgr"));

    const ToolResult png = RunRaw({"--script", Path("box.txt"), "--hide"}, "still-%03d.png");
    ASSERT_EQ(png.exitCode, 0) << png.stderrText;
    for (int f = 0; f < kFrames; ++f) {
        char name[32];
        std::snprintf(name, sizeof name, "still-%03d.png", f + 1); // numbered from 1
        const ProbedMedia still = ProbeMedia(Path(name));
        ASSERT_EQ(still.frames.size(), 1u) << name;
        EXPECT_EQ(still.frames[0].bgr, PatternFrame(f)) << name;
    }
    EXPECT_FALSE(fs::exists(Path("still-026.png")));
}

TEST_F(OverlayTool, PngStillsHoldTheSamePicturesAsRawOutput) {
    WriteFile("box.txt", std::string(kBoxStyle) + "0.5 1.0 align=top-left | X\n");
    ASSERT_EQ(RunRaw({"--script", Path("box.txt")}).exitCode, 0);
    ASSERT_EQ(RunRaw({"--script", Path("box.txt")}, "f-%05d.png").exitCode, 0);
    // A name without a pattern holds the first frame of the range.
    ASSERT_EQ(RunRaw({"--script", Path("box.txt"), "--start", "0.7"}, "one.png").exitCode, 0);
    const auto raw = ReadFile("out.bgr");
    for (int f = 0; f < kFrames; ++f) {
        char name[32];
        std::snprintf(name, sizeof name, "f-%05d.png", f + 1);
        const ProbedMedia still = ProbeMedia(Path(name));
        ASSERT_EQ(still.frames.size(), 1u) << name;
        EXPECT_TRUE(std::equal(still.frames[0].bgr.begin(), still.frames[0].bgr.end(),
                               raw.begin() + long(f * kFrameBytes)))
            << name;
    }
    const ProbedMedia one = ProbeMedia(Path("one.png"));
    ASSERT_EQ(one.frames.size(), 1u);
    EXPECT_TRUE(std::equal(one.frames[0].bgr.begin(), one.frames[0].bgr.end(),
                           raw.begin() + long(7 * kFrameBytes)));
}

TEST_F(OverlayTool, StartAndFramesTakePartOfTheInputWithTheOverlayOfItsOwnTimes) {
    WriteFile("box.txt", std::string(kBoxStyle) + "1.1 1.3 align=top-left | X\n");
    const ToolResult r = RunRaw({"--script", Path("box.txt"), "--start", "1", "--frames", "4"});
    ASSERT_EQ(r.exitCode, 0) << r.stderrText;
    const auto out = ReadFile("out.bgr");
    ASSERT_EQ(out.size(), 4 * kFrameBytes);
    // Input frames 10 to 13; the cue shows at 1.1 and 1.2 s.
    const auto changes = Changes(out, 10);
    EXPECT_FALSE(changes[0].any);
    EXPECT_TRUE(changes[1].solidGreen);
    EXPECT_TRUE(changes[2].solidGreen);
    EXPECT_FALSE(changes[3].any);

    const ToolResult d = RunRaw({"--start", "2", "--duration", "0.25"}, "tail.bgr");
    ASSERT_EQ(d.exitCode, 0) << d.stderrText;
    const auto tail = ReadFile("tail.bgr");
    ASSERT_EQ(tail.size(), 3 * kFrameBytes); // 2.0, 2.1, 2.2
    EXPECT_FALSE(Changes(tail, 20)[0].any);
}

// Frames at uneven times, and sound, through an encoded container and back.
TEST_F(OverlayTool, FrameTimesAndCountAndAudioSurviveAContainer) {
    const std::vector<int64_t> times = {0, 40, 100, 120, 200, 280, 290, 400, 440, 520, 600, 640};
    struct Case {
        const char* input;
        const char* output;
        const char* videoEncoder;
        const char* audioEncoder;
    };
    for (const Case& c : {Case{"in.mkv", "out.mkv", "ffv1", "pcm_s16le"},
                          Case{"in.mp4", "out.mp4", "libx264", "aac"}}) {
        SCOPED_TRACE(c.output);
        ClipSpec spec;
        spec.width = 96;
        spec.height = 64;
        spec.timeBase = {1, 1000};
        spec.frameRate = {20, 1};
        spec.pts = times;
        spec.videoEncoder = c.videoEncoder;
        spec.audioEncoder = c.audioEncoder;
        spec.paint = [](int frame, uint8_t* bgr, int stride) {
            for (int y = 0; y < 64; ++y)
                std::fill_n(bgr + y * stride, 96 * 3, uint8_t(frame * 20));
        };
        ClipWriter::Write(Path(c.input), spec);
        WriteFile("cue.txt", "0.1 0.3 | Hello\n");

        const ToolResult r = RunTool({"--script", Path("cue.txt"), Path(c.input), Path(c.output)});
        ASSERT_EQ(r.exitCode, 0) << r.stderrText;
        const ProbedMedia in = ProbeMedia(Path(c.input));
        const ProbedMedia out = ProbeMedia(Path(c.output));
        ASSERT_EQ(out.frames.size(), times.size());
        ASSERT_EQ(in.frames.size(), times.size());
        for (size_t i = 0; i < times.size(); ++i)
            EXPECT_NEAR(out.frames[i].time, in.frames[i].time, 1e-6) << "frame " << i;
        EXPECT_EQ(out.videoCodec, "h264");
        // The sound is copied packet for packet.
        EXPECT_EQ(out.audioCodec, in.audioCodec);
        ASSERT_FALSE(in.audio.empty());
        ASSERT_EQ(out.audio.size(), in.audio.size());
        for (size_t i = 0; i < in.audio.size(); ++i)
            EXPECT_EQ(out.audio[i].data, in.audio[i].data) << "audio packet " << i;
    }
}

// A clip of 20 frames at 10 fps with a tone, in an mp4 file.
void WriteToneClip(const std::string& path) {
    ClipSpec spec;
    spec.width = 64;
    spec.height = 48;
    spec.timeBase = {1, 10};
    spec.frameRate = {10, 1};
    spec.pts = ClipWriter::ConstantRate(20);
    spec.audioEncoder = "aac";
    spec.paint = [](int frame, uint8_t* bgr, int stride) {
        for (int y = 0; y < 48; ++y)
            std::fill_n(bgr + y * stride, 64 * 3, uint8_t(frame * 10));
    };
    ClipWriter::Write(path, spec);
}

TEST_F(OverlayTool, ACutOutputStartsAtZeroWithItsSoundCutWithThePicture) {
    WriteToneClip(Path("tone.mp4"));
    const ToolResult r =
        RunTool({"--start", "0.5", "--frames", "8", Path("tone.mp4"), Path("cut.mkv")});
    ASSERT_EQ(r.exitCode, 0) << r.stderrText;
    const ProbedMedia in = ProbeMedia(Path("tone.mp4"));
    const ProbedMedia out = ProbeMedia(Path("cut.mkv"));
    ASSERT_EQ(out.frames.size(), 8u);
    for (size_t i = 0; i < out.frames.size(); ++i)
        EXPECT_NEAR(out.frames[i].time, 0.1 * double(i), 1e-3) << "frame " << i;
    // The packets of the input from 0.5 s to 1.3 s (where the eighth frame ends), moved to 0.
    std::vector<ProbedPacket> expected;
    for (const ProbedPacket& p : in.audio)
        if (p.time >= 0.5 - 1e-9 && p.time < 1.3 - 1e-9)
            expected.push_back(p);
    ASSERT_EQ(out.audio.size(), expected.size());
    ASSERT_FALSE(expected.empty());
    for (size_t i = 0; i < expected.size(); ++i) {
        EXPECT_EQ(out.audio[i].data, expected[i].data) << "audio packet " << i;
        EXPECT_NEAR(out.audio[i].time, expected[i].time - 0.5, 1e-3) << "audio packet " << i;
    }
}

TEST_F(OverlayTool, EachContainerGetsEveryPictureAndTheSoundItCanHold) {
    WriteToneClip(Path("tone.mp4"));
    // WebM takes no AAC: the picture alone, and a note.
    const ToolResult webm = RunTool({Path("tone.mp4"), Path("out.webm")});
    ASSERT_EQ(webm.exitCode, 0) << webm.stderrText;
    EXPECT_EQ(webm.stderrText,
              "dq-overlay: '" + Path("out.webm") +
                  "' cannot hold the input's aac audio (stream 1); it is left out\n");
    const ProbedMedia vp9 = ProbeMedia(Path("out.webm"));
    EXPECT_EQ(vp9.videoCodec, "vp9");
    EXPECT_EQ(vp9.frames.size(), 20u);
    EXPECT_EQ(vp9.audioCodec, "");
    // AVI counts frames rather than keeping times: one frame per tick, none added or lost.
    const ToolResult avi = RunTool({Path("tone.mp4"), Path("out.avi")});
    ASSERT_EQ(avi.exitCode, 0) << avi.stderrText;
    const ProbedMedia h264 = ProbeMedia(Path("out.avi"));
    EXPECT_EQ(h264.frames.size(), 20u);
    EXPECT_EQ(h264.audioCodec, "aac");
}

TEST_F(OverlayTool, RawFramesFromAPipeSkipToTheStart) {
    ToolProcess tool({"--size", kSize, "--rate", "10", "--start", "1.5", "-", Path("out.bgr")},
                     true);
    for (int f = 0; f < kFrames; ++f) {
        const auto frame = PatternFrame(f);
        ASSERT_TRUE(tool.Write(frame.data(), frame.size()));
    }
    tool.CloseStdin();
    ASSERT_EQ(tool.Wait(), 0) << tool.Stderr();
    const auto out = ReadFile("out.bgr");
    ASSERT_EQ(out.size(), size_t(kFrames - 15) * kFrameBytes);
    for (const Change& c : Changes(out, 15))
        EXPECT_FALSE(c.any); // frames 15 to 24, as they were
}

TEST_F(OverlayTool, ABrokenScriptStopsTheRunWithItsMessageAndLeavesNoOutput) {
    WriteFile("broken.txt", "0 1 | fine\n0 1 colour=#FF0000 | not fine\n");
    const auto before = Files();
    for (const char* out : {"out.bgr", "out.mkv", "f-%03d.png"}) {
        SCOPED_TRACE(out);
        const ToolResult r = RunRaw({"--script", Path("broken.txt")}, out);
        EXPECT_EQ(r.exitCode, 3);
        EXPECT_EQ(r.stderrText, "dq-overlay: broken.txt:2: unknown attribute \"colour\"\n");
        EXPECT_EQ(Files(), before);
    }
    const ToolResult missing = RunRaw({"--script", Path("nowhere.txt")});
    EXPECT_EQ(missing.exitCode, 3);
    EXPECT_NE(missing.stderrText.find("cannot open \"nowhere.txt\""), std::string::npos)
        << missing.stderrText;
    EXPECT_EQ(Files(), before);
}

// A subtitle file with bad cues plays the rest: the first five warnings and a count of the rest
// go to standard error (every one with --verbose), and the run succeeds.
TEST_F(OverlayTool, ASubtitleFileWithBadCuesWarnsAndGoesOn) {
    std::string srt = "1\n00:00:00,000 --> 00:00:09,000\nshown\n\n";
    for (int i = 0; i < 7; ++i)
        srt += "00:00:02,000 --> 00:00:01,000\nreversed\n\n";
    WriteFile("bad.srt", srt);
    const std::string warning =
        ": cue skipped: end time 00:00:01.000 is before start time 00:00:02.000\n";
    const ToolResult r = RunRaw({"--script", Path("bad.srt")});
    EXPECT_EQ(r.exitCode, 0);
    std::string expected;
    for (int line = 5; line <= 17; line += 3)
        expected += "dq-overlay: bad.srt:" + std::to_string(line) + warning;
    expected += "dq-overlay: and 2 more warnings (--verbose shows them all)\n";
    EXPECT_EQ(r.stderrText, expected);
    EXPECT_TRUE(Changes(ReadFile("out.bgr"))[0].any);

    const ToolResult verbose = RunRaw({"--verbose", "--script", Path("bad.srt")});
    EXPECT_EQ(verbose.exitCode, 0);
    EXPECT_NE(verbose.stderrText.find("dq-overlay: bad.srt:23" + warning), std::string::npos)
        << verbose.stderrText;
    EXPECT_EQ(verbose.stderrText.find("more warning"), std::string::npos);

    // Nothing that can be shown: the first problem, and exit 3.
    WriteFile("none.srt", "1\n00:00:02,000 --> 00:00:01,000\nreversed\n");
    const ToolResult none = RunRaw({"--script", Path("none.srt")});
    EXPECT_EQ(none.exitCode, 3);
    EXPECT_EQ(none.stderrText, "dq-overlay: none.srt:2: end time 00:00:01.000 is before start "
                               "time 00:00:02.000 (no cue of the file can be shown)\n");
}

// A FIFO without a writer would block an ordinary open for ever: it is refused at once (the
// test's own time-out bounds a tool that blocks).
TEST_F(OverlayTool, AScriptThatIsNotARegularFileIsRefusedAtOnce) {
    const std::string fifo = Path("s.fifo");
    ASSERT_EQ(mkfifo(fifo.c_str(), 0600), 0);
    const auto before = Files();
    const ToolResult r = RunRaw({"--script", fifo});
    EXPECT_EQ(r.exitCode, 3);
    EXPECT_EQ(r.stderrText, "dq-overlay: \"s.fifo\" is not a regular file\n");
    EXPECT_EQ(Files(), before);
}

// Linux file names are bytes: one that is not UTF-8 loads like any other.
TEST_F(OverlayTool, AScriptWhoseNameIsNotUtf8Loads) {
    WriteFile("caf\xE9.txt", std::string(kBoxStyle) + "0.5 1.0 align=top-left | X\n");
    const ToolResult r = RunRaw({"--script", Path("caf\xE9.txt")});
    EXPECT_EQ(r.exitCode, 0) << r.stderrText;
    const auto out = ReadFile("out.bgr");
    ASSERT_EQ(out.size(), kFrames * kFrameBytes);
    ExpectBoxDuring(Changes(out), 5, 10);
}

TEST_F(OverlayTool, AnUnreadableInputFailsWithExit1AndLeavesNoOutput) {
    WriteFile("garbage.mp4", std::string(4096, 'x'));
    WriteFile("short.bgr", std::string(kFrameBytes + 10, '\0'));
    const auto before = Files();
    struct Case {
        std::vector<std::string> args;
        std::string message;
    };
    const std::vector<Case> cases = {
        {{Path("missing.mp4"), Path("out.mp4")},
         "dq-overlay: cannot read '" + Path("missing.mp4") + "': No such file or directory\n"},
        {{Path("garbage.mp4"), Path("out.mp4")},
         "dq-overlay: cannot read '" + Path("garbage.mp4") +
             "': Invalid data found when processing input\n"},
        {{"--size", kSize, Path("short.bgr"), Path("out.mp4")},
         "dq-overlay: cannot read '" + Path("short.bgr") +
             "': its size is not a whole number of 93x64 bgr24 frames (is --size right?)\n"},
        // A range with no frame in it makes no empty video.
        {{"--size", kSize, "--start", "100", Path("in.bgr"), Path("f-%03d.png")},
         "dq-overlay: '" + Path("in.bgr") +
             "' has no frames from the start time on; nothing written\n"},
    };
    for (const Case& c : cases) {
        const ToolResult r = RunTool(c.args);
        EXPECT_EQ(r.exitCode, 1);
        EXPECT_EQ(r.stderrText, c.message);
        EXPECT_EQ(Files(), before);
    }
}

TEST_F(OverlayTool, AnUnwritableOutputFailsWithExit4AndLeavesNoOutput) {
    const auto before = Files();
    const ToolResult folder = RunRaw({}, "no/such/folder/out.mp4");
    EXPECT_EQ(folder.exitCode, 4);
    EXPECT_EQ(folder.stderrText, "dq-overlay: cannot write '" + Path("no/such/folder/out.mp4") +
                                     "': No such file or directory\n");
    // A full disk shows at the first frame.
    const ToolResult full = RunTool({"--size", kSize, Path("in.bgr"), "/dev/full"});
    EXPECT_EQ(full.exitCode, 4);
    EXPECT_EQ(full.stderrText, "dq-overlay: cannot write '/dev/full': No space left on device\n");
    EXPECT_EQ(Files(), before);
}

TEST_F(OverlayTool, CtrlCStopsTheRunAndLeavesNoOutput) {
    const auto before = Files();
    ToolProcess tool({"--verbose", "--size", kSize, "-", Path("out.mp4")}, true);
    const auto frame = PatternFrame(0);
    ASSERT_TRUE(tool.Write(frame.data(), frame.size()));
    // The graph is built (and the handler long installed); the tool now waits for more frames.
    ASSERT_TRUE(tool.WaitForStderr("graph:"));
    tool.Signal(SIGINT);
    EXPECT_EQ(tool.Wait(), 130);
    EXPECT_NE(
        tool.Stderr().find("dq-overlay: interrupted; '" + Path("out.mp4") + "' not written\n"),
        std::string::npos)
        << tool.Stderr();
    EXPECT_EQ(Files(), before);
}

// A script broken while the tool runs with --watch shows on the video, as the filter shows it,
// and is reported once on standard error, however often the broken file is saved.
TEST_F(OverlayTool, WatchShowsABrokenEditOnTheVideoAndReportsItOnce) {
    const std::string good = std::string(kBoxStyle) + "0 1000 align=top-left | X\n";
    WriteFile("live.txt", good);
    ToolProcess tool({"--watch", "--script", Path("live.txt"), "--size", kSize, "-", "-"}, true,
                     true);
    std::vector<uint8_t> out(kFrameBytes);
    int frame = 0;
    auto next = [&]() -> Change {
        const auto in = PatternFrame(frame++ % kFrames);
        EXPECT_TRUE(tool.Write(in.data(), in.size()));
        EXPECT_TRUE(tool.Read(out.data(), out.size()));
        return Compare(in, out.data());
    };
    for (int i = 0; i < 3; ++i)
        EXPECT_TRUE(next().solidGreen);

    WriteFile("live.txt", good + "1 2 colour=red | X\n");
    ASSERT_TRUE(tool.WaitForStderr("live.txt:3: unknown attribute \"colour\""));
    // The filter reloads on its own watcher's event: frames show the error from then on.
    Change change;
    for (int i = 0; i < 1000 && (change = next()).solidGreen; ++i) {
    }
    EXPECT_TRUE(change.any);
    EXPECT_FALSE(change.solidGreen); // red "[Error] ..." text instead of the green box
    WriteFile("live.txt", good + "1 2 colour=red | X\n");
    WriteFile("live.txt", good);
    ASSERT_TRUE(tool.WaitForStderr("script reloaded: live.txt"));
    for (int i = 0; i < 1000 && !(change = next()).solidGreen; ++i) {
    }
    EXPECT_TRUE(change.solidGreen);

    tool.CloseStdin();
    EXPECT_EQ(tool.Wait(), 0);
    const std::string& err = tool.Stderr();
    const std::string report = "unknown attribute \"colour\"";
    EXPECT_EQ(err.find(report), err.rfind(report)) << err;
}

TEST_F(OverlayTool, TheFilterComesFromTheRegisteredModuleElseFromTheOneBesideTheTool) {
    const std::string module = fs::path(DQ_OVERLAY_PATH).parent_path() / "DirectQuorbit.ax";
    const std::vector<std::string> args = {"--verbose",    "--frames",     "1", "--size", kSize,
                                           Path("in.bgr"), Path("out.bgr")};
    // A registry of its own, empty at first: the module beside the tool is loaded and asked
    // through its class factory.
    const std::vector<std::string> registry = {"DQ_REGISTRY=" + Path("registry.db")};
    const ToolResult beside = RunTool(args, registry);
    ASSERT_EQ(beside.exitCode, 0) << beside.stderrText;
    EXPECT_NE(beside.stderrText.find("filter: loaded from " + module +
                                     " beside the executable (its class is not registered)"),
              std::string::npos)
        << beside.stderrText;

    // Once registered, COM creates it by its class id.
    const ToolResult registered = RunTool({"/s", module}, registry, DQ_REGSVR_PATH);
    ASSERT_EQ(registered.exitCode, 0) << registered.stderrText;
    const ToolResult com = RunTool(args, registry);
    ASSERT_EQ(com.exitCode, 0) << com.stderrText;
    EXPECT_NE(
        com.stderrText.find("filter: created through COM from the registered module " + module),
        std::string::npos)
        << com.stderrText;
    EXPECT_EQ(ReadFile("out.bgr"), PatternFrame(0)); // nothing to draw: the frame as it was
}

TEST_F(OverlayTool, MistakesOnTheCommandLineFailWithExit2) {
    const auto before = Files();
    for (const std::vector<std::string>& args : std::vector<std::vector<std::string>>{
             {},
             {Path("in.bgr")},
             {"--delay", "soon", Path("in.bgr"), Path("out.mp4")},
             {"--bogus", Path("in.bgr"), Path("out.mp4")},
             {"-", Path("out.mp4")}, // raw input needs its size
             {"--size", kSize, Path("in.bgr"), Path("out.xyz")},
             {"--size", kSize, "--codec", "libx264", Path("in.bgr"), Path("out.png")},
             {"--size", kSize, "--codec", "nonesuch", Path("in.bgr"), Path("out.mp4")},
         }) {
        const ToolResult r = RunTool(args);
        EXPECT_EQ(r.exitCode, 2) << r.stderrText;
        EXPECT_EQ(std::count(r.stderrText.begin(), r.stderrText.end(), '\n'), 1) << r.stderrText;
    }
    EXPECT_EQ(Files(), before);
}
