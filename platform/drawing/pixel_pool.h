// Zeroed pixel blocks for ARGB surfaces. A surface that goes away clears what it drew and hands
// its block back; the next surface of about that size takes it instead of fresh pages, whose
// faults (and the kernel's zeroing of them) would otherwise be paid for every new sprite.
#pragma once

#include <cstddef>
#include <cstdint>

namespace dq::gfx::detail {

struct PixelBlock {
    uint8_t* data = nullptr;
    size_t capacity = 0; // bytes
};

class PixelPool {
public:
    // Blocks larger than this are freed rather than kept (a frame-sized scratch surface).
    static constexpr size_t kMaxBlock = size_t(8) << 20;
    // What the pool keeps at most, in bytes and in blocks.
    static constexpr size_t kMaxBytes = size_t(32) << 20;
    static constexpr int kMaxBlocks = 64;

    // A block of at least bytes, all zero; throws DrawingError when memory runs out.
    static PixelBlock Take(size_t bytes);
    // Gives back a block from Take, which must be all zero again.
    static void Give(PixelBlock block) noexcept;
    // What the pool holds now.
    static size_t HeldBytes();
};

} // namespace dq::gfx::detail
