// The source filter's output pin: offers the reader's frames as RGB24 in a VIDEOINFOHEADER
// (bottom-up rows, positive height) and asks for enough buffers to read ahead of the writer.
#pragma once

#include "rgb24_output_pin.h"

class COverlaySource;

class COverlaySourcePin : public CRgb24OutputPin {
public:
    COverlaySourcePin(COverlaySource* filter, CSectionLock* lock);

    HRESULT DecideBufferSize(IMemAllocator* allocator, ALLOCATOR_PROPERTIES* request) override;

protected:
    CMediaType FrameType() const override;

private:
    COverlaySource* m_pSource;
};
