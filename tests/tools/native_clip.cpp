#include "native_clip.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <memory>
#include <stdexcept>

extern "C" {
#include <libavcodec/avcodec.h>
#include <libavformat/avformat.h>
#include <libavutil/display.h>
#include <libavutil/imgutils.h>
#include <libavutil/pixdesc.h>
}

#include "media_probe.h"

namespace {

void Check(int err, const std::string& what) {
    if (err < 0)
        throw std::runtime_error(what + " failed (" + std::to_string(err) + ")");
}

// A different value at nearly every sample, in the format's whole depth.
void Paint(AVFrame* frame, int n) {
    const AVPixFmtDescriptor* desc = av_pix_fmt_desc_get(AVPixelFormat(frame->format));
    for (int c = 0; c < desc->nb_components; ++c) {
        const AVComponentDescriptor& comp = desc->comp[c];
        const bool chroma = c == 1 || c == 2;
        const int w = chroma ? AV_CEIL_RSHIFT(frame->width, desc->log2_chroma_w) : frame->width;
        const int h = chroma ? AV_CEIL_RSHIFT(frame->height, desc->log2_chroma_h) : frame->height;
        const int top = (1 << comp.depth) - 1;
        for (int y = 0; y < h; ++y)
            for (int x = 0; x < w; ++x) {
                const int value = (x * 29 + y * 13 + c * 60 + n * 5) % (top + 1);
                uint8_t* at = frame->data[comp.plane] + y * frame->linesize[comp.plane] +
                              x * comp.step + comp.offset;
                if (comp.depth > 8)
                    std::memcpy(at, &value, 2); // little-endian formats only
                else
                    *at = uint8_t(value);
            }
    }
}

NativePicture Planes(const AVFrame* frame) {
    NativePicture picture;
    const AVPixFmtDescriptor* desc = av_pix_fmt_desc_get(AVPixelFormat(frame->format));
    int lineBytes[4] = {};
    av_image_fill_linesizes(lineBytes, AVPixelFormat(frame->format), frame->width);
    for (int p = 0; p < av_pix_fmt_count_planes(AVPixelFormat(frame->format)); ++p) {
        NativePlane plane;
        const bool chroma = (p == 1 || p == 2) && !(desc->flags & AV_PIX_FMT_FLAG_RGB);
        plane.shiftX = chroma ? desc->log2_chroma_w : 0;
        plane.shiftY = chroma ? desc->log2_chroma_h : 0;
        for (int c = 0; c < desc->nb_components; ++c)
            if (desc->comp[c].plane == p)
                plane.step = desc->comp[c].step;
        plane.lineBytes = lineBytes[p];
        plane.rows = AV_CEIL_RSHIFT(frame->height, plane.shiftY);
        plane.bytes.resize(size_t(plane.lineBytes) * size_t(plane.rows));
        av_image_copy_plane(plane.bytes.data(), plane.lineBytes, frame->data[p], frame->linesize[p],
                            plane.lineBytes, plane.rows);
        picture.planes.push_back(std::move(plane));
    }
    return picture;
}

} // namespace

bool NativePicture::operator==(const NativePicture& other) const {
    if (planes.size() != other.planes.size())
        return false;
    for (size_t p = 0; p < planes.size(); ++p)
        if (planes[p].bytes != other.planes[p].bytes)
            return false;
    return true;
}

void WriteNativeClip(const std::string& path, const NativeClipSpec& spec) {
    AVFormatContext* out = nullptr;
    Check(avformat_alloc_output_context2(&out, nullptr, nullptr, path.c_str()), path);
    std::unique_ptr<AVFormatContext, void (*)(AVFormatContext*)> guard(out, [](AVFormatContext* c) {
        if (c->pb != nullptr)
            avio_closep(&c->pb);
        avformat_free_context(c);
    });
    const AVCodec* codec = avcodec_find_encoder_by_name(spec.encoder.c_str());
    if (codec == nullptr)
        throw std::runtime_error("no encoder " + spec.encoder);
    std::unique_ptr<AVCodecContext, void (*)(AVCodecContext*)> encoder(
        avcodec_alloc_context3(codec), [](AVCodecContext* c) { avcodec_free_context(&c); });
    AVCodecContext* e = encoder.get();
    e->width = spec.width;
    e->height = spec.height;
    e->pix_fmt = spec.format;
    e->time_base = {1, 10};
    e->framerate = {10, 1};
    e->sample_aspect_ratio = spec.sampleAspect;
    e->colorspace = spec.matrix;
    e->color_range = spec.range;
    e->color_primaries = spec.primaries;
    e->color_trc = spec.transfer;
    e->chroma_sample_location = spec.chromaLocation;
    if (out->oformat->flags & AVFMT_GLOBALHEADER)
        e->flags |= AV_CODEC_FLAG_GLOBAL_HEADER;
    Check(avcodec_open2(e, codec, nullptr), "open " + spec.encoder);
    AVStream* video = avformat_new_stream(out, nullptr);
    avcodec_parameters_from_context(video->codecpar, e);
    video->time_base = e->time_base;
    video->sample_aspect_ratio = spec.sampleAspect;
    if (spec.rotation != 0) {
        auto* matrix = reinterpret_cast<int32_t*>(
            av_stream_new_side_data(video, AV_PKT_DATA_DISPLAYMATRIX, 9 * sizeof(int32_t)));
        av_display_rotation_set(matrix, spec.rotation);
    }
    AVStream* subtitles = nullptr;
    if (spec.extras) {
        av_dict_set(&out->metadata, "title", "A test film", 0);
        subtitles = avformat_new_stream(out, nullptr);
        subtitles->codecpar->codec_type = AVMEDIA_TYPE_SUBTITLE;
        subtitles->codecpar->codec_id = AV_CODEC_ID_SUBRIP;
        subtitles->time_base = {1, 1000};
        av_dict_set(&subtitles->metadata, "language", "fra", 0);
        AVStream* font = avformat_new_stream(out, nullptr);
        font->codecpar->codec_type = AVMEDIA_TYPE_ATTACHMENT;
        font->codecpar->codec_id = AV_CODEC_ID_TTF;
        const char bytes[] = "not really a font";
        font->codecpar->extradata =
            static_cast<uint8_t*>(av_mallocz(sizeof bytes + AV_INPUT_BUFFER_PADDING_SIZE));
        std::memcpy(font->codecpar->extradata, bytes, sizeof bytes);
        font->codecpar->extradata_size = int(sizeof bytes);
        av_dict_set(&font->metadata, "filename", "font.ttf", 0);
        av_dict_set(&font->metadata, "mimetype", "application/x-truetype-font", 0);
        const int64_t half = spec.frames * 50; // ms
        out->chapters = static_cast<AVChapter**>(av_calloc(2, sizeof(AVChapter*)));
        for (int i = 0; i < 2; ++i) {
            auto* c = static_cast<AVChapter*>(av_mallocz(sizeof(AVChapter)));
            c->id = i + 1;
            c->time_base = {1, 1000};
            c->start = i * half;
            c->end = (i + 1) * half;
            av_dict_set(&c->metadata, "title", i == 0 ? "Opening" : "Ending", 0);
            out->chapters[out->nb_chapters++] = c;
        }
    }
    Check(avio_open(&out->pb, path.c_str(), AVIO_FLAG_WRITE), "open " + path);
    Check(avformat_write_header(out, nullptr), "header");

    AVPacket* packet = av_packet_alloc();
    AVFrame* frame = av_frame_alloc();
    frame->format = spec.format;
    frame->width = spec.width;
    frame->height = spec.height;
    Check(av_frame_get_buffer(frame, 0), "frame");
    auto drain = [&] {
        while (avcodec_receive_packet(e, packet) == 0) {
            av_packet_rescale_ts(packet, e->time_base, video->time_base);
            packet->stream_index = video->index;
            Check(av_interleaved_write_frame(out, packet), "write");
        }
    };
    for (int n = 0; n < spec.frames; ++n) {
        Check(av_frame_make_writable(frame), "frame");
        Paint(frame, n);
        frame->pts = n;
        Check(avcodec_send_frame(e, frame), "encode");
        drain();
        if (subtitles != nullptr && n == 5) {
            const char text[] = "Hello";
            Check(av_new_packet(packet, int(sizeof text - 1)), "packet");
            std::memcpy(packet->data, text, sizeof text - 1);
            packet->pts = packet->dts = 500;
            packet->duration = 1000;
            packet->stream_index = subtitles->index;
            Check(av_interleaved_write_frame(out, packet), "write");
        }
    }
    avcodec_send_frame(e, nullptr);
    drain();
    Check(av_write_trailer(out), "trailer");
    av_frame_free(&frame);
    av_packet_free(&packet);
}

NativeMedia ReadNativeMedia(const std::string& path) {
    NativeMedia media;
    AVFormatContext* input = nullptr;
    AVCodecContext* decoder = nullptr;
    const int video = OpenVideoInput(path, input, decoder);
    if (video < 0)
        return media;
    const AVStream* vs = input->streams[video];
    const AVCodecParameters* par = vs->codecpar;
    media.format = AVPixelFormat(par->format);
    media.width = par->width;
    media.height = par->height;
    media.matrix = par->color_space;
    media.range = par->color_range;
    media.primaries = par->color_primaries;
    media.transfer = par->color_trc;
    media.chromaLocation = par->chroma_location;
    media.sampleAspect = av_guess_sample_aspect_ratio(input, const_cast<AVStream*>(vs), nullptr);
    if (const uint8_t* m = av_stream_get_side_data(vs, AV_PKT_DATA_DISPLAYMATRIX, nullptr))
        media.rotation = av_display_rotation_get(reinterpret_cast<const int32_t*>(m));
    if (const AVDictionaryEntry* t = av_dict_get(input->metadata, "title", nullptr, 0))
        media.title = t->value;
    for (unsigned i = 0; i < input->nb_chapters; ++i) {
        const AVDictionaryEntry* t = av_dict_get(input->chapters[i]->metadata, "title", nullptr, 0);
        media.chapters.push_back(t ? t->value : "");
    }
    for (unsigned i = 0; i < input->nb_streams; ++i) {
        const AVStream* s = input->streams[i];
        if (s->codecpar->codec_type != AVMEDIA_TYPE_SUBTITLE &&
            s->codecpar->codec_type != AVMEDIA_TYPE_ATTACHMENT)
            continue;
        std::string line = std::string(av_get_media_type_string(s->codecpar->codec_type)) + " " +
                           avcodec_get_name(s->codecpar->codec_id);
        for (const char* key : {"language", "filename"})
            if (const AVDictionaryEntry* t = av_dict_get(s->metadata, key, nullptr, 0))
                line += std::string(" ") + t->value;
        media.streams.push_back(line);
    }

    std::vector<std::string> subtitleTexts;
    ReadAllPackets(
        input, video, decoder, [&](AVFrame* frame) { media.frames.push_back(Planes(frame)); },
        [&](const AVPacket* packet) {
            if (input->streams[packet->stream_index]->codecpar->codec_type == AVMEDIA_TYPE_SUBTITLE)
                subtitleTexts.emplace_back(reinterpret_cast<const char*>(packet->data),
                                           size_t(packet->size));
        });
    for (std::string& line : media.streams)
        if (line.rfind("subtitle", 0) == 0)
            for (const std::string& text : subtitleTexts)
                line += " '" + text + "'";
    avcodec_free_context(&decoder);
    avformat_close_input(&input);
    return media;
}
