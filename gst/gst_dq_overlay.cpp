#include "gst_dq_overlay.h"

#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <utility>

#include <gst/video/video.h>

#include "filter/i_direct_quorbit.h"
#include "in_place_overlay_host.h"
#include "script_path.h"
#include "script_report.h"
#include "tool_error.h"

GST_DEBUG_CATEGORY_STATIC(dq_overlay_debug);
#define GST_CAT_DEFAULT dq_overlay_debug

namespace {

enum Property { PROP_0, PROP_SCRIPT, PROP_DELAY, PROP_HIDE, PROP_WATCH, PROP_DEBUG };

// One hour of the filter's 1/60 s delay frames, either way.
constexpr gint kMaxDelay = 60 * 60 * 60;

// What the element keeps; C++ members behind the GObject's plain struct.
struct State {
    std::mutex lock;    // guards everything below; the streaming thread and setters both take it
    std::string script; // as given
    std::string loadedPath; // the script's full path as the filter loaded it, for messages
    gint delay = 0;
    bool hide = false;
    bool watch = false;
    bool debug = false;

    std::unique_ptr<InPlaceOverlayHost> host;
    // What the filter's own loads said; holds the filter, so it goes before the host.
    std::unique_ptr<ScriptReport> loads;
    GstClockTime segmentTime = 0; // stream time at the segment's start, sent to the filter
    double segmentRate = 1.0;
    // The script failure already posted as an error: negotiation may try the same caps several
    // times, and one broken script is one error.
    std::string failedStart;
};

// A message for the bus, posted once the lock is let go (a bus handler may set properties).
struct Report {
    bool warning = false;
    std::string text;
};

// Why the element could not be set up for a stream, and whether to post it (the same script
// failure is posted once, however often negotiation tries).
struct Failure {
    bool post = true;
    std::string text;
};

} // namespace

struct _GstDqOverlay {
    GstVideoFilter parent;
    State* state;
};

G_DEFINE_TYPE(GstDqOverlay, gst_dq_overlay, GST_TYPE_VIDEO_FILTER)

namespace {

void PostReport(GstDqOverlay* self, const std::optional<Report>& report) {
    if (!report)
        return;
    if (report->warning)
        GST_ELEMENT_WARNING(self, RESOURCE, READ, ("%s", report->text.c_str()), (nullptr));
    else
        GST_ELEMENT_INFO(self, RESOURCE, READ, ("%s", report->text.c_str()), (nullptr));
}

// Warnings of a subtitle file listed in one bus message, before a count of the rest.
constexpr size_t kShownWarnings = 5;

// The script's path handed to the running filter, whose own load says whether it failed. Under
// the lock; a failure comes back as the report to post.
std::optional<Report> LoadScript(State& s) {
    if (s.script.empty()) {
        WCHAR none[1] = {0};
        s.host->Settings()->put_FileName(none);
        return std::nullopt;
    }
    ScriptPath script(s.script);
    if (const std::string problem = script.Problem(); !problem.empty())
        return Report{true, problem};
    const std::string& path = script.Text();
    s.loadedPath = path;
    const HRESULT hr = s.host->Settings()->put_FileName(script.Wide());
    // Later news (reloads while watching) is counted from this load.
    s.loads->TakeNews(path);
    if (SUCCEEDED(hr))
        return std::nullopt;
    const std::optional<ScriptReport::Load> load = s.loads->Latest();
    if (load && !load->loaded && !load->message.empty())
        return Report{true, load->message};
    return Report{true, "the overlay filter cannot load '" + path + "'"};
}

void SetProperty(GObject* object, guint id, const GValue* value, GParamSpec* spec) {
    auto* self = GST_DQ_OVERLAY(object);
    State& s = *self->state;
    std::optional<Report> report;
    std::optional<bool> passthrough;
    {
        std::lock_guard guard(s.lock);
        IDirectQuorbit* settings = s.host ? s.host->Settings() : nullptr;
        switch (id) {
        case PROP_SCRIPT: {
            const gchar* text = g_value_get_string(value);
            s.script = text != nullptr ? text : "";
            s.failedStart.clear();
            if (settings != nullptr)
                report = LoadScript(s);
            break;
        }
        case PROP_DELAY:
            s.delay = g_value_get_int(value);
            if (settings != nullptr)
                settings->put_Delay(s.delay);
            break;
        case PROP_HIDE:
            s.hide = g_value_get_boolean(value);
            passthrough = s.hide;
            if (settings != nullptr)
                settings->put_HideSubtitles(s.hide);
            break;
        case PROP_WATCH:
            s.watch = g_value_get_boolean(value);
            if (settings != nullptr) {
                settings->put_ChangeImmediate(s.watch);
                // Loads again, so that what is on the video is the file as it is now.
                report = LoadScript(s);
            }
            break;
        case PROP_DEBUG:
            s.debug = g_value_get_boolean(value);
            if (settings != nullptr)
                settings->put_DebugOutput(s.debug);
            break;
        default:
            G_OBJECT_WARN_INVALID_PROPERTY_ID(object, id, spec);
            return;
        }
    }
    if (passthrough)
        gst_base_transform_set_passthrough(GST_BASE_TRANSFORM(self), *passthrough);
    PostReport(self, report);
}

void GetProperty(GObject* object, guint id, GValue* value, GParamSpec* spec) {
    State& s = *GST_DQ_OVERLAY(object)->state;
    std::lock_guard guard(s.lock);
    switch (id) {
    case PROP_SCRIPT:
        g_value_set_string(value, s.script.c_str());
        break;
    case PROP_DELAY:
        g_value_set_int(value, s.delay);
        break;
    case PROP_HIDE:
        g_value_set_boolean(value, s.hide);
        break;
    case PROP_WATCH:
        g_value_set_boolean(value, s.watch);
        break;
    case PROP_DEBUG:
        g_value_set_boolean(value, s.debug);
        break;
    default:
        G_OBJECT_WARN_INVALID_PROPERTY_ID(object, id, spec);
        break;
    }
}

void Finalize(GObject* object) {
    delete GST_DQ_OVERLAY(object)->state;
    G_OBJECT_CLASS(gst_dq_overlay_parent_class)->finalize(object);
}

// A new frame size: a new graph around a new filter, set up as the properties say. Under the lock;
// on a failure the element has no graph.
std::optional<Failure> Configure(GstDqOverlay* self, State& s, int width, int height) {
    s.loads.reset();
    s.host.reset();
    try {
        s.host = std::make_unique<InPlaceOverlayHost>(width, height);
    } catch (const ToolError& e) {
        return Failure{true, e.what()};
    }
    s.loads = std::make_unique<ScriptReport>(s.host->Settings(), kShownWarnings);
    GST_INFO_OBJECT(self, "filter %s, RGB24 %dx%d top-down", s.host->How().c_str(), width, height);
    IDirectQuorbit* settings = s.host->Settings();
    settings->put_HideSubtitles(s.hide);
    settings->put_Delay(s.delay);
    settings->put_DebugOutput(s.debug);
    settings->put_ChangeImmediate(s.watch);
    if (std::optional<Report> report = LoadScript(s)) {
        s.loads.reset();
        s.host.reset();
        // A script that does not load fails the negotiation with its own message, once.
        const bool again = report->text == s.failedStart;
        s.failedStart = report->text;
        return Failure{!again, report->text};
    }
    s.failedStart.clear();
    s.host->NewSegment(REFERENCE_TIME(s.segmentTime / 100), s.segmentRate);
    return std::nullopt;
}

gboolean SetInfo(GstVideoFilter* filter, GstCaps*, GstVideoInfo* in, GstCaps*, GstVideoInfo*) {
    auto* self = GST_DQ_OVERLAY(filter);
    State& s = *self->state;
    std::optional<Failure> failure;
    {
        std::lock_guard guard(s.lock);
        failure = Configure(self, s, GST_VIDEO_INFO_WIDTH(in), GST_VIDEO_INFO_HEIGHT(in));
    }
    if (!failure)
        return TRUE;
    // Posted without the lock: a bus handler may set properties.
    if (failure->post)
        GST_ELEMENT_ERROR(self, RESOURCE, FAILED, ("%s", failure->text.c_str()), (nullptr));
    return FALSE;
}

gboolean Stop(GstBaseTransform* trans) {
    State& s = *GST_DQ_OVERLAY(trans)->state;
    std::lock_guard guard(s.lock);
    s.loads.reset();
    s.host.reset();
    s.segmentTime = 0;
    s.segmentRate = 1.0;
    s.failedStart.clear();
    return TRUE;
}

// Segments and flushes reach the filter as a DirectShow source would send them.
gboolean SinkEvent(GstBaseTransform* trans, GstEvent* event) {
    State& s = *GST_DQ_OVERLAY(trans)->state;
    switch (GST_EVENT_TYPE(event)) {
    case GST_EVENT_SEGMENT: {
        const GstSegment* segment = nullptr;
        gst_event_parse_segment(event, &segment);
        if (segment->format == GST_FORMAT_TIME) {
            std::lock_guard guard(s.lock);
            s.segmentTime = segment->time;
            s.segmentRate = segment->rate;
            if (s.host)
                s.host->NewSegment(REFERENCE_TIME(segment->time / 100), segment->rate);
        }
        break;
    }
    case GST_EVENT_FLUSH_STOP: {
        std::lock_guard guard(s.lock);
        if (s.host)
            s.host->Flush();
        break;
    }
    default:
        break;
    }
    return GST_BASE_TRANSFORM_CLASS(gst_dq_overlay_parent_class)->sink_event(trans, event);
}

GstFlowReturn TransformFrameIp(GstVideoFilter* filter, GstVideoFrame* frame) {
    auto* self = GST_DQ_OVERLAY(filter);
    State& s = *self->state;
    GstBaseTransform* trans = GST_BASE_TRANSFORM(filter);
    std::optional<Report> report;
    {
        std::lock_guard guard(s.lock);
        if (!s.host)
            return GST_FLOW_OK;
        const GstClockTime pts = GST_BUFFER_PTS(frame->buffer);
        // Stream time: where the frame is in the media, whatever seeks and segments came before.
        const GstClockTime streamTime =
            GST_CLOCK_TIME_IS_VALID(pts)
                ? gst_segment_to_stream_time(&trans->segment, GST_FORMAT_TIME, pts)
                : GST_CLOCK_TIME_NONE;
        if (GST_CLOCK_TIME_IS_VALID(streamTime)) {
            GstClockTime duration = GST_BUFFER_DURATION(frame->buffer);
            if (!GST_CLOCK_TIME_IS_VALID(duration))
                duration =
                    frame->info.fps_n > 0
                        ? gst_util_uint64_scale(GST_SECOND, frame->info.fps_d, frame->info.fps_n)
                        : 0;
            const REFERENCE_TIME start =
                REFERENCE_TIME(gint64(streamTime) - gint64(s.segmentTime)) / 100;
            const REFERENCE_TIME stop = start + REFERENCE_TIME(duration / 100);
            auto* top = static_cast<uint8_t*>(GST_VIDEO_FRAME_PLANE_DATA(frame, 0));
            const int stride = GST_VIDEO_FRAME_PLANE_STRIDE(frame, 0);
            if (!s.host->Draw(top, stride, start, stop))
                GST_DEBUG_OBJECT(self, "the filter did not hand the frame back");
        }
        if (s.loads) {
            // A watched script's reloads: a failure is a warning, a recovery news.
            const std::vector<std::string> news = s.loads->TakeNews(s.loadedPath);
            if (!news.empty()) {
                std::string text = news.front();
                for (size_t i = 1; i < news.size(); ++i)
                    text += "\n" + news[i];
                report = Report{news.front().rfind("script reloaded", 0) != 0, text};
            }
        }
    }
    PostReport(self, report);
    return GST_FLOW_OK;
}

} // namespace

static void gst_dq_overlay_init(GstDqOverlay* self) {
    self->state = new State;
}

static void gst_dq_overlay_class_init(GstDqOverlayClass* klass) {
    GST_DEBUG_CATEGORY_INIT(dq_overlay_debug, "dqoverlay", 0, "DirectQuorbit overlay");
    auto* object = G_OBJECT_CLASS(klass);
    object->set_property = SetProperty;
    object->get_property = GetProperty;
    object->finalize = Finalize;

    const auto flags =
        GParamFlags(G_PARAM_READWRITE | G_PARAM_STATIC_STRINGS | GST_PARAM_MUTABLE_PLAYING);
    g_object_class_install_property(
        object, PROP_SCRIPT,
        g_param_spec_string("script", "Script",
                            "Path of the overlay script to draw (read again when it changes "
                            "and watch is on); a script that does not load at start is an error",
                            nullptr, flags));
    g_object_class_install_property(
        object, PROP_DELAY,
        g_param_spec_int("delay", "Delay",
                         "Shifts the overlay later (or earlier, when negative) by frames of 1/60 s",
                         -kMaxDelay, kMaxDelay, 0, flags));
    g_object_class_install_property(
        object, PROP_HIDE,
        g_param_spec_boolean("hide", "Hide", "Hides the overlay: frames pass through untouched",
                             FALSE, flags));
    g_object_class_install_property(
        object, PROP_WATCH,
        g_param_spec_boolean("watch", "Watch",
                             "Applies changes immediately: reloads the script whenever the file "
                             "changes; a change that breaks it shows on the video and posts a "
                             "warning",
                             FALSE, flags));
    g_object_class_install_property(object, PROP_DEBUG,
                                    g_param_spec_boolean("debug", "Debug",
                                                         "Shows the overlay engine's debug panel",
                                                         FALSE, flags));

    auto* element = GST_ELEMENT_CLASS(klass);
    gst_element_class_set_static_metadata(
        element, "DirectQuorbit overlay", "Filter/Effect/Video/Overlay",
        "Draws the overlay of a DirectQuorbit script (subtitles, titles, shapes) onto video, in "
        "place, through the DirectQuorbit filter",
        "DirectQuorbit developers");
    static GstStaticPadTemplate sinkTemplate = GST_STATIC_PAD_TEMPLATE(
        "sink", GST_PAD_SINK, GST_PAD_ALWAYS, GST_STATIC_CAPS(GST_VIDEO_CAPS_MAKE("BGR")));
    static GstStaticPadTemplate srcTemplate = GST_STATIC_PAD_TEMPLATE(
        "src", GST_PAD_SRC, GST_PAD_ALWAYS, GST_STATIC_CAPS(GST_VIDEO_CAPS_MAKE("BGR")));
    gst_element_class_add_static_pad_template(element, &sinkTemplate);
    gst_element_class_add_static_pad_template(element, &srcTemplate);

    auto* trans = GST_BASE_TRANSFORM_CLASS(klass);
    trans->stop = Stop;
    trans->sink_event = SinkEvent;
    auto* video = GST_VIDEO_FILTER_CLASS(klass);
    video->set_info = SetInfo;
    video->transform_frame_ip = TransformFrameIp;
}
