#include "baseclasses/base_output_pin.h"

#include "baseclasses/memory_allocator.h"

CBaseOutputPin::CBaseOutputPin(LPCWSTR debugName, CBaseFilter* filter, CSectionLock* lock,
                               HRESULT* result, LPCWSTR pinName)
    : CBasePin(debugName, filter, lock, result, pinName, PINDIR_OUTPUT), m_pOutAllocator(nullptr),
      m_pPeerInputPin(nullptr) {}

HRESULT CBaseOutputPin::CheckConnect(IPin* peer) {
    HRESULT hr = CBasePin::CheckConnect(peer);
    if (FAILED(hr))
        return hr;
    if (m_pPeerInputPin != nullptr) {
        m_pPeerInputPin->Release();
        m_pPeerInputPin = nullptr;
    }
    hr = peer->QueryInterface(IID_IMemInputPin, reinterpret_cast<void**>(&m_pPeerInputPin));
    if (FAILED(hr)) {
        m_pPeerInputPin = nullptr;
        return hr;
    }
    return S_OK;
}

HRESULT CBaseOutputPin::CompleteConnect(IPin*) {
    if (m_pOutAllocator != nullptr) {
        m_pOutAllocator->Release();
        m_pOutAllocator = nullptr;
    }
    return ChooseAllocator(m_pPeerInputPin, &m_pOutAllocator);
}

HRESULT CBaseOutputPin::BreakConnect() {
    if (m_pOutAllocator != nullptr) {
        const HRESULT hr = m_pOutAllocator->Decommit();
        if (FAILED(hr))
            return hr;
        m_pOutAllocator->Release();
        m_pOutAllocator = nullptr;
    }
    if (m_pPeerInputPin != nullptr) {
        m_pPeerInputPin->Release();
        m_pPeerInputPin = nullptr;
    }
    return S_OK;
}

HRESULT CBaseOutputPin::ChooseAllocator(IMemInputPin* peer, IMemAllocator** out) {
    if (out == nullptr)
        return E_POINTER;
    *out = nullptr;
    if (peer == nullptr)
        return VFW_E_NO_ALLOCATOR;

    ALLOCATOR_PROPERTIES props = {};
    peer->GetAllocatorRequirements(&props);
    if (props.cbAlign == 0)
        props.cbAlign = 1;

    HRESULT hr = peer->GetAllocator(out);
    if (SUCCEEDED(hr) && *out == nullptr)
        hr = VFW_E_NO_ALLOCATOR;
    if (SUCCEEDED(hr))
        hr = DecideBufferSize(*out, &props);
    if (SUCCEEDED(hr))
        hr = peer->NotifyAllocator(*out, FALSE);
    if (SUCCEEDED(hr))
        return S_OK;

    if (*out != nullptr) {
        (*out)->Release();
        *out = nullptr;
    }
    hr = CreateOwnAllocator(out);
    if (SUCCEEDED(hr) && *out == nullptr)
        hr = VFW_E_NO_ALLOCATOR;
    if (SUCCEEDED(hr))
        hr = DecideBufferSize(*out, &props);
    if (SUCCEEDED(hr))
        hr = peer->NotifyAllocator(*out, FALSE);
    if (SUCCEEDED(hr))
        return S_OK;

    if (*out != nullptr) {
        (*out)->Release();
        *out = nullptr;
    }
    return hr;
}

HRESULT CBaseOutputPin::CreateOwnAllocator(IMemAllocator** out) {
    return NewMemoryAllocator(out);
}

HRESULT CBaseOutputPin::BecomeActive() {
    if (m_pOutAllocator == nullptr)
        return VFW_E_NO_ALLOCATOR;
    return m_pOutAllocator->Commit();
}

HRESULT CBaseOutputPin::BecomeInactive() {
    m_bStreamError = false;
    if (m_pOutAllocator == nullptr)
        return VFW_E_NO_ALLOCATOR;
    return m_pOutAllocator->Decommit();
}

HRESULT CBaseOutputPin::GetDeliverySample(IMediaSample** out, REFERENCE_TIME* start,
                                          REFERENCE_TIME* stop, DWORD flags) {
    if (m_pOutAllocator == nullptr)
        return E_NOINTERFACE;
    return m_pOutAllocator->GetBuffer(out, start, stop, flags);
}

HRESULT CBaseOutputPin::DeliverSample(IMediaSample* sample) {
    if (m_pPeerInputPin == nullptr)
        return VFW_E_NOT_CONNECTED;
    return m_pPeerInputPin->Receive(sample);
}

HRESULT CBaseOutputPin::SendEndOfStream() {
    IPin* peer = m_pConnectedPin;
    if (peer == nullptr)
        return VFW_E_NOT_CONNECTED;
    return peer->EndOfStream();
}

HRESULT CBaseOutputPin::SendBeginFlush() {
    IPin* peer = m_pConnectedPin;
    if (peer == nullptr)
        return VFW_E_NOT_CONNECTED;
    return peer->BeginFlush();
}

HRESULT CBaseOutputPin::SendEndFlush() {
    IPin* peer = m_pConnectedPin;
    if (peer == nullptr)
        return VFW_E_NOT_CONNECTED;
    return peer->EndFlush();
}

HRESULT CBaseOutputPin::SendNewSegment(REFERENCE_TIME start, REFERENCE_TIME stop, double rate) {
    IPin* peer = m_pConnectedPin;
    if (peer == nullptr)
        return VFW_E_NOT_CONNECTED;
    return peer->NewSegment(start, stop, rate);
}

STDMETHODIMP CBaseOutputPin::EndOfStream() {
    return E_UNEXPECTED;
}

STDMETHODIMP CBaseOutputPin::BeginFlush() {
    return E_UNEXPECTED;
}

STDMETHODIMP CBaseOutputPin::EndFlush() {
    return E_UNEXPECTED;
}
