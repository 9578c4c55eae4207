// Once warmed up, the per-frame drawing steps allocate nothing.
#include <gtest/gtest.h>

#include <atomic>
#include <cstdlib>
#include <new>

#include "platform/drawing/drawing.h"

namespace {
std::atomic<long> g_allocations{0};
} // namespace

void* operator new(std::size_t size) {
    ++g_allocations;
    if (void* p = std::malloc(size ? size : 1)) {
        return p;
    }
    throw std::bad_alloc();
}
void operator delete(void* p) noexcept {
    std::free(p);
}
void operator delete(void* p, std::size_t) noexcept {
    std::free(p);
}

namespace dq::gfx {
namespace {

TEST(FramePath, AllocatesNothingOnceWarmedUp) {
    auto sprite = Bitmap::CreateArgb(200, 40);
    Graphics(*sprite).FillRectangle(Color::FromArgb(0xC0FFFFFF), Rect{5, 5, 190, 30});
    std::vector<uint8_t> pixels(640 * 3 * 360, 50);
    auto frame = Bitmap::FromMemory24(640, 360, 640 * 3, pixels.data());
    ScratchSurface scratchSurface;

    auto oneFrame = [&](int n) {
        Bitmap& scratch = scratchSurface.Acquire(640, 360);
        Graphics(scratch).DrawImage(*sprite, 20 + n, 300, n % 2 ? 1.0f : 0.6f);
        Graphics(scratch).FillRectangle(Color::FromArgb(0x80000000), Rect{0, 0, 50, 20});
        scratch.RotateFlip(RotateFlipType::RotateNoneFlipY);
        Graphics(*frame).DrawImage(scratch, 0, 0);
        BitmapData data = frame->LockBits(Rect{0, 0, 640, 360}, ImageLockMode::ReadOnly,
                                          PixelFormat::Format24bppRgb);
        frame->UnlockBits(data);
        data = scratch.LockBits(Rect{0, 0, 640, 360}, ImageLockMode::ReadOnly,
                                PixelFormat::Format32bppArgb);
        scratch.UnlockBits(data);
    };
    const long start = g_allocations;
    oneFrame(0);
    const long before = g_allocations;
    ASSERT_GT(before, start); // the first frame makes the scratch bitmap: the count works
    for (int n = 1; n <= 10; ++n) {
        oneFrame(n);
    }
    EXPECT_EQ(g_allocations - before, 0);
}

} // namespace
} // namespace dq::gfx
