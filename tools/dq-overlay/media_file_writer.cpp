#include "media_file_writer.h"

#include <algorithm>
#include <cstring>

extern "C" {
#include <libavcodec/avcodec.h>
#include <libavformat/avformat.h>
#include <libavutil/mathematics.h>
#include <libavutil/opt.h>
#include <libavutil/pixdesc.h>
#include <libswscale/swscale.h>
}

#include "av_error_text.h"
#include "decoded_frames.h"
#include "interrupt_signals.h"
#include "overlay_merge.h"
#include "pixel_layout.h"
#include "tool_error.h"

namespace {

std::string Extension(const std::string& path) {
    const size_t dot = path.rfind('.');
    const size_t slash = path.rfind('/');
    if (dot == std::string::npos || (slash != std::string::npos && dot < slash))
        return "";
    std::string ext = path.substr(dot);
    std::transform(ext.begin(), ext.end(), ext.begin(),
                   [](unsigned char c) { return std::tolower(c); });
    return ext;
}

const AVCodec* FindEncoder(const std::string& name) {
    if (const AVCodec* codec = avcodec_find_encoder_by_name(name.c_str()))
        return codec;
    if (const AVCodecDescriptor* desc = avcodec_descriptor_get_by_name(name.c_str()))
        return avcodec_find_encoder(desc->id);
    return nullptr;
}

bool ContainerTakes(const AVOutputFormat* format, AVCodecID id) {
    // 1: yes; 0: no; negative: the muxer keeps no list, so it is tried.
    return avformat_query_codec(format, id, FF_COMPLIANCE_NORMAL) != 0;
}

bool IsSubsampled(AVPixelFormat format) {
    const AVPixFmtDescriptor* desc = av_pix_fmt_desc_get(format);
    return desc != nullptr && (desc->log2_chroma_w > 0 || desc->log2_chroma_h > 0);
}

} // namespace

bool MediaFileWriter::IsContainer(const std::string& path) {
    const std::string ext = Extension(path);
    for (const char* known : {".mp4", ".m4v", ".mkv", ".mov", ".webm", ".avi"})
        if (ext == known)
            return true;
    return false;
}

MediaFileWriter::MediaFileWriter(const std::string& path, const FrameFormat& format,
                                 const EncodeOptions& options, AudioPassthrough& audio,
                                 const ContainerCopy* extras)
    : m_file(path), m_format(format), m_audio(audio), m_extras(extras) {
    try {
        Open(options);
    } catch (...) {
        Close(); // no destructor runs for an object that was never made
        throw;
    }
}

void MediaFileWriter::Open(const EncodeOptions& options) {
    const std::string& path = m_file.Path();
    const AVOutputFormat* container = av_guess_format(nullptr, path.c_str(), nullptr);
    if (container == nullptr)
        m_file.Fail("no container for '" + Extension(path) + "' files in this libavformat");
    int err =
        avformat_alloc_output_context2(&m_output, container, nullptr, m_file.WritePath().c_str());
    m_packet = av_packet_alloc();
    m_picture = av_frame_alloc();
    m_composed = av_frame_alloc();
    if (err < 0 || m_packet == nullptr || m_picture == nullptr || m_composed == nullptr)
        m_file.Fail("out of memory");

    OpenEncoder(options);
    AddAudioStreams();
    if (m_extras != nullptr)
        for (std::string& line : m_extras->ApplyTo(m_output, m_stream))
            m_leftOut.push_back(std::move(line));

    if (!(container->flags & AVFMT_NOFILE)) {
        // A write stuck in a slow file system gives up once the run is interrupted.
        const AVIOInterruptCB interrupt = {
            [](void*) { return InterruptSignals::Received() != 0 ? 1 : 0; }, nullptr};
        err = avio_open2(&m_output->pb, m_file.WritePath().c_str(), AVIO_FLAG_WRITE, &interrupt,
                         nullptr);
        if (err < 0)
            m_file.Fail(AvErrorText(err));
    }
    err = avformat_write_header(m_output, nullptr);
    if (err < 0)
        m_file.Fail(AvErrorText(err));
}

MediaFileWriter::~MediaFileWriter() {
    Close();
}

void MediaFileWriter::Close() {
    if (m_output != nullptr && m_output->pb != nullptr)
        avio_closep(&m_output->pb);
    avformat_free_context(m_output);
    m_output = nullptr;
    m_merge.reset();
    m_converter.reset();
    av_frame_free(&m_composed);
    av_frame_free(&m_picture);
    av_packet_free(&m_packet);
    avcodec_free_context(&m_encoder);
}

void MediaFileWriter::OpenEncoder(const EncodeOptions& options) {
    const AVOutputFormat* container = m_output->oformat;
    const std::string ext = Extension(m_file.Path());
    const AVCodec* codec = nullptr;
    if (!options.codec.empty()) {
        codec = FindEncoder(options.codec);
        if (codec == nullptr || codec->type != AVMEDIA_TYPE_VIDEO)
            throw ToolError(kExitUsage, "--codec: no video encoder named '" + options.codec + "'");
        if (!ContainerTakes(container, codec->id))
            throw ToolError(kExitUsage, "--codec: '" + ext + "' files cannot hold " +
                                            avcodec_get_name(codec->id) + " video");
    } else {
        // H.264 where this libavcodec has an encoder for it; VP9 is what .webm holds.
        const bool webm = std::strcmp(container->name, "webm") == 0;
        static const char* const kWebm[] = {"libvpx-vp9", "libvpx", "libaom-av1"};
        static const char* const kOthers[] = {"libx264", "libopenh264", "mpeg4"};
        for (const char* name : webm ? kWebm : kOthers) {
            codec = avcodec_find_encoder_by_name(name);
            if (codec != nullptr && ContainerTakes(container, codec->id))
                break;
            codec = nullptr;
        }
        if (codec == nullptr)
            m_file.Fail("this libavcodec has no video encoder for '" + ext + "' files");
    }

    m_encoder = avcodec_alloc_context3(codec);
    if (m_encoder == nullptr)
        m_file.Fail("out of memory");
    AVCodecContext* c = m_encoder;
    c->width = m_format.width;
    c->height = m_format.height;
    c->sample_aspect_ratio = m_format.sampleAspect;
    c->framerate = m_format.frameRate;
    c->time_base = m_format.timeBase;
    // AVI keeps no timestamps: it counts frames, one tick per frame.
    if (std::strcmp(container->name, "avi") == 0 && m_format.frameRate.num > 0)
        c->time_base = av_inv_q(m_format.frameRate);
    // MPEG-4 part 2 keeps its clock in 16 bits.
    if (codec->id == AV_CODEC_ID_MPEG4 && c->time_base.den > 65535)
        c->time_base = m_format.frameRate.num > 0 && m_format.frameRate.num <= 65535
                           ? av_inv_q(m_format.frameRate)
                           : AVRational{1, 1000};
    c->thread_count = 0;
    if (container->flags & AVFMT_GLOBALHEADER)
        c->flags |= AV_CODEC_FLAG_GLOBAL_HEADER;

    const AVCodecDescriptor* desc = avcodec_descriptor_get(codec->id);
    const bool lossless = desc != nullptr && (desc->props & AV_CODEC_PROP_LOSSLESS) &&
                          !(desc->props & AV_CODEC_PROP_LOSSY);
    std::string nearest;
    const AVPixelFormat pixels = ChoosePixelFormat(codec, lossless, nearest);
    c->pix_fmt = pixels;

    // The input's description goes out as it came, where the pictures stay of its kind; pictures
    // of another kind (RGB made YUV) get the conventional one, as untagged input does.
    const bool yuv = IsYuv(pixels);
    const bool sameKind =
        m_format.pixelFormat != AV_PIX_FMT_NONE && IsYuv(m_format.pixelFormat) == yuv;
    if (sameKind)
        m_colour = m_format.colour;
    else if (yuv)
        m_colour = ColourDescription::Conventional(m_format.height);
    m_colour.ApplyTo(c);

    std::string quality;
    const std::string name = codec->name;
    if (name == "libx264" || name == "libx264rgb" || name == "libx265") {
        const int crf = options.quality.value_or(20);
        av_opt_set_int(c->priv_data, "crf", crf, 0);
        quality = "crf " + std::to_string(crf);
    } else if (name == "libvpx-vp9" || name == "libvpx" || name == "libaom-av1") {
        const int crf = options.quality.value_or(32);
        av_opt_set_int(c->priv_data, "crf", crf, 0);
        // VP9 and AV1 take a zero bit rate as pure constant quality; VP8 needs a ceiling.
        c->bit_rate = name == "libvpx" ? 8'000'000 : 0;
        av_opt_set_int(c->priv_data, "cpu-used", name == "libaom-av1" ? 6 : 4, 0);
        av_opt_set_int(c->priv_data, "row-mt", 1, 0);
        quality = "crf " + std::to_string(crf);
    } else if (options.quality) {
        c->flags |= AV_CODEC_FLAG_QSCALE;
        c->global_quality = FF_QP2LAMBDA * *options.quality;
        quality = "quantiser " + std::to_string(*options.quality);
    }

    const int err = avcodec_open2(c, codec, nullptr);
    if (err < 0)
        m_file.Fail("cannot encode with " + name + ": " + AvErrorText(err));

    m_stream = avformat_new_stream(m_output, nullptr);
    if (m_stream == nullptr || avcodec_parameters_from_context(m_stream->codecpar, c) < 0)
        m_file.Fail("out of memory");
    m_stream->time_base = c->time_base;
    m_stream->avg_frame_rate = m_format.frameRate;
    m_stream->sample_aspect_ratio = c->sample_aspect_ratio;

    m_picture->format = pixels;
    m_picture->width = c->width;
    m_picture->height = c->height;
    if (av_frame_get_buffer(m_picture, 0) < 0)
        m_file.Fail("out of memory");
    const PictureConverter::Side from = {c->width, c->height, AV_PIX_FMT_BGR24, m_colour};
    const PictureConverter::Side to = {c->width, c->height, pixels, m_colour};
    m_converter = std::make_unique<PictureConverter>(
        from, to, SWS_BICUBIC, PictureConverter::StripsFor(c->height, m_workers.Threads()));
    if (!m_converter->Valid())
        m_file.Fail(std::string("cannot convert bgr24 to ") + av_get_pix_fmt_name(pixels));

    m_description = "'" + m_file.Path() + "': " + container->name + ", " + name + " " +
                    av_get_pix_fmt_name(pixels) + nearest + (quality.empty() ? "" : " " + quality);
}

AVPixelFormat MediaFileWriter::ChoosePixelFormat(const AVCodec* codec, bool lossless,
                                                 std::string& note) const {
    const bool even = m_format.width % 2 == 0 && m_format.height % 2 == 0;
    const AVPixelFormat* offered = codec->pix_fmts;
    auto offers = [&](AVPixelFormat f) {
        for (const AVPixelFormat* p = offered; p != nullptr && *p != AV_PIX_FMT_NONE; ++p)
            if (*p == f)
                return true;
        return offered == nullptr;
    };
    // Odd sizes cannot be halved for chroma by most encoders.
    auto usable = [&](AVPixelFormat f) { return even || !IsSubsampled(f); };
    const AVPixelFormat input = m_format.pixelFormat;
    AVPixelFormat pixels = AV_PIX_FMT_NONE;
    if (input != AV_PIX_FMT_NONE) {
        // The input's own format, else the nearest one the encoder takes whose pixels can be
        // addressed for merging.
        if (offers(input) && usable(input) && PixelLayout(input).Addressable())
            return input;
        std::vector<AVPixelFormat> candidates;
        for (const AVPixelFormat* p = offered; p != nullptr && *p != AV_PIX_FMT_NONE; ++p)
            if (usable(*p) && PixelLayout(*p).Addressable())
                candidates.push_back(*p);
        candidates.push_back(AV_PIX_FMT_NONE);
        if (offered == nullptr)
            pixels = AV_PIX_FMT_BGR24;
        else if (candidates.size() > 1)
            pixels = avcodec_find_best_pix_fmt_of_list(candidates.data(), input, 0, nullptr);
        if (pixels != AV_PIX_FMT_NONE) {
            const char* name = av_get_pix_fmt_name(input);
            note = std::string(" (nearest to the input's ") + (name ? name : "format") + ")";
            return pixels;
        }
    }
    // Raw bgr24 input: lossless encoders keep the RGB pictures as they are; the others get 4:2:0
    // where the size allows it, as players expect.
    if (!lossless && even && offers(AV_PIX_FMT_YUV420P))
        pixels = AV_PIX_FMT_YUV420P;
    else if (!lossless && !even && offers(AV_PIX_FMT_YUV444P))
        pixels = AV_PIX_FMT_YUV444P;
    else if (offered != nullptr)
        pixels = avcodec_find_best_pix_fmt_of_list(offered, AV_PIX_FMT_BGR24, 0, nullptr);
    else
        pixels = AV_PIX_FMT_BGR24;
    if (pixels == AV_PIX_FMT_NONE || !usable(pixels))
        m_file.Fail(std::string(codec->name) + " cannot encode " + std::to_string(m_format.width) +
                    "x" + std::to_string(m_format.height) + " pictures");
    return pixels;
}

bool MediaFileWriter::CanMergeDecodedFrames() const {
    return m_format.pixelFormat != AV_PIX_FMT_NONE && PixelLayout(m_encoder->pix_fmt).Addressable();
}

void MediaFileWriter::MergeDecodedFrames(DecodedFrames* store) {
    m_merge = std::make_unique<OverlayMerge>(m_format, m_encoder->pix_fmt, m_colour, &m_workers);
    m_decoded = store;
}

std::string MediaFileWriter::MergeSummary() const {
    if (m_merge == nullptr)
        return "";
    return "overlay merged into " + std::to_string(m_merge->FramesChanged()) + " decoded frames, " +
           std::to_string(m_merge->PixelsConverted()) + " pixels converted back";
}

void MediaFileWriter::AddAudioStreams() {
    for (AudioPassthrough::Stream& in : m_audio.Streams()) {
        const char* codec = avcodec_get_name(in.parameters->codec_id);
        const char* kind = av_get_media_type_string(in.parameters->codec_type);
        if (in.parameters->codec_id == AV_CODEC_ID_NONE ||
            !ContainerTakes(m_output->oformat, in.parameters->codec_id)) {
            m_leftOut.push_back(std::string(codec) + " " + kind + " (stream " +
                                std::to_string(in.inputIndex) + ")");
            continue;
        }
        AVStream* out = avformat_new_stream(m_output, nullptr);
        if (out == nullptr || avcodec_parameters_copy(out->codecpar, in.parameters) < 0)
            m_file.Fail("out of memory");
        out->codecpar->codec_tag = 0; // the container picks its own tag for the codec
        out->time_base = in.timeBase;
        av_dict_copy(&out->metadata, in.metadata, 0);
        out->disposition = in.disposition;
        in.outputIndex = out->index;
        m_description += std::string("; ") + codec + " " + kind + " copied";
    }
}

void MediaFileWriter::Mux(AVPacket* packet) {
    const int err = av_interleaved_write_frame(m_output, packet);
    if (err < 0)
        m_file.Fail(AvErrorText(err));
}

void MediaFileWriter::WriteAudio(std::optional<int64_t> until) {
    for (const AudioPassthrough::Taken& taken : m_audio.Take(until)) {
        AVPacket* packet = taken.packet;
        const AVStream* out = m_output->streams[taken.stream->outputIndex];
        packet->stream_index = taken.stream->outputIndex;
        av_packet_rescale_ts(packet, taken.stream->timeBase, out->time_base);
        packet->pos = -1;
        const int err = av_interleaved_write_frame(m_output, packet);
        av_packet_free(&packet);
        if (err < 0)
            m_file.Fail(AvErrorText(err));
    }
}

void MediaFileWriter::WritePackets() {
    for (;;) {
        const int err = avcodec_receive_packet(m_encoder, m_packet);
        if (err == AVERROR(EAGAIN) || err == AVERROR_EOF)
            return;
        if (err < 0)
            m_file.Fail("cannot encode: " + AvErrorText(err));
        av_packet_rescale_ts(m_packet, m_encoder->time_base, m_stream->time_base);
        m_packet->stream_index = m_stream->index;
        Mux(m_packet);
    }
}

void MediaFileWriter::WriteFrame(const uint8_t* rows, int64_t start, int64_t) {
    WriteAudio(start);
    if (m_decoded != nullptr) {
        DecodedFrames::Kept kept = m_decoded->Take(start);
        if (kept.frame != nullptr) {
            try {
                m_merge->Compose(kept.frame, kept.handed.data(),
                                 DecodedFrames::RowStride(m_format.width), rows, m_composed);
            } catch (const std::runtime_error& e) {
                m_decoded->Recycle(std::move(kept));
                m_file.Fail(e.what());
            }
            m_decoded->Recycle(std::move(kept));
            SendPicture(m_composed, start);
            av_frame_unref(m_composed);
            return;
        }
    }
    if (av_frame_make_writable(m_picture) < 0)
        m_file.Fail("out of memory");
    const uint8_t* src[4] = {m_format.TopRow(rows), nullptr, nullptr, nullptr};
    const int srcStride[4] = {m_format.DownStep(), 0, 0, 0};
    m_converter->Convert(src, srcStride, m_picture->data, m_picture->linesize, &m_workers);
    SendPicture(m_picture, start);
}

void MediaFileWriter::SendPicture(AVFrame* picture, int64_t start) {
    int64_t pts = av_rescale_q_rnd(start, kRefTimeBase, m_encoder->time_base,
                                   AVRounding(AV_ROUND_NEAR_INF | AV_ROUND_PASS_MINMAX));
    // An encoder takes strictly rising timestamps; ties can only come from rounding.
    if (m_lastPts != INT64_MIN && pts <= m_lastPts)
        pts = m_lastPts + 1;
    m_lastPts = pts;
    picture->pts = pts;
    const int err = avcodec_send_frame(m_encoder, picture);
    if (err < 0)
        m_file.Fail("cannot encode: " + AvErrorText(err));
    WritePackets();
}

void MediaFileWriter::Finish() {
    if (m_finished)
        return;
    m_finished = true;
    avcodec_send_frame(m_encoder, nullptr);
    WritePackets();
    WriteAudio(std::nullopt);
    int err = av_write_trailer(m_output);
    if (err < 0)
        m_file.Fail(AvErrorText(err));
    if (m_output->pb != nullptr) {
        err = m_output->pb->error;
        const int closed = avio_closep(&m_output->pb);
        if (err < 0 || closed < 0)
            m_file.Fail(AvErrorText(err < 0 ? err : closed));
    }
}

void MediaFileWriter::Discard() {
    if (m_output != nullptr && m_output->pb != nullptr)
        avio_closep(&m_output->pb);
    m_file.Discard();
}
