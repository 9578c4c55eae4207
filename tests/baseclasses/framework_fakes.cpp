#include "framework_fakes.h"

#include <algorithm>
#include <memory>

namespace fakes {

CMediaType MakeType(const GUID& major, const GUID& sub, const GUID& format, ULONG formatSize,
                    BYTE fill) {
    CMediaType t;
    t.majortype = major;
    t.subtype = sub;
    t.formattype = format;
    if (formatSize != 0) {
        t.pbFormat = static_cast<BYTE*>(CoTaskMemAlloc(formatSize));
        std::memset(t.pbFormat, fill, formatSize);
        t.cbFormat = formatSize;
    }
    return t;
}

// ---------------------------------------------------------------------------------------------

STDMETHODIMP FakeSample::QueryInterface(REFIID riid, void** ppv) {
    if (riid == IID_IUnknown || riid == IID_IMediaSample ||
        (riid == IID_IMediaSample2 && m_withSample2)) {
        *ppv = static_cast<IMediaSample2*>(this);
        AddRef();
        return S_OK;
    }
    *ppv = nullptr;
    return E_NOINTERFACE;
}

STDMETHODIMP FakeSample::GetPointer(BYTE** out) {
    *out = m_buffer.data();
    return S_OK;
}

STDMETHODIMP FakeSample::GetTime(REFERENCE_TIME* start, REFERENCE_TIME* stop) {
    switch (m_times) {
    case TimeMode::None:
        return VFW_E_SAMPLE_TIME_NOT_SET;
    case TimeMode::StartOnly:
        *start = m_start;
        *stop = m_start + 1;
        return VFW_S_NO_STOP_TIME;
    case TimeMode::Both:
        break;
    }
    *start = m_start;
    *stop = m_stop;
    return S_OK;
}

STDMETHODIMP FakeSample::SetTime(REFERENCE_TIME* start, REFERENCE_TIME* stop) {
    if (start == nullptr) {
        m_times = TimeMode::None;
        return S_OK;
    }
    m_start = *start;
    m_times = stop != nullptr ? TimeMode::Both : TimeMode::StartOnly;
    if (stop != nullptr)
        m_stop = *stop;
    return S_OK;
}

STDMETHODIMP FakeSample::SetActualDataLength(LONG n) {
    if (n < 0 || n > GetSize())
        return VFW_E_BUFFER_OVERFLOW;
    m_actual = n;
    return S_OK;
}

STDMETHODIMP FakeSample::GetMediaType(AM_MEDIA_TYPE** out) {
    *out = nullptr;
    if (m_type == nullptr)
        return S_FALSE;
    *out = static_cast<AM_MEDIA_TYPE*>(CoTaskMemAlloc(sizeof(AM_MEDIA_TYPE)));
    CopyMediaTypeDeep(*out, m_type);
    return S_OK;
}

STDMETHODIMP FakeSample::SetMediaType(AM_MEDIA_TYPE* type) {
    DestroyMediaType(m_type);
    m_type = nullptr;
    if (type != nullptr) {
        m_type = static_cast<AM_MEDIA_TYPE*>(CoTaskMemAlloc(sizeof(AM_MEDIA_TYPE)));
        CopyMediaTypeDeep(m_type, type);
    }
    return S_OK;
}

STDMETHODIMP FakeSample::GetMediaTime(LONGLONG* start, LONGLONG* stop) {
    if (!m_mediaTimes)
        return VFW_E_MEDIA_TIME_NOT_SET;
    *start = m_mediaStart;
    *stop = m_mediaStop;
    return S_OK;
}

STDMETHODIMP FakeSample::SetMediaTime(LONGLONG* start, LONGLONG* stop) {
    m_mediaTimes = start != nullptr;
    if (start != nullptr) {
        m_mediaStart = *start;
        m_mediaStop = *stop;
    }
    return S_OK;
}

STDMETHODIMP FakeSample::GetProperties(DWORD size, BYTE* out) {
    AM_SAMPLE2_PROPERTIES p = {};
    p.cbData = sizeof(p);
    p.dwSampleFlags = (m_sync ? AM_SAMPLE_SPLICEPOINT : 0) | (m_preroll ? AM_SAMPLE_PREROLL : 0) |
                      (m_discontinuity ? AM_SAMPLE_DATADISCONTINUITY : 0) |
                      (m_type != nullptr ? AM_SAMPLE_TYPECHANGED : 0);
    if (m_times != TimeMode::None)
        p.dwSampleFlags |= AM_SAMPLE_TIMEVALID;
    if (m_times == TimeMode::Both)
        p.dwSampleFlags |= AM_SAMPLE_STOPVALID;
    p.lActual = m_actual;
    p.tStart = m_start;
    p.tStop = m_stop;
    p.dwStreamId = m_streamId;
    p.pMediaType = m_type;
    p.pbBuffer = m_buffer.data();
    p.cbBuffer = GetSize();
    std::memcpy(out, &p, std::min<size_t>(size, sizeof(p)));
    return S_OK;
}

STDMETHODIMP FakeSample::SetProperties(DWORD size, const BYTE* in) {
    AM_SAMPLE2_PROPERTIES p = {};
    std::memcpy(&p, in, std::min<size_t>(size, sizeof(p)));
    if (p.lActual < 0 || p.lActual > GetSize())
        return VFW_E_BUFFER_OVERFLOW;
    m_sync = (p.dwSampleFlags & AM_SAMPLE_SPLICEPOINT) != 0;
    m_preroll = (p.dwSampleFlags & AM_SAMPLE_PREROLL) != 0;
    m_discontinuity = (p.dwSampleFlags & AM_SAMPLE_DATADISCONTINUITY) != 0;
    m_times = (p.dwSampleFlags & AM_SAMPLE_TIMEVALID) == 0   ? TimeMode::None
              : (p.dwSampleFlags & AM_SAMPLE_STOPVALID) != 0 ? TimeMode::Both
                                                             : TimeMode::StartOnly;
    m_start = p.tStart;
    m_stop = p.tStop;
    m_actual = p.lActual;
    m_streamId = p.dwStreamId;
    if ((p.dwSampleFlags & AM_SAMPLE_TYPECHANGED) != 0)
        SetMediaType(p.pMediaType);
    return S_OK;
}

// ---------------------------------------------------------------------------------------------

STDMETHODIMP FakeAllocator::QueryInterface(REFIID riid, void** ppv) {
    if (riid == IID_IUnknown || riid == IID_IMemAllocator) {
        *ppv = static_cast<IMemAllocator*>(this);
        AddRef();
        return S_OK;
    }
    *ppv = nullptr;
    return E_NOINTERFACE;
}

STDMETHODIMP FakeAllocator::SetProperties(ALLOCATOR_PROPERTIES* request,
                                          ALLOCATOR_PROPERTIES* actual) {
    if (FAILED(m_setPropertiesResult))
        return m_setPropertiesResult;
    m_props = *request;
    if (m_maxBufferSize > 0 && m_props.cbBuffer > m_maxBufferSize)
        m_props.cbBuffer = m_maxBufferSize;
    *actual = m_props;
    return S_OK;
}

STDMETHODIMP FakeAllocator::GetProperties(ALLOCATOR_PROPERTIES* props) {
    *props = m_props;
    return S_OK;
}

STDMETHODIMP FakeAllocator::Commit() {
    ++m_commits;
    return S_OK;
}

STDMETHODIMP FakeAllocator::Decommit() {
    ++m_decommits;
    return m_decommitResult;
}

STDMETHODIMP FakeAllocator::GetBuffer(IMediaSample** out, REFERENCE_TIME* start,
                                      REFERENCE_TIME* stop, DWORD flags) {
    ++m_getBufferCalls;
    m_lastFlags = flags;
    m_lastHadTimes = start != nullptr;
    *out = nullptr;
    if (FAILED(m_getBufferResult))
        return m_getBufferResult;
    auto* sample = new FakeSample(m_props.cbBuffer, m_sample2);
    if (start != nullptr)
        sample->SetTime(start, stop);
    *out = sample;
    return S_OK;
}

// ---------------------------------------------------------------------------------------------

namespace {

// Hands out copies of a fixed list of types.
class ListTypeEnum : public IEnumMediaTypes {
public:
    explicit ListTypeEnum(std::vector<CMediaType> types) : m_types(std::move(types)) {}
    virtual ~ListTypeEnum() = default;
    FAKE_REFCOUNT
    STDMETHODIMP QueryInterface(REFIID riid, void** ppv) override {
        if (riid == IID_IUnknown || riid == IID_IEnumMediaTypes) {
            *ppv = static_cast<IEnumMediaTypes*>(this);
            AddRef();
            return S_OK;
        }
        *ppv = nullptr;
        return E_NOINTERFACE;
    }
    STDMETHODIMP Next(ULONG n, AM_MEDIA_TYPE** out, ULONG* fetched) override {
        ULONG got = 0;
        while (got < n && m_position < m_types.size()) {
            out[got] = static_cast<AM_MEDIA_TYPE*>(CoTaskMemAlloc(sizeof(AM_MEDIA_TYPE)));
            CopyMediaTypeDeep(out[got], &m_types[m_position++]);
            ++got;
        }
        if (fetched != nullptr)
            *fetched = got;
        return got == n ? S_OK : S_FALSE;
    }
    STDMETHODIMP Skip(ULONG n) override {
        m_position += n;
        return m_position <= m_types.size() ? S_OK : S_FALSE;
    }
    STDMETHODIMP Reset() override {
        m_position = 0;
        return S_OK;
    }
    STDMETHODIMP Clone(IEnumMediaTypes**) override { return E_NOTIMPL; }

private:
    std::vector<CMediaType> m_types;
    size_t m_position = 0;
};

} // namespace

FakePeerPin::~FakePeerPin() {
    if (m_connected != nullptr)
        m_connected->Release();
    if (m_allocator != nullptr)
        m_allocator->Release();
    if (m_notified != nullptr)
        m_notified->Release();
    for (IMediaSample* s : m_received)
        s->Release();
}

STDMETHODIMP FakePeerPin::QueryInterface(REFIID riid, void** ppv) {
    if (riid == IID_IUnknown || riid == IID_IPin)
        *ppv = static_cast<IPin*>(this);
    else if (riid == IID_IMemInputPin && m_memInput)
        *ppv = static_cast<IMemInputPin*>(this);
    else if (riid == IID_IQualityControl && m_qualityControl)
        *ppv = static_cast<IQualityControl*>(this);
    else {
        *ppv = nullptr;
        return E_NOINTERFACE;
    }
    AddRef();
    return S_OK;
}

STDMETHODIMP FakePeerPin::ReceiveConnection(IPin* connector, const AM_MEDIA_TYPE* type) {
    m_proposed.emplace_back(*type);
    const HRESULT hr = m_accept ? m_accept(type) : S_OK;
    if (hr != S_OK)
        return FAILED(hr) ? hr : VFW_E_TYPE_NOT_ACCEPTED;
    connector->AddRef();
    m_connected = connector;
    return S_OK;
}

STDMETHODIMP FakePeerPin::Disconnect() {
    ++m_disconnects;
    if (m_connected == nullptr)
        return S_FALSE;
    m_connected->Release();
    m_connected = nullptr;
    return S_OK;
}

STDMETHODIMP FakePeerPin::ConnectedTo(IPin** out) {
    *out = m_connected;
    if (m_connected == nullptr)
        return VFW_E_NOT_CONNECTED;
    m_connected->AddRef();
    return S_OK;
}

STDMETHODIMP FakePeerPin::QueryAccept(const AM_MEDIA_TYPE* type) {
    const HRESULT hr = m_accept ? m_accept(type) : S_OK;
    return hr == S_OK ? S_OK : S_FALSE;
}

STDMETHODIMP FakePeerPin::EnumMediaTypes(IEnumMediaTypes** out) {
    *out = new ListTypeEnum(m_offered);
    return S_OK;
}

void FakePeerPin::SetAllocator(IMemAllocator* allocator) {
    if (allocator != nullptr)
        allocator->AddRef();
    if (m_allocator != nullptr)
        m_allocator->Release();
    m_allocator = allocator;
}

STDMETHODIMP FakePeerPin::GetAllocator(IMemAllocator** out) {
    *out = m_allocator;
    if (m_allocator == nullptr)
        return VFW_E_NO_ALLOCATOR;
    m_allocator->AddRef();
    return S_OK;
}

STDMETHODIMP FakePeerPin::NotifyAllocator(IMemAllocator* allocator, BOOL readOnly) {
    if (FAILED(m_notifyResult))
        return m_notifyResult;
    allocator->AddRef();
    if (m_notified != nullptr)
        m_notified->Release();
    m_notified = allocator;
    m_notifiedReadOnly = readOnly;
    return S_OK;
}

STDMETHODIMP FakePeerPin::GetAllocatorRequirements(ALLOCATOR_PROPERTIES* props) {
    if (!m_hasRequirements)
        return E_NOTIMPL;
    *props = m_requirements;
    return S_OK;
}

STDMETHODIMP FakePeerPin::Receive(IMediaSample* sample) {
    sample->AddRef();
    m_received.push_back(sample);
    return m_receiveResult;
}

STDMETHODIMP FakePeerPin::Notify(IBaseFilter* sender, Quality q) {
    m_qualitySender = sender;
    m_quality.push_back(q);
    return S_OK;
}

// ---------------------------------------------------------------------------------------------

STDMETHODIMP FakeGraph::QueryInterface(REFIID riid, void** ppv) {
    if (riid == IID_IUnknown || riid == IID_IFilterGraph || riid == IID_IGraphBuilder ||
        (riid == IID_IFilterGraph2 && m_withGraph2))
        *ppv = static_cast<IFilterGraph2*>(this);
    else if (riid == IID_IMediaEventSink && m_withEventSink)
        *ppv = static_cast<IMediaEventSink*>(this);
    else {
        *ppv = nullptr;
        return E_NOINTERFACE;
    }
    AddRef();
    return S_OK;
}

STDMETHODIMP FakeGraph::Reconnect(IPin* pin) {
    m_reconnects.push_back({pin, CMediaType(), false});
    return S_OK;
}

STDMETHODIMP FakeGraph::ReconnectEx(IPin* pin, const AM_MEDIA_TYPE* type) {
    m_reconnects.push_back(
        {pin, type != nullptr ? CMediaType(*type) : CMediaType(), type != nullptr});
    return S_OK;
}

STDMETHODIMP FakeGraph::Notify(LONG code, LONG_PTR param1, LONG_PTR param2) {
    m_events.push_back({code, param1, param2});
    return S_OK;
}

int FakeGraph::CountEvents(LONG code) const {
    return static_cast<int>(std::count_if(m_events.begin(), m_events.end(),
                                          [code](const Event& e) { return e.code == code; }));
}

STDMETHODIMP FakeClock::QueryInterface(REFIID riid, void** ppv) {
    if (riid == IID_IUnknown || riid == IID_IReferenceClock) {
        *ppv = static_cast<IReferenceClock*>(this);
        AddRef();
        return S_OK;
    }
    *ppv = nullptr;
    return E_NOINTERFACE;
}

} // namespace fakes
