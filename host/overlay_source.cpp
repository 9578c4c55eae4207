#include "overlay_source.h"

#include <cstdio>
#include <string>

#include "rgb24_frame_type.h"
#include "tool_error.h"

DQ_DEFINE_GUID(CLSID_DqOverlaySource, 0x5D0F3A71, 0x2C4E, 0x4B8A, 0x9E, 0x11, 0x7A, 0x60, 0xC2,
               0x3B, 0x51, 0x01);

COverlaySource::COverlaySource(FrameReader& reader, RunStatus& status)
    : CBaseFilter(WSTR("dq-overlay source"), nullptr, &m_lock, CLSID_DqOverlaySource),
      m_pin(this, &m_lock), m_reader(reader), m_status(status) {}

COverlaySource::~COverlaySource() {
    Stop();
}

COverlaySource* COverlaySource::Create(FrameReader& reader, RunStatus& status) {
    auto* source = new COverlaySource(reader, status);
    source->Itf()->AddRef();
    return source;
}

CMediaType COverlaySource::FrameType() const {
    const FrameFormat& f = Format();
    const REFERENCE_TIME perFrame =
        f.frameRate.num > 0 ? REFERENCE_TIME(10'000'000.0 * f.frameRate.den / f.frameRate.num) : 0;
    return rgb24::FrameType(f.width, f.height, perFrame); // positive height: bottom row first
}

STDMETHODIMP COverlaySource::Pause() {
    CSectionGuard guard(&m_lock);
    const bool wasStopped = IsStopped();
    const HRESULT hr = CBaseFilter::Pause();
    if (FAILED(hr) || !wasStopped || !m_pin.IsConnected() || m_thread.joinable())
        return hr;
    m_stopping = false;
    m_thread = std::thread(&COverlaySource::Stream, this);
    return hr;
}

// The streaming thread never takes the filter lock, so it can be waited for under it.
STDMETHODIMP COverlaySource::Stop() {
    CSectionGuard guard(&m_lock);
    m_stopping = true;
    m_reader.Interrupt();
    // Decommits the allocator: a thread waiting for a buffer gets a failure and ends.
    const HRESULT hr = CBaseFilter::Stop();
    if (m_thread.joinable())
        m_thread.join();
    return hr;
}

void COverlaySource::Abort(HRESULT hr) {
    SendGraphEvent(EC_ERRORABORT, hr, 0);
}

void COverlaySource::Stream() {
    m_pin.SendNewSegment(m_reader.SegmentStart(), MAX_TIME, 1.0);
    const LONG frameBytes = LONG(Format().FrameBytes());
    bool first = true;
    for (;;) {
        if (m_stopping || m_status.StopRequested())
            return;
        IMediaSample* sample = nullptr;
        HRESULT hr = m_pin.GetDeliverySample(&sample, nullptr, nullptr, 0);
        if (FAILED(hr) || sample == nullptr)
            return; // stopping: the allocator was decommitted
        BYTE* data = nullptr;
        sample->GetPointer(&data);
        REFERENCE_TIME start = 0, stop = 0;
        bool got = false;
        try {
            got = data != nullptr && sample->GetSize() >= frameBytes &&
                  m_reader.ReadFrame(data, start, stop);
        } catch (const ToolError& e) {
            sample->Release();
            m_status.Fail(e.ExitCode(), e.what());
            Abort(E_FAIL);
            return;
        } catch (const std::exception& e) { // out of memory, mostly
            sample->Release();
            m_status.Fail(kExitProcessing, std::string("reading a frame failed: ") + e.what());
            Abort(E_FAIL);
            return;
        }
        if (!got) {
            sample->Release();
            // An interrupted read is not the end of the input.
            if (!m_stopping && !m_status.StopRequested())
                m_pin.SendEndOfStream();
            return;
        }
        sample->SetActualDataLength(frameBytes);
        sample->SetTime(&start, &stop);
        sample->SetSyncPoint(TRUE);
        sample->SetDiscontinuity(first ? TRUE : FALSE);
        first = false;
        hr = m_pin.DeliverSample(sample);
        sample->Release();
        if (FAILED(hr)) {
            // The sink records its own failures; anything else is the graph's.
            if (!m_stopping && !m_status.StopRequested()) {
                char text[96];
                std::snprintf(text, sizeof text,
                              "the overlay filter did not pass a frame on (error 0x%08X)",
                              unsigned(hr));
                m_status.Fail(kExitProcessing, text);
                Abort(hr);
            }
            return;
        }
        ++m_delivered;
    }
}
