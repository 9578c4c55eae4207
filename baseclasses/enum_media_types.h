// Enumerates a pin's preferred media types, asking the pin at every step.
#pragma once

#include "platform/platform.h"

class CBasePin;

class CEnumMediaTypes : public IEnumMediaTypes {
public:
    // Starts with one reference, for the caller. With a source, continues where it stands.
    CEnumMediaTypes(CBasePin* pin, CEnumMediaTypes* source);
    virtual ~CEnumMediaTypes();
    CEnumMediaTypes(const CEnumMediaTypes&) = delete;
    CEnumMediaTypes& operator=(const CEnumMediaTypes&) = delete;

    STDMETHODIMP QueryInterface(REFIID riid, void** ppv) override;
    STDMETHODIMP_(ULONG) AddRef() override;
    STDMETHODIMP_(ULONG) Release() override;

    // Each record handed out belongs to the caller, who frees it with DestroyMediaType.
    STDMETHODIMP Next(ULONG n, AM_MEDIA_TYPE** types, ULONG* fetched) override;
    STDMETHODIMP Skip(ULONG n) override;
    STDMETHODIMP Reset() override;
    STDMETHODIMP Clone(IEnumMediaTypes** out) override;

private:
    bool IsOutOfStep();
    void Advance(ULONG n);

    LONG m_nPosition;
    CBasePin* m_pEnumPin; // counted, through its IPin
    LONG m_nVersion;
    LONG volatile m_nEnumRefs;
};
