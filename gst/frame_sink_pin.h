// The element's input pin back from the filter: takes RGB24 frames of the element's size, rows
// top-down as the element's buffers hold them, and hands each to its filter at once, on the
// thread that delivers it (no queue, no thread of its own).
#pragma once

#include "rgb24_input_pin.h"

class CFrameSink;

class CFrameSinkPin : public CRgb24InputPin {
public:
    CFrameSinkPin(CFrameSink* filter, CSectionLock* lock);

    STDMETHODIMP Receive(IMediaSample* sample) override;
    STDMETHODIMP EndOfStream() override { return S_OK; }

protected:
    LONG FrameWidth() const override;
    LONG FrameHeight() const override; // negative: top row first

private:
    CFrameSink* m_pSink;
};
