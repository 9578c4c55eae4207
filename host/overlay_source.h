// The tool's source filter: a push source on the framework with its own streaming thread. From
// the first Pause it reads frames with a FrameReader into the buffers of its output pin's
// allocator, stamps them with their sample times, and delivers them downstream, after a new
// segment whose start says where in the input the read began; at the end it sends end-of-stream.
// A read failure is recorded in the RunStatus and reported to the graph as EC_ERRORABORT.
#pragma once

#include <atomic>
#include <thread>

#include "baseclasses/streams.h"
#include "frame_reader.h"
#include "overlay_source_pin.h"
#include "run_status.h"

class COverlaySource : public CBaseFilter {
public:
    // A new source with one reference, for the caller. The reader and status outlive it.
    static COverlaySource* Create(FrameReader& reader, RunStatus& status);

    int GetPinCount() override { return 1; }
    CBasePin* GetPin(int n) override { return n == 0 ? &m_pin : nullptr; }
    STDMETHODIMP Pause() override;
    STDMETHODIMP Stop() override;

    IBaseFilter* Itf() { return static_cast<IBaseFilter*>(this); }
    const FrameFormat& Format() const { return m_reader.Format(); }
    CMediaType FrameType() const;
    // Frames delivered downstream so far.
    int64_t Delivered() const { return m_delivered.load(); }

private:
    COverlaySource(FrameReader& reader, RunStatus& status);
    ~COverlaySource() override;
    void Stream();
    void Abort(HRESULT hr);

    CSectionLock m_lock;
    COverlaySourcePin m_pin;
    FrameReader& m_reader;
    RunStatus& m_status;
    std::thread m_thread; // started and joined under the filter lock
    std::atomic<bool> m_stopping{false};
    std::atomic<int64_t> m_delivered{0};
};
