// A source filter for tests: one output pin that pushes numbered RGB24 video frames from its own
// streaming thread, as a real capture or file source would. Every delivery is recorded. The
// thread can be held before a chosen frame, so that a test can act at a known point of the
// stream (flush, inspect), and the buffers can be declared read-only to the downstream filter.
#pragma once

#include <condition_variable>
#include <mutex>
#include <thread>
#include <vector>

#include "baseclasses/streams.h"

class CTestPushSource;

class CTestPushSourcePin : public CBaseOutputPin {
public:
    CTestPushSourcePin(CTestPushSource* filter, CSectionLock* lock);

    HRESULT VerifyMediaType(const CMediaType* type) override;
    HRESULT GetMediaType(int position, CMediaType* type) override;
    HRESULT DecideBufferSize(IMemAllocator* allocator, ALLOCATOR_PROPERTIES* request) override;
    // With read-only buffers, the allocator is offered to the peer as read-only.
    HRESULT ChooseAllocator(IMemInputPin* peer, IMemAllocator** out) override;
    STDMETHODIMP QueryId(LPWSTR* id) override;
    STDMETHODIMP Notify(IBaseFilter* sender, Quality q) override;

private:
    CTestPushSource* m_pSource;
};

class CTestPushSource : public CBaseFilter {
public:
    struct Options {
        int frames = 100;
        LONG width = 8;
        LONG height = 4;
        REFERENCE_TIME frameDuration = 400000; // 40 ms
        bool readOnly = false;
        int holdAt = -1; // the thread waits before delivering this frame (-1: never)
    };
    // What became of one frame.
    struct Delivery {
        int frame;
        IMediaSample* sample; // identity only; not counted
        HRESULT result;
        bool bufferIntact; // the data was unchanged after delivery
    };

    // A new source with one reference, for the caller.
    static CTestPushSource* Create(const Options& options);

    int GetPinCount() override { return 1; }
    CBasePin* GetPin(int n) override { return n == 0 ? &m_pin : nullptr; }
    STDMETHODIMP Pause() override;
    STDMETHODIMP Stop() override;

    IBaseFilter* Itf() { return static_cast<IBaseFilter*>(this); }
    CTestPushSourcePin* OutputPin() { return &m_pin; }
    const Options& GetOptions() const { return m_options; }
    CMediaType FrameType() const;
    LONG FrameBytes() const { return m_options.width * m_options.height * 3; }
    // The bytes of a frame as sent.
    static BYTE Pattern(int frame, LONG offset) { return static_cast<BYTE>(frame * 7 + offset); }

    // Test control, from any thread.
    std::vector<Delivery> Deliveries();
    void WaitUntilHeld();
    void HoldAt(int frame); // moves the hold to another frame (-1: none) and lets the thread on
    void WaitUntilDelivered(size_t count);
    bool IsStreaming();
    // Flushes downstream from the calling thread, as a seek would.
    HRESULT DeliverBeginFlush() { return m_pin.SendBeginFlush(); }
    HRESULT DeliverEndFlush() { return m_pin.SendEndFlush(); }

private:
    explicit CTestPushSource(const Options& options);
    ~CTestPushSource() override;
    void Stream();

    CSectionLock m_lock;
    CTestPushSourcePin m_pin;
    const Options m_options;
    std::thread m_thread; // under the filter lock

    std::mutex m_mutex; // guards what follows
    std::condition_variable m_changed;
    bool m_stopping = false;
    bool m_streaming = false;
    int m_holdAt;
    bool m_held = false;
    std::vector<Delivery> m_deliveries;
};
