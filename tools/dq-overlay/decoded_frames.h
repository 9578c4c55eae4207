// The decoded frames on their way round the graph: the reader keeps each decoded picture, with a
// copy of the bgr24 frame it handed to the graph, under the frame's start time; the writer takes
// them back by that time once the filtered frame arrives, so it can tell what the overlay drew and
// leave every other pixel as the decoder gave it. The reading and the writing thread meet here.
#pragma once

#include <cstddef>
#include <cstdint>
#include <deque>
#include <mutex>
#include <vector>

struct AVFrame;

class DecodedFrames {
public:
    struct Kept {
        int64_t start = 0;
        AVFrame* frame = nullptr;    // a reference to the decoder's picture
        std::vector<uint8_t> handed; // the bgr24 frame as it went into the graph
    };

    // The rows of a kept frame: top-down, with room after each (what a converter stores past a
    // row's end lands there), so the reader can convert straight into it.
    static int RowStride(int width);
    // Reader: a buffer of `bytes` to fill and keep, recycled when one is free.
    std::vector<uint8_t> Buffer(size_t bytes);
    // Reader: keeps a reference to `decoded` with its filled buffer. False when out of memory.
    bool Keep(int64_t start, const AVFrame* decoded, std::vector<uint8_t>&& handed);

    DecodedFrames() = default;
    ~DecodedFrames();
    DecodedFrames(const DecodedFrames&) = delete;
    DecodedFrames& operator=(const DecodedFrames&) = delete;

    // Reader: keeps a reference to `decoded` and a copy of `rows`. False when out of memory.
    bool Keep(int64_t start, const AVFrame* decoded, const uint8_t* rows, size_t bytes);
    // Writer: the frame kept for `start`, with the ones before it that never came back dropped.
    // Empty (frame null) when there is none.
    Kept Take(int64_t start);
    // Writer: hands a taken frame back, so its buffer serves the next one.
    void Recycle(Kept&& kept);

    // How many are held now, for tests.
    size_t Held();

private:
    static void Release(Kept& kept);

    std::mutex m_mutex; // guards what follows
    std::deque<Kept> m_kept;
    std::vector<std::vector<uint8_t>> m_spare;
};
