// The element's input pin back from the filter: takes RGB24 frames of the element's size and
// hands each to its filter at once, on the thread that delivers it.
#pragma once

#include "baseclasses/streams.h"

class CFrameSink;

class CFrameSinkPin : public CBaseInputPin {
public:
    CFrameSinkPin(CFrameSink* filter, CSectionLock* lock);

    HRESULT VerifyMediaType(const CMediaType* type) override;
    HRESULT ReadyToReceive() override;

    STDMETHODIMP QueryId(LPWSTR* id) override;
    STDMETHODIMP Receive(IMediaSample* sample) override;
    STDMETHODIMP EndOfStream() override { return S_OK; }

private:
    CFrameSink* m_pSink;
};
