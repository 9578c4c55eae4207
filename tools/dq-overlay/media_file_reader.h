// A video file read with libavformat and decoded with libavcodec: the best video stream's frames,
// converted to bgr24 with libswscale straight into the bottom-up frame buffer, with times from
// the container. Audio, subtitle and data streams are offered to the writer through an
// AudioPassthrough, what else the container holds through a ContainerCopy; the decoded pictures
// can be kept for the writer in DecodedFrames.
#pragma once

#include <memory>
#include <string>

#include "audio_passthrough.h"
#include "blocking_call.h"
#include "container_copy.h"
#include "frame_loss_counter.h"
#include "frame_reader.h"
#include "picture_converter.h"
#include "strip_workers.h"

class DecodedFrames;

struct AVFormatContext;
struct AVCodecContext;
struct AVFrame;
struct AVPacket;
struct AVStream;

class MediaFileReader : public FrameReader {
public:
    // Opens the file and its video decoder; throws ToolError when it cannot.
    MediaFileReader(const std::string& path, const ReadRange& range, AudioPassthrough& audio);
    ~MediaFileReader() override;
    MediaFileReader(const MediaFileReader&) = delete;
    MediaFileReader& operator=(const MediaFileReader&) = delete;

    const FrameFormat& Format() const override { return m_format; }
    int64_t SegmentStart() const override { return m_range.startMs * 10'000; }
    int64_t ExpectedFrames() const override { return m_expected; }
    bool ReadFrame(uint8_t* rows, int64_t& start, int64_t& stop) override;

    // For --verbose: "h264 1920x1080 yuv420p, 25 fps; audio: aac".
    std::string Describe() const;

    // Any frame lost or damaged fails the read (ToolError, input) as soon as it is found.
    void SetStrict(bool strict) { m_strict = strict; }
    const FrameLossCounter* Losses() const override { return &m_losses; }

    // What the container holds beside the streams, for the writer.
    const ContainerCopy& Extras() const { return m_extras; }
    // From now on every decoded picture is kept there, with the frame made from it.
    void KeepDecodedFrames(DecodedFrames* store) { m_keep = store; }

protected:
    void WakeBlockedRead() override { BlockingCall::WakeAll(); }

private:
    void Open();
    void Close();
    static int InterruptCallback(void* self);
    [[noreturn]] void Fail(const std::string& cause) const;
    // The next decoded frame, in m_frame; false at the end of the input.
    bool Decode();
    // Reads packets until the decoder has been given one more (or the end); false at the end.
    bool Feed();
    // Into a bgr24 picture of the frame format given by its top row and row step.
    void Convert(uint8_t* top, int step);
    void EstimateFrames();
    // Input time (100 ns from its start) of a timestamp of stream `index`, and whether it lies
    // in the part being read.
    int64_t InputTime(int64_t timestamp, int index) const;
    bool InRange(int64_t inputTime) const;
    void CountPacket(const AVPacket* packet);
    void CountFrame();
    void CountEnd();
    void FailIfStrict() const;

    std::string m_path;
    ReadRange m_range;
    AudioPassthrough& m_audio;
    FrameFormat m_format;

    AVFormatContext* m_input = nullptr;
    AVCodecContext* m_decoder = nullptr;
    AVPacket* m_packet = nullptr;
    AVFrame* m_frame = nullptr;
    AVStream* m_video = nullptr;
    ContainerCopy m_extras;
    DecodedFrames* m_keep = nullptr;
    StripWorkers m_workers{StripWorkers::HelpersForThisMachine()};
    std::unique_ptr<PictureConverter> m_converter; // to bgr24, for the pictures it was made for

    int64_t m_origin = 0; // input time (100 ns, container clock) of sample time 0
    int64_t m_expected = -1;
    int64_t m_delivered = 0;
    int64_t m_lastStart = 0;
    bool m_draining = false; // the demuxer is at its end; the decoder gives what it holds
    bool m_ended = false;
    bool m_atInputEnd = false; // the demuxer reached the input's end
    int m_decodeErrors = 0;
    int64_t m_discardedPackets = 0; // video packets the container drops (edit lists)
    int64_t m_containerStart = 0;   // 100 ns
    FrameLossCounter m_losses;
    bool m_strict = false;
};
