#include "test_sink.h"

// ---------------------------------------------------------------------------------------------
// Input pin

CTestSinkPin::CTestSinkPin(CTestSink* filter, CSectionLock* lock)
    : CBaseInputPin(WSTR("TestSink input"), filter, lock, nullptr, WSTR("Input")), m_pSink(filter) {
}

HRESULT CTestSinkPin::VerifyMediaType(const CMediaType* type) {
    return type->majortype == MEDIATYPE_Video && type->subtype == MEDIASUBTYPE_RGB24 &&
                   type->formattype == FORMAT_VideoInfo && type->cbFormat >= sizeof(VIDEOINFOHEADER)
               ? S_OK
               : S_FALSE;
}

HRESULT CTestSinkPin::ReadyToReceive() {
    if (m_bInFlush)
        return S_FALSE;
    if (m_pSink->IsStopped())
        return VFW_E_WRONG_STATE;
    return m_bStreamError ? VFW_E_RUNTIME_ERROR : S_OK;
}

STDMETHODIMP CTestSinkPin::QueryId(LPWSTR* id) {
    return AllocWideString(WSTR("In"), id);
}

STDMETHODIMP CTestSinkPin::Receive(IMediaSample* sample) {
    CSectionGuard guard(&m_pSink->m_receiveLock);
    const HRESULT hr = CBaseInputPin::Receive(sample);
    if (hr != S_OK)
        return hr;
    CTestSink::Received r = {};
    r.sample = sample;
    r.timeValid = sample->GetTime(&r.start, &r.stop) == S_OK;
    r.syncPoint = sample->IsSyncPoint() == S_OK;
    r.discontinuity = sample->IsDiscontinuity() == S_OK;
    BYTE* data = nullptr;
    if (SUCCEEDED(sample->GetPointer(&data)) && data != nullptr)
        r.data.assign(data, data + sample->GetActualDataLength());
    {
        std::lock_guard lock(m_pSink->m_mutex);
        m_pSink->m_samples.push_back(std::move(r));
    }
    m_pSink->m_changed.notify_all();
    return S_OK;
}

STDMETHODIMP CTestSinkPin::EndOfStream() {
    CSectionGuard guard(&m_pSink->m_receiveLock);
    const HRESULT hr = ReadyToReceive();
    if (hr != S_OK)
        return hr;
    {
        std::lock_guard lock(m_pSink->m_mutex);
        ++m_pSink->m_endOfStreams;
    }
    m_pSink->m_changed.notify_all();
    m_pSink->ReportCompletionIfDue();
    return S_OK;
}

STDMETHODIMP CTestSinkPin::BeginFlush() {
    const HRESULT hr = CBaseInputPin::BeginFlush();
    std::lock_guard lock(m_pSink->m_mutex);
    ++m_pSink->m_beginFlushes;
    return hr;
}

STDMETHODIMP CTestSinkPin::EndFlush() {
    const HRESULT hr = CBaseInputPin::EndFlush();
    std::lock_guard lock(m_pSink->m_mutex);
    ++m_pSink->m_endFlushes;
    return hr;
}

STDMETHODIMP CTestSinkPin::NewSegment(REFERENCE_TIME start, REFERENCE_TIME stop, double rate) {
    std::lock_guard lock(m_pSink->m_mutex);
    m_pSink->m_segmentStart = start;
    return CBasePin::NewSegment(start, stop, rate);
}

// ---------------------------------------------------------------------------------------------
// Filter

DQ_DEFINE_GUID(CLSID_TestSink, 0x7E570011, 0x51C3, 0x4D2A, 0x9B, 0x61, 0x20, 0x3F, 0x44, 0x0A, 0x11,
               0x02);

CTestSink::CTestSink()
    : CBaseFilter(WSTR("TestSink"), nullptr, &m_lock, CLSID_TestSink), m_pin(this, &m_lock) {}

CTestSink* CTestSink::Create() {
    auto* sink = new CTestSink();
    sink->Itf()->AddRef();
    return sink;
}

STDMETHODIMP CTestSink::Run(REFERENCE_TIME start) {
    const HRESULT hr = CBaseFilter::Run(start);
    if (SUCCEEDED(hr))
        ReportCompletionIfDue();
    return hr;
}

STDMETHODIMP CTestSink::Stop() {
    const HRESULT hr = CBaseFilter::Stop();
    std::lock_guard lock(m_mutex);
    m_completionReported = false;
    return hr;
}

// The state is set before Run gets here, and the check is made under the mutex by both the
// end of stream and Run: whichever comes second reports, exactly once.
void CTestSink::ReportCompletionIfDue() {
    {
        std::lock_guard lock(m_mutex);
        if (m_endOfStreams == 0 || m_completionReported || State() != State_Running)
            return;
        m_completionReported = true;
    }
    SendGraphEvent(EC_COMPLETE, S_OK, 0);
}

std::vector<CTestSink::Received> CTestSink::Samples() {
    std::lock_guard lock(m_mutex);
    return m_samples;
}

size_t CTestSink::SampleCount() {
    std::lock_guard lock(m_mutex);
    return m_samples.size();
}

int CTestSink::EndOfStreams() {
    std::lock_guard lock(m_mutex);
    return m_endOfStreams;
}

int CTestSink::BeginFlushes() {
    std::lock_guard lock(m_mutex);
    return m_beginFlushes;
}

int CTestSink::EndFlushes() {
    std::lock_guard lock(m_mutex);
    return m_endFlushes;
}

REFERENCE_TIME CTestSink::SegmentStart() {
    std::lock_guard lock(m_mutex);
    return m_segmentStart;
}

void CTestSink::WaitForSamples(size_t count) {
    std::unique_lock lock(m_mutex);
    m_changed.wait(lock, [&] { return m_samples.size() >= count || m_endOfStreams > 0; });
}

void CTestSink::Clear() {
    std::lock_guard lock(m_mutex);
    m_samples.clear();
    m_endOfStreams = m_beginFlushes = m_endFlushes = 0;
}
