// The media file reader's part in counting what an input loses: every packet read and frame
// decoded goes to its FrameLossCounter, with times on the input's clock.
#include <algorithm>
#include <cstdlib>

extern "C" {
#include <libavcodec/avcodec.h>
#include <libavformat/avformat.h>
#include <libavutil/mathematics.h>
}

#include "media_file_reader.h"
#include "tool_error.h"

int64_t MediaFileReader::InputTime(int64_t timestamp, int index) const {
    return av_rescale_q(timestamp, m_input->streams[index]->time_base, kRefTimeBase) -
           m_containerStart;
}

bool MediaFileReader::InRange(int64_t inputTime) const {
    const int64_t start = m_range.startMs * 10'000;
    return inputTime >= start - 1 &&
           (!m_range.durationMs || inputTime < start + *m_range.durationMs * 10'000);
}

void MediaFileReader::CountPacket(const AVPacket* packet) {
    const int index = packet->stream_index;
    const int64_t timestamp = packet->pts != AV_NOPTS_VALUE ? packet->pts : packet->dts;
    const int64_t time = timestamp != AV_NOPTS_VALUE ? InputTime(timestamp, index) : INT64_MIN;
    int64_t duration =
        av_rescale_q(packet->duration, m_input->streams[index]->time_base, kRefTimeBase);
    // A packet the container marks to be dropped (outside an edit list) is no lost frame.
    const bool discarded = (packet->flags & AV_PKT_FLAG_DISCARD) != 0;
    if (discarded && index == m_video->index)
        ++m_discardedPackets;
    if (index != m_video->index || discarded || time == INT64_MIN || !InRange(time)) {
        m_losses.OtherPacket(time == INT64_MIN ? INT64_MIN : time + duration, packet->pos,
                             packet->size);
        return;
    }
    // Durations stored in whole milliseconds drift from the frame rate over a long gap.
    const AVRational rate = m_format.frameRate;
    const int64_t nominal = rate.num > 0 ? av_rescale(10'000'000, rate.den, rate.num) : 0;
    if (nominal > 0 && std::llabs(duration - nominal) * 20 <= nominal)
        duration = nominal;
    m_losses.PacketRead(time, duration, packet->pos, packet->size);
}

void MediaFileReader::CountFrame() {
    const int64_t timestamp =
        m_frame->pts != AV_NOPTS_VALUE ? m_frame->pts : m_frame->best_effort_timestamp;
    if (timestamp == AV_NOPTS_VALUE)
        return;
    const bool damaged =
        (m_frame->flags & AV_FRAME_FLAG_CORRUPT) != 0 || m_frame->decode_error_flags != 0;
    m_losses.FrameDecoded(InputTime(timestamp, m_video->index), damaged);
    FailIfStrict();
}

void MediaFileReader::CountEnd() {
    // What the input says of its length: an index's frame count (for a read of all of it), and
    // where its video, else its longest stream, ends.
    std::optional<int64_t> frames;
    if (m_range.startMs == 0 && !m_range.durationMs && m_video->nb_frames > m_discardedPackets)
        frames = m_video->nb_frames - m_discardedPackets; // the index counts dropped ones too
    std::optional<int64_t> end;
    if (m_video->duration != AV_NOPTS_VALUE && m_video->duration > 0) {
        const int64_t first = m_video->start_time != AV_NOPTS_VALUE ? m_video->start_time : 0;
        end = InputTime(first + m_video->duration, m_video->index);
    } else if (m_input->duration != AV_NOPTS_VALUE && m_input->duration > 0) {
        end = m_input->duration * 10; // µs to 100 ns, from the container's start
    }
    if (end && m_range.durationMs)
        end = std::min(*end, (m_range.startMs + *m_range.durationMs) * 10'000);
    m_losses.InputEnded(frames, end);
    FailIfStrict();
}

void MediaFileReader::FailIfStrict() const {
    if (m_strict && m_losses.Any())
        throw ToolError(kExitInput, m_losses.Describe("'" + m_path + "'", -1) + " (--strict)");
}
