#include "png_sequence_writer.h"

#include <cerrno>
#include <cstdio>
#include <cstring>

extern "C" {
#include <libavcodec/avcodec.h>
#include <libavformat/avformat.h>
#include <libswscale/swscale.h>
}

#include "av_error_text.h"
#include "tool_error.h"

bool PngSequenceWriter::IsPattern(const std::string& path) {
    char name[4096];
    return av_get_frame_filename(name, sizeof name, path.c_str(), 1) == 0;
}

PngSequenceWriter::PngSequenceWriter(const std::string& path, const FrameFormat& format)
    : m_path(path), m_pattern(IsPattern(path)), m_format(format) {
    try {
        Open();
    } catch (...) {
        Close(); // no destructor runs for an object that was never made
        throw;
    }
}

void PngSequenceWriter::Open() {
    const FrameFormat& format = m_format;
    const AVCodec* png = avcodec_find_encoder(AV_CODEC_ID_PNG);
    if (png == nullptr)
        Fail("this libavcodec has no PNG encoder");
    m_encoder = avcodec_alloc_context3(png);
    m_rgb = av_frame_alloc();
    m_packet = av_packet_alloc();
    if (m_encoder == nullptr || m_rgb == nullptr || m_packet == nullptr)
        Fail("out of memory");
    m_encoder->width = format.width;
    m_encoder->height = format.height;
    m_encoder->pix_fmt = AV_PIX_FMT_RGB24;
    m_encoder->time_base = {1, 25};
    int err = avcodec_open2(m_encoder, png, nullptr);
    if (err < 0)
        Fail("cannot encode PNG: " + AvErrorText(err));
    m_rgb->format = AV_PIX_FMT_RGB24;
    m_rgb->width = format.width;
    m_rgb->height = format.height;
    if (av_frame_get_buffer(m_rgb, 0) < 0)
        Fail("out of memory");
    m_scaler =
        sws_getContext(format.width, format.height, AV_PIX_FMT_BGR24, format.width, format.height,
                       AV_PIX_FMT_RGB24, SWS_POINT, nullptr, nullptr, nullptr);
    if (m_scaler == nullptr)
        Fail("cannot convert bgr24 to rgb24");
    // Find out now, not after the first frame, whether the folder takes files.
    m_files.push_back(std::make_unique<OutputFile>(NameOf(1)));
    FILE* probe = std::fopen(m_files.back()->WritePath().c_str(), "wb");
    if (probe == nullptr)
        m_files.back()->Fail(std::strerror(errno));
    std::fclose(probe);
}

PngSequenceWriter::~PngSequenceWriter() {
    Close();
}

void PngSequenceWriter::Close() {
    sws_freeContext(m_scaler);
    m_scaler = nullptr;
    av_packet_free(&m_packet);
    av_frame_free(&m_rgb);
    avcodec_free_context(&m_encoder);
}

std::string PngSequenceWriter::NameOf(int64_t number) const {
    if (!m_pattern)
        return m_path;
    char name[4096];
    av_get_frame_filename2(name, sizeof name, m_path.c_str(), int(number), 0);
    return name;
}

void PngSequenceWriter::Fail(const std::string& cause) const {
    throw ToolError(kExitOutput, "cannot write '" + m_path + "': " + cause);
}

void PngSequenceWriter::WriteFrame(const uint8_t* rows, int64_t, int64_t) {
    // The first frame's file was made by the constructor; later frames each get a new one.
    if (m_written > 0) {
        if (!m_pattern)
            return; // a single still holds the first frame only
        m_files.push_back(std::make_unique<OutputFile>(NameOf(m_written + 1)));
    }
    OutputFile& file = *m_files.back();

    if (av_frame_make_writable(m_rgb) < 0)
        Fail("out of memory");
    const uint8_t* src[4] = {m_format.TopRow(rows), nullptr, nullptr, nullptr};
    const int srcStride[4] = {m_format.DownStep(), 0, 0, 0};
    sws_scale(m_scaler, src, srcStride, 0, m_format.height, m_rgb->data, m_rgb->linesize);
    int err = avcodec_send_frame(m_encoder, m_rgb);
    if (err >= 0)
        err = avcodec_receive_packet(m_encoder, m_packet);
    if (err < 0)
        file.Fail("cannot encode PNG: " + AvErrorText(err));

    FILE* out = std::fopen(file.WritePath().c_str(), "wb");
    if (out == nullptr)
        file.Fail(std::strerror(errno));
    const bool written =
        std::fwrite(m_packet->data, 1, size_t(m_packet->size), out) == size_t(m_packet->size);
    const int writeError = errno;
    av_packet_unref(m_packet);
    if (std::fclose(out) != 0 || !written)
        file.Fail(std::strerror(written ? errno : writeError));
    ++m_written;
}

void PngSequenceWriter::Commit() {
    for (auto& file : m_files)
        file->Commit();
}

void PngSequenceWriter::Discard() {
    for (auto& file : m_files)
        file->Discard();
}

std::string PngSequenceWriter::Describe() const {
    return "'" + m_path + "': " + (m_pattern ? "PNG stills, numbered from 1" : "one PNG still");
}
