#include "test_push_source.h"

#include <algorithm>

// ---------------------------------------------------------------------------------------------
// Output pin

CTestPushSourcePin::CTestPushSourcePin(CTestPushSource* filter, CSectionLock* lock)
    : CBaseOutputPin(WSTR("TestPushSource output"), filter, lock, nullptr, WSTR("Output")),
      m_pSource(filter) {}

HRESULT CTestPushSourcePin::VerifyMediaType(const CMediaType* type) {
    return *type == m_pSource->FrameType() ? S_OK : S_FALSE;
}

HRESULT CTestPushSourcePin::GetMediaType(int position, CMediaType* type) {
    if (position != 0)
        return VFW_S_NO_MORE_ITEMS;
    return type->Assign(m_pSource->FrameType());
}

HRESULT CTestPushSourcePin::DecideBufferSize(IMemAllocator* allocator,
                                             ALLOCATOR_PROPERTIES* request) {
    request->cBuffers = std::max<LONG>(request->cBuffers, 4);
    request->cbBuffer = std::max<LONG>(request->cbBuffer, m_pSource->FrameBytes());
    request->cbAlign = std::max<LONG>(request->cbAlign, 1);
    ALLOCATOR_PROPERTIES actual = {};
    const HRESULT hr = allocator->SetProperties(request, &actual);
    if (FAILED(hr))
        return hr;
    return actual.cbBuffer < m_pSource->FrameBytes() ? E_FAIL : S_OK;
}

HRESULT CTestPushSourcePin::ChooseAllocator(IMemInputPin* peer, IMemAllocator** out) {
    if (!m_pSource->GetOptions().readOnly)
        return CBaseOutputPin::ChooseAllocator(peer, out);
    // As the framework does (the peer's allocator, then an own one), but read-only.
    *out = nullptr;
    ALLOCATOR_PROPERTIES props = {};
    peer->GetAllocatorRequirements(&props);
    if (props.cbAlign == 0)
        props.cbAlign = 1;
    HRESULT hr = S_OK;
    for (int attempt = 0; attempt < 2; ++attempt) {
        hr = attempt == 0 ? peer->GetAllocator(out) : CreateOwnAllocator(out);
        if (SUCCEEDED(hr))
            hr = DecideBufferSize(*out, &props);
        if (SUCCEEDED(hr))
            hr = peer->NotifyAllocator(*out, TRUE);
        if (SUCCEEDED(hr))
            return S_OK;
        if (*out != nullptr) {
            (*out)->Release();
            *out = nullptr;
        }
    }
    return hr;
}

STDMETHODIMP CTestPushSourcePin::QueryId(LPWSTR* id) {
    return AllocWideString(WSTR("Out"), id);
}

STDMETHODIMP CTestPushSourcePin::Notify(IBaseFilter*, Quality) {
    return S_OK;
}

// ---------------------------------------------------------------------------------------------
// Filter

DQ_DEFINE_GUID(CLSID_TestPushSource, 0x7E570010, 0x51C3, 0x4D2A, 0x9B, 0x61, 0x20, 0x3F, 0x44, 0x0A,
               0x11, 0x01);

CTestPushSource::CTestPushSource(const Options& options)
    : CBaseFilter(WSTR("TestPushSource"), nullptr, &m_lock, CLSID_TestPushSource),
      m_pin(this, &m_lock), m_options(options), m_holdAt(options.holdAt) {}

CTestPushSource::~CTestPushSource() {
    Stop();
}

CTestPushSource* CTestPushSource::Create(const Options& options) {
    auto* source = new CTestPushSource(options);
    source->Itf()->AddRef();
    return source;
}

CMediaType CTestPushSource::FrameType() const {
    CMediaType type;
    type.majortype = MEDIATYPE_Video;
    type.subtype = MEDIASUBTYPE_RGB24;
    type.formattype = FORMAT_VideoInfo;
    type.bFixedSizeSamples = TRUE;
    type.lSampleSize = static_cast<ULONG>(FrameBytes());
    auto* info = static_cast<VIDEOINFOHEADER*>(CoTaskMemAlloc(sizeof(VIDEOINFOHEADER)));
    if (info == nullptr)
        return type;
    *info = VIDEOINFOHEADER{};
    info->AvgTimePerFrame = m_options.frameDuration;
    info->bmiHeader.biSize = sizeof(BITMAPINFOHEADER);
    info->bmiHeader.biWidth = m_options.width;
    info->bmiHeader.biHeight = m_options.height;
    info->bmiHeader.biPlanes = 1;
    info->bmiHeader.biBitCount = 24;
    info->bmiHeader.biCompression = BI_RGB;
    info->bmiHeader.biSizeImage = static_cast<DWORD>(FrameBytes());
    type.pbFormat = reinterpret_cast<BYTE*>(info);
    type.cbFormat = sizeof(VIDEOINFOHEADER);
    return type;
}

STDMETHODIMP CTestPushSource::Pause() {
    CSectionGuard guard(&m_lock);
    const bool wasStopped = IsStopped();
    const HRESULT hr = CBaseFilter::Pause();
    if (FAILED(hr) || !wasStopped || !m_pin.IsConnected())
        return hr;
    {
        std::lock_guard lock(m_mutex);
        m_stopping = false;
        m_streaming = true;
        m_deliveries.clear();
    }
    m_thread = std::thread(&CTestPushSource::Stream, this);
    return hr;
}

// The streaming thread never takes the filter lock, so it can be waited for under it.
STDMETHODIMP CTestPushSource::Stop() {
    CSectionGuard guard(&m_lock);
    {
        std::lock_guard lock(m_mutex);
        m_stopping = true;
    }
    m_changed.notify_all();
    // Decommits the allocator: a thread waiting for a buffer gets a failure and ends.
    const HRESULT hr = CBaseFilter::Stop();
    if (m_thread.joinable())
        m_thread.join();
    return hr;
}

void CTestPushSource::Stream() {
    m_pin.SendNewSegment(0, MAX_TIME, 1.0);
    bool completed = true;
    const LONG bytes = FrameBytes();
    for (int frame = 0; frame < m_options.frames; ++frame) {
        {
            std::unique_lock lock(m_mutex);
            if (m_holdAt == frame && !m_stopping) {
                m_held = true;
                m_changed.notify_all();
                m_changed.wait(lock, [&] { return m_holdAt != frame || m_stopping; });
                m_held = false;
            }
            if (m_stopping) {
                completed = false;
                break;
            }
        }
        IMediaSample* sample = nullptr;
        if (FAILED(m_pin.GetDeliverySample(&sample, nullptr, nullptr, 0)) || sample == nullptr) {
            completed = false;
            break;
        }
        BYTE* data = nullptr;
        sample->GetPointer(&data);
        for (LONG i = 0; i < bytes; ++i)
            data[i] = Pattern(frame, i);
        sample->SetActualDataLength(bytes);
        REFERENCE_TIME start = frame * m_options.frameDuration;
        REFERENCE_TIME stop = start + m_options.frameDuration;
        sample->SetTime(&start, &stop);
        sample->SetSyncPoint(TRUE);
        sample->SetDiscontinuity(frame == 0);

        const HRESULT hr = m_pin.DeliverSample(sample);
        bool intact = true;
        for (LONG i = 0; i < bytes && intact; ++i)
            intact = data[i] == Pattern(frame, i);
        {
            std::lock_guard lock(m_mutex);
            m_deliveries.push_back({frame, sample, hr, intact});
        }
        m_changed.notify_all();
        sample->Release();
        if (FAILED(hr)) {
            completed = false;
            break;
        }
    }
    if (completed)
        m_pin.SendEndOfStream();
    {
        std::lock_guard lock(m_mutex);
        m_streaming = false;
    }
    m_changed.notify_all();
}

std::vector<CTestPushSource::Delivery> CTestPushSource::Deliveries() {
    std::lock_guard lock(m_mutex);
    return m_deliveries;
}

void CTestPushSource::WaitUntilHeld() {
    std::unique_lock lock(m_mutex);
    m_changed.wait(lock, [&] { return m_held || !m_streaming; });
}

void CTestPushSource::HoldAt(int frame) {
    {
        std::lock_guard lock(m_mutex);
        m_holdAt = frame;
        m_held = false;
    }
    m_changed.notify_all();
}

void CTestPushSource::WaitUntilDelivered(size_t count) {
    std::unique_lock lock(m_mutex);
    m_changed.wait(lock, [&] { return m_deliveries.size() >= count || !m_streaming; });
}

bool CTestPushSource::IsStreaming() {
    std::lock_guard lock(m_mutex);
    return m_streaming;
}
