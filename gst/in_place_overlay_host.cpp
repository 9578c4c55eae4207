#include "in_place_overlay_host.h"

#include <cstring>

#include "frame_sink.h"
#include "frame_source.h"
#include "overlay_filter_activation.h"
#include "overlay_graph.h"

InPlaceOverlayHost::InPlaceOverlayHost(int width, int height) : m_width(width), m_height(height) {
    m_filter = OverlayFilterActivation::Create(m_how);
    m_source = CFrameSource::Create(width, height);
    m_sink = CFrameSink::Create(width, height);
    try {
        m_graph = std::make_unique<OverlayGraph>(m_source->Itf(), m_filter, m_sink->Itf());
        m_graph->Run();
    } catch (...) {
        m_graph.reset();
        m_sink->Itf()->Release();
        m_source->Itf()->Release();
        m_filter->Release();
        throw;
    }
}

InPlaceOverlayHost::~InPlaceOverlayHost() {
    m_graph.reset(); // stops the graph and lets go of the filters
    m_sink->Itf()->Release();
    m_source->Itf()->Release();
    m_filter->Release();
}

IDirectQuorbit* InPlaceOverlayHost::Settings() const {
    return m_graph->Settings();
}

void InPlaceOverlayHost::NewSegment(REFERENCE_TIME start, double rate) {
    m_source->NewSegment(start, MAX_TIME, rate);
}

void InPlaceOverlayHost::Flush() {
    m_source->BeginFlush();
    m_source->EndFlush();
    m_discontinuity = true;
}

bool InPlaceOverlayHost::Draw(uint8_t* top, int stride, REFERENCE_TIME start, REFERENCE_TIME stop) {
    const LONG packedStride = m_source->Stride();
    const LONG bytes = m_source->FrameBytes();
    const size_t rowBytes = size_t(m_width) * 3;
    // The filter takes rows padded to four bytes; other layouts go through a packed copy.
    const bool packed = stride == packedStride;
    BYTE* frame = top;
    if (!packed) {
        m_packed.resize(size_t(bytes));
        for (int y = 0; y < m_height; ++y)
            std::memcpy(&m_packed[size_t(y) * packedStride], top + size_t(y) * stride, rowBytes);
        frame = m_packed.data();
    }
    m_sample.Reset(frame, bytes, start, stop, m_discontinuity);
    m_sink->Expect(frame, bytes);
    const HRESULT hr = m_source->Deliver(&m_sample);
    const bool received = m_sink->Received();
    m_sink->Expect(nullptr, 0);
    if (SUCCEEDED(hr))
        m_discontinuity = false;
    if (!packed && received)
        for (int y = 0; y < m_height; ++y)
            std::memcpy(top + size_t(y) * stride, &m_packed[size_t(y) * packedStride], rowBytes);
    return SUCCEEDED(hr) && received;
}
