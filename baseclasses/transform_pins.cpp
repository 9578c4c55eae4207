#include "baseclasses/transform_pins.h"

#include "baseclasses/alloc_wide_string.h"
#include "baseclasses/seeking_pass_thru.h"
#include "baseclasses/transform_filter.h"

// ---------------------------------------------------------------------------------------------
// Input pin

CTransformInputPin::CTransformInputPin(LPCWSTR debugName, CTransformFilter* filter, HRESULT* result,
                                       LPCWSTR pinName)
    : CBaseInputPin(debugName, filter, &filter->m_filterLock, result, pinName),
      m_pTransform(filter) {}

STDMETHODIMP CTransformInputPin::QueryId(LPWSTR* id) {
    return AllocWideString(WSTR("In"), id);
}

HRESULT CTransformInputPin::VerifyMediaType(const CMediaType* type) {
    const HRESULT hr = m_pTransform->CheckInputType(type);
    if (hr != S_OK)
        return hr;
    CTransformOutputPin* output = m_pTransform->m_pOutputPin;
    if (output != nullptr && output->IsConnected())
        return m_pTransform->CheckTransform(type, &output->CurrentMediaType());
    return S_OK;
}

HRESULT CTransformInputPin::SetMediaType(const CMediaType* type) {
    const HRESULT hr = CBasePin::SetMediaType(type);
    if (FAILED(hr))
        return hr;
    return m_pTransform->SetMediaType(PINDIR_INPUT, type);
}

HRESULT CTransformInputPin::CheckConnect(IPin* peer) {
    const HRESULT hr = m_pTransform->CheckConnect(PINDIR_INPUT, peer);
    if (FAILED(hr))
        return hr;
    return CBasePin::CheckConnect(peer);
}

HRESULT CTransformInputPin::BreakConnect() {
    m_pTransform->BreakConnect(PINDIR_INPUT);
    return CBaseInputPin::BreakConnect();
}

HRESULT CTransformInputPin::CompleteConnect(IPin* peer) {
    const HRESULT hr = m_pTransform->CompleteConnect(PINDIR_INPUT, peer);
    if (FAILED(hr))
        return hr;
    return CBasePin::CompleteConnect(peer);
}

HRESULT CTransformInputPin::ReadyToReceive() {
    CTransformOutputPin* output = m_pTransform->m_pOutputPin;
    if (output == nullptr || !output->IsConnected())
        return VFW_E_NOT_CONNECTED;
    if (m_bInFlush)
        return S_FALSE;
    if (m_pTransform->IsStopped())
        return VFW_E_WRONG_STATE;
    if (m_bStreamError)
        return VFW_E_RUNTIME_ERROR;
    return S_OK;
}

STDMETHODIMP CTransformInputPin::Receive(IMediaSample* sample) {
    CSectionGuard receiveGuard(&m_pTransform->m_receiveLock);
    HRESULT hr = CBaseInputPin::Receive(sample);
    if (hr == S_OK)
        hr = m_pTransform->Receive(sample);
    return hr;
}

STDMETHODIMP CTransformInputPin::EndOfStream() {
    CSectionGuard receiveGuard(&m_pTransform->m_receiveLock);
    HRESULT hr = ReadyToReceive();
    if (hr == S_OK)
        hr = m_pTransform->EndOfStream();
    return hr;
}

STDMETHODIMP CTransformInputPin::BeginFlush() {
    CSectionGuard filterGuard(m_pPinLock);
    CTransformOutputPin* output = m_pTransform->m_pOutputPin;
    if (!IsConnected() || output == nullptr || !output->IsConnected())
        return VFW_E_NOT_CONNECTED;
    const HRESULT hr = CBaseInputPin::BeginFlush();
    if (FAILED(hr))
        return hr;
    return m_pTransform->BeginFlush();
}

STDMETHODIMP CTransformInputPin::EndFlush() {
    CSectionGuard filterGuard(m_pPinLock);
    CTransformOutputPin* output = m_pTransform->m_pOutputPin;
    if (!IsConnected() || output == nullptr || !output->IsConnected())
        return VFW_E_NOT_CONNECTED;
    const HRESULT hr = m_pTransform->EndFlush();
    if (FAILED(hr))
        return hr;
    return CBaseInputPin::EndFlush();
}

STDMETHODIMP CTransformInputPin::NewSegment(REFERENCE_TIME start, REFERENCE_TIME stop,
                                            double rate) {
    CBasePin::NewSegment(start, stop, rate);
    return m_pTransform->NewSegment(start, stop, rate);
}

// ---------------------------------------------------------------------------------------------
// Output pin

CTransformOutputPin::CTransformOutputPin(LPCWSTR debugName, CTransformFilter* filter,
                                         HRESULT* result, LPCWSTR pinName)
    : CBaseOutputPin(debugName, filter, &filter->m_filterLock, result, pinName),
      m_pTransform(filter), m_pSeekingPassThru(nullptr) {}

CTransformOutputPin::~CTransformOutputPin() {
    IUnknown* passThru = m_pSeekingPassThru.exchange(nullptr);
    if (passThru != nullptr)
        passThru->Release();
}

STDMETHODIMP CTransformOutputPin::NonDelegatingQueryInterface(REFIID riid, void** ppv) {
    if (ppv == nullptr)
        return E_POINTER;
    *ppv = nullptr;
    if (riid == IID_IMediaPosition || riid == IID_IMediaSeeking) {
        IUnknown* passThru = m_pSeekingPassThru.load();
        if (passThru == nullptr) {
            CTransformInputPin* input = m_pTransform->m_pInputPin;
            IUnknown* created = nullptr;
            const HRESULT hr = CreateSeekingPassThru(
                GetOuterUnknown(), FALSE, input != nullptr ? input->AsPin() : nullptr, &created);
            if (FAILED(hr))
                return hr;
            // Two threads may get here at once; the first one to store its object wins.
            if (m_pSeekingPassThru.compare_exchange_strong(passThru, created)) {
                passThru = created;
            } else {
                created->Release();
            }
        }
        return passThru->QueryInterface(riid, ppv);
    }
    return CBaseOutputPin::NonDelegatingQueryInterface(riid, ppv);
}

STDMETHODIMP CTransformOutputPin::QueryId(LPWSTR* id) {
    return AllocWideString(WSTR("Out"), id);
}

HRESULT CTransformOutputPin::VerifyMediaType(const CMediaType* type) {
    CTransformInputPin* input = m_pTransform->m_pInputPin;
    if (input == nullptr || !input->IsConnected())
        return E_INVALIDARG;
    return m_pTransform->CheckTransform(&input->CurrentMediaType(), type);
}

HRESULT CTransformOutputPin::SetMediaType(const CMediaType* type) {
    const HRESULT hr = CBasePin::SetMediaType(type);
    if (FAILED(hr))
        return hr;
    return m_pTransform->SetMediaType(PINDIR_OUTPUT, type);
}

HRESULT CTransformOutputPin::CheckConnect(IPin* peer) {
    CTransformInputPin* input = m_pTransform->m_pInputPin;
    if (input == nullptr || !input->IsConnected())
        return E_UNEXPECTED;
    const HRESULT hr = m_pTransform->CheckConnect(PINDIR_OUTPUT, peer);
    if (FAILED(hr))
        return hr;
    return CBaseOutputPin::CheckConnect(peer);
}

HRESULT CTransformOutputPin::BreakConnect() {
    m_pTransform->BreakConnect(PINDIR_OUTPUT);
    return CBaseOutputPin::BreakConnect();
}

HRESULT CTransformOutputPin::CompleteConnect(IPin* peer) {
    const HRESULT hr = m_pTransform->CompleteConnect(PINDIR_OUTPUT, peer);
    if (FAILED(hr))
        return hr;
    return CBaseOutputPin::CompleteConnect(peer);
}

HRESULT CTransformOutputPin::GetMediaType(int position, CMediaType* type) {
    CTransformInputPin* input = m_pTransform->m_pInputPin;
    if (input != nullptr && input->IsConnected())
        return m_pTransform->GetMediaType(position, type);
    return VFW_S_NO_MORE_ITEMS;
}

HRESULT CTransformOutputPin::DecideBufferSize(IMemAllocator* allocator,
                                              ALLOCATOR_PROPERTIES* request) {
    return m_pTransform->DecideBufferSize(allocator, request);
}

STDMETHODIMP CTransformOutputPin::Notify(IBaseFilter*, Quality q) {
    const HRESULT hr = m_pTransform->AlterQuality(q);
    if (hr != S_FALSE)
        return hr;
    CTransformInputPin* input = m_pTransform->m_pInputPin;
    if (input == nullptr)
        return VFW_E_NOT_FOUND;
    return input->ForwardQualityNotice(q);
}
