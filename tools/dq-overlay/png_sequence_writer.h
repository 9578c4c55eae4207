// PNG stills: one per frame through a frame-number pattern (out/frame-%05d.png, numbered from 1),
// or one single still when the name has no pattern. Each still is encoded with libavcodec's PNG
// encoder into a temporary file; Commit renames them all.
#pragma once

#include <memory>
#include <vector>

#include "frame_format.h"
#include "frame_writer.h"
#include "output_file.h"

struct AVCodecContext;
struct AVFrame;
struct AVPacket;
struct SwsContext;

class PngSequenceWriter : public FrameWriter {
public:
    // True when the name holds a frame-number pattern such as %05d.
    static bool IsPattern(const std::string& path);

    PngSequenceWriter(const std::string& path, const FrameFormat& format);
    ~PngSequenceWriter() override;

    void WriteFrame(const uint8_t* rows, int64_t start, int64_t stop) override;
    void Finish() override {}
    void Commit() override;
    void Discard() override;
    std::string Describe() const override;

private:
    void Open();
    void Close();
    std::string NameOf(int64_t number) const;
    [[noreturn]] void Fail(const std::string& cause) const;

    std::string m_path;
    bool m_pattern;
    FrameFormat m_format;
    AVCodecContext* m_encoder = nullptr;
    AVFrame* m_rgb = nullptr;
    AVPacket* m_packet = nullptr;
    SwsContext* m_scaler = nullptr;
    std::vector<std::unique_ptr<OutputFile>> m_files;
    int64_t m_written = 0;
};
