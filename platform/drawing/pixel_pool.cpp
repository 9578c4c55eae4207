#include "platform/drawing/pixel_pool.h"

#include <algorithm>
#include <array>
#include <bit>
#include <cstdlib>
#include <mutex>
#include <string>

#include "platform/drawing/drawing.h"

namespace dq::gfx::detail {
namespace {

// Oldest block first.
struct Pool {
    std::mutex lock;
    std::array<PixelBlock, PixelPool::kMaxBlocks> blocks{};
    int count = 0;
    size_t bytes = 0;

    PixelBlock Remove(int i) {
        const PixelBlock block = blocks[size_t(i)];
        std::copy(blocks.begin() + i + 1, blocks.begin() + count, blocks.begin() + i);
        --count;
        bytes -= block.capacity;
        return block;
    }
};

Pool& ThePool() {
    static Pool pool;
    return pool;
}

// Sizes go up in steps of an eighth of their power of two, so a block fits the next sprite
// that is a little larger than the one it was made for.
size_t RoundedCapacity(size_t bytes) {
    const size_t step = std::max<size_t>(4096, std::bit_floor(bytes) / 8);
    return (bytes + step - 1) / step * step;
}

} // namespace

PixelBlock PixelPool::Take(size_t bytes) {
    if (bytes == 0) {
        bytes = 1;
    }
    if (bytes <= kMaxBlock) {
        Pool& pool = ThePool();
        std::lock_guard guard(pool.lock);
        // The smallest block that fits, if it is not wastefully large.
        int best = -1;
        for (int i = 0; i < pool.count; ++i) {
            const size_t c = pool.blocks[size_t(i)].capacity;
            if (c >= bytes && c - bytes <= bytes / 2 &&
                (best < 0 || c < pool.blocks[size_t(best)].capacity)) {
                best = i;
            }
        }
        if (best >= 0) {
            return pool.Remove(best);
        }
    }
    const size_t capacity = bytes <= kMaxBlock ? RoundedCapacity(bytes) : bytes;
    // calloc: fresh pages come zeroed from the system, so a large block costs nothing until
    // it is drawn on.
    auto* data = static_cast<uint8_t*>(std::calloc(capacity, 1));
    if (!data) {
        throw DrawingError("out of memory for " + std::to_string(bytes) + " bytes of pixels");
    }
    return PixelBlock{data, capacity};
}

void PixelPool::Give(PixelBlock block) noexcept {
    if (!block.data) {
        return;
    }
    if (block.capacity > kMaxBlock) {
        std::free(block.data);
        return;
    }
    Pool& pool = ThePool();
    std::lock_guard guard(pool.lock);
    // The sizes in use change with the script and the frame: the oldest blocks make room.
    while (pool.count == kMaxBlocks || pool.bytes + block.capacity > kMaxBytes) {
        std::free(pool.Remove(0).data);
    }
    pool.blocks[size_t(pool.count++)] = block;
    pool.bytes += block.capacity;
}

size_t PixelPool::HeldBytes() {
    Pool& pool = ThePool();
    std::lock_guard guard(pool.lock);
    return pool.bytes;
}

} // namespace dq::gfx::detail
