// The sink end of the element's graph: takes each frame back from the filter while the element's
// streaming thread waits in CFrameSource::Deliver. The frame normally comes back in the very
// sample that was sent, drawn on where it lies; a frame that comes back in another sample (the
// filter made a copy) is copied into the element's buffer.
#pragma once

#include "baseclasses/streams.h"
#include "frame_sink_pin.h"

class CFrameSink : public CBaseFilter {
public:
    // A new sink with one reference, for the caller.
    static CFrameSink* Create(int width, int height);

    int GetPinCount() override { return 1; }
    CBasePin* GetPin(int n) override { return n == 0 ? &m_pin : nullptr; }

    IBaseFilter* Itf() { return static_cast<IBaseFilter*>(this); }
    int Width() const { return m_width; }
    int Height() const { return m_height; }

    // Where the next frame belongs; clears what Received says.
    void Expect(BYTE* frame, LONG bytes);
    // Whether a frame came back since Expect.
    bool Received() const { return m_received; }

    // From the input pin.
    HRESULT Take(IMediaSample* sample);

private:
    CFrameSink(int width, int height);

    CSectionLock m_lock;
    CFrameSinkPin m_pin;
    const int m_width;
    const int m_height;
    // Used on the streaming thread only.
    BYTE* m_frame = nullptr;
    LONG m_bytes = 0;
    bool m_received = false;
};
