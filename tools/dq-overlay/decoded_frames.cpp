#include "decoded_frames.h"

#include <cstring>

extern "C" {
#include <libavutil/frame.h>
}

#include "picture_converter.h"

int DecodedFrames::RowStride(int width) {
    return PictureConverter::StrideWithRoom(width * 3);
}

DecodedFrames::~DecodedFrames() {
    for (Kept& kept : m_kept)
        Release(kept);
}

void DecodedFrames::Release(Kept& kept) {
    av_frame_free(&kept.frame);
}

std::vector<uint8_t> DecodedFrames::Buffer(size_t bytes) {
    std::vector<uint8_t> buffer;
    {
        std::lock_guard lock(m_mutex);
        if (!m_spare.empty()) {
            buffer = std::move(m_spare.back());
            m_spare.pop_back();
        }
    }
    buffer.resize(bytes);
    return buffer;
}

bool DecodedFrames::Keep(int64_t start, const AVFrame* decoded, std::vector<uint8_t>&& handed) {
    Kept kept;
    kept.start = start;
    kept.handed = std::move(handed);
    kept.frame = av_frame_alloc();
    if (kept.frame == nullptr || av_frame_ref(kept.frame, decoded) < 0) {
        Release(kept);
        return false;
    }
    std::lock_guard lock(m_mutex);
    m_kept.push_back(std::move(kept));
    return true;
}

bool DecodedFrames::Keep(int64_t start, const AVFrame* decoded, const uint8_t* rows, size_t bytes) {
    std::vector<uint8_t> handed = Buffer(bytes);
    std::memcpy(handed.data(), rows, bytes);
    return Keep(start, decoded, std::move(handed));
}

DecodedFrames::Kept DecodedFrames::Take(int64_t start) {
    std::deque<Kept> dropped;
    Kept found;
    {
        std::lock_guard lock(m_mutex);
        while (!m_kept.empty() && m_kept.front().start <= start) {
            Kept kept = std::move(m_kept.front());
            m_kept.pop_front();
            if (kept.start == start) {
                found = std::move(kept);
                break;
            }
            dropped.push_back(std::move(kept));
        }
    }
    for (Kept& kept : dropped)
        Recycle(std::move(kept));
    return found;
}

void DecodedFrames::Recycle(Kept&& kept) {
    Release(kept);
    if (kept.handed.capacity() == 0)
        return;
    std::lock_guard lock(m_mutex);
    // A handful covers the frames in flight; more would only hold memory.
    if (m_spare.size() < 8)
        m_spare.push_back(std::move(kept.handed));
}

size_t DecodedFrames::Held() {
    std::lock_guard lock(m_mutex);
    return m_kept.size();
}
