// The source end of the element's graph: a filter with no thread of its own. The element's
// streaming thread hands it each frame, and the frame goes through the filter and back to the
// sink on that same thread before Deliver returns.
#pragma once

#include "baseclasses/streams.h"
#include "frame_source_pin.h"
#include "rgb24_frame_type.h"

class CFrameSource : public CBaseFilter {
public:
    // A new source with one reference, for the caller.
    static CFrameSource* Create(int width, int height);

    int GetPinCount() override { return 1; }
    CBasePin* GetPin(int n) override { return n == 0 ? &m_pin : nullptr; }

    IBaseFilter* Itf() { return static_cast<IBaseFilter*>(this); }
    CMediaType FrameType() const;
    LONG Stride() const { return rgb24::Stride(m_width); }
    LONG FrameBytes() const { return rgb24::FrameBytes(m_width, m_height); }

    HRESULT Deliver(IMediaSample* sample) { return m_pin.DeliverSample(sample); }
    HRESULT NewSegment(REFERENCE_TIME start, REFERENCE_TIME stop, double rate) {
        return m_pin.SendNewSegment(start, stop, rate);
    }
    HRESULT BeginFlush() { return m_pin.SendBeginFlush(); }
    HRESULT EndFlush() { return m_pin.SendEndFlush(); }

private:
    CFrameSource(int width, int height);

    CSectionLock m_lock;
    CFrameSourcePin m_pin;
    const int m_width;
    const int m_height;
};
