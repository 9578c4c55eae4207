#include "frame_source_pin.h"

#include "frame_source.h"

CFrameSourcePin::CFrameSourcePin(CFrameSource* filter, CSectionLock* lock)
    : CRgb24OutputPin(WSTR("dqoverlay frame output"), filter, lock), m_pSource(filter) {}

CMediaType CFrameSourcePin::FrameType() const {
    return m_pSource->FrameType();
}

// The frames travel in samples over the element's own buffers; the allocator is agreed on because
// the pins must have one, and one buffer is all it ever needs.
HRESULT CFrameSourcePin::DecideBufferSize(IMemAllocator* allocator, ALLOCATOR_PROPERTIES* request) {
    return AgreeBuffers(allocator, request, m_pSource->FrameBytes(), 1, 1);
}
