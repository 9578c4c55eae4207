// A renderer for tests: one input pin that records every sample it receives (identity, times,
// flags, data), the segments, flushes and end-of-stream, and reports completion to the graph
// as a renderer does.
#pragma once

#include <condition_variable>
#include <mutex>
#include <vector>

#include "baseclasses/streams.h"

class CTestSink;

class CTestSinkPin : public CBaseInputPin {
public:
    CTestSinkPin(CTestSink* filter, CSectionLock* lock);

    // RGB24 video in a video-info format.
    HRESULT VerifyMediaType(const CMediaType* type) override;
    HRESULT ReadyToReceive() override;

    STDMETHODIMP QueryId(LPWSTR* id) override;
    STDMETHODIMP Receive(IMediaSample* sample) override;
    STDMETHODIMP EndOfStream() override;
    STDMETHODIMP BeginFlush() override;
    STDMETHODIMP EndFlush() override;
    STDMETHODIMP NewSegment(REFERENCE_TIME start, REFERENCE_TIME stop, double rate) override;

private:
    CTestSink* m_pSink;
};

class CTestSink : public CBaseFilter {
public:
    struct Received {
        IMediaSample* sample; // identity only; not counted
        REFERENCE_TIME start, stop;
        bool timeValid, syncPoint, discontinuity;
        std::vector<BYTE> data;
    };

    // A new sink with one reference, for the caller.
    static CTestSink* Create();

    int GetPinCount() override { return 1; }
    CBasePin* GetPin(int n) override { return n == 0 ? &m_pin : nullptr; }
    STDMETHODIMP Run(REFERENCE_TIME start) override;
    STDMETHODIMP Stop() override;

    IBaseFilter* Itf() { return static_cast<IBaseFilter*>(this); }
    CTestSinkPin* InputPin() { return &m_pin; }

    // What arrived, from any thread.
    std::vector<Received> Samples();
    size_t SampleCount();
    int EndOfStreams();
    int BeginFlushes();
    int EndFlushes();
    REFERENCE_TIME SegmentStart();
    // Until count samples have arrived, or the stream has ended.
    void WaitForSamples(size_t count);
    void Clear();

private:
    friend class CTestSinkPin;
    CTestSink();
    // Completion is reported once the stream has ended and the filter runs, as a renderer does:
    // the graph counts completions only while running.
    void ReportCompletionIfDue();

    CSectionLock m_lock;
    CSectionLock m_receiveLock; // one sample or end-of-stream at a time
    CTestSinkPin m_pin;

    std::mutex m_mutex; // guards what follows
    std::condition_variable m_changed;
    std::vector<Received> m_samples;
    int m_endOfStreams = 0, m_beginFlushes = 0, m_endFlushes = 0;
    REFERENCE_TIME m_segmentStart = -1;
    bool m_completionReported = false;
};
