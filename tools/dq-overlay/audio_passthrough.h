// The input's audio streams (and its subtitle and data streams, which travel the same way) on their
// way to the output, copied packet by packet, unchanged but for their timestamps (moved with the
// video when the read starts later). The reader offers the streams and pushes their packets; the
// writer takes the streams its container can hold and muxes their packets beside the video. Packets
// cross from the reading thread to the writing one.
#pragma once

#include <cstdint>
#include <deque>
#include <mutex>
#include <optional>
#include <vector>

extern "C" {
#include <libavcodec/packet.h>
#include <libavcodec/codec_par.h>
#include <libavutil/dict.h>
}

class AudioPassthrough {
public:
    struct Stream {
        int inputIndex;
        const AVCodecParameters* parameters; // owned by the reader, which outlives the writer
        AVRational timeBase;
        const AVDictionary* metadata = nullptr; // the language, the title: the reader's
        int disposition = 0;                    // default, forced, ...
        int outputIndex = -1;                   // -1: not taken
    };

    AudioPassthrough() = default;
    ~AudioPassthrough();
    AudioPassthrough(const AudioPassthrough&) = delete;
    AudioPassthrough& operator=(const AudioPassthrough&) = delete;

    // Reader, before the writer opens.
    void AddStream(int inputIndex, const AVCodecParameters* parameters, AVRational timeBase,
                   const AVDictionary* metadata = nullptr, int disposition = 0);
    // Writer, while it opens: the streams and the output stream each one goes to.
    std::vector<Stream>& Streams() { return m_streams; }
    bool Wanted(int inputIndex) const;

    // Reader: a packet of a wanted stream, timestamps already relative to the output's start.
    // The queue takes over the packet's data.
    void Push(AVPacket* packet);
    // Reader: packets at or after this output time (100 ns) are not written.
    void SetEnd(int64_t end);

    // Writer: the packets queued so far, in order, up to the first one at or after `until`
    // (output time, 100 ns; none: all of them), each with its stream's entry. The caller frees
    // them. Packets past the end are freed here and not handed out.
    struct Taken {
        AVPacket* packet;
        const Stream* stream;
    };
    std::vector<Taken> Take(std::optional<int64_t> until);

private:
    const Stream* Find(int inputIndex) const;

    std::vector<Stream> m_streams; // fixed before streaming starts
    std::mutex m_mutex;            // guards what follows
    std::deque<AVPacket*> m_queue;
    std::optional<int64_t> m_end;
};
