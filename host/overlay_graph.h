// The filter graph of one run, built and driven as a DirectShow host does it, only through the
// graph manager's interfaces: source -> DirectQuorbit -> sink, connected by the graph builder,
// run, watched through its events, stopped.
#pragma once

#include "platform/platform.h"

struct IDirectQuorbit;

class OverlayGraph {
public:
    // Takes its own references on the filters. Throws ToolError (processing) when the graph
    // cannot be made or the pins do not connect.
    OverlayGraph(IBaseFilter* source, IBaseFilter* overlay, IBaseFilter* sink);
    ~OverlayGraph();
    OverlayGraph(const OverlayGraph&) = delete;
    OverlayGraph& operator=(const OverlayGraph&) = delete;

    // The overlay filter's settings interface (not counted; lives as long as the graph).
    IDirectQuorbit* Settings() const { return m_settings; }

    void Run();
    enum class Outcome { Running, Completed, Aborted };
    // Waits up to `milliseconds` for the stream to complete or abort.
    Outcome Wait(long milliseconds);
    void Stop();

private:
    void Connect(IBaseFilter* from, IBaseFilter* to, const char* what);

    IGraphBuilder* m_builder = nullptr;
    IMediaControl* m_control = nullptr;
    IMediaEvent* m_events = nullptr;
    IDirectQuorbit* m_settings = nullptr;
};
