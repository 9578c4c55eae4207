// How many frame buffers the graph gets, and whether the machine can hold them. Six buffers let
// the writer work on a few frames while the next are read; huge frames get fewer (down to two,
// one being filled while the other is written), and frames whose buffers do not fit in the
// memory left are refused before anything is allocated, with their size named.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

class FrameBuffers {
public:
    static constexpr int kUsual = 6;
    static constexpr int kFewest = 2;
    // What the usual count may take together before huge frames get fewer buffers.
    static constexpr uint64_t kBudget = uint64_t(1) << 30;

    // The buffer count for frames of this many bytes, given the bytes of memory available.
    static int CountFor(size_t frameBytes, uint64_t available);
    // Throws ToolError (usage) naming the size when even the fewest buffers do not fit.
    static void Check(int width, int height, size_t frameBytes, uint64_t available);

    // The memory a run can still take: what the system says is available, and swap that is free.
    static uint64_t AvailableMemory();

    // "358 MB", "1.61 GB": decimal units, three digits.
    static std::string Bytes(uint64_t bytes);
};
