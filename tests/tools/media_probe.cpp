#include "media_probe.h"

#include <gtest/gtest.h>

extern "C" {
#include <libavcodec/avcodec.h>
#include <libavformat/avformat.h>
#include <libswscale/swscale.h>
}

int OpenVideoInput(const std::string& path, AVFormatContext*& input, AVCodecContext*& decoder) {
    input = nullptr;
    decoder = nullptr;
    if (avformat_open_input(&input, path.c_str(), nullptr, nullptr) < 0 ||
        avformat_find_stream_info(input, nullptr) < 0) {
        ADD_FAILURE() << "cannot read " << path;
        avformat_close_input(&input);
        return -1;
    }
    const AVCodec* codec = nullptr;
    const int video = av_find_best_stream(input, AVMEDIA_TYPE_VIDEO, -1, -1, &codec, 0);
    if (video < 0 || codec == nullptr) {
        ADD_FAILURE() << path << " has no video";
        avformat_close_input(&input);
        return -1;
    }
    decoder = avcodec_alloc_context3(codec);
    avcodec_parameters_to_context(decoder, input->streams[video]->codecpar);
    avcodec_open2(decoder, codec, nullptr);
    return video;
}

void ReadAllPackets(AVFormatContext* input, int video, AVCodecContext* decoder,
                    const std::function<void(AVFrame*)>& picture,
                    const std::function<void(const AVPacket*)>& other) {
    AVPacket* packet = av_packet_alloc();
    AVFrame* frame = av_frame_alloc();
    auto take = [&] {
        while (avcodec_receive_frame(decoder, frame) == 0) {
            picture(frame);
            av_frame_unref(frame);
        }
    };
    while (av_read_frame(input, packet) >= 0) {
        if (packet->stream_index == video) {
            avcodec_send_packet(decoder, packet);
            take();
        } else {
            other(packet);
        }
        av_packet_unref(packet);
    }
    avcodec_send_packet(decoder, nullptr);
    take();
    av_frame_free(&frame);
    av_packet_free(&packet);
}

ProbedMedia ProbeMedia(const std::string& path) {
    ProbedMedia media;
    AVFormatContext* input = nullptr;
    AVCodecContext* decoder = nullptr;
    const int video = OpenVideoInput(path, input, decoder);
    if (video < 0)
        return media;
    const int audio = av_find_best_stream(input, AVMEDIA_TYPE_AUDIO, -1, -1, nullptr, 0);
    AVStream* vs = input->streams[video];
    media.width = vs->codecpar->width;
    media.height = vs->codecpar->height;
    media.videoCodec = avcodec_get_name(vs->codecpar->codec_id);
    if (audio >= 0)
        media.audioCodec = avcodec_get_name(input->streams[audio]->codecpar->codec_id);

    SwsContext* scaler = nullptr;
    auto picture = [&](AVFrame* frame) {
        ProbedFrame out;
        out.time = double(frame->best_effort_timestamp) * av_q2d(vs->time_base);
        // Room after the last row: libswscale's vector code stores a little past a row's end.
        out.bgr.resize(size_t(media.width) * media.height * 3 + 64);
        scaler = sws_getCachedContext(scaler, frame->width, frame->height,
                                      AVPixelFormat(frame->format), media.width, media.height,
                                      AV_PIX_FMT_BGR24, SWS_POINT, nullptr, nullptr, nullptr);
        uint8_t* dst[4] = {out.bgr.data(), nullptr, nullptr, nullptr};
        int dstStride[4] = {media.width * 3, 0, 0, 0};
        sws_scale(scaler, frame->data, frame->linesize, 0, frame->height, dst, dstStride);
        out.bgr.resize(size_t(media.width) * media.height * 3);
        media.frames.push_back(std::move(out));
    };
    auto other = [&](const AVPacket* packet) {
        if (packet->stream_index == audio)
            media.audio.push_back(
                {double(packet->pts) * av_q2d(input->streams[audio]->time_base),
                 std::vector<uint8_t>(packet->data, packet->data + packet->size)});
    };
    ReadAllPackets(input, video, decoder, picture, other);
    sws_freeContext(scaler);
    avcodec_free_context(&decoder);
    avformat_close_input(&input);
    return media;
}
