// The per-frame overlay: the drawing library paints onto a transparent scratch surface, which is
// turned to the frame's row order and blended over the frame in the sample's own memory.
#include <algorithm>
#include <cstdlib>
#include <cstring>

#include "drawlib/draw_quorbit.h"
#include "filter/direct_quorbit.h"
#include "baseclasses/transform_pins.h"
#include "platform/drawing/memory_bitmap24.h"

using namespace dq::gfx;

HRESULT CDirectQuorbit::Transform(IMediaSample* sample) {
    if (m_bHideSubtitles)
        return S_OK;
    if (sample == nullptr)
        return E_POINTER;
    BYTE* buffer = nullptr;
    sample->GetPointer(&buffer);
    if (buffer == nullptr)
        return E_POINTER;

    const int width = m_nWidth;
    const int rows = std::abs(m_nHeight);
    const bool bottomUp = m_nHeight > 0;
    const LONG frameBytes = m_nStride * rows;
    // Never draw past a buffer that cannot hold the frame the type promised.
    if (width <= 0 || rows <= 0 || sample->GetSize() < frameBytes)
        return S_OK;

    try {
        detail::MemoryBitmap24 frame(width, rows, m_nStride, buffer);
        Graphics frameGraphics(frame);
        Bitmap& scratch = m_scratch.Acquire(width, rows);
        Graphics scratchGraphics(scratch);

        if (m_bErrorPending) {
            std::u16string text = u"[Error] ";
            {
                std::lock_guard lock(m_errorLock);
                text += m_strError;
            }
            const Font font(GenericFontFamily::Monospace, 16);
            scratchGraphics.DrawString(text, font, Colors::Red,
                                       RectF{0, 0, float(width), float(rows)});
        } else {
            REFERENCE_TIME start = 0, stop = 0;
            const HRESULT hr = sample->GetTime(&start, &stop);
            if (FAILED(hr))
                return hr;
            const REFERENCE_TIME segmentStart = InputPin() ? InputPin()->CurrentStartTime() : 0;
            while (m_bReloading)
                Sleep(1);
            std::lock_guard drawing(m_drawLock);
            m_pDraw->drawENT(scratchGraphics, (segmentStart + start) / 10000);
        }

        // Bottom-up frames store the picture's last row first.
        if (bottomUp)
            scratch.RotateFlip(RotateFlipType::RotateNoneFlipY);
        frameGraphics.DrawImage(scratch, 0, 0);

        BitmapData locked = frame.LockBits(Rect{0, 0, width, rows}, ImageLockMode::ReadOnly,
                                           PixelFormat::Format24bppRgb);
        const LONG n = std::min<LONG>(locked.stride * locked.height, sample->GetActualDataLength());
        if (locked.scan0 != buffer) // the lock over the sample's memory hands out that memory
            std::memmove(buffer, locked.scan0, size_t(std::max<LONG>(n, 0)));
        frame.UnlockBits(locked);
        sample->SetActualDataLength(n);
    } catch (const std::exception&) {
        // The drawing failed before anything reached the frame: pass it on as it came.
    }
    return S_OK;
}
