#include "audio_passthrough.h"

extern "C" {
#include <libavutil/mathematics.h>
}

#include "frame_format.h"

AudioPassthrough::~AudioPassthrough() {
    for (AVPacket* packet : m_queue)
        av_packet_free(&packet);
}

void AudioPassthrough::AddStream(int inputIndex, const AVCodecParameters* parameters,
                                 AVRational timeBase, const AVDictionary* metadata,
                                 int disposition) {
    m_streams.push_back({inputIndex, parameters, timeBase, metadata, disposition});
}

const AudioPassthrough::Stream* AudioPassthrough::Find(int inputIndex) const {
    for (const Stream& s : m_streams)
        if (s.inputIndex == inputIndex)
            return &s;
    return nullptr;
}

bool AudioPassthrough::Wanted(int inputIndex) const {
    const Stream* s = Find(inputIndex);
    return s != nullptr && s->outputIndex >= 0;
}

void AudioPassthrough::Push(AVPacket* packet) {
    AVPacket* copy = av_packet_alloc();
    if (copy == nullptr)
        return;
    av_packet_move_ref(copy, packet);
    std::lock_guard lock(m_mutex);
    m_queue.push_back(copy);
}

void AudioPassthrough::SetEnd(int64_t end) {
    std::lock_guard lock(m_mutex);
    m_end = end;
}

std::vector<AudioPassthrough::Taken> AudioPassthrough::Take(std::optional<int64_t> until) {
    std::vector<Taken> taken;
    std::lock_guard lock(m_mutex);
    while (!m_queue.empty()) {
        AVPacket* packet = m_queue.front();
        const Stream* stream = Find(packet->stream_index);
        const bool timed = packet->pts != AV_NOPTS_VALUE && stream != nullptr;
        const int64_t time = timed ? av_rescale_q(packet->pts, stream->timeBase, kRefTimeBase) : 0;
        if (timed && until && time >= *until)
            break;
        m_queue.pop_front();
        if (stream == nullptr || (timed && m_end && time >= *m_end)) {
            av_packet_free(&packet);
            continue;
        }
        taken.push_back({packet, stream});
    }
    return taken;
}
