// An encoded video file: the container by the name's extension (.mp4 .mkv .mov .webm .avi), the
// frames encoded with libavcodec (H.264 through libx264 by default, VP9 for .webm) with their
// own timestamps, and the input's audio, subtitle and data packets copied unchanged beside them
// when the container takes their codec. The pictures keep the input's pixel format where the
// encoder takes it, and its colour description. Given the decoded pictures, the writer puts into
// each only the blocks the overlay changed, so every other pixel leaves as it was decoded.
#pragma once

#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "audio_passthrough.h"
#include "container_copy.h"
#include "frame_format.h"
#include "frame_writer.h"
#include "output_file.h"
#include "picture_converter.h"
#include "strip_workers.h"

class DecodedFrames;
class OverlayMerge;

struct AVFormatContext;
struct AVCodecContext;
struct AVFrame;
struct AVPacket;
struct AVStream;
struct AVCodec;

struct EncodeOptions {
    std::string codec;          // an encoder or codec name; empty: the container's default
    std::optional<int> quality; // constant quality, lower is better
};

class MediaFileWriter : public FrameWriter {
public:
    // True when the name ends in one of the container extensions.
    static bool IsContainer(const std::string& path);

    // Sets up the encoder and the container and writes its header; takes the audio streams the
    // container can hold, and what `extras` holds. Throws ToolError: usage for an encoder that
    // does not exist or does not fit the container, output for anything that cannot be written.
    MediaFileWriter(const std::string& path, const FrameFormat& format,
                    const EncodeOptions& options, AudioPassthrough& audio,
                    const ContainerCopy* extras = nullptr);
    ~MediaFileWriter() override;
    MediaFileWriter(const MediaFileWriter&) = delete;
    MediaFileWriter& operator=(const MediaFileWriter&) = delete;

    void WriteFrame(const uint8_t* rows, int64_t start, int64_t stop) override;
    void Finish() override;
    void Commit() override { m_file.Commit(); }
    void Discard() override;
    std::string Describe() const override { return m_description; }

    // Streams and other things the container could not take, for a note to the user.
    const std::vector<std::string>& LeftOut() const { return m_leftOut; }

    // Whether the encoder's pixel format lets decoded pictures be merged with the overlay.
    bool CanMergeDecodedFrames() const;
    // From now on each frame is made from the decoded picture kept in `store` for its start
    // time, when there is one; the store outlives the writer.
    void MergeDecodedFrames(DecodedFrames* store);
    // For --verbose, at the end: how much was converted back.
    std::string MergeSummary() const;

private:
    void Open(const EncodeOptions& options);
    void Close();
    void OpenEncoder(const EncodeOptions& options);
    // The encoder's pixel format for the input's, and a note when it is another.
    AVPixelFormat ChoosePixelFormat(const AVCodec* codec, bool lossless, std::string& note) const;
    void AddAudioStreams();
    void SendPicture(AVFrame* picture, int64_t start);
    // Muxes what the encoder has ready.
    void WritePackets();
    // Muxes the audio queued before `until` (none: all of it).
    void WriteAudio(std::optional<int64_t> until);
    void Mux(AVPacket* packet);

    OutputFile m_file;
    FrameFormat m_format;
    AudioPassthrough& m_audio;
    const ContainerCopy* m_extras;
    AVFormatContext* m_output = nullptr;
    AVCodecContext* m_encoder = nullptr;
    AVStream* m_stream = nullptr;
    AVFrame* m_picture = nullptr;
    AVPacket* m_packet = nullptr;
    AVFrame* m_composed = nullptr; // a decoded picture with the overlay merged in
    StripWorkers m_workers{StripWorkers::HelpersForThisMachine()};
    std::unique_ptr<PictureConverter> m_converter; // bgr24 to the encoder's format
    ColourDescription m_colour;                    // of the output
    DecodedFrames* m_decoded = nullptr;
    std::unique_ptr<OverlayMerge> m_merge;
    int64_t m_lastPts = INT64_MIN;
    bool m_finished = false;
    std::string m_description;
    std::vector<std::string> m_leftOut;
};
