// Enumerates a filter's pins; notices when the filter's pin set changes.
#pragma once

#include "baseclasses/pointer_list.h"
#include "platform/platform.h"

class CBaseFilter;

class CEnumPins : public IEnumPins {
public:
    // Starts with one reference, for the caller. With a source, continues where it stands.
    CEnumPins(CBaseFilter* filter, CEnumPins* source);
    virtual ~CEnumPins();
    CEnumPins(const CEnumPins&) = delete;
    CEnumPins& operator=(const CEnumPins&) = delete;

    STDMETHODIMP QueryInterface(REFIID riid, void** ppv) override;
    STDMETHODIMP_(ULONG) AddRef() override;
    STDMETHODIMP_(ULONG) Release() override;

    STDMETHODIMP Next(ULONG n, IPin** pins, ULONG* fetched) override;
    STDMETHODIMP Skip(ULONG n) override;
    STDMETHODIMP Reset() override;
    STDMETHODIMP Clone(IEnumPins** out) override;

private:
    bool IsOutOfStep();
    // Back in step; pins already handed out are remembered and not returned again.
    void Resync();

    LONG m_nPosition;
    LONG m_nPinCount;
    CBaseFilter* m_pEnumFilter; // counted
    LONG m_nVersion;
    LONG volatile m_nEnumRefs;
    CPointerList m_seenPins;
};
