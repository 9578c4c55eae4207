// The sink filter's input pin: takes the RGB24 frames of the size the tool reads, and hands each
// received sample to its filter's writing thread.
#pragma once

#include "baseclasses/streams.h"

class COverlaySink;

class COverlaySinkPin : public CBaseInputPin {
public:
    COverlaySinkPin(COverlaySink* filter, CSectionLock* lock);

    HRESULT VerifyMediaType(const CMediaType* type) override;
    HRESULT ReadyToReceive() override;

    STDMETHODIMP QueryId(LPWSTR* id) override;
    STDMETHODIMP Receive(IMediaSample* sample) override;
    STDMETHODIMP EndOfStream() override;
    STDMETHODIMP BeginFlush() override;

private:
    COverlaySink* m_pSink;
};
