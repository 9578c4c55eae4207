#include "media_file_reader.h"

#include <algorithm>
#include <cinttypes>
#include <cstring>
#include <vector>

extern "C" {
#include <libavcodec/avcodec.h>
#include <libavformat/avformat.h>
#include <libavutil/imgutils.h>
#include <libavutil/mathematics.h>
#include <libavutil/pixdesc.h>
#include <libswscale/swscale.h>
}

#include "av_error_text.h"
#include "decoded_frames.h"
#include "interrupt_signals.h"
#include "tool_error.h"

namespace {

int64_t FrameDuration(const AVFrame* frame) {
#if LIBAVUTIL_VERSION_INT >= AV_VERSION_INT(57, 30, 100)
    return frame->duration;
#else
    return frame->pkt_duration;
#endif
}

} // namespace

MediaFileReader::MediaFileReader(const std::string& path, const ReadRange& range,
                                 AudioPassthrough& audio)
    : m_path(path), m_range(range), m_audio(audio) {
    try {
        Open();
    } catch (...) {
        Close(); // no destructor runs for an object that was never made
        throw;
    }
}

void MediaFileReader::Open() {
    const std::string& path = m_path;
    const ReadRange& range = m_range;
    m_input = avformat_alloc_context();
    if (m_input == nullptr)
        Fail("out of memory");
    m_input->interrupt_callback = {&MediaFileReader::InterruptCallback, this};
    int err = 0;
    {
        // Opening a FIFO waits for its writer, and probing for the first bytes.
        BlockingCall call(InterruptFlag());
        err = avformat_open_input(&m_input, path.c_str(), nullptr, nullptr);
        if (err < 0)
            Fail(AvErrorText(err)); // m_input is freed by a failed open
        err = avformat_find_stream_info(m_input, nullptr);
    }
    if (err < 0)
        Fail(AvErrorText(err));
    const AVCodec* codec = nullptr;
    const int index = av_find_best_stream(m_input, AVMEDIA_TYPE_VIDEO, -1, -1, &codec, 0);
    if (index == AVERROR_STREAM_NOT_FOUND)
        Fail("it has no video stream");
    if (index < 0 || codec == nullptr) {
        const int any = av_find_best_stream(m_input, AVMEDIA_TYPE_VIDEO, -1, -1, nullptr, 0);
        const AVCodecID id =
            any >= 0 ? m_input->streams[any]->codecpar->codec_id : AV_CODEC_ID_NONE;
        Fail(std::string("no decoder for its video codec '") + avcodec_get_name(id) + "'");
    }
    m_video = m_input->streams[index];
    const AVCodecParameters* par = m_video->codecpar;
    if (par->width <= 0 || par->height <= 0)
        Fail("its video stream has no frame size");

    m_decoder = avcodec_alloc_context3(codec);
    m_packet = av_packet_alloc();
    m_frame = av_frame_alloc();
    if (m_decoder == nullptr || m_packet == nullptr || m_frame == nullptr)
        Fail("out of memory");
    avcodec_parameters_to_context(m_decoder, par);
    m_decoder->thread_count = 0; // as many as there are processors
    m_decoder->thread_type = FF_THREAD_FRAME | FF_THREAD_SLICE;
    m_decoder->pkt_timebase = m_video->time_base;
    err = avcodec_open2(m_decoder, codec, nullptr);
    if (err < 0)
        Fail("cannot decode its " + std::string(codec->name) + " video: " + AvErrorText(err));

    m_format.width = par->width;
    m_format.height = par->height;
    m_format.frameRate = av_guess_frame_rate(m_input, m_video, nullptr);
    // Ticks finer than a sample time cannot survive the trip through the graph.
    m_format.timeBase =
        av_cmp_q(m_video->time_base, kRefTimeBase) < 0 ? kRefTimeBase : m_video->time_base;
    m_format.sampleAspect = av_guess_sample_aspect_ratio(m_input, m_video, nullptr);
    m_format.pixelFormat = AVPixelFormat(par->format);
    m_format.colour = ColourDescription::Of(par);

    for (unsigned i = 0; i < m_input->nb_streams; ++i) {
        AVStream* s = m_input->streams[i];
        const AVMediaType type = s->codecpar->codec_type;
        if (type == AVMEDIA_TYPE_AUDIO || type == AVMEDIA_TYPE_SUBTITLE ||
            type == AVMEDIA_TYPE_DATA)
            m_audio.AddStream(int(i), s->codecpar, s->time_base, s->metadata, s->disposition);
        else if (int(i) != index)
            s->discard = AVDISCARD_ALL;
    }

    const int64_t containerStart =
        m_input->start_time == AV_NOPTS_VALUE ? 0 : m_input->start_time * 10; // µs to 100 ns
    m_containerStart = containerStart;
    m_origin = containerStart + range.startMs * 10'000;
    if (range.startMs > 0) {
        // Land on the key frame before the start; the frames up to it are decoded and dropped.
        const int64_t target = m_origin / 10;
        avformat_seek_file(m_input, -1, INT64_MIN, target, target, 0);
    }
    if (range.durationMs)
        m_audio.SetEnd(*range.durationMs * 10'000);
    m_extras.Record(m_input, m_video, m_origin,
                    range.durationMs ? std::optional<int64_t>(*range.durationMs * 10'000)
                                     : std::nullopt);
    EstimateFrames();
}

MediaFileReader::~MediaFileReader() {
    Close();
}

void MediaFileReader::Close() {
    m_converter.reset();
    av_frame_free(&m_frame);
    av_packet_free(&m_packet);
    avcodec_free_context(&m_decoder);
    avformat_close_input(&m_input);
}

int MediaFileReader::InterruptCallback(void* self) {
    return static_cast<MediaFileReader*>(self)->Interrupted() || InterruptSignals::Received() != 0
               ? 1
               : 0;
}

void MediaFileReader::Fail(const std::string& cause) const {
    throw ToolError(kExitInput, "cannot read '" + m_path + "': " + cause);
}

void MediaFileReader::EstimateFrames() {
    const double rate = av_q2d(m_format.frameRate);
    double seconds = -1;
    if (m_video->duration != AV_NOPTS_VALUE && m_video->duration > 0)
        seconds = double(m_video->duration) * av_q2d(m_video->time_base);
    else if (m_input->duration != AV_NOPTS_VALUE && m_input->duration > 0)
        seconds = double(m_input->duration) / AV_TIME_BASE;
    int64_t frames = -1;
    if (m_range.startMs == 0 && m_video->nb_frames > 0)
        frames = m_video->nb_frames;
    else if (seconds > 0 && rate > 0)
        frames = std::max<int64_t>(0, int64_t((seconds - m_range.startMs / 1000.0) * rate + 0.5));
    if (m_range.durationMs && rate > 0) {
        const int64_t inDuration = int64_t(*m_range.durationMs / 1000.0 * rate + 0.5);
        frames = frames < 0 ? inDuration : std::min(frames, inDuration);
    }
    if (m_range.frames)
        frames = frames < 0 ? *m_range.frames : std::min(frames, *m_range.frames);
    m_expected = frames;
}

bool MediaFileReader::Feed() {
    for (;;) {
        if (Interrupted())
            return false;
        int err = 0;
        {
            BlockingCall call(InterruptFlag());
            err = av_read_frame(m_input, m_packet);
        }
        if (err == AVERROR_EOF) {
            m_atInputEnd = true;
            avcodec_send_packet(m_decoder, nullptr); // drain what the decoder holds
            m_draining = true;
            return true;
        }
        if (err < 0) {
            if (Interrupted())
                return false;
            Fail(AvErrorText(err));
        }
        CountPacket(m_packet);
        const int index = m_packet->stream_index;
        if (index == m_video->index) {
            const int sent = avcodec_send_packet(m_decoder, m_packet);
            av_packet_unref(m_packet);
            // A damaged packet costs its frame, not the run, as players treat it.
            if (sent < 0 && sent != AVERROR(EAGAIN) && sent != AVERROR_INVALIDDATA)
                Fail("cannot decode its video: " + AvErrorText(sent));
            if (sent == AVERROR_INVALIDDATA)
                ++m_decodeErrors;
            return true;
        }
        if (m_audio.Wanted(index)) {
            const AVRational tb = m_input->streams[index]->time_base;
            const int64_t shift = av_rescale_q(m_origin, kRefTimeBase, tb);
            if (m_packet->pts != AV_NOPTS_VALUE)
                m_packet->pts -= shift;
            if (m_packet->dts != AV_NOPTS_VALUE)
                m_packet->dts -= shift;
            // Sound from before a later start is cut with the picture.
            const bool early =
                m_range.startMs > 0 && m_packet->pts != AV_NOPTS_VALUE && m_packet->pts < 0;
            if (!early) {
                m_audio.Push(m_packet);
                continue;
            }
        }
        av_packet_unref(m_packet);
    }
}

bool MediaFileReader::Decode() {
    for (;;) {
        const int err = avcodec_receive_frame(m_decoder, m_frame);
        if (err == 0)
            return true;
        if (err == AVERROR_EOF)
            return false;
        if (err == AVERROR(EAGAIN)) {
            if (m_draining || !Feed())
                return false;
            continue;
        }
        if (err == AVERROR_INVALIDDATA) {
            ++m_decodeErrors;
            continue;
        }
        Fail("cannot decode its video: " + AvErrorText(err));
    }
}

bool MediaFileReader::ReadFrame(uint8_t* rows, int64_t& start, int64_t& stop) {
    if (m_ended || Interrupted())
        return false;
    if (m_range.frames && m_delivered >= *m_range.frames) {
        m_ended = true;
        return false;
    }
    for (;;) {
        if (!Decode()) {
            m_ended = true;
            if (m_atInputEnd && !Interrupted())
                CountEnd();
            return false;
        }
        const int64_t pts = m_frame->best_effort_timestamp;
        const int64_t duration =
            FrameDuration(m_frame) > 0
                ? av_rescale_q(FrameDuration(m_frame), m_video->time_base, kRefTimeBase)
            : m_format.frameRate.num > 0
                ? av_rescale_q(1, av_inv_q(m_format.frameRate), kRefTimeBase)
                : 0;
        if (pts == AV_NOPTS_VALUE)
            start = m_delivered == 0 ? 0 : m_lastStart + duration;
        else
            start = av_rescale_q(pts, m_video->time_base, kRefTimeBase) - m_origin;
        // Frames before a later start come from the key frame the seek landed on.
        if (m_range.startMs > 0 && start < 0) {
            if (start < -1) { // within a tick of the start counts as at it
                av_frame_unref(m_frame);
                continue;
            }
            start = 0;
        }
        if (m_range.durationMs && start >= *m_range.durationMs * 10'000) {
            av_frame_unref(m_frame);
            m_ended = true;
            return false;
        }
        CountFrame();
        stop = start + duration;
        m_lastStart = start;
        if (m_keep != nullptr) {
            // Converted once into the rows kept for the writer, then copied into the frame.
            const int stride = DecodedFrames::RowStride(m_format.width);
            std::vector<uint8_t> handed = m_keep->Buffer(size_t(stride) * m_format.height);
            Convert(handed.data(), stride);
            const size_t rowBytes = size_t(m_format.width) * 3;
            for (int y = 0; y < m_format.height; ++y)
                std::memcpy(m_format.TopRow(rows) + ptrdiff_t(y) * m_format.DownStep(),
                            handed.data() + size_t(y) * stride, rowBytes);
            if (!m_keep->Keep(start, m_frame, std::move(handed)))
                Fail("out of memory");
        } else {
            // Written top row first into the last row of the buffer, walking up.
            Convert(m_format.TopRow(rows), m_format.DownStep());
        }
        av_frame_unref(m_frame);
        ++m_delivered;
        if (m_range.frames && m_delivered == *m_range.frames)
            m_audio.SetEnd(stop); // sound ends with the last picture
        return true;
    }
}

void MediaFileReader::Convert(uint8_t* top, int step) {
    const AVFrame* f = m_frame;
    ColourDescription colour = m_format.colour;
    if (f->color_range != AVCOL_RANGE_UNSPECIFIED)
        colour.range = f->color_range;
    if (m_converter == nullptr || m_converter->From().format != f->format ||
        m_converter->From().width != f->width || m_converter->From().height != f->height ||
        !(m_converter->From().colour == colour)) {
        // A size change mid-stream is scaled back to the size the graph was built for.
        const PictureConverter::Side from = {f->width, f->height, AVPixelFormat(f->format), colour};
        const PictureConverter::Side to = {m_format.width, m_format.height, AV_PIX_FMT_BGR24,
                                           colour};
        m_converter = std::make_unique<PictureConverter>(
            from, to, SWS_BICUBIC, PictureConverter::StripsFor(f->height, m_workers.Threads()));
        if (!m_converter->Valid()) {
            m_converter.reset();
            Fail(std::string("cannot convert its ") +
                 (av_get_pix_fmt_name(AVPixelFormat(f->format)) ?: "unknown") +
                 " pictures to bgr24");
        }
    }
    uint8_t* dst[4] = {top, nullptr, nullptr, nullptr};
    const int dstStride[4] = {step, 0, 0, 0};
    m_converter->Convert(f->data, f->linesize, dst, dstStride, &m_workers);
}

std::string MediaFileReader::Describe() const {
    char text[256];
    const char* pix = av_get_pix_fmt_name(AVPixelFormat(m_video->codecpar->format));
    std::snprintf(text, sizeof text, "%s %dx%d %s, %.3g fps", avcodec_get_name(m_decoder->codec_id),
                  m_format.width, m_format.height, pix ? pix : "?", av_q2d(m_format.frameRate));
    std::string out = text;
    for (const AudioPassthrough::Stream& s : m_audio.Streams())
        out += std::string("; ") + av_get_media_type_string(s.parameters->codec_type) + ": " +
               avcodec_get_name(s.parameters->codec_id);
    return out;
}
