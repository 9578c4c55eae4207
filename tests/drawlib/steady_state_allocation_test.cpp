// The frame path allocates nothing once every shown cue has its sprite: counted by replacing
// the global allocation functions of this test program.
#include <gtest/gtest.h>

#include <atomic>
#include <cstdlib>
#include <new>

#include "drawlib_test_support.h"

namespace {
std::atomic<bool> g_counting{false};
std::atomic<long> g_allocations{0};
} // namespace

// These are the replacement pair: malloc inside new, free inside delete, so they do match.
#pragma GCC diagnostic ignored "-Wmismatched-new-delete"

namespace {
void* Allocate(std::size_t size) noexcept {
    if (g_counting.load(std::memory_order_relaxed))
        g_allocations.fetch_add(1, std::memory_order_relaxed);
    return std::malloc(size ? size : 1);
}
void* AllocateOrThrow(std::size_t size) {
    if (void* p = Allocate(size))
        return p;
    throw std::bad_alloc();
}
} // namespace

// Every plain form, so that nothing allocated by one allocator is freed by the other.
void* operator new(std::size_t size) {
    return AllocateOrThrow(size);
}
void* operator new[](std::size_t size) {
    return AllocateOrThrow(size);
}
void* operator new(std::size_t size, const std::nothrow_t&) noexcept {
    return Allocate(size);
}
void* operator new[](std::size_t size, const std::nothrow_t&) noexcept {
    return Allocate(size);
}
void operator delete(void* p) noexcept {
    std::free(p);
}
void operator delete[](void* p) noexcept {
    std::free(p);
}
void operator delete(void* p, std::size_t) noexcept {
    std::free(p);
}
void operator delete[](void* p, std::size_t) noexcept {
    std::free(p);
}
void operator delete(void* p, const std::nothrow_t&) noexcept {
    std::free(p);
}
void operator delete[](void* p, const std::nothrow_t&) noexcept {
    std::free(p);
}

TEST(DrawQuorbitSteadyState, FramesAllocateNothing) {
    dqtest::TempDir dir;
    auto draw = dqtest::Loaded(dir,
                               "0 100 | Two lines\\nof text\n"
                               "0 100 align=top-left box=#A0000000 layer=2 | A sign\n"
                               "0 100 scroll=left | Scrolling by\n"
                               "0 100 move=0,0,300,200 fade=500,500 | Moving\n"
                               "50 60 | Later\n",
                               1280, 720);
    auto surface = dq::gfx::Bitmap::CreateArgb(1280, 720);
    dq::gfx::Graphics g(*surface);
    draw->drawENT(g, 1000); // renders the sprites
    surface->Clear();

    g_counting = true;
    for (int frame = 0; frame < 200; ++frame) {
        draw->drawENT(g, 1000 + frame * 17);
        surface->Clear();
    }
    g_counting = false;
    EXPECT_EQ(g_allocations.load(), 0);
}
