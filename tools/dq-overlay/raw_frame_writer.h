// Raw bgr24 frames, top row first and tightly packed, to a file or standard output ("-").
#pragma once

#include <vector>

#include <sys/uio.h>

#include "frame_format.h"
#include "frame_writer.h"
#include "output_file.h"

class RawFrameWriter : public FrameWriter {
public:
    RawFrameWriter(const std::string& path, const FrameFormat& format);
    ~RawFrameWriter() override;

    void WriteFrame(const uint8_t* rows, int64_t start, int64_t stop) override;
    void Finish() override;
    void Commit() override { m_file.Commit(); }
    void Discard() override;
    std::string Describe() const override;

private:
    void Close();

    OutputFile m_file;
    FrameFormat m_format;
    int m_fd = -1;
    std::vector<iovec> m_vectors;
};
