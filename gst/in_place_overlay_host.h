// The filter hosted for one frame size: created through COM as every host creates it, in a graph
// between the element's own source and sink, running. Each frame is drawn on in the element's
// buffer, synchronously on the calling thread.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "frame_sample.h"
#include "platform/platform.h"

class CFrameSink;
class CFrameSource;
class OverlayGraph;
struct IDirectQuorbit;

class InPlaceOverlayHost {
public:
    // Throws ToolError when the filter cannot be created or connected.
    InPlaceOverlayHost(int width, int height);
    ~InPlaceOverlayHost();
    InPlaceOverlayHost(const InPlaceOverlayHost&) = delete;
    InPlaceOverlayHost& operator=(const InPlaceOverlayHost&) = delete;

    // Not counted; lives as long as the host.
    IDirectQuorbit* Settings() const;
    // Where the filter came from.
    const std::string& How() const { return m_how; }

    // A new segment: sample times count from `start`, the segment's own media time (100 ns).
    void NewSegment(REFERENCE_TIME start, double rate);
    // Drops whatever the graph holds; the next frame is a discontinuity.
    void Flush();
    // Draws the overlay on a frame with its rows top-down, `stride` bytes apart, at sample times
    // counted from the segment's start. False when the filter did not hand the frame back.
    bool Draw(uint8_t* top, int stride, REFERENCE_TIME start, REFERENCE_TIME stop);

private:
    const int m_width;
    const int m_height;
    std::string m_how;
    FrameSample m_sample;          // outlives the graph, which may hold it while stopping
    std::vector<uint8_t> m_packed; // for frames whose rows are not packed as the filter's are
    bool m_discontinuity = true;
    IBaseFilter* m_filter = nullptr;
    CFrameSource* m_source = nullptr;
    CFrameSink* m_sink = nullptr;
    std::unique_ptr<OverlayGraph> m_graph;
};
