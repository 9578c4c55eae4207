// The dqoverlay element driven by a GstHarness: what it draws and when, in place or on a copy,
// and how it answers properties, segments, flushes and scripts that fail.
#include <atomic>
#include <chrono>
#include <thread>

#include <gmock/gmock.h>
#include <gst/base/gstbasetransform.h>
#include <gst/video/video.h>
#include <gtest/gtest.h>

#include "element_harness.h"

using dqgst::Bgr;
using dqgst::BoxScript;
using dqgst::ElementHarness;
using ::testing::HasSubstr;

namespace {

constexpr Bgr kGreen = {0x00, 0xFF, 0x00};
constexpr Bgr kRed = {0x00, 0x00, 0xFF};
// Inside the box the scripts draw; the far corner stays clear.
constexpr int kBoxX = 8, kBoxY = 8;
constexpr int kClearX = 60, kClearY = 44;

// Pushes one frame at `ms` and gives the colour inside the box and whether the clear corner
// stayed grey; fails the test when no frame comes out.
Bgr BoxAt(ElementHarness& h, int64_t ms, bool* clear = nullptr) {
    GstBuffer* out = nullptr;
    EXPECT_EQ(h.Push(ElementHarness::Frame(ms), &out), GST_FLOW_OK);
    if (out == nullptr)
        return {};
    const Bgr box = ElementHarness::Pixel(out, kBoxX, kBoxY);
    if (clear != nullptr)
        *clear = ElementHarness::Pixel(out, kClearX, kClearY) == ElementHarness::kGrey;
    gst_buffer_unref(out);
    return box;
}

// Pushes frames at `ms` until `done` holds for the box colour (the file watcher works on its
// own thread), at most a few hundred times.
template <typename Done> bool PushUntil(ElementHarness& h, int64_t ms, Done done) {
    for (int attempt = 0; attempt < 500; ++attempt) {
        if (done(BoxAt(h, ms)))
            return true;
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
    return false;
}

void PushSegment(ElementHarness& h, GstClockTime time) {
    GstSegment segment;
    gst_segment_init(&segment, GST_FORMAT_TIME);
    segment.time = time;
    ASSERT_TRUE(gst_harness_push_event(h.Get(), gst_event_new_segment(&segment)));
}

} // namespace

TEST(DqOverlayElement, DrawsTheBoxExactlyWhileTheCueLastsAndNothingElse) {
    ElementHarness h;
    const auto script = h.Write("box.txt", BoxScript("1 2"));
    g_object_set(h.Element(), "script", script.c_str(), nullptr);

    bool clear = false;
    EXPECT_EQ(BoxAt(h, 960, &clear), ElementHarness::kGrey);
    EXPECT_TRUE(clear);
    EXPECT_EQ(BoxAt(h, 1000, &clear), kGreen);
    EXPECT_TRUE(clear);
    EXPECT_EQ(BoxAt(h, 1960), kGreen);
    EXPECT_EQ(BoxAt(h, 2000), ElementHarness::kGrey);
}

// File names are bytes: one that is not UTF-8 loads like any other.
TEST(DqOverlayElement, AScriptWhoseNameIsNotUtf8IsDrawn) {
    ElementHarness h;
    const auto script = h.Write("caf\xE9.txt", BoxScript("0 5"));
    g_object_set(h.Element(), "script", script.c_str(), nullptr);
    EXPECT_EQ(BoxAt(h, 1000), kGreen);
}

TEST(DqOverlayElement, DrawsOnAWritableBufferWhereItLies) {
    ElementHarness h;
    g_object_set(h.Element(), "script", h.Write("box.txt", BoxScript("0 5")).c_str(), nullptr);
    GstBuffer* in = ElementHarness::Frame(0);
    GstMapInfo before;
    gst_buffer_map(in, &before, GST_MAP_READ);
    const guint8* memory = before.data;
    gst_buffer_unmap(in, &before);

    GstBuffer* out = nullptr;
    ASSERT_EQ(h.Push(in, &out), GST_FLOW_OK);
    EXPECT_EQ(out, in);
    GstMapInfo after;
    gst_buffer_map(out, &after, GST_MAP_READ);
    EXPECT_EQ(after.data, memory);
    gst_buffer_unmap(out, &after);
    EXPECT_EQ(ElementHarness::Pixel(out, kBoxX, kBoxY), kGreen);
    gst_buffer_unref(out);
}

TEST(DqOverlayElement, RowsFurtherApartThanTheFiltersAreDrawnOnAndTheirPaddingKept) {
    ElementHarness h;
    g_object_set(h.Element(), "script", h.Write("box.txt", BoxScript("0 5")).c_str(), nullptr);
    // Rows of 64 pixels 256 bytes apart, as a video meta describes them; padding bytes 0xEE.
    constexpr int kStride = 256;
    GstBuffer* in = gst_buffer_new_allocate(nullptr, kStride * ElementHarness::kHeight, nullptr);
    gst_buffer_memset(in, 0, 0xEE, kStride * ElementHarness::kHeight);
    for (int y = 0; y < ElementHarness::kHeight; ++y)
        gst_buffer_memset(in, y * kStride, ElementHarness::kGrey.b, ElementHarness::kWidth * 3);
    gsize offsets[GST_VIDEO_MAX_PLANES] = {0};
    gint strides[GST_VIDEO_MAX_PLANES] = {kStride};
    gst_buffer_add_video_meta_full(in, GST_VIDEO_FRAME_FLAG_NONE, GST_VIDEO_FORMAT_BGR,
                                   ElementHarness::kWidth, ElementHarness::kHeight, 1, offsets,
                                   strides);
    GST_BUFFER_PTS(in) = 0;

    GstBuffer* out = nullptr;
    ASSERT_EQ(h.Push(in, &out), GST_FLOW_OK);
    GstMapInfo map;
    gst_buffer_map(out, &map, GST_MAP_READ);
    const guint8* box = map.data + kBoxY * kStride + kBoxX * 3;
    EXPECT_EQ((Bgr{box[0], box[1], box[2]}), kGreen);
    const guint8* clear = map.data + kClearY * kStride + kClearX * 3;
    EXPECT_EQ((Bgr{clear[0], clear[1], clear[2]}), ElementHarness::kGrey);
    int padding = 0;
    for (int y = 0; y < ElementHarness::kHeight; ++y)
        for (int x = ElementHarness::kWidth * 3; x < kStride; ++x)
            padding += map.data[y * kStride + x] == 0xEE ? 1 : 0;
    EXPECT_EQ(padding, (kStride - ElementHarness::kWidth * 3) * ElementHarness::kHeight);
    gst_buffer_unmap(out, &map);
    gst_buffer_unref(out);
}

TEST(DqOverlayElement, CopiesABufferSomeoneElseHoldsAndLeavesThatOneUntouched) {
    ElementHarness h;
    g_object_set(h.Element(), "script", h.Write("box.txt", BoxScript("0 5")).c_str(), nullptr);
    GstBuffer* in = ElementHarness::Frame(0);
    gst_buffer_ref(in); // upstream keeps it: not writable

    GstBuffer* out = nullptr;
    ASSERT_EQ(h.Push(in, &out), GST_FLOW_OK);
    EXPECT_NE(out, in);
    EXPECT_EQ(ElementHarness::Pixel(out, kBoxX, kBoxY), kGreen);
    EXPECT_EQ(ElementHarness::Changed(in), 0);
    gst_buffer_unref(out);
    gst_buffer_unref(in);
}

TEST(DqOverlayElement, HideLeavesFramesByteIdenticalInPassThroughAndCanBeTurnedOffWhilePlaying) {
    ElementHarness h;
    g_object_set(h.Element(), "script", h.Write("box.txt", BoxScript("0 5")).c_str(), "hide", TRUE,
                 nullptr);
    GstBuffer* in = ElementHarness::Frame(0);
    gst_buffer_ref(in); // not writable: an element that wrote would have to copy it
    GstBuffer* out = nullptr;
    ASSERT_EQ(h.Push(in, &out), GST_FLOW_OK);
    EXPECT_EQ(out, in);
    EXPECT_EQ(ElementHarness::Changed(out), 0);
    EXPECT_TRUE(gst_base_transform_is_passthrough(GST_BASE_TRANSFORM(h.Element())));
    gst_buffer_unref(out);
    gst_buffer_unref(in);

    g_object_set(h.Element(), "hide", FALSE, nullptr);
    EXPECT_FALSE(gst_base_transform_is_passthrough(GST_BASE_TRANSFORM(h.Element())));
    EXPECT_EQ(BoxAt(h, 40), kGreen);
}

TEST(DqOverlayElement, DelayShiftsTheCueByFramesOfASixtiethAndChangesWhilePlaying) {
    ElementHarness h;
    g_object_set(h.Element(), "script", h.Write("box.txt", BoxScript("1 2")).c_str(), "delay", 60,
                 nullptr);
    EXPECT_EQ(BoxAt(h, 1500), ElementHarness::kGrey);
    EXPECT_EQ(BoxAt(h, 2000), kGreen);
    EXPECT_EQ(BoxAt(h, 2960), kGreen);
    EXPECT_EQ(BoxAt(h, 3000), ElementHarness::kGrey);

    g_object_set(h.Element(), "delay", -30, nullptr); // half a second earlier
    EXPECT_EQ(BoxAt(h, 480), ElementHarness::kGrey);
    EXPECT_EQ(BoxAt(h, 520), kGreen);
    EXPECT_EQ(BoxAt(h, 1520), ElementHarness::kGrey);
}

TEST(DqOverlayElement, CuesFollowStreamTimeAcrossSegmentsAndFlushes) {
    ElementHarness h;
    g_object_set(h.Element(), "script", h.Write("box.txt", BoxScript("10 11")).c_str(), nullptr);
    EXPECT_EQ(BoxAt(h, 200), ElementHarness::kGrey);

    // A seek to 10 s: buffers start again at 0, their stream time at 10 s.
    ASSERT_TRUE(gst_harness_push_event(h.Get(), gst_event_new_flush_start()));
    ASSERT_TRUE(gst_harness_push_event(h.Get(), gst_event_new_flush_stop(TRUE)));
    PushSegment(h, 10 * GST_SECOND);
    EXPECT_EQ(BoxAt(h, 200), kGreen);
    EXPECT_EQ(BoxAt(h, 1000), ElementHarness::kGrey);

    // A segment without a flush, as a live source or a playlist gives: the new timeline counts.
    PushSegment(h, 9500 * GST_MSECOND);
    EXPECT_EQ(BoxAt(h, 400), ElementHarness::kGrey);
    EXPECT_EQ(BoxAt(h, 600), kGreen);
}

TEST(DqOverlayElement, AScriptSetWhilePlayingAndOneRewrittenWhileWatchedTakeEffect) {
    ElementHarness h("watch=true");
    EXPECT_EQ(BoxAt(h, 0), ElementHarness::kGrey); // no script yet: nothing drawn

    const auto script = h.Write("box.txt", BoxScript("0 60"));
    g_object_set(h.Element(), "script", script.c_str(), nullptr);
    EXPECT_EQ(BoxAt(h, 40), kGreen);

    h.Write("box.txt", BoxScript("0 60", "#FFFF0000"));
    EXPECT_TRUE(PushUntil(h, 80, [](Bgr box) { return box == kRed; }));
    EXPECT_TRUE(h.Messages(GST_MESSAGE_WARNING).empty());
}

TEST(DqOverlayElement, AWatchedScriptThatBreaksShowsOnTheVideoAndWarnsOncePerChange) {
    ElementHarness h("watch=true");
    const auto script = h.Write("box.txt", BoxScript("0 60"));
    g_object_set(h.Element(), "script", script.c_str(), nullptr);
    EXPECT_EQ(BoxAt(h, 0), kGreen);

    h.Write("box.txt", "@quorent 1\n0 60 colour=#FF0000 | oops\n");
    // The filter and the element each see the change on a watcher thread of their own.
    bool warned = false, shown = false;
    for (int attempt = 0; attempt < 500 && !(warned && shown); ++attempt) {
        GstBuffer* out = nullptr;
        ASSERT_EQ(h.Push(ElementHarness::Frame(40), &out), GST_FLOW_OK);
        // The failure is on the video: the error text, no box.
        shown =
            ElementHarness::Pixel(out, kBoxX, kBoxY) != kGreen && ElementHarness::Changed(out) > 0;
        gst_buffer_unref(out);
        warned = !h.Messages(GST_MESSAGE_WARNING).empty();
        if (!(warned && shown))
            std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
    ASSERT_TRUE(warned);
    ASSERT_TRUE(shown);
    for (int i = 0; i < 10; ++i)
        BoxAt(h, 120 + 40 * i);
    const auto warnings = h.Messages(GST_MESSAGE_WARNING);
    ASSERT_EQ(warnings.size(), 1u);
    EXPECT_THAT(warnings[0], HasSubstr("box.txt:2"));

    h.Write("box.txt", BoxScript("0 60"));
    EXPECT_TRUE(PushUntil(h, 600, [](Bgr box) { return box == kGreen; }));
    EXPECT_EQ(h.Messages(GST_MESSAGE_WARNING).size(), 1u);
}

TEST(DqOverlayElement, AScriptThatFailsAtStartIsAnElementErrorWithItsLine) {
    ElementHarness h;
    const auto script = h.Write("bad.txt", "@quorent 1\n\n3 1 | ends before it starts\n");
    g_object_set(h.Element(), "script", script.c_str(), nullptr);
    GstBuffer* out = nullptr;
    EXPECT_EQ(h.Push(ElementHarness::Frame(0), &out), GST_FLOW_NOT_NEGOTIATED);
    const auto errors = h.Messages(GST_MESSAGE_ERROR);
    ASSERT_EQ(errors.size(), 1u);
    EXPECT_THAT(errors[0], HasSubstr("bad.txt:3"));
}

TEST(DqOverlayElement, AMissingScriptAtStartIsAnElementErrorNamingTheFile) {
    ElementHarness h;
    g_object_set(h.Element(), "script", (h.Folder() / "nowhere.srt").c_str(), nullptr);
    GstBuffer* out = nullptr;
    EXPECT_EQ(h.Push(ElementHarness::Frame(0), &out), GST_FLOW_NOT_NEGOTIATED);
    const auto errors = h.Messages(GST_MESSAGE_ERROR);
    ASSERT_EQ(errors.size(), 1u);
    EXPECT_THAT(errors[0], HasSubstr("nowhere.srt"));
}

TEST(DqOverlayElement, PropertiesChangedFromAnotherThreadWhileFramesAreDrawn) {
    ElementHarness h("watch=true");
    const auto first = h.Write("first.txt", BoxScript("0 60"));
    const auto second = h.Write("second.txt", BoxScript("0 60", "#FFFF0000"));
    g_object_set(h.Element(), "script", first.c_str(), nullptr);
    EXPECT_EQ(BoxAt(h, 0), kGreen);
    std::atomic<bool> done{false};
    std::thread setter([&] {
        for (int i = 0; i < 40; ++i)
            g_object_set(h.Element(), "script", (i % 2 ? first : second).c_str(), "delay", i - 20,
                         "debug", i % 5 == 0, "watch", i % 7 != 0, nullptr);
        done = true;
    });
    int frames = 0;
    while (!done)
        BoxAt(h, 40 * (++frames % 1000)); // within the cue, however many
    setter.join();
    // The last settings hold: the first script, watched, no delay shift past the cue.
    g_object_set(h.Element(), "delay", 0, "debug", FALSE, nullptr);
    EXPECT_EQ(BoxAt(h, 40), kGreen);
}

TEST(DqOverlayElement, PropertiesReadBackAsSet) {
    ElementHarness h("script=a.srt delay=-5 hide=true watch=true debug=true");
    gchar* script = nullptr;
    gint delay = 0;
    gboolean hide = FALSE, watch = FALSE, debug = FALSE;
    g_object_get(h.Element(), "script", &script, "delay", &delay, "hide", &hide, "watch", &watch,
                 "debug", &debug, nullptr);
    EXPECT_STREQ(script, "a.srt");
    EXPECT_EQ(delay, -5);
    EXPECT_TRUE(hide && watch && debug);
    g_free(script);
}
