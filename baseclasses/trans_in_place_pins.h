// The pins of an in-place transform filter: each offers and checks types through the pin on the
// other side of the filter, and the input pin settles whether the allocator is shared.
#pragma once

#include "baseclasses/transform_pins.h"

class CTransInPlaceFilter;

class CTransInPlaceInputPin : public CTransformInputPin {
public:
    CTransInPlaceInputPin(LPCWSTR debugName, CTransInPlaceFilter* filter, HRESULT* result,
                          LPCWSTR pinName);

    HRESULT VerifyMediaType(const CMediaType* type) override;
    HRESULT CompleteConnect(IPin* peer) override;

    // IPin: what the downstream pin offers.
    STDMETHODIMP EnumMediaTypes(IEnumMediaTypes** out) override;

    // IMemInputPin
    STDMETHODIMP GetAllocator(IMemAllocator** out) override;
    STDMETHODIMP NotifyAllocator(IMemAllocator* allocator, BOOL readOnly) override;
    STDMETHODIMP GetAllocatorRequirements(ALLOCATOR_PROPERTIES* props) override;

protected:
    CTransInPlaceFilter* const m_pInPlace; // not counted
};

class CTransInPlaceOutputPin : public CTransformOutputPin {
public:
    CTransInPlaceOutputPin(LPCWSTR debugName, CTransInPlaceFilter* filter, HRESULT* result,
                           LPCWSTR pinName);

    HRESULT VerifyMediaType(const CMediaType* type) override;
    HRESULT CompleteConnect(IPin* peer) override;

    // IPin: what the upstream pin offers.
    STDMETHODIMP EnumMediaTypes(IEnumMediaTypes** out) override;

    // Holds allocator (not null) as this connection's allocator, in place of the current one.
    void AdoptAllocator(IMemAllocator* allocator);

protected:
    CTransInPlaceFilter* const m_pInPlace; // not counted
};
