// The element's output pin towards the filter: offers its frames as RGB24 with rows top-down
// (a negative height in the VIDEOINFOHEADER), as they lie in the element's buffers.
#pragma once

#include "rgb24_output_pin.h"

class CFrameSource;

class CFrameSourcePin : public CRgb24OutputPin {
public:
    CFrameSourcePin(CFrameSource* filter, CSectionLock* lock);

    HRESULT DecideBufferSize(IMemAllocator* allocator, ALLOCATOR_PROPERTIES* request) override;

protected:
    CMediaType FrameType() const override;

private:
    CFrameSource* m_pSource;
};
