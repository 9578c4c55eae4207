// The dqoverlay element in real pipelines in this process: a flushing seek in a playing pipeline,
// and properties changed from another thread while frames stream through.
#include <string>

#include <gst/app/gstappsink.h>
#include <gst/gst.h>
#include <gtest/gtest.h>

#include "element_harness.h"

using dqgst::Bgr;
using dqgst::BoxScript;
using dqgst::ElementHarness;

namespace {

constexpr Bgr kGreen = {0x00, 0xFF, 0x00};

class Pipeline {
public:
    explicit Pipeline(const std::string& description) {
        dqgst::LoadPlugin();
        GError* error = nullptr;
        m_pipeline = gst_parse_launch(description.c_str(), &error);
        EXPECT_EQ(error, nullptr) << (error != nullptr ? error->message : "");
        g_clear_error(&error);
    }
    ~Pipeline() {
        gst_element_set_state(m_pipeline, GST_STATE_NULL);
        gst_object_unref(m_pipeline);
    }
    GstElement* Get() const { return m_pipeline; }
    GstElement* Child(const char* name) const {
        GstElement* child = gst_bin_get_by_name(GST_BIN(m_pipeline), name);
        gst_object_unref(child); // the pipeline keeps it
        return child;
    }
    bool SetState(GstState state) {
        gst_element_set_state(m_pipeline, state);
        return gst_element_get_state(m_pipeline, nullptr, nullptr, GST_CLOCK_TIME_NONE) ==
               GST_STATE_CHANGE_SUCCESS;
    }
    // The end of the stream or the first error, whichever comes; the error's text, or empty.
    std::string WaitForEnd() {
        GstBus* bus = gst_element_get_bus(m_pipeline);
        GstMessage* message = gst_bus_timed_pop_filtered(
            bus, GST_CLOCK_TIME_NONE, GstMessageType(GST_MESSAGE_EOS | GST_MESSAGE_ERROR));
        std::string text;
        if (GST_MESSAGE_TYPE(message) == GST_MESSAGE_ERROR) {
            GError* error = nullptr;
            gst_message_parse_error(message, &error, nullptr);
            text = error->message;
            g_clear_error(&error);
        }
        gst_message_unref(message);
        gst_object_unref(bus);
        return text;
    }

private:
    GstElement* m_pipeline = nullptr;
};

// The box pixel of the next frame an appsink gives, and that frame's stream time.
Bgr NextBox(GstElement* sink, GstClockTime* streamTime, bool preroll = false) {
    GstSample* sample = preroll ? gst_app_sink_pull_preroll(GST_APP_SINK(sink))
                                : gst_app_sink_pull_sample(GST_APP_SINK(sink));
    EXPECT_NE(sample, nullptr);
    if (sample == nullptr)
        return {};
    GstBuffer* buffer = gst_sample_get_buffer(sample);
    *streamTime = gst_segment_to_stream_time(gst_sample_get_segment(sample), GST_FORMAT_TIME,
                                             GST_BUFFER_PTS(buffer));
    const Bgr box = ElementHarness::Pixel(buffer, 8, 8);
    gst_sample_unref(sample);
    return box;
}

} // namespace

TEST(DqOverlayPipeline, AFlushingSeekBringsTheCuesOfThePlaceSoughtTo) {
    ElementHarness files; // for its folder
    const auto script = files.Write("box.txt", BoxScript("10 11"));
    Pipeline p("videotestsrc pattern=black ! video/x-raw,format=BGR,width=64,height=48,"
               "framerate=25/1 ! dqoverlay script=\"" +
               script.string() + "\" ! appsink name=out sync=false max-buffers=2");
    GstElement* sink = p.Child("out");
    ASSERT_TRUE(p.SetState(GST_STATE_PAUSED));
    GstClockTime at = 0;
    EXPECT_NE(NextBox(sink, &at, true), kGreen);
    EXPECT_EQ(at, 0u);

    ASSERT_TRUE(gst_element_seek_simple(p.Get(), GST_FORMAT_TIME,
                                        GstSeekFlags(GST_SEEK_FLAG_FLUSH | GST_SEEK_FLAG_ACCURATE),
                                        10 * GST_SECOND + 200 * GST_MSECOND));
    ASSERT_TRUE(p.SetState(GST_STATE_PLAYING));
    EXPECT_EQ(NextBox(sink, &at), kGreen);
    EXPECT_EQ(at, 10 * GST_SECOND + 200 * GST_MSECOND);
    // Played on past the cue's end.
    Bgr box = kGreen;
    while (at < 11 * GST_SECOND)
        box = NextBox(sink, &at);
    EXPECT_NE(box, kGreen);
}

TEST(DqOverlayPipeline, PropertiesChangedFromAnotherThreadWhileFramesStream) {
    ElementHarness files;
    const auto first = files.Write("first.txt", BoxScript("0 60"));
    const auto second = files.Write("second.txt", BoxScript("0 60", "#FFFF0000"));
    Pipeline p("videotestsrc num-buffers=150 ! video/x-raw,format=BGR,width=160,height=120 "
               "! dqoverlay name=overlay watch=true ! fakesink sync=false");
    GstElement* overlay = p.Child("overlay");
    g_object_set(overlay, "script", first.c_str(), nullptr);
    ASSERT_TRUE(p.SetState(GST_STATE_PLAYING));
    // While the streaming thread draws, this one changes every property, many times.
    for (int i = 0; i < 40; ++i) {
        g_object_set(overlay, "script", (i % 2 ? first : second).c_str(), "delay", i - 20, "hide",
                     i % 3 == 0, "debug", i % 5 == 0, "watch", i % 7 != 0, nullptr);
        gchar* script = nullptr;
        g_object_get(overlay, "script", &script, nullptr);
        EXPECT_EQ(std::string(script), (i % 2 ? first : second).string());
        g_free(script);
    }
    EXPECT_EQ(p.WaitForEnd(), "");
}
