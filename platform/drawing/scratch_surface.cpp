#include "platform/drawing/drawing.h"

namespace dq::gfx {

ScratchSurface::ScratchSurface() = default;
ScratchSurface::~ScratchSurface() = default;

Bitmap& ScratchSurface::Acquire(int width, int height) {
    if (m_bitmap && m_bitmap->Width() == width && m_bitmap->Height() == height) {
        m_bitmap->Clear();
        return *m_bitmap;
    }
    m_bitmap.reset();
    m_bitmap = Bitmap::CreateArgb(width, height);
    return *m_bitmap;
}

} // namespace dq::gfx
