// The sink filter's input pin: takes the RGB24 frames of the size the tool reads, rows bottom-up,
// and hands each received sample to its filter's writing thread.
#pragma once

#include "rgb24_input_pin.h"

class COverlaySink;

class COverlaySinkPin : public CRgb24InputPin {
public:
    COverlaySinkPin(COverlaySink* filter, CSectionLock* lock);

    STDMETHODIMP Receive(IMediaSample* sample) override;
    STDMETHODIMP EndOfStream() override;
    STDMETHODIMP BeginFlush() override;

protected:
    LONG FrameWidth() const override;
    LONG FrameHeight() const override; // positive: bottom row first

private:
    COverlaySink* m_pSink;
};
