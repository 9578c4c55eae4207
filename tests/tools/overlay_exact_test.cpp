// dq-overlay on decoded video: what it keeps exactly. Pixels the overlay did not touch leave as
// the decoder gave them, at their own depth; the colour description, the sample aspect ratio
// and the rotation go out as they came; subtitles, fonts, chapters and the title are copied where
// the container holds them.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

extern "C" {
#include <libavutil/pixdesc.h>
}

#include "media_probe.h"
#include "native_clip.h"
#include "tool_process.h"
#include "tool_test_folder.h"

namespace fs = std::filesystem;

namespace {

// A green box with its text in the box's colour, shown from 0.5 s to 1 s (frames 5 to 9).
const char* kBoxCue = "@style default font=\"DejaVu Sans\" size=12 color=#00FF00 outline=0 "
                      "shadow=0 box=#FF00FF00 margin=4\n0.5 1.0 | Hi\n";

struct Box {
    int left = 0, top = 0, right = -1, bottom = -1; // inclusive; empty when right < left
    bool Empty() const { return right < left; }
};

class OverlayExact : public ToolTestFolder {
protected:
    void SetUp() override {
        ToolTestFolder::SetUp();
        if (HasFatalFailure())
            return;
        std::ofstream(Path("box.txt")) << kBoxCue;
    }
    void Run(const std::vector<std::string>& args) {
        const ToolResult r = RunTool(args);
        ASSERT_EQ(r.exitCode, 0) << r.stderrText;
    }
};

// Where two top-down bgr24 pictures differ.
Box Difference(const uint8_t* a, const uint8_t* b, int width, int height) {
    Box box{width, height, -1, -1};
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x) {
            const size_t i = (size_t(y) * width + x) * 3;
            if (std::equal(a + i, a + i + 3, b + i))
                continue;
            box = {std::min(box.left, x), std::min(box.top, y), std::max(box.right, x),
                   std::max(box.bottom, y)};
        }
    return box;
}

// The samples of `out` that differ from `in`, as a box of picture pixels.
Box PlaneDifference(const NativePicture& in, const NativePicture& out) {
    Box box{1 << 20, 1 << 20, -1, -1};
    for (size_t p = 0; p < in.planes.size(); ++p) {
        const NativePlane& a = in.planes[p];
        const NativePlane& b = out.planes[p];
        for (int y = 0; y < a.rows; ++y)
            for (int x = 0; x < a.lineBytes / a.step; ++x) {
                const size_t i = size_t(y) * a.lineBytes + size_t(x) * a.step;
                if (std::equal(a.bytes.begin() + long(i), a.bytes.begin() + long(i + a.step),
                               b.bytes.begin() + long(i)))
                    continue;
                box = {std::min(box.left, x << a.shiftX), std::min(box.top, y << a.shiftY),
                       std::max(box.right, ((x + 1) << a.shiftX) - 1),
                       std::max(box.bottom, ((y + 1) << a.shiftY) - 1)};
            }
    }
    return box;
}

} // namespace

TEST_F(OverlayExact, PixelsOutsideTheOverlayLeaveExactlyAsDecodedAtTheirOwnDepth) {
    for (AVPixelFormat format : {AV_PIX_FMT_YUV420P, AV_PIX_FMT_YUV420P10LE}) {
        SCOPED_TRACE(av_get_pix_fmt_name(format));
        NativeClipSpec spec;
        spec.format = format;
        WriteNativeClip(Path("in.mkv"), spec);
        Run({"--hide", "--codec", "ffv1", Path("in.mkv"), Path("hide.mkv")});
        // Only the frames with the box are converted back, and only around it.
        const ToolResult boxRun = RunTool({"--verbose", "--codec", "ffv1", "--script",
                                           Path("box.txt"), Path("in.mkv"), Path("box.mkv")});
        ASSERT_EQ(boxRun.exitCode, 0) << boxRun.stderrText;
        EXPECT_NE(boxRun.stderrText.find("overlay merged into 5 decoded frames, 10240 pixels "
                                         "converted back"),
                  std::string::npos)
            << boxRun.stderrText;
        // What the filter was handed and what it gave back, as bgr24.
        Run({"--hide", Path("in.mkv"), Path("hide.bgr")});
        Run({"--script", Path("box.txt"), Path("in.mkv"), Path("box.bgr")});

        const NativeMedia in = ReadNativeMedia(Path("in.mkv"));
        const NativeMedia hidden = ReadNativeMedia(Path("hide.mkv"));
        const NativeMedia boxed = ReadNativeMedia(Path("box.mkv"));
        ASSERT_EQ(in.frames.size(), size_t(spec.frames));
        EXPECT_EQ(hidden.format, format);
        EXPECT_EQ(boxed.format, format);
        ASSERT_EQ(hidden.frames.size(), in.frames.size());
        ASSERT_EQ(boxed.frames.size(), in.frames.size());
        const std::vector<uint8_t> handed = ReadFile("hide.bgr");
        const std::vector<uint8_t> filtered = ReadFile("box.bgr");
        const size_t frameBytes = size_t(spec.width) * spec.height * 3;
        ASSERT_EQ(filtered.size(), frameBytes * in.frames.size());
        const ProbedMedia seen = ProbeMedia(Path("box.mkv"));
        ASSERT_EQ(seen.frames.size(), in.frames.size());

        for (size_t f = 0; f < in.frames.size(); ++f) {
            SCOPED_TRACE(testing::Message() << "frame " << f);
            EXPECT_TRUE(hidden.frames[f] == in.frames[f]);
            const Box drawn = Difference(handed.data() + f * frameBytes,
                                         filtered.data() + f * frameBytes, spec.width, spec.height);
            const Box merged = PlaneDifference(in.frames[f], boxed.frames[f]);
            ASSERT_EQ(drawn.Empty(), f < 5 || f >= 10);
            if (drawn.Empty()) {
                EXPECT_TRUE(boxed.frames[f] == in.frames[f]);
                continue;
            }
            // Changed: the box and the chroma blocks it touches, nothing else.
            ASSERT_FALSE(merged.Empty());
            EXPECT_EQ(merged.left, drawn.left & ~1);
            EXPECT_EQ(merged.top, drawn.top & ~1);
            EXPECT_EQ(merged.right, std::min(drawn.right | 1, spec.width - 1));
            EXPECT_EQ(merged.bottom, std::min(drawn.bottom | 1, spec.height - 1));
            // Inside, the box's colour within the conversions' rounding.
            int worst = 0, wx = 0, wy = 0;
            for (int y = drawn.top + 2; y < drawn.bottom - 1; ++y)
                for (int x = drawn.left + 2; x < drawn.right - 1; ++x)
                    for (int c = 0; c < 3; ++c) {
                        const size_t i = (size_t(y) * spec.width + x) * 3 + size_t(c);
                        const int d = std::abs(int(seen.frames[f].bgr[i]) -
                                               int(filtered[f * frameBytes + i]));
                        if (d > worst) {
                            worst = d;
                            wx = x;
                            wy = y;
                        }
                    }
            EXPECT_LE(worst, 4) << drawn.left << "," << drawn.top << " " << drawn.right << ","
                                << drawn.bottom << " at " << wx << "," << wy;
        }
    }
}

TEST_F(OverlayExact, ColourDescriptionAspectAndRotationGoOutAsTheyCame) {
    struct Case {
        const char* input;
        const char* output;
        const char* codec;
        NativeClipSpec spec;
    };
    NativeClipSpec hd;
    hd.encoder = "libx264";
    hd.matrix = AVCOL_SPC_BT709;
    hd.range = AVCOL_RANGE_JPEG;
    hd.primaries = AVCOL_PRI_BT709;
    hd.transfer = AVCOL_TRC_BT709;
    hd.chromaLocation = AVCHROMA_LOC_LEFT;
    hd.sampleAspect = {4, 3};
    hd.rotation = 90;
    NativeClipSpec wide;
    wide.format = AV_PIX_FMT_YUV422P10LE;
    wide.matrix = AVCOL_SPC_BT2020_NCL;
    wide.range = AVCOL_RANGE_MPEG;
    wide.primaries = AVCOL_PRI_BT2020;
    wide.transfer = AVCOL_TRC_SMPTE2084;
    wide.chromaLocation = AVCHROMA_LOC_TOPLEFT;
    wide.sampleAspect = {16, 15};
    for (const Case& c :
         {Case{"in.mp4", "out.mp4", "libx264", hd}, Case{"in.mkv", "out.mkv", "ffv1", wide}}) {
        SCOPED_TRACE(c.output);
        WriteNativeClip(Path(c.input), c.spec);
        Run({"--codec", c.codec, "--script", Path("box.txt"), Path(c.input), Path(c.output)});
        const NativeMedia in = ReadNativeMedia(Path(c.input));
        const NativeMedia out = ReadNativeMedia(Path(c.output));
        EXPECT_EQ(out.format, in.format);
        EXPECT_EQ(out.matrix, c.spec.matrix);
        EXPECT_EQ(out.range, in.range);
        EXPECT_EQ(out.primaries, c.spec.primaries);
        EXPECT_EQ(out.transfer, c.spec.transfer);
        EXPECT_EQ(out.chromaLocation, in.chromaLocation);
        EXPECT_EQ(av_cmp_q(out.sampleAspect, c.spec.sampleAspect), 0);
        EXPECT_EQ(out.rotation, in.rotation);
        EXPECT_EQ(out.frames.size(), in.frames.size());
    }
    // The clip asks for a quarter turn clockwise, which reads back as -90 counterclockwise.
    EXPECT_EQ(ReadNativeMedia(Path("out.mp4")).rotation, -90);
    // Matroska keeps no display matrix here: the picture goes, and a note says what was lost.
    const ToolResult mkv = RunTool({Path("in.mp4"), Path("turned.mkv")});
    ASSERT_EQ(mkv.exitCode, 0) << mkv.stderrText;
    EXPECT_EQ(mkv.stderrText, "dq-overlay: '" + Path("turned.mkv") +
                                  "' cannot hold the input's rotation (-90 degrees); it is left "
                                  "out\n");
}

TEST_F(OverlayExact, AFormatTheEncoderDoesNotTakeBecomesTheNearestAndVerboseSaysSo) {
    NativeClipSpec spec;
    spec.format = AV_PIX_FMT_GBRP10LE; // planar RGB: libx264 takes none
    WriteNativeClip(Path("in.mkv"), spec);
    const ToolResult r = RunTool({"--verbose", Path("in.mkv"), Path("out.mp4")});
    ASSERT_EQ(r.exitCode, 0) << r.stderrText;
    EXPECT_NE(r.stderrText.find("libx264 yuv444p10le (nearest to the input's gbrp10le)"),
              std::string::npos)
        << r.stderrText;
    EXPECT_EQ(ReadNativeMedia(Path("out.mp4")).format, AV_PIX_FMT_YUV444P10LE);
}

TEST_F(OverlayExact, SubtitlesFontsChaptersAndTitleAreCopiedToMkvAndNotedForMp4) {
    NativeClipSpec spec;
    spec.extras = true;
    WriteNativeClip(Path("in.mkv"), spec);
    const NativeMedia in = ReadNativeMedia(Path("in.mkv"));
    const std::vector<std::string> streams = {"subtitle subrip fra 'Hello'",
                                              "attachment ttf font.ttf"};
    ASSERT_EQ(in.streams, streams);

    const ToolResult mkv = RunTool({"--script", Path("box.txt"), Path("in.mkv"), Path("out.mkv")});
    ASSERT_EQ(mkv.exitCode, 0) << mkv.stderrText;
    EXPECT_EQ(mkv.stderrText, "");
    const NativeMedia out = ReadNativeMedia(Path("out.mkv"));
    EXPECT_EQ(out.streams, streams);
    EXPECT_EQ(out.chapters, (std::vector<std::string>{"Opening", "Ending"}));
    EXPECT_EQ(out.title, "A test film");

    // mp4 holds neither SubRip nor fonts: the picture, the chapters and the title, and notes.
    const ToolResult mp4 = RunTool({"--script", Path("box.txt"), Path("in.mkv"), Path("out.mp4")});
    ASSERT_EQ(mp4.exitCode, 0) << mp4.stderrText;
    const std::string named = "dq-overlay: '" + Path("out.mp4") + "' cannot hold the input's ";
    EXPECT_EQ(mp4.stderrText, named + "subrip subtitle (stream 1); it is left out\n" + named +
                                  "ttf attachment 'font.ttf' (stream 2); it is left out\n");
    const NativeMedia cut = ReadNativeMedia(Path("out.mp4"));
    EXPECT_TRUE(cut.streams.empty());
    EXPECT_EQ(cut.chapters, (std::vector<std::string>{"Opening", "Ending"}));
    EXPECT_EQ(cut.title, "A test film");
    EXPECT_EQ(cut.frames.size(), size_t(spec.frames));

    // A later start moves the chapters with the picture, and the subtitle with them.
    const ToolResult late = RunTool({"--start", "1.2", Path("in.mkv"), Path("late.mkv")});
    ASSERT_EQ(late.exitCode, 0) << late.stderrText;
    const NativeMedia moved = ReadNativeMedia(Path("late.mkv"));
    EXPECT_EQ(moved.chapters, (std::vector<std::string>{"Ending"}));
    EXPECT_EQ(moved.frames.size(), size_t(spec.frames - 12));
}
