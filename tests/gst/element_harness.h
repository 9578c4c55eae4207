// The dqoverlay element in a GstHarness: the plugin loaded from the build, a folder of scripts,
// BGR frames of one grey made and read back, and the messages the element posts on its bus.
#pragma once

#include <cstdint>
#include <filesystem>
#include <string>
#include <vector>

#include <gst/check/gstharness.h>
#include <gst/gst.h>

namespace dqgst {

// Loads the plugin once per process.
void LoadPlugin();

struct Bgr {
    uint8_t b, g, r;
    bool operator==(const Bgr&) const = default;
};

class ElementHarness {
public:
    static constexpr int kWidth = 64;
    static constexpr int kHeight = 48;
    static constexpr Bgr kGrey = {0x40, 0x40, 0x40};

    explicit ElementHarness(const std::string& properties = "");
    ~ElementHarness();
    ElementHarness(const ElementHarness&) = delete;
    ElementHarness& operator=(const ElementHarness&) = delete;

    GstHarness* Get() const { return m_harness; }
    GstElement* Element() const { return m_harness->element; }
    const std::filesystem::path& Folder() const { return m_folder; }
    // Writes (replaces) a file in the folder and gives its path.
    std::filesystem::path Write(const std::string& name, const std::string& text) const;

    // A grey frame at `ms` into the stream (pts), one 40 ms frame long.
    static GstBuffer* Frame(int64_t ms);
    // Pushes a frame (the caps first, the first time) and pulls what comes out: the flow result and
    // the output (null when the push failed).
    GstFlowReturn Push(GstBuffer* frame, GstBuffer** out);
    // The colour of one pixel of a BGR frame.
    static Bgr Pixel(GstBuffer* frame, int x, int y);
    // Pixels of the frame that differ from grey.
    static int Changed(GstBuffer* frame);

    // Messages of a type posted so far, and their texts (taken off the bus).
    std::vector<std::string> Messages(GstMessageType type);

private:
    GstHarness* m_harness = nullptr;
    GstBus* m_bus = nullptr;
    bool m_started = false;
    std::filesystem::path m_folder;
    std::vector<std::pair<GstMessageType, std::string>> m_seen;
};

// A script with one solid green box (text and box the same colour) at 4,4 while `range` lasts.
std::string BoxScript(const std::string& range, const std::string& colour = "#FF00FF00");

} // namespace dqgst
