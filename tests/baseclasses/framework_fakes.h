// Hand-made peers for testing the filter framework without a runtime: samples, allocators, a
// peer pin with both transport ends, a graph that records what it is asked, and a clock.
#pragma once

#include <cstring>
#include <functional>
#include <vector>

#include "baseclasses/streams.h"

namespace fakes {

// Reference counting for a fake: starts at 1 (the test's reference); deletes itself at 0.
#define FAKE_REFCOUNT                                                                              \
    LONG volatile m_refs = 1;                                                                      \
    STDMETHODIMP_(ULONG) AddRef() override {                                                       \
        return static_cast<ULONG>(InterlockedIncrement(&m_refs));                                  \
    }                                                                                              \
    STDMETHODIMP_(ULONG) Release() override {                                                      \
        const LONG n = InterlockedDecrement(&m_refs);                                              \
        if (n == 0)                                                                                \
            delete this;                                                                           \
        return static_cast<ULONG>(n);                                                              \
    }                                                                                              \
    LONG Refs() const {                                                                            \
        return m_refs;                                                                             \
    }

// A media type of the given major type, subtype and format type, with a format block of n bytes
// all set to fill.
CMediaType MakeType(const GUID& major, const GUID& sub, const GUID& format = GUID_NULL,
                    ULONG formatSize = 0, BYTE fill = 0);

enum class TimeMode { None, StartOnly, Both };

// A sample over its own buffer; answers IMediaSample2 only when asked to.
class FakeSample : public IMediaSample2 {
public:
    FakeSample(LONG size, bool withSample2) : m_buffer(size, 0), m_withSample2(withSample2) {}
    virtual ~FakeSample() { DestroyMediaType(m_type); }
    FAKE_REFCOUNT

    STDMETHODIMP QueryInterface(REFIID riid, void** ppv) override;
    STDMETHODIMP GetPointer(BYTE** out) override;
    STDMETHODIMP_(LONG) GetSize() override { return static_cast<LONG>(m_buffer.size()); }
    STDMETHODIMP GetTime(REFERENCE_TIME* start, REFERENCE_TIME* stop) override;
    STDMETHODIMP SetTime(REFERENCE_TIME* start, REFERENCE_TIME* stop) override;
    STDMETHODIMP IsSyncPoint() override { return m_sync ? S_OK : S_FALSE; }
    STDMETHODIMP SetSyncPoint(BOOL v) override {
        m_sync = v != FALSE;
        return S_OK;
    }
    STDMETHODIMP IsPreroll() override { return m_preroll ? S_OK : S_FALSE; }
    STDMETHODIMP SetPreroll(BOOL v) override {
        m_preroll = v != FALSE;
        return S_OK;
    }
    STDMETHODIMP_(LONG) GetActualDataLength() override { return m_actual; }
    STDMETHODIMP SetActualDataLength(LONG n) override;
    STDMETHODIMP GetMediaType(AM_MEDIA_TYPE** out) override;
    STDMETHODIMP SetMediaType(AM_MEDIA_TYPE* type) override;
    STDMETHODIMP IsDiscontinuity() override { return m_discontinuity ? S_OK : S_FALSE; }
    STDMETHODIMP SetDiscontinuity(BOOL v) override {
        m_discontinuity = v != FALSE;
        return S_OK;
    }
    STDMETHODIMP GetMediaTime(LONGLONG* start, LONGLONG* stop) override;
    STDMETHODIMP SetMediaTime(LONGLONG* start, LONGLONG* stop) override;
    STDMETHODIMP GetProperties(DWORD size, BYTE* props) override;
    STDMETHODIMP SetProperties(DWORD size, const BYTE* props) override;

    std::vector<BYTE> m_buffer;
    bool m_withSample2;
    LONG m_actual = 0;
    TimeMode m_times = TimeMode::None;
    REFERENCE_TIME m_start = 0, m_stop = 0;
    bool m_sync = false, m_preroll = false, m_discontinuity = false;
    bool m_mediaTimes = false;
    LONGLONG m_mediaStart = 0, m_mediaStop = 0;
    AM_MEDIA_TYPE* m_type = nullptr; // owned
    DWORD m_streamId = 0;
};

// An allocator handing out FakeSamples of its buffer size.
class FakeAllocator : public IMemAllocator {
public:
    explicit FakeAllocator(bool samplesWithSample2 = false) : m_sample2(samplesWithSample2) {}
    virtual ~FakeAllocator() = default;
    FAKE_REFCOUNT

    STDMETHODIMP QueryInterface(REFIID riid, void** ppv) override;
    STDMETHODIMP SetProperties(ALLOCATOR_PROPERTIES* request,
                               ALLOCATOR_PROPERTIES* actual) override;
    STDMETHODIMP GetProperties(ALLOCATOR_PROPERTIES* props) override;
    STDMETHODIMP Commit() override;
    STDMETHODIMP Decommit() override;
    STDMETHODIMP GetBuffer(IMediaSample** out, REFERENCE_TIME* start, REFERENCE_TIME* stop,
                           DWORD flags) override;
    STDMETHODIMP ReleaseBuffer(IMediaSample*) override { return S_OK; }

    bool m_sample2;
    ALLOCATOR_PROPERTIES m_props = {};
    LONG m_maxBufferSize = 0; // grants at most this much when non-zero
    HRESULT m_setPropertiesResult = S_OK;
    HRESULT m_decommitResult = S_OK;
    HRESULT m_getBufferResult = S_OK;
    int m_commits = 0, m_decommits = 0;
    int m_getBufferCalls = 0;
    DWORD m_lastFlags = 0;
    bool m_lastHadTimes = false;
};

// The other end of a connection: an output pin (upstream) or an input pin (downstream) with the
// memory transport, recording everything it is told.
class FakePeerPin : public IPin, public IMemInputPin, public IQualityControl {
public:
    explicit FakePeerPin(PIN_DIRECTION direction) : m_direction(direction) {}
    virtual ~FakePeerPin();
    FAKE_REFCOUNT

    STDMETHODIMP QueryInterface(REFIID riid, void** ppv) override;

    // IPin
    STDMETHODIMP Connect(IPin*, const AM_MEDIA_TYPE*) override { return E_NOTIMPL; }
    STDMETHODIMP ReceiveConnection(IPin* connector, const AM_MEDIA_TYPE* type) override;
    STDMETHODIMP Disconnect() override;
    STDMETHODIMP ConnectedTo(IPin** out) override;
    STDMETHODIMP ConnectionMediaType(AM_MEDIA_TYPE*) override { return E_NOTIMPL; }
    STDMETHODIMP QueryPinInfo(PIN_INFO*) override { return E_NOTIMPL; }
    STDMETHODIMP QueryDirection(PIN_DIRECTION* out) override {
        *out = m_direction;
        return S_OK;
    }
    STDMETHODIMP QueryId(LPWSTR*) override { return E_NOTIMPL; }
    STDMETHODIMP QueryAccept(const AM_MEDIA_TYPE* type) override;
    STDMETHODIMP EnumMediaTypes(IEnumMediaTypes** out) override;
    STDMETHODIMP QueryInternalConnections(IPin**, ULONG*) override { return E_NOTIMPL; }
    STDMETHODIMP EndOfStream() override {
        ++m_endOfStreams;
        return S_OK;
    }
    STDMETHODIMP BeginFlush() override {
        ++m_beginFlushes;
        return S_OK;
    }
    STDMETHODIMP EndFlush() override {
        ++m_endFlushes;
        return S_OK;
    }
    STDMETHODIMP NewSegment(REFERENCE_TIME start, REFERENCE_TIME, double) override {
        m_segmentStart = start;
        ++m_newSegments;
        return S_OK;
    }

    // IMemInputPin
    STDMETHODIMP GetAllocator(IMemAllocator** out) override;
    STDMETHODIMP NotifyAllocator(IMemAllocator* allocator, BOOL readOnly) override;
    STDMETHODIMP GetAllocatorRequirements(ALLOCATOR_PROPERTIES* props) override;
    STDMETHODIMP Receive(IMediaSample* sample) override;
    STDMETHODIMP ReceiveMultiple(IMediaSample**, LONG, LONG*) override { return E_NOTIMPL; }
    STDMETHODIMP ReceiveCanBlock() override { return m_canBlock; }

    // IQualityControl
    STDMETHODIMP Notify(IBaseFilter* sender, Quality q) override;
    STDMETHODIMP SetSink(IQualityControl*) override { return S_OK; }

    void SetAllocator(IMemAllocator* allocator); // what GetAllocator hands out (null: fails)

    PIN_DIRECTION m_direction;
    bool m_memInput = true;       // answers IMemInputPin
    bool m_qualityControl = true; // answers IQualityControl
    std::vector<CMediaType> m_offered;
    // The answer to a proposed type (ReceiveConnection and QueryAccept); default: S_OK.
    std::function<HRESULT(const AM_MEDIA_TYPE*)> m_accept;
    std::vector<CMediaType> m_proposed; // every type ReceiveConnection was offered
    IPin* m_connected = nullptr;        // counted
    int m_disconnects = 0;
    IMemAllocator* m_allocator = nullptr; // counted
    IMemAllocator* m_notified = nullptr;  // counted
    BOOL m_notifiedReadOnly = FALSE;
    HRESULT m_notifyResult = S_OK;
    bool m_hasRequirements = false;
    ALLOCATOR_PROPERTIES m_requirements = {};
    HRESULT m_receiveResult = S_OK;
    std::vector<IMediaSample*> m_received; // counted
    HRESULT m_canBlock = S_OK;
    int m_endOfStreams = 0, m_beginFlushes = 0, m_endFlushes = 0, m_newSegments = 0;
    REFERENCE_TIME m_segmentStart = 0;
    std::vector<Quality> m_quality;
    IBaseFilter* m_qualitySender = nullptr;
};

// A graph with an event sink (unless told otherwise) that records events and reconnection
// requests without acting on them.
class FakeGraph : public IFilterGraph2, public IMediaEventSink {
public:
    struct Event {
        LONG code;
        LONG_PTR param1, param2;
    };
    struct ReconnectRequest {
        IPin* pin;
        CMediaType type;
        bool hadType;
    };
    virtual ~FakeGraph() = default;
    FAKE_REFCOUNT

    STDMETHODIMP QueryInterface(REFIID riid, void** ppv) override;
#define FAKE_NOTIMPL(decl)                                                                         \
    STDMETHODIMP decl override {                                                                   \
        return E_NOTIMPL;                                                                          \
    }
    FAKE_NOTIMPL(AddFilter(IBaseFilter*, LPCWSTR))
    FAKE_NOTIMPL(RemoveFilter(IBaseFilter*))
    FAKE_NOTIMPL(EnumFilters(IEnumFilters**))
    FAKE_NOTIMPL(FindFilterByName(LPCWSTR, IBaseFilter**))
    FAKE_NOTIMPL(ConnectDirect(IPin*, IPin*, const AM_MEDIA_TYPE*))
    FAKE_NOTIMPL(Disconnect(IPin*))
    FAKE_NOTIMPL(SetDefaultSyncSource())
    FAKE_NOTIMPL(Connect(IPin*, IPin*))
    FAKE_NOTIMPL(Render(IPin*))
    FAKE_NOTIMPL(RenderFile(LPCWSTR, LPCWSTR))
    FAKE_NOTIMPL(AddSourceFilter(LPCWSTR, LPCWSTR, IBaseFilter**))
    FAKE_NOTIMPL(SetLogFile(DWORD_PTR))
    FAKE_NOTIMPL(Abort())
    FAKE_NOTIMPL(ShouldOperationContinue())
    FAKE_NOTIMPL(AddSourceFilterForMoniker(IMoniker*, IBindCtx*, LPCWSTR, IBaseFilter**))
    FAKE_NOTIMPL(RenderEx(IPin*, DWORD, DWORD*))
#undef FAKE_NOTIMPL
    STDMETHODIMP Reconnect(IPin* pin) override;
    STDMETHODIMP ReconnectEx(IPin* pin, const AM_MEDIA_TYPE* type) override;
    STDMETHODIMP Notify(LONG code, LONG_PTR param1, LONG_PTR param2) override;

    bool m_withEventSink = true;
    bool m_withGraph2 = true;
    std::vector<Event> m_events;
    std::vector<ReconnectRequest> m_reconnects;

    int CountEvents(LONG code) const;
};

class FakeClock : public IReferenceClock {
public:
    virtual ~FakeClock() = default;
    FAKE_REFCOUNT
    STDMETHODIMP QueryInterface(REFIID riid, void** ppv) override;
    STDMETHODIMP GetTime(REFERENCE_TIME* t) override {
        *t = m_now;
        return m_result;
    }
    STDMETHODIMP AdviseTime(REFERENCE_TIME, REFERENCE_TIME, HEVENT, DWORD_PTR*) override {
        return E_NOTIMPL;
    }
    STDMETHODIMP AdvisePeriodic(REFERENCE_TIME, REFERENCE_TIME, HSEMAPHORE, DWORD_PTR*) override {
        return E_NOTIMPL;
    }
    STDMETHODIMP Unadvise(DWORD_PTR) override { return E_NOTIMPL; }

    REFERENCE_TIME m_now = 0;
    HRESULT m_result = S_OK;
};

} // namespace fakes
