#include "clip_writer.h"

#include <cmath>
#include <memory>
#include <stdexcept>

extern "C" {
#include <libavcodec/avcodec.h>
#include <libavformat/avformat.h>
#include <libavutil/channel_layout.h>
#include <libavutil/opt.h>
#include <libswscale/swscale.h>
}

#include "av_error_text.h"

namespace {

void Check(int err, const std::string& what) {
    if (err < 0)
        throw std::runtime_error(what + ": " + AvErrorText(err));
}

struct Encoder {
    AVCodecContext* context = nullptr;
    AVStream* stream = nullptr;
    ~Encoder() { avcodec_free_context(&context); }
};

// Sends a frame (null: drain) and muxes every packet that comes out.
void Encode(AVFormatContext* out, Encoder& e, AVFrame* frame, AVPacket* packet) {
    Check(avcodec_send_frame(e.context, frame), "encode");
    for (;;) {
        const int err = avcodec_receive_packet(e.context, packet);
        if (err == AVERROR(EAGAIN) || err == AVERROR_EOF)
            return;
        Check(err, "encode");
        av_packet_rescale_ts(packet, e.context->time_base, e.stream->time_base);
        packet->stream_index = e.stream->index;
        Check(av_interleaved_write_frame(out, packet), "write");
    }
}

} // namespace

std::vector<int64_t> ClipWriter::ConstantRate(int frames) {
    std::vector<int64_t> pts(static_cast<size_t>(frames));
    for (int i = 0; i < frames; ++i)
        pts[size_t(i)] = i;
    return pts;
}

void ClipWriter::Write(const std::string& path, const ClipSpec& spec) {
    AVFormatContext* out = nullptr;
    Check(avformat_alloc_output_context2(&out, nullptr, nullptr, path.c_str()), path);
    std::unique_ptr<AVFormatContext, void (*)(AVFormatContext*)> outGuard(
        out, [](AVFormatContext* c) {
            if (c->pb != nullptr)
                avio_closep(&c->pb);
            avformat_free_context(c);
        });
    AVPacket* packet = av_packet_alloc();
    AVFrame* picture = av_frame_alloc();
    AVFrame* sound = av_frame_alloc();
    std::unique_ptr<AVPacket, void (*)(AVPacket*)> packetGuard(
        packet, [](AVPacket* p) { av_packet_free(&p); });
    auto freeFrame = [](AVFrame* f) { av_frame_free(&f); };
    std::unique_ptr<AVFrame, decltype(freeFrame)> pictureGuard(picture, freeFrame);
    std::unique_ptr<AVFrame, decltype(freeFrame)> soundGuard(sound, freeFrame);

    Encoder video;
    const AVCodec* vcodec = avcodec_find_encoder_by_name(spec.videoEncoder.c_str());
    if (vcodec == nullptr)
        throw std::runtime_error("no encoder " + spec.videoEncoder);
    video.context = avcodec_alloc_context3(vcodec);
    AVCodecContext* v = video.context;
    v->width = spec.width;
    v->height = spec.height;
    v->time_base = spec.timeBase;
    v->framerate = spec.frameRate;
    v->pix_fmt = vcodec->pix_fmts ? vcodec->pix_fmts[0] : AV_PIX_FMT_YUV420P;
    for (const AVPixelFormat* p = vcodec->pix_fmts; p && *p != AV_PIX_FMT_NONE; ++p)
        if (*p == AV_PIX_FMT_YUV420P)
            v->pix_fmt = AV_PIX_FMT_YUV420P;
    v->thread_count = 0;
    if (out->oformat->flags & AVFMT_GLOBALHEADER)
        v->flags |= AV_CODEC_FLAG_GLOBAL_HEADER;
    if (spec.videoEncoder == "libx264") {
        av_opt_set_int(v->priv_data, "crf", spec.quality, 0);
        av_opt_set(v->priv_data, "preset", "veryfast", 0); // an input, not the result
    }
    Check(avcodec_open2(v, vcodec, nullptr), "open " + spec.videoEncoder);
    video.stream = avformat_new_stream(out, nullptr);
    avcodec_parameters_from_context(video.stream->codecpar, v);
    video.stream->time_base = v->time_base;
    video.stream->avg_frame_rate = spec.frameRate;

    Encoder audio;
    if (!spec.audioEncoder.empty()) {
        const AVCodec* acodec = avcodec_find_encoder_by_name(spec.audioEncoder.c_str());
        if (acodec == nullptr)
            throw std::runtime_error("no encoder " + spec.audioEncoder);
        audio.context = avcodec_alloc_context3(acodec);
        AVCodecContext* a = audio.context;
        a->sample_rate = spec.audioRate;
        a->sample_fmt = acodec->sample_fmts ? acodec->sample_fmts[0] : AV_SAMPLE_FMT_S16;
        av_channel_layout_default(&a->ch_layout, 2);
        a->time_base = {1, spec.audioRate};
        a->bit_rate = 128000;
        if (out->oformat->flags & AVFMT_GLOBALHEADER)
            a->flags |= AV_CODEC_FLAG_GLOBAL_HEADER;
        Check(avcodec_open2(a, acodec, nullptr), "open " + spec.audioEncoder);
        audio.stream = avformat_new_stream(out, nullptr);
        avcodec_parameters_from_context(audio.stream->codecpar, a);
        audio.stream->time_base = a->time_base;
    }

    Check(avio_open(&out->pb, path.c_str(), AVIO_FLAG_WRITE), path);
    AVDictionary* muxerOptions = nullptr;
    if (spec.fastStart)
        av_dict_set(&muxerOptions, "movflags", "faststart", 0);
    const int header = avformat_write_header(out, &muxerOptions);
    av_dict_free(&muxerOptions);
    Check(header, path);

    // Pictures painted in bgr24, converted to the encoder's format.
    const int stride = spec.width * 3;
    std::vector<uint8_t> bgr(size_t(stride) * spec.height);
    SwsContext* scaler =
        sws_getContext(spec.width, spec.height, AV_PIX_FMT_BGR24, spec.width, spec.height,
                       v->pix_fmt, SWS_BICUBIC, nullptr, nullptr, nullptr);
    std::unique_ptr<SwsContext, void (*)(SwsContext*)> scalerGuard(scaler, sws_freeContext);
    picture->format = v->pix_fmt;
    picture->width = spec.width;
    picture->height = spec.height;
    Check(av_frame_get_buffer(picture, 0), "frame");

    const double end = spec.pts.empty() ? 0
                                        : double(spec.pts.back()) * av_q2d(spec.timeBase) +
                                              1 / av_q2d(spec.frameRate);
    int64_t samplesDone = 0;
    auto writeSoundUntil = [&](double seconds) {
        if (audio.context == nullptr)
            return;
        AVCodecContext* a = audio.context;
        const int frameSize = a->frame_size > 0 ? a->frame_size : 1024;
        while (double(samplesDone) / a->sample_rate < std::min(seconds, end)) {
            av_frame_unref(sound);
            sound->format = a->sample_fmt;
            sound->nb_samples = frameSize;
            sound->sample_rate = a->sample_rate;
            av_channel_layout_copy(&sound->ch_layout, &a->ch_layout);
            Check(av_frame_get_buffer(sound, 0), "audio frame");
            for (int i = 0; i < frameSize; ++i) {
                const double t = double(samplesDone + i) / a->sample_rate;
                const double value = spec.tone ? spec.tone(t) : 0.2 * std::sin(2 * M_PI * 440 * t);
                for (int c = 0; c < a->ch_layout.nb_channels; ++c) {
                    const bool planar = av_sample_fmt_is_planar(a->sample_fmt);
                    const int plane = planar ? c : 0;
                    const int index = planar ? i : i * a->ch_layout.nb_channels + c;
                    switch (a->sample_fmt) {
                    case AV_SAMPLE_FMT_FLTP:
                    case AV_SAMPLE_FMT_FLT:
                        reinterpret_cast<float*>(sound->data[plane])[index] = float(value);
                        break;
                    case AV_SAMPLE_FMT_S16:
                    case AV_SAMPLE_FMT_S16P:
                        reinterpret_cast<int16_t*>(sound->data[plane])[index] =
                            int16_t(value * 32767);
                        break;
                    default:
                        throw std::runtime_error("unsupported sample format of " +
                                                 spec.audioEncoder);
                    }
                }
            }
            sound->pts = samplesDone;
            samplesDone += frameSize;
            Encode(out, audio, sound, packet);
        }
    };

    for (size_t n = 0; n < spec.pts.size(); ++n) {
        if (spec.paint)
            spec.paint(int(n), bgr.data(), stride);
        Check(av_frame_make_writable(picture), "frame");
        const uint8_t* src[4] = {bgr.data(), nullptr, nullptr, nullptr};
        const int srcStride[4] = {stride, 0, 0, 0};
        sws_scale(scaler, src, srcStride, 0, spec.height, picture->data, picture->linesize);
        picture->pts = spec.pts[n];
        writeSoundUntil(double(spec.pts[n]) * av_q2d(spec.timeBase));
        Encode(out, video, picture, packet);
    }
    writeSoundUntil(end);
    Encode(out, video, nullptr, packet);
    if (audio.context != nullptr)
        Encode(out, audio, nullptr, packet);
    Check(av_write_trailer(out), path);
}
