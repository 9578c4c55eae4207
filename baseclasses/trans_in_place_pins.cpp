#include "baseclasses/trans_in_place_pins.h"

#include "baseclasses/memory_allocator.h"
#include "baseclasses/trans_in_place_filter.h"

// ---------------------------------------------------------------------------------------------
// Input pin

CTransInPlaceInputPin::CTransInPlaceInputPin(LPCWSTR debugName, CTransInPlaceFilter* filter,
                                             HRESULT* result, LPCWSTR pinName)
    : CTransformInputPin(debugName, filter, result, pinName), m_pInPlace(filter) {}

STDMETHODIMP CTransInPlaceInputPin::EnumMediaTypes(IEnumMediaTypes** out) {
    CTransInPlaceOutputPin* output = m_pInPlace->InPlaceOutputPin();
    IPin* downstream = output != nullptr ? output->GetConnected() : nullptr;
    if (downstream == nullptr)
        return VFW_E_NOT_CONNECTED;
    return downstream->EnumMediaTypes(out);
}

HRESULT CTransInPlaceInputPin::VerifyMediaType(const CMediaType* type) {
    const HRESULT hr = m_pInPlace->CheckInputType(type);
    if (hr != S_OK)
        return hr;
    CTransInPlaceOutputPin* output = m_pInPlace->InPlaceOutputPin();
    IPin* downstream = output != nullptr ? output->GetConnected() : nullptr;
    if (downstream != nullptr)
        return downstream->QueryAccept(type);
    return S_OK;
}

HRESULT CTransInPlaceInputPin::CompleteConnect(IPin* peer) {
    CBasePin::CompleteConnect(peer);
    return m_pInPlace->CompleteConnect(PINDIR_INPUT, peer);
}

STDMETHODIMP CTransInPlaceInputPin::GetAllocator(IMemAllocator** out) {
    if (out == nullptr)
        return E_POINTER;
    CSectionGuard guard(m_pPinLock);
    CTransInPlaceOutputPin* output = m_pInPlace->InPlaceOutputPin();
    if (output != nullptr && output->IsConnected() && output->PeerInputPin() != nullptr) {
        // Upstream is offered the downstream allocator, which the output then holds too.
        const HRESULT hr = output->PeerInputPin()->GetAllocator(out);
        if (SUCCEEDED(hr) && *out != nullptr)
            output->AdoptAllocator(*out);
        return hr;
    }
    return CBaseInputPin::GetAllocator(out);
}

STDMETHODIMP CTransInPlaceInputPin::NotifyAllocator(IMemAllocator* allocator, BOOL readOnly) {
    if (allocator == nullptr)
        return E_POINTER;
    CSectionGuard guard(m_pPinLock);
    CTransInPlaceOutputPin* output = m_pInPlace->InPlaceOutputPin();
    if (output == nullptr || !output->IsConnected())
        return CBaseInputPin::NotifyAllocator(allocator, readOnly);
    IMemInputPin* downstream = output->PeerInputPin();
    if (downstream == nullptr)
        return VFW_E_NOT_CONNECTED;

    HRESULT hr = S_OK;
    if (readOnly && m_pInPlace->m_bAltersData) {
        // The upstream buffers must not be written: every sample is copied into a buffer of
        // an allocator of the output side.
        IMemAllocator* out = output->OutputAllocator();
        if (out == nullptr) {
            hr = downstream->GetAllocator(&out);
            if (FAILED(hr) || out == nullptr) {
                out = nullptr;
                hr = NewMemoryAllocator(&out);
            }
            if (SUCCEEDED(hr) && out != nullptr) {
                output->AdoptAllocator(out);
                out->Release(); // the output pin's reference remains
            }
        }
        if (out != nullptr && out == allocator) {
            // Upstream must offer another allocator, its own.
            hr = E_FAIL;
        } else if (SUCCEEDED(hr) && out == nullptr) {
            hr = VFW_E_NO_ALLOCATOR;
        }
        if (SUCCEEDED(hr)) {
            ALLOCATOR_PROPERTIES props = {};
            ALLOCATOR_PROPERTIES actual = {};
            hr = allocator->GetProperties(&props);
            if (SUCCEEDED(hr))
                hr = out->SetProperties(&props, &actual);
            if (SUCCEEDED(hr) &&
                (actual.cBuffers < props.cBuffers || actual.cbBuffer < props.cbBuffer ||
                 actual.cbAlign < props.cbAlign))
                hr = E_FAIL;
            if (SUCCEEDED(hr))
                hr = downstream->NotifyAllocator(out, FALSE);
        }
    } else {
        // In place: upstream, this filter and downstream share the allocator.
        hr = downstream->NotifyAllocator(allocator, readOnly);
        if (SUCCEEDED(hr))
            output->AdoptAllocator(allocator);
    }

    if (SUCCEEDED(hr)) {
        allocator->AddRef();
        if (m_pInAllocator != nullptr)
            m_pInAllocator->Release();
        m_pInAllocator = allocator;
    }
    return hr;
}

STDMETHODIMP CTransInPlaceInputPin::GetAllocatorRequirements(ALLOCATOR_PROPERTIES* props) {
    CTransInPlaceOutputPin* output = m_pInPlace->InPlaceOutputPin();
    if (output != nullptr && output->IsConnected() && output->PeerInputPin() != nullptr)
        return output->PeerInputPin()->GetAllocatorRequirements(props);
    return E_NOTIMPL;
}

// ---------------------------------------------------------------------------------------------
// Output pin

CTransInPlaceOutputPin::CTransInPlaceOutputPin(LPCWSTR debugName, CTransInPlaceFilter* filter,
                                               HRESULT* result, LPCWSTR pinName)
    : CTransformOutputPin(debugName, filter, result, pinName), m_pInPlace(filter) {}

STDMETHODIMP CTransInPlaceOutputPin::EnumMediaTypes(IEnumMediaTypes** out) {
    CTransInPlaceInputPin* input = m_pInPlace->InPlaceInputPin();
    IPin* upstream = input != nullptr ? input->GetConnected() : nullptr;
    if (upstream == nullptr)
        return VFW_E_NOT_CONNECTED;
    return upstream->EnumMediaTypes(out);
}

HRESULT CTransInPlaceOutputPin::VerifyMediaType(const CMediaType* type) {
    // While copying and streaming, the output type cannot change.
    if (m_pInPlace->AllocatorsDiffer() && !m_pInPlace->IsStopped())
        return *type == m_mtConnection ? S_OK : VFW_E_TYPE_NOT_ACCEPTED;
    // The type is the same on both sides, so the input test applies to it.
    const HRESULT hr = m_pInPlace->CheckInputType(type);
    if (hr != S_OK)
        return hr;
    CTransInPlaceInputPin* input = m_pInPlace->InPlaceInputPin();
    IPin* upstream = input != nullptr ? input->GetConnected() : nullptr;
    if (upstream != nullptr)
        return upstream->QueryAccept(type);
    return S_OK;
}

HRESULT CTransInPlaceOutputPin::CompleteConnect(IPin* peer) {
    const HRESULT hr = CBaseOutputPin::CompleteConnect(peer);
    if (FAILED(hr))
        return hr;
    return m_pInPlace->CompleteConnect(PINDIR_OUTPUT, peer);
}

void CTransInPlaceOutputPin::AdoptAllocator(IMemAllocator* allocator) {
    allocator->AddRef();
    if (m_pOutAllocator != nullptr)
        m_pOutAllocator->Release();
    m_pOutAllocator = allocator;
}
