// The tool's sink filter: the renderer end of the graph. Its input pin queues each received
// sample (holding a reference, so the source's allocator runs out of buffers and waits when the
// writer falls behind), and the sink's own writing thread hands the frames to a FrameWriter in
// order. After the last frame it finishes the writer and, once running, reports EC_COMPLETE; a
// writer failure is recorded in the RunStatus, reported as EC_ERRORABORT, and refuses further
// samples.
#pragma once

#include <condition_variable>
#include <deque>
#include <mutex>
#include <thread>

#include "baseclasses/streams.h"
#include "frame_format.h"
#include "frame_writer.h"
#include "overlay_sink_pin.h"
#include "run_status.h"

class COverlaySink : public CBaseFilter {
public:
    // A new sink with one reference, for the caller. The writer and status outlive it.
    static COverlaySink* Create(const FrameFormat& format, FrameWriter& writer, RunStatus& status);

    int GetPinCount() override { return 1; }
    CBasePin* GetPin(int n) override { return n == 0 ? &m_pin : nullptr; }
    STDMETHODIMP Pause() override;
    STDMETHODIMP Run(REFERENCE_TIME start) override;
    STDMETHODIMP Stop() override;

    IBaseFilter* Itf() { return static_cast<IBaseFilter*>(this); }
    const FrameFormat& Format() const { return m_format; }

    // From the input pin, under the receive lock. A null sample stands for end-of-stream.
    HRESULT Queue(IMediaSample* sample);
    void DropQueued();
    CSectionLock* ReceiveLock() { return &m_receiveLock; }

private:
    COverlaySink(const FrameFormat& format, FrameWriter& writer, RunStatus& status);
    ~COverlaySink() override;
    void Write();
    void WriteSample(IMediaSample* sample);
    // As a renderer, the sink reports completion only while running: an end reached while the
    // graph is still pausing is reported when it runs.
    void Complete();

    CSectionLock m_lock;
    CSectionLock m_receiveLock; // one sample or end-of-stream at a time
    COverlaySinkPin m_pin;
    const FrameFormat m_format;
    FrameWriter& m_writer;
    RunStatus& m_status;
    std::thread m_thread; // started and joined under the filter lock

    std::mutex m_mutex; // guards what follows
    std::condition_variable m_changed;
    std::deque<IMediaSample*> m_queue; // counted; null is end-of-stream
    bool m_stopping = false;
    bool m_failed = false;
    bool m_ended = false;     // the writer has finished
    bool m_completed = false; // and EC_COMPLETE was sent
};
