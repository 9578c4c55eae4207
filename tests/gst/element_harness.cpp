#include "element_harness.h"

#include <cstdlib>
#include <fstream>
#include <mutex>

#include <gst/video/video.h>

namespace dqgst {

void LoadPlugin() {
    static std::once_flag once;
    std::call_once(once, [] {
        gst_init(nullptr, nullptr);
        GstPlugin* plugin = gst_plugin_load_file(DQ_GST_PLUGIN, nullptr);
        if (plugin != nullptr)
            gst_object_unref(plugin);
    });
}

ElementHarness::ElementHarness(const std::string& properties) {
    LoadPlugin();
    char pattern[] = "/tmp/dqgst-XXXXXX";
    m_folder = mkdtemp(pattern);
    GstElement* element = gst_element_factory_make("dqoverlay", nullptr);
    // "name=value name=value", as on a gst-launch-1.0 line.
    gchar** pairs = g_strsplit(properties.c_str(), " ", -1);
    for (gchar** pair = pairs; *pair != nullptr; ++pair) {
        gchar** nameValue = g_strsplit(*pair, "=", 2);
        if (nameValue[0] != nullptr && nameValue[1] != nullptr)
            gst_util_set_object_arg(G_OBJECT(element), nameValue[0], nameValue[1]);
        g_strfreev(nameValue);
    }
    g_strfreev(pairs);
    m_harness = gst_harness_new_with_element(element, "sink", "src");
    gst_object_unref(element);
    m_bus = gst_bus_new();
    gst_element_set_bus(m_harness->element, m_bus);
}

ElementHarness::~ElementHarness() {
    // Messages left on the bus hold the element, which holds the bus.
    gst_bus_set_flushing(m_bus, TRUE);
    gst_harness_teardown(m_harness);
    gst_object_unref(m_bus);
    std::error_code ec;
    std::filesystem::remove_all(m_folder, ec);
}

std::filesystem::path ElementHarness::Write(const std::string& name,
                                            const std::string& text) const {
    const std::filesystem::path path = m_folder / name;
    // Written beside and renamed over, as editors save, so a watcher never reads half a file.
    const std::filesystem::path temporary = m_folder / (".tmp-" + name);
    std::ofstream(temporary, std::ios::binary) << text;
    std::filesystem::rename(temporary, path);
    return path;
}

GstBuffer* ElementHarness::Frame(int64_t ms) {
    const gsize bytes = gsize(GST_ROUND_UP_4(kWidth * 3)) * kHeight;
    GstBuffer* buffer = gst_buffer_new_allocate(nullptr, bytes, nullptr);
    gst_buffer_memset(buffer, 0, kGrey.b, bytes);
    GST_BUFFER_PTS(buffer) = GstClockTime(ms) * GST_MSECOND;
    GST_BUFFER_DURATION(buffer) = 40 * GST_MSECOND;
    return buffer;
}

GstFlowReturn ElementHarness::Push(GstBuffer* frame, GstBuffer** out) {
    *out = nullptr;
    // The caps go with the first frame, so properties set before it count as set at start.
    if (!m_started) {
        gst_harness_set_src_caps_str(m_harness, "video/x-raw,format=BGR,width=64,height=48,"
                                                "framerate=25/1");
        m_started = true;
    }
    const GstFlowReturn flow = gst_harness_push(m_harness, frame);
    if (flow == GST_FLOW_OK)
        *out = gst_harness_pull(m_harness);
    return flow;
}

Bgr ElementHarness::Pixel(GstBuffer* frame, int x, int y) {
    GstMapInfo map;
    gst_buffer_map(frame, &map, GST_MAP_READ);
    const uint8_t* p = map.data + size_t(y) * GST_ROUND_UP_4(kWidth * 3) + size_t(x) * 3;
    const Bgr pixel = {p[0], p[1], p[2]};
    gst_buffer_unmap(frame, &map);
    return pixel;
}

int ElementHarness::Changed(GstBuffer* frame) {
    int changed = 0;
    for (int y = 0; y < kHeight; ++y)
        for (int x = 0; x < kWidth; ++x)
            changed += Pixel(frame, x, y) == kGrey ? 0 : 1;
    return changed;
}

std::vector<std::string> ElementHarness::Messages(GstMessageType type) {
    while (GstMessage* message = gst_bus_pop(m_bus)) {
        GError* error = nullptr;
        gchar* debug = nullptr;
        const GstMessageType kind = GST_MESSAGE_TYPE(message);
        if (kind == GST_MESSAGE_ERROR)
            gst_message_parse_error(message, &error, &debug);
        else if (kind == GST_MESSAGE_WARNING)
            gst_message_parse_warning(message, &error, &debug);
        else if (kind == GST_MESSAGE_INFO)
            gst_message_parse_info(message, &error, &debug);
        if (error != nullptr)
            m_seen.emplace_back(kind, error->message);
        g_clear_error(&error);
        g_free(debug);
        gst_message_unref(message);
    }
    std::vector<std::string> texts;
    for (const auto& [kind, text] : m_seen)
        if (kind == type)
            texts.push_back(text);
    return texts;
}

std::string BoxScript(const std::string& range, const std::string& colour) {
    return "@quorent 1\n" + range + " pos=4,4 align=top-left size=12 outline=0 color=" + colour +
           " box=" + colour + " | MM\n";
}

} // namespace dqgst
