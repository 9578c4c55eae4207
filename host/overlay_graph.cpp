#include "overlay_graph.h"

#include <cstdio>
#include <string>

#include "filter/i_direct_quorbit.h"
#include "tool_error.h"

namespace {

[[noreturn]] void Fail(const std::string& what, HRESULT hr) {
    char text[16];
    std::snprintf(text, sizeof text, "0x%08X", unsigned(hr));
    throw ToolError(kExitProcessing, what + " (" + text + ")");
}

// The first pin of a filter facing the given way.
IPin* FindPin(IBaseFilter* filter, PIN_DIRECTION direction) {
    IEnumPins* pins = nullptr;
    if (FAILED(filter->EnumPins(&pins)) || pins == nullptr)
        return nullptr;
    IPin* found = nullptr;
    IPin* pin = nullptr;
    while (found == nullptr && pins->Next(1, &pin, nullptr) == S_OK) {
        PIN_DIRECTION d;
        if (SUCCEEDED(pin->QueryDirection(&d)) && d == direction)
            found = pin;
        else
            pin->Release();
    }
    pins->Release();
    return found;
}

} // namespace

OverlayGraph::OverlayGraph(IBaseFilter* source, IBaseFilter* overlay, IBaseFilter* sink) {
    HRESULT hr = CoCreateInstance(CLSID_FilterGraph, nullptr, CLSCTX_INPROC_SERVER,
                                  IID_IGraphBuilder, reinterpret_cast<void**>(&m_builder));
    if (FAILED(hr))
        Fail("the filter graph cannot be created", hr);
    m_builder->QueryInterface(IID_IMediaControl, reinterpret_cast<void**>(&m_control));
    m_builder->QueryInterface(IID_IMediaEvent, reinterpret_cast<void**>(&m_events));
    if (m_control == nullptr || m_events == nullptr)
        Fail("the filter graph has no control or event interface", E_NOINTERFACE);
    // Frames go as fast as they can be made: no clock paces them.
    IMediaFilter* timing = nullptr;
    if (SUCCEEDED(m_builder->QueryInterface(IID_IMediaFilter, reinterpret_cast<void**>(&timing)))) {
        timing->SetSyncSource(nullptr);
        timing->Release();
    }

    if (FAILED(hr = m_builder->AddFilter(source, WSTR("Source"))) ||
        FAILED(hr = m_builder->AddFilter(overlay, WSTR("DirectQuorbit"))) ||
        FAILED(hr = m_builder->AddFilter(sink, WSTR("Sink"))))
        Fail("a filter cannot join the graph", hr);
    Connect(source, overlay, "the overlay filter does not take the video");
    Connect(overlay, sink, "the overlay filter's output does not connect to the writer");

    hr = overlay->QueryInterface(IID_IDirectQuorbit, reinterpret_cast<void**>(&m_settings));
    if (FAILED(hr) || m_settings == nullptr)
        Fail("the overlay filter has no IDirectQuorbit interface", hr);
    m_settings->Release(); // the graph holds the filter
}

void OverlayGraph::Connect(IBaseFilter* from, IBaseFilter* to, const char* what) {
    IPin* out = FindPin(from, PINDIR_OUTPUT);
    IPin* in = FindPin(to, PINDIR_INPUT);
    const HRESULT hr = out != nullptr && in != nullptr ? m_builder->Connect(out, in) : E_UNEXPECTED;
    if (out != nullptr)
        out->Release();
    if (in != nullptr)
        in->Release();
    if (FAILED(hr))
        Fail(what, hr);
}

OverlayGraph::~OverlayGraph() {
    if (m_control != nullptr) {
        m_control->Stop();
        m_control->Release();
    }
    if (m_events != nullptr)
        m_events->Release();
    if (m_builder != nullptr)
        m_builder->Release(); // releases the filters it holds
}

void OverlayGraph::Run() {
    const HRESULT hr = m_control->Run();
    if (FAILED(hr))
        Fail("the filter graph does not run", hr);
}

OverlayGraph::Outcome OverlayGraph::Wait(long milliseconds) {
    LONG code = 0;
    LONG_PTR p1 = 0, p2 = 0;
    // Every event is read so the queue stays short; completion and aborts end the wait.
    while (m_events->GetEvent(&code, &p1, &p2, milliseconds) == S_OK) {
        m_events->FreeEventParams(code, p1, p2);
        if (code == EC_COMPLETE)
            return Outcome::Completed;
        if (code == EC_ERRORABORT || code == EC_USERABORT)
            return Outcome::Aborted;
        milliseconds = 0;
    }
    return Outcome::Running;
}

void OverlayGraph::Stop() {
    m_control->Stop();
}
