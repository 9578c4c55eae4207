// What the hosts' input pins share: they take RGB24 frames of one size and row order only, which
// the derived pin names, and refuse samples while flushing, stopped or after a stream error. What
// becomes of a received sample (queued for a thread, or handed on at once) is the derived pin's.
#pragma once

#include "baseclasses/streams.h"

class CRgb24InputPin : public CBaseInputPin {
public:
    HRESULT VerifyMediaType(const CMediaType* type) override;
    HRESULT ReadyToReceive() override;
    STDMETHODIMP QueryId(LPWSTR* id) override;

protected:
    CRgb24InputPin(LPCWSTR debugName, CBaseFilter* filter, CSectionLock* lock);

    // ReadyToReceive, then the base pin's checks of the sample: S_OK when it may be handed on.
    HRESULT Admit(IMediaSample* sample);

    // The frames' width and height, the height signed as in rgb24_frame_type.h.
    virtual LONG FrameWidth() const = 0;
    virtual LONG FrameHeight() const = 0;
};
