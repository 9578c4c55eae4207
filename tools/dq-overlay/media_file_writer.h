// An encoded video file: the container by the name's extension (.mp4 .mkv .mov .webm .avi), the
// frames encoded with libavcodec (H.264 through libx264 by default, VP9 for .webm) with their
// own timestamps, and the input's audio packets copied unchanged beside them when the container
// takes their codec.
#pragma once

#include <optional>
#include <string>
#include <vector>

#include "audio_passthrough.h"
#include "frame_format.h"
#include "frame_writer.h"
#include "output_file.h"

struct AVFormatContext;
struct AVCodecContext;
struct AVFrame;
struct AVPacket;
struct AVStream;
struct SwsContext;

struct EncodeOptions {
    std::string codec;          // an encoder or codec name; empty: the container's default
    std::optional<int> quality; // constant quality, lower is better
};

class MediaFileWriter : public FrameWriter {
public:
    // True when the name ends in one of the container extensions.
    static bool IsContainer(const std::string& path);

    // Sets up the encoder and the container and writes its header; takes the audio streams the
    // container can hold. Throws ToolError: usage for an encoder that does not exist or does not
    // fit the container, output for anything that cannot be written.
    MediaFileWriter(const std::string& path, const FrameFormat& format,
                    const EncodeOptions& options, AudioPassthrough& audio);
    ~MediaFileWriter() override;
    MediaFileWriter(const MediaFileWriter&) = delete;
    MediaFileWriter& operator=(const MediaFileWriter&) = delete;

    void WriteFrame(const uint8_t* rows, int64_t start, int64_t stop) override;
    void Finish() override;
    void Commit() override { m_file.Commit(); }
    void Discard() override;
    std::string Describe() const override { return m_description; }

    // Audio streams the container could not take, for a note to the user.
    const std::vector<std::string>& LeftOut() const { return m_leftOut; }

private:
    void Open(const EncodeOptions& options);
    void Close();
    void OpenEncoder(const EncodeOptions& options);
    void AddAudioStreams();
    // Muxes what the encoder has ready.
    void WritePackets();
    // Muxes the audio queued before `until` (none: all of it).
    void WriteAudio(std::optional<int64_t> until);
    void Mux(AVPacket* packet);

    OutputFile m_file;
    FrameFormat m_format;
    AudioPassthrough& m_audio;
    AVFormatContext* m_output = nullptr;
    AVCodecContext* m_encoder = nullptr;
    AVStream* m_stream = nullptr;
    AVFrame* m_picture = nullptr;
    AVPacket* m_packet = nullptr;
    SwsContext* m_scaler = nullptr;
    int64_t m_lastPts = INT64_MIN;
    bool m_finished = false;
    std::string m_description;
    std::vector<std::string> m_leftOut;
};
