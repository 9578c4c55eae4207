#include "overlay_source_pin.h"

#include "frame_buffers.h"
#include "overlay_source.h"

COverlaySourcePin::COverlaySourcePin(COverlaySource* filter, CSectionLock* lock)
    : CRgb24OutputPin(WSTR("dq-overlay source output"), filter, lock), m_pSource(filter) {}

CMediaType COverlaySourcePin::FrameType() const {
    return m_pSource->FrameType();
}

HRESULT COverlaySourcePin::DecideBufferSize(IMemAllocator* allocator,
                                            ALLOCATOR_PROPERTIES* request) {
    const LONG frameBytes = LONG(m_pSource->Format().FrameBytes());
    const LONG buffers =
        FrameBuffers::CountFor(size_t(frameBytes), FrameBuffers::AvailableMemory());
    return AgreeBuffers(allocator, request, frameBytes, buffers, 16);
}
