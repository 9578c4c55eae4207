// Raw bgr24 frames, top row first and tightly packed, from a file or standard input ("-"), at a
// frame rate given on the command line.
#pragma once

#include <string>
#include <vector>

#include <sys/uio.h>

#include "blocking_call.h"
#include "frame_reader.h"

class RawFrameReader : public FrameReader {
public:
    // Throws ToolError when the file cannot be opened or does not hold whole frames.
    RawFrameReader(const std::string& path, int width, int height, AVRational rate,
                   const ReadRange& range);
    ~RawFrameReader() override;

    const FrameFormat& Format() const override { return m_format; }
    int64_t SegmentStart() const override;
    int64_t ExpectedFrames() const override { return m_expected; }
    bool ReadFrame(uint8_t* rows, int64_t& start, int64_t& stop) override;

protected:
    void WakeBlockedRead() override { BlockingCall::WakeAll(); }

private:
    // Reads exactly the bytes of the vectors; false at the end of the input before the first
    // byte. Throws on a read error and on an input that ends inside a frame.
    bool ReadExactly(iovec* vectors, int count);
    // Waits for input on a pipe or terminal while watching for an interrupt; false when
    // interrupted.
    bool WaitReadable();
    int64_t FrameTime(int64_t index) const; // 100 ns from the input's start
    [[noreturn]] void Fail(const std::string& cause) const;

    std::string m_path;
    int m_fd = -1;
    bool m_ownsFd = false;
    bool m_pollable = false; // a pipe or terminal: wait with poll so Interrupt is seen
    FrameFormat m_format;
    ReadRange m_range;
    int64_t m_skipped = 0;   // frames before --start
    int64_t m_delivered = 0; // frames given since
    int64_t m_expected = -1;
    std::vector<iovec> m_vectors;
};
